#include "receptionrig.h"

#include <QCoreApplication>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "core/clientsock.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "support/scriptedserver.h"

namespace fs = std::filesystem;
using testsupport::WaitUntil;

namespace nettest {
namespace {

constexpr int kJoinLimitMs = 20000;

int RecordLength(const std::string& bytes) {
    return bytes.size() < 12 ? 0 : std::atoi(bytes.substr(4, 8).c_str());
}

std::string Number(const char* format, long long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() >= width ? text.substr(0, width)
                                : text + std::string(width - text.size(), ' ');
}

}  // namespace

ServerEnd::~ServerEnd() {
    Close();
}

void ServerEnd::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void ServerEnd::Send(const std::string& bytes) {
    size_t sent = 0;
    WaitUntil(
        [&] {
            const ssize_t n =
                ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) sent += static_cast<size_t>(n);
            return sent == bytes.size() || (n < 0 && errno != EAGAIN);
        },
        20000);
}

std::string ServerEnd::ReadRecord(int timeoutMs) {
    std::string bytes;
    bool closed = false;
    WaitUntil(
        [&] {
            const size_t want = bytes.size() < 12 ? 12 : static_cast<size_t>(RecordLength(bytes));
            if (want > bytes.size()) {
                std::string piece(want - bytes.size(), '\0');
                const ssize_t n = ::recv(m_fd, piece.data(), piece.size(), MSG_DONTWAIT);
                if (n > 0) bytes.append(piece, 0, static_cast<size_t>(n));
                closed = n == 0 || (n < 0 && errno != EAGAIN);
            }
            return closed || (bytes.size() >= 12 && bytes.size() == size_t(RecordLength(bytes)));
        },
        timeoutMs);
    return bytes.size() >= 12 && bytes.size() == size_t(RecordLength(bytes)) ? bytes : "";
}

std::string ServerEnd::Exchange(const std::string& record) {
    Send(record);
    const std::string code = record.substr(12, 4);
    for (;;) {
        std::string answer = ReadRecord();
        // The client's own keep-alive may cross the record.
        if (answer.empty() || answer.substr(12, 4) == code || code == "1006") return answer;
    }
}

bool ServerEnd::WaitForClose(int timeoutMs) {
    return WaitUntil(
        [&] {
            char ignored[4096];
            const ssize_t n = ::recv(m_fd, ignored, sizeof ignored, MSG_DONTWAIT);
            return n == 0 || (n < 0 && errno != EAGAIN);
        },
        timeoutMs);
}

ReceptionRig::ReceptionRig()
    : scratch(m_scratch.Path()),
      save(m_scratch.Path() / "사진 저장"),
      run(std::make_shared<RunContext>()),
      m_form(std::make_unique<MessageWindow>()),
      m_threads(std::make_unique<ReceptionThreads>(run)) {
    fs::create_directory(save);
    run->saveFolder.Set(save.string());
    run->signedIn = true;
    Bind();
}

ReceptionRig::~ReceptionRig() {
    if (m_sock) {
        StopRun();
        WaitForRelease();
    }
    EndProcessNow();
    platform::SetTimeScaleForTests(1.0);
}

void ReceptionRig::Bind() {
    m_form->Bind(WM_LOG_MESSAGE, [this](WPARAM, LPARAM text) {
        lines.push_back(*reinterpret_cast<const std::string*>(text));
        return LRESULT{0};
    });
    m_form->Bind(WM_RECV_STATE, [this](WPARAM, LPARAM state) {
        states.push_back(state);
        return LRESULT{0};
    });
    m_form->Bind(WM_RECV_PROGRESS, [this](WPARAM kind, LPARAM value) {
        const bool text = kind == RECV_PROGRESS_ANNOUNCED || kind == RECV_PROGRESS_STORED;
        progress.push_back(
            {kind, text ? 0 : value, text ? *reinterpret_cast<const std::string*>(value) : ""});
        return LRESULT{0};
    });
    m_form->Bind(WM_SOCK_CONNECT, [this](WPARAM, LPARAM) {
        m_connectReported = true;
        return LRESULT{0};
    });
    m_form->Bind(WM_SOCK_RECEIVE, [this](WPARAM, LPARAM) {
        Wake();
        return LRESULT{0};
    });
    m_form->Bind(WM_SOCK_CLOSE, [this](WPARAM, LPARAM) {
        if (m_sock) m_sock->stop = true;
        Wake();
        return LRESULT{0};
    });
    m_form->Bind(WM_SOCK_RELEASE, [this](WPARAM slot, LPARAM) {
        if (m_sock && slot == kSlot) {
            m_sock->ShutDown(2);
            m_sock->Close();
            delete m_sock;
            m_sock = nullptr;
            ++m_releases;
        }
        return LRESULT{0};
    });
}

void ReceptionRig::Wake() {
    run->Wake(kSlot);
}

bool ReceptionRig::ConnectTo(int port) {
    if (m_sock || !m_form) return false;
    auto sock = std::make_unique<CClientSock>();
    sock->owner = m_form->Handle();
    sock->runStop = std::shared_ptr<const std::atomic<bool>>(run, &run->stop);
    sock->slot = kSlot;
    sock->group = 1;
    sock->tag = 1;
    sock->serverName = "파일 전송 서버";
    m_connectReported = false;
    if (!sock->Create() || !sock->Connect("127.0.0.1", port)) return false;
    // As the form does: the thread starts once the connect has been reported.
    if (!WaitUntil([&] { return m_connectReported; }) || !sock->connected) return false;
    m_sock = sock.release();
    m_threads->Start(m_sock, kCustomerNo);
    return true;
}

std::unique_ptr<ServerEnd> ReceptionRig::Connect() {
    if (!ConnectTo(m_listener.Port())) return nullptr;
    const int fd = m_listener.Accept();
    return fd >= 0 ? std::make_unique<ServerEnd>(fd) : nullptr;
}

bool ReceptionRig::WaitForRelease(int timeoutMs) {
    return WaitUntil([&] { return m_sock == nullptr; }, timeoutMs);
}

void ReceptionRig::StopRun() {
    run->StopAll();
}

bool ReceptionRig::EndProcessNow() {
    if (!m_threads) return true;
    StopRun();
    m_form.reset();
    const bool joined = m_threads->JoinAll(std::chrono::milliseconds(kJoinLimitMs));
    m_threads.reset();
    // Its release came after the window was gone, so nobody else will delete it.
    if (joined) delete m_sock;
    m_sock = nullptr;
    return joined;
}

int ReceptionRig::LinesContaining(const std::string& text) const {
    // The thread posts its lines before it answers the record the caller saw answered.
    QCoreApplication::sendPostedEvents();
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    }));
}

std::string FileHeader(const std::string& folder, const std::string& name, long long size,
                       const std::string& companion, int customerNo) {
    return testsupport::ServerRecord(2001, Number("%10lld", customerNo) + Padded(folder, 250) +
                                               Padded(name, 100) + Number("%10lld", size) + "    " +
                                               companion);
}

std::string SubBlock(int block, int subBlock, const std::string& data) {
    return testsupport::ServerRecord(
        2002, Number("%03lld", block % 1000) + Number("%03lld", subBlock) + data);
}

std::string BlockCheck(int block, int subBlocks) {
    return testsupport::ServerRecord(2003,
                                     Number("%03lld", block % 1000) + Number("%03lld", subBlocks));
}

std::string FileEnd(long long count) {
    return testsupport::ServerRecord(2004, Number("%10lld", count));
}

std::string Answer(int code, const std::string& body) {
    char header[17];
    std::snprintf(header, sizeof header, "ZNLA%08zu%04d", 16 + body.size(), code);
    return header + body;
}

bool SendFileBody(ServerEnd& server, const std::string& bytes) {
    constexpr size_t kSub = 100000;
    constexpr size_t kBlock = kSub * 101;
    int block = 1;
    for (size_t offset = 0; offset < bytes.size(); offset += kBlock, ++block) {
        const size_t blockBytes = std::min(kBlock, bytes.size() - offset);
        const int count = static_cast<int>((blockBytes + kSub - 1) / kSub);
        for (int k = 1; k <= count; ++k) {
            const size_t start = offset + static_cast<size_t>(k - 1) * kSub;
            const std::string piece =
                bytes.substr(start, std::min(kSub, offset + blockBytes - start));
            if (server.Exchange(SubBlock(block, k, piece)) != Answer(2002, "Y")) return false;
        }
        if (server.Exchange(BlockCheck(block, count)) != Answer(2003, "Y000000")) return false;
    }
    return server.Exchange(FileEnd(static_cast<long long>(bytes.size()))) ==
           Answer(2004, Number("%10lld", static_cast<long long>(bytes.size())));
}

}  // namespace nettest

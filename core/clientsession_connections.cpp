// The connection table: slots, connects, the sockets' notifications and the reconnection rules.
#include "core/clientsession.h"
#include "core/clientsock.h"
#include "core/fsthread.h"
#include "core/sessiontimers.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/trace.h"

namespace {

constexpr int kSlotsPerGroup = 50;
// The first pause after each kind of failure of the file-server connection; the pause doubles
// with every failure in a row.
constexpr int kConnectRetryMs = 2000;
constexpr int kReloginMs = 1000;
constexpr int kReconnectMs = 1000;
// A connection that ends sooner after its good greeting than the longest pause (a server that
// drops the line at once, a disk that is full) does not end the run of failures, so a fault that
// repeats is never retried faster than its pause allows.
constexpr int kGoodLineMs = RetryPause::kLongestMs;

const char* ServerName(ServerGroup group) {
    return group == ServerGroup::Login ? "로그인 서버" : "파일 전송 서버";
}

std::string Format(const char* format, auto... args) {
    char text[512];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

// The search wraps within the group from the hint; the group's last slot is never handed out.
// Each usable slot is probed once, so a full group gives -1 instead of searching forever.
int ClientSession::FindFreeSlot(ServerGroup group, int start) {
    const int first = static_cast<int>(group) * kSlotsPerGroup;
    const int limit = first + kSlotsPerGroup - 1;
    int slot = (start >= limit || start < first) ? first : start;
    for (int probe = 0; probe < limit - first; ++probe) {
        platform::Trace("%s m_pClientSock[iNo] : %d\n",
                        platform::FormatLocalTime(platform::Now(), "%H:%M:%S").c_str(),
                        m_sockets[slot] ? 1 : 0);
        if (!m_sockets[slot]) {
            m_nextSlot[Index(group)] = slot + 1;
            return slot;
        }
        if (++slot >= limit) slot = first;
    }
    return -1;
}

void ClientSession::ConnectServer(ServerGroup group, int tag) {
    const int slot = FindFreeSlot(group, m_nextSlot[Index(group)]);
    if (slot < 0) {
        Log(Format("%s 접속 불가! 사용할 수 있는 연결이 없습니다.", ServerName(group)));
        return;
    }
    auto* sock = new CClientSock;
    m_sockets[slot] = sock;
    const bool created = sock->Create();
    sock->owner = Handle();
    sock->runStop = std::shared_ptr<const std::atomic<bool>>(m_run, &m_run->stop);
    sock->slot = slot;
    sock->group = static_cast<int>(group);
    sock->refused = false;
    sock->tag = tag;
    sock->serverName = ServerName(group);
    const std::string& ip = m_serverIp[Index(group)];
    const int port = m_serverPort[Index(group)];
    if (created) {
        sock->Connect(ip, port);
    } else {
        // No socket: the attempt fails the way a refused connect does.
        sock->connected = false;
        PostMessage(Handle(), WM_SOCK_CONNECT, static_cast<WPARAM>(slot), sock->group);
    }
    if (!Retrying()) Log(Format("%s 접속시도[%d]", ip.c_str(), port));
}

LRESULT ClientSession::OnSockConnect(int slot) {
    CClientSock* sock = m_sockets[slot];
    if (!sock) return 0;
    const auto group = static_cast<ServerGroup>(sock->group);
    if (sock->connected) {
        if (group == ServerGroup::Login) {
            if (!Retrying()) Log(Format("[%d] %s Connected!", slot, sock->serverName.c_str()));
            m_loginSlot = slot;
            if (m_loginJob == LoginJob::SignIn) SendLoginRequest(slot);
            if (m_loginJob == LoginJob::FolderListUpload) SendFolderList(slot);
        } else if (m_run->signedIn) {
            m_account.fileSlot = slot;
            StartReceptionThread(sock);
        } else {
            // The user logged out while this connect was under way: nobody to receive for.
            ReleaseSocket(slot);
        }
        return 0;
    }
    const std::string failure = Format("[%d] %s Connect Fail!", slot, sock->serverName.c_str());
    delete sock;
    m_sockets[slot] = nullptr;
    if (group == ServerGroup::File && m_run->signedIn && !m_run->stop) {
        RetryFileLine(FileLineFault::ConnectFailed, failure);
        return 0;
    }
    if (!Retrying()) Log(failure);
    if (m_run->stop || group != ServerGroup::Login) return 0;
    if (m_loginJob == LoginJob::FolderListUpload) {
        // A background upload that cannot reach the server says so; the sign-in it does not
        // belong to stays as it is, so photo reception goes on.
        Log("폴더 리스트 전송 에러!");
    } else {
        SetLoginResult(SignInOutcome::Unreachable, "로그인 서버 접속 실패!\r\n다시 시도 해주세요!");
    }
    return 0;
}

LRESULT ClientSession::OnSockReceive(int slot) {
    CClientSock* sock = m_sockets[slot];
    if (!sock) return 0;
    if (static_cast<ServerGroup>(sock->group) == ServerGroup::File) {
        m_run->Wake(slot);
        return 0;
    }
    ReadServerReply(slot);
    return 0;
}

LRESULT ClientSession::OnSockClose(int slot) {
    CClientSock* sock = m_sockets[slot];
    if (!sock) return 0;
    // An answer cut short by the close is ended by its silence limit, as any short answer is.
    if (AssemblingReply(slot)) return 0;
    const std::string line =
        Format("[%d]%s 소켓 종료 신호 받음!\n", slot, sock->serverName.c_str());
    if (!Retrying()) Log(line);
    platform::Trace("%s", line.c_str());
    sock->stop = true;
    m_run->Wake(slot);
    return 0;
}

LRESULT ClientSession::OnSockRelease(int slot) {
    CClientSock* sock = m_sockets[slot];
    if (!sock) return 0;
    if (!m_run->stop && static_cast<ServerGroup>(sock->group) == ServerGroup::File) {
        OnFileLineEnd(slot, sock->refused);
    }
    ReleaseSocket(slot);
    return 0;
}

void ClientSession::OnFileLineEnd(int slot, bool refused) {
    if (slot == m_account.fileSlot) KillTimer(TIMER_FILE_LINE_GOOD);
    // Only the connection that was open at the nickname change ends without a reconnect.
    const bool openAtNicknameChange = slot == m_account.fileSlotNotReconnected;
    if (openAtNicknameChange) m_account.fileSlotNotReconnected = -1;
    if (refused) {
        RetryFileLine(FileLineFault::Refused, "파일 전송 서버가 접속을 거부했습니다.");
        Q_EMIT fileServerRefused();
    } else if (m_run->signedIn && !openAtNicknameChange) {
        RetryFileLine(FileLineFault::Ended, "파일 전송 서버 연결 끊김.");
    }
}

// One line when the run of failures starts or its kind changes; the attempts in between are quiet.
void ClientSession::RetryFileLine(FileLineFault fault, const std::string& failure) {
    const bool relogin = fault == FileLineFault::Refused;
    const int firstMs = fault == FileLineFault::ConnectFailed ? kConnectRetryMs
                        : relogin                             ? kReloginMs
                                                              : kReconnectMs;
    const int pauseMs = m_fileRetry.Fail(firstMs, static_cast<int>(fault));
    if (m_fileRetry.Changed()) {
        Log(failure + " " + std::to_string(pauseMs / 1000) +
            (relogin ? "초 후 다시 로그인합니다." : "초 후 다시 접속합니다."));
    }
    SetTimer(relogin ? TIMER_RELOGIN : TIMER_FILE_CONNECT, pauseMs);
}

void ClientSession::OnFileLineGreeted() {
    SetTimer(TIMER_FILE_LINE_GOOD, kGoodLineMs);
}

void ClientSession::OnFileLineProven() {
    if (m_fileRetry.Failures() == 0) return;
    Log("파일 전송 서버 연결 복구 (실패 " + std::to_string(m_fileRetry.Failures()) + "회 후)");
    m_fileRetry.Reset();
}

bool ClientSession::Retrying() const {
    return m_fileRetry.Failures() > 0 || m_signInRetry.Failures() > 0;
}

void ClientSession::ReleaseSocket(int slot) {
    CClientSock* sock = m_sockets[slot];
    if (!sock) return;
    if (AssemblingReply(slot)) EndReplyAssembly();
    sock->ShutDown(2);
    sock->Close();
    delete sock;
    m_sockets[slot] = nullptr;
}

void ClientSession::StartReceptionThread(CClientSock* sock) {
    m_threads->Start(sock, m_account.customerNo);
}

#include "core/clientsock.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <cerrno>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/messagewindow.h"
#include "platform/queuedcall.h"

namespace {

// A full line is waited out in slices short enough to see a stop, for about two seconds without
// progress, like a silent line in the timed read.
constexpr int kSendWaitSliceMs = 40;
constexpr int kSendWaitSlices = 50;

bool WouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

}  // namespace

// Queued calls to the owner thread, addressed to a receiver that lives there. Posting and
// detaching take the same lock, so nothing is ever queued for a dead object, and detaching drops
// the calls still queued.
class CClientSock::OwnerLink {
public:
    void Detach() {
        std::lock_guard lock(m_mutex);
        m_pReceiver.reset();
    }
    void Post(std::function<void()> call) {
        std::lock_guard lock(m_mutex);
        if (m_pReceiver) m_pReceiver->Post(std::move(call));
    }

private:
    std::mutex m_mutex;
    std::unique_ptr<QueuedCallReceiver> m_pReceiver = std::make_unique<QueuedCallReceiver>();
};

CClientSock::CClientSock()
    : m_pOwnerThread(QThread::currentThread()), m_pLink(std::make_shared<OwnerLink>()) {}

CClientSock::~CClientSock() {
    Close();
}

bool CClientSock::Create() {
    if (m_hSocket >= 0) return false;
    m_hSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_hSocket < 0) return false;
    // Every record goes out whole in one send, and answers are small: with Nagle's algorithm an
    // answer written right after another waits for the server to acknowledge that one, which a
    // server that delays its acknowledgements makes 40 ms (a keep-alive answer, then a file's).
    const int noDelay = 1;
    ::setsockopt(m_hSocket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    return true;
}

bool CClientSock::Connect(const std::string& address, int port) {
    if (m_bConnectStarted) return false;  // one attempt per socket: its outcome is on its way
    m_bConnectStarted = true;
    int error = 0;
    in_addr numeric{};
    if (m_hSocket < 0) {
        error = EBADF;
    } else if (port <= 0 || port > 65535) {
        error = EINVAL;
    } else if (::inet_pton(AF_INET, address.c_str(), &numeric) == 1) {
        error = BeginConnect(numeric.s_addr, port);
    } else {
        error = ResolveThenConnect(address, port);
    }
    if (error != 0) PostConnectResult(error);
    return error == 0;
}

// Either the outcome is already queued or a write notification will tell it; 0, or the error of
// a connect that failed at once.
int CClientSock::BeginConnect(unsigned int address, int port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    peer.sin_addr.s_addr = address;
    if (::connect(m_hSocket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        PostConnectResult(0);
        return 0;
    }
    if (errno != EINPROGRESS) return errno;
    m_pConnectNotifier = std::make_unique<QSocketNotifier>(m_hSocket, QSocketNotifier::Write);
    QObject::connect(m_pConnectNotifier.get(), &QSocketNotifier::activated,
                     m_pConnectNotifier.get(), [this] { OnConnectFinished(); });
    return 0;
}

int CClientSock::ResolveThenConnect(const std::string& hostName, int port) {
    // A lookup can take seconds; the UI thread never waits for it. The worker only touches the
    // link, and the result runs on the owner thread only while the socket is open.
    auto lookUp = [link = m_pLink, this, hostName, port] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const bool resolved =
            ::getaddrinfo(hostName.c_str(), nullptr, &hints, &found) == 0 && found;
        const unsigned int address =
            resolved ? reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr : 0;
        if (found) ::freeaddrinfo(found);
        link->Post([this, resolved, address, port] {
            const int error = resolved ? BeginConnect(address, port) : EHOSTUNREACH;
            if (error != 0) OnConnect(error);
        });
    };
    try {
        std::thread(std::move(lookUp)).detach();
    } catch (const std::system_error& failure) {
        return failure.code().value();
    }
    return 0;
}

void CClientSock::PostConnectResult(int nErrorCode) {
    m_pLink->Post([this, nErrorCode] { OnConnect(nErrorCode); });
}

void CClientSock::OnConnectFinished() {
    m_pConnectNotifier->setEnabled(false);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    OnConnect(error);
}

void CClientSock::OnConnect(int nErrorCode) {
    connected = nErrorCode == 0;
    if (nErrorCode == 0) WatchReads();
    // The owner may delete this socket while handling the message: nothing may follow it.
    SendMessage(owner, WM_SOCK_CONNECT, static_cast<WPARAM>(slot), group);
}

void CClientSock::OnReceive(int) {
    SendMessage(owner, WM_SOCK_RECEIVE, static_cast<WPARAM>(slot), 0);
}

void CClientSock::OnClose(int) {
    connected = false;
    SendMessage(owner, WM_SOCK_CLOSE, static_cast<WPARAM>(slot), group);
}

void CClientSock::WatchReads() {
    m_bReadArmed = true;
    m_pReadNotifier = std::make_unique<QSocketNotifier>(m_hSocket, QSocketNotifier::Read);
    QObject::connect(m_pReadNotifier.get(), &QSocketNotifier::activated, m_pReadNotifier.get(),
                     [this] { OnReadable(); });
}

void CClientSock::OnReadable() {
    // Level-triggered: the notifier stays off until this event is settled, and stays off after a
    // read notification until a Receive re-arms it, so waiting data never spins the loop.
    m_pReadNotifier->setEnabled(false);
    char first = 0;
    const ssize_t peeked = ::recv(m_hSocket, &first, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        if (m_bReadArmed.exchange(false)) OnReceive(0);
        return;
    }
    if (peeked < 0 && WouldBlock(errno)) {
        m_pReadNotifier->setEnabled(m_bReadArmed);
        return;
    }
    // End of stream (every byte before it has been read) or a reset.
    m_bReadsEnded = true;
    OnClose(peeked == 0 ? 0 : errno);
}

int CClientSock::Receive(void* buffer, int len) {
    if (m_hSocket < 0 || len < 0) {
        errno = m_hSocket < 0 ? EBADF : EINVAL;
        return SOCKET_ERROR;
    }
    const ssize_t received = ::recv(m_hSocket, buffer, static_cast<size_t>(len), MSG_DONTWAIT);
    const int error = errno;
    const bool lineGoesOn = received > 0 || (received < 0 && WouldBlock(error));
    if (!lineGoesOn || QThread::currentThread() == m_pOwnerThread) RearmReads();
    errno = error;
    return received < 0 ? SOCKET_ERROR : static_cast<int>(received);
}

void CClientSock::RearmReads() {
    // Cheap while armed: a reception thread reading a record pays one atomic load per call.
    if (m_bReadArmed.load() || m_bReadArmed.exchange(true)) return;
    if (QThread::currentThread() == m_pOwnerThread) {
        EnableReadNotifier();
    } else {
        m_pLink->Post([this] { EnableReadNotifier(); });
    }
}

void CClientSock::EnableReadNotifier() {
    if (m_pReadNotifier && !m_bReadsEnded && m_bReadArmed) m_pReadNotifier->setEnabled(true);
}

int CClientSock::Send(const void* buffer, int len) {
    if (m_hSocket < 0 || len < 0) return SOCKET_ERROR;
    const char* bytes = static_cast<const char*>(buffer);
    int sent = 0;
    int waits = 0;
    while (sent < len) {
        const ssize_t n = ::send(m_hSocket, bytes + sent, static_cast<size_t>(len - sent),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<int>(n);
            waits = 0;
            continue;
        }
        if (n < 0 && !WouldBlock(errno)) return SOCKET_ERROR;
        if (stop || RunStopped() || waits++ >= kSendWaitSlices) return SOCKET_ERROR;
        pollfd writable{m_hSocket, POLLOUT, 0};
        ::poll(&writable, 1, platform::ScaledMilliseconds(kSendWaitSliceMs));
    }
    return sent;
}

bool CClientSock::ShutDown(int how) {
    if (m_hSocket < 0) return false;
    if (how != SHUT_WR) {
        m_bReadsEnded = true;
        if (m_pReadNotifier) m_pReadNotifier->setEnabled(false);
    }
    return ::shutdown(m_hSocket, how) == 0;
}

void CClientSock::Close() {
    m_pConnectNotifier.reset();
    m_pReadNotifier.reset();
    m_pLink->Detach();
    if (m_hSocket >= 0) ::close(m_hSocket);
    m_hSocket = -1;
}

#include "loopbackpeer.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <chrono>
#include <thread>

#include "core/windowmessages.h"
#include "support/testfolder.h"

namespace nettest {
namespace {

// A socket bound to 127.0.0.1 at a port the system picks; its port through `port`.
int BindLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

int QueuedIoctl(int fd, unsigned long request) {
    int bytes = 0;
    return ::ioctl(fd, request, &bytes) == 0 ? bytes : -1;
}

}  // namespace

LoopbackListener::LoopbackListener() {
    m_fd = BindLoopback(m_port);
    if (m_fd >= 0) ::listen(m_fd, 8);
}

LoopbackListener::~LoopbackListener() {
    if (m_fd >= 0) ::close(m_fd);
}

int LoopbackListener::Accept(int timeoutMs) {
    pollfd incoming{m_fd, POLLIN, 0};
    if (::poll(&incoming, 1, timeoutMs) != 1) return -1;
    return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
}

int RefusingPort() {
    // Bound but not listening, so a connect to it is refused; it stays bound for the whole run so
    // that no other socket takes the port.
    static int port = 0;
    static const int fd = BindLoopback(port);
    return fd >= 0 ? port : 0;
}

RecordingOwner::RecordingOwner() {
    for (UINT message : {WM_SOCK_CONNECT, WM_SOCK_RECEIVE, WM_SOCK_CLOSE}) {
        m_window.Bind(message, [this, message](WPARAM wParam, LPARAM lParam) {
            messages.push_back({message, wParam, lParam, watched ? watched->connected : -1});
            if (onMessage) onMessage(message);
            return LRESULT{0};
        });
    }
    m_window.Bind(WM_LOG_MESSAGE, [this](WPARAM, LPARAM lParam) {
        logLines.push_back(*reinterpret_cast<const std::string*>(lParam));
        return LRESULT{0};
    });
}

int RecordingOwner::Count(UINT message) const {
    int count = 0;
    for (const SockMessage& seen : messages) count += seen.message == message ? 1 : 0;
    return count;
}

ConnectedPair::~ConnectedPair() {
    sock.reset();
    if (peer >= 0) ::close(peer);
}

bool ConnectedPair::Open() {
    sock = std::make_unique<CClientSock>();
    owner.watched = sock.get();
    sock->owner = owner.Handle();
    sock->runStop = runStop;
    sock->slot = 57;
    sock->group = 1;
    sock->serverName = "파일 전송 서버";
    if (!sock->Create() || !sock->Connect("127.0.0.1", listener.Port())) return false;
    if (!testsupport::WaitUntil([&] { return owner.Count(WM_SOCK_CONNECT) == 1; }, 10000)) {
        return false;
    }
    peer = listener.Accept();
    return peer >= 0 && sock->connected;
}

bool WaitUntilConsumed(int from, int to, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (QueuedIoctl(from, SIOCOUTQ) != 0 || QueuedIoctl(to, FIONREAD) != 0) {
        if (elapsed.elapsed() > timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

int BytesWaiting(int fd) {
    return QueuedIoctl(fd, FIONREAD);
}

void RunEventsFor(int milliseconds) {
    testsupport::WaitUntil([] { return false; }, milliseconds);
}

}  // namespace nettest

#include "peers/znlservice.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "peers/filepeer.h"
#include "peers/loginpeer.h"
#include "peers/peerline.h"

namespace znlservice {
namespace {

constexpr int kListenBacklog = 64;

int Listen(std::uint16_t port, std::uint16_t& boundPort, std::string& error) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    const int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, kListenBacklog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "port " + std::to_string(port) + ": " + std::strerror(errno);
        close(fd);
        return -1;
    }
    boundPort = ntohs(address.sin_port);
    return fd;
}

struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
};

}  // namespace

struct ZnlService::Impl {
    mutable std::mutex settingsMutex;
    ServiceSettings settings;
    ServiceJournal journal;
    int stopFd = eventfd(0, EFD_CLOEXEC);
    int loginListen = -1;
    int fileListen = -1;
    std::uint16_t loginPort = 0;
    std::uint16_t filePort = 0;
    bool started = false;
    std::thread acceptor;
    std::vector<Worker> workers;  // touched by the acceptor, and by Stop once it has joined it
    int lastConnection = 0;

    ServiceSettings Snapshot() const {
        const std::lock_guard lock(settingsMutex);
        return settings;
    }
    void AcceptLoop();
    void AcceptAll(int listenFd, bool login);
    void Serve(int socket, bool login, int connection, const ServiceSettings& snapshot);
    void JoinFinishedWorkers();
    void CloseListeners();
};

void ZnlService::Impl::AcceptLoop() {
    pollfd fds[3] = {{loginListen, POLLIN, 0}, {fileListen, POLLIN, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 3, -1) < 0 && errno != EINTR) return;
        if (fds[2].revents != 0) return;
        if (fds[0].revents != 0) AcceptAll(loginListen, true);
        if (fds[1].revents != 0) AcceptAll(fileListen, false);
        JoinFinishedWorkers();
    }
}

void ZnlService::Impl::AcceptAll(int listenFd, bool login) {
    for (;;) {
        const int socket = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) return;
        // Stop-and-wait records: a small record must leave at once, not wait for an ACK.
        const int yes = 1;
        setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        ServiceSettings snapshot = Snapshot();
        auto finished = std::make_shared<std::atomic<bool>>(false);
        const int connection = ++lastConnection;
        workers.push_back({std::thread([this, socket, login, connection, finished,
                                        snapshot = std::move(snapshot)] {
                               Serve(socket, login, connection, snapshot);
                               finished->store(true);
                           }),
                           finished});
    }
}

void ZnlService::Impl::Serve(int socket, bool login, int connection,
                             const ServiceSettings& snapshot) {
    PeerLine line(socket, stopFd);
    if (login)
        ServeLoginConnection(line, snapshot, filePort, journal, connection);
    else
        ServeFileConnection(line, snapshot, journal, connection);
}

void ZnlService::Impl::JoinFinishedWorkers() {
    for (auto it = workers.begin(); it != workers.end();) {
        if (!it->finished->load()) {
            ++it;
            continue;
        }
        it->thread.join();
        it = workers.erase(it);
    }
}

void ZnlService::Impl::CloseListeners() {
    if (loginListen >= 0) close(loginListen);
    if (fileListen >= 0) close(fileListen);
    loginListen = fileListen = -1;
}

ZnlService::ZnlService(ServiceSettings settings) : m_impl(std::make_unique<Impl>()) {
    m_impl->settings = std::move(settings);
}

ZnlService::~ZnlService() {
    Stop();
    if (m_impl->stopFd >= 0) close(m_impl->stopFd);
}

bool ZnlService::Start(std::string* error) {
    std::string reason;
    Impl& impl = *m_impl;
    if (impl.started || impl.stopFd < 0) reason = "already started, or no stop descriptor";
    const ServiceSettings settings = impl.Snapshot();
    if (reason.empty()) impl.loginListen = Listen(settings.loginPort, impl.loginPort, reason);
    if (reason.empty()) impl.fileListen = Listen(settings.filePort, impl.filePort, reason);
    if (!reason.empty()) {
        impl.CloseListeners();
        if (error) *error = reason;
        return false;
    }
    impl.started = true;
    impl.acceptor = std::thread([&impl] { impl.AcceptLoop(); });
    return true;
}

void ZnlService::Stop() {
    Impl& impl = *m_impl;
    if (!impl.acceptor.joinable()) return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(impl.stopFd, &one, sizeof one);
    impl.acceptor.join();
    for (Worker& worker : impl.workers) worker.thread.join();
    impl.workers.clear();
    impl.CloseListeners();
}

std::uint16_t ZnlService::LoginPort() const {
    return m_impl->loginPort;
}
std::uint16_t ZnlService::FilePort() const {
    return m_impl->filePort;
}

ServiceSettings ZnlService::Settings() const {
    return m_impl->Snapshot();
}

void ZnlService::UpdateSettings(const std::function<void(ServiceSettings&)>& change) {
    const std::lock_guard lock(m_impl->settingsMutex);
    change(m_impl->settings);
}

std::vector<ReceivedRecord> ZnlService::ReceivedRecords() const {
    return m_impl->journal.Records();
}
std::vector<LoginAttempt> ZnlService::LoginAttempts() const {
    return m_impl->journal.Logins();
}
std::vector<FolderListUpload> ZnlService::FolderListUploads() const {
    return m_impl->journal.FolderLists();
}
std::vector<FileTransfer> ZnlService::FileTransfers() const {
    return m_impl->journal.Transfers();
}
std::vector<std::string> ZnlService::Problems() const {
    return m_impl->journal.Problems();
}

}  // namespace znlservice

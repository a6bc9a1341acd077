#include "support/scriptedserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cstdlib>

namespace testsupport {
namespace {

// Reads exactly n bytes unless the peer closes or the server stops; polls so a stop is seen.
bool ReadExactly(int fd, char* buffer, size_t n, const std::atomic<bool>& stop) {
    size_t have = 0;
    while (have < n && !stop) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        ssize_t got = ::recv(fd, buffer + have, n - have, 0);
        if (got <= 0) return false;
        have += static_cast<size_t>(got);
    }
    return have == n;
}

}  // namespace

ScriptedServer::ScriptedServer(Responder responder) : m_responder(std::move(responder)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(m_listenFd, 64);
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listenFd);
}

std::vector<std::string> ScriptedServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void ScriptedServer::Serve() {
    while (!m_stop) {
        pollfd waiting{m_listenFd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++m_connections;
        Converse(fd);
        ::close(fd);
    }
}

void ScriptedServer::Converse(int fd) {
    char header[12];
    if (!ReadExactly(fd, header, sizeof header, m_stop)) return;
    const int total = std::atoi(std::string(header + 4, 8).c_str());
    std::string request(header, sizeof header);
    if (total > 12 && total < 100000) {
        request.resize(static_cast<size_t>(total));
        if (!ReadExactly(fd, request.data() + 12, request.size() - 12, m_stop)) return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(request);
    }
    m_responder(fd, request);
    // Keep the connection until the client closes it, as the login server does.
    char ignored[256];
    while (!m_stop) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        if (::recv(fd, ignored, sizeof ignored, 0) <= 0) return;
    }
}

std::string ServerRecord(int code, const std::string& body) {
    char header[17];
    std::snprintf(header, sizeof header, "ZNLA%08zu%04d", 16 + body.size(), code);
    return header + body;
}

std::string LoginAcceptanceBody(const LoginAcceptance& fields) {
    char body[128];
    std::snprintf(body, sizeof body, "Y%10d%-20s%5d%-15s%-20s%-20s", fields.customerNo,
                  fields.fileServerIp.c_str(), fields.fileServerPort, fields.latestVersion.c_str(),
                  fields.updateServerIp.c_str(), fields.displayName.c_str());
    return body;
}

void WriteAllBytes(int fd, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace testsupport

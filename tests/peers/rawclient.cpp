#include "rawclient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace peertest {
namespace {

int MsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

RawClient::RawClient(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        m_fd = fd;
    else if (fd >= 0)
        close(fd);
}

RawClient::~RawClient() {
    if (m_fd >= 0) close(m_fd);
}

bool RawClient::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string RawClient::ReadBytes(std::size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        pollfd readable{m_fd, POLLIN, 0};
        if (poll(&readable, 1, MsLeft(deadline)) <= 0) break;
        const ssize_t n = recv(m_fd, bytes.data() + got, count - got, 0);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

std::string RawClient::ReadRecord(int timeoutMs) {
    std::string record = ReadBytes(12, timeoutMs);
    if (record.size() < 12) return {};
    const long long length = NumberAt(record, 4, 8);
    if (length < 16) return {};
    const std::string rest = ReadBytes(static_cast<std::size_t>(length) - 12, timeoutMs);
    if (rest.size() != static_cast<std::size_t>(length) - 12) return {};
    return record + rest;
}

bool RawClient::WaitClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char chunk[4096];
    for (;;) {
        pollfd readable{m_fd, POLLIN, 0};
        if (poll(&readable, 1, MsLeft(deadline)) <= 0) return false;
        const ssize_t n = recv(m_fd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EINTR)) return true;
    }
}

bool RawClient::SilentFor(int timeoutMs) {
    pollfd readable{m_fd, POLLIN, 0};
    return poll(&readable, 1, timeoutMs) == 0;
}

std::string Blanks(long long value, int width) {
    char text[64];
    std::snprintf(text, sizeof text, "%*lld", width, value);
    return text;
}

std::string Zeros(long long value, int width) {
    char text[64];
    std::snprintf(text, sizeof text, "%0*lld", width, value);
    return text;
}

std::string Record(const char* magic, int code, const std::string& body) {
    return std::string(magic, 4) + Zeros(static_cast<long long>(16 + body.size()), 8) +
           Zeros(code, 4) + body;
}

int CodeOf(const std::string& record) {
    return static_cast<int>(NumberAt(record, 12, 4));
}

long long NumberAt(const std::string& record, std::size_t offset, std::size_t width) {
    if (offset >= record.size()) return 0;
    return std::atoll(record.substr(offset, width).c_str());
}

}  // namespace peertest

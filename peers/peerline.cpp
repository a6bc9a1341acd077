#include "peers/peerline.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "peers/servicerecords.h"

namespace znlservice {
namespace {

constexpr int kSendTimeoutMs = 60000;
constexpr std::size_t kLengthEnd = 12;

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

PeerLine::PeerLine(int socket, int stopFd) : m_socket(socket), m_stopFd(stopFd) {}

PeerLine::~PeerLine() {
    shutdown(m_socket, SHUT_RDWR);
    close(m_socket);
}

PeerLine::Ready PeerLine::WaitFor(short events, int timeoutMs) const {
    pollfd fds[2] = {{m_socket, events, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        const int result = poll(fds, 2, timeoutMs);
        if (result < 0 && errno == EINTR) continue;
        if (fds[1].revents != 0) return Ready::Stopped;
        return result > 0 ? Ready::Yes : Ready::TimedOut;
    }
}

bool PeerLine::Pause(int ms) const {
    pollfd stop{m_stopFd, POLLIN, 0};
    return poll(&stop, 1, ms) == 0;
}

bool PeerLine::SendAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent =
            send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (WaitFor(POLLOUT, kSendTimeoutMs) != Ready::Yes) return false;
    }
    return true;
}

bool PeerLine::Send(std::string_view bytes) {
    if (m_trickle.pieceBytes <= 0) return SendAll(bytes);
    const auto piece = static_cast<std::size_t>(m_trickle.pieceBytes);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        if (at > 0 && !Pause(m_trickle.pauseMs)) return false;
        if (!SendAll(bytes.substr(at, piece))) return false;
    }
    return true;
}

bool PeerLine::CompleteRecordPending(std::string& record, bool& bad) {
    bad = false;
    if (m_pending.empty()) return false;
    if (m_pending[0] != 'Z') {
        bad = true;
        m_frameError = "a record that does not start with Z: " + m_pending.substr(0, 16);
        return false;
    }
    if (m_pending.size() < kLengthEnd) return false;
    const bool digits = std::all_of(m_pending.begin() + 4, m_pending.begin() + kLengthEnd,
                                    [](char c) { return c >= '0' && c <= '9'; });
    const auto length = static_cast<std::size_t>(ReadNumber(m_pending, 4, 8));
    if (!digits || length < kHeaderBytes || length > kMaxRecordBytes) {
        bad = true;
        m_frameError = "a bad length field: " + m_pending.substr(0, kLengthEnd);
        return false;
    }
    if (m_pending.size() < length) return false;
    record.assign(m_pending, 0, length);
    m_pending.erase(0, length);
    return true;
}

ReadStatus PeerLine::ReadRecord(std::string& record, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char chunk[65536];
    for (;;) {
        bool bad = false;
        if (CompleteRecordPending(record, bad)) return ReadStatus::Record;
        if (bad) return ReadStatus::BadFrame;
        const int wait = timeoutMs == kForever ? kForever : RemainingMs(deadline);
        switch (WaitFor(POLLIN, wait)) {
            case Ready::Stopped:
                return ReadStatus::Stopped;
            case Ready::TimedOut:
                return ReadStatus::TimedOut;
            case Ready::Yes:
                break;
        }
        const ssize_t got = recv(m_socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got == 0) return ReadStatus::Closed;
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return ReadStatus::Closed;
        }
        m_pending.append(chunk, static_cast<std::size_t>(got));
    }
}

void PeerLine::FinishSending() {
    shutdown(m_socket, SHUT_WR);
}

void PeerLine::HoldUntilClosed(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char chunk[4096];
    while (WaitFor(POLLIN, timeoutMs == kForever ? kForever : RemainingMs(deadline)) ==
           Ready::Yes) {
        const ssize_t got = recv(m_socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            return;
    }
}

}  // namespace znlservice

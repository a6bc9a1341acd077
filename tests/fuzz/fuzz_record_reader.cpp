// Arbitrary bytes from a peer, through the record reader and the field readers. The reader works on
// a buffer of exactly the login reader's size, so any write past it is caught; every record it
// returns must be one whole record as its length field tells.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "core/clientsock.h"
#include "core/timedread.h"
#include "core/windowmessages.h"
#include "protocol/wirerecord.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/messagewindow.h"

namespace {

constexpr int kBufferSize = 1000;
constexpr int kPrefixSize = 12;

void Require(bool condition) {
    if (!condition) std::abort();
}

// A listening socket on 127.0.0.1 for the whole run.
class Listener {
public:
    Listener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        Require(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0);
        Require(::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        Require(::listen(m_fd, 8) == 0);
        m_port = ntohs(address.sin_port);
    }
    int Port() const { return m_port; }
    int Accept() const { return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC); }

private:
    int m_fd = -1;
    int m_port = 0;
};

// GetIntField is atoi of the field as if copied into a zeroed scratch, saturated to int.
void CheckFieldReaders(const char* bytes, size_t size) {
    const int width = static_cast<int>(std::min<size_t>(size, 24));
    const std::string field(bytes, static_cast<size_t>(width));
    const long long expected = std::strtoll(field.c_str(), nullptr, 10);
    Require(GetIntField(bytes, 0, width) == std::clamp<long long>(expected, INT_MIN, INT_MAX));
    const std::string text = GetTextField(bytes, 0, width);
    Require(text == field.c_str());
}

void FeedReader(const Listener& listener, const char* bytes, size_t size) {
    MessageWindow owner;
    bool answered = false;
    owner.Bind(WM_SOCK_CONNECT, [&](WPARAM, LPARAM) {
        answered = true;
        return LRESULT{0};
    });
    CClientSock sock;
    sock.m_hOwner = owner.Handle();
    Require(sock.Create() && sock.Connect("127.0.0.1", listener.Port()));
    while (!answered) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Require(sock.m_bConnected == 1);
    const int peer = listener.Accept();
    Require(peer >= 0);
    Require(::send(peer, bytes, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size));
    ::shutdown(peer, SHUT_WR);

    const auto buffer = std::make_unique<char[]>(kBufferSize);
    ManualResetEvent pause;
    // The peer has closed, so every pause waits on the event: setting it over and over ends them at
    // once. What is fuzzed is the handling of the bytes, not the waiting.
    std::atomic<bool> reading{true};
    std::thread pulse([&] {
        while (reading) {
            pause.Set();
            std::this_thread::yield();
        }
    });
    int waiting = 0;
    // Once every byte has been taken a further read would only wait out its silence.
    while (::ioctl(sock.Handle(), FIONREAD, &waiting) == 0 && waiting > 0) {
        const int count = TimedRead(&sock, buffer.get(), 0, 0, &pause, kBufferSize);
        if (count == 0) break;
        Require(count > kPrefixSize && count <= kBufferSize && buffer[0] == 'Z');
        Require(GetIntField(buffer.get(), 4, 8) == count);
        Require(GetTextField(buffer.get(), 16, count - 16).size() <=
                static_cast<size_t>(count - 16));
    }
    reading = false;
    pulse.join();
    ::close(peer);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    std::setlocale(LC_ALL, "C");  // strtoll, the field readers' reference, in the plain C locale
    platform::SetTimeScaleForTests(0.001);  // pauses of 1 ms at most
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const Listener listener;
    const char* bytes = reinterpret_cast<const char*>(data);
    CheckFieldReaders(bytes, size);
    FeedReader(listener, bytes, size);
    return 0;
}

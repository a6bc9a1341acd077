#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "core/clientsock.h"
#include "core/windowmessages.h"
#include "loopbackpeer.h"
#include "platform/clock.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

using namespace nettest;
using testsupport::WaitUntil;
using testsupport::WriteAllBytes;

namespace {

constexpr int kLimitMs = 15000;

std::string ReceiveAll(CClientSock& sock, int len) {
    std::string bytes(static_cast<size_t>(len), '\0');
    const int got = sock.Receive(bytes.data(), len);
    bytes.resize(static_cast<size_t>(got > 0 ? got : 0));
    return bytes;
}

}  // namespace

TEST(ClientSockConnect, EachAttemptGetsExactlyOneNotificationAndNeverInsideConnect) {
    LoopbackListener listener;
    struct Case {
        const char* address;
        int port;
        int connected;
        bool created = true;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1", listener.Port(), 1},
        {"localhost", listener.Port(), 1},  // resolved off the UI thread
        {"127.0.0.1", RefusingPort(), 0},
        {"no-such-host.invalid", listener.Port(), 0},
        {"127.0.0.1", 0, 0},
        {"127.0.0.1", 70000, 0},
        {"127.0.0.1", listener.Port(), 0, false},  // no socket: Create failed or was not called
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address) + ":" + std::to_string(c.port) +
                     (c.created ? "" : " without a socket"));
        RecordingOwner owner;
        CClientSock sock;
        owner.watched = &sock;
        sock.owner = owner.Handle();
        sock.slot = 52;
        sock.group = 1;
        if (c.created) {
            ASSERT_TRUE(sock.Create());
        }
        sock.Connect(c.address, c.port);
        EXPECT_FALSE(sock.Connect(c.address, c.port)) << "one attempt per socket";
        EXPECT_TRUE(owner.messages.empty());
        ASSERT_TRUE(WaitUntil([&] { return !owner.messages.empty(); }, kLimitMs));
        RunEventsFor(50);
        ASSERT_EQ(owner.messages.size(), 1u);
        EXPECT_EQ(owner.messages[0].message, WM_SOCK_CONNECT);
        EXPECT_EQ(owner.messages[0].wParam, 52u);
        EXPECT_EQ(owner.messages[0].lParam, 1);
        EXPECT_EQ(owner.messages[0].connected, c.connected);
        if (c.connected) ::close(listener.Accept());
    }
}

TEST(ClientSockConnect, NotificationsStillQueuedDieWithTheSocket) {
    RecordingOwner owner;
    for (const char* address : {"127.0.0.1", "no-such-host.invalid"}) {
        auto sock = std::make_unique<CClientSock>();
        sock->owner = owner.Handle();
        ASSERT_TRUE(sock->Create());
        sock->Connect(address, RefusingPort());
        sock.reset();
    }
    RunEventsFor(300);
    EXPECT_TRUE(owner.messages.empty());
}

TEST(ClientSockNotifications, TheOwnerMayDeleteTheSocketInsideAnyNotification) {
    {  // a failed connect, as the form handles it
        RecordingOwner owner;
        auto* sock = new CClientSock;
        sock->owner = owner.Handle();
        owner.onMessage = [&](UINT) { delete sock; };
        ASSERT_TRUE(sock->Create());
        sock->Connect("127.0.0.1", RefusingPort());
        ASSERT_TRUE(WaitUntil([&] { return owner.Count(WM_SOCK_CONNECT) == 1; }, kLimitMs));
        RunEventsFor(50);
        EXPECT_EQ(owner.messages.size(), 1u);
    }
    for (UINT deleteOn : {WM_SOCK_RECEIVE, WM_SOCK_CLOSE}) {
        ConnectedPair pair;
        ASSERT_TRUE(pair.Open());
        pair.owner.watched = nullptr;
        CClientSock* sock = pair.sock.release();
        pair.owner.onMessage = [&](UINT message) {
            if (message == deleteOn) delete sock;
        };
        if (deleteOn == WM_SOCK_RECEIVE) WriteAllBytes(pair.peer, "data");
        ::shutdown(pair.peer, SHUT_WR);
        ASSERT_TRUE(WaitUntil([&] { return pair.owner.Count(deleteOn) == 1; }, kLimitMs));
        RunEventsFor(50);
        EXPECT_EQ(pair.owner.messages.size(), 2u);
    }
}

TEST(ClientSockNotifications, ReadIsNotifiedOnceUntilTheOwnerReceivesOrAThreadAsksAgain) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    CClientSock& sock = *pair.sock;
    auto receives = [&] { return pair.owner.Count(WM_SOCK_RECEIVE); };

    WriteAllBytes(pair.peer, "abcdef");
    ASSERT_TRUE(WaitUntil([&] { return receives() == 1; }, kLimitMs));
    RunEventsFor(100);
    EXPECT_EQ(receives(), 1) << "data still waiting must not repeat the notification";

    EXPECT_EQ(ReceiveAll(sock, 1), "a");  // on the owner's thread: re-armed
    ASSERT_TRUE(WaitUntil([&] { return receives() == 2; }, kLimitMs));

    // A reception thread reads on by itself: its receives, even one that empties the line, wake
    // nobody; it asks for the notification before it waits.
    std::string fromThread;
    std::thread([&] { fromThread = ReceiveAll(sock, 1); }).join();
    EXPECT_EQ(fromThread, "b");
    std::thread([&] { fromThread = ReceiveAll(sock, 100); }).join();
    EXPECT_EQ(fromThread, "cdef");
    WriteAllBytes(pair.peer, "g");
    RunEventsFor(100);
    EXPECT_EQ(receives(), 2) << "a reading thread is not announced its own data";

    std::thread([&] { sock.ArmReadNotification(); }).join();
    ASSERT_TRUE(WaitUntil([&] { return receives() == 3; }, kLimitMs));
    EXPECT_EQ(pair.owner.Count(WM_SOCK_CLOSE), 0);
}

TEST(ClientSockNotifications, AThreadThatFindsTheLineEndedHasTheCloseNotified) {
    ConnectedPair pair;
    ASSERT_TRUE(pair.Open());
    CClientSock& sock = *pair.sock;
    WriteAllBytes(pair.peer, "x");
    ASSERT_TRUE(WaitUntil([&] { return pair.owner.Count(WM_SOCK_RECEIVE) == 1; }, kLimitMs));
    ::shutdown(pair.peer, SHUT_WR);
    std::string fromThread;
    std::thread([&] { fromThread = ReceiveAll(sock, 100); }).join();
    EXPECT_EQ(fromThread, "x");
    int atEnd = -1;
    std::thread([&] {
        char byte = 0;
        atEnd = sock.Receive(&byte, 1);
    }).join();
    EXPECT_EQ(atEnd, 0);
    ASSERT_TRUE(WaitUntil([&] { return pair.owner.Count(WM_SOCK_CLOSE) == 1; }, kLimitMs));
}

TEST(ClientSockNotifications, CloseIsNotifiedOnceAfterTheDataBeforeItHasBeenRead) {
    for (const std::string data : {"", "abc"}) {
        SCOPED_TRACE("data before the close: \"" + data + "\"");
        ConnectedPair pair;
        ASSERT_TRUE(pair.Open());
        CClientSock& sock = *pair.sock;
        char byte = 0;
        errno = 0;
        EXPECT_EQ(sock.Receive(&byte, 1), SOCKET_ERROR);
        EXPECT_EQ(errno, EAGAIN);

        WriteAllBytes(pair.peer, data);
        ::shutdown(pair.peer, SHUT_WR);
        if (!data.empty()) {
            ASSERT_TRUE(
                WaitUntil([&] { return pair.owner.Count(WM_SOCK_RECEIVE) == 1; }, kLimitMs));
            RunEventsFor(100);
            EXPECT_EQ(pair.owner.Count(WM_SOCK_CLOSE), 0) << "unread data comes first";
            EXPECT_EQ(ReceiveAll(sock, 100), data);
        }
        ASSERT_TRUE(WaitUntil([&] { return pair.owner.Count(WM_SOCK_CLOSE) == 1; }, kLimitMs));
        const SockMessage& close = pair.owner.messages.back();
        EXPECT_EQ(close.message, WM_SOCK_CLOSE);
        EXPECT_EQ(close.wParam, 57u);
        EXPECT_EQ(close.lParam, 1);
        EXPECT_EQ(close.connected, 0);
        EXPECT_EQ(sock.Receive(&byte, 1), 0);
        RunEventsFor(100);
        EXPECT_EQ(pair.owner.Count(WM_SOCK_CLOSE), 1);
        EXPECT_EQ(pair.owner.Count(WM_SOCK_RECEIVE), data.empty() ? 0 : 1);
    }
}

class ClientSockSend : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pair.Open());
        // A small send buffer: the record goes out in many partial sends.
        ::setsockopt(pair.sock->Handle(), SOL_SOCKET, SO_SNDBUF, &kSmallBuffer,
                     sizeof kSmallBuffer);
    }
    void TearDown() override { platform::SetTimeScaleForTests(1.0); }

    static constexpr int kSmallBuffer = 4096;
    ConnectedPair pair;
    const std::string record = std::string(600000, 'r') + "end";
};

// A small answer goes out at once, also right after another one the server has not acknowledged.
TEST_F(ClientSockSend, SmallAnswersAreNotHeldBack) {
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    ASSERT_EQ(::getsockopt(pair.sock->Handle(), IPPROTO_TCP, TCP_NODELAY, &noDelay, &size), 0);
    EXPECT_NE(noDelay, 0);
}

TEST_F(ClientSockSend, EveryByteGoesOutThroughAFullLine) {
    std::string arrived;
    std::thread reader([&] {
        char chunk[1000];
        while (arrived.size() < record.size()) {
            const ssize_t n = ::recv(pair.peer, chunk, sizeof chunk, 0);
            if (n <= 0) return;
            arrived.append(chunk, static_cast<size_t>(n));
        }
    });
    EXPECT_EQ(pair.sock->Send(record.data(), static_cast<int>(record.size())),
              static_cast<int>(record.size()));
    reader.join();
    EXPECT_TRUE(arrived == record);
}

TEST_F(ClientSockSend, AFullLineFailsTheSendOnAStopOrAfterABoundedWait) {
    // Nobody reads, and a small receive buffer lets the line fill up. With a stop flag the send
    // ends at once; without one only the bounded wait ends it, shortened here by scaling time.
    ::setsockopt(pair.peer, SOL_SOCKET, SO_RCVBUF, &kSmallBuffer, sizeof kSmallBuffer);
    enum class Stop { Socket, Run, None };
    for (const Stop stop : {Stop::Socket, Stop::Run, Stop::None}) {
        platform::SetTimeScaleForTests(stop != Stop::None ? 100.0 : 0.05);
        pair.sock->stop = stop == Stop::Socket;
        *pair.runStop = stop == Stop::Run;
        EXPECT_EQ(pair.sock->Send(record.data(), static_cast<int>(record.size())), SOCKET_ERROR);
        pair.sock->stop = false;
        *pair.runStop = false;
    }
}

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/messagewindow.h"
#include "support/testfolder.h"

using testsupport::WaitUntil;

namespace {
constexpr UINT kEcho = WM_USER + 1;
}

TEST(MessageWindow, SendOnOwnThreadRunsHandlerAtOnceAndUnknownAnswersZero) {
    MessageWindow window;
    int calls = 0;
    window.Bind(kEcho, [&](WPARAM w, LPARAM l) {
        ++calls;
        return static_cast<LRESULT>(w) + l;
    });
    EXPECT_EQ(SendMessage(window.Handle(), kEcho, 40, 2), 42);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(SendMessage(window.Handle(), kEcho + 1, 1, 1), 0);
}

TEST(MessageWindow, SendFromAnotherThreadBlocksUntilTheWindowThreadHandledIt) {
    MessageWindow window;
    std::atomic<bool> handled{false};
    std::thread::id handlerThread;
    window.Bind(kEcho, [&](WPARAM w, LPARAM) {
        handlerThread = std::this_thread::get_id();
        handled = true;
        return static_cast<LRESULT>(w * 2);
    });
    std::atomic<LRESULT> answer{-1};
    std::atomic<bool> returned{false};
    bool handledWhenReturned = false;
    std::thread sender([&] {
        answer = SendMessage(window.Handle(), kEcho, 21, 0);
        handledWhenReturned = handled;
        returned = true;
    });
    // The sender cannot return while this thread does not run its event loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    ASSERT_TRUE(WaitUntil([&] { return returned.load(); }));
    sender.join();
    EXPECT_TRUE(handledWhenReturned);
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
}

TEST(MessageWindow, SendToADestroyedWindowAnswersZeroAtOnce) {
    HWND gone;
    {
        MessageWindow window;
        window.Bind(kEcho, [](WPARAM, LPARAM) { return LRESULT{7}; });
        gone = window.Handle();
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_EQ(SendMessage(gone, kEcho, 0, 0), 0);
    std::atomic<LRESULT> fromThread{-1};
    std::thread([&] { fromThread = SendMessage(gone, kEcho, 0, 0); }).join();
    EXPECT_EQ(fromThread, 0);
    EXPECT_FALSE(PostMessage(gone, kEcho, 0, 0));
}

TEST(MessageWindow, SenderBlockedOnAWindowThatDiesIsReleasedWithZero) {
    auto* window = new MessageWindow;
    window->Bind(kEcho, [](WPARAM, LPARAM) { return LRESULT{7}; });
    std::atomic<LRESULT> answer{-1};
    std::thread sender([&] { answer = SendMessage(window->Handle(), kEcho, 0, 0); });
    // Wait until the send is queued, then destroy the window without running the loop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    delete window;
    sender.join();
    EXPECT_EQ(answer, 0);
}

TEST(MessageWindow, PostQueuesUntilTheLoopRuns) {
    MessageWindow window;
    std::vector<WPARAM> seen;
    window.Bind(kEcho, [&](WPARAM w, LPARAM) {
        seen.push_back(w);
        return LRESULT{0};
    });
    ASSERT_TRUE(PostMessage(window.Handle(), kEcho, 1, 0));
    ASSERT_TRUE(PostMessage(window.Handle(), kEcho, 2, 0));
    EXPECT_TRUE(seen.empty());
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2}));
}

// A reception thread hands over texts and tasks without waiting for a busy window thread; they
// arrive in order with the plain posts, and a window that goes first takes them with it.
TEST(MessageWindow, PostedTextsAndTasksArriveInOrderWithoutTheSenderWaiting) {
    auto window = std::make_unique<MessageWindow>();
    std::vector<std::string> seen;
    window->Bind(kEcho, [&](WPARAM w, LPARAM l) {
        seen.push_back(w == 0 ? *reinterpret_cast<const std::string*>(l) : std::to_string(l));
        return LRESULT{0};
    });
    std::thread sender([&] {
        PostText(window->Handle(), kEcho, 0, "파일 수신 완료!");
        PostMessage(window->Handle(), kEcho, 1, 42);
        PostText(window->Handle(), kEcho, 0, std::string(1000, 'x'));
    });
    sender.join();  // returned while this thread ran no loop
    EXPECT_TRUE(seen.empty());
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"파일 수신 완료!", "42", std::string(1000, 'x')}));

    // A task runs on the window's thread, in order with the messages.
    std::thread::id ranOn;
    std::thread([&] {
        PostText(window->Handle(), kEcho, 0, "before the task");
        PostTask(window->Handle(), [&] {
            ranOn = std::this_thread::get_id();
            seen.push_back("task");
        });
    }).join();
    ASSERT_TRUE(WaitUntil([&] { return seen.size() == 5; }));
    EXPECT_EQ(seen[3], "before the task");
    EXPECT_EQ(seen[4], "task");
    EXPECT_EQ(ranOn, std::this_thread::get_id());

    PostText(window->Handle(), kEcho, 0, "never handled");  // freed with the window (asan)
    const HWND gone = window->Handle();
    window.reset();
    EXPECT_FALSE(PostText(gone, kEcho, 0, "nobody"));
    bool ran = false;
    EXPECT_FALSE(PostTask(gone, [&] { ran = true; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(WindowTimer, RepeatsUntilKilledAndSettingARunningIdRestartsIt) {
    MessageWindow window;
    std::vector<UINT> ticks;
    window.BindTimer([&](UINT id) { ticks.push_back(id); });

    window.SetTimer(5, 20);
    ASSERT_TRUE(WaitUntil([&] { return ticks.size() >= 2; }));
    window.KillTimer(5);
    EXPECT_FALSE(window.IsTimerSet(5));
    size_t afterKill = ticks.size();
    WaitUntil([] { return false; }, 80);
    EXPECT_EQ(ticks.size(), afterKill);

    // Setting the id again before it expires restarts its period from that moment.
    ticks.clear();
    window.SetTimer(6, 400);
    WaitUntil([] { return false; }, 100);
    QElapsedTimer sinceRestart;
    sinceRestart.start();
    window.SetTimer(6, 400);
    ASSERT_TRUE(WaitUntil([&] { return !ticks.empty(); }));
    EXPECT_GE(sinceRestart.elapsed(), 360);
    EXPECT_EQ(ticks.front(), 6u);
}

TEST(WindowTimer, TestTimeScaleShortensPeriods) {
    platform::SetTimeScaleForTests(0.01);
    EXPECT_EQ(platform::ScaledMilliseconds(5000), 50);
    EXPECT_EQ(platform::ScaledMilliseconds(10), 1);
    platform::SetTimeScaleForTests(1.0);
    EXPECT_EQ(platform::ScaledMilliseconds(5000), 5000);
}

TEST(ManualResetEvent, StaysSignalledUntilResetAndWakesAWaiter) {
    ManualResetEvent event;
    EXPECT_FALSE(event.Wait(std::chrono::milliseconds(10)));
    event.Set();
    EXPECT_TRUE(event.Wait(std::chrono::milliseconds(0)));
    EXPECT_TRUE(event.Wait(std::chrono::milliseconds(0)));
    event.Reset();
    EXPECT_FALSE(event.Wait(std::chrono::milliseconds(0)));

    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.Wait(std::chrono::seconds(30)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke);
}

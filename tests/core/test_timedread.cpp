#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <QDeadlineTimer>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/clientsock.h"
#include "core/timedread.h"
#include "loopbackpeer.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

using namespace nettest;
using testsupport::ServerRecord;
using testsupport::WaitUntil;
using testsupport::WriteAllBytes;

namespace {

constexpr int kSlot = 57;
constexpr int kLimitMs = 20000;
// Time scales: short pauses for the reads that must end in a time-out; pauses of 4 s where a
// pause that data does not cut short would overrun the test's limit.
constexpr double kQuickPauses = 0.05;
constexpr double kLongPauses = 100.0;

// What is left of one limit shared by a sequence of waits, which a few pauses of 4 s that data
// failed to end would overrun.
int RemainingMs(const QDeadlineTimer& limit) {
    return static_cast<int>(limit.remainingTime());
}

class TimedReadTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(pair.Open()); }
    void TearDown() override {
        StopReading();
        platform::SetTimeScaleForTests(1.0);
    }

    int Read(CClientSock& sock, int bufferSize) {
        buffer.assign(static_cast<size_t>(bufferSize) + kGuard, kUntouched);
        return TimedRead(&sock, buffer.data(), kSlot, 0, &pause, bufferSize);
    }
    int Read(int bufferSize = 1000) { return Read(*pair.sock, bufferSize); }
    std::string InBuffer(int count) const {
        return std::string(buffer.data(), static_cast<size_t>(count));
    }
    std::string TimeOutLine(int count) const {
        return "[파일 전송 서버][57] Read TimeOut![" + std::to_string(count) + "]";
    }

    // Runs Read on a thread of its own, as a reception thread does.
    void StartReading(CClientSock& sock) {
        done = false;
        reader = std::thread([this, &sock] {
            result = Read(sock, 1000);
            done = true;
        });
    }
    void StartReading() { StartReading(*pair.sock); }
    int AwaitReading() {
        EXPECT_TRUE(WaitUntil([&] { return done.load(); }, kLimitMs));
        StopReading();
        return result;
    }
    // Ends a read that hangs (a failed test) before joining it.
    void StopReading() {
        if (!reader.joinable()) return;
        if (!done) {
            *pair.runStop = true;
            WaitUntil([&] { return done.load(); }, kLimitMs);
        }
        reader.join();
    }

    static constexpr size_t kGuard = 64;
    static constexpr char kUntouched = '#';

    ConnectedPair pair;
    ManualResetEvent pause;
    std::vector<char> buffer;
    std::thread reader;
    std::atomic<int> result{-1};
    std::atomic<bool> done{false};
};

TEST_F(TimedReadTest, RecordsSentBackToBackComeOnePerCall) {
    const std::string first = ServerRecord(2002, std::string(300, 'a'));
    const std::string second = ServerRecord(2004, "12345");
    WriteAllBytes(pair.peer, first + second);
    ASSERT_EQ(Read(), static_cast<int>(first.size()));
    EXPECT_EQ(InBuffer(static_cast<int>(first.size())), first);
    ASSERT_EQ(Read(), static_cast<int>(second.size()));
    EXPECT_EQ(InBuffer(static_cast<int>(second.size())), second);
    EXPECT_TRUE(pair.owner.logLines.empty());
    EXPECT_EQ(pair.sock->stop.load(), false);
}

TEST_F(TimedReadTest, ARecordInManyPiecesIsAssembledAsThePiecesArrive) {
    // Each piece arrives while the reader pauses; only a pause that data ends early lets the read
    // finish within the limit.
    platform::SetTimeScaleForTests(kLongPauses);
    const std::string record = ServerRecord(2002, "a body cut into pieces of three bytes");
    const QDeadlineTimer limit(kLimitMs);
    StartReading();
    for (size_t at = 0; at < record.size(); at += 3) {
        WriteAllBytes(pair.peer, record.substr(at, 3));
        ASSERT_TRUE(WaitUntilConsumed(pair.peer, pair.sock->Handle(), RemainingMs(limit)));
    }
    ASSERT_EQ(AwaitReading(), static_cast<int>(record.size()));
    EXPECT_EQ(InBuffer(static_cast<int>(record.size())), record);
}

TEST_F(TimedReadTest, ASenderThatAwaitsEachAnswerIsServedAtTheLinesPace) {
    // The reception thread's exchange: read a record, answer it, read the next. No record may
    // wait out a pause.
    platform::SetTimeScaleForTests(kLongPauses);
    constexpr int kRecords = 40;
    reader = std::thread([this] {
        for (int i = 0; i < kRecords && !*pair.runStop; ++i) {
            const int count = Read();
            const std::string answer = ServerRecord(2002, count > 0 ? "Y" : "N");
            pair.sock->Send(answer.data(), static_cast<int>(answer.size()));
        }
        done = true;
    });
    const QDeadlineTimer limit(kLimitMs);
    int answered = 0;
    for (int i = 0; i < kRecords; ++i) {
        WriteAllBytes(pair.peer, ServerRecord(2002, "sub-block " + std::to_string(i)));
        const std::string expected = ServerRecord(2002, "Y");
        std::string answer(expected.size(), '\0');
        pollfd readable{pair.peer, POLLIN, 0};
        if (::poll(&readable, 1, RemainingMs(limit)) != 1) break;
        if (::recv(pair.peer, answer.data(), answer.size(), MSG_WAITALL) !=
                static_cast<ssize_t>(answer.size()) ||
            answer != expected) {
            break;
        }
        ++answered;
    }
    if (answered < kRecords) *pair.runStop = true;
    AwaitReading();
    EXPECT_EQ(answered, kRecords);
}

TEST_F(TimedReadTest, APieceThatDoesNotStartWithTheMagicIsDropped) {
    platform::SetTimeScaleForTests(kLongPauses);
    const std::string record = ServerRecord(2001, "header body");
    StartReading();
    WriteAllBytes(pair.peer, "xZNLA0000");  // carries record bytes, dropped whole all the same
    ASSERT_TRUE(WaitUntilConsumed(pair.peer, pair.sock->Handle()));
    WriteAllBytes(pair.peer, record);
    ASSERT_EQ(AwaitReading(), static_cast<int>(record.size()));
    EXPECT_EQ(InBuffer(static_cast<int>(record.size())), record);
    EXPECT_TRUE(pair.owner.logLines.empty());
}

TEST_F(TimedReadTest, BytesThenSilenceTimeOutWithTheLineAndTheStopFlag) {
    platform::SetTimeScaleForTests(kQuickPauses);
    const std::string record = ServerRecord(2002, std::string(40, 'b'));
    struct Case {
        const char* what;
        std::string sent;
        int bufferSize;
        int countInLine;
        int leftUnread;  // bytes the read must not take off the line
    };
    const std::vector<Case> cases = {
        {"half a record", record.substr(0, 30), 1000, 30, 0},
        {"length of the header alone", "ZNLA000000122002" + record, 1000, 12,
         4 + int(record.size())},
        {"length below the header", "ZNLA00000005ab", 1000, 12, 2},
        {"length not a number", "ZNLAabcdefgh" + record, 1000, 12, int(record.size())},
        {"negative length", "ZNLA-0000020" + record, 1000, 12, int(record.size())},
        {"record longer than the buffer", record, int(record.size()) - 1, 12,
         int(record.size()) - 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pair.sock->stop = false;
        pair.owner.logLines.clear();
        WriteAllBytes(pair.peer, c.sent);
        ASSERT_TRUE(
            WaitUntil([&] { return BytesWaiting(pair.sock->Handle()) == int(c.sent.size()); }));
        EXPECT_EQ(Read(c.bufferSize), 0);
        EXPECT_EQ(pair.owner.logLines, std::vector<std::string>{TimeOutLine(c.countInLine)});
        EXPECT_EQ(pair.sock->stop.load(), true);
        EXPECT_EQ(BytesWaiting(pair.sock->Handle()), c.leftUnread);
        EXPECT_EQ(std::string(buffer.end() - kGuard, buffer.end()),
                  std::string(kGuard, kUntouched));
        // Drain what was left, for the next case.
        std::vector<char> rest(static_cast<size_t>(c.leftUnread) + 1);
        if (c.leftUnread > 0) pair.sock->Receive(rest.data(), c.leftUnread);
    }
}

TEST_F(TimedReadTest, SilenceGivesZeroWithoutLineOrStopFlag) {
    platform::SetTimeScaleForTests(kQuickPauses);
    EXPECT_EQ(Read(), 0);
    EXPECT_TRUE(pair.owner.logLines.empty());
    EXPECT_EQ(pair.sock->stop.load(), false);
}

TEST_F(TimedReadTest, AStopFromAnotherThreadEndsTheReadWithTheBytesSoFar) {
    // Pauses of 400 ms: a stop ends the read within one, the time-out would take twenty seconds.
    platform::SetTimeScaleForTests(10.0);
    for (bool global : {false, true}) {
        SCOPED_TRACE(global ? "the run's stop" : "stop");
        ConnectedPair line;
        ASSERT_TRUE(line.Open());
        const std::string part = ServerRecord(2002, std::string(20, 'c')).substr(0, 14);
        StartReading(*line.sock);
        WriteAllBytes(line.peer, part);
        EXPECT_TRUE(WaitUntilConsumed(line.peer, line.sock->Handle()));
        if (global) {
            *line.runStop = true;
        } else {
            line.sock->stop = true;
        }
        EXPECT_EQ(AwaitReading(), 14);
        EXPECT_EQ(InBuffer(14), part);
        EXPECT_TRUE(pair.owner.logLines.empty());
        EXPECT_EQ(line.sock->stop.load(), !global);
    }
}

TEST_F(TimedReadTest, PausesThatDataCannotEndRunTheirFullLength) {
    // A closed socket stays readable, and so does one whose next bytes the read will never ask
    // for: a read that waited on readability there would poll 52 times at once and log the
    // time-out before the events below have run.
    platform::SetTimeScaleForTests(kLongPauses);
    struct Case {
        const char* what;
        std::string sent;
        bool closeAfter;
        int count;
    };
    const std::vector<Case> cases = {
        {"peer closed part-way", "ZNLA0000", true, 8},
        {"length field of 12 with bytes behind it", "ZNLA00000012" + ServerRecord(2002, ""), false,
         12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConnectedPair line;
        ASSERT_TRUE(line.Open());
        WriteAllBytes(line.peer, c.sent);
        if (c.closeAfter) ::shutdown(line.peer, SHUT_WR);
        StartReading(*line.sock);
        RunEventsFor(200);
        EXPECT_FALSE(done);
        EXPECT_TRUE(pair.owner.logLines.empty());
        line.sock->stop = true;
        pause.Set();  // ends the pause now, instead of after 4 s
        EXPECT_EQ(AwaitReading(), c.count);
        EXPECT_TRUE(pair.owner.logLines.empty());
    }
}

TEST_F(TimedReadTest, TheSharedReadReportsHowItEndedAndMayIgnoreTheSocketFlag) {
    // A reader that logs on its own terms (the login connection's) ignores stop.
    platform::SetTimeScaleForTests(kQuickPauses);
    pair.sock->stop = true;
    const RecordReadOptions loginReader{100, false};
    const std::string record = ServerRecord(1002, "Y");
    struct Case {
        std::string sent;
        bool globalStop;
        RecordReadEnd end;
        int count;
    };
    const std::vector<Case> cases = {
        {record, false, RecordReadEnd::Complete, int(record.size())},
        {"", false, RecordReadEnd::Silence, 0},
        {"ZNLA0000", false, RecordReadEnd::TimedOut, 8},
        {"ZNLA00000101", false, RecordReadEnd::TooLong, 12},
        {"ZNLA", true, RecordReadEnd::Stopped, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        std::vector<char> answer(100, 0);
        WriteAllBytes(pair.peer, c.sent);
        ASSERT_TRUE(
            WaitUntil([&] { return BytesWaiting(pair.sock->Handle()) == int(c.sent.size()); }));
        *pair.runStop = c.globalStop;
        const RecordReadResult got = ReadRecord(*pair.sock, answer.data(), 0, pause, loginReader);
        *pair.runStop = false;
        EXPECT_EQ(got.end, c.end);
        EXPECT_EQ(got.count, c.count);
        if (c.globalStop) pair.sock->Receive(answer.data(), int(c.sent.size()));
    }
    EXPECT_TRUE(pair.owner.logLines.empty());
}

}  // namespace

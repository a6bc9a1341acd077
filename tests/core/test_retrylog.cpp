// The pause of a reconnect loop, and the merging of identical activity lines: in themselves, and in
// the session's message log and on its faces.
#include <gtest/gtest.h>

#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/clientsession.h"
#include "core/msglog.h"
#include "core/repeatedlines.h"
#include "core/retrypause.h"
#include "core/sessiontimers.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::TestFolder;

namespace {

// Every line of every message log below the program folder, in the order written.
std::vector<std::string> MessageLogLines(const fs::path& logHome) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(LogRoot(logHome))) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> lines;
    for (const fs::path& file : files) {
        const std::string text = testsupport::ReadFileBytes(file);
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            lines.push_back(text.substr(at, end - at));
        }
    }
    return lines;
}

}  // namespace

TEST(RetryPause, DoublesFromTheFirstPauseUpToAMinuteAndStartsAgainAfterASuccess) {
    const struct {
        int firstMs;
        std::vector<int> pauses;
    } cases[] = {
        {2000, {2000, 4000, 8000, 16000, 32000, 60000, 60000}},
        {1000, {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}},
        {90000, {60000, 60000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.firstMs);
        RetryPause retry;
        std::vector<int> pauses;
        for (std::size_t i = 0; i < c.pauses.size(); ++i) pauses.push_back(retry.Fail(c.firstMs));
        EXPECT_EQ(pauses, c.pauses);
        EXPECT_EQ(retry.Failures(), static_cast<int>(c.pauses.size()));
        EXPECT_EQ(retry.PauseMs(), c.pauses.back());
        retry.Reset();
        EXPECT_EQ(retry.Failures(), 0);
        EXPECT_EQ(retry.Fail(c.firstMs), c.pauses.front());
    }
}

TEST(RetryPause, OnlyTheFirstFailureOfARunOrOneOfAnotherKindIsAChange) {
    RetryPause retry;
    const struct {
        int kind;
        bool changed;
    } steps[] = {{1, true}, {1, false}, {1, false}, {2, true}, {2, false}, {1, true}};
    for (const auto& step : steps) {
        retry.Fail(1000, step.kind);
        EXPECT_EQ(retry.Changed(), step.changed) << retry.Failures();
    }
    // The kind changes what is told, never the pause: it keeps growing.
    EXPECT_EQ(retry.PauseMs(), 32000);
    retry.Reset();
    retry.Fail(1000, 1);
    EXPECT_TRUE(retry.Changed());
}

TEST(RepeatedLines, ARunIsWrittenOnceThenAsOneCountedLineWhenItEndsAMinuteOnOrAtAFlush) {
    RepeatedLines lines;
    auto texts = [](const std::vector<TimedLine>& written) {
        std::vector<std::string> result;
        for (const TimedLine& line : written) result.push_back(line.text);
        return result;
    };
    EXPECT_EQ(texts(lines.Add(100, "a")), std::vector<std::string>{"a"});
    for (std::time_t t = 101; t <= 136; ++t) EXPECT_TRUE(lines.Add(t, "a").empty()) << t;
    EXPECT_FALSE(lines.Due(159).has_value());
    const std::vector<TimedLine> ended = lines.Add(140, "b");
    EXPECT_EQ(texts(ended), (std::vector<std::string>{"a (36회 반복)", "b"}));
    EXPECT_EQ(ended.front().when, 136);  // the time of the last of them
    EXPECT_FALSE(lines.Flush().has_value());

    // A run that goes on is written a minute after its first repeat, by the clock or by the next
    // repeat, and counted afresh from there.
    EXPECT_TRUE(lines.Add(141, "b").empty());
    EXPECT_TRUE(lines.Add(150, "b").empty());
    EXPECT_FALSE(lines.Due(200).has_value());
    const std::optional<TimedLine> due = lines.Due(201);
    ASSERT_TRUE(due.has_value());
    EXPECT_EQ(due->text, "b (2회 반복)");
    EXPECT_TRUE(lines.Add(202, "b").empty());
    EXPECT_EQ(texts(lines.Add(262, "b")), std::vector<std::string>{"b (2회 반복)"});
    EXPECT_TRUE(lines.Add(263, "b").empty());
    const std::optional<TimedLine> flushed = lines.Flush();
    ASSERT_TRUE(flushed.has_value());
    EXPECT_EQ(flushed->text, "b (1회 반복)");

    // A clock set back does not hold a count for ever.
    EXPECT_TRUE(lines.Add(300, "b").empty());
    EXPECT_TRUE(lines.Due(100).has_value());
}

TEST(RepeatedLines, TheCountGoesBeforeTheLineBreakThatEndsALine) {
    RepeatedLines lines;
    lines.Add(1, "[50]파일 전송 서버 소켓 종료 신호 받음!\n");
    lines.Add(2, "[50]파일 전송 서버 소켓 종료 신호 받음!\n");
    lines.Add(3, "x\r\n");
    lines.Add(4, "x\r\n");
    EXPECT_EQ(lines.Add(5, "y").front().text, "x (1회 반복)\r\n");
    lines.Add(6, "\n");
    lines.Add(7, "\n");
    EXPECT_EQ(lines.Flush()->text, " (1회 반복)\n");
}

// The session's own lines and a reception thread's (WM_LOG_MESSAGE) go through the same merging;
// the faces get exactly what the file gets.
TEST(SessionLog, IdenticalLinesReachTheFileAndTheFacesOnceWithTheirCount) {
    TestFolder module;
    std::time_t now = testsupport::LocalMoment(2026, 3, 2, 10, 0, 0);
    platform::SetClockForTests([&now] { return now; });
    QStringList shown;
    {
        ClientSession session(ProgramFolders::At(module.Path()));
        QObject::connect(&session, &ClientSession::activityLine, &session,
                         [&shown](const QString& line) { shown << line; });
        auto send = [&session](const std::string& line, int times) {
            for (int i = 0; i < times; ++i) {
                SendMessage(session.Handle(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&line));
            }
        };
        send("수신 블럭 에러 1<->2", 1000);
        session.Log("B");
        send("C", 3);
        now += 61;
        session.OnTimer(TIMER_CLOCK);
        send("C", 2);
        session.Stop();
        session.Log("C");  // after the end nothing is held back
    }
    platform::SetClockForTests(nullptr);

    const std::vector<std::string> expected = {
        "[10:00:00] 수신 블럭 에러 1<->2",
        "[10:00:00] 수신 블럭 에러 1<->2 (999회 반복)",
        "[10:00:00] B",
        "[10:00:00] C",
        "[10:00:00] C (2회 반복)",
        "[10:01:01] C (2회 반복)",
        "[10:01:01] C (1회 반복)",
    };
    EXPECT_EQ(MessageLogLines(module.Path()), expected);
    std::vector<std::string> onScreen;
    for (const QString& line : shown) onScreen.push_back(line.toStdString());
    EXPECT_EQ(onScreen, expected);
}

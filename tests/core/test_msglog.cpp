#include <gtest/gtest.h>

#include <cstdlib>

#include "core/msglog.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;

namespace {

// Local times in these tests are UTC, so dates do not depend on the machine's zone.
class MsgLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
    }
    static std::time_t At(int year, int month, int day, int hour, int minute, int second) {
        return testsupport::LocalMoment(year, month, day, hour, minute, second);
    }
    TestFolder m_module;
};

}  // namespace

TEST_F(MsgLogTest, LinesAreAppendedToTheFileOfTheirDayWithCrLf) {
    const std::time_t beforeMidnight = At(2024, 2, 29, 23, 59, 59);
    const std::time_t afterMidnight = At(2024, 3, 1, 0, 0, 1);
    const std::string first = FormatLogLine(beforeMidnight, "first");
    const std::string multiLine = FormatLogLine(beforeMidnight, "two\r\nlines");
    const std::string nextDay = FormatLogLine(afterMidnight, "사진 수신");
    EXPECT_EQ(first, "[23:59:59] first");
    EXPECT_EQ(nextDay, "[00:00:01] 사진 수신");

    ASSERT_TRUE(WriteMsgLog(m_module.Path(), beforeMidnight, first));
    ASSERT_TRUE(WriteMsgLog(m_module.Path(), beforeMidnight, multiLine));
    ASSERT_TRUE(WriteMsgLog(m_module.Path(), afterMidnight, nextDay));

    EXPECT_EQ(ReadFileBytes(m_module.Path() / "logs/20240229/20240229_Msg.txt"),
              "[23:59:59] first\r\n[23:59:59] two\r\nlines\r\n");
    EXPECT_EQ(ReadFileBytes(m_module.Path() / "logs/20240301/20240301_Msg.txt"),
              "[00:00:01] 사진 수신\r\n");
}

TEST_F(MsgLogTest, AnUnwritableLogFolderLosesOnlyTheFileCopy) {
    // A plain file where the log root should be: the day folder cannot be made.
    testsupport::WriteFileBytes(m_module.Path() / "logs", "not a folder");
    EXPECT_FALSE(WriteMsgLog(m_module.Path(), At(2024, 1, 1, 12, 0, 0), "line"));
}

TEST_F(MsgLogTest, TheOldFolderIsTheDayExactlySixtyDaysBack) {
    EXPECT_EQ(OldLogFolder(m_module.Path(), At(2024, 3, 1, 0, 0, 1)),
              m_module.Path() / "logs" / "20240101");
    EXPECT_EQ(OldLogFolder(m_module.Path(), At(2023, 3, 1, 23, 59, 59)),
              m_module.Path() / "logs" / "20221231");
}

TEST_F(MsgLogTest, DeleteFolderTreeRemovesEverythingBelowButNeverFollowsALink) {
    const fs::path outside = m_module.Path() / "outside";
    fs::create_directories(outside);
    testsupport::WriteFileBytes(outside / "keep.jpg", "photo");

    const fs::path day = m_module.Path() / "logs" / "20240101";
    fs::create_directories(day / "nested" / "deeper");
    testsupport::WriteFileBytes(day / "20240101_Msg.txt", "x");
    testsupport::WriteFileBytes(day / "nested" / "deeper" / "f", "y");
    fs::create_directory_symlink(outside, day / "link-to-outside");
    fs::create_symlink(outside / "keep.jpg", day / "nested" / "file-link");

    DeleteFolderTree(day);

    EXPECT_FALSE(fs::exists(fs::symlink_status(day)));
    EXPECT_EQ(ReadFileBytes(outside / "keep.jpg"), "photo");
    EXPECT_TRUE(fs::exists(m_module.Path() / "logs"));

    DeleteFolderTree(m_module.Path() / "logs" / "missing");  // nothing there: nothing happens
    EXPECT_TRUE(fs::exists(m_module.Path() / "logs"));
}

TEST_F(MsgLogTest, DayFolderNamesAreDatesThatExist) {
    for (const char* day : {"20240101", "20240229", "19991231", "20241231"}) {
        EXPECT_TRUE(IsDayFolderName(day)) << day;
    }
    for (const char* other : {"20230229", "20241301", "20240431", "20240100", "2024010",
                              "202401011", "2024-01-01", "abcdefgh", ""}) {
        EXPECT_FALSE(IsDayFolderName(other)) << other;
    }
}

TEST_F(MsgLogTest, EveryDayFolderFromSixtyDaysBackOnIsDeletedAndNothingElse) {
    const fs::path logs = m_module.Path() / "logs";
    const fs::path outside = m_module.Path() / "outside";
    fs::create_directories(outside);
    testsupport::WriteFileBytes(outside / "keep.txt", "x");
    const char* old[] = {"20221231", "20231001", "20231231", "20240101"};  // 20240101: 60 days
    const char* kept[] = {"20240102", "20240301", "20240302", "20231313", "notes", "2023"};
    for (const char* name : old) fs::create_directories(logs / name);
    for (const char* name : kept) fs::create_directories(logs / name);
    for (const fs::directory_entry& day : fs::directory_iterator(logs)) {
        testsupport::WriteFileBytes(day.path() / "a_Msg.txt", "x");
    }
    testsupport::WriteFileBytes(logs / "20200101.txt", "a file, not a folder");
    fs::create_directory_symlink(outside, logs / "20200102");

    const LogCleanUp cleanUp = DeleteOldLogFolders(m_module.Path(), At(2024, 3, 1, 0, 0, 1));

    std::vector<fs::path> expected;
    for (const char* name : old) expected.push_back(logs / name);
    EXPECT_EQ(cleanUp.deleted, expected);
    EXPECT_TRUE(cleanUp.kept.empty());
    for (const char* name : old) EXPECT_FALSE(fs::exists(logs / name)) << name;
    for (const char* name : kept) EXPECT_TRUE(fs::exists(logs / name / "a_Msg.txt")) << name;
    EXPECT_TRUE(fs::exists(logs / "20200101.txt"));
    EXPECT_TRUE(fs::is_symlink(logs / "20200102"));
    EXPECT_EQ(ReadFileBytes(outside / "keep.txt"), "x");

    fs::remove_all(logs);  // no log root at all: nothing to do
    EXPECT_TRUE(DeleteOldLogFolders(m_module.Path(), At(2024, 3, 1, 0, 0, 1)).deleted.empty());
}

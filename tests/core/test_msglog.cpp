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

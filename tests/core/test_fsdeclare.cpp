// The receive file store on its own: number text, splitting, the companion text and resumption.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "core/fsdeclare.h"
#include "protocol/thousands.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

TEST(FileStoreText, FormatThousandsGroupsEveryThreeDigitsIncludingSixtyFourBitValues) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0"},
        {999, "999"},
        {-999, "-999"},
        {1000, "1,000"},
        {-1000, "-1,000"},
        {1234567, "1,234,567"},
        {2147483648LL, "2,147,483,648"},
        {9999999999LL, "9,999,999,999"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(FormatThousands(value), text) << value;
}

TEST(FileStoreText, SplitStringKeepsEmptyPiecesAndGivesNothingForAnEmptyText) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"2019\\Studio", {"2019", "Studio"}},
        {"a\\", {"a", ""}},
        {"\\\\a", {"", "", "a"}},
    };
    std::vector<std::string> list{"left over"};
    for (const auto& [text, pieces] : cases) {
        SplitString(text, '\\', list);
        EXPECT_EQ(list, pieces) << text;
    }
}

class FileStoreTest : public ::testing::Test {
protected:
    // Opens folder/name below the save folder as a file header would.
    bool Open(const std::string& folder, const std::string& name) {
        info = RecvFileInfo{};
        info.folderText = folder;
        info.saveName = name;
        return OpenRecvFolder(info, m_save.Path().string()) && OpenRecvFile(info) == 1;
    }
    void Companion(const std::string& list) {
        WriteCompanionText(list.data(), static_cast<int>(list.size()), info);
    }
    fs::path Save() const { return m_save.Path(); }

    TestFolder m_save;
    RecvFileInfo info;
};

TEST_F(FileStoreTest, CompanionTextIsTheLastTypeOneItemBesideThePhoto) {
    ASSERT_TRUE(Open("2019\\Studio", "a.jpg"));
    const fs::path text = Save() / "2019/Studio/a.txt";
    Companion("02:x,01:first,01:Hello");
    EXPECT_EQ(ReadFileBytes(text), "Hello");
    Companion("02:only another type");
    EXPECT_EQ(ReadFileBytes(text), "Hello");
    // An item too short to carry text empties the file; nothing at all leaves it alone.
    Companion("01");
    EXPECT_TRUE(fs::exists(text));
    EXPECT_EQ(fs::file_size(text), 0u);
    WriteCompanionText("01:unused", 0, info);
    EXPECT_EQ(fs::file_size(text), 0u);
    // The text ends at the first NUL byte of the record.
    Companion(std::string("01:\xBB\xE7\xC1\xF8\0,01:after", 15));
    EXPECT_EQ(ReadFileBytes(text), "사진");
}

TEST_F(FileStoreTest, CompanionNeverReplacesThePhotoAndShortNamesKeepTheirOwn) {
    ASSERT_TRUE(Open("", "note.txt"));
    WriteFileBytes(Save() / "note.txt", "photo bytes");
    Companion("01:text");
    EXPECT_EQ(ReadFileBytes(Save() / "note.txt"), "photo bytes");

    ASSERT_TRUE(Open("", "abc"));
    Companion("01:short");
    EXPECT_EQ(ReadFileBytes(Save() / "abc.txt"), "short");
    ASSERT_TRUE(Open("", "사진.jpeg"));
    Companion("01:cut");
    EXPECT_EQ(ReadFileBytes(Save() / "사진..txt"), "cut");
}

TEST_F(FileStoreTest, ReopeningResumesAtTheStoredLengthAndAnUntouchedNewFileIsDiscarded) {
    ASSERT_TRUE(Open("", "new.jpg"));
    EXPECT_EQ(info.storedSize, 0);
    EXPECT_TRUE(fs::exists(Save() / "new.jpg"));
    CloseOrDiscardRecvFile(info);
    EXPECT_FALSE(fs::exists(Save() / "new.jpg"));

    WriteFileBytes(Save() / "old.jpg", std::string(512, 'o'));
    ASSERT_TRUE(Open("", "old.jpg"));
    EXPECT_EQ(info.storedSize, 512);
    // A second opener is refused while the file is being received.
    RecvFileInfo other;
    other.saveName = "old.jpg";
    ASSERT_TRUE(OpenRecvFolder(other, Save().string()));
    EXPECT_EQ(OpenRecvFile(other), 0);
    char tail[] = "tail";
    iovec piece{tail, 4};
    ASSERT_EQ(AppendToRecvFile(info, std::span(&piece, 1)), 0);
    EXPECT_EQ(info.written, 4);
    CloseOrDiscardRecvFile(info);
    EXPECT_EQ(ReadFileBytes(Save() / "old.jpg"), std::string(512, 'o') + "tail");
}

TEST_F(FileStoreTest, AMissingSaveFolderIsNotCreated) {
    info.folderText = "a";
    info.saveName = "b.jpg";
    EXPECT_FALSE(OpenRecvFolder(info, (Save() / "missing").string()));
    EXPECT_FALSE(OpenRecvFolder(info, ""));
    EXPECT_FALSE(fs::exists(Save() / "missing"));
    EXPECT_EQ(OpenRecvFile(info), 0);
}

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "core/savefolders.h"
#include "core/settings.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

int Sign(int value) {
    return (value > 0) - (value < 0);
}

std::string Repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Settings file in a fresh folder; the user's home folder is moved there too.
class SaveFolderSettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = std::getenv("HOME")) m_savedHome = home;
        setenv("HOME", m_folder.Path().c_str(), 1);
    }
    void TearDown() override { setenv("HOME", m_savedHome.c_str(), 1); }

    std::string Key(const std::string& key) const {
        return m_settings.ReadText(ini::SAVE_FOLDER_SECTION, key, "<missing>",
                                   ini::FOLDER_TEXT_SIZE);
    }

    TestFolder m_folder;
    const SettingsFile m_settings{m_folder.Path() / "FsIni.ini"};
    std::string m_savedHome;
};

}  // namespace

TEST(FolderNames, OneComparisonIgnoresCaseInEveryScriptAndOrdersHangul) {
    struct Case {
        const char* left;
        const char* right;
        int sign;
    };
    const Case cases[] = {
        {"apple", "Banana", -1},  // letter case plays no part in the order
        {"Banana", "cherry", -1}, {"STUDIO", "studio", 0}, {"ÉTÉ", "été", 0},
        {"ÄRZTE", "ärzte", 0},    {"ΣΟΦΙΑ", "σοφια", 0},   {"가을", "나무", -1},
        {"나무", "다리", -1},     {"Zebra", "가족", -1},   {"사진", "사진2", -1},
        {"studio", "Stu", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " / " + c.right);
        EXPECT_EQ(Sign(CompareFolderNames(Q(c.left), Q(c.right))), c.sign);
        EXPECT_EQ(Sign(CompareFolderNames(Q(c.right), Q(c.left))), -c.sign);
    }
}

TEST(FolderNames, SortedInsertionKeepsTheOrderAndPutsEqualNamesAfter) {
    QStringList names;
    for (const char* name :
         {"studio", "Beach", "나무", "Park", "apple", "가을", "beach", "", "PARK"}) {
        names.insert(SortedFolderPosition(names, Q(name)), Q(name));
    }
    const QStringList expected = {Q(""),     Q("apple"),  Q("Beach"), Q("beach"), Q("Park"),
                                  Q("PARK"), Q("studio"), Q("가을"),  Q("나무")};
    EXPECT_EQ(names, expected);
}

TEST(FolderNames, OnlyTheSameNameInAnyLetterCaseIsFound) {
    const QStringList names = {Q("Beach"), Q("studio"), Q("Ärzte"), Q("가족사진"), Q("Zoo")};
    struct Case {
        const char* name;
        qsizetype found;
    };
    const Case cases[] = {
        {"studio", 1},   {"STUDIO", 1}, {"äRZTE", 2},      {"가족사진", 3}, {"zoo", 4},
        {"Stu", -1},  // a beginning of a name is a name of its own
        {"studios", -1}, {"가족", -1},  {"가족사진!", -1}, {"Zoo ", -1},    {"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindFolderName(names, Q(c.name)), c.found);
    }
}

TEST_F(SaveFolderSettings, StoredTextIsWhatTheSettingsFileKeepsUnchanged) {
    const std::string longKorean = Repeat("가", 130);  // 260 CP949 bytes
    const std::string blankAtCut = Repeat("x", 258) + " y";
    const struct Case {
        std::string text;
        std::string stored;
    } cases[] = {
        {"Beach", "Beach"},
        {"  Park\t", "Park"},
        {"a\r\nb", "a  b"},
        {"사진😀", "사진?"},
        {"   ", ""},
        {longKorean, Repeat("가", 129)},  // 258 bytes: the 130th character would be cut in half
        {blankAtCut, Repeat("x", 258)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StoredFolderText(c.text), c.stored);
        EXPECT_EQ(StoredFolderText(c.stored), c.stored);
        m_settings.WriteText(ini::SAVE_FOLDER_SECTION, "1", c.stored);
        EXPECT_EQ(Key("1"), c.stored);
    }
}

TEST_F(SaveFolderSettings, WithoutAFileTheListIsEmptyAndTheFolderIsTheDefault) {
    EXPECT_EQ(DefaultSaveFolder(), (m_folder.Path() / "ZNL").string());
    EXPECT_EQ(ReadSaveFolderSetting(m_settings, DefaultSaveFolder()).folder,
              (m_folder.Path() / "ZNL").string());
    EXPECT_TRUE(ReadFolderList(m_settings).isEmpty());
    EXPECT_FALSE(fs::exists(m_settings.Path()));
}

TEST_F(SaveFolderSettings, TheListIsWrittenInOrderAndAShorterListLeavesTheStaleKeys) {
    ASSERT_TRUE(WriteFolderList(m_settings, {Q("Beach"), Q("Park"), Q("스튜디오")}));
    EXPECT_EQ(Key("등록수"), "3");
    EXPECT_EQ(Key("1"), "Beach");
    EXPECT_EQ(Key("2"), "Park");
    EXPECT_EQ(Key("3"), "스튜디오");
    EXPECT_EQ(ReadFolderList(m_settings), (QStringList{Q("Beach"), Q("Park"), Q("스튜디오")}));

    ASSERT_TRUE(WriteFolderList(m_settings, {Q("Park")}));
    EXPECT_EQ(Key("등록수"), "1");
    EXPECT_EQ(Key("1"), "Park");
    EXPECT_EQ(Key("2"), "Park");
    EXPECT_EQ(Key("3"), "스튜디오");
    EXPECT_EQ(ReadFolderList(m_settings), QStringList{Q("Park")});
}

TEST_F(SaveFolderSettings, ReadingFollowsTheStoredCount) {
    const struct Case {
        const char* file;
        QStringList names;
    } cases[] = {
        {"[SaveFolder]\r\n1=a\r\n3=c\r\n", {}},  // no count: nothing is read
        {"[SaveFolder]\r\n\xB5\xEE\xB7\xCF\xBC\xF6=3\r\n1=a\r\n3=c\r\n", {Q("a"), Q(""), Q("c")}},
        {"[SaveFolder]\r\n\xB5\xEE\xB7\xCF\xBC\xF6=-2\r\n1=a\r\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteFileBytes(m_settings.Path(), c.file);
        EXPECT_EQ(ReadFolderList(m_settings), c.names);
    }
}

TEST_F(SaveFolderSettings, ADamagedCountStopsAtTheLimit) {
    WriteFileBytes(m_settings.Path(),
                   "[SaveFolder]\r\n\xB5\xEE\xB7\xCF\xBC\xF6=2000000000\r\n1=a\r\n");
    const QStringList names = ReadFolderList(m_settings);
    ASSERT_EQ(names.size(), MAX_FOLDER_COUNT);
    EXPECT_EQ(names.front(), Q("a"));
    EXPECT_EQ(names.back(), Q(""));
}

TEST_F(SaveFolderSettings, ThePhotoSaveFolderIsStoredAndCutTo259Bytes) {
    ASSERT_TRUE(WriteSaveFolderSetting(m_settings, "/srv/사진/Shop"));
    EXPECT_EQ(ReadSaveFolderSetting(m_settings, "/unused").folder, "/srv/사진/Shop");
    ASSERT_TRUE(WriteSaveFolderSetting(m_settings, "/" + Repeat("p", 300)));
    EXPECT_EQ(ReadSaveFolderSetting(m_settings, "/unused").folder, "/" + Repeat("p", 258));
}

TEST_F(SaveFolderSettings, AStoredFolderThatIsNoAbsolutePathHereIsSetAside) {
    const struct Case {
        std::string stored;
        bool usable;
    } cases[] = {
        {"/srv/사진/Shop", true},   {"D:\\Photos\\Shop", false}, {"D:/Photos", false},
        {"\\\\nas\\photos", false}, {"relative/x", false},       {"ZNL", false},
        {"/srv/a\\b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        m_settings.WriteText(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER, c.stored);
        const SaveFolderSetting setting = ReadSaveFolderSetting(m_settings, "/home/u/ZNL");
        EXPECT_EQ(setting.folder, c.usable ? c.stored : "/home/u/ZNL");
        EXPECT_EQ(setting.setAside, c.usable ? std::nullopt : std::optional(c.stored));
    }
    // An empty value names no folder: the default, with nothing set aside.
    m_settings.WriteText(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER, "");
    EXPECT_EQ(ReadSaveFolderSetting(m_settings, "/home/u/ZNL").folder, "/home/u/ZNL");
    EXPECT_EQ(ReadSaveFolderSetting(m_settings, "/home/u/ZNL").setAside, std::nullopt);
}

TEST_F(SaveFolderSettings, FolderLevelsAreCreatedOneByOneAndFailuresAreSkipped) {
    const fs::path base = m_folder.Path();
    CreateFolderLevels((base / "Photos/Shop/").string());
    EXPECT_TRUE(fs::is_directory(base / "Photos/Shop"));
    CreateFolderLevels((base / "Photos/Shop").string());  // existing levels are no failure
    EXPECT_TRUE(fs::is_directory(base / "Photos/Shop"));

    WriteFileBytes(base / "file", "x");
    CreateFolderLevels((base / "file/below").string());
    EXPECT_FALSE(fs::exists(base / "file/below"));
    EXPECT_EQ(ReadFileBytes(base / "file"), "x");
    CreateFolderLevels("");  // nothing to create, nothing thrown
}

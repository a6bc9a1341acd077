#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QStringList>

#include "core/clientsession.h"
#include "core/settings.h"
#include "platform/modulepath.h"
#include "support/testfolder.h"

using testsupport::TestFolder;
using testsupport::WriteFileBytes;

TEST(Settings, PathsLieNextToTheExecutable) {
    const ProgramFolders folders = ProgramFolders::OfExecutable();
    EXPECT_EQ(folders.programDir, platform::ExecutableDir());
    EXPECT_EQ(folders.settingsFile, folders.programDir / "FsIni.ini");
    EXPECT_TRUE(std::filesystem::is_regular_file(folders.programDir / "local_tests"));
}

TEST(Settings, LoginServerDefaultsAndLimits) {
    TestFolder folder;
    const SettingsFile settings(folder.Path() / "FsIni.ini");

    ServerAddress missing = settings.ReadLoginServer();
    EXPECT_EQ(missing.ip, "127.0.0.1");
    EXPECT_EQ(missing.port, 30002);
    EXPECT_FALSE(std::filesystem::exists(settings.Path()));

    WriteFileBytes(settings.Path(),
                   "[BasicInfo]\r\nLoginServerIP=login.example.co.kr.very.long\r\n"
                   "LoginServerPort=abc\r\n");
    ServerAddress odd = settings.ReadLoginServer();
    EXPECT_EQ(odd.ip, "login.example.co.kr");  // 19 bytes
    EXPECT_EQ(odd.port, 0);
}

TEST(Settings, TheStartSaysWhenItReadTheSettingsFileAsUtf8) {
    const struct {
        std::string bytes;
        bool toldUtf8;
    } cases[] = {
        {"[BasicInfo]\r\n닉네임=하늘\r\n", true},
        {"\xEF\xBB\xBF[BasicInfo]\r\n닉네임=하늘\r\n", true},
        {"[BasicInfo]\r\n\xB4\xD0\xB3\xD7\xC0\xD3=\xC7\xCF\xB4\xC3\r\n", false},  // CP949
    };
    for (const auto& c : cases) {
        TestFolder folder;
        WriteFileBytes(folder.Path() / "FsIni.ini", c.bytes);
        ClientSession session(ProgramFolders::At(folder.Path()));
        QStringList lines;
        QObject::connect(&session, &ClientSession::activityLine, &session,
                         [&lines](const QString& line) { lines << line; });
        session.Start();
        EXPECT_EQ(session.Nickname(), "하늘");
        EXPECT_EQ(lines.filter(QStringLiteral("설정 파일을 UTF-8로 읽었습니다")).size(),
                  c.toldUtf8 ? 1 : 0);
    }
}

TEST(Settings, AWriteWhileThePasswordIsStoredLeavesTheFileToItsOwner) {
    TestFolder folder;
    const SettingsFile settings(folder.Path() / "FsIni.ini");
    // As the Windows program or a hand edit leaves it: readable by all, with the password.
    WriteFileBytes(settings.Path(), "[BasicInfo]\r\n\xC6\xD0\xBD\xBA\xBF\xF6\xB5\xE5=pw\r\n");
    ASSERT_EQ(chmod(settings.Path().c_str(), 0644), 0);

    ASSERT_TRUE(settings.WriteText(ini::BASIC_INFO, ini::NICKNAME, "하늘"));

    struct stat status {};
    ASSERT_EQ(stat(settings.Path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(settings.ReadText(ini::BASIC_INFO, ini::PASSWORD, "", ini::ACCOUNT_TEXT_SIZE), "pw");
}

#include <gtest/gtest.h>

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

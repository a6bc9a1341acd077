#include <gtest/gtest.h>

#include "core/settings.h"
#include "platform/modulepath.h"
#include "support/testfolder.h"

using testsupport::TestFolder;
using testsupport::WriteFileBytes;

TEST(Settings, PathsLieNextToTheExecutable) {
    InitPaths();
    EXPECT_EQ(g_szModuleDir, platform::ExecutableDir().string());
    EXPECT_EQ(g_szIniPath, g_szModuleDir + "/FsIni.ini");
    EXPECT_TRUE(std::filesystem::is_regular_file(g_szModuleDir + "/local_tests"));
}

TEST(Settings, LoginServerDefaultsAndLimits) {
    TestFolder folder;
    g_szIniPath = (folder.Path() / "FsIni.ini").string();

    ServerAddress missing = ReadLoginServerSetting();
    EXPECT_EQ(missing.ip, "127.0.0.1");
    EXPECT_EQ(missing.port, 30002);
    EXPECT_FALSE(std::filesystem::exists(g_szIniPath));

    WriteFileBytes(g_szIniPath,
                   "[BasicInfo]\r\nLoginServerIP=login.example.co.kr.very.long\r\n"
                   "LoginServerPort=abc\r\n");
    ServerAddress odd = ReadLoginServerSetting();
    EXPECT_EQ(odd.ip, "login.example.co.kr");  // 19 bytes
    EXPECT_EQ(odd.port, 0);
}

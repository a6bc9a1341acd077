// Where the program keeps its settings and logs: next to itself when it can write there, in the
// user's XDG folders when it cannot (an installed program), and the first start there says where.
#include <gtest/gtest.h>

#include <QStringList>
#include <optional>
#include <string>

#include "core/clientsession.h"
#include "core/programfolders.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ScopedEnvironmentVariable;
using testsupport::TestFolder;

TEST(ProgramFolders, AWritableProgramFolderKeepsEverythingAndAnUnwritableOneUsesTheUserFolders) {
    const UserBaseFolders user{"/home/u/.config", "/home/u/.local/state"};
    const ProgramFolders beside = ProgramFolders::Choose("/opt/znl", true, user);
    EXPECT_EQ(beside.settingsFile, "/opt/znl/FsIni.ini");
    EXPECT_EQ(beside.logHome, "/opt/znl");
    EXPECT_FALSE(beside.inUserFolders);

    const ProgramFolders installed = ProgramFolders::Choose("/usr/bin", false, user);
    EXPECT_EQ(installed.programDir, "/usr/bin");  // the updater is looked for there still
    EXPECT_EQ(installed.settingsFile, "/home/u/.config/ZNLClient/FsIni.ini");
    EXPECT_EQ(installed.SettingsFolder(), "/home/u/.config/ZNLClient");
    EXPECT_EQ(installed.logHome, "/home/u/.local/state/ZNLClient");
    EXPECT_TRUE(installed.inUserFolders);
}

TEST(ProgramFolders, UserFoldersFollowTheXdgVariablesAndIgnoreRelativeOnes) {
    using Value = std::optional<std::string>;
    using Folder = std::optional<fs::path>;
    const struct {
        Value home, config, state;
        Folder wantConfig, wantState;
    } cases[] = {
        {"/home/t", "/x/conf", "/x/state", "/x/conf", "/x/state"},
        {"/home/t", std::nullopt, std::nullopt, "/home/t/.config", "/home/t/.local/state"},
        {"/home/t", "relative/conf", "", "/home/t/.config", "/home/t/.local/state"},
        {"relative", std::nullopt, "/x/state", std::nullopt, "/x/state"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home.value_or("") + " " + c.config.value_or("(unset)"));
        const ScopedEnvironmentVariable home("HOME", c.home);
        const ScopedEnvironmentVariable config("XDG_CONFIG_HOME", c.config);
        const ScopedEnvironmentVariable state("XDG_STATE_HOME", c.state);
        EXPECT_EQ(UserBaseFolders::Config(), c.wantConfig);
        EXPECT_EQ(UserBaseFolders::State(), c.wantState);
    }
}

TEST(ProgramFolders, TheFirstStartInTheUserFoldersMakesThemAndSaysWhereOnce) {
    TestFolder program, user;
    const ProgramFolders folders = ProgramFolders::Choose(
        program.Path(), false, {user.Path() / "config", user.Path() / "state"});
    QStringList lines;
    for (int start = 0; start < 2; ++start) {
        ClientSession session(folders);
        QObject::connect(&session, &ClientSession::activityLine, &session,
                         [&lines](const QString& line) { lines << line; });
        session.Start();
        session.SetSaveFolder((user.Path() / "photos").string());
    }
    const QStringList notices = lines.filter(QStringLiteral("프로그램 폴더에 쓸 수 없어"));
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QString::fromStdString(folders.settingsFile.string())));
    EXPECT_TRUE(fs::is_regular_file(folders.settingsFile));
    EXPECT_TRUE(fs::exists(folders.logHome / "logs"));
    // Nothing was written next to the program.
    EXPECT_TRUE(fs::is_empty(program.Path()));
}

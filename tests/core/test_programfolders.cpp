// Where the program keeps its settings and logs: next to itself when it can write there, in the
// user's XDG folders when it cannot (an installed program), and the first start there says where.
#include <gtest/gtest.h>

#include <QStringList>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/clientsession.h"
#include "core/programfolders.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::TestFolder;

namespace {

// Sets an environment variable for one scope; unset when `value` is null.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

}  // namespace

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
    const struct {
        const char* config;
        const char* state;
        fs::path wantConfig, wantState;
    } cases[] = {
        {"/x/conf", "/x/state", "/x/conf", "/x/state"},
        {nullptr, nullptr, "/home/t/.config", "/home/t/.local/state"},
        {"relative/conf", "", "/home/t/.config", "/home/t/.local/state"},
    };
    const ScopedVariable home("HOME", "/home/t");
    for (const auto& c : cases) {
        const ScopedVariable config("XDG_CONFIG_HOME", c.config);
        const ScopedVariable state("XDG_STATE_HOME", c.state);
        const UserBaseFolders user = UserBaseFolders::FromEnvironment();
        EXPECT_EQ(user.config, c.wantConfig) << (c.config ? c.config : "(unset)");
        EXPECT_EQ(user.state, c.wantState) << (c.state ? c.state : "(unset)");
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

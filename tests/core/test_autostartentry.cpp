#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/autostartentry.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::ScopedEnvironmentVariable;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

// The user's configuration folder is a scratch folder; the variables come back afterwards.
class AutostartTest : public ::testing::Test {
protected:
    std::string ExecLine() const {
        const std::string text = ReadFileBytes(m_entry);
        const size_t start = text.find("\nExec=");
        if (start == std::string::npos) return {};
        return text.substr(start + 1, text.find('\n', start + 1) - start - 1);
    }
    static size_t Entries(const fs::path& folder) {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    TestFolder m_folder;
    ScopedEnvironmentVariable m_config{"XDG_CONFIG_HOME", m_folder.Path().string()};
    ScopedEnvironmentVariable m_home{"HOME", (m_folder.Path() / "home").string()};
    fs::path m_entry = m_folder.Path() / "autostart" / "znlclient.desktop";
};

}  // namespace

TEST_F(AutostartTest, EnablingWritesTheEntryAndDisablingRemovesIt) {
    AutostartState state = QueryAutostart();
    EXPECT_FALSE(state.present);
    EXPECT_EQ(state.failure, std::nullopt);

    state = EnableAutostart("/opt/znl/ZNLClient");
    EXPECT_TRUE(state.present);
    EXPECT_EQ(state.failure, std::nullopt);
    EXPECT_EQ(ReadFileBytes(m_entry),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=ZNLClient\n"
              "Name[ko]=TAVEN PIC 사진 수신 처리\n"
              "Exec=/opt/znl/ZNLClient\n"
              "Icon=znlclient\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(QueryAutostart().present);

    // A second time, from where the program now is: the entry follows, nothing else is left.
    state = EnableAutostart("/usr/local/bin/ZNLClient");
    EXPECT_TRUE(state.present);
    EXPECT_EQ(state.failure, std::nullopt);
    EXPECT_EQ(ExecLine(), "Exec=/usr/local/bin/ZNLClient");
    EXPECT_EQ(Entries(m_entry.parent_path()), 1u);

    state = DisableAutostart();
    EXPECT_FALSE(state.present);
    EXPECT_EQ(state.failure, std::nullopt);
    EXPECT_FALSE(fs::exists(m_entry));
    EXPECT_FALSE(QueryAutostart().present);
    state = DisableAutostart();  // nothing to remove is no failure
    EXPECT_FALSE(state.present);
    EXPECT_EQ(state.failure, std::nullopt);
}

TEST_F(AutostartTest, TheExecutableIsQuotedByTheDesktopEntryRules) {
    struct Case {
        std::string executable;
        std::string exec;  // as the file holds it
    };
    // Quoting escapes '"', '`', '$' and '\' with a backslash; the string value then doubles every
    // backslash once more.
    const std::vector<Case> cases = {
        {"/opt/znl/ZNLClient", "/opt/znl/ZNLClient"},
        {"/opt/사진 수신/ZNLClient", R"("/opt/사진 수신/ZNLClient")"},
        {R"(/opt/a"b/ZNLClient)", R"("/opt/a\\"b/ZNLClient")"},
        {R"(/opt/a\b/ZNLClient)", R"("/opt/a\\\\b/ZNLClient")"},
        {"/opt/$HOME/ZNLClient", R"("/opt/\\$HOME/ZNLClient")"},
        {"/opt/`id`/ZNLClient", R"("/opt/\\`id\\`/ZNLClient")"},
        {"/opt/it's (old)/ZNLClient", R"("/opt/it's (old)/ZNLClient")"},
        {"/opt/a\tb/ZNLClient", R"("/opt/a\tb/ZNLClient")"},
        {"/opt/100%/ZNLClient", "/opt/100%%/ZNLClient"},  // no field code
        {"/opt/100% sure/ZNLClient", R"("/opt/100%% sure/ZNLClient")"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable);
        const AutostartState state = EnableAutostart(c.executable);
        ASSERT_EQ(state.failure, std::nullopt);
        EXPECT_EQ(ExecLine(), "Exec=" + c.exec);
    }
}

TEST_F(AutostartTest, WithoutAnAbsoluteXdgConfigHomeTheEntryGoesBelowHome) {
    const fs::path entry = m_folder.Path() / "home" / ".config" / "autostart" / "znlclient.desktop";
    const std::vector<std::optional<std::string>> configs = {std::nullopt, "", "relative/config"};
    for (const std::optional<std::string>& config : configs) {
        SCOPED_TRACE(config.value_or("unset"));
        const ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", config);
        ASSERT_EQ(EnableAutostart("/opt/znl/ZNLClient").failure, std::nullopt);
        EXPECT_TRUE(fs::exists(entry));
        EXPECT_TRUE(QueryAutostart().present);
        ASSERT_EQ(DisableAutostart().failure, std::nullopt);
        EXPECT_FALSE(fs::exists(entry));
    }
    EXPECT_FALSE(fs::exists(m_entry.parent_path()));
}

TEST_F(AutostartTest, WhatCannotBeDoneFailsWithItsReasonAndTheStateOnDisk) {
    {
        // The folder would have to be made below a regular file.
        WriteFileBytes(m_folder.Path() / "file", "x");
        const ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME",
                                            (m_folder.Path() / "file" / "config").string());
        const AutostartState state = EnableAutostart("/opt/znl/ZNLClient");
        EXPECT_FALSE(state.present);
        ASSERT_NE(state.failure, std::nullopt);
        const std::string folder = (m_folder.Path() / "file" / "config" / "autostart").string();
        EXPECT_TRUE(state.failure->starts_with(folder + ": ")) << *state.failure;
        EXPECT_GT(state.failure->size(), folder.size() + 2) << "no word from the system";
    }
    {
        const AutostartState state = EnableAutostart("ZNLClient");  // not an absolute path
        EXPECT_FALSE(state.present);
        ASSERT_NE(state.failure, std::nullopt);
        EXPECT_NE(state.failure->find("'ZNLClient'"), std::string::npos) << *state.failure;
        EXPECT_FALSE(fs::exists(m_entry.parent_path()));
    }
    {
        // A folder that is not empty stands where the entry goes: it can be neither replaced nor
        // removed, and stays counted as there.
        fs::create_directories(m_entry / "inside");
        EXPECT_TRUE(QueryAutostart().present);
        for (const AutostartState& state :
             {EnableAutostart("/opt/znl/ZNLClient"), DisableAutostart()}) {
            EXPECT_TRUE(state.present);
            ASSERT_NE(state.failure, std::nullopt);
            EXPECT_NE(state.failure->find(m_entry.string()), std::string::npos) << *state.failure;
        }
        EXPECT_TRUE(fs::exists(m_entry / "inside"));
        EXPECT_EQ(Entries(m_entry.parent_path()), 1u);  // no temporary file left behind
    }
    {
        // Not even a look is possible through a link that points at itself.
        fs::create_symlink(m_folder.Path() / "loop", m_folder.Path() / "loop");
        const ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", (m_folder.Path() / "loop").string());
        for (const AutostartState& state :
             {QueryAutostart(), EnableAutostart("/opt/znl/ZNLClient")}) {
            EXPECT_FALSE(state.present);
            ASSERT_NE(state.failure, std::nullopt);
            EXPECT_NE(state.failure->find((m_folder.Path() / "loop").string()), std::string::npos)
                << *state.failure;
        }
    }
    {
        const ScopedEnvironmentVariable xdg("XDG_CONFIG_HOME", std::nullopt);
        const ScopedEnvironmentVariable home("HOME", std::nullopt);
        for (const AutostartState& state :
             {QueryAutostart(), EnableAutostart("/opt/znl/ZNLClient"), DisableAutostart()}) {
            EXPECT_FALSE(state.present);
            ASSERT_NE(state.failure, std::nullopt);
            EXPECT_NE(state.failure->find("HOME"), std::string::npos) << *state.failure;
        }
    }
}

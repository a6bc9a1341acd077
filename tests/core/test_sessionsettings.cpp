// What the session keeps in the settings file: a write the file does not take is reported and
// undone, a logout forgets the password, a save folder of another system is set aside, and a newer
// version that cannot be installed is reported.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>

#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WriteFileBytes;

namespace {

// A session on a settings file of its own, with the user's home folder moved beside it.
class SessionSettings : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* home = std::getenv("HOME")) m_savedHome = home;
        setenv("HOME", m_folder.Path().c_str(), 1);
        fs::create_directories(m_settingsFolder);
        m_startFolder = fs::current_path();
    }
    void TearDown() override {
        setenv("HOME", m_savedHome.c_str(), 1);
        fs::current_path(m_startFolder);
    }

    ClientSession& Session(const fs::path& settingsFile) {
        m_session = std::make_unique<ClientSession>(
            ProgramFolders{m_folder.Path(), settingsFile, m_folder.Path()});
        QObject::connect(m_session.get(), &ClientSession::activityLine, m_session.get(),
                         [this](const QString& line) { m_lines << line.mid(11); });
        QObject::connect(
            m_session.get(), &ClientSession::signInRequested, m_session.get(),
            [this](const SignInPrefill& prefill) { m_signInRequests.push_back(prefill); });
        return *m_session;
    }
    // guest / secret, remembered for automatic login, as the Windows program writes it.
    void StoreRememberedAccount() const {
        WriteFileBytes(m_settingsFile,
                       "[BasicInfo]\r\n\xBE\xC6\xC0\xCC\xB5\xF0=guest\r\n"  // 아이디
                       "\xC6\xD0\xBD\xBA\xBF\xF6\xB5\xE5=secret\r\n"        // 패스워드
                       "\xC0\xDA\xB5\xBF\xB7\xCE\xB1\xD7\xC0\xCE=1\r\n");   // 자동로그인
    }
    std::string Ini(const char* section, const char* key) const {
        return m_session->Settings().ReadText(section, key, "<missing>", 300);
    }
    static unsigned Mode(const fs::path& path) {
        struct stat status {};
        EXPECT_EQ(stat(path.c_str(), &status), 0);
        return status.st_mode & 07777;
    }

    TestFolder m_folder;
    const fs::path m_settingsFolder = m_folder.Path() / "settings";
    const fs::path m_settingsFile = m_settingsFolder / "FsIni.ini";
    std::string m_savedHome;
    fs::path m_startFolder;
    std::unique_ptr<ClientSession> m_session;
    QStringList m_lines;  // without their time
    std::vector<SignInPrefill> m_signInRequests;
};

QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

TEST_F(SessionSettings, AWriteTheFileDoesNotTakeIsReportedAsFailedAndUndone) {
    // Two ways a settings file cannot be written, for root as for anyone.
    const std::function<void()> breakings[] = {
        [this] {  // a folder where the file should be
            fs::remove(m_settingsFile);
            fs::create_directory(m_settingsFile);
        },
        [this] {  // a plain file where its folder should be
            fs::remove_all(m_settingsFolder);
            WriteFileBytes(m_settingsFolder, "not a folder");
        },
    };
    struct Action {
        const char* name;
        std::function<void(ClientSession&)> run;
        std::string failure;  // the action's own line
    };
    const std::string picked = (m_folder.Path() / "picked").string();
    const Action actions[] = {
        {"add", [](ClientSession& s) { s.AddFolder("Park"); }, "저장 폴더 'Park' 추가 실패!"},
        {"delete", [](ClientSession& s) { s.DeleteFolder(0); }, "저장 폴더 'Beach' 삭제 실패!"},
        {"modify", [](ClientSession& s) { s.ModifyFolder(1, "Atelier"); },
         "저장 폴더 'Atelier' 수정 실패!"},
        {"save folder", [&](ClientSession& s) { s.SetSaveFolder(picked); },
         "사진 저장 폴더 '" + picked + "' 변경 실패!"},
        {"nickname", [](ClientSession& s) { s.ChangeNickname("하늘"); },
         "닉네임 '하늘' 변경 실패!"},
        {"logout", [](ClientSession& s) { s.SignOut(); }, "로그 아웃 정보 저장 실패!"},
    };
    for (const std::function<void()>& breakFile : breakings) {
        for (const Action& action : actions) {
            SCOPED_TRACE(action.name);
            fs::remove_all(m_settingsFolder);
            fs::create_directories(m_settingsFolder);
            WriteFileBytes(m_settingsFile,
                           "[SaveFolder]\r\n\xB5\xEE\xB7\xCF\xBC\xF6=2\r\n1=Beach\r\n2=studio\r\n");
            ClientSession& session = Session(m_settingsFile);
            session.LoadSaveFolders();
            const std::string saveFolder = session.SaveFolder();
            breakFile();
            int listShown = 0;
            QObject::connect(&session, &ClientSession::foldersChanged, &session,
                             [&listShown] { ++listShown; });
            m_lines.clear();

            action.run(session);

            EXPECT_TRUE(
                m_lines.contains(Q("설정 파일에 쓸 수 없습니다: " + m_settingsFile.string())))
                << m_lines.join(QChar(u'\n')).toStdString();
            EXPECT_TRUE(m_lines.contains(Q(action.failure)))
                << m_lines.join(QChar(u'\n')).toStdString();
            EXPECT_TRUE(m_lines.filter(QStringLiteral("완료")).isEmpty());
            // What is shown is what the next start reads.
            EXPECT_EQ(session.Folders(), (QStringList{Q("Beach"), Q("studio")}));
            EXPECT_EQ(listShown, 0);
            EXPECT_FALSE(session.IsTimerSet(TIMER_FOLDER_UPLOAD));
            EXPECT_EQ(session.SaveFolder(), saveFolder);
            EXPECT_EQ(session.Nickname(), "");
            EXPECT_FALSE(session.IsTimerSet(TIMER_LOGIN_CONNECT));
        }
    }
}

TEST_F(SessionSettings, ALogoutForgetsThePasswordAndKeepsTheId) {
    StoreRememberedAccount();
    ClientSession& session = Session(m_settingsFile);
    const std::vector<SignInPrefill>& asked = m_signInRequests;
    session.RequestSignIn();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].password, "secret");

    session.SignOut();

    EXPECT_EQ(Ini(ini::BASIC_INFO, ini::PASSWORD), "");
    EXPECT_EQ(Ini(ini::BASIC_INFO, ini::USER_ID), "guest");
    EXPECT_EQ(Ini(ini::BASIC_INFO, ini::AUTO_LOGIN), "0");
    // The dialog after the logout offers the same user, without the password.
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].userId, "guest");
    EXPECT_EQ(asked[1].password, "");
    EXPECT_FALSE(asked[1].autoLogin);
    EXPECT_TRUE(m_lines.filter(QStringLiteral("실패")).isEmpty());
}

TEST_F(SessionSettings, ALogoutThatCannotBeStoredStillAsksForASignInByHand) {
    // Permissions do not stop root, and nothing else leaves a file readable but not replaceable.
    if (::geteuid() == 0) GTEST_SKIP() << "needs a user that file permissions apply to";
    StoreRememberedAccount();
    ClientSession& session = Session(m_settingsFile);
    const std::vector<SignInPrefill>& asked = m_signInRequests;
    ASSERT_EQ(chmod(m_settingsFolder.c_str(), 0500), 0);
    session.SignOut();
    ASSERT_EQ(chmod(m_settingsFolder.c_str(), 0700), 0);

    EXPECT_TRUE(m_lines.contains(QStringLiteral("로그 아웃 정보 저장 실패!")));
    EXPECT_EQ(Ini(ini::BASIC_INFO, ini::AUTO_LOGIN), "1");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_FALSE(asked[0].autoLogin);
    EXPECT_EQ(asked[0].password, "");
}

TEST_F(SessionSettings, StoringTheAccountLeavesASettingsFileOnlyItsOwnerCanRead) {
    WriteFileBytes(m_settingsFile, "[BasicInfo]\r\nLoginServerPort=1\r\n");
    ASSERT_EQ(chmod(m_settingsFile.c_str(), 0644), 0);
    ClientSession& session = Session(m_settingsFile);
    session.SignIn("guest", "secret", true);
    const std::string answer =
        testsupport::ServerRecord(1002, testsupport::LoginAcceptanceBody({}));
    session.HandleLoginReply(answer.data(), static_cast<int>(answer.size()));

    EXPECT_EQ(Ini(ini::BASIC_INFO, ini::PASSWORD), "secret");
    EXPECT_EQ(Mode(m_settingsFile), 0600u);
}

TEST_F(SessionSettings, ASaveFolderOfAnotherSystemIsSetAsideAndLeftInTheFile) {
    const std::string home = (m_folder.Path() / "ZNL").string();
    // A folder that a text of another system names here would lie below the current folder.
    fs::current_path(m_folder.Path());
    for (const std::string& stored : {std::string("D:\\Photos\\Shop"), std::string("relative/x"),
                                      (m_folder.Path() / "a\\b").string()}) {
        SCOPED_TRACE(stored);
        const std::string file =
            "[SaveFolder]\r\n\xBB\xE7\xC1\xF8\xC0\xFA\xC0\xE5\xC6\xFA\xB4\xF5=" + stored +
            "\r\n";  // 사진저장폴더
        WriteFileBytes(m_settingsFile, file);
        ClientSession& session = Session(m_settingsFile);
        QStringList shown;
        QObject::connect(&session, &ClientSession::saveFolderChanged, &session,
                         [&shown](const QString& folder) { shown << folder; });
        m_lines.clear();

        session.LoadSaveFolders();

        EXPECT_EQ(session.SaveFolder(), home);
        EXPECT_EQ(shown, QStringList{Q(home)});
        EXPECT_EQ(m_lines, QStringList{Q("설정 파일의 사진 저장 폴더 '" + stored +
                                         "' 는 이 시스템의 절대 경로가 아니어서 쓰지 않습니다. "
                                         "사진은 " +
                                         home + " 에 저장합니다.")});
        EXPECT_EQ(ReadFileBytes(m_settingsFile), file);
        EXPECT_FALSE(fs::exists(stored));
        EXPECT_TRUE(fs::is_directory(home));

        // Until the user picks a folder, which then replaces it.
        const std::string picked = (m_folder.Path() / "picked").string();
        session.SetSaveFolder(picked);
        EXPECT_EQ(session.SaveFolder(), picked);
        EXPECT_EQ(Ini(ini::SAVE_FOLDER_SECTION, ini::SAVE_FOLDER), picked);
    }
}

TEST_F(SessionSettings, ANewerVersionThatIsNotInstalledIsReportedAndReceptionGoesOn) {
    const fs::path updater = m_folder.Path() / "TavenFTPClient";
    struct Case {
        const char* name;
        std::function<void()> prepare;
        UpdateHold reason;
    };
    const Case cases[] = {
        {"missing", [] {}, UpdateHold::UpdaterMissing},
        {"not a program",
         [&] {
             WriteFileBytes(updater, "#!/nonexistent/interpreter\n");
             fs::permissions(updater, fs::perms::owner_all);
         },
         UpdateHold::UpdaterNotStarted},
        {"hand-over unwritable",
         [&] {
             WriteFileBytes(updater, "#!/bin/sh\n");
             fs::permissions(updater, fs::perms::owner_all);
             fs::remove(m_settingsFile);
             fs::create_directory(m_settingsFile);
         },
         UpdateHold::HandOverNotWritten},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(m_settingsFile);
        fs::remove(updater);
        c.prepare();
        ClientSession& session = Session(m_settingsFile);
        m_lines.clear();
        QStringList versions;
        std::vector<UpdateHold> reasons;
        QObject::connect(&session, &ClientSession::updateNotInstalled, &session,
                         [&](const QString& version, UpdateHold reason) {
                             versions << version;
                             reasons.push_back(reason);
                         });
        bool handedOver = false;
        QObject::connect(&session, &ClientSession::handedOverToUpdater, &session,
                         [&handedOver] { handedOver = true; });
        testsupport::LoginAcceptance fields;
        fields.latestVersion = "v.2099.01.01.01";
        fields.updateServerIp = "update.example";
        const std::string answer =
            testsupport::ServerRecord(1002, testsupport::LoginAcceptanceBody(fields));

        session.HandleLoginReply(answer.data(), static_cast<int>(answer.size()));

        EXPECT_EQ(versions, QStringList{QStringLiteral("v.2099.01.01.01")});
        EXPECT_EQ(reasons, std::vector<UpdateHold>{c.reason});
        EXPECT_FALSE(handedOver);
        EXPECT_TRUE(session.Running());
        EXPECT_TRUE(session.SignedIn());
        EXPECT_TRUE(session.IsTimerSet(TIMER_FOLDER_UPLOAD));
        EXPECT_EQ(m_lines.filter(QStringLiteral("이 버전으로 계속 수신합니다")).size(), 1);
    }
}

TEST_F(SessionSettings, AVersionTextWithLineBreaksCannotForgeALogLine) {
    ClientSession& session = Session(m_settingsFile);
    testsupport::LoginAcceptance fields;
    fields.latestVersion = "v.2099\r\nfake!";
    fields.updateServerIp = "update.example";
    const std::string answer =
        testsupport::ServerRecord(1002, testsupport::LoginAcceptanceBody(fields));
    session.HandleLoginReply(answer.data(), static_cast<int>(answer.size()));
    const QStringList told = m_lines.filter(QStringLiteral("새 버전"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].contains(QStringLiteral("v.2099\\x0D\\x0Afake!"))) << told[0].toStdString();
    EXPECT_FALSE(told[0].contains(QLatin1Char('\r')));
}

// The session's reconnect loops against servers that keep failing: the pause grows after each
// failure and is short again once a connection has proved good, the log gets one line per change
// of state, and a fault the server repeats is logged once with its count.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <vector>

#include "core/clientsession.h"
#include "core/msglog.h"
#include "peers/znlservice.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ScriptedServer;
using testsupport::ServerRecord;
using testsupport::WaitUntil;
using testsupport::WriteAllBytes;

namespace {

constexpr int kLimitMs = 60000;

// A port that nothing listens on (until a test starts a server there).
int FreePort() {
    const ScriptedServer probe([](int, const std::string&) {});
    return probe.Port();
}

// A login server that accepts every login and names the file server on `filePort`.
ScriptedServer::Responder AcceptLogins(int filePort) {
    testsupport::LoginAcceptance fields;
    fields.fileServerPort = filePort;
    return [record = ServerRecord(1002, testsupport::LoginAcceptanceBody(fields))](
               int fd, const std::string&) { WriteAllBytes(fd, record); };
}

// The pause the n-th failure in a row is given.
int PauseAfter(int failures, int firstMs) {
    return std::min(firstMs << std::min(failures - 1, 6), 60000);
}

// A session that signs in with its stored account whenever it asks for a sign-in, as znl-client
// does, with every timer ten times faster.
class SessionRetryTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTimeScaleForTests(0.1);
        for (const auto& [key, value] : {std::pair<const char*, const char*>{"자동로그인", "1"},
                                         {"아이디", "guest"},
                                         {"패스워드", "secret"},
                                         {"LoginServerIP", "127.0.0.1"}}) {
            ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", key, value,
                                                            m_session.Paths().settingsFile));
        }
        QObject::connect(&m_session, &ClientSession::signInRequested, &m_session,
                         [this](const SignInPrefill& prefill) {
                             m_session.SignIn(prefill.userId, prefill.password, true,
                                              SignInMode::Automatic);
                         });
    }
    void TearDown() override { platform::SetTimeScaleForTests(1.0); }

    void SignInThrough(int loginPort) {
        ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", "LoginServerPort",
                                                        std::to_string(loginPort),
                                                        m_session.Paths().settingsFile));
        m_session.ReadLoginServerInfo();
        m_session.RequestSignIn();
    }
    // The message log's lines, in the order written.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::error_code none;  // no log written yet
        for (const auto& entry :
             fs::recursive_directory_iterator(LogRoot(m_session.Paths().logHome), none)) {
            if (!entry.is_regular_file()) continue;
            const std::string log = testsupport::ReadFileBytes(entry.path());
            for (std::size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos;
                 at = end + 2) {
                lines.push_back(log.substr(at, end - at));
            }
        }
        return lines;
    }
    int LoggedLines(const std::string& text) const {
        const std::vector<std::string> lines = LogLines();
        return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const auto& line) {
            return line.find(text) != std::string::npos;
        }));
    }
    // How often `text` came: a line of its own counts once, a merged one "text (N회 반복)" N times.
    int LoggedOccurrences(const std::string& text) const {
        int count = 0;
        for (const std::string& line : LogLines()) {
            const std::size_t at = line.find(text);
            if (at == std::string::npos) continue;
            const std::size_t merged = line.find(" (", at + text.size());
            count += merged == std::string::npos ? 1 : std::stoi(line.substr(merged + 2));
        }
        return count;
    }
    int Failures() const { return m_session.FileLineRetry().Failures(); }

    testsupport::TestFolder m_module;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
};

}  // namespace

TEST_F(SessionRetryTest, AnUnreachableFileServerIsTriedQuietlyWithGrowingPausesThenShortOnceGood) {
    const int filePort = FreePort();
    ScriptedServer login(AcceptLogins(filePort));
    SignInThrough(login.Port());
    ASSERT_TRUE(WaitUntil([&] { return Failures() >= 4; }, kLimitMs));
    EXPECT_EQ(m_session.FileLineRetry().PauseMs(), PauseAfter(Failures(), 2000));
    EXPECT_EQ(LoggedLines("파일 전송 서버 Connect Fail! 2초 후 다시 접속합니다."), 1);
    EXPECT_EQ(LoggedLines("파일 전송 서버 Connect Fail!"), 1);
    EXPECT_EQ(LoggedLines("127.0.0.1 접속시도[" + std::to_string(filePort) + "]"), 1);

    // The server comes up: the next attempt is greeted, and once the connection has stayed up the
    // run of failures is over.
    znlservice::ServiceSettings settings;
    settings.filePort = static_cast<std::uint16_t>(filePort);
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    ASSERT_TRUE(WaitUntil([&] { return Failures() == 0; }, kLimitMs));
    EXPECT_EQ(LoggedLines("파일 전송 서버 연결 복구 (실패 "), 1);

    // Its end waits the short pause again (at full time, so the test sees it before the next).
    platform::SetTimeScaleForTests(1.0);
    service.Stop();
    ASSERT_TRUE(WaitUntil([&] { return Failures() > 0; }, kLimitMs));
    EXPECT_EQ(Failures(), 1);
    EXPECT_EQ(m_session.FileLineRetry().PauseMs(), 1000);
    EXPECT_EQ(LoggedLines("파일 전송 서버 연결 끊김. 1초 후 다시 접속합니다."), 1);
}

TEST_F(SessionRetryTest, ARefusedGreetingIsRetriedThroughNewLoginsWithGrowingPausesAndOneLine) {
    std::atomic<int> refusals{0};
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.file.refuseGreeting = true;
    settings.onEvent = [&refusals](const std::string& event) {
        if (event == "greeting 4321 N") ++refusals;
    };
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    SignInThrough(service.LoginPort());
    ASSERT_TRUE(WaitUntil([&] { return Failures() >= 6; }, kLimitMs));
    EXPECT_EQ(m_session.FileLineRetry().PauseMs(), PauseAfter(Failures(), 1000));
    EXPECT_GE(refusals, 6);
    EXPECT_GE(service.LoginAttempts().size(), 6u);
    EXPECT_EQ(LoggedLines("파일 전송 서버가 접속을 거부했습니다. 1초 후 다시 로그인합니다."), 1);
    // The first login and the first file-server connect; a folder-list upload may come before the
    // first refusal. Every attempt after that is quiet.
    EXPECT_LE(LoggedLines("접속시도"), 3);
    EXPECT_LE(LoggedLines("로그인 서버 Connected!"), 2);
    EXPECT_LE(LoggedLines("소켓 종료 신호"), 1);
}

TEST_F(SessionRetryTest, AConnectionThatEndsRightAfterAGoodGreetingKeepsThePausesGrowing) {
    // Greets, then ends the line at once, as a connection ended by a fault or a full disk does.
    ScriptedServer files([](int fd, const std::string&) {
        WriteAllBytes(fd, ServerRecord(1003, "Y"));
        ::shutdown(fd, SHUT_WR);
    });
    ScriptedServer login(AcceptLogins(files.Port()));
    SignInThrough(login.Port());
    ASSERT_TRUE(WaitUntil([&] { return Failures() >= 4; }, kLimitMs));
    EXPECT_EQ(m_session.FileLineRetry().PauseMs(), PauseAfter(Failures(), 1000));
    EXPECT_GE(files.Connections(), 4);
    EXPECT_EQ(LoggedLines("파일 전송 서버 연결 끊김. 1초 후 다시 접속합니다."), 1);
    EXPECT_LE(LoggedLines("소켓 종료 신호"), 1);
    EXPECT_EQ(LoggedLines("파일 전송 서버 연결 복구"), 0);
    // Only the attempt that started the loop tells its reception thread's start and end.
    EXPECT_EQ(LoggedLines("Process Thread Start!"), 1);
    EXPECT_EQ(LoggedLines("Process Thread Close!"), 1);
}

TEST_F(SessionRetryTest, AFaultTheServerRepeatsIsLoggedOnceAndThenAsOneLineWithItsCount) {
    // The first line brings 500 file headers for another customer and ends; later ones are kept.
    std::atomic<bool> burstSent{false};
    ScriptedServer files([&burstSent](int fd, const std::string&) {
        std::string records = ServerRecord(1003, "Y");
        if (burstSent.exchange(true)) {
            WriteAllBytes(fd, records);
            return;
        }
        for (int i = 0; i < 500; ++i) {
            records += ServerRecord(2001, "      9999" + std::string(364, ' '));
        }
        WriteAllBytes(fd, records);
        ::shutdown(fd, SHUT_WR);
    });
    ScriptedServer login(AcceptLogins(files.Port()));
    SignInThrough(login.Port());
    ASSERT_TRUE(WaitUntil([&] { return LoggedLines("파일 전송 서버 연결 끊김.") == 1; }, kLimitMs));
    // Every one is counted, in a few lines: a line of the folder-list upload may come between.
    const std::string fault = "9999 != 4321 고객 고유번호 이상";
    EXPECT_EQ(LoggedOccurrences(fault), 500);
    EXPECT_LE(LoggedLines(fault), 10);
    EXPECT_GE(LoggedLines(fault + " ("), 1);
}

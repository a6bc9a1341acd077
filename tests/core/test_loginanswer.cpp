// The login answer as the session assembles it from read notifications: its thread keeps serving
// events while an answer is on its way, and an answer that stops or never comes ends the attempt
// with a line and a word to the face that asked.
#include <gtest/gtest.h>

#include <QStringList>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "core/clientsession.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

using testsupport::ServerRecord;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteAllBytes;

namespace {

// A "Y" answer with a file server nobody listens on; the attempt is what matters here.
std::string YesAnswer() {
    return ServerRecord(1002, testsupport::LoginAcceptanceBody({}));
}

class LoginAnswerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTimeScaleForTests(0.1);
        ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", "LoginServerPort",
                                                        std::to_string(m_server.Port()),
                                                        m_session.Paths().settingsFile));
        m_session.ReadLoginServerInfo();
        QObject::connect(&m_session, &ClientSession::activityLine, &m_session,
                         [this](const QString& line) { m_lines << line; });
        QObject::connect(&m_session, &ClientSession::signInFinished, &m_session,
                         [this](SignInOutcome outcome, const QString&) {
                             m_verdict = outcome == SignInOutcome::Accepted ? 1 : 0;
                         });
        QObject::connect(&m_session, &ClientSession::signInUnanswered, &m_session,
                         [this](const QString& text) { m_unanswered << text; });
    }
    void TearDown() override {
        m_release = true;
        platform::SetTimeScaleForTests(1.0);
    }

    int LinesContaining(const QString& text) const {
        return static_cast<int>(m_lines.filter(text).size());
    }
    bool LoginSlotsFree() const {
        for (int slot = 0; slot < 50; ++slot) {
            if (m_session.Socket(slot)) return false;
        }
        return true;
    }

    // How the server answers: the head of the answer, then the rest once released (or never).
    enum class Rest { OnRelease, Never, NoAnswerAtAll };
    std::atomic<Rest> m_rest{Rest::OnRelease};
    std::atomic<bool> m_headSent{false};
    std::atomic<bool> m_release{false};

    TestFolder m_module;
    testsupport::ScriptedServer m_server{[this](int fd, const std::string&) {
        if (m_rest == Rest::NoAnswerAtAll) return;
        const std::string answer = YesAnswer();
        WriteAllBytes(fd, answer.substr(0, 40));
        m_headSent = true;
        if (m_rest == Rest::Never) return;
        for (int waited = 0; !m_release && waited < 2000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        WriteAllBytes(fd, answer.substr(40));
    }};
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    QStringList m_lines;
    QStringList m_unanswered;
    int m_verdict = -1;
};

TEST_F(LoginAnswerTest, EventsAreServedWhileAnAnswerIsOnItsWay) {
    m_session.SignIn("guest", "secret", false);
    ASSERT_TRUE(WaitUntil([&] { return m_headSent.load(); }));
    // The rest is sent only after the session's thread has handled this: a reader that waited on
    // the line would hold the thread until the answer timed out.
    bool servedMeanwhile = false;
    QTimer::singleShot(0, &m_session, [&] {
        servedMeanwhile = m_verdict == -1;
        m_release = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return m_verdict != -1 || !m_unanswered.isEmpty(); }));
    EXPECT_TRUE(servedMeanwhile);
    EXPECT_EQ(m_verdict, 1);
    EXPECT_TRUE(m_unanswered.isEmpty());
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_TRUE(LoginSlotsFree());
}

TEST_F(LoginAnswerTest, AnAnswerThatStopsOrNeverComesEndsTheAttemptAndTellsTheDialog) {
    struct Case {
        Rest rest;
        const char* line;  // the activity line that tells why
        const char* told;  // what the sign-in's face is told
    };
    const Case cases[] = {
        {Rest::Never, "로그인 소켓 Read TimeOut![40][",
         "로그인 응답 읽기 오류! 다시 시도 해주세요!"},
        {Rest::NoAnswerAtAll, "로그인 서버 Connected!",
         "로그인 서버 응답이 없습니다. 다시 시도 해주세요!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told);
        m_rest = c.rest;
        m_lines.clear();
        m_unanswered.clear();
        m_session.SignIn("guest", "secret", false);
        ASSERT_TRUE(WaitUntil([&] { return !m_unanswered.isEmpty(); }, 30000));
        EXPECT_EQ(m_unanswered, QStringList{QString::fromUtf8(c.told)});
        EXPECT_EQ(LinesContaining(QString::fromUtf8(c.line)), 1);
        EXPECT_EQ(m_verdict, -1);
        EXPECT_FALSE(m_session.SignedIn());
        EXPECT_TRUE(WaitUntil([&] { return LoginSlotsFree(); }));
        // A second attempt is taken as the first was.
        EXPECT_EQ(m_server.Connections(), &c - cases + 1);
    }
}

}  // namespace

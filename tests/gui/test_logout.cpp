// Logging out of the real form, signed in to scripted servers with a reception thread serving a
// real file-server line.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <thread>

#include "core/sessiontimers.h"
#include "formrig.h"
#include "gui/controls.h"
#include "gui/logindlg.h"
#include "gui/messagebox.h"

using logintest::YesBody;
using testsupport::ServerRecord;
using testsupport::WaitUntil;

namespace {

const QString kQuestion = QStringLiteral("사진 수신 사용자를 로그 아웃 하시겠습니까?");
const QString kReady = QStringLiteral("파일 수신 대기 완료!");
const QString kLost = QStringLiteral("파일서버 접속 끊김!");
constexpr int kLimitMs = 30000;
constexpr int kNothingListens = 1;
const QPoint kSignInButton(238, 175);

class LogoutTest : public logintest::FormRig {
protected:
    void TearDown() override {
        m_busyLineEnds = true;
        FormRig::TearDown();
    }

    QString Text(int id) const { return GetDlgItemText(&m_view, id); }

    // Signs in as guest and, unless nothing listens there, waits for the reception thread to
    // greet the file server.
    void SignInAndReceive(int fileServerPort) {
        AnswerRecord(1002, YesBody(1234, fileServerPort));
        ASSERT_TRUE(SignIn());
        // The folder-list upload that follows a login would share the one tracked login-server
        // exchange with a login this test starts.
        m_session.KillTimer(TIMER_FOLDER_UPLOAD);
        if (fileServerPort != kNothingListens) {
            ASSERT_TRUE(WaitUntil([&] { return Text(1025) == kReady; }, kLimitMs));
        }
    }
    // Presses the logout button, answering its question; `inDialog` gets the login dialog if
    // one opens and must end it.
    void PressLogout(int answer, const std::function<void(CLoginDlg&)>& inDialog) {
        SetMessageBoxHandlerForTests([this, answer](const QString& text, const QString& caption) {
            m_asked << caption + QStringLiteral(": ") + text;
            return answer;
        });
        // Goes with this call, so a press that opens nothing leaves no check behind.
        QTimer opener;
        opener.setSingleShot(true);
        QObject::connect(&opener, &QTimer::timeout, &m_view, [&] {
            auto* dlg = dynamic_cast<CLoginDlg*>(QApplication::activeModalWidget());
            if (!dlg) return;
            m_dialogOpened = true;
            QTimer::singleShot(kLimitMs, dlg, [dlg] {
                ADD_FAILURE() << "the dialog was left open";
                dlg->reject();
            });
            inDialog(*dlg);
        });
        opener.start(0);
        static_cast<QPushButton*>(GetDlgItem(&m_view, 1022))->click();
        // A dialog closed without a login posts the quit, which would end every later loop here.
        QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    }

    QStringList m_asked;
    bool m_dialogOpened = false;
    // A file server that, once it accepted the greeting, sends a keep-alive every 20 ms.
    std::atomic<bool> m_busyLineEnds{false};
    testsupport::ScriptedServer m_busyFileServer{[this](int fd, const std::string&) {
        testsupport::WriteAllBytes(fd, ServerRecord(1003, "Y"));
        const std::string keepAlive = ServerRecord(1006, "");
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!m_busyLineEnds && std::chrono::steady_clock::now() < limit &&
               ::send(fd, keepAlive.data(), keepAlive.size(), MSG_NOSIGNAL) > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }};
};

QLineEdit* Edit(const CLoginDlg& dlg, int id) {
    return qobject_cast<QLineEdit*>(GetDlgItem(&dlg, id));
}

}  // namespace

TEST_F(LogoutTest, AnsweredNoChangesNothing) {
    SignInAndReceive(m_fileServer.Port());
    const int slot = m_session.Account().fileSlot;

    PressLogout(IDNO, [](CLoginDlg& dlg) { dlg.close(); });

    EXPECT_EQ(m_asked, QStringList{QStringLiteral("Log Out: ") + kQuestion});
    EXPECT_FALSE(m_dialogOpened);
    EXPECT_EQ(Text(1021), QStringLiteral("guest"));
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_EQ(IniText("BasicInfo", "자동로그인"), "1");
    EXPECT_NE(m_session.Socket(slot), nullptr);
    EXPECT_EQ(Text(1025), kReady);
}

TEST_F(LogoutTest, AnsweredYesEndsTheReceptionWithoutReconnectAndAsksForTheSameUserAgain) {
    SignInAndReceive(m_fileServer.Port());
    ASSERT_EQ(Text(1024), QStringLiteral("정상 로그인"));

    PressLogout(IDYES, [&](CLoginDlg& dlg) {
        // The login rows tell of the logout, not of the login before it.
        EXPECT_EQ(Text(1021), QString());
        EXPECT_EQ(Text(1024), QStringLiteral("로그 아웃"));
        EXPECT_FALSE(Text(1023).isEmpty());
        EXPECT_FALSE(m_session.SignedIn());
        // The password is kept nowhere any more; the ID is.
        EXPECT_EQ(IniText("BasicInfo", "자동로그인"), "0");
        EXPECT_EQ(IniText("BasicInfo", "패스워드"), "");
        EXPECT_EQ(IniText("BasicInfo", "아이디"), "guest");
        EXPECT_EQ(Edit(dlg, 1002)->text(), QStringLiteral("guest"));
        EXPECT_EQ(Edit(dlg, 1003)->text(), QString());
        EXPECT_FALSE(qobject_cast<QCheckBox*>(GetDlgItem(&dlg, 1020))->isChecked());

        // The thread ends and frees its slot; nothing schedules a new connection.
        EXPECT_TRUE(WaitUntil([&] { return FileSlotsFree() && Text(1025) == kLost; }, kLimitMs));
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        EXPECT_EQ(m_session.Account().fileSlotNotReconnected, -1);
        EXPECT_EQ(FileGreetings(), 1);

        // Signing in again brings a new file-server line (the server serves one at a time).
        DropFileLine();
        Edit(dlg, 1003)->setText(QStringLiteral("secret"));
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, kSignInButton);
    });

    EXPECT_TRUE(m_dialogOpened);
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_EQ(Text(1021), QStringLiteral("guest"));
    EXPECT_EQ(Text(1024), QStringLiteral("정상 로그인"));
    EXPECT_TRUE(WaitUntil([&] { return FileGreetings() == 2 && Text(1025) == kReady; }, kLimitMs));
    EXPECT_EQ(IniText("BasicInfo", "자동로그인"), "0");
}

TEST_F(LogoutTest, APendingRetryOfTheFileServerIsDropped) {
    SignInAndReceive(kNothingListens);  // the connect is retried
    ASSERT_TRUE(WaitUntil(
        [&] {
            return LinesContaining(QStringLiteral("파일 전송 서버 Connect Fail!")) >= 1 &&
                   m_session.IsTimerSet(TIMER_FILE_CONNECT);
        },
        kLimitMs));

    PressLogout(IDYES, [&](CLoginDlg& dlg) {
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        dlg.close();
    });
    EXPECT_TRUE(m_dialogOpened);
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
}

TEST_F(LogoutTest, EndsTheReceptionEvenWhileTheServerKeepsTheLineBusy) {
    SignInAndReceive(m_busyFileServer.Port());
    PressLogout(IDYES, [&](CLoginDlg& dlg) {
        EXPECT_TRUE(WaitUntil([&] { return FileSlotsFree() && Text(1025) == kLost; }, kLimitMs));
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        dlg.close();
    });
    EXPECT_TRUE(m_dialogOpened);
}

TEST_F(LogoutTest, AFileServerConnectThatCompletesAfterTheLogoutStartsNoReception) {
    SignInAndReceive(m_busyFileServer.Port());
    PressLogout(IDYES, [&](CLoginDlg& dlg) {
        EXPECT_TRUE(WaitUntil([&] { return FileSlotsFree() && Text(1025) == kLost; }, kLimitMs));
        const int threadStarts = LinesContaining(QStringLiteral("Process Thread Start!"));
        // A connect that was already under way when the user logged out.
        m_session.ConnectServer(ServerGroup::File, 1);
        EXPECT_TRUE(WaitUntil(
            [&] { return m_busyFileServer.Connections() == 2 && FileSlotsFree(); }, kLimitMs));
        EXPECT_EQ(LinesContaining(QStringLiteral("Process Thread Start!")), threadStarts);
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        dlg.close();
    });
    EXPECT_TRUE(m_dialogOpened);
}

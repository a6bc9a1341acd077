#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <memory>
#include <optional>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "gui/controls.h"
#include "gui/edittrans.h"
#include "gui/logindlg.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/qttranslations.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

using testsupport::ReadFileBytes;
using testsupport::ServerRecord;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

const QString kPrompt = QStringLiteral("사용자 아이디와 패스워드를 입력 해 주세요!");
const QString kChecking = QStringLiteral("로그인 검사 중 입니다. 잠시만 기다려 주세요!");
const QString kNoUserId = QStringLiteral("사용자 아이디를 입력해 주세요!");
const QString kNoPassword = QStringLiteral("사용자 패스워드를 입력해 주세요!");
const QPoint kSignInButton(238, 175);

QLineEdit* Edit(const QWidget* dlg, int id) {
    return qobject_cast<QLineEdit*>(GetDlgItem(dlg, id));
}
QCheckBox* AutoLoginBox(const QWidget* dlg) {
    return qobject_cast<QCheckBox*>(GetDlgItem(dlg, CLoginDlg::IDC_AUTO_LOGIN));
}

// Every message box is recorded instead of shown.
class RecordedBoxes {
public:
    RecordedBoxes() {
        SetMessageBoxHandlerForTests([this](const QString& text, const QString& caption) {
            texts << text;
            captions << caption;
            return IDOK;
        });
    }
    ~RecordedBoxes() { SetMessageBoxHandlerForTests(nullptr); }
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    QStringList texts;
    QStringList captions;
};

// A login dialog on a session whose sign-ins go nowhere: the rig counts them and, when given an
// answer, hands it to the session as a login exchange would, a moment later.
class LoginDialogTest : public ::testing::Test {
protected:
    struct Answer {
        SignInOutcome outcome;
        std::string message;
    };

    void SetUp() override {
        QObject::connect(&m_session, &ClientSession::signingIn, &m_session, [this] {
            ++m_loginEvents;
            m_session.KillTimer(TIMER_LOGIN_CONNECT);
            if (m_answer) {
                QTimer::singleShot(0, &m_session, [this, answer = *m_answer] {
                    m_session.SetLoginResult(answer.outcome, answer.message);
                });
            }
        });
    }

    std::unique_ptr<CLoginDlg> Open(bool autoLogin) {
        auto dlg = std::make_unique<CLoginDlg>(
            m_session, SignInPrefill{m_account.userId, m_account.password, autoLogin});
        dlg->show();
        return dlg;
    }
    // Opens without automatic login and waits for the start timer, which makes 1002 active.
    std::unique_ptr<CLoginDlg> OpenAndStart() {
        auto dlg = Open(0);
        AutoLoginBox(dlg.get())->setFocus();
        EXPECT_TRUE(WaitUntil([&] { return dlg->focusWidget() == Edit(dlg.get(), 1002); }));
        return dlg;
    }

    TestFolder m_module;
    RecordedBoxes m_boxes;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    AccountInfo m_account;  // what the dialog opens with
    int m_loginEvents = 0;
    std::optional<Answer> m_answer;
};

}  // namespace

TEST(LoginBackgroundTest, IsCompiledIntoTheProgram) {
    const QPixmap picture = LoadLoginBackground();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(485, 208));
}

TEST(MessageBoxTest, ShowsTheTextUnderTheCaptionAndReturnsTheAnswer) {
    struct Case {
        UINT type;
        std::optional<QMessageBox::StandardButton> press;  // none: Escape
        int answer;
    };
    for (const Case& c :
         {Case{MB_OK, QMessageBox::Ok, IDOK}, Case{MB_YESNO, QMessageBox::Yes, IDYES},
          Case{MB_YESNO, QMessageBox::No, IDNO}, Case{MB_YESNO, std::nullopt, IDNO}}) {
        SCOPED_TRACE(c.answer);
        QString caption;
        QString text;
        QTimer::singleShot(0, qApp, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            text = box->text();
            if (c.press) {
                box->button(*c.press)->click();
            } else {
                QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        EXPECT_EQ(MessageBox(nullptr, QStringLiteral("기간 만료 입니다!\r\n다시"),
                             QStringLiteral("제목"), c.type),
                  c.answer);
        EXPECT_EQ(caption, QStringLiteral("제목"));
        EXPECT_EQ(text, QStringLiteral("기간 만료 입니다!\n다시"));
    }
}

TEST(QtTextsTest, StandardButtonsSpeakKoreanOnceQtsTranslationIsInstalled) {
    QTranslator* korean = InstallKoreanQtTexts(*qApp);
    ASSERT_NE(korean, nullptr) << "Qt's Korean translation (qt6-translations-l10n) is missing";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok);
    const QString yes = box.button(QMessageBox::Yes)->text();
    const QString no = box.button(QMessageBox::No)->text();
    const QString ok = box.button(QMessageBox::Ok)->text();
    QCoreApplication::removeTranslator(korean);
    delete korean;
    EXPECT_EQ(yes, QStringLiteral("예(&Y)"));
    EXPECT_EQ(no, QStringLiteral("아니요(&N)"));
    EXPECT_EQ(ok, QStringLiteral("확인"));
}

TEST_F(LoginDialogTest, OpensWithTheAccountPlacedOnThePictureAndTheIdFieldActive) {
    m_account.userId = "alice";
    m_account.password = "abcdefghijkl";  // remembered longer than the typing limit
    auto dlg = OpenAndStart();

    EXPECT_EQ(dlg->size(), QSize(485, 208));
    QLineEdit* id = Edit(dlg.get(), 1002);
    QLineEdit* password = Edit(dlg.get(), 1003);
    ASSERT_TRUE(dynamic_cast<CEditTrans*>(id) && dynamic_cast<CEditTrans*>(password));
    EXPECT_EQ(id->text(), QStringLiteral("alice"));
    EXPECT_EQ(password->text(), QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(id->pos(), QPoint(205, 88));
    EXPECT_EQ(password->geometry(), QRect(205, 115, 150, 15));
    EXPECT_EQ(AutoLoginBox(dlg.get())->pos(), QPoint(195, 135));
    EXPECT_TRUE(id->isVisible() && password->isVisible() && AutoLoginBox(dlg.get())->isVisible());
    EXPECT_FALSE(AutoLoginBox(dlg.get())->isChecked());
    EXPECT_TRUE(AutoLoginBox(dlg.get())->text().isEmpty());
    auto* status = qobject_cast<QLabel*>(GetDlgItem(dlg.get(), 1005));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), kPrompt);
    EXPECT_TRUE(status->alignment() & Qt::AlignHCenter);
    ASSERT_NE(GetDlgItem(dlg.get(), IDOK), nullptr);
    EXPECT_FALSE(GetDlgItem(dlg.get(), IDOK)->isVisible());

    id->clear();
    QTest::keyClicks(id, QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(id->text(), QStringLiteral("abcdefghij"));
    EXPECT_EQ(m_loginEvents, 0);
    EXPECT_TRUE(m_boxes.texts.isEmpty());
}

TEST_F(LoginDialogTest, AutomaticLoginChecksIdAndPasswordThenSendsTheEventByItself) {
    struct Case {
        const char* id;
        const char* password;
        QString box;  // empty: none
        int events;
        int activeField;
    };
    const Case cases[] = {
        {"", "secret", kNoUserId, 0, 1002},
        {"alice", "", kNoPassword, 0, 1003},
        {"alice", "secret", QString(), 1, 1002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + "/" + c.password);
        m_account = AccountInfo{};
        m_account.userId = c.id;
        m_account.password = c.password;
        m_boxes.texts.clear();
        m_loginEvents = 0;

        auto dlg = Open(1);
        ASSERT_TRUE(WaitUntil([&] { return m_loginEvents > 0 || !m_boxes.texts.isEmpty(); }));
        EXPECT_EQ(m_loginEvents, c.events);
        EXPECT_EQ(m_boxes.texts, c.box.isEmpty() ? QStringList() : QStringList{c.box});
        EXPECT_EQ(dlg->focusWidget(), GetDlgItem(dlg.get(), c.activeField));
        EXPECT_TRUE(AutoLoginBox(dlg.get())->isChecked());
        if (c.events == 1) {
            EXPECT_EQ(m_session.Account().userId, c.id);
            EXPECT_EQ(m_session.Account().password, c.password);
            EXPECT_EQ(GetDlgItemText(dlg.get(), 1005), kChecking);
            EXPECT_FALSE(GetDlgItem(dlg.get(), IDOK)->isEnabled());
            EXPECT_TRUE(dlg->AutoLogin());
        } else {
            EXPECT_EQ(GetDlgItemText(dlg.get(), 1005), kPrompt);
        }
    }
}

TEST_F(LoginDialogTest, AnUnansweredAttemptIsToldInTheStatusLineAndMayBeTriedAgain) {
    m_account.userId = "alice";
    m_account.password = "secret";
    auto dlg = Open(true);
    ASSERT_TRUE(WaitUntil([&] { return m_loginEvents == 1; }));
    EXPECT_FALSE(GetDlgItem(dlg.get(), IDOK)->isEnabled());

    const QString unanswered = QStringLiteral("로그인 서버 응답이 없습니다. 다시 시도 해주세요!");
    Q_EMIT m_session.signInUnanswered(unanswered);
    ASSERT_TRUE(WaitUntil([&] { return GetDlgItemText(dlg.get(), 1005) == unanswered; }));
    EXPECT_TRUE(GetDlgItem(dlg.get(), IDOK)->isEnabled());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(m_boxes.texts.isEmpty());

    QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, kSignInButton);
    EXPECT_EQ(m_loginEvents, 2);
    EXPECT_EQ(GetDlgItemText(dlg.get(), 1005), kChecking);
}

TEST_F(LoginDialogTest, ARefusalIsShownAndKeepsTheDialogOpenASuccessClosesItWithIdok) {
    m_account.userId = "alice";
    m_account.password = "secret";
    const std::string refusal = "미등록 고객입니다!\r\n아이디와 패스워드를 확인 해 주세요!";
    m_answer = Answer{SignInOutcome::Refused, refusal};
    auto dlg = Open(1);
    ASSERT_TRUE(WaitUntil([&] { return !m_boxes.texts.isEmpty(); }));
    EXPECT_EQ(m_boxes.texts, QStringList{QString::fromStdString(refusal)});
    EXPECT_EQ(m_boxes.captions, QStringList{QStringLiteral("TAVEN PIC 사진 수신 처리")});
    EXPECT_TRUE(dlg->isVisible());
    // The status line no longer says it is checking: it tells what happened, on one line that
    // holds the longest of the service's first lines whole.
    EXPECT_EQ(GetDlgItemText(dlg.get(), 1005), QStringLiteral("미등록 고객입니다!"));
    EXPECT_TRUE(GetDlgItem(dlg.get(), IDOK)->isEnabled());
    auto* status = qobject_cast<QLabel*>(GetDlgItem(dlg.get(), 1005));
    ASSERT_NE(status, nullptr);
    EXPECT_LE(status->fontMetrics().horizontalAdvance(
                  QStringLiteral("ZNL프로그램이 다른 쪽에서 실행되구 있습니다!")),
              status->width());

    // The next attempt, unchecked this time, is accepted.
    m_answer = Answer{SignInOutcome::Accepted, ""};
    AutoLoginBox(dlg.get())->setChecked(false);
    QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, kSignInButton);
    ASSERT_TRUE(WaitUntil([&] { return !dlg->isVisible(); }));
    EXPECT_EQ(dlg->result(), IDOK);
    EXPECT_FALSE(dlg->AutoLogin());
    EXPECT_EQ(m_loginEvents, 2);
    EXPECT_EQ(m_boxes.texts.size(), 1);
}

TEST_F(LoginDialogTest,
       AnUnreachableServerIsWaitedForWhenTheDialogSignedInByItselfShownWhenByHand) {
    m_account.userId = "alice";
    m_account.password = "secret";
    const std::string unreachable = "로그인 서버 접속 실패!\r\n다시 시도 해주세요!";
    m_answer = Answer{SignInOutcome::Unreachable, unreachable};
    auto dlg = Open(true);
    ASSERT_TRUE(WaitUntil([&] {
        return GetDlgItemText(dlg.get(), 1005) ==
               QStringLiteral("로그인 서버 연결 대기 중 (2초 후 재시도)");
    }));
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));  // the session's next attempt
    m_session.KillTimer(TIMER_LOGIN_CONNECT);
    EXPECT_TRUE(m_boxes.texts.isEmpty());
    EXPECT_TRUE(GetDlgItem(dlg.get(), IDOK)->isEnabled());
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(m_loginEvents, 1);

    // The user signs in by hand meanwhile: that attempt's failure is shown, and not retried.
    QTest::mouseClick(dlg.get(), Qt::LeftButton, {}, kSignInButton);
    ASSERT_TRUE(WaitUntil([&] { return !m_boxes.texts.isEmpty(); }));
    EXPECT_EQ(m_boxes.texts, QStringList{QString::fromStdString(unreachable)});
    EXPECT_EQ(m_loginEvents, 2);
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(LoginDialogTest, OnlyALeftClickInsideThePaintedButtonLogsIn) {
    m_account.userId = "alice";
    m_account.password = "secret";
    auto dlg = OpenAndStart();
    struct Case {
        QPoint at;
        Qt::MouseButton button;
        bool logsIn;
    };
    const Case cases[] = {
        {{208, 166}, Qt::LeftButton, true},      {{268, 184}, Qt::LeftButton, true},
        {{207, 166}, Qt::LeftButton, false},     {{208, 185}, Qt::LeftButton, false},
        {{269, 170}, Qt::LeftButton, false},     {{238, 165}, Qt::LeftButton, false},
        {kSignInButton, Qt::RightButton, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.at.x() << "," << c.at.y());
        const int before = m_loginEvents;
        QTest::mouseClick(dlg.get(), c.button, {}, c.at);
        EXPECT_EQ(m_loginEvents - before, c.logsIn ? 1 : 0);
    }
}

TEST_F(LoginDialogTest, KeysMoveBetweenTheFieldsAndNeverCloseTheDialog) {
    m_account.userId = "alice";
    auto dlg = OpenAndStart();
    struct Case {
        int from;
        const char* password;
        Qt::Key key;
        int activeAfter;
        int events;
    };
    const Case cases[] = {
        {1002, "", Qt::Key_Tab, 1003, 0},      {1002, "", Qt::Key_Return, 1003, 0},
        {1003, "", Qt::Key_Tab, 1003, 0},      {1003, "", Qt::Key_Return, 1003, 0},
        {1003, "pw", Qt::Key_Tab, 1003, 1},    {1003, "pw", Qt::Key_Enter, 1003, 1},
        {1020, "pw", Qt::Key_Tab, 1020, 0},    {1020, "pw", Qt::Key_Return, 1020, 0},
        {1002, "pw", Qt::Key_Escape, 1002, 0}, {1020, "pw", Qt::Key_Escape, 1020, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " key " << c.key);
        Edit(dlg.get(), 1003)->setText(QString::fromUtf8(c.password));
        GetDlgItem(dlg.get(), c.from)->setFocus();
        const int before = m_loginEvents;
        QTest::keyClick(dlg->focusWidget(), c.key);
        EXPECT_EQ(dlg->focusWidget(), GetDlgItem(dlg.get(), c.activeAfter));
        EXPECT_EQ(m_loginEvents - before, c.events);
        EXPECT_TRUE(dlg->isVisible());
    }
    EXPECT_TRUE(m_boxes.texts.isEmpty());

    Edit(dlg.get(), 1002)->setFocus();
    QTest::keyClicks(dlg->focusWidget(), QStringLiteral("x"));
    EXPECT_EQ(Edit(dlg.get(), 1002)->text(), QStringLiteral("alicex"))
        << "other keys type as usual";
}

namespace {

constexpr char kFileServer[] = "files.photo-svc.test";  // the full 20 characters of its field

// The form's login dialog, run from a form whose settings file lives in a fresh folder.
class RunLoginDialogTest : public ::testing::Test {
protected:
    void SetIni(const char* key, const char* value) const {
        ASSERT_TRUE(m_session.Settings().WriteText(ini::BASIC_INFO, key, value));
    }
    std::string Ini(const char* key) const {
        return m_session.Settings().ReadText(ini::BASIC_INFO, key, "<missing>", 100);
    }

    // Runs RunLoginDialog; `interact` gets the open dialog and must end it.
    void RunWith(const std::function<void(CLoginDlg&)>& interact) {
        bool opened = false;
        QTimer::singleShot(0, &m_view, [&] {
            auto* dlg = dynamic_cast<CLoginDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr) << "no login dialog open";
            opened = true;
            QTimer::singleShot(30000, dlg, [dlg] {
                ADD_FAILURE() << "the dialog was left open";
                dlg->reject();
            });
            interact(*dlg);
        });
        m_session.RequestSignIn();
        EXPECT_TRUE(opened);
    }

    // The login server accepts the attempt the dialog started, sending the file server's
    // address; the exchange itself is not made.
    void AcceptLogin() {
        ASSERT_TRUE(WaitUntil([&] { return m_session.IsTimerSet(TIMER_LOGIN_CONNECT); }));
        m_session.KillTimer(TIMER_LOGIN_CONNECT);
        testsupport::LoginAcceptance fields;
        fields.customerNo = 7;
        fields.fileServerIp = kFileServer;
        fields.fileServerPort = 40001;
        fields.latestVersion.clear();
        fields.displayName.clear();
        const std::string answer = ServerRecord(1002, testsupport::LoginAcceptanceBody(fields));
        m_session.HandleLoginReply(answer.c_str(), static_cast<int>(answer.size()));
    }

    TestFolder m_module;
    RecordedBoxes m_boxes;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(RunLoginDialogTest, AutomaticLoginWithoutAnIdIsOffAndClosingEndsTheProgramWritingNothing) {
    SetIni(ini::AUTO_LOGIN, "1");
    SetIni(ini::USER_ID, "");
    SetIni(ini::PASSWORD, "pw");
    const std::string before = ReadFileBytes(m_session.Paths().settingsFile);

    RunWith([&](CLoginDlg& dlg) {
        EXPECT_FALSE(dlg.AutoLogin());
        EXPECT_EQ(m_session.Account().fileSlotNotReconnected, -1);
        AutoLoginBox(&dlg)->setFocus();
        EXPECT_TRUE(WaitUntil([&] { return dlg.focusWidget() == Edit(&dlg, 1002); }));
        EXPECT_FALSE(AutoLoginBox(&dlg)->isChecked());
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
        dlg.close();
    });

    EXPECT_TRUE(m_boxes.texts.isEmpty());
    EXPECT_EQ(ReadFileBytes(m_session.Paths().settingsFile), before);
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
    // The quit was posted: the next message loop ends with code 0 (99 would be the time limit).
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    limit.start(30000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(RunLoginDialogTest, ASuccessfulLoginRemembersOrForgetsTheAccountAndConnectsTheFileServer) {
    struct Case {
        const char* name;
        const char* autoLogin;
        const char* storedId;
        const char* storedPassword;
        bool typeAndClick;  // otherwise the dialog logs in by itself
        const char* writtenAuto;
        const char* writtenId;
        const char* writtenPassword;
    };
    const Case cases[] = {
        {"automatic", "1", "alice", "secret", false, "1", "alice", "secret"},
        {"typed, unchecked", "0", "stale", "old", true, "0", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetIni(ini::AUTO_LOGIN, c.autoLogin);
        SetIni(ini::USER_ID, c.storedId);
        SetIni(ini::PASSWORD, c.storedPassword);

        RunWith([&](CLoginDlg& dlg) {
            if (c.typeAndClick) {
                Edit(&dlg, 1002)->setText(QStringLiteral("bob"));
                Edit(&dlg, 1003)->setText(QStringLiteral("pw2"));
                QTest::mouseClick(&dlg, Qt::LeftButton, {}, kSignInButton);
            }
            AcceptLogin();
        });

        EXPECT_EQ(Ini(ini::AUTO_LOGIN), c.writtenAuto);
        EXPECT_EQ(Ini(ini::USER_ID), c.writtenId);
        EXPECT_EQ(Ini(ini::PASSWORD), c.writtenPassword);
        EXPECT_EQ(m_session.ServerIp(ServerGroup::File), kFileServer);
        EXPECT_EQ(m_session.ServerPort(ServerGroup::File), 40001);
        EXPECT_TRUE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        m_session.KillTimer(TIMER_FILE_CONNECT);
    }

    // As after a logout: automatic login is off, and the last user's account is filled in.
    RunWith([&](CLoginDlg& dlg) {
        EXPECT_EQ(Edit(&dlg, 1002)->text(), QStringLiteral("bob"));
        EXPECT_EQ(Edit(&dlg, 1003)->text(), QStringLiteral("pw2"));
        QTest::mouseClick(&dlg, Qt::LeftButton, {}, kSignInButton);
        AcceptLogin();
    });
    EXPECT_TRUE(m_boxes.texts.isEmpty());
}

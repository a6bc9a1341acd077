// Sign-in against a scripted login server: the connection table, the request and the answer, the
// login dialog's automatic login and the updater hand-over, through the real form.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <mutex>
#include <thread>

#include "core/clientsession.h"
#include "core/clientsock.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "protocol/loginrequest.h"
#include "support/scriptedserver.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ScriptedServer;
using testsupport::ServerRecord;
using testsupport::TestFolder;
using testsupport::WaitUntil;
using testsupport::WriteAllBytes;

namespace {

std::string YesBody(int fileServerPort, const std::string& version = "v.2018.04.06.02",
                    const std::string& updateIp = "", const std::string& extension = "") {
    testsupport::LoginAcceptance fields;
    fields.fileServerPort = fileServerPort;
    fields.latestVersion = version;
    fields.updateServerIp = updateIp;
    return testsupport::LoginAcceptanceBody(fields) + extension;
}

class SignInTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetTimeScaleForTests(0.1);
        SetMessageBoxHandlerForTests([this](const QString& text, const QString&) {
            m_boxes << text;
            return IDOK;
        });
        Ini("자동로그인", "1");
        Ini("아이디", "guest");
        Ini("패스워드", "secret");
        Ini("LoginServerIP", "127.0.0.1");
        Ini("LoginServerPort", std::to_string(m_login.Port()).c_str());
        m_session.ReadLoginServerInfo();
    }
    void TearDown() override {
        SetMessageBoxHandlerForTests(nullptr);
        platform::SetTimeScaleForTests(1.0);
    }

    void Ini(const char* key, const char* value) {
        ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", key, value,
                                                        m_session.Paths().settingsFile));
    }
    std::string IniText(const char* section, const char* key) {
        return platform::GetPrivateProfileString(section, key, "<none>", 300,
                                                 m_session.Paths().settingsFile);
    }
    void Answer(std::function<void(int fd, const std::string& request)> respond) {
        std::lock_guard lock(m_respondMutex);
        m_respond = std::move(respond);
    }
    void AnswerRecord(const std::string& body) {
        Answer([record = ServerRecord(1002, body)](int fd, const std::string&) {
            WriteAllBytes(fd, record);
        });
    }

    // Runs the login dialog until it closes by itself, or closes it once `done` holds.
    void RunLoginDialogUntil(const std::function<bool()>& done) {
        QTimer watcher;
        QElapsedTimer elapsed;
        elapsed.start();
        QObject::connect(&watcher, &QTimer::timeout, &watcher, [&] {
            if (!done() && elapsed.elapsed() < 30000) return;
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        watcher.start(5);
        m_session.RequestSignIn();
        // A dialog closed without a login posts the quit, which would end every later loop of
        // this test process; the program itself would be ending here.
        QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
    }
    QStringList ActivityLines() const {
        QStringList lines;
        auto* list = static_cast<QListWidget*>(GetDlgItem(&m_view, 1000));
        for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
        return lines;
    }
    int LinesContaining(const QString& text) const {
        return static_cast<int>(ActivityLines().filter(text).size());
    }
    bool LoginSlotsFree() const {
        for (int slot = 0; slot < 50; ++slot) {
            if (m_session.Socket(slot)) return false;
        }
        return true;
    }

    TestFolder m_module;
    std::mutex m_respondMutex;
    std::function<void(int, const std::string&)> m_respond = [](int, const std::string&) {};
    ScriptedServer m_login{[this](int fd, const std::string& request) {
        std::function<void(int, const std::string&)> respond;
        {
            std::lock_guard lock(m_respondMutex);
            respond = m_respond;
        }
        respond(fd, request);
    }};
    ScriptedServer m_fileServer{[](int, const std::string&) {}};
    QStringList m_boxes;
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    COvrinView m_view{m_session};
};

}  // namespace

TEST_F(SignInTest, AutomaticLoginSendsTheRequestAndYesConnectsTheFileServer) {
    Ini("닉네임", "");
    AnswerRecord(YesBody(m_fileServer.Port()));
    RunLoginDialogUntil([] { return false; });

    ASSERT_EQ(m_login.Requests().size(), 1u);
    EXPECT_EQ(m_login.Requests()[0], BuildLoginRequest("guest", "secret", ""));
    const AccountInfo& account = m_session.Account();
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_EQ(account.loginResult, 'Y');
    EXPECT_EQ(account.customerNo, 4321);
    EXPECT_EQ(account.fileServerIp, "127.0.0.1");
    EXPECT_EQ(account.fileServerPort, m_fileServer.Port());
    EXPECT_EQ(GetDlgItemText(&m_view, 1021), QStringLiteral("guest"));
    EXPECT_EQ(GetDlgItemText(&m_view, 1024), QStringLiteral("정상 로그인"));
    EXPECT_EQ(IniText("BasicInfo", "자동로그인"), "1");
    EXPECT_EQ(IniText("BasicInfo", "아이디"), "guest");
    EXPECT_EQ(IniText("BasicInfo", "패스워드"), "secret");
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
    EXPECT_TRUE(m_boxes.isEmpty());

    ASSERT_TRUE(WaitUntil([&] { return m_fileServer.Connections() == 1; }));
    EXPECT_TRUE(LoginSlotsFree());
    EXPECT_EQ(LinesContaining(QStringLiteral("[0] 로그인 서버 Connected!")), 1);
}

TEST_F(SignInTest, EachRefusalShowsItsMessageAndRecordsAFailedLogin) {
    const std::pair<std::string, QString> cases[] = {
        {"E", QStringLiteral("기간 만료 입니다!\r\n사용기간을 확인 해 주세요!")},
        {"N", QStringLiteral("미등록 고객입니다!\r\n아이디와 패스워드를 확인 해 주세요!")},
        {"P", QStringLiteral("패스워드 오류 입니다!\r\n아이디와 패스워드를 확인 해 주세요!")},
        {"S", QStringLiteral("ZNL프로그램이 다른 쪽에서 실행되구 있습니다!")},
        {"#", QStringLiteral("알수 없는 오류 발생!\r\n다시 시도 해주세요!")},
    };
    for (const auto& [letter, message] : cases) {
        SCOPED_TRACE(letter);
        m_boxes.clear();
        AnswerRecord(letter);
        RunLoginDialogUntil([&] { return !m_boxes.isEmpty(); });
        EXPECT_EQ(m_boxes, QStringList{message});
        EXPECT_FALSE(m_session.SignedIn());
        EXPECT_EQ(GetDlgItemText(&m_view, 1024), QStringLiteral("로그인 실패"));
        EXPECT_EQ(GetDlgItemText(&m_view, 1021), QString());
        EXPECT_FALSE(m_session.IsTimerSet(TIMER_FILE_CONNECT));
        EXPECT_TRUE(WaitUntil([&] { return LoginSlotsFree(); }));
    }
}

TEST_F(SignInTest, AnAutomaticLoginWaitsForAnUnreachableServerShowingItAndSignsInOnceItAnswers) {
    const int deadPort = [] {
        const ScriptedServer probe([](int, const std::string&) {});
        return probe.Port();
    }();
    Ini("LoginServerPort", std::to_string(deadPort).c_str());
    m_session.ReadLoginServerInfo();
    m_view.CreateTray();
    QList<int> waits;
    QObject::connect(&m_session, &ClientSession::signInWaiting, &m_view,
                     [&waits](int seconds) { waits << seconds; });
    AnswerRecord(YesBody(m_fileServer.Port()));
    QString status, loginRow, tip, waitingText;
    bool signInEnabled = false;
    RunLoginDialogUntil([&] {
        if (waits.size() < 2 || !waitingText.isEmpty()) return false;
        // Seen while it waits; then the server is found at the port the settings now name.
        QWidget* dlg = QApplication::activeModalWidget();
        waitingText = QStringLiteral("로그인 서버 연결 대기 중 (%1초 후 재시도)").arg(waits.last());
        status = GetDlgItemText(dlg, 1005);
        signInEnabled = GetDlgItem(dlg, IDOK)->isEnabled();
        loginRow = GetDlgItemText(&m_view, 1024);
        tip = m_view.Tray()->Icon().toolTip();
        Ini("LoginServerPort", std::to_string(m_login.Port()).c_str());
        m_session.ReadLoginServerInfo();
        return false;  // the dialog closes by itself once signed in
    });
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(waits.mid(0, 2), (QList<int>{2, 4}));
    EXPECT_EQ(status, waitingText);
    EXPECT_TRUE(signInEnabled);
    EXPECT_EQ(loginRow, waitingText);
    EXPECT_EQ(tip, QStringLiteral("TAVEN PIC 사진 수신 처리\n로그인 서버 연결 대기 중"));

    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_EQ(GetDlgItemText(&m_view, 1024), QStringLiteral("정상 로그인"));
    // Signed in: the tip tells of the file server now, no more of the login server.
    const QString signedInTip = m_view.Tray()->Icon().toolTip();
    EXPECT_TRUE(signedInTip.startsWith(QStringLiteral("TAVEN PIC 사진 수신 처리\n")));
    EXPECT_FALSE(signedInTip.contains(QStringLiteral("로그인 서버")));
    // One attempt is told; the ones after it are not.
    EXPECT_EQ(LinesContaining(QStringLiteral("접속시도[%1]").arg(deadPort)), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("로그인 서버 Connect Fail!")), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("2초 후 다시 로그인합니다.")), 1);
}

TEST_F(SignInTest, ASignInByHandThatFindsNoServerShowsTheMessageOnceAndIsNotRetried) {
    Ini("LoginServerPort", "1");  // nothing listens on port 1 here
    m_session.ReadLoginServerInfo();
    int attemptsBefore = -1;
    RunLoginDialogUntil([&] {
        QWidget* dlg = QApplication::activeModalWidget();
        // The dialog's own attempt waits for the server; the user clicks while it does.
        if (attemptsBefore < 0 && GetDlgItem(dlg, IDOK)->isEnabled() &&
            GetDlgItemText(dlg, 1005).startsWith(QStringLiteral("로그인 서버 연결 대기 중"))) {
            attemptsBefore = LinesContaining(QStringLiteral("접속시도"));
            QTest::mouseClick(dlg, Qt::LeftButton, {}, QPoint(238, 175));
        }
        return !m_boxes.isEmpty();
    });
    ASSERT_GE(attemptsBefore, 0);
    EXPECT_EQ(m_boxes,
              QStringList{QStringLiteral("로그인 서버 접속 실패!\r\n다시 시도 해주세요!")});
    WaitUntil([] { return false; }, 600);
    EXPECT_EQ(m_boxes.size(), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("접속시도")), attemptsBefore + 1);
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_LOGIN_CONNECT));
    EXPECT_TRUE(LoginSlotsFree());
}

TEST_F(SignInTest, SilentServerIsReleasedQuietlyAndAHalfAnswerIsAReadError) {
    Answer([](int, const std::string&) {});
    RunLoginDialogUntil([&] { return m_login.Connections() == 1 && LoginSlotsFree(); });
    EXPECT_TRUE(LoginSlotsFree());
    EXPECT_TRUE(m_boxes.isEmpty());
    EXPECT_EQ(LinesContaining(QStringLiteral("Read TimeOut")), 0);

    struct Case {
        std::string bytes;
        QString line;
    };
    const Case faults[] = {
        {ServerRecord(1002, YesBody(1)).substr(0, 40),
         QStringLiteral("로그인 소켓 Read TimeOut![40][ZNLA")},
        {"ZNLA000010011002Y", QStringLiteral("로그인 소켓 Read TimeOut![12][ZNLA00001001]")},
    };
    for (const Case& fault : faults) {
        SCOPED_TRACE(fault.bytes);
        Answer([bytes = fault.bytes](int fd, const std::string&) { WriteAllBytes(fd, bytes); });
        const int before = LinesContaining(QStringLiteral("로그인 응답 읽기 오류!"));
        RunLoginDialogUntil(
            [&] { return LinesContaining(QStringLiteral("로그인 응답 읽기 오류!")) > before; });
        EXPECT_TRUE(ActivityLines().filter(fault.line).size() >= 1)
            << ActivityLines().join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(m_boxes.isEmpty());
        EXPECT_TRUE(WaitUntil([&] { return LoginSlotsFree(); }));
    }
}

TEST_F(SignInTest, NicknameFromTheAnswerIsTakenOnlyWhenNoneIsSet) {
    Ini("닉네임", "");
    AnswerRecord(YesBody(m_fileServer.Port(), "v.2018.04.06.02", "", "01:x,02:abc,02:def"));
    RunLoginDialogUntil([] { return false; });
    EXPECT_EQ(m_session.Nickname(), "abc");
    EXPECT_EQ(GetDlgItemText(&m_view, 1029), QStringLiteral("abc"));
    EXPECT_EQ(IniText("BasicInfo", "닉네임"), "abc");

    AnswerRecord(YesBody(m_fileServer.Port(), "v.2018.04.06.02", "", "02:xyz"));
    RunLoginDialogUntil([] { return false; });
    EXPECT_EQ(m_session.Nickname(), "abc");
    // The next request carries the nickname.
    EXPECT_EQ(m_login.Requests().back(), BuildLoginRequest("guest", "secret", "abc"));
}

TEST_F(SignInTest, ANewerVersionHandsOverToTheUpdater) {
    const fs::path marker = m_module.Path() / "updater-ran";
    testsupport::WriteFileBytes(m_module.Path() / "TavenFTPClient",
                                "#!/bin/sh\ntouch '" + marker.string() + "'\n");
    fs::permissions(m_module.Path() / "TavenFTPClient", fs::perms::owner_all);

    AnswerRecord(YesBody(m_fileServer.Port(), "v.2018.04.06.02", "update.example"));
    RunLoginDialogUntil([] { return false; });
    EXPECT_EQ(IniText("FTP", "IP"), "<none>");  // equal version: no hand-over
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));

    AnswerRecord(YesBody(m_fileServer.Port(), "v.2018.04.06.03", "update.example"));
    RunLoginDialogUntil([] { return false; });
    EXPECT_EQ(IniText("FTP", "IP"), "update.example");
    EXPECT_EQ(IniText("FTP", "Localfile"), m_module.Path().string() + "/ZNLClient");
    EXPECT_EQ(IniText("FTP", "Remotefile"), "ZNLClient");
    EXPECT_EQ(IniText("FTP", "RunExe"), "1");
    EXPECT_FALSE(m_session.Running());
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(marker); }));
}

TEST_F(SignInTest, ANewerVersionWithoutTheUpdaterIsNoticedAndReceptionGoesOn) {
    AnswerRecord(YesBody(m_fileServer.Port(), "v.2018.04.06.03", "update.example"));
    RunLoginDialogUntil([] { return false; });

    EXPECT_EQ(GetDlgItemText(&m_view, 1019),
              QStringLiteral("새 버전 v.2018.04.06.03 이 있습니다 (업데이트 프로그램 없음)"));
    EXPECT_EQ(LinesContaining(QStringLiteral("업데이트 프로그램(TavenFTPClient)이 없어")), 1);
    EXPECT_TRUE(m_session.Running());
    EXPECT_TRUE(m_session.SignedIn());
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_FOLDER_UPLOAD));
    EXPECT_EQ(IniText("FTP", "IP"), "<none>");
}

TEST_F(SignInTest, SixtyLoginsDoNotExhaustTheConnectionTable) {
    AnswerRecord(YesBody(m_fileServer.Port()));
    for (int i = 0; i < 60; ++i) {
        RunLoginDialogUntil([] { return false; });
        ASSERT_TRUE(m_session.SignedIn()) << i;
    }
    EXPECT_EQ(m_login.Requests().size(), 60u);
    EXPECT_TRUE(WaitUntil([&] { return LoginSlotsFree(); }));
}

TEST_F(SignInTest, AFileServerThatCannotBeReachedIsRetriedWithOneLine) {
    AnswerRecord(YesBody(1));
    RunLoginDialogUntil([] { return false; });
    ASSERT_TRUE(WaitUntil([&] { return m_session.FileLineRetry().Failures() >= 3; }));
    EXPECT_EQ(LinesContaining(
                  QStringLiteral("[50] 파일 전송 서버 Connect Fail! 2초 후 다시 접속합니다.")),
              1);
    EXPECT_EQ(LinesContaining(QStringLiteral("파일 전송 서버 Connect Fail!")), 1);
    EXPECT_EQ(LinesContaining(QStringLiteral("127.0.0.1 접속시도[1]")), 1);
}

TEST(ConnectionTable, FreeSlotSearchWrapsWithinItsGroupAndNeverHandsOutTheLast) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    COvrinView view(session);
    const struct {
        int group, start, slot;
    } cases[] = {{0, 0, 0},   {0, 48, 48}, {0, 49, 0},  {0, 77, 0},
                 {1, 50, 50}, {1, 98, 98}, {1, 99, 50}, {1, 0, 50}};
    for (const auto& c : cases) {
        EXPECT_EQ(session.FindFreeSlot(static_cast<ServerGroup>(c.group), c.start), c.slot)
            << c.group << "/" << c.start;
    }
}

TEST(ConnectionTable, AFullGroupRefusesTheNextConnectionWithALine) {
    TestFolder module;
    ClientSession session(ProgramFolders::At(module.Path()));
    ASSERT_TRUE(session.Settings().WriteText("BasicInfo", "LoginServerPort", "1"));
    COvrinView view(session);
    session.ReadLoginServerInfo();
    for (int i = 0; i < 50; ++i) session.ConnectServer(ServerGroup::Login, 0);
    for (int slot = 0; slot < 49; ++slot) EXPECT_NE(session.Socket(slot), nullptr) << slot;
    EXPECT_EQ(session.Socket(49), nullptr);
    auto* list = static_cast<QListWidget*>(GetDlgItem(&view, 1000));
    EXPECT_EQ(list->item(0)->text().mid(11),
              QStringLiteral("로그인 서버 접속 불가! 사용할 수 있는 연결이 없습니다."));
    // The refused connects come back and free every slot.
    EXPECT_TRUE(WaitUntil([&] {
        for (int slot = 0; slot < 49; ++slot) {
            if (session.Socket(slot)) return false;
        }
        return true;
    }));
}

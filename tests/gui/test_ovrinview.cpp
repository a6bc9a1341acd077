#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <thread>

#include "core/clientsession.h"
#include "core/msglog.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "gui/controls.h"
#include "gui/ovrinview.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

// A form whose executable folder is a fresh test folder, on a UTC clock the test sets.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC0", 1);
        tzset();
        platform::SetClockForTests([this] { return m_now; });
        // The start sequence opens the login dialog; nobody signs in here.
        QObject::connect(&m_loginDialogCloser, &QTimer::timeout, &m_loginDialogCloser, [] {
            if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        m_loginDialogCloser.start(10);
    }
    void TearDown() override { platform::SetClockForTests(nullptr); }

    void RedirectPathsAfterInitialUpdate() {}
    void SetIni(const char* section, const char* key, const char* value) {
        ASSERT_TRUE(platform::WritePrivateProfileString(section, key, value,
                                                        m_session.Paths().settingsFile));
    }
    QStringList ActivityLines() const {
        QStringList lines;
        auto* list = static_cast<QListWidget*>(GetDlgItem(&m_view, 1000));
        for (int row = 0; row < list->count(); ++row) lines << list->item(row)->text();
        return lines;
    }
    static std::time_t At(int year, int month, int day, int hour, int minute, int second) {
        return testsupport::LocalMoment(year, month, day, hour, minute, second);
    }

    TestFolder m_module;
    std::time_t m_now = At(2024, 2, 29, 23, 59, 58);
    ClientSession m_session{ProgramFolders::At(m_module.Path())};
    COvrinView m_view{m_session};
    QTimer m_loginDialogCloser;
};

}  // namespace

TEST_F(FormTest, InitialUpdateThenStartSequenceReadsSettingsAndLogsTheStart) {
    m_view.OnInitialUpdate();
    EXPECT_EQ(GetDlgItemText(&m_view, 1010), QStringLiteral("v.2018.04.06.02"));
    EXPECT_EQ(GetDlgItem(&m_view, 1015)->font(), m_view.LargeFont());
    EXPECT_EQ(GetDlgItem(&m_view, 1011)->font(), m_view.LargeFont());
    EXPECT_EQ(GetDlgItem(&m_view, 1000)->font(), m_view.SmallFont());
    EXPECT_EQ(GetDlgItem(&m_view, 1009)->font(), m_view.SmallFont());
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_STARTUP));

    RedirectPathsAfterInitialUpdate();
    SetIni("BasicInfo", "닉네임", "스튜디오 하늘");
    SetIni("basicinfo", "loginserverip", "10.1.2.3");
    SetIni("BasicInfo", "LoginServerPort", "31000");

    ASSERT_TRUE(WaitUntil([&] { return !ActivityLines().isEmpty(); }));
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_STARTUP));
    const QString startLine = QStringLiteral("[23:59:58] TAVEN PIC 사진 수신 처리 Program Start!");
    EXPECT_EQ(ActivityLines(), QStringList{startLine});
    EXPECT_EQ(ReadFileBytes(m_module.Path() / "logs/20240229/20240229_Msg.txt"),
              startLine.toStdString() + "\r\n");
    EXPECT_EQ(GetDlgItemText(&m_view, 1029), QStringLiteral("스튜디오 하늘"));
    EXPECT_EQ(m_session.ServerIp(ServerGroup::Login), "10.1.2.3");
    EXPECT_EQ(m_session.ServerPort(ServerGroup::Login), 31000);
    EXPECT_EQ(m_session.Today(), "20240229");
    EXPECT_TRUE(m_session.IsTimerSet(TIMER_CLOCK));
}

TEST_F(FormTest, WithoutSettingsFileEveryDefaultApplies) {
    m_session.Start();
    EXPECT_EQ(m_session.ServerIp(ServerGroup::Login), "127.0.0.1");
    EXPECT_EQ(m_session.ServerPort(ServerGroup::Login), 30002);
    EXPECT_EQ(m_session.Nickname(), "");
    EXPECT_FALSE(fs::exists(m_session.Paths().settingsFile));
}

TEST_F(FormTest, ClockShowsTimeAndLogCleanUpRunsAtStartAndAtTheFirstTickOfEachDay) {
    struct Case {
        const char* logDelete;
        bool deletes;
    };
    for (const Case& c : {Case{"1", true}, Case{"0", false}}) {
        SCOPED_TRACE(c.logDelete);
        m_now = At(2024, 2, 29, 23, 59, 58);
        SetIni("BasicInfo", "로그삭제", c.logDelete);
        const fs::path logs = m_module.Path() / "logs";
        const QString root = QString::fromStdString(logs.string());
        for (const char* day : {"20231130", "20231231", "20240101", "20240102"}) {
            fs::create_directories(logs / day);
            testsupport::WriteFileBytes(logs / day / "old.txt", "x");
        }

        // Everything from 60 days back on goes at the start, not only the one day.
        m_session.Start();
        EXPECT_EQ(fs::exists(logs / "20231130"), !c.deletes);
        EXPECT_EQ(fs::exists(logs / "20231231"), !c.deletes);
        EXPECT_TRUE(fs::exists(logs / "20240101"));
        EXPECT_EQ(
            ActivityLines().front() ==
                QStringLiteral("[23:59:58] Delete log folders: 2 (20231130 - 20231231) in ") + root,
            c.deletes);

        m_now = At(2024, 2, 29, 23, 59, 59);
        m_session.OnTimer(TIMER_CLOCK);
        EXPECT_EQ(GetDlgItemText(&m_view, 1008), QStringLiteral("2024-02-29"));
        EXPECT_EQ(GetDlgItemText(&m_view, 1009), QStringLiteral("23:59:59"));
        EXPECT_TRUE(fs::exists(logs / "20240101"));

        m_now = At(2024, 3, 1, 0, 0, 1);
        m_session.OnTimer(TIMER_CLOCK);
        EXPECT_EQ(fs::exists(logs / "20240101"), !c.deletes);
        EXPECT_TRUE(fs::exists(logs / "20240102"));
        const QString deleteLine =
            QStringLiteral("[00:00:01] Delete log folders: 1 (20240101) in ") + root;
        EXPECT_EQ(ActivityLines().front() == deleteLine, c.deletes);
        EXPECT_EQ(m_session.Today(), "20240301");

        // Later ticks of the same day leave a folder of that name alone.
        fs::create_directories(logs / "20240101");
        m_now = At(2024, 3, 1, 0, 0, 2);
        m_session.OnTimer(TIMER_CLOCK);
        EXPECT_TRUE(fs::exists(logs / "20240101"));
        fs::remove_all(logs);
    }
}

TEST_F(FormTest, ActivityListKeepsTheThirtyNewestLinesNewestFirst) {
    for (int i = 1; i <= 31; ++i) m_session.Log("line " + std::to_string(i));
    const QStringList lines = ActivityLines();
    ASSERT_EQ(lines.size(), 30);
    EXPECT_EQ(lines.front(), QStringLiteral("[23:59:58] line 31"));
    EXPECT_EQ(lines.back(), QStringLiteral("[23:59:58] line 2"));
    // The file keeps every line.
    const std::string file = ReadFileBytes(m_module.Path() / "logs/20240229/20240229_Msg.txt");
    EXPECT_NE(file.find("[23:59:58] line 1\r\n"), std::string::npos);
}

TEST_F(FormTest, ReceptionThreadsReachTheFormThroughTheSessionBySynchronousMessages) {
    std::atomic<bool> done{false};
    const HWND session = m_session.Handle();
    std::thread reception([&] {
        const std::string text = "파일 수신 완료! [1,024]a.jpg";
        SendMessage(session, WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&text));
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }));
    reception.join();
    ASSERT_FALSE(ActivityLines().isEmpty());
    EXPECT_EQ(ActivityLines().front(), QStringLiteral("[23:59:58] 파일 수신 완료! [1,024]a.jpg"));
}

TEST_F(FormTest, EscapeAndF1AreSwallowed) {
    auto* edit = static_cast<QLineEdit*>(GetDlgItem(&m_view, 1011));
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_F1}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        EXPECT_TRUE(QApplication::sendEvent(edit, &press)) << key;
    }
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(edit, &letter);
    EXPECT_EQ(edit->text(), QStringLiteral("a"));
}

TEST_F(FormTest, DestroyStopsTheRunAndTheClock) {
    m_session.Start();
    ASSERT_TRUE(m_session.IsTimerSet(TIMER_CLOCK));
    m_view.OnDestroy();
    EXPECT_FALSE(m_session.Running());
    EXPECT_FALSE(m_session.IsTimerSet(TIMER_CLOCK));
}

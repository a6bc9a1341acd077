// The tray shows the session's state: a picture of its own for each state, a tip with the state and
// the last delivery, and menu items that open the save folder and switch notifications.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "core/windowmessages.h"
#include "gui/mainframe.h"
#include "gui/ovrinview.h"
#include "gui/tray.h"
#include "gui/trayicons.h"
#include "gui/traymenu.h"
#include "openedurls.h"
#include "platform/messagewindow.h"
#include "platform/privateprofile.h"
#include "support/testfolder.h"

using testsupport::TestFolder;

namespace {

constexpr SessionState kStates[] = {SessionState::SignedOut, SessionState::Waiting,
                                    SessionState::Idle, SessionState::Receiving,
                                    SessionState::Problem};

QImage Picture(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

class TrayStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_session.SetSaveFolder(m_save.Path().string());
        View()->CreateTray();
    }

    COvrinView* View() { return m_frame.View(); }
    QImage TrayPicture() { return Picture(View()->Tray()->Icon().icon().pixmap(64)); }
    QString Tip() { return View()->Tray()->Icon().toolTip(); }
    QAction* Item(int id) {
        for (QAction* item : m_frame.findChild<CBTray*>()->Menu()->actions()) {
            if (item->data().toInt() == id) return item;
        }
        return nullptr;
    }

    TestFolder m_program;
    TestFolder m_save;
    ClientSession m_session{ProgramFolders::At(m_program.Path())};
    CMainFrame m_frame{m_session};
};

}  // namespace

TEST(TrayStateIcon, EachStateHasAPictureOfItsOwn) {
    for (std::size_t i = 0; i < std::size(kStates); ++i) {
        const QImage picture = Picture(TrayStateIcon(kStates[i]));
        ASSERT_FALSE(picture.isNull());
        for (std::size_t j = 0; j < i; ++j) {
            EXPECT_NE(picture, Picture(TrayStateIcon(kStates[j]))) << i << " " << j;
        }
    }
}

TEST(TrayTip, KeepsEachLineWholeLettingTheTitleGoFirstThenTheLastDelivery) {
    const std::string title = "TAVEN PIC 사진 수신 처리";
    const std::string last = "최근 수신 14:03 · 31장";
    const struct {
        std::string state;
        std::string lastDelivery;
        std::string tip;
    } cases[] = {
        {"수신 대기 중", last, title + "\n수신 대기 중\n" + last},
        {"수신 대기 중", "", title + "\n수신 대기 중"},
        {"로그인 서버 연결 대기 중", last, "로그인 서버 연결 대기 중\n" + last},
        {"사진 저장 폴더를 쓸 수 없음", last, "사진 저장 폴더를 쓸 수 없음\n" + last},
        {std::string(38, 's'), last, std::string(38, 's') + "\n" + last},
        {std::string(40, 's'), last, std::string(40, 's')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayTipText(c.state, c.lastDelivery), c.tip) << c.state;
    }
}

TEST_F(TrayStateTest, PictureAndTipFollowTheSessionsReports) {
    EXPECT_EQ(TrayPicture(), Picture(TrayStateIcon(SessionState::SignedOut)));
    EXPECT_EQ(Tip(), QStringLiteral("TAVEN PIC 사진 수신 처리\n로그인 안 됨"));

    Q_EMIT m_session.loginStateChanged(true, QStringLiteral("guest"), 0);
    SendMessage(m_session.Handle(), WM_RECV_STATE, 1, 1);
    EXPECT_EQ(TrayPicture(), Picture(TrayStateIcon(SessionState::Idle)));
    EXPECT_EQ(Tip(), QStringLiteral("TAVEN PIC 사진 수신 처리\n수신 대기 중"));

    const std::string announced = "파일명:a.jpg  사이즈:1,000";
    SendMessage(m_session.Handle(), WM_RECV_PROGRESS, RECV_PROGRESS_ANNOUNCED,
                reinterpret_cast<LPARAM>(&announced));
    SendMessage(m_session.Handle(), WM_RECV_PROGRESS, RECV_PROGRESS_FILE_SIZE, 1000);
    SendMessage(m_session.Handle(), WM_RECV_PROGRESS, RECV_PROGRESS_RECEIVING, 455);
    EXPECT_EQ(TrayPicture(), Picture(TrayStateIcon(SessionState::Receiving)));
    EXPECT_EQ(Tip(), QStringLiteral("TAVEN PIC 사진 수신 처리\n수신 중 · 45%"));

    SendMessage(m_session.Handle(), WM_RECV_STATE, 1, 0);  // the server goes away
    EXPECT_EQ(TrayPicture(), Picture(TrayStateIcon(SessionState::Waiting)));
    EXPECT_EQ(Tip(), QStringLiteral("TAVEN PIC 사진 수신 처리\n파일 서버 연결 대기 중"));

    Q_EMIT m_session.fileServerRefused();
    EXPECT_EQ(TrayPicture(), Picture(TrayStateIcon(SessionState::Problem)));
    EXPECT_EQ(Tip(), QStringLiteral("TAVEN PIC 사진 수신 처리\n파일 서버가 접속을 거부함"));
}

TEST_F(TrayStateTest, TheSaveFolderItemOpensTheSaveFolder) {
    OpenedUrls opened;
    Item(ID_TRAY_SAVE_FOLDER)->trigger();
    EXPECT_EQ(opened.urls,
              QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(m_save.Path().string()))}));
}

// The mark shows what the settings file holds when the menu opens, and a click writes it.
TEST_F(TrayStateTest, TheNotificationsItemSwitchesTheSettingAndShowsTheFile) {
    QAction* item = Item(ID_TRAY_NOTIFICATIONS);
    QMenu* menu = m_frame.findChild<CBTray*>()->Menu();
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(item->isChecked());  // on by default

    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(platform::GetPrivateProfileString("BasicInfo", "알림", "", 10,
                                                m_session.Paths().settingsFile),
              "0");
    EXPECT_FALSE(m_session.Settings().NotificationsOn());

    ASSERT_TRUE(platform::WritePrivateProfileString("BasicInfo", "알림", "1",
                                                    m_session.Paths().settingsFile));
    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(item->isChecked());
}

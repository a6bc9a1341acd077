// The tray in a real notification area (trayer on Xvfb): the icon is there, clicks on it bring the
// hidden frame back or open the menu, and "Exit" ends the loop; the form's end takes the icon away.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "gui/appicon.h"
#include "gui/mainframe.h"
#include "gui/mainloop.h"
#include "gui/ovrinview.h"
#include "gui/tray.h"
#include "gui/traymenu.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

using testsupport::kLoopNotEnded;
using testsupport::RunQueuedWork;
using testsupport::WaitUntil;

namespace {

constexpr int kLimitMs = 30000;

// With a tray host started for the test, its notification area must come up; otherwise the
// display is taken as it is.
bool HasNotificationArea() {
    if (!qEnvironmentVariableIsSet("ZNL_TRAY_HOST"))
        return QSystemTrayIcon::isSystemTrayAvailable();
    const bool up = WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kLimitMs);
    EXPECT_TRUE(up) << "the tray host offers no notification area";
    return up;
}

// The window in which Qt draws the icon; the notification area embeds it.
QWidget* IconWindow() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qstrcmp(window->metaObject()->className(), "QSystemTrayIconSys") == 0) return window;
    }
    return nullptr;
}

// The program's frame as start-up leaves it, with the icon the initial update made, away from the
// top-left corner.
class TrayOnXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HasNotificationArea()) GTEST_SKIP() << "no notification area on this display";
        QApplication::setQuitOnLastWindowClosed(false);
        m_frame = std::make_unique<CMainFrame>(m_session);
        View()->OnInitialUpdate();
        View()->Session().KillTimer(
            TIMER_STARTUP);  // the start sequence is not what is tested here
        m_frame->move(300, 200);
        m_frame->showNormal();
        m_frame->setWindowTitle(QString::fromUtf8(APP_TITLE));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get(), kLimitMs));
        ASSERT_TRUE(View()->HasTrayIcon());
        ASSERT_TRUE(
            WaitUntil([&] { return IconWindow() && !View()->Tray()->Icon().geometry().isEmpty(); },
                      kLimitMs));
    }
    void TearDown() override {
        m_frame.reset();
        QApplication::setQuitOnLastWindowClosed(true);
    }

    COvrinView* View() { return m_frame->View(); }
    void Click(Qt::MouseButton button) {
        QWidget* icon = IconWindow();
        ASSERT_NE(icon, nullptr);
        QTest::mouseClick(icon, button, {}, icon->rect().center());
    }
    bool ShownAtTopLeft() {
        return m_frame->isVisible() && !m_frame->isMinimized() && m_frame->pos() == QPoint(0, 0);
    }

    testsupport::TestFolder m_programFolder;

    ClientSession m_session{ProgramFolders::At(m_programFolder.Path())};
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace

TEST_F(TrayOnXvfb, IconCarriesTheTitleAndTheStateAsItsTip) {
    EXPECT_TRUE(View()->Tray()->Icon().isVisible());
    EXPECT_EQ(View()->Tray()->Icon().toolTip(),
              QString::fromUtf8(APP_TITLE) + QStringLiteral("\n로그인 안 됨"));
}

TEST_F(TrayOnXvfb, CloseAndMinimiseHideTheFrameAndALeftClickBringsItBackAtTheTopLeft) {
    EXPECT_FALSE(m_frame->close());
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_EQ(RunQueuedWork(), kLoopNotEnded);  // the program runs on

    Click(Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return ShownAtTopLeft(); }, kLimitMs));

    m_frame->move(300, 200);
    m_frame->showMinimized();
    EXPECT_TRUE(WaitUntil([&] { return !m_frame->isVisible(); }, kLimitMs));
    Click(Qt::LeftButton);
    EXPECT_TRUE(WaitUntil([&] { return ShownAtTopLeft(); }, kLimitMs));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(m_frame.get(), kLimitMs));
}

TEST_F(TrayOnXvfb, RightClickOpensTheMenuOfFiveItemsAtTheCursorAndExitEndsTheLoopAndTheIcon) {
    m_frame->hide();
    // Wherever the tray host put the icon, the menu has room above this point.
    const QPoint cursor(640, 400);
    QCursor::setPos(cursor);
    ASSERT_TRUE(WaitUntil([&] { return QCursor::pos() == cursor; }, kLimitMs));
    Click(Qt::RightButton);
    QMenu* menu = m_frame->findChild<CBTray*>()->Menu();
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }, kLimitMs));
    // The menu's bottom edge at the cursor.
    EXPECT_NEAR(menu->geometry().bottom(), cursor.y(), 1);
    EXPECT_EQ(menu->geometry().left(), cursor.x());

    QStringList texts;
    for (const QAction* item : menu->actions()) texts << item->text();
    EXPECT_EQ(texts,
              QStringList({QStringLiteral("Open"), QStringLiteral("Exit"),
                           QString::fromUtf8(APP_TITLE), QStringLiteral("사진 저장 폴더 열기"),
                           QStringLiteral("알림 표시"), QStringLiteral("수신 기록")}));
    QAction* exit = menu->actions().at(1);
    ASSERT_EQ(exit->text(), QStringLiteral("Exit"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(exit).center());
    EXPECT_EQ(RunQueuedWork(), 0);

    // The program unwinds: the frame goes, and with it the form, which removes the icon.
    m_frame.reset();
    EXPECT_EQ(IconWindow(), nullptr);
    EXPECT_FALSE(m_session.Running());
}

TEST(TrayIconOnXvfb, IsAddedOnlyWithAReceiverForItsClicksAndAPicture) {
    if (!HasNotificationArea()) GTEST_SKIP() << "no notification area on this display";
    const struct {
        bool receiver;
        QString picture;
        bool added;
    } cases[] = {
        {true, AppIconPath(), true},
        {false, AppIconPath(), false},
        {true, QStringLiteral(":/app/no-such-picture.png"), false},
    };
    for (const auto& c : cases) {
        CTray tray;
        if (c.receiver) tray.SetNotifyWnd([](QSystemTrayIcon::ActivationReason) {});
        EXPECT_EQ(tray.AddIcon(c.picture), c.added) << c.picture.toStdString();
        EXPECT_EQ(tray.IsShown(), c.added);
        EXPECT_EQ(tray.Icon().isVisible(), c.added);
    }
}

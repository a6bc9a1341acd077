// The tray without a notification area (offscreen): its tip, its menu and commands, the form's
// handling of clicks on the icon, and the frame's rule for a program that has no icon.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>

#include "core/clientsession.h"
#include "gui/mainframe.h"
#include "gui/ovrinview.h"
#include "gui/tray.h"
#include "gui/traymenu.h"
#include "mainloop.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

using testsupport::kLoopNotEnded;
using testsupport::RunQueuedWork;
using testsupport::WaitUntil;

namespace {

// A titled frame, shown away from the top-left corner, in a program that ends on the quit.
class TrayFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        QApplication::setQuitOnLastWindowClosed(false);
        m_frame.setWindowTitle(QString::fromUtf8(APP_TITLE));
        m_frame.move(200, 150);
        m_frame.show();
        ASSERT_TRUE(WaitUntil([&] { return m_frame.isVisible(); }));
    }
    void TearDown() override { QApplication::setQuitOnLastWindowClosed(true); }

    QMenu* Menu() { return m_frame.findChild<CBTray*>()->Menu(); }
    QAction* Item(int id) {
        for (QAction* item : Menu()->actions()) {
            if (item->data().toInt() == id) return item;
        }
        return nullptr;
    }

    testsupport::TestFolder m_programFolder;

    ClientSession m_session{ProgramFolders::At(m_programFolder.Path())};
    CMainFrame m_frame{m_session};
};

}  // namespace

TEST(TrayTip, IsCutTo63BytesOfCp949WithoutAHalfCharacter) {
    const std::string han = "가";  // two bytes in CP949, three in UTF-8
    auto repeat = [](const std::string& piece, int times) {
        std::string text;
        for (int i = 0; i < times; ++i) text += piece;
        return text;
    };
    const struct {
        std::string text;
        std::string tip;
    } cases[] = {
        {APP_TITLE, APP_TITLE},
        {std::string(63, 'a'), std::string(63, 'a')},
        {std::string(64, 'a'), std::string(63, 'a')},
        {"a" + repeat(han, 31) + "b", "a" + repeat(han, 31)},  // 65 bytes: cut after 63
        {repeat(han, 32), repeat(han, 31)},                    // byte 63 opens a character
        {"", ""},
    };
    for (const auto& c : cases) {
        CTray tray;
        tray.SetTooltip(c.text);
        EXPECT_EQ(tray.Icon().toolTip().toStdString(), c.tip) << c.text;
    }
}

TEST(TrayIcon, IsNotAddedWithoutANotificationArea) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    CTray tray;
    tray.SetNotifyWnd([](QSystemTrayIcon::ActivationReason) {});
    EXPECT_FALSE(tray.AddIcon(QStringLiteral(":/app/icon.png")));
    EXPECT_FALSE(tray.IsShown());
    EXPECT_FALSE(tray.Icon().isVisible());
}

// "Open", "Exit" and the title keep their places; the save folder, the notifications and the
// history follow.
TEST_F(TrayFrameTest, MenuOffersOpenExitTheTitleTheSaveFolderNotificationsAndHistoryOpenAsDefault) {
    QStringList texts;
    QList<int> ids;
    for (QAction* item : Menu()->actions()) {
        texts << item->text();
        ids << item->data().toInt();
    }
    EXPECT_EQ(texts,
              QStringList({QStringLiteral("Open"), QStringLiteral("Exit"),
                           QString::fromUtf8(APP_TITLE), QStringLiteral("사진 저장 폴더 열기"),
                           QStringLiteral("알림 표시"), QStringLiteral("수신 기록")}));
    EXPECT_EQ(ids, QList<int>({ID_TRAY_OPEN, ID_TRAY_EXIT, ID_TRAY_TITLE, ID_TRAY_SAVE_FOLDER,
                               ID_TRAY_NOTIFICATIONS, ID_TRAY_HISTORY}));
    EXPECT_EQ(Menu()->defaultAction(), Item(ID_TRAY_OPEN));
}

TEST_F(TrayFrameTest, OpenShowsAndRestoresTheHiddenOrMinimisedFrameWhereItWas) {
    m_frame.hide();
    Item(ID_TRAY_OPEN)->trigger();
    EXPECT_TRUE(m_frame.isVisible());
    EXPECT_EQ(m_frame.pos(), QPoint(200, 150));

    m_frame.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return m_frame.isMinimized(); }));
    Item(ID_TRAY_OPEN)->trigger();
    EXPECT_TRUE(WaitUntil([&] { return m_frame.isVisible() && !m_frame.isMinimized(); }));
}

TEST_F(TrayFrameTest, ExitEndsTheMainLoopAndTheTitleItemDoesNothing) {
    m_frame.hide();
    Item(ID_TRAY_TITLE)->trigger();
    EXPECT_EQ(RunQueuedWork(), kLoopNotEnded);
    EXPECT_FALSE(m_frame.isVisible());

    Item(ID_TRAY_EXIT)->trigger();
    EXPECT_EQ(RunQueuedWork(), 0);
}

TEST_F(TrayFrameTest, LeftClickBringsTheHiddenFrameBackAtTheTopLeftCorner) {
    m_frame.hide();
    m_frame.View()->OnTrayIconMessage(QSystemTrayIcon::DoubleClick);
    m_frame.View()->OnTrayIconMessage(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(m_frame.isVisible());

    m_frame.View()->OnTrayIconMessage(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(m_frame.isVisible());
    EXPECT_EQ(m_frame.pos(), QPoint(0, 0));
}

TEST_F(TrayFrameTest, LeftClickFindsNoWindowBeforeTheFrameIsTitled) {
    m_frame.setWindowTitle(QString());
    m_frame.hide();
    m_frame.View()->OnTrayIconMessage(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(m_frame.isVisible());
}

TEST_F(TrayFrameTest, RightClickOpensTheFramesMenu) {
    m_frame.View()->OnTrayIconMessage(QSystemTrayIcon::Context);
    EXPECT_TRUE(WaitUntil([&] { return Menu()->isVisible(); }));
    Menu()->hide();
}

// Nothing would bring a hidden frame back: closing it is the way out, minimising keeps it on the
// taskbar.
TEST_F(TrayFrameTest, WithoutATrayIconCloseEndsTheProgramAndMinimiseDoesNotHide) {
    m_frame.View()->CreateTray();
    ASSERT_FALSE(m_frame.View()->HasTrayIcon());

    m_frame.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return m_frame.isMinimized(); }));
    EXPECT_EQ(RunQueuedWork(), kLoopNotEnded);
    EXPECT_TRUE(m_frame.isVisible());

    m_frame.showNormal();
    EXPECT_TRUE(m_frame.close());
    EXPECT_EQ(RunQueuedWork(), 0);
}

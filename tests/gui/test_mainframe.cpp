#include <gtest/gtest.h>

#include <QToolBar>

#include "core/clientsession.h"
#include "gui/mainframe.h"
#include "support/testfolder.h"

using testsupport::WaitUntil;

// Closing or minimising hides the frame only while a tray icon can bring it back: that needs a
// notification area, and is tested under Xvfb (tests/xvfb); test_tray.cpp covers the frame without.
TEST(MainFrame, ShowFromHiddenBringsBackAHiddenOrMinimisedFrame) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    CMainFrame frame(session);
    frame.setWindowTitle(QStringLiteral("TAVEN PIC 사진 수신 처리"));
    frame.show();
    frame.hide();
    frame.ShowFromHidden();
    ASSERT_TRUE(frame.isVisible());

    frame.showMinimized();
    ASSERT_TRUE(WaitUntil([&] { return frame.isMinimized(); }));
    frame.ShowFromHidden();
    EXPECT_TRUE(WaitUntil([&] { return frame.isVisible() && !frame.isMinimized(); }));
}

TEST(MainFrame, HasNoMenuBarOrToolBar) {
    const testsupport::TestFolder programFolder;
    ClientSession session(ProgramFolders::At(programFolder.Path()));
    CMainFrame frame(session);
    EXPECT_EQ(frame.menuWidget(), nullptr);
    EXPECT_TRUE(frame.findChildren<QToolBar*>().isEmpty());
}

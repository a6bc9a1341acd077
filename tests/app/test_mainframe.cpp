#include <gtest/gtest.h>

#include <QToolBar>

#include "app/mainframe.h"
#include "support/testfolder.h"

using testsupport::WaitUntil;

TEST(MainFrame, ClosingOrMinimisingTheTitledFrameOnlyHidesIt) {
    CMainFrame frame;
    frame.setWindowTitle(QStringLiteral("TAVEN PIC 사진 수신 처리"));
    frame.show();
    ASSERT_TRUE(frame.isVisible());

    EXPECT_FALSE(frame.close());
    EXPECT_FALSE(frame.isVisible());

    frame.ShowFromHidden();
    ASSERT_TRUE(frame.isVisible());
    frame.showMinimized();
    EXPECT_TRUE(WaitUntil([&] { return !frame.isVisible(); }));

    frame.ShowFromHidden();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(frame.isMinimized());
}

TEST(MainFrame, HasNoMenuBarOrToolBar) {
    CMainFrame frame;
    EXPECT_EQ(frame.menuWidget(), nullptr);
    EXPECT_TRUE(frame.findChildren<QToolBar*>().isEmpty());
}

// The program on a real display with a notification area and a desktop bus: closed into the tray,
// it says once that it keeps running; a delivery of dozens of photos from znl-service is then one
// notification, whose action opens the delivery's folder, and the tray tip tells the delivery.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "core/clientsession.h"
#include "core/sessiontimers.h"
#include "gui/mainframe.h"
#include "gui/ovrinview.h"
#include "openedurls.h"
#include "peers/znlservice.h"
#include "platform/privateprofile.h"
#include "privatesessionbus.h"
#include "protocol/programinfo.h"
#include "support/testfolder.h"

namespace fs = std::filesystem;
using testsupport::ScopedEnvironmentVariable;
using testsupport::TestFolder;
using testsupport::WaitUntil;

namespace {

constexpr int kLimitMs = 60000;
constexpr int kPhotos = 30;

class TrayNotifications : public PrivateSessionBus {};

}  // namespace

TEST_F(TrayNotifications, ADeliveryWhileInTheTrayIsOneNotificationThatOpensItsFolder) {
    if (!WaitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, kLimitMs)) {
        GTEST_SKIP() << "no notification area on this display";
    }
    FakeNotificationService notifications(m_serviceBus);
    ASSERT_TRUE(StartService(notifications));
    const ScopedEnvironmentVariable bus("DBUS_SESSION_BUS_ADDRESS", m_address.toStdString());

    TestFolder module, source, save;
    fs::create_directories(source.Path() / "앨범/2026");
    for (int i = 0; i < kPhotos; ++i) {
        testsupport::WriteFileBytes(source.Path() / ("앨범/2026/" + std::to_string(i) + ".jpg"),
                                    "photo");
    }
    znlservice::ServiceSettings settings;
    settings.accounts.push_back({"guest", "secret", 4321, ""});
    settings.folder = source.Path();
    znlservice::ZnlService service(settings);
    ASSERT_TRUE(service.Start());
    const ProgramFolders folders = ProgramFolders::At(module.Path());
    ASSERT_TRUE(platform::WritePrivateProfileString(
        "BasicInfo", "LoginServerPort", std::to_string(service.LoginPort()), folders.settingsFile));

    ClientSession session(folders);
    QApplication::setQuitOnLastWindowClosed(false);
    auto frame = std::make_unique<CMainFrame>(session);
    frame->View()->OnInitialUpdate();
    session.KillTimer(TIMER_STARTUP);  // signed in below, without the dialog
    frame->setWindowTitle(QString::fromUtf8(APP_TITLE));
    frame->showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get(), kLimitMs));
    ASSERT_TRUE(frame->View()->HasTrayIcon());
    EXPECT_FALSE(frame->close());
    ASSERT_TRUE(WaitUntil([&] { return notifications.calls.size() == 1; }, kLimitMs));
    EXPECT_EQ(notifications.calls[0].summary, QStringLiteral("창을 닫아도 사진 수신은 계속됩니다"));
    ASSERT_TRUE(WaitUntil([] { return QApplication::activeWindow() == nullptr; }, kLimitMs));

    session.SetSaveFolder(save.Path().string());
    session.ReadLoginServerInfo();
    session.SignIn("guest", "secret", false, SignInMode::Automatic);
    ASSERT_TRUE(WaitUntil([&] { return notifications.calls.size() == 2; }, kLimitMs));
    const FakeNotificationService::Call& delivery = notifications.calls[1];
    EXPECT_EQ(delivery.summary, QStringLiteral("사진 %1장 수신 완료 · 앨범/2026").arg(kPhotos));
    EXPECT_TRUE(
        frame->View()->Tray()->Icon().toolTip().endsWith(QStringLiteral("· %1장").arg(kPhotos)));

    OpenedUrls opened;
    notifications.Emit("ActionInvoked", {uint{102}, QStringLiteral("default")});
    ASSERT_TRUE(WaitUntil([&] { return !opened.urls.isEmpty(); }, kLimitMs));
    EXPECT_EQ(opened.urls, QList<QUrl>({QUrl::fromLocalFile(
                               QString::fromStdString((save.Path() / "앨범/2026").string()))}));

    frame.reset();
    session.Stop();
    service.Stop();
    QApplication::setQuitOnLastWindowClosed(true);
}

// Notifications through a real session bus (a private dbus-daemon) to a stand-in for the desktop's
// notification service: what is asked of it, and the action that opens the folder. Without a bus,
// or without the service on it, nothing is shown and nothing fails.
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QUrl>

#include "gui/desktopnotifier.h"
#include "openedurls.h"
#include "privatesessionbus.h"
#include "support/testfolder.h"

using testsupport::WaitUntil;

namespace {
constexpr int kLimitMs = 30000;
}  // namespace

TEST_F(PrivateSessionBus, ANoticeReachesTheServiceAndItsActionOpensTheFolder) {
    FakeNotificationService service(m_serviceBus);
    ASSERT_TRUE(StartService(service));
    OpenedUrls opened;
    DesktopNotifier notifier(m_programBus);
    notifier.Show({QStringLiteral("사진 31장 수신 완료 · 앨범/2026"),
                   QStringLiteral("/s/앨범/2026"), false, QStringLiteral("/s/앨범/2026")});
    notifier.Show(
        {QStringLiteral("사진을 받지 못하고 있습니다"), QStringLiteral("이유"), true, {}});
    ASSERT_TRUE(WaitUntil([&] { return service.calls.size() == 2; }, kLimitMs));

    const FakeNotificationService::Call& delivery = service.calls[0];
    EXPECT_EQ(delivery.appName, QStringLiteral("TAVEN PIC 사진 수신 처리"));
    EXPECT_EQ(delivery.icon, QStringLiteral("znlclient"));
    EXPECT_EQ(delivery.summary, QStringLiteral("사진 31장 수신 완료 · 앨범/2026"));
    EXPECT_EQ(delivery.actions, QStringList({QStringLiteral("default"), QStringLiteral("열기")}));
    EXPECT_EQ(delivery.hints.value(QStringLiteral("urgency")).toInt(), 1);
    EXPECT_TRUE(service.calls[1].actions.isEmpty());
    EXPECT_EQ(service.calls[1].hints.value(QStringLiteral("urgency")).toInt(), 2);

    // Another action, and a notice that has none, open nothing; the notice's own action does.
    service.Emit("ActionInvoked", {uint{101}, QStringLiteral("other")});
    service.Emit("ActionInvoked", {uint{102}, QStringLiteral("default")});
    service.Emit("ActionInvoked", {uint{101}, QStringLiteral("default")});
    ASSERT_TRUE(WaitUntil([&] { return !opened.urls.isEmpty(); }, kLimitMs));
    EXPECT_EQ(opened.urls, QList<QUrl>({QUrl::fromLocalFile(QStringLiteral("/s/앨범/2026"))}));

    // Once the notice is closed its action is gone.
    service.Emit("NotificationClosed", {uint{101}, uint{2}});
    service.Emit("ActionInvoked", {uint{101}, QStringLiteral("default")});
    notifier.Show({QStringLiteral("marker"), {}, false, {}});
    // The service sent its signals before it answered this.
    ASSERT_TRUE(WaitUntil([&] { return service.calls.size() == 3; }, kLimitMs));
    EXPECT_EQ(opened.urls.size(), 1);
}

// No service yet, or no bus at all: the notice is lost, quietly.
TEST_F(PrivateSessionBus, WithoutTheServiceOrABusNothingIsShownAndNothingFails) {
    DesktopNotifier notifier(m_programBus);
    notifier.Show({QStringLiteral("lost"), {}, false, QStringLiteral("/s")});
    // Messages of one connection keep their order: the notice has reached the bus before this.
    m_programBus.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")));
    FakeNotificationService service(m_serviceBus);
    ASSERT_TRUE(StartService(service));

    const QDBusConnection none(QStringLiteral("no such bus"));
    ASSERT_FALSE(none.isConnected());
    DesktopNotifier withoutBus(none);
    withoutBus.Show({QStringLiteral("no bus"), {}, false, QStringLiteral("/s")});
    notifier.Show({QStringLiteral("seen"), {}, false, {}});
    ASSERT_TRUE(WaitUntil([&] { return !service.calls.isEmpty(); }, kLimitMs));
    EXPECT_EQ(service.calls.size(), 1);
    EXPECT_EQ(service.calls[0].summary, QStringLiteral("seen"));
}

// Without a bus of the desktop's none is started (libdbus would launch one for an X display); the
// user's bus in the runtime folder is the desktop's.
TEST_F(PrivateSessionBus, TheDesktopsBusIsTakenOnlyWhereTheDesktopHasOne) {
    const QString socket = m_address.section(u',', 0, 0).section(u'=', 1);
    ASSERT_TRUE(m_address.startsWith(QStringLiteral("unix:path="))) << m_address.toStdString();
    testsupport::TestFolder runtime;
    const testsupport::ScopedEnvironmentVariable address("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    const testsupport::ScopedEnvironmentVariable folder("XDG_RUNTIME_DIR", runtime.Path().string());
    EXPECT_FALSE(DesktopSessionBus().isConnected());
    std::filesystem::create_symlink(socket.toStdString(), runtime.Path() / "bus");
    EXPECT_TRUE(DesktopSessionBus().isConnected());
}

#include "privatesessionbus.h"

#include <QDBusMessage>
#include <QStandardPaths>

#include "support/testfolder.h"

namespace {

constexpr int kLimitMs = 30000;
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kName = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

void FakeNotificationService::Emit(const char* name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, QString::fromLatin1(name));
    signal.setArguments(arguments);
    m_bus.send(signal);
}

uint FakeNotificationService::Notify(const QString& appName, uint, const QString& icon,
                                     const QString& summary, const QString& body,
                                     const QStringList& actions, const QVariantMap& hints, int) {
    calls.append({appName, icon, summary, body, actions, hints});
    return static_cast<uint>(calls.size()) + 100;
}

void PrivateSessionBus::SetUp() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address=1")});
    ASSERT_TRUE(testsupport::WaitUntil([&] { return m_daemon.canReadLine(); }, kLimitMs));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_serviceBus = QDBusConnection::connectToBus(m_address, QStringLiteral("service"));
    m_programBus = QDBusConnection::connectToBus(m_address, QStringLiteral("program"));
    ASSERT_TRUE(m_serviceBus.isConnected() && m_programBus.isConnected());
}

void PrivateSessionBus::TearDown() {
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
    QDBusConnection::disconnectFromBus(QStringLiteral("program"));
    m_daemon.kill();
    m_daemon.waitForFinished();
}

bool PrivateSessionBus::StartService(FakeNotificationService& service) {
    return m_serviceBus.registerObject(kPath, &service, QDBusConnection::ExportAllSlots) &&
           m_serviceBus.registerService(kName);
}

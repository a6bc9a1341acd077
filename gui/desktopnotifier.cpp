#include "gui/desktopnotifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <QVariantMap>

#include "protocol/programinfo.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notice itself runs.
const QString kDefaultAction = QStringLiteral("default");
// The installed icon and desktop entry.
const QString kDesktopName = QStringLiteral("znlclient");
constexpr uchar kUrgencyNormal = 1;
constexpr uchar kUrgencyCritical = 2;
constexpr int kServerTimeout = -1;

}  // namespace

// Connected by its address, read now: Qt's shared session bus, and libdbus's idea of where it is,
// may have been settled before the desktop's was known.
QDBusConnection DesktopSessionBus() {
    QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString userBus = runtime + QStringLiteral("/bus");
    if (address.isEmpty() && !runtime.isEmpty() && QFileInfo::exists(userBus)) {
        address = QStringLiteral("unix:path=") + userBus;
    }
    if (address.isEmpty()) return QDBusConnection(QString());
    return QDBusConnection::connectToBus(address, QStringLiteral("znl-notifications"));
}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {
    if (!m_bus.isConnected()) return;
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnClosed(uint, uint)));
}

void DesktopNotifier::Show(const Notice& notice) {
    if (!m_bus.isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QStringList actions;
    if (!notice.openPath.isEmpty()) actions << kDefaultAction << QStringLiteral("열기");
    const QVariantMap hints{
        {QStringLiteral("urgency"),
         QVariant::fromValue<uchar>(notice.urgent ? kUrgencyCritical : kUrgencyNormal)},
        {QStringLiteral("desktop-entry"), kDesktopName},
    };
    call << QString::fromUtf8(APP_TITLE) << uint{0} << kDesktopName << notice.summary << notice.body
         << actions << hints << kServerTimeout;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, path = notice.openPath](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                // No service, or one that failed: the notice is simply not there.
                if (reply.isError() || path.isEmpty()) return;
                m_openPaths[reply.value()] = path;
            });
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    const auto notice = m_openPaths.find(id);
    if (notice == m_openPaths.end() || action != kDefaultAction) return;
    QDesktopServices::openUrl(QUrl::fromLocalFile(notice->second));
}

void DesktopNotifier::OnClosed(uint id, uint) {
    m_openPaths.erase(id);
}

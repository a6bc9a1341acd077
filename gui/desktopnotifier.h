#pragma once
// Notifications through the desktop's notification service (org.freedesktop.Notifications on the
// session bus). Where there is no bus or no service nothing is shown and nothing fails; calls never
// wait for the service, which may hang.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <map>

struct Notice {
    QString summary;
    QString body;
    bool urgent = false;  // a problem that stops reception: the service keeps it on screen
    QString openPath;     // what the notice's action opens; no action without
};

// Where notices go; the desktop service, or a test's recorder.
class NoticeSink {
public:
    virtual ~NoticeSink() = default;
    virtual void Show(const Notice& notice) = 0;
};

// The desktop's session bus when it has one (its address given, or the user's bus in the runtime
// folder); otherwise a connection that is not connected: libdbus would start a bus of its own for
// an X display, which nobody's notifications reach.
QDBusConnection DesktopSessionBus();

class DesktopNotifier : public QObject, public NoticeSink {
    Q_OBJECT

public:
    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    void Show(const Notice& notice) override;

private Q_SLOTS:
    void OnActionInvoked(uint id, const QString& action);
    void OnClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    std::map<uint, QString> m_openPaths;  // of the notices on screen that have an action
};

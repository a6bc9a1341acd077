#pragma once
// A session bus of the test's own (a private dbus-daemon) and a stand-in for the desktop's
// notification service on it, as far as the program uses that service.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call {
        QString appName, icon, summary, body;
        QStringList actions;
        QVariantMap hints;
    };
    explicit FakeNotificationService(const QDBusConnection& bus) : m_bus(bus) {}

    // A signal of the service (ActionInvoked, NotificationClosed) to every listener.
    void Emit(const char* name, const QVariantList& arguments);

    QList<Call> calls;  // notice n has the id 100 + n

public Q_SLOTS:
    uint Notify(const QString& appName, uint, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int);

private:
    QDBusConnection m_bus;
};

// Skipped where dbus-daemon is not installed.
class PrivateSessionBus : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Puts the service on the bus under its well-known name.
    bool StartService(FakeNotificationService& service);

    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_serviceBus{QString()};
    QDBusConnection m_programBus{QString()};
};

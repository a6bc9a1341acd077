#include "platform/singleinstance.h"

#include <QLocalSocket>
#include <unistd.h>

namespace {

QString ServerName(const QString& title) {
    return QStringLiteral("%1-%2").arg(title).arg(::getuid());
}

// A running instance answers at once; a stale socket file of a crashed one refuses at once.
constexpr int kConnectWaitMs = 2000;

}  // namespace

bool SingleInstance::ShowRunningInstance(const QString& title) {
    QLocalSocket socket;
    socket.connectToServer(ServerName(title));
    if (!socket.waitForConnected(kConnectWaitMs)) return false;
    // The connection itself is the request; wait until the running instance has taken it.
    socket.waitForDisconnected(kConnectWaitMs);
    return true;
}

bool SingleInstance::Listen(const QString& title, std::function<void()> onShowRequested) {
    const QString name = ServerName(title);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(name)) {
        // Nobody answered on this name a moment ago, so what is left is a crashed instance's file.
        QLocalServer::removeServer(name);
        if (!m_server.listen(name)) return false;
    }
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server,
                     [this, show = std::move(onShowRequested)] {
                         while (QLocalSocket* peer = m_server.nextPendingConnection()) {
                             peer->disconnectFromServer();
                             peer->deleteLater();
                             show();
                         }
                     });
    return true;
}

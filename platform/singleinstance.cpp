#include "platform/singleinstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QLocalSocket>

namespace {

// One name per user and folder; the folder's path is hashed to fit a socket name.
QString ServerName(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(folder, error);
    if (error) canonical = folder;
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    return QStringLiteral("znlclient-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

// A running receiver answers at once; one that is busy starting may take a moment.
constexpr int kAnswerWaitMs = 2000;

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settingsFolder, ReceiverKind kind)
    : m_folder(settingsFolder), m_kind(kind), m_name(ServerName(settingsFolder)) {}

SingleInstance::~SingleInstance() {
    if (m_lockFd >= 0) ::close(m_lockFd);
}

bool SingleInstance::Claim() {
    std::error_code ignored;
    std::filesystem::create_directories(m_folder, ignored);
    // The lock goes with the process, however it ends, so a crash leaves nothing that blocks.
    m_lockFd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd >= 0 && ::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    // With the lock held, a socket file left under this name is a dead receiver's.
    QLocalServer::removeServer(m_name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(m_name)) {
        QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] { Answer(); });
    }
    return true;
}

void SingleInstance::Answer() {
    while (QLocalSocket* peer = m_server.nextPendingConnection()) {
        // Connected first: the disconnection may happen inside disconnectFromServer.
        QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        const char kind = static_cast<char>(m_kind);
        peer->write(&kind, 1);
        peer->flush();
        peer->disconnectFromServer();
        if (m_show) m_show();
    }
}

ReceiverKind SingleInstance::AskHolder() {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kAnswerWaitMs)) return ReceiverKind::Unknown;
    char kind = 0;
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(kAnswerWaitMs)) {
        return ReceiverKind::Unknown;
    }
    if (socket.read(&kind, 1) != 1) return ReceiverKind::Unknown;
    switch (kind) {
        case static_cast<char>(ReceiverKind::Window):
            return ReceiverKind::Window;
        case static_cast<char>(ReceiverKind::Headless):
            return ReceiverKind::Headless;
        default:
            return ReceiverKind::Unknown;
    }
}

#include "gui/receptionnotices.h"

#include <QApplication>
#include <QFileInfo>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "core/settings.h"
#include "platform/clock.h"

ReceptionNotices::ReceptionNotices(const ClientSession& session, const SessionStatus& status,
                                   NoticeSink& sink, QObject* parent)
    : QObject(parent), m_status(status), m_settings(session.Settings()), m_sink(sink) {
    m_damagedGroup.setSingleShot(true);
    connect(&m_damagedGroup, &QTimer::timeout, this, [this] { TellDamagedSinceFirst(); });
    connect(&session, &ClientSession::photoDamaged, this,
            [this](const QString& path, const QString& reason) { PhotoDamaged(path, reason); });
    connect(&status, &SessionStatus::deliveryEnded, this,
            [this](const Delivery& delivery) { DeliveryEnded(delivery); });
    connect(&status, &SessionStatus::problemStarted, this,
            [this](const SessionProblem& problem) { ProblemStarted(problem); });
}

void ReceptionNotices::DeliveryEnded(const Delivery& delivery) {
    const QString folder = QString::fromStdString(delivery.folder.string());
    Tell({QStringLiteral("사진 %1장 수신 완료 · %2")
              .arg(delivery.photos)
              .arg(QString::fromStdString(m_status.FolderText(delivery))),
          folder, false, folder});
}

void ReceptionNotices::ProblemStarted(const SessionProblem& problem) {
    Tell({QStringLiteral("사진을 받지 못하고 있습니다: ") + QString::fromStdString(problem.brief),
          QString::fromStdString(problem.detail),
          true,
          {}});
}

void ReceptionNotices::PhotoDamaged(const QString& path, const QString& reason) {
    m_lastDamaged = path;
    if (m_damagedGroup.isActive()) {
        ++m_damagedSinceFirst;
        return;
    }
    m_damagedGroup.start(platform::ScaledMilliseconds(kDamagedGroupMs));
    const QFileInfo photo(path);
    Tell({QStringLiteral("손상된 사진: ") + photo.fileName(), path + u'\n' + reason, true,
          photo.path()});
}

void ReceptionNotices::TellDamagedSinceFirst() {
    if (m_damagedSinceFirst == 0) return;
    Tell({QStringLiteral("손상된 사진 %1장 더").arg(m_damagedSinceFirst),
          QStringLiteral("수신 기록에서 사진 검사 결과를 볼 수 있습니다."), true,
          QFileInfo(m_lastDamaged).path()});
    m_damagedSinceFirst = 0;
    // The next damaged photo waits the same time, so a long run gives a notice every so often.
    m_damagedGroup.start(platform::ScaledMilliseconds(kDamagedGroupMs));
}

void ReceptionNotices::WindowClosedToTray() {
    if (m_toldTrayKeepsRunning) return;
    m_toldTrayKeepsRunning = true;
    // The window is going away as this is said: whether it is still active does not matter.
    if (!m_settings.NotificationsOn()) return;
    m_sink.Show({QStringLiteral("창을 닫아도 사진 수신은 계속됩니다"),
                 QStringLiteral("알림 영역의 아이콘으로 창을 다시 열 수 있습니다."),
                 false,
                 {}});
}

void ReceptionNotices::Tell(const Notice& notice) {
    if (QApplication::activeWindow() || !m_settings.NotificationsOn()) return;
    m_sink.Show(notice);
}

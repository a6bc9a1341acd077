#pragma once
// What the user is told without watching the window: one notice per delivery (not per photo),
// with an action that opens its folder; one when a problem stops reception; one for a damaged
// photo (a run of them as one more); once, that the program keeps running in the tray. None while a
// window of the program is the active window (the user is looking at it), and none at all with
// "알림" off.
#include <QObject>
#include <QString>
#include <QTimer>

#include "gui/desktopnotifier.h"

class ClientSession;
class SessionStatus;
class SettingsFile;
struct Delivery;
struct SessionProblem;

class ReceptionNotices : public QObject {
public:
    // Damaged photos a little after the first are told together once this has passed.
    static constexpr int kDamagedGroupMs = 30000;

    ReceptionNotices(const ClientSession& session, const SessionStatus& status, NoticeSink& sink,
                     QObject* parent = nullptr);

    // The window was closed into the tray; said the first time of the run.
    void WindowClosedToTray();

private:
    // The photo at `path` is damaged: the first is told at once, the ones that follow it closely
    // (a damaged card gives many) together afterwards.
    void PhotoDamaged(const QString& path, const QString& reason);
    void TellDamagedSinceFirst();
    void DeliveryEnded(const Delivery& delivery);
    void ProblemStarted(const SessionProblem& problem);
    void Tell(const Notice& notice);

    const SessionStatus& m_status;
    const SettingsFile& m_settings;
    NoticeSink& m_sink;
    bool m_toldTrayKeepsRunning = false;
    QTimer m_damagedGroup;
    int m_damagedSinceFirst = 0;
    QString m_lastDamaged;
};

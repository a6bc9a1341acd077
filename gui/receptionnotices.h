#pragma once
// What the user is told without watching the window: one notice per delivery (not per photo),
// with an action that opens its folder; one when a problem stops reception; one for a damaged
// photo; once, that the program keeps running in the tray. None while a window of the program is
// the active window (the user is looking at it), and none at all with "알림" off.
#include <QObject>
#include <QString>

#include "gui/desktopnotifier.h"

class SessionStatus;
class SettingsFile;
struct Delivery;
struct SessionProblem;

class ReceptionNotices : public QObject {
public:
    ReceptionNotices(const SessionStatus& status, const SettingsFile& settings, NoticeSink& sink,
                     QObject* parent = nullptr);

    // The window was closed into the tray; said the first time of the run.
    void WindowClosedToTray();
    // The photo at `path` is damaged.
    void PhotoDamaged(const QString& path);

private:
    void DeliveryEnded(const Delivery& delivery);
    void ProblemStarted(const SessionProblem& problem);
    void Tell(const Notice& notice);

    const SessionStatus& m_status;
    const SettingsFile& m_settings;
    NoticeSink& m_sink;
    bool m_toldTrayKeepsRunning = false;
};

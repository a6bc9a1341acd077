#pragma once
// The main form: the session's face in the window. It shows what the session reports (activity
// lines, login state, reception state and progress, nickname, save folders) and turns the user's
// clicks into the session's commands; the run itself lives in the session.
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "gui/receiveprogress.h"
#include "gui/tray.h"

class ClientSession;
class DesktopNotifier;
class PictureCheckTiles;
class QListWidget;
class ReceptionNotices;
class SessionStatus;
enum class SessionState;
struct SignInPrefill;
enum class UpdateHold;

// The two rows of the status panel.
enum class StatusRow { Reception, Progress };

class COvrinView : public QWidget {
public:
    // `checkTiles`: the thumbnails come from the picture check's decodes (see ThumbnailStrip).
    explicit COvrinView(ClientSession& session, QWidget* parent = nullptr,
                        std::shared_ptr<PictureCheckTiles> checkTiles = {});
    ~COvrinView() override;

    ClientSession& Session() const { return m_session; }

    // Fonts, tray icon and version; the session's start follows from the event loop.
    void OnInitialUpdate();
    // Ends the session's run and removes the tray icon. Runs once.
    void OnDestroy();

    // Runs the login dialog; returns after a successful sign-in or after the quit was posted
    // because the user closed it.
    void RunLoginDialog(const SignInPrefill& prefill);
    // Nickname change (a click on control 1029, or its change button).
    void OnClickNickName();

    // Save-folder list (control 1015) and the photo save folder (label 1018, or its change
    // button).
    void OnAddFolder();
    void OnDeleteFolder();
    void OnModifyFolder();
    void OnSelchangeFolderList();
    void OnPickSaveFolder();

    void SetReceiveStatus(StatusRow row, const std::string& text);
    void OnLogout();

    // Notification-area icon: made in the initial update, removed by OnDestroy.
    void CreateTray();
    void RemoveTray();
    // The tray icon and tip: the session's state, the last delivery, and while receiving how far.
    void ShowTrayState();
    // The frame was closed into the tray.
    void OnClosedToTray();
    // True while the icon is in the notification area, so a hidden window can be brought back.
    bool HasTrayIcon() const;
    const CTray* Tray() const { return m_pTray.get(); }
    void OnTrayIconMessage(QSystemTrayIcon::ActivationReason reason);

    void SetDlgItemText(int id, const std::string& text);

    QSize sizeHint() const override;

    const QFont& SmallFont() const { return m_fontSmall; }
    const QFont& LargeFont() const { return m_fontLarge; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A few pictures a second: as often as a person can read a count.
    static constexpr int kRepaintPauseMs = 250;

    void CreateControls(std::shared_ptr<PictureCheckTiles> checkTiles);
    void ObserveSession();
    void ObserveReception();
    void AddActivityLine(const QString& line);
    void ShowClock(std::time_t now);
    void ShowLoginState(bool ok, const QString& userId, std::time_t when);
    void ShowSignedOut();
    void ShowUpdateNotInstalled(const QString& version, UpdateHold reason);
    void ObserveSignIn();
    // The session's state for the tray, and the notifications.
    void ObserveStatus();
    void ShowSignInWaiting(int seconds);
    void ShowFolders();
    void ShowReceptionState(bool connected);
    // Why the photo save folder cannot be used (empty: it can): the reception row and the tray
    // tip say so until a file is accepted again.
    void ShowSaveFolderProblem(const std::string& reason);
    // The reception rows, the bar, the rate and the count are put on screen at once when they
    // change after a quiet while, else with the latest values a quarter second after the last
    // time: a photo reports every sub-block, far more often than anyone reads.
    void ScheduleReceptionRows();
    void ApplyReceptionRows();
    void ShowReceptionRows();
    void BindFolderControls();
    void BindNickNameControl();
    void BindStatusControls();
    void BindAutostartControl();
    // The button "수신 기록…" (control 1037).
    void BindHistoryControl();
    // The user checked or unchecked "로그인 시 자동 실행" (control 1032).
    void OnClickAutostart(bool checked);
    int SelectedFolderRow() const;
    QListWidget* ActivityList() const;

    ClientSession& m_session;
    std::unique_ptr<CTray> m_pTray;
    std::unique_ptr<SessionStatus> m_status;
    std::optional<SessionState> m_trayState;  // the state the tray icon shows
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<ReceptionNotices> m_notices;
    QListWidget* m_lstFolder = nullptr;
    QFont m_fontSmall;
    QFont m_fontLarge;
    // What the reception rows say, and since when; put on screen by ApplyReceptionRows.
    struct ReceptionRows {
        std::string info;
        std::time_t infoAt = 0;
        std::string progress;
        std::time_t progressAt = 0;
    } m_rows;
    ReceiveProgress m_recvProgress;  // the file being received, for the progress bar
    QTimer m_rowsPause;              // the quarter second after the rows were put on screen
    QTimer m_activityPause;          // the same after the activity list was painted
    bool m_rowsChanged = false;
    std::string m_saveFolderProblem;
    bool m_bDestroyed = false;
};

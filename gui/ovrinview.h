#pragma once
// The main form: owner of the run. It keeps the connection table, the account record, the timers
// and the status fields, and handles every window message on the UI thread.
#include <QFont>
#include <QStringList>
#include <QWidget>
#include <array>
#include <ctime>
#include <memory>
#include <string>

#include "gui/tray.h"
#include "core/accountinfo.h"
#include "core/runstate.h"
#include "platform/event.h"
#include "platform/messagewindow.h"
#include "gui/receiveprogress.h"

class CClientSock;
class QListWidget;

class COvrinView : public QWidget {
public:
    explicit COvrinView(QWidget* parent = nullptr);
    ~COvrinView() override;

    HWND GetSafeHwnd() const { return m_wnd.Handle(); }

    // False when another instance runs: it was asked to show itself and the quit is posted.
    bool OnInitialUpdate();
    void StartProgram();
    void OnTimer(UINT id);
    // Stops the run: timers, stop flag, wakes every reception thread. Runs once.
    void OnDestroy();

    // Runs the login dialog; returns after a successful login (file-server connect scheduled)
    // or after the quit was posted because the user closed it.
    void RunLoginDialog();

    void AddLog(const std::string& text);
    void DeleteOldLogFolder(std::time_t now);
    void ReadLoginServerInfo();

    // Connection table.
    int FindFreeSlot(int group, int start);
    void ConnectServer(int group, int tag);
    LRESULT OnSockConnect(WPARAM slot, LPARAM group);
    LRESULT OnSockReceive(WPARAM slot, LPARAM unused);
    LRESULT OnSockClose(WPARAM slot, LPARAM group);
    LRESULT OnSockRelease(WPARAM slot, LPARAM unused);

    // Login exchange.
    void SendLoginRequest(int iNo);
    void ReadServerReply(int iNo);
    void HandleLoginReply(int iNo, const char* answer, int received);
    void SetLoginResult(bool ok, const std::string& message);
    void RunUpdater();

    // Folder-list upload: the size check before connecting, the record, the server's verdict.
    bool CheckFolderListSize();
    void SendFolderList(int iNo);
    void HandleFolderListReply(int iNo, const char* answer);

    // Nickname change (a click on control 1029).
    void OnClickNickName();

    // Save-folder list (control 1015) and the photo save folder (label 1018).
    void LoadSaveFolders();
    void StoreSaveFolders();
    void OnAddFolder();
    void OnDeleteFolder();
    void OnModifyFolder();
    void OnSelchangeFolderList();
    void OnPickSaveFolder();
    // The names in list order.
    QStringList FolderNames() const;

    // Status panel: reception state and progress (kind 1 the reception row, kind 2 the progress
    // row), and the logout.
    void SetReceiveStatus(int kind, const std::string& text);
    LRESULT OnRecvState(WPARAM wParam, LPARAM lParam);
    LRESULT OnRecvProgress(WPARAM wParam, LPARAM lParam);
    void OnLogout();

    // Notification-area icon: made in the initial update, removed by OnDestroy.
    void CreateTray();
    void RemoveTray();
    // True while the icon is in the notification area, so a hidden window can be brought back.
    bool HasTrayIcon() const;
    const CTray* Tray() const { return m_pTray.get(); }
    void OnTrayIconMessage(QSystemTrayIcon::ActivationReason reason);

    void SetTimer(UINT id, int milliseconds) { m_wnd.SetTimer(id, milliseconds); }
    void KillTimer(UINT id) { m_wnd.KillTimer(id); }
    bool IsTimerSet(UINT id) const { return m_wnd.IsTimerSet(id); }
    void SetDlgItemText(int id, const std::string& text);

    const std::string& Today() const { return m_szToday; }
    const AccountInfo& Account() const { return m_Account; }
    CClientSock* Socket(int slot) const { return m_pClientSock[slot]; }
    const std::string& NickName() const { return m_strNickName; }
    const std::string& ServerIp(int group) const { return m_szServerIP[group]; }
    int ServerPort(int group) const { return m_nServerPort[group]; }
    const QFont& SmallFont() const { return m_fontSmall; }
    const QFont& LargeFont() const { return m_fontLarge; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void CreateControls();
    void BindMessages();
    void OnClockTick();
    LRESULT OnLogMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnLoginEvent(WPARAM wParam, LPARAM lParam);
    LRESULT OnGetAccount(WPARAM wParam, LPARAM lParam);
    QListWidget* ActivityList() const;
    void WakeSlotThread(int slot);
    void ReleaseSocket(int slot);
    void StartReceptionThread(CClientSock* sock);
    void BindFolderControls();
    void BindNickNameControl();
    void BindStatusControls();
    // A left-button press on the form's own surface, at client pixels.
    void OnLButtonDown(const QPoint& point);
    void ShowFileProgress();
    int SelectedFolderRow() const;
    void InsertFolderSorted(const QString& name);
    void RemoveFolderRow(int row);

    MessageWindow m_wnd;
    std::unique_ptr<CTray> m_pTray;
    QListWidget* m_lstFolder = nullptr;
    QFont m_fontSmall;
    QFont m_fontLarge;
    ManualResetEvent m_hWaitEvent;  // never set: the login reader's pause
    std::string m_strNickName;
    AccountInfo m_Account;
    ReceiveProgress m_recvProgress;  // the file being received, for the progress bar
    std::string m_szToday;  // day the log clean-up was last considered, "%Y%m%d"
    int m_nLoginJob = 0;    // 0 login request, 1 folder-list upload
    int m_nLoginSlot = 0;   // slot of the most recent login-server connection
    std::array<CClientSock*, MAX_SOCK> m_pClientSock{};  // the connection table; null = free
    std::array<std::string, 2> m_szServerIP;             // [0] login server, [1] file server
    std::array<int, 2> m_nServerPort{};
    std::array<int, 2> m_nNextSlot{};
    bool m_bDestroyed = false;
};

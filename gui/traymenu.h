#pragma once
// The main frame's menu for the notification-area icon: "Open", "Exit" and the program's title,
// then the photo save folder, whether notifications are shown, and the history of received photos.
#include <QObject>
#include <QSystemTrayIcon>

class ClientSession;
class QAction;
class QMenu;
class QWidget;

// Menu commands; the title item has no command.
inline constexpr int ID_TRAY_OPEN = 11026;
inline constexpr int ID_TRAY_EXIT = 11027;
inline constexpr int ID_TRAY_TITLE = 11028;
inline constexpr int ID_TRAY_SAVE_FOLDER = 11029;
inline constexpr int ID_TRAY_NOTIFICATIONS = 11030;
inline constexpr int ID_TRAY_HISTORY = 11031;

class CBTray : public QObject {
    Q_OBJECT

public:
    // `window` is the main frame; the menu lives as long as it does.
    CBTray(QWidget* window, ClientSession& session);

    // A right click opens the menu at the cursor; every other click is not the menu's.
    void OnTrayNotify(QSystemTrayIcon::ActivationReason reason);
    void OnTrayCommand(int id);

    QMenu* Menu() const { return m_menu; }

private:
    void ShowTrayMenu();
    void OpenMainWindow();
    void SwitchNotifications();
    QAction* AddItem(const char* text, int id);

    QWidget* m_window;
    ClientSession& m_session;
    QMenu* m_menu;
    QAction* m_notifications;
};

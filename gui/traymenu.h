#pragma once
// The main frame's menu for the notification-area icon: "Open", "Exit" and the program's title.
#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QWidget;

// Menu commands; the title item has no command.
inline constexpr int ID_TRAY_OPEN = 11026;
inline constexpr int ID_TRAY_EXIT = 11027;
inline constexpr int ID_TRAY_TITLE = 11028;

class CBTray : public QObject {
    Q_OBJECT

public:
    // `window` is the main frame; the menu lives as long as it does.
    explicit CBTray(QWidget* window);

    // A right click opens the menu at the cursor; every other click is not the menu's.
    void OnTrayNotify(QSystemTrayIcon::ActivationReason reason);
    void OnTrayCommand(int id);

    QMenu* Menu() const { return m_menu; }

private:
    void ShowTrayMenu();
    void OpenMainWindow();
    QAction* AddItem(const char* text, int id);

    QWidget* m_window;
    QMenu* m_menu;
};

#include "gui/traymenu.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "core/clientsession.h"
#include "gui/desktopopen.h"
#include "gui/historywindow.h"
#include "gui/programwindow.h"
#include "platform/messagewindow.h"
#include "protocol/programinfo.h"

// The items of old keep their places; the new ones follow them.
CBTray::CBTray(QWidget* window, ClientSession& session)
    : QObject(window), m_window(window), m_session(session), m_menu(new QMenu(window)) {
    m_menu->setDefaultAction(AddItem("Open", ID_TRAY_OPEN));
    AddItem("Exit", ID_TRAY_EXIT);
    AddItem(APP_TITLE, ID_TRAY_TITLE);
    AddItem("사진 저장 폴더 열기", ID_TRAY_SAVE_FOLDER);
    m_notifications = AddItem("알림 표시", ID_TRAY_NOTIFICATIONS);
    m_notifications->setCheckable(true);
    AddItem("수신 기록", ID_TRAY_HISTORY);
    // The settings file may have been edited by hand: the mark shows what it holds now.
    connect(m_menu, &QMenu::aboutToShow, this,
            [this] { m_notifications->setChecked(m_session.Settings().NotificationsOn()); });
}

QAction* CBTray::AddItem(const char* text, int id) {
    QAction* item = m_menu->addAction(QString::fromUtf8(text));
    item->setData(id);
    connect(item, &QAction::triggered, this, [this, id] { OnTrayCommand(id); });
    return item;
}

void CBTray::OnTrayNotify(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Context) ShowTrayMenu();
}

void CBTray::ShowTrayMenu() {
    // The menu's bottom edge at the cursor, as the notification area sits at the bottom.
    const QPoint cursor = QCursor::pos();
    m_menu->popup(QPoint(cursor.x(), cursor.y() - m_menu->sizeHint().height()));
}

void CBTray::OnTrayCommand(int id) {
    switch (id) {
        case ID_TRAY_OPEN:
            OpenMainWindow();
            break;
        case ID_TRAY_EXIT:
            // The loop ends; the frame, and with it the form that removes the icon, go as the
            // program unwinds.
            PostQuitMessage(0);
            break;
        case ID_TRAY_SAVE_FOLDER:
            OpenSaveFolder(m_session);
            break;
        case ID_TRAY_NOTIFICATIONS:
            SwitchNotifications();
            break;
        case ID_TRAY_HISTORY:
            OpenHistoryWindow(m_window, m_session);
            break;
        default:
            break;  // the title item does nothing
    }
}

void CBTray::OpenMainWindow() {
    RestoreWindow(m_window);
}

// The item's mark has already turned; the file decides what it shows.
void CBTray::SwitchNotifications() {
    const SettingsFile& settings = m_session.Settings();
    const bool wanted = m_notifications->isChecked();
    if (!settings.SetNotificationsOn(wanted)) {
        m_session.Log("설정 파일에 쓸 수 없어 알림 설정을 바꾸지 못함: " +
                      settings.Path().string());
    }
    m_notifications->setChecked(settings.NotificationsOn());
}

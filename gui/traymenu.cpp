#include "gui/traymenu.h"

#include <QCursor>
#include <QMenu>
#include <QWidget>

#include "gui/programwindow.h"
#include "platform/messagewindow.h"
#include "protocol/programinfo.h"

CBTray::CBTray(QWidget* window) : QObject(window), m_window(window), m_menu(new QMenu(window)) {
    m_menu->setDefaultAction(AddItem("Open", ID_TRAY_OPEN));
    AddItem("Exit", ID_TRAY_EXIT);
    AddItem(APP_TITLE, ID_TRAY_TITLE);
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
        default:
            break;  // the title item does nothing
    }
}

void CBTray::OpenMainWindow() {
    RestoreWindow(m_window);
}

#include "gui/mainframe.h"

#include <QCloseEvent>
#include <QIcon>
#include <QTimer>

#include "gui/appicon.h"
#include "gui/ovrinview.h"
#include "gui/programwindow.h"
#include "gui/traymenu.h"
#include "protocol/programinfo.h"

CMainFrame::CMainFrame(ClientSession& session, std::shared_ptr<PictureCheckTiles> checkTiles)
    : m_pView(new COvrinView(session, this, std::move(checkTiles))),
      m_pBTray(new CBTray(this, session)) {
    setCentralWidget(m_pView);
    setWindowIcon(QIcon(AppIconPath()));
}

void CMainFrame::ShowFromHidden() {
    RestoreWindow(this);
}

bool CMainFrame::CarriesProgramTitle() const {
    return windowTitle() == QString::fromUtf8(APP_TITLE);
}

bool CMainFrame::HidesIntoTray() const {
    return CarriesProgramTitle() && m_pView->HasTrayIcon();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (HidesIntoTray()) {
        event->ignore();
        hide();
        m_pView->OnClosedToTray();
        return;
    }
    if (CarriesProgramTitle()) m_pBTray->OnTrayCommand(ID_TRAY_EXIT);
    QMainWindow::closeEvent(event);
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && HidesIntoTray()) {
        // Hide once the state change has been handled by the window system.
        QTimer::singleShot(0, this, [this] { hide(); });
    }
}

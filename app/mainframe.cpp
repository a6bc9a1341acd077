#include "app/mainframe.h"

#include <QCloseEvent>
#include <QTimer>

#include "local/programinfo.h"
#include "view/ovrinview.h"

CMainFrame::CMainFrame() : m_pView(new COvrinView(this)) {
    setCentralWidget(m_pView);
}

void CMainFrame::ShowFromHidden() {
    showNormal();
    raise();
    activateWindow();
}

bool CMainFrame::CarriesProgramTitle() const {
    return windowTitle() == QString::fromUtf8(APP_TITLE);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!CarriesProgramTitle()) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && CarriesProgramTitle()) {
        // Hide once the state change has been handled by the window system.
        QTimer::singleShot(0, this, [this] { hide(); });
    }
}

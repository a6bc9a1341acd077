// The form's side of the notification-area icon: made in the initial update, removed when the form
// goes, and its clicks.
#include "gui/appicon.h"
#include "gui/ovrinview.h"
#include "gui/programwindow.h"
#include "gui/tray.h"
#include "gui/traymenu.h"
#include "protocol/programinfo.h"

void COvrinView::CreateTray() {
    m_pTray = std::make_unique<CTray>();
    m_pTray->SetNotifyWnd(
        [this](QSystemTrayIcon::ActivationReason reason) { OnTrayIconMessage(reason); });
    // Without a notification area nothing else changes: the frame then keeps its window reachable.
    m_pTray->AddIcon(AppIconPath());
    m_pTray->SetTooltip(APP_TITLE);
}

void COvrinView::RemoveTray() {
    m_pTray.reset();
}

bool COvrinView::HasTrayIcon() const {
    return m_pTray && m_pTray->IsShown();
}

void COvrinView::OnTrayIconMessage(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) {
        if (QWidget* frame = FindProgramWindow()) RestoreWindowAtTopLeft(frame);
    } else if (reason == QSystemTrayIcon::Context) {
        // The menu belongs to the main frame.
        if (auto* menu = window()->findChild<CBTray*>()) menu->OnTrayNotify(reason);
    }
}

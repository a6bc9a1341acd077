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
    ShowTrayTip();
}

void COvrinView::ShowTrayTip() {
    if (!m_pTray) return;
    // The tip holds few bytes: the reason in short; the form's reception row has it whole.
    m_pTray->SetTooltip(m_saveFolderProblem.empty()
                            ? std::string(APP_TITLE)
                            : std::string(APP_TITLE) + "\n사진 저장 폴더를 쓸 수 없음");
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

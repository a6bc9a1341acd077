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

// The tip holds few bytes: what keeps photos from coming, in short; the form's rows say it whole.
void COvrinView::ShowTrayTip() {
    if (!m_pTray) return;
    std::string tip = APP_TITLE;
    if (m_signInWaiting) {
        tip += "\n로그인 서버 연결 대기 중";
    } else if (!m_saveFolderProblem.empty()) {
        tip += "\n사진 저장 폴더를 쓸 수 없음";
    }
    m_pTray->SetTooltip(tip);
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

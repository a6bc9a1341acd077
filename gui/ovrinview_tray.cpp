// The form's side of the notification-area icon: made in the initial update, removed when the form
// goes, its clicks, the session's state in its picture and tip, and the desktop notifications.
#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "gui/appicon.h"
#include "gui/desktopnotifier.h"
#include "gui/ovrinview.h"
#include "gui/programwindow.h"
#include "gui/receptionnotices.h"
#include "gui/tray.h"
#include "gui/trayicons.h"
#include "gui/traymenu.h"

// Made with the form, so that no report of the session is missed before the tray exists.
void COvrinView::ObserveStatus() {
    m_status = std::make_unique<SessionStatus>(m_session);
    m_notifier = std::make_unique<DesktopNotifier>(DesktopSessionBus());
    m_notices = std::make_unique<ReceptionNotices>(m_session, *m_status, *m_notifier);
    connect(m_status.get(), &SessionStatus::changed, this, [this] {
        ShowTrayState();
        // The photo count and the bar follow the delivery.
        ScheduleReceptionRows();
    });
}

void COvrinView::CreateTray() {
    m_pTray = std::make_unique<CTray>();
    m_pTray->SetNotifyWnd(
        [this](QSystemTrayIcon::ActivationReason reason) { OnTrayIconMessage(reason); });
    // Without a notification area nothing else changes: the frame then keeps its window reachable.
    m_pTray->AddIcon(AppIconPath());
    m_trayState.reset();
    ShowTrayState();
}

void COvrinView::ShowTrayState() {
    if (!m_pTray) return;
    const SessionState state = m_status->State();
    // The tip follows every count; the picture changes only with the state.
    if (state != m_trayState) {
        m_pTray->SetPicture(TrayStateIcon(state));
        m_trayState = state;
    }
    m_pTray->SetTooltip(TrayTipText(m_status->StateText(), m_status->LastDeliveryText()));
}

void COvrinView::OnClosedToTray() {
    m_notices->WindowClosedToTray();
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

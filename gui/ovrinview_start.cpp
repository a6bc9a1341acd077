// Start and end of the window: initial update and shutdown.
#include <QString>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "protocol/programinfo.h"

void COvrinView::OnInitialUpdate() {
    GetDlgItem(this, form::IDC_FOLDER_LIST)->setFont(m_fontLarge);
    GetDlgItem(this, form::IDC_FOLDER_EDIT)->setFont(m_fontLarge);
    GetDlgItem(this, form::IDC_ACTIVITY_LIST)->setFont(m_fontSmall);
    CreateTray();
    GetDlgItem(this, form::IDC_DATE)->setFont(m_fontSmall);
    GetDlgItem(this, form::IDC_TIME)->setFont(m_fontSmall);
    SetDlgItemText(form::IDC_VERSION, PROGRAM_VERSION);
    m_session.ScheduleStart();
}

void COvrinView::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    m_session.Stop();
    RemoveTray();
}

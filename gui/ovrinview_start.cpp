// Start and end of the window: initial update and shutdown.
#include <QListWidget>
#include <QString>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "protocol/programinfo.h"

void COvrinView::OnInitialUpdate() {
    GetDlgItem(this, form::IDC_FOLDER_LIST)->setFont(m_fontLarge);
    GetDlgItem(this, form::IDC_FOLDER_EDIT)->setFont(m_fontLarge);
    ActivityList()->setFont(m_fontSmall);
    // Every line is one line of text in one font: the list is laid out by one of them rather
    // than by measuring all thirty at each new line, several times for every received photo.
    ActivityList()->setUniformItemSizes(true);
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

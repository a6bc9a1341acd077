// The timer table and the clock with its daily log clean-up.
#include "core/msglog.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

void COvrinView::OnTimer(UINT id) {
    if (id != TIMER_CLOCK) KillTimer(id);
    switch (id) {
        case TIMER_STARTUP:
            StartProgram();
            break;
        case TIMER_CLOCK:
            OnClockTick();
            break;
        case TIMER_LOGIN_CONNECT:
            m_nLoginJob = 0;
            if (!g_bStop) ConnectServer(0, 0);
            break;
        case TIMER_REPLY_TIMEOUT:
            if (m_nLoginJob == 0 || m_nLoginJob == 1) OnSockRelease(m_nLoginSlot, 0);
            break;
        case TIMER_FILE_CONNECT:
            if (!g_bStop) ConnectServer(1, 1);
            break;
        case TIMER_RELOGIN:
            if (!g_bStop) RunLoginDialog();
            break;
        case TIMER_FOLDER_UPLOAD:
            if (CheckFolderListSize()) {
                m_nLoginJob = 1;
                if (!g_bStop) ConnectServer(0, 0);
            }
            break;
        default:
            break;
    }
}

void COvrinView::OnClockTick() {
    const std::time_t now = platform::Now();
    SetDlgItemText(form::IDC_DATE, platform::FormatLocalTime(now, "%Y-%m-%d"));
    SetDlgItemText(form::IDC_TIME, platform::FormatLocalTime(now, "%H:%M:%S"));
    if (ini::ReadInt(ini::BASIC_INFO, ini::LOG_DELETE, 0) == 0) return;
    const std::string today = platform::FormatLocalTime(now, "%Y%m%d");
    if (m_szToday != today) {
        DeleteOldLogFolder(now);
        m_szToday = today;
    }
}

void COvrinView::DeleteOldLogFolder(std::time_t now) {
    const std::filesystem::path folder = OldLogFolder(g_szModuleDir, now);
    DeleteFolderTree(folder);
    AddLog("Delete log folder: " + folder.string());
}

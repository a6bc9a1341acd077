// Start and end of the run: initial update, start sequence, shutdown.
#include <QString>

#include "core/msglog.h"
#include "protocol/programinfo.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "gui/controls.h"
#include "platform/singleinstance.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

bool COvrinView::OnInitialUpdate() {
    g_hViewWnd = GetSafeHwnd();
    InitPaths();
    // This instance's own frame carries no title yet, so whoever answers is another instance.
    if (SingleInstance::ShowRunningInstance(QString::fromUtf8(APP_TITLE))) {
        PostQuitMessage(0);
        return false;
    }
    GetDlgItem(this, form::IDC_FOLDER_LIST)->setFont(m_fontLarge);
    GetDlgItem(this, form::IDC_FOLDER_EDIT)->setFont(m_fontLarge);
    GetDlgItem(this, form::IDC_ACTIVITY_LIST)->setFont(m_fontSmall);
    CreateTray();
    GetDlgItem(this, form::IDC_DATE)->setFont(m_fontSmall);
    GetDlgItem(this, form::IDC_TIME)->setFont(m_fontSmall);
    SetDlgItemText(form::IDC_VERSION, PROGRAM_VERSION);
    SetTimer(TIMER_STARTUP, 100);
    return true;
}

void COvrinView::StartProgram() {
    std::error_code ignored;
    std::filesystem::create_directory(LogRoot(g_szModuleDir), ignored);
    const std::string startLine = std::string(APP_TITLE) + " Program Start!";
    SendMessage(GetSafeHwnd(), WM_LOG_MESSAGE, 0, reinterpret_cast<LPARAM>(&startLine));
    m_pClientSock.fill(nullptr);
    m_nNextSlot = {0, 50};
    m_szToday = platform::FormatLocalTime(platform::Now(), "%Y%m%d");
    SetTimer(TIMER_CLOCK, 1000);
    m_strNickName = ini::ReadText(ini::BASIC_INFO, ini::NICKNAME, "", ini::NICKNAME_SIZE);
    SetDlgItemText(form::IDC_NICKNAME, m_strNickName);
    ReadLoginServerInfo();
    RunLoginDialog();
    LoadSaveFolders();
}

void COvrinView::ReadLoginServerInfo() {
    ServerAddress login = ReadLoginServerSetting();
    m_szServerIP[0] = login.ip;
    m_nServerPort[0] = login.port;
}

void COvrinView::OnDestroy() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    KillTimer(TIMER_CLOCK);
    KillTimer(TIMER_FILE_CONNECT);
    g_bStop = 1;
    // Sockets are not closed here: each reception thread wakes, sees the stop flag and ends.
    for (int slot = 0; slot < MAX_SOCK; ++slot) {
        if (m_pClientSock[slot] && g_hSlotEvent[slot]) g_hSlotEvent[slot]->Set();
    }
    RemoveTray();
}

// The form's side of the login dialog: preparing it with the remembered account, and what a
// successful login or a closed dialog leads to.
#include "core/settings.h"
#include "gui/logindlg.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

void COvrinView::RunLoginDialog() {
    CLoginDlg dlg(this);
    int autoLogin = ini::ReadInt(ini::BASIC_INFO, ini::AUTO_LOGIN, 0);
    m_Account.bFileReconnect = 1;
    if (autoLogin != 0) {
        m_Account.strUserId =
            ini::ReadText(ini::BASIC_INFO, ini::USER_ID, "", ini::ACCOUNT_TEXT_SIZE);
        m_Account.strPassword =
            ini::ReadText(ini::BASIC_INFO, ini::PASSWORD, "", ini::ACCOUNT_TEXT_SIZE);
        if (m_Account.strUserId.empty()) autoLogin = 0;
    }
    // With automatic login off the fields keep what they hold: after a logout, the last user's.
    dlg.m_bAutoLogin = autoLogin;
    dlg.m_hOwner = GetSafeHwnd();
    dlg.m_pAccount = &m_Account;
    if (dlg.exec() != IDOK) {
        PostQuitMessage(0);  // closed without a login: the program ends
        return;
    }

    const bool remember = dlg.m_bAutoLogin != 0;
    ini::WriteText(ini::BASIC_INFO, ini::AUTO_LOGIN, remember ? "1" : "0");
    ini::WriteText(ini::BASIC_INFO, ini::USER_ID, remember ? m_Account.strUserId : "");
    ini::WriteText(ini::BASIC_INFO, ini::PASSWORD, remember ? m_Account.strPassword : "");

    // The address is kept whole, even at the full 20 characters of its field.
    m_szServerIP[1] = m_Account.strFileServerIp;
    m_nServerPort[1] = m_Account.nFileServerPort;
    SetTimer(TIMER_FILE_CONNECT, 500);
}

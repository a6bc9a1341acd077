// The form's nickname: a click on its label opens the nickname dialog; a changed nickname is
// saved and reaches the server with a new login exchange.
#include "core/settings.h"
#include "gui/nicknamedlg.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/staticnotify.h"
#include "gui/timerids.h"

namespace {
constexpr int kLoginDelayMs = 100;
}

void COvrinView::BindNickNameControl() {
    connect(StaticNotify::Of(GetDlgItem(this, form::IDC_NICKNAME)), &StaticNotify::clicked, this,
            [this] { OnClickNickName(); });
}

void COvrinView::OnClickNickName() {
    CNicNameDlg dlg(this);
    dlg.m_strNick = m_strNickName;
    if (dlg.exec() != IDOK || dlg.m_strNick == m_strNickName) return;
    m_strNickName = dlg.m_strNick;
    SetDlgItemText(form::IDC_NICKNAME, m_strNickName);
    ini::WriteText(ini::BASIC_INFO, ini::NICKNAME, m_strNickName);
    // The file connection's next end is not reconnected; it only re-arms the permission.
    m_Account.bFileReconnect = 0;
    SetTimer(TIMER_LOGIN_CONNECT, kLoginDelayMs);
}

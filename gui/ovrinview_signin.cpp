// The form's dialogs for the account: the login dialog whenever the session asks for a sign-in,
// and the nickname dialog on a click of the nickname or of its change button; the login row while
// an automatic sign-in waits for the server.
#include <QPushButton>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/logindlg.h"
#include "gui/messagebox.h"
#include "gui/nicknamedlg.h"
#include "gui/ovrinview.h"
#include "gui/staticnotify.h"
#include "protocol/programinfo.h"

void COvrinView::RunLoginDialog(const SignInPrefill& prefill) {
    CLoginDlg dlg(m_session, prefill, this);
    // Closed without a login: the program ends.
    if (dlg.exec() != IDOK) PostQuitMessage(0);
}

void COvrinView::ObserveSignIn() {
    connect(&m_session, &ClientSession::signInWaiting, this,
            [this](int seconds) { ShowSignInWaiting(seconds); });
}

void COvrinView::ShowSignInWaiting(int seconds) {
    SetDlgItemText(form::IDC_LOGIN_INFO, SignInWaitingText(seconds));
}

void COvrinView::BindNickNameControl() {
    connect(StaticNotify::Of(GetDlgItem(this, form::IDC_NICKNAME)), &StaticNotify::clicked, this,
            [this] { OnClickNickName(); });
    connect(static_cast<QPushButton*>(GetDlgItem(this, form::IDC_CHANGE_NICKNAME)),
            &QPushButton::clicked, this, [this] { OnClickNickName(); });
}

void COvrinView::OnClickNickName() {
    CNicNameDlg dlg(this);
    dlg.m_strNick = m_session.Nickname();
    if (dlg.exec() == IDOK) m_session.ChangeNickname(dlg.m_strNick);
}

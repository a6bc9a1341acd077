// The form's message table.
#include "core/windowmessages.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

void COvrinView::BindMessages() {
    m_wnd.Bind(WM_SOCK_RECEIVE, [this](WPARAM w, LPARAM l) { return OnSockReceive(w, l); });
    m_wnd.Bind(WM_SOCK_CLOSE, [this](WPARAM w, LPARAM l) { return OnSockClose(w, l); });
    m_wnd.Bind(WM_SOCK_CONNECT, [this](WPARAM w, LPARAM l) { return OnSockConnect(w, l); });
    m_wnd.Bind(WM_SOCK_RELEASE, [this](WPARAM w, LPARAM l) { return OnSockRelease(w, l); });
    m_wnd.Bind(WM_LOG_MESSAGE, [this](WPARAM w, LPARAM l) { return OnLogMessage(w, l); });
    m_wnd.Bind(WM_LOGIN_EVENT, [this](WPARAM w, LPARAM l) { return OnLoginEvent(w, l); });
    m_wnd.Bind(WM_GET_ACCOUNT, [this](WPARAM w, LPARAM l) { return OnGetAccount(w, l); });
    m_wnd.Bind(WM_RECV_STATE, [this](WPARAM w, LPARAM l) { return OnRecvState(w, l); });
    m_wnd.Bind(WM_RECV_PROGRESS, [this](WPARAM w, LPARAM l) { return OnRecvProgress(w, l); });
}

LRESULT COvrinView::OnLogMessage(WPARAM, LPARAM lParam) {
    // The sender's text lives only until this handler returns.
    AddLog(*reinterpret_cast<const std::string*>(lParam));
    return 0;
}

LRESULT COvrinView::OnLoginEvent(WPARAM, LPARAM) {
    SetTimer(TIMER_LOGIN_CONNECT, 100);
    return 0;
}

LRESULT COvrinView::OnGetAccount(WPARAM, LPARAM lParam) {
    *reinterpret_cast<AccountInfo*>(lParam) = m_Account;
    return 0;
}

#pragma once
// The login dialog: collects the user ID and password over a painted picture, hands them to the
// session and waits, open, for the result. With automatic login on it starts the attempt by itself
// 100 ms after it opens; that attempt waits for a login server that cannot be reached, saying so
// in the status line, until it answers or the user signs in by hand.
#include <QDialog>
#include <QPixmap>
#include <string>

#include "core/clientsession.h"
#include "platform/messagewindow.h"

class CEditTrans;

// The sign-in picture compiled into the program, 485 x 208 pixels.
QPixmap LoadLoginBackground();

// What the dialog and the form say while an automatic sign-in waits `seconds` for the server.
std::string SignInWaitingText(int seconds);

class CLoginDlg : public QDialog {
public:
    // Control ids.
    enum : int {
        IDC_USER_ID = 1002,
        IDC_PASSWORD = 1003,
        IDC_STATUS = 1005,
        IDC_AUTO_LOGIN = 1020,
    };

    CLoginDlg(ClientSession& session, const SignInPrefill& prefill, QWidget* parent = nullptr);

    // Whether the account is to be remembered: from the prefill, then the check box at every
    // attempt.
    bool AutoLogin() const { return m_autoLogin; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnTimer(UINT id);
    void OnLogin(SignInMode mode = SignInMode::ByHand);
    void OnLoginResult(bool ok, const QString& message);
    void OnUnanswered(const QString& text);
    void OnWaiting(int seconds);
    // True when the key was handled here and goes no further.
    bool PreTranslateKey(int key);
    void ShowMessage(const std::string& text);

    ClientSession& m_session;
    const SignInPrefill m_prefill;
    bool m_autoLogin;
    QPixmap m_bmpBack;
    MessageWindow m_wnd;  // the start timer
    CEditTrans* m_editUserId = nullptr;
    CEditTrans* m_editPassword = nullptr;
    bool m_bInitialised = false;
};

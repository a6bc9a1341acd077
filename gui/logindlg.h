#pragma once
// The login dialog: collects the user ID and password over a painted picture, hands them to the
// form with WM_LOGIN_EVENT and waits, open, for the form to post the result back. With automatic
// login on it starts the attempt by itself 100 ms after it opens.
#include <QDialog>
#include <QPixmap>
#include <string>

#include "core/accountinfo.h"
#include "platform/messagewindow.h"

class CEditTrans;

// The sign-in picture compiled into the program, 485 x 208 pixels.
QPixmap LoadLoginBackground();

class CLoginDlg : public QDialog {
public:
    // Control ids.
    enum : int {
        IDC_USER_ID = 1002,
        IDC_PASSWORD = 1003,
        IDC_STATUS = 1005,
        IDC_AUTO_LOGIN = 1020,
    };

    explicit CLoginDlg(QWidget* parent = nullptr);

    // The dialog's own window, to which the form posts the result of an attempt.
    HWND GetSafeHwnd() const { return m_wnd.Handle(); }

    // Set before opening, replaced by the check box at every attempt, read after closing.
    int m_bAutoLogin = 0;
    HWND m_hOwner = HWND::Null;         // the form, which runs the login exchange
    AccountInfo* m_pAccount = nullptr;  // the form's account record; must be set before opening

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();
    void OnTimer(UINT id);
    void OnLogin();
    LRESULT OnLoginResult(WPARAM wParam, LPARAM lParam);
    // True when the key was handled here and goes no further.
    bool PreTranslateKey(int key);
    void ShowMessage(const std::string& text);

    QPixmap m_bmpBack;
    MessageWindow m_wnd;
    CEditTrans* m_editUserId = nullptr;
    CEditTrans* m_editPassword = nullptr;
    bool m_bInitialised = false;
};

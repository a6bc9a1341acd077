// The status panel: what the reception thread reports, the progress of the file being received,
// the logout, and the presses on the form's own surface.
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "core/settings.h"
#include "core/clientsock.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "protocol/thousands.h"
#include "gui/controls.h"
#include "gui/messagebox.h"
#include "gui/formresource.h"
#include "gui/ovrinview.h"
#include "gui/timerids.h"

namespace {

constexpr char kStatusTimePattern[] = "%Y-%m-%d %H:%M:%S";
constexpr int kBarSteps = 1000;

// A press strictly inside one of these client-pixel ranges runs its operation. The form keeps
// its fixed size, so only ranges that reach its bare surface are listed: the ones for adding,
// deleting and modifying a folder lie on the activity list, the one for logging out beyond the
// form's right edge.
struct HotSpot {
    int left, right, top, bottom;  // all exclusive
    void (COvrinView::*operation)();
};
constexpr HotSpot kHotSpots[] = {
    {228, 396, 438, 461, &COvrinView::OnPickSaveFolder},
};

}  // namespace

void COvrinView::BindStatusControls() {
    auto* bar = static_cast<QProgressBar*>(GetDlgItem(this, form::IDC_RECEIVE_BAR));
    bar->setRange(0, kBarSteps);
    bar->setValue(0);
    connect(static_cast<QPushButton*>(GetDlgItem(this, form::IDC_LOGOUT)), &QPushButton::clicked,
            this, [this] { OnLogout(); });
}

void COvrinView::SetReceiveStatus(int kind, const std::string& text) {
    const std::string now = platform::FormatLocalTime(platform::Now(), kStatusTimePattern);
    if (kind == 1) {
        SetDlgItemText(form::IDC_RECEIVE_INFO, text);
        // A file name wider than the row is cut on screen; hovering shows it whole.
        GetDlgItem(this, form::IDC_RECEIVE_INFO)->setToolTip(QString::fromStdString(text));
        SetDlgItemText(form::IDC_RECEIVE_TIME, now);
    } else if (kind == 2) {
        // An empty text clears the row: a time alone would tell of nothing.
        SetDlgItemText(form::IDC_PROGRESS_INFO, text);
        SetDlgItemText(form::IDC_PROGRESS_TIME, text.empty() ? std::string() : now);
    }
}

LRESULT COvrinView::OnRecvState(WPARAM, LPARAM lParam) {
    m_recvProgress.Reset();
    ShowFileProgress();
    if (lParam) {
        SetReceiveStatus(1, "파일 수신 대기 완료!");
        SetReceiveStatus(2, std::string());
    } else {
        SetReceiveStatus(1, "파일서버 접속 끊김!");
    }
    return 0;
}

LRESULT COvrinView::OnRecvProgress(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case RECV_PROGRESS_ANNOUNCED:
            // The sender's text lives only until this handler returns.
            SetReceiveStatus(1, *reinterpret_cast<const std::string*>(lParam));
            break;
        case RECV_PROGRESS_FILE_SIZE:
            m_recvProgress.StartFile(lParam);
            ShowFileProgress();
            break;
        case RECV_PROGRESS_RECEIVING:
            SetReceiveStatus(2, "수신 중 사이즈: " + FormatThousands(lParam));
            m_recvProgress.Update(ReceiveProgress::Clock::now(), lParam);
            ShowFileProgress();
            break;
        case RECV_PROGRESS_COMPLETE:
            SetReceiveStatus(2, "수신 완료 사이즈: " + FormatThousands(lParam));
            m_recvProgress.Complete();
            ShowFileProgress();
            break;
        default:
            break;
    }
    return 0;
}

void COvrinView::ShowFileProgress() {
    auto* bar = static_cast<QProgressBar*>(GetDlgItem(this, form::IDC_RECEIVE_BAR));
    bar->setValue(static_cast<int>(std::lround(m_recvProgress.Fraction() * kBarSteps)));
    const std::optional<double> rate = m_recvProgress.Rate();
    SetDlgItemText(form::IDC_RECEIVE_RATE, rate ? FormatRate(*rate) : std::string());
}

void COvrinView::OnLogout() {
    if (MessageBox(this, QStringLiteral("사진 수신 사용자를 로그 아웃 하시겠습니까?"),
                   QStringLiteral("Log Out"), MB_YESNO) != IDYES) {
        return;
    }
    SetDlgItemText(form::IDC_USER_ID, std::string());
    m_Account.bLoginOk = 0;
    // A logged-out user gets no file-server connection, not even a pending retry, and no second
    // login dialog from a pending re-login.
    KillTimer(TIMER_FILE_CONNECT);
    KillTimer(TIMER_RELOGIN);
    const int slot = m_Account.nFileSlot;
    if (slot >= 0 && slot < MAX_SOCK && g_hSlotEvent[slot]) {
        // The thread looks at the account only after a wait that no data ended, and resets its
        // event before each wait: a busy line, or a wake-up while it reads, would keep it going
        // long after the logout. The stop flag it checks after every record is never missed.
        if (CClientSock* sock = m_pClientSock[slot]) sock->m_bStop = 1;
        g_hSlotEvent[slot]->Set();
    }
    // The next login dialog must not sign in again by itself.
    ini::WriteText(ini::BASIC_INFO, ini::AUTO_LOGIN, "0");
    RunLoginDialog();
}

void COvrinView::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    // A press on a plain label comes on to the form; it is on a control all the same.
    if (event->button() == Qt::LeftButton && !childAt(point)) OnLButtonDown(point);
    QWidget::mousePressEvent(event);
}

void COvrinView::OnLButtonDown(const QPoint& point) {
    for (const HotSpot& spot : kHotSpots) {
        if (point.x() > spot.left && point.x() < spot.right && point.y() > spot.top &&
            point.y() < spot.bottom) {
            (this->*spot.operation)();
            return;
        }
    }
}

// The status panel: the login state, what the reception reports, the progress of the file being
// received, the logout, and the presses on the form's own surface.
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "core/clientsession.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "platform/clock.h"
#include "protocol/thousands.h"

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

void COvrinView::ObserveReception() {
    connect(&m_session, &ClientSession::receptionStateChanged, this,
            [this](bool connected) { ShowReceptionState(connected); });
    connect(&m_session, &ClientSession::saveFolderProblem, this,
            [this](const QString& reason) { ShowSaveFolderProblem(reason.toStdString()); });
    connect(&m_session, &ClientSession::fileAnnounced, this, [this](const QString& text) {
        SetReceiveStatus(StatusRow::Reception, text.toStdString());
    });
    connect(&m_session, &ClientSession::fileSizeAnnounced, this, [this](std::int64_t size) {
        m_recvProgress.StartFile(size);
        ShowFileProgress();
    });
    connect(&m_session, &ClientSession::fileProgress, this, [this](std::int64_t onHand) {
        SetReceiveStatus(StatusRow::Progress, "수신 중 사이즈: " + FormatThousands(onHand));
        m_recvProgress.Update(ReceiveProgress::Clock::now(), onHand);
        ShowFileProgress();
    });
    connect(&m_session, &ClientSession::fileCompleted, this, [this](std::int64_t received) {
        SetReceiveStatus(StatusRow::Progress, "수신 완료 사이즈: " + FormatThousands(received));
        m_recvProgress.Complete();
        ShowFileProgress();
    });
}

void COvrinView::ShowLoginState(bool ok, const QString& userId, std::time_t when) {
    SetDlgItemText(form::IDC_USER_ID, userId.toStdString());
    SetDlgItemText(form::IDC_LOGIN_INFO, ok ? "정상 로그인" : "로그인 실패");
    SetDlgItemText(form::IDC_LOGIN_TIME, platform::FormatLocalTime(when, kStatusTimePattern));
}

// Nobody is signed in any more: no user, and a login row that says so rather than the last login.
void COvrinView::ShowSignedOut() {
    SetDlgItemText(form::IDC_USER_ID, std::string());
    SetDlgItemText(form::IDC_LOGIN_INFO, "로그 아웃");
    SetDlgItemText(form::IDC_LOGIN_TIME,
                   platform::FormatLocalTime(platform::Now(), kStatusTimePattern));
}

void COvrinView::ShowUpdateNotInstalled(const QString& version, UpdateHold reason) {
    QString why;
    switch (reason) {
        case UpdateHold::UpdaterMissing:
            why = QStringLiteral("업데이트 프로그램 없음");
            break;
        case UpdateHold::UpdaterNotStarted:
            why = QStringLiteral("업데이트 프로그램 실행 실패");
            break;
        case UpdateHold::HandOverNotWritten:
            why = QStringLiteral("설정 파일 쓰기 실패");
            break;
    }
    const QString notice = QStringLiteral("새 버전 ") + version + QStringLiteral(" 이 있습니다 (") +
                           why + QStringLiteral(")");
    ::SetDlgItemText(this, form::IDC_NOTICE, notice);
}

void COvrinView::SetReceiveStatus(StatusRow row, const std::string& text) {
    const std::string now = platform::FormatLocalTime(platform::Now(), kStatusTimePattern);
    if (row == StatusRow::Reception) {
        SetDlgItemText(form::IDC_RECEIVE_INFO, text);
        // A file name wider than the row is cut on screen; hovering shows it whole.
        GetDlgItem(this, form::IDC_RECEIVE_INFO)->setToolTip(QString::fromStdString(text));
        SetDlgItemText(form::IDC_RECEIVE_TIME, now);
    } else {
        // An empty text clears the row: a time alone would tell of nothing.
        SetDlgItemText(form::IDC_PROGRESS_INFO, text);
        SetDlgItemText(form::IDC_PROGRESS_TIME, text.empty() ? std::string() : now);
    }
}

void COvrinView::ShowReceptionState(bool connected) {
    m_recvProgress.Reset();
    ShowFileProgress();
    if (!m_saveFolderProblem.empty()) {
        // Waiting for files would not be true: none can be taken until the folder is back.
        SetReceiveStatus(StatusRow::Reception, m_saveFolderProblem);
    } else if (connected) {
        SetReceiveStatus(StatusRow::Reception, "파일 수신 대기 완료!");
        SetReceiveStatus(StatusRow::Progress, std::string());
    } else {
        SetReceiveStatus(StatusRow::Reception, "파일서버 접속 끊김!");
    }
}

void COvrinView::ShowSaveFolderProblem(const std::string& reason) {
    m_saveFolderProblem = reason;
    if (!reason.empty()) SetReceiveStatus(StatusRow::Reception, reason);
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
    m_session.SignOut();
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

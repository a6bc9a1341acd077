// The status panel: the login state, what the reception reports, the progress of the file being
// received and the photos of the current run, and the logout.
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "core/clientsession.h"
#include "core/sessionstatus.h"
#include "gui/controls.h"
#include "gui/formresource.h"
#include "gui/messagebox.h"
#include "gui/ovrinview.h"
#include "gui/receptiontexts.h"
#include "platform/clock.h"
#include "protocol/thousands.h"

namespace {

constexpr char kStatusTimePattern[] = "%Y-%m-%d %H:%M:%S";
constexpr int kBarSteps = 1000;

std::string StatusTime(std::time_t at) {
    return at == 0 ? std::string() : platform::FormatLocalTime(at, kStatusTimePattern);
}

}  // namespace

void COvrinView::BindStatusControls() {
    auto* bar = static_cast<QProgressBar*>(GetDlgItem(this, form::IDC_RECEIVE_BAR));
    bar->setRange(0, kBarSteps);
    bar->setValue(0);
    // Shown only while photos arrive: an empty bar would say something is being received. Its
    // room stays, so the rows below do not move when it comes and goes.
    QSizePolicy keepRoom = bar->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    bar->setSizePolicy(keepRoom);
    bar->hide();
    connect(static_cast<QPushButton*>(GetDlgItem(this, form::IDC_LOGOUT)), &QPushButton::clicked,
            this, [this] { OnLogout(); });
    m_rowsPause.setSingleShot(true);
    connect(&m_rowsPause, &QTimer::timeout, this, [this] { ApplyReceptionRows(); });
    m_activityPause.setSingleShot(true);
    connect(&m_activityPause, &QTimer::timeout, this,
            [this] { ActivityList()->setUpdatesEnabled(true); });
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
        ScheduleReceptionRows();
    });
    connect(&m_session, &ClientSession::fileProgress, this, [this](std::int64_t onHand) {
        m_recvProgress.Update(ReceiveProgress::Clock::now(), onHand);
        SetReceiveStatus(StatusRow::Progress, "수신 중 사이즈: " + FormatThousands(onHand));
    });
    connect(&m_session, &ClientSession::fileCompleted, this, [this](std::int64_t received) {
        m_recvProgress.Complete();
        SetReceiveStatus(StatusRow::Progress, "수신 완료 사이즈: " + FormatThousands(received));
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
    const std::time_t now = platform::Now();
    if (row == StatusRow::Reception) {
        m_rows.info = text;
        m_rows.infoAt = now;
    } else {
        m_rows.progress = text;
        // An empty text clears the row: a time alone would tell of nothing.
        m_rows.progressAt = text.empty() ? 0 : now;
    }
    ScheduleReceptionRows();
}

void COvrinView::ShowReceptionState(bool connected) {
    m_recvProgress.Reset();
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

void COvrinView::ScheduleReceptionRows() {
    m_rowsChanged = true;
    if (!m_rowsPause.isActive()) ApplyReceptionRows();
}

void COvrinView::ApplyReceptionRows() {
    if (!m_rowsChanged) return;
    m_rowsChanged = false;
    ShowReceptionRows();
    m_rowsPause.start(platform::ScaledMilliseconds(kRepaintPauseMs));
}

void COvrinView::ShowReceptionRows() {
    const AnnouncementParts announced = SplitAnnouncement(m_rows.info);
    SetDlgItemText(form::IDC_RECEIVE_INFO, announced.name);
    SetDlgItemText(form::IDC_RECEIVE_SIZE, announced.size);
    SetDlgItemText(form::IDC_RECEIVE_TIME, StatusTime(m_rows.infoAt));
    SetDlgItemText(form::IDC_PROGRESS_INFO, m_rows.progress);
    SetDlgItemText(form::IDC_PROGRESS_TIME, StatusTime(m_rows.progressAt));
    SetDlgItemText(form::IDC_BURST_COUNT, BurstText(m_status->CurrentCount()));

    auto* bar = static_cast<QProgressBar*>(GetDlgItem(this, form::IDC_RECEIVE_BAR));
    bar->setValue(static_cast<int>(std::lround(m_recvProgress.Fraction() * kBarSteps)));
    bar->setVisible(m_status->DeliveryUnderWay());
    const std::optional<double> rate = m_recvProgress.Rate();
    const std::optional<double> left = m_recvProgress.SecondsLeft();
    std::string rateText = rate ? FormatRate(*rate) : std::string();
    if (left) rateText += ", " + FormatTimeLeft(*left);
    SetDlgItemText(form::IDC_RECEIVE_RATE, rateText);
}

void COvrinView::OnLogout() {
    if (MessageBox(this, QStringLiteral("사진 수신 사용자를 로그 아웃 하시겠습니까?"),
                   QStringLiteral("Log Out"), MB_YESNO) != IDYES) {
        return;
    }
    m_session.SignOut();
}

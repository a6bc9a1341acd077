#include "core/sessionstatus.h"

#include <algorithm>

#include "core/clientsession.h"
#include "platform/clock.h"

namespace {

std::string Count(int photos) {
    return std::to_string(photos) + "장";
}

}  // namespace

SessionStatus::SessionStatus(ClientSession& session, QObject* parent)
    : QObject(parent),
      m_session(session),
      m_burst(std::chrono::milliseconds(platform::ScaledMilliseconds(kQuietMs))) {
    m_burstEnd.setSingleShot(true);
    // A coarse timer may fire early; the burst itself decides whether it has ended.
    m_burstEnd.setTimerType(Qt::PreciseTimer);
    connect(&m_burstEnd, &QTimer::timeout, this, [this] { CheckBurst(); });
    Observe();
}

void SessionStatus::Observe() {
    ClientSession* session = &m_session;
    connect(session, &ClientSession::loginStateChanged, this,
            [this](bool ok) { OnLoginState(ok); });
    connect(session, &ClientSession::signInFinished, this,
            [this](SignInOutcome outcome, const QString& message) {
                OnSignInFinished(outcome, message);
            });
    connect(session, &ClientSession::signInWaiting, this, [this] {
        m_signInWaiting = true;
        Q_EMIT changed();
    });
    connect(session, &ClientSession::signedOut, this, [this] {
        m_signedIn = false;
        m_lineUp = false;
        ChangeProblems([this] {
            m_loginRefused.reset();
            m_fileServerRefused.reset();
        });
    });
    connect(session, &ClientSession::receptionStateChanged, this,
            [this](bool up) { OnLineState(up); });
    connect(session, &ClientSession::fileServerRefused, this, [this] {
        ChangeProblems([this] {
            m_fileServerRefused = SessionProblem{"파일 서버가 접속을 거부함",
                                                 "파일 전송 서버가 접속을 거부했습니다. "
                                                 "다시 로그인해 사진을 받습니다."};
        });
    });
    connect(session, &ClientSession::saveFolderProblem, this, [this](const QString& reason) {
        ChangeProblems([this, &reason] {
            if (reason.isEmpty()) {
                m_saveFolderProblem.reset();
            } else {
                m_saveFolderProblem =
                    SessionProblem{"사진 저장 폴더를 쓸 수 없음", reason.toStdString()};
            }
        });
    });
    connect(session, &ClientSession::diskProblem, this, [this](const QString& reason) {
        ChangeProblems([this, &reason] {
            if (reason.isEmpty()) {
                m_diskProblem.reset();
            } else {
                m_diskProblem = SessionProblem{
                    "디스크에 사진을 쓸 수 없음",
                    reason.toStdString() + ". 디스크를 확인하면 서버가 사진을 다시 보냅니다."};
            }
        });
    });
    connect(session, &ClientSession::fileAnnounced, this, [this] { OnFileStarted(); });
    connect(session, &ClientSession::fileSizeAnnounced, this, [this](std::int64_t size) {
        m_fileSize = size;
        Q_EMIT changed();
    });
    connect(session, &ClientSession::fileProgress, this, [this](std::int64_t onHand) {
        m_onHand = onHand;
        Q_EMIT changed();
    });
    connect(session, &ClientSession::photoStored, this,
            [this](const QString& path) { OnFileStored(path); });
}

void SessionStatus::OnLoginState(bool ok) {
    m_signedIn = ok;
    m_signInWaiting = false;
    if (ok) {
        ChangeProblems([this] { m_loginRefused.reset(); });
    } else {
        m_lineUp = false;
        Q_EMIT changed();
    }
}

void SessionStatus::OnSignInFinished(SignInOutcome outcome, const QString& message) {
    if (outcome != SignInOutcome::Refused) return;
    ChangeProblems([this, &message] {
        m_loginRefused = SessionProblem{"로그인 실패", message.toStdString()};
    });
}

void SessionStatus::OnLineState(bool up) {
    m_lineUp = up;
    // A photo cut off with a line comes again from the server; it is not part of this burst.
    m_burst.FileAbandoned(DeliveryBurst::Clock::now());
    m_fileSize = 0;
    m_onHand = 0;
    EndBurstWhenQuiet();
    if (up) {
        ChangeProblems([this] { m_fileServerRefused.reset(); });
    } else {
        Q_EMIT changed();
    }
}

void SessionStatus::OnFileStarted() {
    m_burst.FileStarted();
    m_burstEnd.stop();
    m_fileSize = 0;
    m_onHand = 0;
    Q_EMIT changed();
}

void SessionStatus::OnFileStored(const QString& path) {
    m_burst.FileStored(path.toStdString(), DeliveryBurst::Clock::now());
    m_fileSize = 0;
    m_onHand = 0;
    EndBurstWhenQuiet();
    Q_EMIT changed();
}

void SessionStatus::EndBurstWhenQuiet() {
    const std::optional<DeliveryBurst::Clock::time_point> endsAt = m_burst.EndsAt();
    if (!endsAt) return;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(*endsAt - DeliveryBurst::Clock::now());
    m_burstEnd.start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
}

void SessionStatus::CheckBurst() {
    const bool wasOpen = m_burst.Open();
    const std::optional<Delivery> delivery = m_burst.End(DeliveryBurst::Clock::now());
    if (m_burst.Open()) {
        EndBurstWhenQuiet();
        return;
    }
    if (delivery) {
        m_lastDeliveryAt = platform::Now();
        m_lastDeliveryPhotos = delivery->photos;
    }
    if (wasOpen) Q_EMIT changed();
    if (delivery) Q_EMIT deliveryEnded(*delivery);
}

template <typename Change>
void SessionStatus::ChangeProblems(Change change) {
    const std::optional<SessionProblem> before = Problem();
    change();
    const std::optional<SessionProblem> after = Problem();
    if (after && (!before || before->brief != after->brief)) Q_EMIT problemStarted(*after);
    Q_EMIT changed();
}

// The one the user can do something about comes first.
std::optional<SessionProblem> SessionStatus::Problem() const {
    if (m_saveFolderProblem) return m_saveFolderProblem;
    if (m_diskProblem) return m_diskProblem;
    if (m_loginRefused) return m_loginRefused;
    return m_fileServerRefused;
}

SessionState SessionStatus::State() const {
    if (Problem()) return SessionState::Problem;
    if (m_signInWaiting) return SessionState::Waiting;
    if (!m_signedIn) return SessionState::SignedOut;
    if (!m_lineUp) return SessionState::Waiting;
    if (m_burst.Open()) return SessionState::Receiving;
    return SessionState::Idle;
}

std::string SessionStatus::StateText() const {
    switch (State()) {
        case SessionState::Problem:
            return Problem()->brief;
        case SessionState::SignedOut:
            return "로그인 안 됨";
        case SessionState::Waiting:
            return m_signInWaiting ? "로그인 서버 연결 대기 중" : "파일 서버 연결 대기 중";
        case SessionState::Idle:
            return "수신 대기 중";
        case SessionState::Receiving:
            break;
    }
    // The photos completed so far; the first one on its way has no count yet.
    std::string text = "수신 중";
    if (m_burst.Photos() > 0) text += " " + Count(m_burst.Photos());
    if (m_fileSize > 0) {
        const std::int64_t percent = std::clamp<std::int64_t>(m_onHand * 100 / m_fileSize, 0, 100);
        text += " · " + std::to_string(percent) + "%";
    }
    return text;
}

std::optional<PhotoCount> SessionStatus::CurrentCount() const {
    if (m_burst.Open()) return PhotoCount{m_burst.Photos(), m_burst.Receiving()};
    if (m_lastDeliveryAt) return PhotoCount{m_lastDeliveryPhotos, false};
    return std::nullopt;
}

std::string SessionStatus::LastDeliveryText() const {
    if (!m_lastDeliveryAt) return {};
    const std::time_t now = platform::Now();
    const bool today = platform::FormatLocalTime(*m_lastDeliveryAt, "%Y%m%d") ==
                       platform::FormatLocalTime(now, "%Y%m%d");
    return "최근 수신 " +
           platform::FormatLocalTime(*m_lastDeliveryAt, today ? "%H:%M" : "%m-%d %H:%M") + " · " +
           Count(m_lastDeliveryPhotos);
}

std::string SessionStatus::FolderText(const Delivery& delivery) const {
    const std::filesystem::path saveFolder = std::filesystem::path(m_session.SaveFolder());
    const std::filesystem::path below = delivery.folder.lexically_relative(saveFolder);
    if (below.empty() || below == "." || *below.begin() == "..") return delivery.folder.string();
    return below.string();
}

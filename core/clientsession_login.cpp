// The login exchange: the request, the answer assembled from read notifications, the recorded
// result, and what a sign-in, a logout and a nickname change lead to.
#include <cstring>
#include <string>

#include "core/clientsession.h"
#include "core/clientsock.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "core/updater.h"
#include "platform/clock.h"
#include "protocol/cp949.h"
#include "protocol/loginreply.h"
#include "protocol/loginrequest.h"
#include "protocol/programinfo.h"
#include "protocol/recordframer.h"
#include "protocol/showntext.h"

namespace {

constexpr int kReplyTimeoutMs = 3000;
// As long as the record reader waits for the rest of a record: 51 empty polls 40 ms apart.
constexpr int kReplySilenceMs = 51 * 40;
constexpr int kLoginDelayMs = 100;
constexpr int kFileConnectDelayMs = 500;
constexpr char kNoAnswer[] = "로그인 서버 응답이 없습니다. 다시 시도 해주세요!";
constexpr char kUnreadableAnswer[] = "로그인 응답 읽기 오류! 다시 시도 해주세요!";
// An automatic sign-in waits for the login server from 2 s up to one minute between attempts.
constexpr int kFirstRetryMs = 2000;

}  // namespace

void ClientSession::RequestSignIn(bool automaticAllowed) {
    SignInPrefill prefill;
    prefill.autoLogin =
        automaticAllowed && m_settings.ReadInt(ini::BASIC_INFO, ini::AUTO_LOGIN, 0) != 0;
    m_account.fileSlotNotReconnected = -1;
    if (prefill.autoLogin) {
        m_account.userId =
            m_settings.ReadText(ini::BASIC_INFO, ini::USER_ID, "", ini::ACCOUNT_TEXT_SIZE);
        m_account.password =
            m_settings.ReadText(ini::BASIC_INFO, ini::PASSWORD, "", ini::ACCOUNT_TEXT_SIZE);
        if (m_account.userId.empty()) prefill.autoLogin = false;
    }
    // With automatic login off the fields keep what they hold: after a logout, the last user's.
    prefill.userId = m_account.userId;
    prefill.password = m_account.password;
    Q_EMIT signInRequested(prefill);
}

void ClientSession::SignIn(const std::string& userId, const std::string& password, bool remember,
                           SignInMode mode) {
    m_account.userId = userId;
    m_account.password = password;
    m_signInPending = true;
    m_rememberAccount = remember;
    m_signInMode = mode;
    m_signInRetry.Reset();
    // Someone at the keyboard starts afresh: the file server's next failure waits the short pause.
    if (mode == SignInMode::ByHand) m_fileRetry.Reset();
    SetTimer(TIMER_LOGIN_CONNECT, kLoginDelayMs);
    Q_EMIT signingIn();
}

void ClientSession::SignOut() {
    m_run->signedIn = false;
    Q_EMIT signedOut();
    // A logged-out user gets no file-server connection, not even a pending retry, and no second
    // sign-in from a pending re-login.
    KillTimer(TIMER_FILE_CONNECT);
    KillTimer(TIMER_RELOGIN);
    KillTimer(TIMER_FILE_LINE_GOOD);
    m_fileRetry.Reset();
    const int slot = m_account.fileSlot;
    if (slot >= 0 && slot < MAX_SOCK) {
        // The thread looks at the sign-in only after a wait that no data ended, and resets its
        // wake-up before each wait: a busy line, or a wake-up while it reads, would keep it going
        // long after the logout. The stop flag it checks after every record is never missed.
        if (CClientSock* sock = m_sockets[slot]) sock->stop = true;
        m_run->Wake(slot);
    }
    // The next sign-in must not happen by itself, and the password is kept nowhere; the ID stays
    // for the next sign-in.
    m_account.password.clear();
    if (!m_settings.WriteTexts(ini::BASIC_INFO, {{ini::AUTO_LOGIN, "0"}, {ini::PASSWORD, ""}})) {
        ReportUnwritableSettings();
        Log("로그 아웃 정보 저장 실패!");
    }
    // Not from the file: a write that failed has left automatic login on there.
    RequestSignIn(false);
}

void ClientSession::ChangeNickname(const std::string& nickname) {
    if (nickname == m_nickname) return;
    // A nickname the next start would not know is not taken.
    if (!m_settings.WriteText(ini::BASIC_INFO, ini::NICKNAME, nickname)) {
        ReportUnwritableSettings();
        Log("닉네임 '" + nickname + "' 변경 실패!");
        return;
    }
    m_nickname = nickname;
    Q_EMIT nicknameChanged(QString::fromStdString(m_nickname));
    // The file-server connection open now is not reconnected when it ends; a connection made
    // later is, as usual.
    const int slot = m_account.fileSlot;
    const bool open = slot >= 0 && slot < MAX_SOCK && m_sockets[slot];
    m_account.fileSlotNotReconnected = open ? slot : -1;
    SetTimer(TIMER_LOGIN_CONNECT, kLoginDelayMs);
}

void ClientSession::SendLoginRequest(int slot) {
    const std::string record = BuildLoginRequest(m_account.userId, m_account.password, m_nickname);
    const int length = static_cast<int>(record.size());
    if (m_sockets[slot]->Send(record.data(), length) == length) {
        SetTimer(TIMER_REPLY_TIMEOUT, kReplyTimeoutMs);
        return;
    }
    Log("로그인 전송 에러!");
    SetLoginResult(SignInOutcome::Unreachable, "로그인 전송 에러!\r\n다시 시도해 주세요!");
}

void ClientSession::OnReplyTimeout() {
    // Only a connection still waiting for its first byte is ended here.
    if (!m_sockets[m_loginSlot] || (m_reply && m_reply->slot == m_loginSlot)) return;
    if (m_loginJob == LoginJob::SignIn) TellUnanswered(kNoAnswer);
    OnSockRelease(m_loginSlot);
}

// Takes what the line has of the answer; the rest comes with the next notifications.
void ClientSession::ReadServerReply(int slot) {
    if (!m_reply || m_reply->slot != slot) {
        // One answer is put together at a time: an earlier exchange still waiting for the rest of
        // its answer ends as an unreadable one, so its connection is not left behind.
        if (m_reply) ReplyUnreadable();
        KillTimer(TIMER_REPLY_TIMEOUT);
        m_reply = std::make_unique<ReplyAssembly>(slot);
    }
    CClientSock& sock = *m_sockets[slot];
    FrameStatus status = FrameStatus::Incomplete;
    bool progressed = false;
    for (std::span<char> space = m_reply->framer.Space(); !space.empty();
         space = m_reply->framer.Space()) {
        const int received = sock.Receive(space.data(), static_cast<int>(space.size()));
        if (received <= 0) break;
        progressed = true;
        status = m_reply->framer.Commit(received);
        if (status == FrameStatus::Complete || status == FrameStatus::TooLong) break;
    }
    if (status == FrameStatus::TooLong) {
        ReplyUnreadable();
    } else if (status == FrameStatus::Complete) {
        const int count = m_reply->framer.Size();
        const std::unique_ptr<ReplyAssembly> reply = std::move(m_reply);
        KillTimer(TIMER_REPLY_SILENCE);
        // One exchange per connection: the slot is free again before the answer is acted on, so
        // logins and uploads never run out of slots and the server's close after its answer is
        // not reported.
        ReleaseSocket(slot);
        if (m_loginJob == LoginJob::SignIn) HandleLoginReply(reply->buffer, count);
        if (m_loginJob == LoginJob::FolderListUpload) HandleFolderListReply(reply->buffer);
    } else if (progressed) {
        SetTimer(TIMER_REPLY_SILENCE, kReplySilenceMs);
    }
}

void ClientSession::ReplyUnreadable() {
    const int slot = m_reply->slot;
    const char* answer = m_reply->buffer;
    const std::string text = ShownText(
        platform::Cp949ToUtf8(std::string_view(answer, strnlen(answer, LOGIN_REPLY_SIZE))));
    char line[LOGIN_REPLY_SIZE + 64];
    std::snprintf(line, sizeof line, "로그인 소켓 Read TimeOut![%d][%s]", m_reply->framer.Size(),
                  text.c_str());
    Log(line);
    Log(m_loginJob == LoginJob::SignIn ? "로그인 응답 읽기 오류!\r\n다시 시도 해주세요!"
                                       : "폴더 전송 응답 읽기 오류!\r\n다시 시도 해주세요!");
    if (m_loginJob == LoginJob::SignIn) TellUnanswered(kUnreadableAnswer);
    ReleaseSocket(slot);
}

void ClientSession::EndReplyAssembly() {
    m_reply.reset();
    KillTimer(TIMER_REPLY_SILENCE);
}

bool ClientSession::AssemblingReply(int slot) const {
    return m_reply && m_reply->slot == slot;
}

void ClientSession::TellUnanswered(const char* text) {
    if (!m_signInPending || RetryAutomaticSignIn()) return;
    m_signInPending = false;
    Q_EMIT signInUnanswered(QString::fromUtf8(text));
}

// The pending sign-in stays pending: the login connect comes again after a growing pause. The
// waiting is logged when it starts; the attempts after it are quiet.
bool ClientSession::RetryAutomaticSignIn() {
    if (m_signInMode != SignInMode::Automatic || m_run->stop) return false;
    const int pauseMs = m_signInRetry.Fail(kFirstRetryMs);
    const int seconds = pauseMs / 1000;
    if (m_signInRetry.Changed()) {
        Log("로그인 서버 연결 대기: " + std::to_string(seconds) + "초 후 다시 로그인합니다.");
    }
    SetTimer(TIMER_LOGIN_CONNECT, pauseMs);
    Q_EMIT signInWaiting(seconds);
    return true;
}

void ClientSession::HandleLoginReply(const char* answer, int received) {
    const LoginReply reply = ParseLoginReply(answer, received);
    m_account.loginResult = reply.result;
    if (reply.result != 'Y') {
        SetLoginResult(SignInOutcome::Refused, LoginResultMessage(reply.result));
        return;
    }
    m_account.customerNo = reply.customerNo;
    m_account.fileServerIp = reply.fileServerIp;
    m_account.fileServerPort = reply.fileServerPort;
    m_account.latestVersion = reply.latestVersion;
    m_account.updateServerIp = reply.updateServerIp;
    // An empty display name names nobody: the notice keeps its operator.
    if (!reply.displayName.empty() && reply.displayName != MAKER_NAME) {
        Q_EMIT noticeOperatorChanged(QString::fromStdString(reply.displayName));
    }
    for (const std::string& item : reply.extensionItems) {
        if (ExtensionCode(item) != EXTENSION_NICKNAME || !m_nickname.empty()) continue;
        // The server's nickname is taken only while the user has none of their own.
        m_nickname = platform::FitUtf8ToCp949Bytes(ExtensionValue(item), ini::NICKNAME_SIZE - 1);
        Q_EMIT nicknameChanged(QString::fromStdString(m_nickname));
        if (!m_settings.WriteText(ini::BASIC_INFO, ini::NICKNAME, m_nickname)) {
            ReportUnwritableSettings();
        }
    }
    const bool handedOver =
        IsUpdateDue(m_account.latestVersion, m_account.updateServerIp) && RunUpdater();
    if (!handedOver) {
        KillTimer(TIMER_FOLDER_UPLOAD);
        SetTimer(TIMER_FOLDER_UPLOAD, 5000);
    }
    SetLoginResult(SignInOutcome::Accepted, "");
}

void ClientSession::SetLoginResult(SignInOutcome outcome, const std::string& message) {
    const bool ok = outcome == SignInOutcome::Accepted;
    m_run->signedIn = ok;
    Q_EMIT loginStateChanged(ok, ok ? QString::fromStdString(m_account.userId) : QString(),
                             platform::Now());
    if (!m_signInPending) return;
    if (outcome == SignInOutcome::Unreachable && RetryAutomaticSignIn()) return;
    if (m_signInRetry.Failures() > 0) {
        Log("로그인 서버 응답 (" + std::to_string(m_signInRetry.Failures()) + "회 재시도 후)");
        m_signInRetry.Reset();
    }
    m_signInPending = false;
    if (ok) CompleteSignIn();
    Q_EMIT signInFinished(outcome, QString::fromStdString(message));
}

void ClientSession::CompleteSignIn() {
    if (!m_settings.WriteTexts(ini::BASIC_INFO,
                               {{ini::AUTO_LOGIN, m_rememberAccount ? "1" : "0"},
                                {ini::USER_ID, m_rememberAccount ? m_account.userId : ""},
                                {ini::PASSWORD, m_rememberAccount ? m_account.password : ""}})) {
        ReportUnwritableSettings();
        Log("로그인 정보 저장 실패!");
    }
    // The address is kept whole, even at the full 20 characters of its field.
    m_serverIp[Index(ServerGroup::File)] = m_account.fileServerIp;
    m_serverPort[Index(ServerGroup::File)] = m_account.fileServerPort;
    SetTimer(TIMER_FILE_CONNECT, kFileConnectDelayMs);
}

// The session ends itself once the updater runs with its instructions. Without an updater that
// starts, the program would quit after every login and never receive a photo: it goes on instead.
bool ClientSession::RunUpdater() {
    const QString version = QString::fromStdString(m_account.latestVersion);
    Log("새 버전 " + ShownText(m_account.latestVersion) + " 이(가) 있습니다.");
    if (!UpdaterPresent(m_paths)) {
        Log(std::string("업데이트 프로그램(") + UPDATER_PROGRAM +
            ")이 없어 이 버전으로 계속 수신합니다.");
        Q_EMIT updateNotInstalled(version, UpdateHold::UpdaterMissing);
        return false;
    }
    // An updater without its instructions would fetch nothing.
    if (!WriteUpdaterHandOver(m_paths, m_account.updateServerIp)) {
        ReportUnwritableSettings();
        Log("업데이트 정보를 쓸 수 없어 이 버전으로 계속 수신합니다.");
        Q_EMIT updateNotInstalled(version, UpdateHold::HandOverNotWritten);
        return false;
    }
    if (!StartUpdater(m_paths)) {
        Log(std::string("업데이트 프로그램(") + UPDATER_PROGRAM +
            ")을 시작할 수 없어 이 버전으로 계속 수신합니다.");
        Q_EMIT updateNotInstalled(version, UpdateHold::UpdaterNotStarted);
        return false;
    }
    m_run->stop = true;
    Q_EMIT handedOverToUpdater();
    PostQuitMessage(0);
    return true;
}

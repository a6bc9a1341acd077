// The session's start and end, its timers, the clock and the activity lines.
#include "core/clientsession.h"

#include <filesystem>

#include "core/clientsock.h"
#include "core/fsthread.h"
#include "core/msglog.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "protocol/programinfo.h"

namespace {
constexpr int kStartDelayMs = 100;
constexpr int kClockPeriodMs = 1000;
// The run ends within about a second of a quit; a thread ends within one 40 ms pause of the stop.
constexpr auto kEndOfRunLimit = std::chrono::milliseconds(1000);
}  // namespace

ClientSession::ClientSession(const ProgramFolders& paths, QObject* parent)
    : QObject(parent),
      m_paths(paths),
      m_settings(paths.settingsFile),
      m_run(std::make_shared<RunContext>()),
      m_wnd(std::make_unique<MessageWindow>()),
      m_threads(std::make_unique<ReceptionThreads>(m_run)) {
    BindMessages();
    m_wnd->BindTimer([this](UINT id) { OnTimer(id); });
}

ClientSession::~ClientSession() {
    Stop();
    m_wnd.reset();
    // A socket whose thread did not end in time stays with that thread.
    const bool threadsEnded = m_threads->JoinAll(kEndOfRunLimit);
    for (CClientSock*& sock : m_sockets) {
        const bool file = sock && static_cast<ServerGroup>(sock->group) == ServerGroup::File;
        if (file && !threadsEnded) continue;
        delete sock;
        sock = nullptr;
    }
}

void ClientSession::ScheduleStart() {
    SetTimer(TIMER_STARTUP, kStartDelayMs);
}

void ClientSession::Start() {
    std::error_code ignored;
    std::filesystem::create_directory(LogRoot(m_paths.programDir), ignored);
    Log(std::string(APP_TITLE) + " Program Start!");
    m_today = platform::FormatLocalTime(platform::Now(), "%Y%m%d");
    SetTimer(TIMER_CLOCK, kClockPeriodMs);
    m_nickname = m_settings.ReadText(ini::BASIC_INFO, ini::NICKNAME, "", ini::NICKNAME_SIZE);
    Q_EMIT nicknameChanged(QString::fromStdString(m_nickname));
    ReadLoginServerInfo();
    RequestSignIn();
    LoadSaveFolders();
}

void ClientSession::ReadLoginServerInfo() {
    const ServerAddress login = m_settings.ReadLoginServer();
    m_serverIp[Index(ServerGroup::Login)] = login.ip;
    m_serverPort[Index(ServerGroup::Login)] = login.port;
}

void ClientSession::Stop() {
    if (m_stopped) return;
    m_stopped = true;
    KillTimer(TIMER_CLOCK);
    KillTimer(TIMER_FILE_CONNECT);
    // Sockets are not closed here: each reception thread wakes, sees the stop flag and ends.
    m_run->StopAll();
}

void ClientSession::OnTimer(UINT id) {
    if (id != TIMER_CLOCK) KillTimer(id);
    switch (id) {
        case TIMER_STARTUP:
            Start();
            break;
        case TIMER_CLOCK:
            OnClockTick();
            break;
        case TIMER_LOGIN_CONNECT:
            m_loginJob = LoginJob::SignIn;
            if (!m_run->stop) ConnectServer(ServerGroup::Login, 0);
            break;
        case TIMER_REPLY_TIMEOUT:
            OnReplyTimeout();
            break;
        case TIMER_REPLY_SILENCE:
            if (m_reply) ReplyUnreadable();
            break;
        case TIMER_FILE_CONNECT:
            if (!m_run->stop) ConnectServer(ServerGroup::File, 1);
            break;
        case TIMER_RELOGIN:
            if (!m_run->stop) RequestSignIn();
            break;
        case TIMER_FOLDER_UPLOAD:
            if (CheckFolderListSize()) {
                m_loginJob = LoginJob::FolderListUpload;
                if (!m_run->stop) ConnectServer(ServerGroup::Login, 0);
            }
            break;
        default:
            break;
    }
}

void ClientSession::OnClockTick() {
    const std::time_t now = platform::Now();
    Q_EMIT clockTicked(now);
    if (m_settings.ReadInt(ini::BASIC_INFO, ini::LOG_DELETE, 0) == 0) return;
    const std::string today = platform::FormatLocalTime(now, "%Y%m%d");
    if (m_today != today) {
        DeleteOldLogFolder(now);
        m_today = today;
    }
}

void ClientSession::DeleteOldLogFolder(std::time_t now) {
    const std::filesystem::path folder = OldLogFolder(m_paths.programDir, now);
    DeleteFolderTree(folder);
    Log("Delete log folder: " + folder.string());
}

void ClientSession::Log(const std::string& text) {
    const std::time_t now = platform::Now();
    const std::string line = FormatLogLine(now, text);
    // A line that cannot reach the file still reaches the faces; nothing else is to be done.
    WriteMsgLog(m_paths.programDir, now, line);
    Q_EMIT activityLine(QString::fromStdString(line));
}

void ClientSession::BindMessages() {
    m_wnd->Bind(WM_SOCK_RECEIVE,
                [this](WPARAM w, LPARAM) { return OnSockReceive(static_cast<int>(w)); });
    m_wnd->Bind(WM_SOCK_CLOSE,
                [this](WPARAM w, LPARAM) { return OnSockClose(static_cast<int>(w)); });
    m_wnd->Bind(WM_SOCK_CONNECT,
                [this](WPARAM w, LPARAM) { return OnSockConnect(static_cast<int>(w)); });
    m_wnd->Bind(WM_SOCK_RELEASE,
                [this](WPARAM w, LPARAM) { return OnSockRelease(static_cast<int>(w)); });
    m_wnd->Bind(WM_LOG_MESSAGE, [this](WPARAM, LPARAM l) {
        // The sender's text lives only until this handler returns.
        Log(*reinterpret_cast<const std::string*>(l));
        return LRESULT{0};
    });
    m_wnd->Bind(WM_RECV_STATE, [this](WPARAM, LPARAM l) {
        Q_EMIT receptionStateChanged(l != 0);
        return LRESULT{0};
    });
    m_wnd->Bind(WM_RECV_PROGRESS, [this](WPARAM kind, LPARAM l) {
        switch (kind) {
            case RECV_PROGRESS_ANNOUNCED:
                Q_EMIT fileAnnounced(
                    QString::fromStdString(*reinterpret_cast<const std::string*>(l)));
                break;
            case RECV_PROGRESS_FILE_SIZE:
                Q_EMIT fileSizeAnnounced(l);
                break;
            case RECV_PROGRESS_RECEIVING:
                Q_EMIT fileProgress(l);
                break;
            case RECV_PROGRESS_COMPLETE:
                Q_EMIT fileCompleted(l);
                break;
            default:
                break;
        }
        return LRESULT{0};
    });
}

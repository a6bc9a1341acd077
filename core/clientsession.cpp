// The session's start and end, its timers, the clock and the activity lines.
#include "core/clientsession.h"

#include <filesystem>
#include <optional>

#include "core/clientsock.h"
#include "core/fsthread.h"
#include "core/msglog.h"
#include "core/sessiontimers.h"
#include "core/settings.h"
#include "core/windowmessages.h"
#include "platform/clock.h"
#include "platform/privateprofile.h"
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
    // The ledger may outlive the session in a thread that did not end in time.
    if (m_run->ledger) m_run->ledger->Mute();
    if (m_run->pictureChecker) m_run->pictureChecker->Mute();
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
    PrepareFolders();
    CheckSettingsEncoding();
    OpenLedger();
    StartPictureChecks();
    const std::time_t now = platform::Now();
    m_today = platform::FormatLocalTime(now, "%Y%m%d");
    // A client started only by day would otherwise never clean up.
    DeleteOldLogFolders(now);
    SetTimer(TIMER_CLOCK, kClockPeriodMs);
    m_nickname = m_settings.ReadText(ini::BASIC_INFO, ini::NICKNAME, "", ini::NICKNAME_SIZE);
    Q_EMIT nicknameChanged(QString::fromStdString(m_nickname));
    ReadLoginServerInfo();
    RequestSignIn();
    LoadSaveFolders();
}

// The user's folders are made on the first start, which says where they are; the settings file and
// the logs cannot be written otherwise.
void ClientSession::PrepareFolders() {
    std::error_code ignored;
    const bool firstStart =
        m_paths.inUserFolders && !std::filesystem::exists(m_paths.SettingsFolder(), ignored);
    std::filesystem::create_directories(m_paths.SettingsFolder(), ignored);
    std::filesystem::create_directories(LogRoot(m_paths.logHome), ignored);
    Log(std::string(APP_TITLE) + " Program Start!");
    if (firstStart) {
        Log("프로그램 폴더에 쓸 수 없어 설정 파일은 " + m_paths.settingsFile.string() +
            ", 로그는 " + LogRoot(m_paths.logHome).string() + " 에 둡니다.");
    }
}

void ClientSession::OpenLedger() {
    const std::filesystem::path file = m_paths.SettingsFolder() / DELIVERY_LEDGER_FILE;
    // Through the session's message window: a thread that outlives the session finds it gone.
    m_run->ledger = std::make_shared<DeliveryLedger>(
        file.string(), [this, wnd = Handle()](const std::string& line) {
            PostTask(wnd, [this, line] { Log(line); });
        });
}

void ClientSession::StartPictureChecks() {
    m_run->pictureChecker = std::make_shared<PictureChecker>(
        m_pictureDecoder, [this, wnd = Handle(), ledger = m_run->ledger](
                              const PhotoPlace& place, const std::string& path,
                              const StoredPhoto& photo, const PictureVerdict& verdict) {
            ledger->PictureChecked(place, photo,
                                   verdict.sound ? "sound" : "damaged: " + verdict.reason);
            if (verdict.sound) return;
            PostTask(wnd, [this, place, path, reason = verdict.reason] {
                OnPhotoDamaged(place, path, reason);
            });
        });
}

void ClientSession::OnPhotoDamaged(const PhotoPlace& place, const std::string& path,
                                   const std::string& reason) {
    Log("손상된 사진: " + place.path + " (" + reason + ")");
    Q_EMIT photoDamaged(QString::fromStdString(path), QString::fromStdString(reason));
}

void ClientSession::CheckSettingsEncoding() {
    const std::string file = m_paths.settingsFile.string();
    switch (platform::DetectProfileEncoding(m_paths.settingsFile)) {
        case platform::ProfileEncoding::Utf8:
            Log("설정 파일을 UTF-8로 읽었습니다. 저장할 때는 CP949로 씁니다: " + file);
            break;
        case platform::ProfileEncoding::Unknown:
            Log("설정 파일이 CP949도 UTF-8도 아닙니다: " + file);
            Q_EMIT settingsUnusable(QStringLiteral("the settings file is neither CP949 nor UTF-8"));
            break;
        case platform::ProfileEncoding::Unreadable:
            Log("설정 파일을 읽을 수 없습니다: " + file);
            Q_EMIT settingsUnusable(QStringLiteral("the settings file cannot be read"));
            break;
        default:
            break;
    }
}

void ClientSession::ReportUnwritableSettings() {
    Log("설정 파일에 쓸 수 없습니다: " + m_paths.settingsFile.string());
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
    // A count held back is written now; from here on nothing is held back (see Log).
    if (std::optional<TimedLine> held = m_repeatedLines.Flush()) WriteLine(*held);
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
        case TIMER_FILE_LINE_GOOD:
            OnFileLineProven();
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
    if (std::optional<TimedLine> held = m_repeatedLines.Due(now)) WriteLine(*held);
    const std::string today = platform::FormatLocalTime(now, "%Y%m%d");
    if (m_today != today) {
        m_today = today;
        DeleteOldLogFolders(now);
    }
}

// One line for all deleted folders: a first start after a long time may delete hundreds.
void ClientSession::DeleteOldLogFolders(std::time_t now) {
    if (m_settings.ReadInt(ini::BASIC_INFO, ini::LOG_DELETE, 0) == 0) return;
    const LogCleanUp cleanUp = ::DeleteOldLogFolders(m_paths.logHome, now);
    if (!cleanUp.deleted.empty()) {
        std::string line = "Delete log folders: " + std::to_string(cleanUp.deleted.size()) + " (" +
                           cleanUp.deleted.front().filename().string();
        if (cleanUp.deleted.size() > 1) line += " - " + cleanUp.deleted.back().filename().string();
        Log(line + ") in " + LogRoot(m_paths.logHome).string());
    }
    for (const std::filesystem::path& folder : cleanUp.kept) {
        Log("Cannot delete log folder: " + folder.string());
    }
}

void ClientSession::Log(const std::string& text) {
    for (const TimedLine& line : m_repeatedLines.Add(platform::Now(), text)) WriteLine(line);
    // After the end of the run no later line may come to write a count.
    if (m_stopped) {
        if (std::optional<TimedLine> held = m_repeatedLines.Flush()) WriteLine(*held);
    }
}

// The screen shows what the file holds: the same lines, repeats merged the same way.
void ClientSession::WriteLine(const TimedLine& line) {
    const std::string text = FormatLogLine(line.when, line.text);
    // A line that cannot reach the file still reaches the faces; nothing else is to be done.
    WriteMsgLog(m_paths.logHome, line.when, text);
    Q_EMIT activityLine(QString::fromStdString(text));
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
    m_wnd->Bind(WM_LOG_MESSAGE, [this](WPARAM w, LPARAM l) {
        if (w == LOG_ATTEMPT_LINE && Retrying()) return LRESULT{0};
        // The sender's text lives only until this handler returns.
        Log(*reinterpret_cast<const std::string*>(l));
        return LRESULT{0};
    });
    m_wnd->Bind(WM_RECV_STATE, [this](WPARAM, LPARAM l) {
        if (l != 0) OnFileLineGreeted();
        Q_EMIT receptionStateChanged(l != 0);
        return LRESULT{0};
    });
    m_wnd->Bind(WM_RECV_PROGRESS, [this](WPARAM kind, LPARAM l) {
        switch (kind) {
            case RECV_PROGRESS_ANNOUNCED:
                SetSaveFolderProblem({});
                Q_EMIT fileAnnounced(
                    QString::fromStdString(*reinterpret_cast<const std::string*>(l)));
                break;
            case RECV_SAVE_FOLDER_PROBLEM:
                SetSaveFolderProblem(*reinterpret_cast<const std::string*>(l));
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
            case RECV_DISK_PROBLEM:
                SetDiskProblem(*reinterpret_cast<const std::string*>(l));
                break;
            case RECV_PROGRESS_STORED:
                SetDiskProblem({});
                Q_EMIT photoStored(QString::fromStdString(
                    (std::filesystem::path(SaveFolder()) / *reinterpret_cast<const std::string*>(l))
                        .string()));
                break;
            default:
                break;
        }
        return LRESULT{0};
    });
}

#pragma once
// The client's run, without a window: the connection table, the sign-in exchange, the folder-list
// upload, the nickname login, logout and reconnection, the save folders and the reception threads.
// Faces (the window and its dialogs, the tray, a headless program) send it commands and show what
// it reports; it never waits for the network on its thread.
#include <QObject>
#include <QStringList>
#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "core/accountinfo.h"
#include "core/repeatedlines.h"
#include "core/retrypause.h"
#include "core/runcontext.h"
#include "core/settings.h"
#include "platform/messagewindow.h"
#include "protocol/loginreply.h"
#include "protocol/recordframer.h"

class CClientSock;
class ReceptionThreads;

enum class ServerGroup { Login = 0, File = 1 };
// What the current login-server connection is for.
enum class LoginJob { SignIn, FolderListUpload };
// A sign-in the user started waits for nobody; one made with a stored account (nobody at the
// keyboard) waits for an unreachable login server, trying again with growing pauses.
enum class SignInMode { ByHand, Automatic };
enum class SignInOutcome { Accepted, Refused, Unreachable };
// Why a newer version was not installed: the run goes on with this one.
enum class UpdateHold { UpdaterMissing, UpdaterNotStarted, HandOverNotWritten };
// How a file-server connection failed: it could not be made, the server refused the greeting, or
// it ended before it had stayed up long enough to count as good.
enum class FileLineFault { ConnectFailed = 1, Refused, Ended };

// What a sign-in dialog starts with: the remembered account when automatic login is on, the last
// one otherwise.
struct SignInPrefill {
    std::string userId;
    std::string password;
    bool autoLogin = false;
};

class ClientSession : public QObject {
    Q_OBJECT

public:
    // The settings file and message logs are the ones in `paths`.
    explicit ClientSession(const ProgramFolders& paths, QObject* parent = nullptr);
    // Ends the run; threads still running are joined for a bounded time.
    ~ClientSession() override;

    // The start (settings, clock, sign-in, save folders) follows shortly from the event loop.
    void ScheduleStart();
    // Ends the run: timers, stop flag, every reception thread woken. Runs once.
    void Stop();
    // The start itself: the program's first activity line, the clock, the nickname and login
    // server from the settings file, a sign-in, the save folders.
    void Start();
    // Asks the faces for a sign-in, with what the settings file remembers; automatic login only
    // when allowed (never right after a logout).
    void RequestSignIn(bool automaticAllowed = true);
    // How completed photos are decoded in their check; set before the start. Without it only
    // their structure is checked (a program without Qt's image readers).
    void SetPictureDecoder(PictureChecker::Decoder decoder) {
        m_pictureDecoder = std::move(decoder);
    }
    // Reads the login server's address, and the save folders, from the settings file again.
    void ReadLoginServerInfo();
    void LoadSaveFolders();
    // With "로그삭제" on: deletes the day folders of LOG_KEEP_DAYS days before now and older.
    void DeleteOldLogFolders(std::time_t now);

    // Commands.
    // Signs in after a short delay; signInFinished or signInUnanswered tells how it went (in
    // automatic mode an unreachable server is waited for instead: signInWaiting). On success the
    // account is remembered for automatic login, or forgotten.
    void SignIn(const std::string& userId, const std::string& password, bool remember,
                SignInMode mode = SignInMode::ByHand);
    void SignOut();
    void ChangeNickname(const std::string& nickname);
    // The folder list. Texts are taken in the form the settings file keeps them.
    void AddFolder(const std::string& text);
    void DeleteFolder(int row);
    void ModifyFolder(int row, const std::string& text);
    void SetSaveFolder(const std::string& folder);
    // An activity line: the message log and every face. A line that repeats the one before it
    // is counted instead, and the count written later as one line.
    void Log(const std::string& text);

    // What the faces show.
    const ProgramFolders& Paths() const { return m_paths; }
    const SettingsFile& Settings() const { return m_settings; }
    const AccountInfo& Account() const { return m_account; }
    const std::string& Nickname() const { return m_nickname; }
    const QStringList& Folders() const { return m_folders; }
    std::string SaveFolder() const { return m_run->saveFolder.Get(); }
    bool SignedIn() const { return m_run->signedIn; }
    bool Running() const { return !m_run->stop; }

    // For tests and diagnostics: the session's message window and what it holds.
    HWND Handle() const { return m_wnd->Handle(); }
    CClientSock* Socket(int slot) const { return m_sockets[static_cast<std::size_t>(slot)]; }
    // The failures of the file-server connection in a row, and the pause before its next attempt.
    const RetryPause& FileLineRetry() const { return m_fileRetry; }
    const std::string& ServerIp(ServerGroup group) const { return m_serverIp[Index(group)]; }
    int ServerPort(ServerGroup group) const { return m_serverPort[Index(group)]; }
    void SetTimer(UINT id, int milliseconds) { m_wnd->SetTimer(id, milliseconds); }
    void KillTimer(UINT id) { m_wnd->KillTimer(id); }
    bool IsTimerSet(UINT id) const { return m_wnd->IsTimerSet(id); }
    void OnTimer(UINT id);
    int FindFreeSlot(ServerGroup group, int start);
    void ConnectServer(ServerGroup group, int tag);
    void SetLoginResult(SignInOutcome outcome, const std::string& message);
    // A whole login answer as read off the line.
    void HandleLoginReply(const char* answer, int received);
    const std::string& Today() const { return m_today; }

Q_SIGNALS:
    // An activity line as it goes to the log: "[hh:mm:ss] text".
    void activityLine(const QString& line);
    void clockTicked(std::time_t now);
    // A face should let the user sign in (at start, after a refused greeting, after logout).
    void signInRequested(const SignInPrefill& prefill);
    // A SignIn command was taken: the attempt starts shortly.
    void signingIn();
    // How a SignIn command ended; a failure carries the message to show.
    void signInFinished(SignInOutcome outcome, const QString& message);
    // A SignIn command got no answer that could be read: the user may try again.
    void signInUnanswered(const QString& text);
    // An automatic sign-in found no login server; it tries again in `seconds`.
    void signInWaiting(int seconds);
    void signedOut();
    // The updater has taken over; the run has ended and the program should end.
    void handedOverToUpdater();
    // The login server announced a newer version, which was not installed.
    void updateNotInstalled(const QString& version, UpdateHold reason);
    // The settings file cannot be read, or is in no encoding the program knows; `reason` says so.
    void settingsUnusable(const QString& reason);
    // The login state after every login exchange (sign-in and nickname login).
    void loginStateChanged(bool ok, const QString& userId, std::time_t when);
    void noticeOperatorChanged(const QString& operatorName);
    void nicknameChanged(const QString& nickname);
    void foldersChanged(const QStringList& folders);
    void saveFolderChanged(const QString& folder);
    // Reception: connected (true) or ended (false), a file announced, its size, the bytes on hand,
    // the bytes received of a completed file.
    void receptionStateChanged(bool connected);
    void fileAnnounced(const QString& text);
    void fileSizeAnnounced(std::int64_t size);
    void fileProgress(std::int64_t bytesOnHand);
    void fileCompleted(std::int64_t bytesReceived);
    // Where the photo just completed lies: below the save folder, its path from the file header.
    void photoStored(const QString& path);
    // The file server refused the greeting: the session signs in again after a pause.
    void fileServerRefused();
    // Why the photo save folder cannot be used; an empty text when it can be again. Reception
    // waits meanwhile: the server keeps the photos until a connection finds the folder usable.
    void saveFolderProblem(const QString& reason);
    // Why photos cannot be written to the disk (full, failing, read-only); an empty text once a
    // photo has been stored again. The server sends the photo again on a later connection.
    void diskProblem(const QString& reason);
    // A completed photo's picture check found it damaged: where it lies, and why.
    void photoDamaged(const QString& path, const QString& reason);

private:
    static std::size_t Index(ServerGroup group) { return static_cast<std::size_t>(group); }
    void BindMessages();
    void PrepareFolders();
    void CheckSettingsEncoding();
    // The delivery ledger in the settings folder; its lines come back as activity lines.
    void OpenLedger();
    // The check of completed photos; its verdicts go to the ledger, a damaged photo to the faces.
    void StartPictureChecks();
    void OnPhotoDamaged(const PhotoPlace& place, const std::string& path,
                        const std::string& reason);
    // The line that says the settings file could not be written, and which file it is.
    void ReportUnwritableSettings();
    void OnClockTick();

    // Connection table.
    LRESULT OnSockConnect(int slot);
    LRESULT OnSockReceive(int slot);
    LRESULT OnSockClose(int slot);
    LRESULT OnSockRelease(int slot);
    void ReleaseSocket(int slot);
    void StartReceptionThread(CClientSock* sock);
    // Reconnection of the file server: after a failure the next attempt waits longer each time;
    // a connection that stays up a while after a good greeting ends the run of failures.
    void OnFileLineEnd(int slot, bool refused);
    void RetryFileLine(FileLineFault fault, const std::string& failure);
    void OnFileLineGreeted();
    void OnFileLineProven();
    // While a reconnect loop runs, its attempts and their ends are not logged one by one.
    bool Retrying() const;
    void WriteLine(const TimedLine& line);
    // A reception thread found the save folder unusable (a reason), or a file was accepted (none):
    // said once each time the state changes.
    void SetSaveFolderProblem(const std::string& reason);
    void SetDiskProblem(const std::string& reason);

    // Login exchange: the answer is assembled from read notifications.
    void SendLoginRequest(int slot);
    void ReadServerReply(int slot);
    void OnReplyTimeout();
    void ReplyUnreadable();
    void EndReplyAssembly();
    bool AssemblingReply(int slot) const;
    void TellUnanswered(const char* text);
    bool RetryAutomaticSignIn();
    void CompleteSignIn();
    bool RunUpdater();

    // Folder-list upload.
    bool CheckFolderListSize();
    void SendFolderList(int slot);
    void HandleFolderListReply(const char* answer);
    void MakeSaveFolder(const std::string& folder);
    // Stores the changed list and, once the file has it, shows and uploads it.
    bool StoreSaveFolders(const QStringList& changed);

    const ProgramFolders m_paths;
    const SettingsFile m_settings;
    std::shared_ptr<RunContext> m_run;
    // Where sockets and reception threads report; it goes first at the end, so that a thread's
    // last reports return at once while the session waits for it.
    std::unique_ptr<MessageWindow> m_wnd;
    AccountInfo m_account;
    std::string m_nickname;
    QStringList m_folders;
    std::string m_today;  // day the log clean-up was last considered, "%Y%m%d"
    LoginJob m_loginJob = LoginJob::SignIn;
    int m_loginSlot = 0;           // slot of the most recent login-server connection
    bool m_signInPending = false;  // a face's SignIn waits for its result
    bool m_rememberAccount = false;
    SignInMode m_signInMode = SignInMode::ByHand;
    RetryPause m_signInRetry;  // an automatic sign-in waiting for the login server
    RetryPause m_fileRetry;    // the file-server connection
    RepeatedLines m_repeatedLines;
    // The answer being assembled on the login-server connection.
    struct ReplyAssembly {
        explicit ReplyAssembly(int slotNo) : slot(slotNo) {}
        int slot;
        char buffer[LOGIN_REPLY_SIZE] = {};  // zero-filled: fields past a short answer read as NUL
        RecordFramer framer{buffer};
    };
    std::unique_ptr<ReplyAssembly> m_reply;
    std::array<CClientSock*, MAX_SOCK> m_sockets{};  // the connection table; null = free
    std::array<std::string, 2> m_serverIp;
    std::array<int, 2> m_serverPort{};
    std::array<int, 2> m_nextSlot{0, 50};
    std::unique_ptr<ReceptionThreads> m_threads;
    std::string m_saveFolderProblem;  // empty while the save folder is usable
    std::string m_diskProblem;        // empty while photos can be written
    PictureChecker::Decoder m_pictureDecoder;
    bool m_stopped = false;
};

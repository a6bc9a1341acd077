#pragma once
// The session's state in a few words, for a face that shows it at a glance (the tray): signed out,
// waiting for a server, connected and idle, receiving, or a problem that stops reception. It also
// tells when a delivery (a burst of photos) has ended and when such a problem starts.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "core/deliveryburst.h"

class ClientSession;
enum class SignInOutcome;

enum class SessionState { SignedOut, Waiting, Idle, Receiving, Problem };

// The photos of the delivery under way, or of the last one once it has ended.
struct PhotoCount {
    int completed = 0;
    bool arriving = false;  // another photo of it is being received
    bool operator==(const PhotoCount&) const = default;
};

struct SessionProblem {
    std::string brief;   // a few words, for the tray tip
    std::string detail;  // what the user should know, for a notification
};

class SessionStatus : public QObject {
    Q_OBJECT

public:
    // A burst of photos ends when none has completed for this long and none is being received.
    static constexpr int kQuietMs = 4000;

    explicit SessionStatus(ClientSession& session, QObject* parent = nullptr);

    SessionState State() const;
    // The state in a few words; while receiving, the photos of the burst and how much of the
    // current one is there.
    std::string StateText() const;
    // When the last delivery ended and how many photos it brought; empty before the first.
    std::string LastDeliveryText() const;
    // A delivery is under way: a photo is arriving, or the burst's quiet period has not passed.
    bool DeliveryUnderWay() const { return m_burst.Open(); }
    // The count of the delivery under way, else of the last one; none before the first.
    std::optional<PhotoCount> CurrentCount() const;
    // The folder of a delivery as the user knows it: below the save folder, or whole.
    std::string FolderText(const Delivery& delivery) const;

Q_SIGNALS:
    // State(), StateText() or LastDeliveryText() may have changed.
    void changed();
    void deliveryEnded(const Delivery& delivery);
    // A problem that stops reception has started; said once until it passes.
    void problemStarted(const SessionProblem& problem);

private:
    void Observe();
    void OnLoginState(bool ok);
    void OnSignInFinished(SignInOutcome outcome, const QString& message);
    void OnLineState(bool up);
    void OnFileStarted();
    void OnFileStored(const QString& path);
    void EndBurstWhenQuiet();
    void CheckBurst();
    std::optional<SessionProblem> Problem() const;
    // Runs a change of the problems and tells a new one.
    template <typename Change>
    void ChangeProblems(Change change);

    ClientSession& m_session;
    bool m_signedIn = false;
    bool m_signInWaiting = false;  // an automatic sign-in waits for the login server
    bool m_lineUp = false;         // the file server has accepted the greeting
    std::optional<SessionProblem> m_saveFolderProblem;
    std::optional<SessionProblem> m_diskProblem;
    std::optional<SessionProblem> m_loginRefused;
    std::optional<SessionProblem> m_fileServerRefused;
    DeliveryBurst m_burst;
    QTimer m_burstEnd;
    std::int64_t m_fileSize = 0;  // of the photo being received; 0 when none or unknown
    std::int64_t m_onHand = 0;
    std::optional<std::time_t> m_lastDeliveryAt;
    int m_lastDeliveryPhotos = 0;
};

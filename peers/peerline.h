#pragma once
// One accepted connection, read and written without ever blocking past a stop of the service:
// every wait also watches the service's stop descriptor.
#include <cstddef>
#include <string>
#include <string_view>

#include "peers/servicesettings.h"

namespace znlservice {

enum class ReadStatus { Record, Closed, TimedOut, Stopped, BadFrame };

class PeerLine {
public:
    static constexpr int kForever = -1;
    // How long the line is held open for a client that should close it after the last record.
    static constexpr int kCloseWaitMs = 10000;
    // The longest record the stand-in takes from a client (the client's own buffers are smaller).
    static constexpr std::size_t kMaxRecordBytes = 100500;

    PeerLine(int socket, int stopFd);
    ~PeerLine();
    PeerLine(const PeerLine&) = delete;
    PeerLine& operator=(const PeerLine&) = delete;

    void SetTrickle(const Trickle& trickle) { m_trickle = trickle; }
    // The whole record, in trickled pieces when set; false when the line or the service ended.
    bool Send(std::string_view bytes);
    // One whole record; a bad magic or length field gives BadFrame and leaves the text in
    // frameError.
    ReadStatus ReadRecord(std::string& record, int timeoutMs);
    // False when the service stops during the pause.
    bool Pause(int ms) const;
    // Ends sending: the client reads what was sent, then the end of the line.
    void FinishSending();
    // Drops whatever the client sends until it closes, the time passes or the service stops.
    void HoldUntilClosed(int timeoutMs = kForever);
    const std::string& FrameError() const { return m_frameError; }

private:
    enum class Ready { Yes, TimedOut, Stopped };
    Ready WaitFor(short events, int timeoutMs) const;
    bool SendAll(std::string_view bytes);
    bool CompleteRecordPending(std::string& record, bool& bad);

    int m_socket;
    int m_stopFd;
    Trickle m_trickle;
    std::string m_pending;
    std::string m_frameError;
};

}  // namespace znlservice

#pragma once
// Loopback peers for the socket suites: a listening socket, a CClientSock connected through it, and
// an owner window standing in for the form that records what the socket tells it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/clientsock.h"
#include "platform/messagewindow.h"

namespace nettest {

// A socket listening on 127.0.0.1 at a port of its own.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    int Port() const { return m_port; }
    // The far end of the next connection, or -1 when none came in time.
    int Accept(int timeoutMs = 10000);

private:
    int m_fd = -1;
    int m_port = 0;
};

// A port on 127.0.0.1 where nothing listens.
int RefusingPort();

struct SockMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int connected;  // the watched socket's connected when the message was handled
};

// Records the socket messages and the log lines (WM_LOG_MESSAGE) it is sent.
class RecordingOwner {
public:
    RecordingOwner();
    HWND Handle() const { return m_window.Handle(); }
    int Count(UINT message) const;

    CClientSock* watched = nullptr;
    // Runs after a socket message was recorded, as the form's handler would (it may delete).
    std::function<void(UINT message)> onMessage;
    std::vector<SockMessage> messages;
    std::vector<std::string> logLines;

private:
    MessageWindow m_window;
};

// A CClientSock connected to a peer accepted on loopback; its messages go to `owner`.
struct ConnectedPair {
    ConnectedPair() = default;
    ~ConnectedPair();
    ConnectedPair(const ConnectedPair&) = delete;
    ConnectedPair& operator=(const ConnectedPair&) = delete;

    // Creates and connects the socket and waits for its connect notification.
    bool Open();

    RecordingOwner owner;
    LoopbackListener listener;
    // The end of the run the socket belongs to.
    std::shared_ptr<std::atomic<bool>> runStop = std::make_shared<std::atomic<bool>>(false);
    std::unique_ptr<CClientSock> sock;
    int peer = -1;
};

// Waits, without running the event loop, until what `from` wrote has arrived at `to` and has been
// read off it.
bool WaitUntilConsumed(int from, int to, int timeoutMs = 10000);
int BytesWaiting(int fd);
// Runs the event loop for a while, to see that something does not happen.
void RunEventsFor(int milliseconds);

}  // namespace nettest

#pragma once
// The TCP client socket of one slot of the connection table. Its notifications keep the rules of
// the asynchronous Windows socket the form was written against:
// - exactly one WM_SOCK_CONNECT per Connect, never delivered inside the Connect call;
// - one WM_SOCK_RECEIVE while data is waiting, re-armed only by the next Receive (from any thread);
// - one WM_SOCK_CLOSE once the peer has closed and the data before the close has been read.
// Notifications run on the thread that made the object (the UI thread), which also owns Connect,
// ShutDown, Close and delete. Send and Receive may be called from a reception thread; it must have
// finished with the socket before the owner deletes it. Nothing is reported after Close.
#include <atomic>
#include <memory>
#include <string>

#include "platform/wintypes.h"

class QSocketNotifier;
class QThread;

inline constexpr int SOCKET_ERROR = -1;

class CClientSock {
public:
    CClientSock();
    ~CClientSock();
    CClientSock(const CClientSock&) = delete;
    CClientSock& operator=(const CClientSock&) = delete;

    // A non-blocking IPv4 stream socket.
    bool Create();
    // Starts connecting to a dotted address or a host name (resolved off this thread). False when
    // the attempt failed at once (no socket, bad port, no thread for the lookup); its failed
    // WM_SOCK_CONNECT is posted all the same. A socket connects once: a further call is refused.
    bool Connect(const std::string& address, int port);
    // Sends all len bytes, waiting (bounded) while the line is full; len, or SOCKET_ERROR when the
    // bytes could not all be sent or a stop flag was raised while waiting.
    int Send(const void* buffer, int len);
    // One non-blocking receive: the byte count, 0 once the peer has closed, SOCKET_ERROR when
    // nothing is waiting or on an error (errno tells which). On the owner's thread it re-arms the
    // read notification. Another thread (a reception thread polling the line itself) re-arms it
    // only when the line has ended or failed, so a transfer does not wake the owner's thread for
    // every record; before it waits for the notification it calls ArmReadNotification.
    int Receive(void* buffer, int len);
    // Any thread: the next data (or the end of the line) is notified to the owner once more.
    void ArmReadNotification() { RearmReads(); }
    // how: 0 receives, 1 sends, 2 both. No notification follows a shut-down receive side.
    bool ShutDown(int how = 2);
    void Close();
    // The descriptor, for waiting on it with poll; -1 when there is none.
    int Handle() const { return m_hSocket; }

    // The run this socket belongs to has ended: every wait gives up.
    bool RunStopped() const { return runStop && runStop->load(); }

    HWND owner = HWND::Null;  // where the notifications go
    std::shared_ptr<const std::atomic<bool>> runStop;
    bool connected = true;             // the outcome of the connect, once it is notified
    std::atomic<bool> stop{false};     // this connection is to end
    int slot = 0;                      // in the owner's connection table
    int group = 0;                     // the kind of server, as the owner counts them
    std::string serverName;            // in activity lines
    std::atomic<bool> refused{false};  // the server refused the greeting
    int tag = 0;

private:
    class OwnerLink;

    void OnConnect(int nErrorCode);
    void OnReceive(int nErrorCode);
    void OnClose(int nErrorCode);

    int BeginConnect(unsigned int address, int port);
    int ResolveThenConnect(const std::string& hostName, int port);
    void PostConnectResult(int nErrorCode);
    void OnConnectFinished();
    void WatchReads();
    void OnReadable();
    void RearmReads();
    void EnableReadNotifier();

    int m_hSocket = -1;
    QThread* m_pOwnerThread = nullptr;
    std::shared_ptr<OwnerLink> m_pLink;
    std::unique_ptr<QSocketNotifier> m_pConnectNotifier;
    std::unique_ptr<QSocketNotifier> m_pReadNotifier;
    bool m_bConnectStarted = false;
    // True while the read notifier may report: set by Receive, cleared when a notification is
    // delivered. Only a change from false costs a request to the owner thread.
    std::atomic<bool> m_bReadArmed{false};
    // The close has been reported, or this side shut its receive side down: no more notifications.
    bool m_bReadsEnded = false;
};

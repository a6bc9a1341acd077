#pragma once
// The reception thread of a file-server connection, and the owner that keeps those threads.
#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

class CClientSock;

// The thread procedure: greeting, then every record of the server answered until the connection
// ends, then WM_SOCK_RELEASE to the form as its last act. Returns 1.
unsigned ProcessThread(CClientSock* sock);

// Owns every reception thread of the run. The UI thread never waits for a running one: Start only
// joins threads that have already finished. The end of the run (destruction) stops the run and
// joins what is left, waiting a bounded time. It must happen when no window a thread could still
// be sending to is served by the destroying thread any more, or the wait would run out: the form
// keeps it as a child, destroyed after its own message window.
class ReceptionThreads : public QObject {
    Q_OBJECT

public:
    explicit ReceptionThreads(QObject* parent = nullptr);
    ~ReceptionThreads() override;

    // Starts ProcessThread on the socket, which the form keeps until the thread's WM_SOCK_RELEASE.
    void Start(CClientSock* sock);
    // Waits up to `limit` for every thread to end and joins them; a thread still running then is
    // left detached (it could only be stuck in the system). True when every thread was joined.
    bool JoinAll(std::chrono::milliseconds limit);

private:
    struct Ends;
    struct Running {
        std::thread thread;
        std::uint64_t id;  // how Ends names it
    };
    void JoinEnded();

    std::shared_ptr<Ends> m_ends;
    std::vector<Running> m_threads;
};

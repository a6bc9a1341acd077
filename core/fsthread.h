#pragma once
// The reception thread of a file-server connection, and the owner that keeps those threads.
#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "core/runcontext.h"

class CClientSock;

// What a reception thread gets from the session: its socket (kept by the session until the
// thread's WM_SOCK_RELEASE), the customer it receives for, and the run it belongs to.
struct ReceptionLink {
    CClientSock* sock;
    int customerNo;
    std::shared_ptr<RunContext> run;
};

// The thread procedure: greeting, then every record of the server answered until the connection
// ends, then WM_SOCK_RELEASE to the socket's owner as its last act. Returns 1.
unsigned ProcessThread(const ReceptionLink& link);

// Owns every reception thread of the run. The owner's thread never waits for a running one: Start
// only joins threads that have already finished. The end of the run (destruction) stops the run
// and joins what is left, waiting a bounded time. It must happen when no window a thread could
// still be sending to is served by the destroying thread any more, or the wait would run out: the
// session ends its message window first.
class ReceptionThreads : public QObject {
    Q_OBJECT

public:
    explicit ReceptionThreads(std::shared_ptr<RunContext> run, QObject* parent = nullptr);
    ~ReceptionThreads() override;

    // Starts ProcessThread on the socket for the customer.
    void Start(CClientSock* sock, int customerNo);
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

    std::shared_ptr<RunContext> m_run;
    std::shared_ptr<Ends> m_ends;
    std::vector<Running> m_threads;
};

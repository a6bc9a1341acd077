// The owner of the reception threads: started from the UI thread, joined once they have ended.
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <system_error>

#include "core/clientsock.h"
#include "core/fsthread.h"
#include "core/windowmessages.h"
#include "platform/messagewindow.h"
#include "platform/threadname.h"
#include "platform/trace.h"

namespace {

// The run ends within about a second of a quit; a thread ends within one 40 ms pause of the stop.
constexpr auto kEndOfRunLimit = std::chrono::milliseconds(1000);

}  // namespace

// Which threads have returned from ProcessThread. Shared with the threads, so that one left
// running past the end of the run never reaches a destroyed owner.
struct ReceptionThreads::Ends {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<std::uint64_t> ended;
    std::uint64_t nextId = 0;
};

ReceptionThreads::ReceptionThreads(std::shared_ptr<RunContext> run, QObject* parent)
    : QObject(parent), m_run(std::move(run)), m_ends(std::make_shared<Ends>()) {}

ReceptionThreads::~ReceptionThreads() {
    // The end of the run, if the session has not already ended it: every thread is told to stop.
    m_run->StopAll();
    JoinAll(kEndOfRunLimit);
}

void ReceptionThreads::Start(CClientSock* sock, int customerNo) {
    JoinEnded();
    std::uint64_t id = 0;
    {
        std::lock_guard lock(m_ends->mutex);
        id = m_ends->nextId++;
    }
    m_threads.reserve(m_threads.size() + 1);  // the push below cannot fail with a thread running
    try {
        m_threads.push_back(
            {std::thread([ends = m_ends, id, link = ReceptionLink{sock, customerNo, m_run}] {
                 platform::NameThisThread("reception");
                 ProcessThread(link);
                 {
                     std::lock_guard lock(ends->mutex);
                     ends->ended.insert(id);
                 }
                 ends->changed.notify_all();
             }),
             id});
    } catch (const std::system_error&) {
        // No thread: the slot is released as if its thread had ended at once.
        PostMessage(sock->owner, WM_SOCK_RELEASE, static_cast<WPARAM>(sock->slot), 0);
    }
}

void ReceptionThreads::JoinEnded() {
    std::set<std::uint64_t> ended;
    {
        std::lock_guard lock(m_ends->mutex);
        ended.swap(m_ends->ended);
    }
    // Each of these has returned from its procedure already, so the join is immediate.
    std::erase_if(m_threads, [&](Running& running) {
        if (!ended.contains(running.id)) return false;
        running.thread.join();
        return true;
    });
}

bool ReceptionThreads::JoinAll(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(m_ends->mutex);
        m_ends->changed.wait_for(lock, limit,
                                 [&] { return m_ends->ended.size() >= m_threads.size(); });
    }
    JoinEnded();
    const bool allJoined = m_threads.empty();
    for (Running& running : m_threads) {
        platform::Trace("수신 쓰레드가 끝나지 않음: 분리\n");
        running.thread.detach();
    }
    m_threads.clear();
    return allJoined;
}

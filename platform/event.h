#pragma once
// A manual-reset event: stays signalled until reset; a wait returns at once while it is set.
#include <chrono>
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    void Set();
    void Reset();
    // True when the event was (or became) signalled, false after the time-out.
    bool Wait(std::chrono::milliseconds timeout);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

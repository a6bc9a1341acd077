#include "platform/event.h"

void ManualResetEvent::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    m_changed.notify_all();
}

void ManualResetEvent::Reset() {
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

bool ManualResetEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return m_signalled; });
}

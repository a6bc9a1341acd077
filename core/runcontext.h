#pragma once
// What the session shares with its reception threads: the end of the run, whether a user is signed
// in, the photo save folder and one wake-up per slot of the connection table. Owned jointly, so a
// thread left running past the session's end never reaches freed memory.
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "platform/event.h"

inline constexpr int MAX_SOCK = 100;

// A text written on the UI thread and read by reception threads: handed out as a copy under a lock.
class SharedText {
public:
    std::string Get() const;
    void Set(std::string text);

private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

struct SlotWakeUp {
    ManualResetEvent event;
    // True only while the session is setting the event, so a thread just starting does not wait
    // for a wake-up that has already come.
    std::atomic<bool> signalling{false};
};

struct RunContext {
    // Set once, never cleared: no connection is opened any more and every thread ends.
    std::atomic<bool> stop{false};
    std::atomic<bool> signedIn{false};
    SharedText saveFolder;
    std::array<SlotWakeUp, MAX_SOCK> slots;

    // Wakes the thread of the slot.
    void Wake(int slot);
    // The end of the run: every thread is told to stop and woken.
    void StopAll();
};

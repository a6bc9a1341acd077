#pragma once
// What the session shares with its reception threads: the end of the run, whether a user is signed
// in, the photo save folder, the delivery ledger, the picture checker and one wake-up per slot of
// the connection table. Owned jointly, so a thread left running past the session's end never
// reaches freed memory.
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "core/deliveryledger.h"
#include "core/picturechecker.h"
#include "core/savefolderguard.h"
#include "platform/event.h"

inline constexpr int MAX_SOCK = 100;

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
    SaveFolderGuard saveFolder;  // set on the UI thread, opened by reception threads
    // Set at the start, before the first reception thread; none when the session never started.
    std::shared_ptr<DeliveryLedger> ledger;
    std::shared_ptr<PictureChecker> pictureChecker;  // as the ledger
    std::array<SlotWakeUp, MAX_SOCK> slots;

    // Wakes the thread of the slot.
    void Wake(int slot);
    // The end of the run: every thread is told to stop and woken.
    void StopAll();
};

#include "core/runcontext.h"

void RunContext::Wake(int slot) {
    SlotWakeUp& wakeUp = slots[static_cast<std::size_t>(slot)];
    wakeUp.signalling = true;
    wakeUp.event.Set();
    wakeUp.signalling = false;
}

void RunContext::StopAll() {
    stop = true;
    for (SlotWakeUp& wakeUp : slots) wakeUp.event.Set();
}

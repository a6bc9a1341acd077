#include "core/runcontext.h"

std::string SharedText::Get() const {
    std::lock_guard lock(m_mutex);
    return m_text;
}

void SharedText::Set(std::string text) {
    std::lock_guard lock(m_mutex);
    m_text = std::move(text);
}

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

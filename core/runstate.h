#pragma once
// Process-wide values shared by the form (UI thread) and the reception threads.
#include <array>
#include <atomic>
#include <memory>

#include "platform/event.h"
#include "platform/wintypes.h"

inline constexpr int MAX_SOCK = 100;

// The form's window; a reception thread sends its reports here.
extern std::atomic<HWND> g_hViewWnd;
// Set once, never cleared: no connection is opened any more and every thread ends.
extern std::atomic<int> g_bStop;
// One event per slot, made the first time the slot is used and kept for the whole run.
extern std::array<std::unique_ptr<ManualResetEvent>, MAX_SOCK> g_hSlotEvent;
// 1 only while the form is setting the slot's event.
extern std::array<std::atomic<int>, MAX_SOCK> g_bSlotSignal;

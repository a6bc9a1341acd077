#include "core/runstate.h"

std::atomic<HWND> g_hViewWnd{HWND::Null};
std::atomic<int> g_bStop{0};
std::array<std::unique_ptr<ManualResetEvent>, MAX_SOCK> g_hSlotEvent;
std::array<std::atomic<int>, MAX_SOCK> g_bSlotSignal{};

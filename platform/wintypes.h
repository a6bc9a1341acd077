#pragma once
// The handful of Windows types the ported code is written against.
#include <cstdint>

using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window handle is an opaque number; 0 is no window. It stays valid to pass between threads:
// a message sent to a handle whose window is gone returns 0.
enum class HWND : std::uint64_t { Null = 0 };

inline constexpr UINT WM_USER = 0x0400;

#pragma once
// Thread names, as top -H, ps -L, /proc and the debugger show them.

namespace platform {

// Names the calling thread; the kernel keeps the first 15 bytes.
void NameThisThread(const char* name);

}  // namespace platform

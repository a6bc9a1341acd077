#include "platform/threadhandoff.h"

#include <atomic>
#include <cstdint>

namespace {

// Read-modify-writes form one release sequence, so a receiver's acquire load orders it after
// every sender so far.
std::atomic<std::uint64_t> g_handOffs{0};

}  // namespace

namespace platform {

void PublishEventForOtherThread() { g_handOffs.fetch_add(1, std::memory_order_release); }

void TakeOverEventFromOtherThread() {
    static_cast<void>(g_handOffs.load(std::memory_order_acquire));
}

}  // namespace platform

#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace platform {
namespace {
std::mutex g_clockMutex;
std::function<std::time_t()> g_clock;
std::atomic<double> g_timeScale{1.0};
}  // namespace

std::time_t Now() {
    std::lock_guard lock(g_clockMutex);
    return g_clock ? g_clock() : std::time(nullptr);
}

std::tm LocalTime(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::string FormatLocalTime(std::time_t t, const char* pattern) {
    std::tm local = LocalTime(t);
    char text[64];
    size_t length = std::strftime(text, sizeof text, pattern, &local);
    return std::string(text, length);
}

void SetClockForTests(std::function<std::time_t()> clock) {
    std::lock_guard lock(g_clockMutex);
    g_clock = std::move(clock);
}

void SetTimeScaleForTests(double factor) { g_timeScale = factor; }

int ScaledMilliseconds(int milliseconds) {
    if (milliseconds <= 0) return 0;
    return std::max(1, static_cast<int>(std::lround(milliseconds * g_timeScale.load())));
}

}  // namespace platform

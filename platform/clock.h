#pragma once
// Local time and the one switch through which tests scale time. Production code never sets either.
#include <ctime>
#include <functional>
#include <string>

namespace platform {

std::time_t Now();
std::tm LocalTime(std::time_t t);
// strftime of the local time t with the given pattern.
std::string FormatLocalTime(std::time_t t, const char* pattern);

// Test switches: a clock that replaces the system's, and a factor applied to every window timer.
void SetClockForTests(std::function<std::time_t()> clock);
void SetTimeScaleForTests(double factor);
int ScaledMilliseconds(int milliseconds);

}  // namespace platform

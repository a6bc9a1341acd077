#pragma once
// Counts as the activity lines and the status panel show them.
#include <cstdint>
#include <string>

// 1234567 as "1,234,567", -1234 as "-1,234".
std::string FormatThousands(std::int64_t value);

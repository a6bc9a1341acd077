#include "protocol/wirerecord.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kScratchSize = 300;

// A negative width from a caller's arithmetic means an empty field, never a huge copy.
std::size_t FieldWidth(int width) {
    return static_cast<std::size_t>(std::max(width, 0));
}

bool IsAtoiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

void BuildHeader(char* buffer, const char* magic, int length, int code) {
    PutBytes(buffer, 0, 4, magic);
    PutField(buffer, 4, 8, "%08d", length);
    PutField(buffer, 12, 4, "%04d", code);
}

void PutField(char* buffer, int offset, int width, const char* format, ...) {
    // Bounded formatting: a value longer than the scratch is cut, it never overruns it. Bytes of a
    // field wider than the scratch go out as NUL, like the unused rest of the scratch.
    std::array<char, kScratchSize> scratch{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(scratch.data(), scratch.size(), format, args);
    va_end(args);
    const std::size_t count = FieldWidth(width);
    const std::size_t fromScratch = std::min(count, scratch.size());
    std::memcpy(buffer + offset, scratch.data(), fromScratch);
    std::memset(buffer + offset + fromScratch, 0, count - fromScratch);
}

void PutBytes(char* buffer, int offset, int width, const char* source) {
    std::memcpy(buffer + offset, source, FieldWidth(width));
}

int GetIntField(const char* buffer, int offset, int width) {
    // atoi's reading of the field as if copied into a zeroed scratch: the field's end acts as a
    // NUL. Out-of-range values saturate instead of atoi's undefined overflow.
    const char* pos = buffer + offset;
    const char* end = pos + FieldWidth(width);
    while (pos < end && IsAtoiSpace(*pos)) ++pos;
    bool negative = false;
    if (pos < end && (*pos == '+' || *pos == '-')) negative = *pos++ == '-';
    std::int64_t magnitude = 0;
    constexpr std::int64_t kLimit = std::int64_t{INT_MAX} + 1;
    for (; pos < end && *pos >= '0' && *pos <= '9'; ++pos) {
        magnitude = std::min(magnitude * 10 + (*pos - '0'), kLimit);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

std::int64_t GetCountField(const char* buffer, int offset) {
    constexpr int kCountWidth = 10;
    const char* pos = buffer + offset;
    const char* end = pos + kCountWidth;
    while (pos < end && IsAtoiSpace(*pos)) ++pos;
    const bool negative = pos < end && *pos == '-';
    if (pos < end && (*pos == '-' || *pos == '+')) ++pos;
    std::int64_t value = 0;
    for (; pos < end && *pos >= '0' && *pos <= '9'; ++pos) value = value * 10 + (*pos - '0');
    return negative ? -value : value;
}

std::string GetTextField(const char* buffer, int offset, int width) {
    const char* field = buffer + offset;
    return std::string(field, std::find(field, field + FieldWidth(width), '\0'));
}

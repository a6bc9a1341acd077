#pragma once
// The fixed-width record frame shared by the login server and the file server:
// magic (4) | length (8 digits, whole record) | command code (4 digits) | body.
#include <cstdint>
#include <string>

inline constexpr int RECORD_HEADER_SIZE = 16;

// Writes magic, length ("%08d") and code ("%04d") at offsets 0, 4 and 12. The caller has zeroed
// the buffer.
void BuildHeader(char* buffer, const char* magic, int length, int code);
// printf-formats into a zeroed 300-byte scratch and copies exactly `width` bytes of it to
// buffer + offset: a wider value is cut to its leftmost characters.
void PutField(char* buffer, int offset, int width, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Copies exactly `width` bytes from source (single letters and fixed texts).
void PutBytes(char* buffer, int offset, int width, const char* source);
// atoi of exactly `width` bytes: leading blanks skipped, optional sign, digits up to the first
// other byte; no digits give 0.
int GetIntField(const char* buffer, int offset, int width);
// A ten-digit count read as GetIntField reads, but without its 32-bit limit.
std::int64_t GetCountField(const char* buffer, int offset);
// The `width` bytes at offset up to the first NUL (trailing blanks are kept).
std::string GetTextField(const char* buffer, int offset, int width);

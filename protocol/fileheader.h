#pragma once
// The file header record (2001) as the reception logic uses it.
#include <cstdint>
#include <string>
#include <string_view>

// No record has a fixed field beyond this offset; the companion list starts here.
inline constexpr int FILE_HEADER_FIXED_END = 390;

struct FileHeader {
    int customerNo;
    std::string folder;  // UTF-8, folder tags ("01:") taken out, backslashes as sent
    std::string name;    // UTF-8
    std::int64_t fileSize;
    std::string_view companionList;  // CP949, the record's bytes after the fixed fields
};

// record: a buffer of at least FILE_HEADER_FIXED_END bytes holding `received` bytes of the record,
// NUL bytes after them.
FileHeader ReadFileHeader(const char* record, int received);

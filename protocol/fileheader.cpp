#include "protocol/fileheader.h"

#include "protocol/cp949.h"
#include "protocol/wirerecord.h"

namespace {

constexpr int kCustomerNoOffset = 16;
constexpr int kCustomerNoWidth = 10;
constexpr int kFolderOffset = 26;
constexpr int kFolderWidth = 250;
constexpr int kNameOffset = 276;
constexpr int kNameWidth = 100;
constexpr int kFileSizeOffset = 376;

bool IsPadding(char byte) {
    return byte == '\0' || byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// A text field without its trailing padding. A NUL inside the text stays, so that the name checks
// refuse it instead of the text being cut short.
std::string TrimmedField(const char* record, int offset, int width) {
    const char* start = record + offset;
    const char* end = start + width;
    while (end > start && IsPadding(end[-1])) --end;
    return std::string(start, end);
}

std::string WithoutFolderTags(const std::string& folder) {
    std::string kept;
    for (std::size_t at = 0; at < folder.size();) {
        if (folder.compare(at, 3, "01:") == 0) {
            at += 3;
        } else {
            kept += folder[at++];
        }
    }
    while (!kept.empty() && IsPadding(kept.back())) kept.pop_back();
    return kept;
}

}  // namespace

FileHeader ReadFileHeader(const char* record, int received) {
    const int companionBytes =
        received > FILE_HEADER_FIXED_END ? received - FILE_HEADER_FIXED_END : 0;
    // Checked and opened as UTF-8: the conversion keeps every ASCII byte, separators included.
    return {
        GetIntField(record, kCustomerNoOffset, kCustomerNoWidth),
        platform::Cp949NameToUtf8(
            WithoutFolderTags(TrimmedField(record, kFolderOffset, kFolderWidth))),
        platform::Cp949NameToUtf8(TrimmedField(record, kNameOffset, kNameWidth)),
        GetCountField(record, kFileSizeOffset),
        std::string_view(record + FILE_HEADER_FIXED_END, static_cast<std::size_t>(companionBytes))};
}

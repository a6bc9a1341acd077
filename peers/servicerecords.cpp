#include "peers/servicerecords.h"

#include <cstdio>

namespace znlservice {
namespace {

std::string FormatCut(const char* format, std::size_t width, std::int64_t value) {
    char scratch[64] = {};
    std::snprintf(scratch, sizeof scratch, format, static_cast<int>(width),
                  static_cast<long long>(value));
    return std::string(scratch).substr(0, width);
}

}  // namespace

OutRecord::OutRecord(int code, std::size_t bodyBytes) : m_bytes(kHeaderBytes + bodyBytes, '\0') {
    m_bytes.replace(0, 4, "ZNLA");
    ForgeLength(static_cast<std::int64_t>(m_bytes.size()));
    PutZeroNumber(12, 4, code);
}

void OutRecord::PutText(std::size_t offset, std::size_t width, std::string_view text, char pad) {
    for (std::size_t i = 0; i < width; ++i) m_bytes[offset + i] = i < text.size() ? text[i] : pad;
}

void OutRecord::PutNumber(std::size_t offset, std::size_t width, std::int64_t value) {
    m_bytes.replace(offset, width, FormatCut("%*lld", width, value));
}

void OutRecord::PutZeroNumber(std::size_t offset, std::size_t width, std::int64_t value) {
    m_bytes.replace(offset, width, FormatCut("%0*lld", width, value));
}

void OutRecord::SetBodySize(std::size_t bodyBytes) {
    m_bytes.resize(kHeaderBytes + bodyBytes, '\0');
    ForgeLength(static_cast<std::int64_t>(m_bytes.size()));
}

void OutRecord::ForgeLength(std::int64_t length) {
    PutZeroNumber(4, 8, length);
}

std::int64_t ReadNumber(std::string_view record, std::size_t offset, std::size_t width) {
    std::size_t i = offset;
    const std::size_t end = offset + width < record.size() ? offset + width : record.size();
    while (i < end && (record[i] == ' ' || record[i] == '\t')) ++i;
    bool negative = false;
    if (i < end && (record[i] == '-' || record[i] == '+')) negative = record[i++] == '-';
    std::int64_t value = 0;
    for (; i < end && record[i] >= '0' && record[i] <= '9'; ++i)
        value = value * 10 + (record[i] - '0');
    return negative ? -value : value;
}

std::string ReadText(std::string_view record, std::size_t offset, std::size_t width) {
    if (offset >= record.size()) return {};
    const std::string_view field = record.substr(offset, width);
    return std::string(field.substr(0, field.find('\0')));
}

std::string TrimTrailingBlanks(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.pop_back();
    return text;
}

int RecordCode(std::string_view record) {
    return static_cast<int>(ReadNumber(record, 12, 4));
}

}  // namespace znlservice

#pragma once
// The stand-in's own record code, written apart from the client's so that a fault in the client's
// record functions shows up here instead of being mirrored.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace znlservice {

inline constexpr std::size_t kHeaderBytes = 16;
// A length field no client buffer can hold.
inline constexpr std::int64_t kOversizedLength = 99999999;

// A record of the given code and body size: zeroed body, header already written ("ZNLA").
class OutRecord {
public:
    OutRecord(int code, std::size_t bodyBytes);

    // Left-aligned text at a record offset, padded with `pad` and cut to `width` bytes.
    void PutText(std::size_t offset, std::size_t width, std::string_view text, char pad = ' ');
    // Right-aligned, blank-padded decimal ("%10d" style); a wider value keeps its leftmost digits.
    void PutNumber(std::size_t offset, std::size_t width, std::int64_t value);
    // Zero-padded decimal ("%03d" style), cut the same way.
    void PutZeroNumber(std::size_t offset, std::size_t width, std::int64_t value);
    void PutLetter(std::size_t offset, char letter) { m_bytes[offset] = letter; }
    // Grows or shrinks the body (new bytes are zero) and rewrites the length field.
    void SetBodySize(std::size_t bodyBytes);
    // Overwrites the length field, for records that lie about their size.
    void ForgeLength(std::int64_t length);

    char* Body() { return m_bytes.data() + kHeaderBytes; }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// The numeric field read as atoi reads it: leading blanks, a sign, digits up to another byte.
// Bytes beyond the record read as NUL.
std::int64_t ReadNumber(std::string_view record, std::size_t offset, std::size_t width);
// The field's bytes up to the first NUL; bytes beyond the record read as NUL.
std::string ReadText(std::string_view record, std::size_t offset, std::size_t width);
std::string TrimTrailingBlanks(std::string text);
int RecordCode(std::string_view record);

}  // namespace znlservice

#include "protocol/cp949.h"

#include <iconv.h>
#include <cerrno>
#include <cstdint>

namespace platform {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// An iconv_t keeps conversion state, so every thread gets its own per direction.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (m_handle != kInvalid) iconv_close(m_handle);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t Get() const { return m_handle; }

private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(static_cast<intptr_t>(-1));
    iconv_t m_handle;
};

iconv_t FromCp949() {
    thread_local const IconvHandle handle("UTF-8", "CP949");
    return handle.Get();
}

// Whether iconv takes the whole input, stopping neither at a byte it cannot convert nor at a cut
// character.
bool ConvertsWhole(iconv_t handle, std::string_view in) {
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());  // iconv's signature; input is not written
    size_t inLeft = in.size();
    while (inLeft > 0) {
        char buffer[512];
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) &&
            errno != E2BIG) {
            return false;
        }
    }
    return true;
}

// Appends a stand-in for the unconvertible input at the front of rest; returns how many bytes
// it covers (at least one, so the conversion always moves on).
using ReplaceFront = size_t (*)(std::string_view rest, std::string& out);

std::string Convert(iconv_t handle, std::string_view in, ReplaceFront replace) {
    std::string out;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
    size_t done = 0;
    while (done < in.size()) {
        char buffer[512];
        char* inPtr =
            const_cast<char*>(in.data() + done);  // iconv's signature; input is not written
        size_t inLeft = in.size() - done;
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(handle, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        done = in.size() - inLeft;
        if (result == static_cast<size_t>(-1) && error != E2BIG) {
            done += replace(in.substr(done), out);
        }
    }
    return out;
}

// Length of the UTF-8 character at the front of text, or 1 for a byte that opens none.
size_t Utf8CharLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    const size_t length = lead < 0x80                    ? 1
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || length > text.size()) return 1;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
}

bool IsCp949TrailByte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value >= 0x41 && value <= 0x5A) || (value >= 0x61 && value <= 0x7A) ||
           (value >= 0x81 && value <= 0xFE);
}

size_t ReplaceUtf8Character(std::string_view rest, std::string& out) {
    out += '?';
    return Utf8CharLength(rest);
}

// A well-formed pair without a character is one unknown character; any other bad byte is one alone,
// so an ASCII byte after a stray lead byte survives.
size_t ReplaceCp949Character(std::string_view rest, std::string& out) {
    out += kReplacementCharacter;
    return rest.size() >= 2 && IsCp949LeadByte(rest[0]) && IsCp949TrailByte(rest[1]) ? 2 : 1;
}

bool IsHexDigit(char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'F') ||
           (byte >= 'a' && byte <= 'f');
}

size_t EscapeCp949Bytes(std::string_view rest, std::string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const size_t count =
        rest.size() >= 2 && IsCp949LeadByte(rest[0]) && IsCp949TrailByte(rest[1]) ? 2 : 1;
    for (size_t i = 0; i < count; ++i) {
        const auto value = static_cast<unsigned char>(rest[i]);
        out += '%';
        out += kHex[value >> 4];
        out += kHex[value & 0x0F];
    }
    return count;
}

}  // namespace

std::string Utf8ToCp949(std::string_view utf8) {
    thread_local const IconvHandle handle("CP949", "UTF-8");
    return Convert(handle.Get(), utf8, ReplaceUtf8Character);
}

std::string Cp949ToUtf8(std::string_view cp949) {
    return Convert(FromCp949(), cp949, ReplaceCp949Character);
}

// "%" and hex digits are ASCII bytes that never are the second half of a character, so the bytes
// after a "%" are the characters after it in the name as written.
std::string Cp949NameToUtf8(std::string_view cp949) {
    std::string marked;
    marked.reserve(cp949.size());
    for (size_t at = 0; at < cp949.size(); ++at) {
        marked += cp949[at];
        if (cp949[at] == '%' && at + 2 < cp949.size() && IsHexDigit(cp949[at + 1]) &&
            IsHexDigit(cp949[at + 2])) {
            marked += "25";
        }
    }
    return Convert(FromCp949(), marked, EscapeCp949Bytes);
}

bool IsCp949(std::string_view bytes) {
    return ConvertsWhole(FromCp949(), bytes);
}

// UTF-32 holds only scalar values, so its converter refuses what UTF-8 must not encode; a
// conversion to UTF-8 itself lets values past U+10FFFF through.
bool IsUtf8(std::string_view bytes) {
    thread_local const IconvHandle handle("UTF-32LE", "UTF-8");
    return ConvertsWhole(handle.Get(), bytes);
}

std::string_view CutCp949(std::string_view cp949, size_t maxBytes) {
    if (cp949.size() <= maxBytes) return cp949;
    size_t end = 0;
    while (end < maxBytes) {
        const size_t width = IsCp949LeadByte(cp949[end]) ? 2 : 1;
        if (end + width > maxBytes) break;
        end += width;
    }
    return cp949.substr(0, end);
}

std::string FitUtf8ToCp949Bytes(std::string_view utf8, size_t maxBytes) {
    size_t end = 0;
    size_t width = 0;
    while (end < utf8.size()) {
        const size_t length = Utf8CharLength(utf8.substr(end));
        width += Utf8ToCp949(utf8.substr(end, length)).size();
        if (width > maxBytes) break;
        end += length;
    }
    return std::string(utf8.substr(0, end));
}

}  // namespace platform

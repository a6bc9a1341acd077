#pragma once
// Conversion between the program's UTF-8 and the CP949 bytes of the settings file and the wire.
#include <string>
#include <string_view>

namespace platform {

// A byte that opens a CP949 double-byte character; the byte after it is the character's second
// half.
constexpr bool IsCp949LeadByte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value >= 0x81 && value <= 0xFE;
}

// A character CP949 cannot hold becomes '?', and so does every byte of invalid UTF-8. Never fails.
std::string Utf8ToCp949(std::string_view utf8);
// A byte sequence that is not valid CP949 becomes U+FFFD and the text goes on. Never fails.
std::string Cp949ToUtf8(std::string_view cp949);
// A file or folder name from the server: as Cp949ToUtf8, but every byte that is not valid CP949
// becomes "%" and its two hex digits (a pair that holds no character, both of its bytes), so that
// different names never become one. A literal "%" is written "%25" only where two hex digits
// follow it, which is the only place it could be read as such a stand-in; elsewhere, as in
// "100%.jpg", it stays as sent. Never fails.
std::string Cp949NameToUtf8(std::string_view cp949);
// At most maxBytes bytes of CP949 text, never ending in the first half of a double-byte character.
std::string_view CutCp949(std::string_view cp949, size_t maxBytes);
// The longest prefix of a UTF-8 text whose CP949 form fits maxBytes, cut at a character boundary.
std::string FitUtf8ToCp949Bytes(std::string_view utf8, size_t maxBytes);

// Whether Cp949ToUtf8 takes every byte as it is, replacing none: the converter's table decides,
// so pairs in the lead and trail ranges that hold no character (the user-defined rows, the gaps
// of KS X 1001) do not count, nor does a character cut off at the end.
bool IsCp949(std::string_view bytes);
// Whether the bytes are well-formed UTF-8: no overlong form, surrogate, value past U+10FFFF or
// character cut off at the end.
bool IsUtf8(std::string_view bytes);

}  // namespace platform

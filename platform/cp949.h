#pragma once
// Conversion between the program's UTF-8 and the CP949 bytes of the settings file and the wire.
#include <string>
#include <string_view>

namespace platform {

// A character CP949 cannot hold becomes '?'. Invalid UTF-8 never fails.
std::string Utf8ToCp949(std::string_view utf8);
// A byte sequence that is not valid CP949 becomes U+FFFD. Never fails.
std::string Cp949ToUtf8(std::string_view cp949);
// At most maxBytes bytes of CP949 text, never ending in the first half of a double-byte character.
std::string_view CutCp949(std::string_view cp949, size_t maxBytes);
// The longest prefix of a UTF-8 text whose CP949 form fits maxBytes, cut at a character boundary.
std::string FitUtf8ToCp949Bytes(std::string_view utf8, size_t maxBytes);

}  // namespace platform

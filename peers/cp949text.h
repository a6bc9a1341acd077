#pragma once
// The service speaks CP949; the stand-in's settings and reports are UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace znlservice {

// Empty when the text holds a character CP949 has no code for, or is not valid UTF-8.
std::optional<std::string> ToCp949(std::string_view utf8);
// The text as the service sends it: CP949 when it can be, else its own bytes.
std::string WireText(const std::string& utf8);
// For reports only: a byte sequence that is not CP949 comes out as U+FFFD.
std::string FromCp949(std::string_view cp949);

}  // namespace znlservice

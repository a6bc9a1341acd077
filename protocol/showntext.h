#pragma once
// Texts from the server on their way to the activity list and the message log.
#include <string>
#include <string_view>

// The text with every control byte (below 0x20, and 0x7F) written as "\xHH", so that a name
// carrying CR or LF cannot start a line of its own in the log.
std::string ShownText(std::string_view text);

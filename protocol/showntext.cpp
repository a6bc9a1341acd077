#include "protocol/showntext.h"

namespace {

bool IsControlByte(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return value < 0x20 || value == 0x7F;
}

}  // namespace

std::string ShownText(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char byte : text) {
        if (!IsControlByte(byte)) {
            shown += byte;
            continue;
        }
        const auto value = static_cast<unsigned char>(byte);
        shown += "\\x";
        shown += kHex[value >> 4];
        shown += kHex[value & 0x0F];
    }
    return shown;
}

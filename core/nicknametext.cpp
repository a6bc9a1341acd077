#include "core/nicknametext.h"

#include "protocol/cp949.h"

bool NicknameFits(std::string_view utf8) {
    return platform::Utf8ToCp949(utf8).size() <= NICKNAME_MAX_BYTES;
}

std::string StoredNickname(std::string_view utf8) {
    const std::string cp949 = platform::Utf8ToCp949(utf8);
    const std::size_t first = cp949.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const std::size_t last = cp949.find_last_not_of(" \t");
    return platform::Cp949ToUtf8(std::string_view(cp949).substr(first, last - first + 1));
}

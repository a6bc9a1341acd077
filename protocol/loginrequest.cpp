#include "protocol/loginrequest.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "protocol/cp949.h"
#include "protocol/seed.h"
#include "protocol/wirerecord.h"

namespace {
// Compiled-in key text of the password block; the same for every user.
constexpr char kKeyText[] = "wenlarbox";
constexpr int kUserIdWidth = 10;
constexpr int kPasswordHexWidth = 50;
constexpr int kCommandLogin = 1002;

std::string EncryptedPasswordHex(std::string_view passwordCp949) {
    std::array<std::uint8_t, 16> block{};
    std::array<std::uint8_t, 16> key{};
    std::memcpy(block.data(), passwordCp949.data(), std::min(passwordCp949.size(), block.size()));
    std::memcpy(key.data(), kKeyText, sizeof kKeyText - 1);
    SeedRoundKeys roundKeys;
    SeedMakeRoundKeys(roundKeys, key.data());
    SeedEncryptBlock(block.data(), roundKeys);
    std::string hex;
    BytesToHex(block.data(), static_cast<int>(block.size()), hex);
    return hex;
}
}  // namespace

void BytesToHex(const std::uint8_t* bytes, int n, std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
}

std::string BuildLoginRequest(std::string_view userId, std::string_view password,
                              std::string_view nickName) {
    char record[LOGIN_REQUEST_SIZE] = {};
    const std::string id = platform::Utf8ToCp949(userId);
    PutField(record, 16, kUserIdWidth, "%-10s", id.c_str());
    const std::string hex = EncryptedPasswordHex(platform::Utf8ToCp949(password));
    PutField(record, 26, kPasswordHexWidth, "%-50s", hex.c_str());

    int length = LOGIN_REQUEST_FIXED_LENGTH;
    if (!nickName.empty()) {
        const std::string nick = platform::Utf8ToCp949(
            platform::FitUtf8ToCp949Bytes(nickName, LOGIN_NICKNAME_MAX_BYTES));
        const std::string item = "02:" + nick;
        std::memcpy(record + length, item.data(), item.size());
        length += static_cast<int>(item.size());
    }
    BuildHeader(record, "ZNLR", length, kCommandLogin);
    return std::string(record, static_cast<size_t>(length));
}

#pragma once
// The login request record (command 1002): ID, the SEED-encrypted password as hexadecimal text,
// and the nickname as extension item "02:".
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int LOGIN_REQUEST_SIZE = 200;
inline constexpr int LOGIN_REQUEST_FIXED_LENGTH = 76;
// The extension fits the rest of the record: "02:" and at most this many nickname bytes.
inline constexpr size_t LOGIN_NICKNAME_MAX_BYTES =
    LOGIN_REQUEST_SIZE - LOGIN_REQUEST_FIXED_LENGTH - 3;

// Appends each byte as two lowercase hexadecimal digits.
void BytesToHex(const std::uint8_t* bytes, int n, std::string& text);

// The record's bytes, exactly as long as its length field says. Texts are UTF-8 and go out in
// CP949. Only the first 16 bytes of a longer password fit the cipher block; a nickname is cut at a
// character boundary so the record stays within its 200 bytes.
std::string BuildLoginRequest(std::string_view userId, std::string_view password,
                              std::string_view nickName);

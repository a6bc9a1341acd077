#include <gcrypt.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "protocol/loginrequest.h"

namespace {

// The password block encrypted by an independent SEED under the zero-padded key "wenlarbox".
std::string ReferenceHex(const std::string& passwordBytes) {
    std::array<unsigned char, 16> key{};
    std::array<unsigned char, 16> block{};
    std::memcpy(key.data(), "wenlarbox", 9);
    std::memcpy(block.data(), passwordBytes.data(), std::min<size_t>(16, passwordBytes.size()));
    gcry_cipher_hd_t cipher;
    EXPECT_EQ(gcry_cipher_open(&cipher, GCRY_CIPHER_SEED, GCRY_CIPHER_MODE_ECB, 0), 0u);
    gcry_cipher_setkey(cipher, key.data(), key.size());
    gcry_cipher_encrypt(cipher, block.data(), block.size(), nullptr, 0);
    gcry_cipher_close(cipher);
    std::string hex;
    char digits[3];
    for (unsigned char byte : block) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    return hex;
}

}  // namespace

TEST(LoginRequest, RecordIsByteForByteTheFrameWithPaddedIdAndHexPassword) {
    const std::string record = BuildLoginRequest("guest", "secret", "");
    const std::string expected = std::string("ZNLR00000076") + "1002" + "guest     " +
                                 ReferenceHex("secret") + std::string(18, ' ');
    EXPECT_EQ(record, expected);
    EXPECT_EQ(BuildLoginRequest("guest", "secret", ""), record);  // the same on every attempt
}

TEST(LoginRequest, NicknameGoesOutAsExtensionItemInCp949) {
    const std::string ascii = BuildLoginRequest("guest", "secret", "abc");
    ASSERT_EQ(ascii.size(), 82u);
    EXPECT_EQ(ascii.substr(4, 8), "00000082");
    EXPECT_EQ(ascii.substr(76), "02:abc");

    const std::string korean = BuildLoginRequest("guest", "secret", "사진");
    EXPECT_EQ(korean.substr(4, 8), "00000083");
    EXPECT_EQ(korean.substr(76), "02:\xBB\xE7\xC1\xF8");
}

TEST(LoginRequest, LongValuesAreCutToWhatTheRecordHolds) {
    struct Case {
        std::string id, password, nick;
        size_t length;
        std::string idField, hexOf;
    };
    std::string sixtyOneHangul;
    for (int i = 0; i < 61; ++i) sixtyOneHangul += "가";
    const Case cases[] = {
        // Only 10 bytes of the ID are sent.
        {"photostudio1", "pw", "", 76, "photostudi", "pw"},
        // Only the first 16 bytes of a password fit the cipher block.
        {"id", "0123456789abcdefXYZ", "", 76, "id        ", "0123456789abcdef"},
        // 150 ASCII characters: 121 fit.
        {"id", "pw", std::string(150, 'n'), 200, "id        ", "pw"},
        // 61 double-byte characters are 122 bytes: cut to 60, never half a character.
        {"id", "pw", sixtyOneHangul, 199, "id        ", "pw"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id + "/" + c.password);
        const std::string record = BuildLoginRequest(c.id, c.password, c.nick);
        EXPECT_EQ(record.size(), c.length);
        EXPECT_EQ(record.substr(4, 8), std::to_string(100000000 + c.length).substr(1));
        EXPECT_EQ(record.substr(16, 10), c.idField);
        EXPECT_EQ(record.substr(26, 32), ReferenceHex(c.hexOf));
    }
}

TEST(LoginRequest, BytesToHexIsLowercaseTwoDigitsEach) {
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
    std::string text = "x";
    BytesToHex(bytes, 4, text);
    EXPECT_EQ(text, "x000fa0ff");
}

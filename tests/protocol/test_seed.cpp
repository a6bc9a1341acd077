#include <gcrypt.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>

#include "protocol/seed.h"

namespace {

using Block = std::array<std::uint8_t, 16>;

struct RfcExample {
    std::string name;
    Block key;
    Block plaintext;
    Block ciphertext;
    SeedRoundKeys roundKeys;
};

// RFC 4269, Appendix B: every example with its key, plaintext, ciphertext and round keys.
const RfcExample kRfcExamples[] = {
    {"B1",
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00},
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
      0x0F},
     {0x5E, 0xBA, 0xC6, 0xE0, 0x05, 0x4E, 0x16, 0x68, 0x19, 0xAF, 0xF1, 0xCC, 0x6D, 0x34, 0x6C,
      0xDB},
     {0x7C8F8C7E, 0xC737A22C, 0xFF276CDB, 0xA7CA684A, 0x2F9D01A1, 0x70049E41, 0xAE59B3C4,
      0x4245E90C, 0xA1D6400F, 0xDBC1394E, 0x85963508, 0x0C5F1FCB, 0xB684BDA7, 0x61A4AEAE,
      0xD17E0741, 0xFEE90AA1, 0x76CC05D5, 0xE97A7394, 0x50AC6F92, 0x1B2666E5, 0x65B7904A,
      0x8EC3A7B3, 0x2F7E2E22, 0xA2B121B9, 0x4D0BFDE4, 0x4E888D9B, 0x631C8DDC, 0x4378A6C4,
      0x216AF65F, 0x7878C031, 0x71891150, 0x98B255B0}},
    {"B2",
     {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
      0x0F},
     {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00},
     {0xC1, 0x1F, 0x22, 0xF2, 0x01, 0x40, 0x50, 0x50, 0x84, 0x48, 0x35, 0x97, 0xE4, 0x37, 0x0F,
      0x43},
     {0xC119F584, 0x5AE033A0, 0x62947390, 0xA600AD14, 0xF6F6544E, 0x596C4B49, 0xC1A3DE02,
      0xCE483C49, 0x5E742E6D, 0x7E25163D, 0x8299D2B4, 0x790A46CE, 0xEA67D836, 0x55F354F2,
      0xC47329FB, 0xF50DB634, 0x2BD30235, 0x51679CE6, 0xFA8D6B76, 0xA9F37E02, 0x8B99CC60,
      0x0F6092D4, 0xBDAEFCFA, 0x489C2242, 0xF6357C14, 0xCFCCB126, 0xA0AA6D85, 0xF8C10774,
      0x47F4FEC5, 0x353AE1BA, 0xFECCEA48, 0xA4EF9F9B}},
    {"B3",
     {0x47, 0x06, 0x48, 0x08, 0x51, 0xE6, 0x1B, 0xE8, 0x5D, 0x74, 0xBF, 0xB3, 0xFD, 0x95, 0x61,
      0x85},
     {0x83, 0xA2, 0xF8, 0xA2, 0x88, 0x64, 0x1F, 0xB9, 0xA4, 0xE9, 0xA5, 0xCC, 0x2F, 0x13, 0x1C,
      0x7D},
     {0xEE, 0x54, 0xD1, 0x3E, 0xBC, 0xAE, 0x70, 0x6D, 0x22, 0x6B, 0xC3, 0x14, 0x2C, 0xD4, 0x0D,
      0x4A},
     {0x56BE4A0F, 0xE9F62877, 0x68BCB66C, 0x078911DD, 0x5B82740B, 0xFD24D09B, 0x8D608015,
      0xA120E0BE, 0x810A75AE, 0x1BF223E5, 0xF9C0D2D0, 0x0F676C02, 0x8F9B5C84, 0x8A7C8DDD,
      0xD4AB4896, 0x18E93447, 0xCF090F51, 0x5A4C8202, 0x4EC3196F, 0x61B1A0DC, 0x244E07C1,
      0xD0D10B12, 0x69917C6C, 0x7FF94FB3, 0x9A7EB482, 0x723B5738, 0xB97522C5, 0x39CC6349,
      0xFFC2AFD5, 0x1412E731, 0xA9AF7241, 0xA3E67359}},
    {"B4",
     {0x28, 0xDB, 0xC3, 0xBC, 0x49, 0xFF, 0xD8, 0x7D, 0xCF, 0xA5, 0x09, 0xB1, 0x1D, 0x42, 0x2B,
      0xE7},
     {0xB4, 0x1E, 0x6B, 0xE2, 0xEB, 0xA8, 0x4A, 0x14, 0x8E, 0x2E, 0xED, 0x84, 0x59, 0x3C, 0x5E,
      0xC7},
     {0x9B, 0x9B, 0x7B, 0xFC, 0xD1, 0x81, 0x3C, 0xB9, 0x5D, 0x0B, 0x36, 0x18, 0xF4, 0x0F, 0x51,
      0x22},
     {0xB2B11B63, 0x2EE9E2D1, 0x11967260, 0x71A62F24, 0x2E017A5A, 0x35DAD7A7, 0x1B2AB5FF,
      0xA3ADA69F, 0x519C9903, 0xDA90AAEE, 0x29FD95AD, 0xB94C3F13, 0x6F629D19, 0x8ACE692F,
      0x30A26E73, 0x2F22338E, 0x9721073A, 0x98EE8DAE, 0xC597A8A9, 0x27DCDC97, 0xF5163A00,
      0x5FFD0003, 0x5CBE65DA, 0xA73403E4, 0x7D5CF070, 0x1D3B8092, 0x388C702B, 0x1BAA4945,
      0x87D1AB5A, 0xFA13FB5C, 0xC97D7EED, 0x90724A6E}},
};

void PrintTo(const RfcExample& example, std::ostream* os) {
    *os << example.name;
}

class SeedRfcExample : public testing::TestWithParam<RfcExample> {};

TEST_P(SeedRfcExample, ReproducesRoundKeysCiphertextAndPlaintext) {
    const RfcExample& example = GetParam();
    SeedRoundKeys roundKeys{};
    SeedMakeRoundKeys(roundKeys, example.key.data());
    EXPECT_EQ(roundKeys, example.roundKeys);

    Block block = example.plaintext;
    SeedEncryptBlock(block.data(), roundKeys);
    EXPECT_EQ(block, example.ciphertext);
    SeedDecryptBlock(block.data(), roundKeys);
    EXPECT_EQ(block, example.plaintext);
}

INSTANTIATE_TEST_SUITE_P(Rfc4269, SeedRfcExample, testing::ValuesIn(kRfcExamples),
                         [](const testing::TestParamInfo<RfcExample>& entry) {
                             return entry.param.name;
                         });

// Fixed seed: a failure reproduces.
class SeedRandom : public testing::Test {
protected:
    Block RandomBlock() {
        Block block{};
        for (auto& byte : block) byte = static_cast<std::uint8_t>(byteDist_(rng_));
        return block;
    }

private:
    std::mt19937 rng_{4269};
    std::uniform_int_distribution<int> byteDist_{0, 255};
};

TEST_F(SeedRandom, DecryptUndoesEncrypt) {
    for (int i = 0; i < 1000; ++i) {
        const Block key = RandomBlock();
        const Block plaintext = RandomBlock();
        SeedRoundKeys roundKeys{};
        SeedMakeRoundKeys(roundKeys, key.data());
        Block block = plaintext;
        SeedEncryptBlock(block.data(), roundKeys);
        ASSERT_NE(block, plaintext) << "case " << i;
        SeedDecryptBlock(block.data(), roundKeys);
        ASSERT_EQ(block, plaintext) << "case " << i;
    }
}

// libgcrypt's SEED in ECB mode: one block under one key.
Block GcryptEncrypt(const Block& key, const Block& plaintext) {
    Block out{};
    gcry_cipher_hd_t handle = nullptr;
    if (gcry_cipher_open(&handle, GCRY_CIPHER_SEED, GCRY_CIPHER_MODE_ECB, 0) != 0) {
        ADD_FAILURE() << "libgcrypt offers no SEED";
        return out;
    }
    EXPECT_EQ(gcry_cipher_setkey(handle, key.data(), key.size()), 0u);
    EXPECT_EQ(
        gcry_cipher_encrypt(handle, out.data(), out.size(), plaintext.data(), plaintext.size()),
        0u);
    gcry_cipher_close(handle);
    return out;
}

TEST_F(SeedRandom, MatchesAnIndependentImplementation) {
    ASSERT_NE(gcry_check_version(GCRYPT_VERSION), nullptr);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    for (int i = 0; i < 500; ++i) {
        const Block key = RandomBlock();
        const Block plaintext = RandomBlock();
        SeedRoundKeys roundKeys{};
        SeedMakeRoundKeys(roundKeys, key.data());
        Block block = plaintext;
        SeedEncryptBlock(block.data(), roundKeys);
        ASSERT_EQ(block, GcryptEncrypt(key, plaintext)) << "case " << i;
    }
}

TEST(Seed, TouchesOnlyTheSixteenBytesOfTheBlock) {
    // The block sits between two guard bytes, as the login request keeps a zero byte after it.
    std::array<std::uint8_t, 18> buffer{};
    buffer.fill(0xA5);
    const Block key{};
    SeedRoundKeys roundKeys{};
    SeedMakeRoundKeys(roundKeys, key.data());
    SeedEncryptBlock(buffer.data() + 1, roundKeys);
    EXPECT_EQ(buffer[0], 0xA5);
    EXPECT_EQ(buffer[17], 0xA5);
    SeedDecryptBlock(buffer.data() + 1, roundKeys);
    EXPECT_EQ(buffer[0], 0xA5);
    EXPECT_EQ(buffer[17], 0xA5);
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(buffer[i], 0xA5) << "byte " << i;
}

}  // namespace

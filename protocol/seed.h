#pragma once
// The SEED block cipher (RFC 4269): key schedule and single-block encryption and decryption.
#include <array>
#include <cstdint>

using SeedRoundKeys = std::array<std::uint32_t, 32>;  // K1,0 K1,1 ... K16,0 K16,1

void SeedMakeRoundKeys(SeedRoundKeys& roundKeys, const std::uint8_t key[16]);
void SeedEncryptBlock(std::uint8_t block[16], const SeedRoundKeys& roundKeys);
void SeedDecryptBlock(std::uint8_t block[16], const SeedRoundKeys& roundKeys);

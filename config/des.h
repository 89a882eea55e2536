// DES decryption of the launcher's password entry: hexadecimal cipher text,
// single-DES ECB, key summed from the user id. Platform-free.
//
// The cipher state is shared at unit level, as the launcher's own tooling
// expects; a key set-up and the blocks that use it must not interleave with
// another use (start-up only, main thread).
#pragma once

#include <array>
#include <cstdint>
#include <string>

using DesBlock = std::array<std::uint8_t, 8>;

// Byte (n mod 8) of the key gets the n-th unit of aKey added (n from 1), modulo 256.
DesBlock DesKeyFromText(const std::string& aKey) noexcept;

// Sets up the 16 subkeys of Key: encryption order when FCode, else decryption order.
// Parity bits (the low bit of each byte) are ignored.
void DesInit(const DesBlock& Key, bool FCode) noexcept;

// One block through the 16 rounds with the subkeys of the last DesInit.
DesBlock DesCode(const DesBlock& Input) noexcept;

// The password behind aStr under the key of aKey, ended at its first zero byte.
// Any bad input (empty text, a non-hexadecimal pair) gives empty text.
std::string DecryptText(const std::string& aStr, const std::string& aKey) noexcept;

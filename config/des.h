// DES decryption of the launcher's password entry: hexadecimal cipher text, single-DES ECB, key summed from the
// user id. Platform-free.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace lzg {

using DesBlock = std::array<std::uint8_t, 8>;

// Byte (n mod 8) of the key gets the n-th unit of `key_text` added (n from 1), modulo 256.
DesBlock DesKeyFromText(const std::string& key_text) noexcept;

// Standard single DES (FIPS 46-3) under one key: its 16 subkeys in encryption order when `encrypt`, else in
// decryption order. Parity bits (the low bit of each key byte) are ignored.
class DesCipher {
 public:
  DesCipher(const DesBlock& key, bool encrypt) noexcept;
  // One block through the 16 rounds, initial and final permutation included.
  DesBlock Code(const DesBlock& input) const noexcept;

 private:
  std::uint8_t subkeys_[16][48];  // one bit per byte, in the order Code applies them
};

// The password behind `cipher_text` under the key of `key_text`, ended at its first zero byte. Any bad input
// (empty text, a non-hexadecimal pair) gives empty text.
std::string DecryptText(const std::string& cipher_text, const std::string& key_text) noexcept;

}  // namespace lzg

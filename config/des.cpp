#include "config/des.h"

#include <cstddef>

namespace lzg {
namespace {

// Bit tables of FIPS 46-3, positions counted from 1 at the most significant bit.
constexpr std::uint8_t kIP[64] = {58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
                                  62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
                                  57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
                                  61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};
constexpr std::uint8_t kFP[64] = {40, 8, 48, 16, 56, 24, 64, 32, 39, 7, 47, 15, 55, 23, 63, 31,
                                  38, 6, 46, 14, 54, 22, 62, 30, 37, 5, 45, 13, 53, 21, 61, 29,
                                  36, 4, 44, 12, 52, 20, 60, 28, 35, 3, 43, 11, 51, 19, 59, 27,
                                  34, 2, 42, 10, 50, 18, 58, 26, 33, 1, 41, 9,  49, 17, 57, 25};
constexpr std::uint8_t kE[48] = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                 12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                 22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};
constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};
constexpr std::uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                   10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                   63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                   14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};
constexpr std::uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                                   23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                                   41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                                   44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};
constexpr std::uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};
constexpr std::uint8_t kS[8][64] = {
    {14, 4,  13, 1, 2,  15, 11, 8,  3,  10, 6,  12, 5,  9,  0, 7,  0, 15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5,  3,  8,  4,  1,  14, 8,  13, 6, 2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2,  4,  9,  1,  7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4,  9,  7, 2,  13, 12, 0, 5,  10, 3,  13, 4,  7,  15, 2,
     8,  14, 12, 0,  1,  10, 6,  9,  11, 5, 0,  14, 7,  11, 10, 4,  13, 1,  5,  8,  12, 6,
     9,  3,  2,  15, 13, 8,  10, 1,  3,  15, 4,  2,  11, 6,  7, 12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7,  11, 4,  2,  8,  13, 7,  0,  9,  3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6,  4,  9,  8,  15, 3,  0,  11, 1, 2,  12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7,  4,  15, 14, 3,  11, 5,  2,  12},
    {7,  13, 14, 3,  0,  6,  9,  10, 1,  2, 8, 5,  11, 12, 4,  15, 13, 8, 11, 5,  6,  15,
     0,  3,  4,  7,  2,  12, 1,  10, 14, 9, 10, 6,  9,  0,  12, 11, 7, 13, 15, 1,  3,  14,
     5,  2,  8,  4,  3,  15, 0,  6,  10, 1, 13, 8,  9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4,  1,  7,  10, 11, 6,  8,  5,  3,  15, 13, 0, 14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5,  0,  15, 10, 3,  9,  8,  6,  4,  2,  1,  11, 10, 13, 7, 8,  15, 9,  12, 5,
     6,  3,  0,  14, 11, 8,  12, 7,  1,  14, 2,  13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9, 2,  6,  8,  0,  13, 3,  4,  14, 7,  5,  11, 10, 15, 4,  2,  7,  12,
     9,  5,  6,  1,  13, 14, 0, 11, 3,  8,  9,  14, 15, 5,  2,  8,  12, 3,  7,  0,  4,  10,
     1,  13, 11, 6,  4,  3,  2, 12, 9,  5,  15, 10, 11, 14, 1,  7,  6,  0,  8,  13},
    {4,  11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7,  5,  10, 6,  1,  13, 0, 11, 7,  4,  9,
     1,  10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4,  11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0,  5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7,  9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2,  8,  4,  6,  15, 11, 1,  10, 9,  3,  14, 5,  0,  12, 7,  1,  15, 13, 8,  10, 3,
     7,  4,  12, 5,  6,  11, 0,  14, 9,  2,  7,  11, 4,  1,  9,  12, 14, 2,  0,  6,  10, 13,
     15, 3,  5,  8,  2,  1,  14, 7,  4,  10, 8,  13, 15, 12, 9,  0,  3,  5,  6,  11}};

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void RotateLeft28(std::uint8_t* half, int n) noexcept {
  for (int k = 0; k < n; ++k) {
    std::uint8_t first = half[0];
    for (int i = 0; i < 27; ++i) half[i] = half[i + 1];
    half[27] = first;
  }
}

}  // namespace

DesBlock DesKeyFromText(const std::string& key_text) noexcept {
  DesBlock key{};
  for (std::size_t n = 1; n <= key_text.size(); ++n) {
    key[n % 8] = static_cast<std::uint8_t>(key[n % 8] + static_cast<std::uint8_t>(key_text[n - 1]));
  }
  return key;
}

DesCipher::DesCipher(const DesBlock& key, bool encrypt) noexcept {
  std::uint8_t c[56];  // the key register after the first key permutation
  for (int i = 0; i < 56; ++i) {
    int bit = kPC1[i] - 1;
    c[i] = (key[bit / 8] >> (7 - bit % 8)) & 1;
  }
  std::uint8_t schedule[16][48];
  for (int round = 0; round < 16; ++round) {
    RotateLeft28(c, kShifts[round]);
    RotateLeft28(c + 28, kShifts[round]);
    for (int i = 0; i < 48; ++i) schedule[round][i] = c[kPC2[i] - 1];
  }
  for (int round = 0; round < 16; ++round) {
    const std::uint8_t* src = schedule[encrypt ? round : 15 - round];
    for (int i = 0; i < 48; ++i) subkeys_[round][i] = src[i];
  }
}

DesBlock DesCipher::Code(const DesBlock& input) const noexcept {
  std::uint8_t bits[64];
  for (int i = 0; i < 64; ++i) {
    int bit = kIP[i] - 1;
    bits[i] = (input[bit / 8] >> (7 - bit % 8)) & 1;
  }
  std::uint8_t l[32], r[32], f[32];
  for (int i = 0; i < 32; ++i) {
    l[i] = bits[i];
    r[i] = bits[32 + i];
  }
  for (int round = 0; round < 16; ++round) {
    std::uint8_t x[48];
    for (int i = 0; i < 48; ++i) x[i] = r[kE[i] - 1] ^ subkeys_[round][i];
    std::uint8_t s[32];
    for (int box = 0; box < 8; ++box) {
      const std::uint8_t* b = x + box * 6;
      int row = (b[0] << 1) | b[5];
      int col = (b[1] << 3) | (b[2] << 2) | (b[3] << 1) | b[4];
      std::uint8_t v = kS[box][row * 16 + col];
      for (int j = 0; j < 4; ++j) s[box * 4 + j] = (v >> (3 - j)) & 1;
    }
    for (int i = 0; i < 32; ++i) f[i] = s[kP[i] - 1];
    for (int i = 0; i < 32; ++i) {
      std::uint8_t next = l[i] ^ f[i];
      l[i] = r[i];
      r[i] = next;
    }
  }
  // The last round's halves are not swapped: the pre-output block is R16 L16.
  for (int i = 0; i < 32; ++i) {
    bits[i] = r[i];
    bits[32 + i] = l[i];
  }
  DesBlock out{};
  for (int i = 0; i < 64; ++i) {
    int bit = kFP[i] - 1;
    out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | (bits[bit] << (7 - i % 8)));
  }
  return out;
}

std::string DecryptText(const std::string& cipher_text, const std::string& key_text) noexcept {
  try {
    if (cipher_text.empty()) return {};
    const DesCipher cipher(DesKeyFromText(key_text), false);
    std::string bytes;
    bytes.reserve(cipher_text.size() / 2 + 8);
    for (std::size_t i = 0; i < cipher_text.size(); i += 2) {
      int hi = HexDigit(cipher_text[i]);
      if (hi < 0) return {};
      if (i + 1 == cipher_text.size()) {
        bytes.push_back(static_cast<char>(hi));  // an odd last digit is a byte of its own
        break;
      }
      int lo = HexDigit(cipher_text[i + 1]);
      if (lo < 0) return {};
      bytes.push_back(static_cast<char>(hi * 16 + lo));
    }
    bytes.resize((bytes.size() + 7) / 8 * 8, '\0');
    std::string result;
    result.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); at += 8) {
      DesBlock block;
      for (int i = 0; i < 8; ++i) block[i] = static_cast<std::uint8_t>(bytes[at + i]);
      DesBlock plain = cipher.Code(block);
      result.append(reinterpret_cast<const char*>(plain.data()), plain.size());
    }
    std::size_t zero = result.find('\0');
    if (zero != std::string::npos) result.resize(zero);
    return result;
  } catch (...) {
    return {};
  }
}

}  // namespace lzg

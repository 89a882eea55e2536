// The password cipher: the block cipher against published single-DES vectors,
// and the framing (key sum, hexadecimal text, blocks, end of the result).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdint>
#include <string>

#include "config/des.h"
#include "tests/config/des_reference.h"
#ifdef _WIN32
#include "tests/support/test_util.h"
#endif

namespace {

using lzg::DecryptText;
using lzg::DesBlock;
using lzg::DesCipher;
using lzg::DesKeyFromText;

DesBlock FromU64(std::uint64_t v) {
  DesBlock b{};
  for (int i = 0; i < 8; ++i) b[i] = static_cast<std::uint8_t>(v >> (56 - 8 * i));
  return b;
}
std::uint64_t ToU64(const DesBlock& b) {
  std::uint64_t v = 0;
  for (auto x : b) v = (v << 8) | x;
  return v;
}

struct Vector {
  std::uint64_t key, plain, cipher;
};
// FIPS 81 / NBS validation vectors and the textbook worked example.
const Vector kVectors[] = {
    {0x133457799BBCDFF1ull, 0x0123456789ABCDEFull, 0x85E813540F0AB405ull},
    {0x0123456789ABCDEFull, 0x4E6F772069732074ull, 0x3FA40E8A984D4815ull},
    {0x0E329232EA6D0D73ull, 0x8787878787878787ull, 0x0000000000000000ull},
    {0x0101010101010101ull, 0x8000000000000000ull, 0x95F8A5E5DD31D900ull},
    {0x8001010101010101ull, 0x0000000000000000ull, 0x95A8D72813DAA94Dull},
    {0x0000000000000000ull, 0x0000000000000000ull, 0x8CA64DE9C1B123A7ull},
    {0xFFFFFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull, 0x7359B2163E4EDC58ull},
};

TEST(DesBlock, PublishedVectorsBothDirections) {
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(testing::Message() << std::hex << v.key);
    // Both directions at once: each cipher keeps its own subkeys.
    const DesCipher encrypt(FromU64(v.key), true), decrypt(FromU64(v.key), false);
    EXPECT_EQ(ToU64(encrypt.Code(FromU64(v.plain))), v.cipher);
    EXPECT_EQ(ToU64(decrypt.Code(FromU64(v.cipher))), v.plain);
    EXPECT_EQ(ToU64(encrypt.Code(FromU64(v.plain))), v.cipher);
    // The tests' own encryptor must agree before it makes any cipher text below.
    EXPECT_EQ(ref::Des(v.key, v.plain, false), v.cipher);
    EXPECT_EQ(ref::Des(v.key, v.cipher, true), v.plain);
  }
}

TEST(DesBlock, ParityBitsIgnored) {
  const DesCipher cipher(FromU64(0x133457799BBCDFF1ull ^ 0x0101010101010101ull), true);
  EXPECT_EQ(ToU64(cipher.Code(FromU64(0x0123456789ABCDEFull))), 0x85E813540F0AB405ull);
}

TEST(DesBlock, AgreesWithReferenceOnManyBlocks) {
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 200; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    std::uint64_t key = x;
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    ASSERT_EQ(ToU64(DesCipher(FromU64(key), true).Code(FromU64(x))), ref::Des(key, x, false)) << i;
    ASSERT_EQ(ToU64(DesCipher(FromU64(key), false).Code(FromU64(x))), ref::Des(key, x, true)) << i;
  }
}

TEST(DesKey, SumOfUnitsByPosition) {
  struct Case {
    std::string key;
    DesBlock expected;
  };
  const Case cases[] = {
      {"", {0, 0, 0, 0, 0, 0, 0, 0}},
      {"A", {0, 0x41, 0, 0, 0, 0, 0, 0}},
      {"1234567", {0, '1', '2', '3', '4', '5', '6', '7'}},
      {"12345678", {'8', '1', '2', '3', '4', '5', '6', '7'}},
      {"123456789", {'8', '1' + '9', '2', '3', '4', '5', '6', '7'}},
      {std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x02\x03", 10), {0xFF, 0x01, 0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) EXPECT_EQ(DesKeyFromText(c.key), c.expected) << c.key;
}

#ifdef _WIN32  // the ANSI code page of the players' machines
TEST(DesKey, NonAsciiUserIdUsesAnsiBytes) {
  ASSERT_EQ(GetACP(), 936u) << "tests run with the Simplified Chinese code page";
  const std::string uid = testutil::ToAnsi(L"张三");
  ASSERT_EQ(uid, "\xD5\xC5\xC8\xFD");
  EXPECT_EQ(DesKeyFromText(uid), (DesBlock{0, 0xD5, 0xC5, 0xC8, 0xFD, 0, 0, 0}));
  const std::string password = testutil::ToAnsi(L"密码Ab1");
  EXPECT_EQ(DecryptText(ref::EncryptPassword(password, uid), uid), password);
  EXPECT_NE(DecryptText(ref::EncryptPassword(password, uid), "张三"), password) << "UTF-8 bytes are another key";
}
#endif

// What the cipher text's extra blocks decrypt to, ended at the first zero byte.
std::string RefDecryptTail(std::uint64_t block, const std::string& uid) {
  DesBlock k = DesKeyFromText(uid);
  std::uint64_t key = ToU64(k);
  std::uint64_t p = ref::Des(key, block, true);
  std::string out;
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>(p >> (56 - 8 * i)));
  return out;
}

TEST(DesText, Framing) {
  const std::string uid = "player01";
  const std::string eight = "abcdefgh";
  const std::string oneBlock = ref::EncryptPassword(eight, uid);
  ASSERT_EQ(oneBlock.size(), 16u);
  const std::string twoBlocks = ref::EncryptPassword("pass-word-long", uid);
  ASSERT_EQ(twoBlocks.size(), 32u);

  // An odd digit count: the 17th digit is a block of one byte and seven zero bytes.
  std::string tail = RefDecryptTail(0x0500000000000000ull, uid);
  tail = tail.substr(0, tail.find('\0'));

  std::string wrongKey = RefDecryptTail(std::stoull(oneBlock, nullptr, 16), "someone");
  wrongKey = wrongKey.substr(0, wrongKey.find('\0'));

  std::string lower = twoBlocks;
  for (char& c : lower) c = static_cast<char>(tolower(c));

  struct Case {
    const char* what;
    std::string cipher;
    std::string key;
    std::string expected;
  };
  const Case cases[] = {
      {"whole block", oneBlock, uid, eight},
      {"filled last block", twoBlocks, uid, "pass-word-long"},
      {"lower-case digits", lower, uid, "pass-word-long"},
      {"17 digits", oneBlock + "5", uid, eight + tail},
      {"empty cipher text", "", uid, ""},
      {"blank inside", oneBlock.substr(0, 6) + " " + oneBlock.substr(7), uid, ""},
      {"leading blank", " " + oneBlock.substr(1), uid, ""},
      {"sign", "+" + oneBlock.substr(1), uid, ""},
      {"letter beyond F", oneBlock.substr(0, 15) + "G", uid, ""},
      {"bad odd last digit", oneBlock + "g", uid, ""},
      {"empty user id", ref::EncryptPassword("zerokey!", ""), "", "zerokey!"},
      {"wrong key gives no failure", oneBlock, "someone", wrongKey},
  };
  for (const Case& c : cases) EXPECT_EQ(DecryptText(c.cipher, c.key), c.expected) << c.what;
}

TEST(DesText, ZeroByteEndsThePassword) {
  const std::string uid = "u";
  const std::string withZero = std::string("ab\0cdefg", 8) + "hijklmno";
  EXPECT_EQ(DecryptText(ref::EncryptPassword(withZero, uid), uid), "ab");
  const std::string zeroFirst = std::string("\0bcdefgh", 8) + "ijk";
  EXPECT_EQ(DecryptText(ref::EncryptPassword(zeroFirst, uid), uid), "");
}

TEST(DesText, LongUserIdsThatSumAlikeShareTheKey) {
  const std::string a = "aaaaaaaab", b = "caaaaaaa\x60";
  ASSERT_EQ(DesKeyFromText(a), DesKeyFromText(b));
  const std::string cipher = ref::EncryptPassword("secret99", a);
  EXPECT_EQ(DecryptText(cipher, b), "secret99");
  EXPECT_NE(DecryptText(cipher, "aaaaaaaa"), "secret99");
}

TEST(DesText, NeverThrowsOnLargeOrOddInput) {
  std::string big(200001, 'F');
  std::string out = DecryptText(big, std::string(5000, '\x9C'));
  EXPECT_LE(out.size(), 100008u);
  for (char c = 1; c < 127; ++c) {
    if (isxdigit(static_cast<unsigned char>(c))) continue;
    EXPECT_EQ(DecryptText(std::string("00") + c + "0", "k"), "") << int(c);
  }
}

}  // namespace

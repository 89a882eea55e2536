#include "config/config_int.h"

#include <string>

namespace lzg {
namespace {

int DigitValue(wchar_t c, int base) {
  int v = -1;
  if (c >= L'0' && c <= L'9') v = c - L'0';
  else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

std::optional<std::int32_t> ParseConfigInt(std::wstring_view text) {
  std::wstring s(text);
  if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) s.replace(0, 2, L"$");

  std::size_t i = 0;
  while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';

  int base = 10;
  if (i < s.size() && (s[i] == L'$' || s[i] == L'x' || s[i] == L'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;

  // Hexadecimal may fill all 32 bits; decimal stops at the signed range.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  std::uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    int d = DigitValue(s[i], base);
    if (d < 0) return std::nullopt;
    magnitude = magnitude * base + static_cast<unsigned>(d);
    if (magnitude > limit) return std::nullopt;
  }
  std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<std::int32_t>(bits);
}

}  // namespace lzg

// Integer entries: any text either gives nothing or a number that an
// independent reading of the same rules agrees with.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "config/config_int.h"

namespace {
// Independent reading: blanks (space, tab), sign, then decimal digits or hex after $, x, 0x.
std::optional<int32_t> Reference(std::wstring t) {
  if (t.size() > 2 && t[0] == L'0' && (t[1] == L'x' || t[1] == L'X')) t = L"$" + t.substr(2);
  size_t i = 0;
  while (i < t.size() && (t[i] == L' ' || t[i] == L'\t')) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == L'+' || t[i] == L'-')) neg = t[i++] == L'-';
  bool hex = false;
  if (i < t.size() && (t[i] == L'$' || t[i] == L'x' || t[i] == L'X')) hex = true, ++i;
  else if (i + 1 < t.size() && t[i] == L'0' && (t[i + 1] == L'x' || t[i + 1] == L'X')) hex = true, i += 2;
  if (i >= t.size()) return std::nullopt;
  uint64_t v = 0;
  for (; i < t.size(); ++i) {
    wchar_t c = t[i];
    int d = c >= L'0' && c <= L'9' ? c - L'0'
            : hex && c >= L'a' && c <= L'f' ? c - L'a' + 10
            : hex && c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
    if (d < 0) return std::nullopt;
    v = v * (hex ? 16 : 10) + d;
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    uint32_t u = static_cast<uint32_t>(v);
    return static_cast<int32_t>(neg ? 0u - u : u);
  }
  int64_t s = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
  if (s < INT32_MIN || s > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(s);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  for (size_t i = 0; i < size; ++i) {
    // A small alphabet reaches the interesting paths; a high byte mixes in any unit.
    static const wchar_t kAlpha[] = L"0123456789abcdefABCDEFxX$+- \t9";
    uint8_t b = data[i];
    text += b < 0xF0 ? kAlpha[b % 31] : static_cast<wchar_t>(b << 4 | (i & 0xF));
  }
  std::optional<int32_t> got = lzg::ParseConfigInt(text);
  std::optional<int32_t> want = Reference(text);
  if (got.has_value() != want.has_value()) std::abort();
  if (got && *got != *want) std::abort();
  return 0;
}

// Integer entries of the configuration file. Platform-free.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lzg {

// The number an integer entry's text stands for, or nothing when the text does
// not convert or does not fit in 32 bits (the caller then uses the default).
//
// A leading "0x"/"0X" of a text longer than 2 characters becomes "$"; then
// optional leading blanks, an optional sign, and decimal digits, or hexadecimal
// digits after "$", "x" or "0x". Decimal numbers must lie in the signed 32-bit
// range; hexadecimal ones may use all 32 bits ("$FFFFFFFF" is -1).
std::optional<std::int32_t> ParseConfigInt(std::wstring_view text);

// ParseConfigInt, or `def` when it gives nothing.
inline std::int32_t ConfigIntOr(std::wstring_view text, std::int32_t def) {
  return ParseConfigInt(text).value_or(def);
}

}  // namespace lzg

// Conversions between wide text and the ANSI code page or UTF-8 (Windows' own converters).
#pragma once

#include <string>
#include <string_view>

#include "base/utf8.h"

namespace lzg {

// Characters the code page lacks become its default character.
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);
// Invalid sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);

}  // namespace lzg

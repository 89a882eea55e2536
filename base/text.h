// Conversions between wide text and the system's ANSI code page (Windows' own converters); UTF-8 is utf8.h's.
#pragma once

#include <string>
#include <string_view>

#include "base/utf8.h"

namespace lzg {

// Characters the code page lacks become its default character.
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);

}  // namespace lzg

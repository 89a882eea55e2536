// UTF-8 and wide text, both ways. Platform-free: wchar_t is UTF-16 on Windows and UTF-32 in the native test build.
#pragma once

#include <string>
#include <string_view>

namespace lzg {

// An unpaired surrogate or a value beyond U+10FFFF becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

// A malformed sequence (a stray or missing continuation byte, an overlong form, a surrogate, a value beyond
// U+10FFFF) becomes U+FFFD.
std::wstring FromUtf8(std::string_view text);

}  // namespace lzg

// Platform-free: wide text as UTF-8, for the messages and comparisons of tests (wchar_t is UTF-16 on Windows and
// UTF-32 in the native build). An unpaired surrogate or a value beyond U+10FFFF becomes U+FFFD, as the system's
// own conversion makes it.
#pragma once

#include <string>
#include <string_view>

namespace testutil {

inline std::string ToUtf8(std::wstring_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = static_cast<char32_t>(s[i]);
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    const char32_t next = i + 1 < s.size() ? static_cast<char32_t>(s[i + 1]) : 0;
    if (high && next >= 0xDC00 && next <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
      ++i;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace testutil

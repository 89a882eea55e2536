#include "config/side_file.h"

#include <cstdint>

namespace lzg {
namespace {

std::wstring FirstUtf16Line(std::string_view bytes, bool bigEndian) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto b0 = static_cast<std::uint8_t>(bytes[i]), b1 = static_cast<std::uint8_t>(bytes[i + 1]);
    wchar_t unit = static_cast<wchar_t>(bigEndian ? (b0 << 8) | b1 : (b1 << 8) | b0);
    if (unit == L'\r' || unit == L'\n') break;
    out.push_back(unit);
  }
  return out;
}

std::string_view BeforeLineEnd(std::string_view bytes) {
  std::size_t end = bytes.find_first_of("\r\n");
  return end == std::string_view::npos ? bytes : bytes.substr(0, end);
}

}  // namespace

std::wstring DecodeUtf8(std::string_view s) {
  std::wstring out;
  std::size_t i = 0;
  while (i < s.size()) {
    auto b = static_cast<std::uint8_t>(s[i]);
    std::uint32_t cp;
    int extra;
    if (b < 0x80) { cp = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { cp = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { cp = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { cp = b & 0x07; extra = 3; }
    else { out.push_back(L'\uFFFD'); ++i; continue; }
    std::size_t j = 1;
    bool ok = true;
    for (; j <= static_cast<std::size_t>(extra); ++j) {
      if (i + j >= s.size() || (static_cast<std::uint8_t>(s[i + j]) & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (static_cast<std::uint8_t>(s[i + j]) & 0x3F);
    }
    static constexpr std::uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (!ok || cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(L'\uFFFD');
      i += ok ? extra + 1 : j;
      continue;
    }
    if (cp >= 0x10000 && sizeof(wchar_t) == 2) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(cp));
    }
    i += extra + 1;
  }
  return out;
}

FirstLine SplitFirstLine(std::string_view bytes) {
  FirstLine line;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    line.text = DecodeUtf8(BeforeLineEnd(bytes.substr(3)));
  } else if (bytes.starts_with("\xFF\xFE")) {
    line.text = FirstUtf16Line(bytes.substr(2), false);
  } else if (bytes.starts_with("\xFE\xFF")) {
    line.text = FirstUtf16Line(bytes.substr(2), true);
  } else {
    line.isAnsi = true;
    line.ansi = std::string(BeforeLineEnd(bytes));
  }
  return line;
}

std::wstring TrimControls(std::wstring_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<std::uint32_t>(s[b]) <= 32) ++b;
  while (e > b && static_cast<std::uint32_t>(s[e - 1]) <= 32) --e;
  return std::wstring(s.substr(b, e - b));
}

}  // namespace lzg

#include "config/side_file.h"

#include <cstdint>

#include "base/utf8.h"

namespace lzg {
namespace {

std::wstring FirstUtf16Line(std::string_view bytes, bool big_endian) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto b0 = static_cast<std::uint8_t>(bytes[i]), b1 = static_cast<std::uint8_t>(bytes[i + 1]);
    wchar_t unit = static_cast<wchar_t>(big_endian ? (b0 << 8) | b1 : (b1 << 8) | b0);
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

FirstLine SplitFirstLine(std::string_view bytes) {
  FirstLine line;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    line.text = FromUtf8(BeforeLineEnd(bytes.substr(3)));
  } else if (bytes.starts_with("\xFF\xFE")) {
    line.text = FirstUtf16Line(bytes.substr(2), false);
  } else if (bytes.starts_with("\xFE\xFF")) {
    line.text = FirstUtf16Line(bytes.substr(2), true);
  } else {
    line.is_ansi = true;
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

std::wstring SideFileCode(std::string_view file_bytes, AnsiDecoder decode_ansi) {
  const FirstLine line = SplitFirstLine(file_bytes);
  return TrimControls(line.is_ansi ? decode_ansi(line.ansi) : line.text);
}

}  // namespace lzg

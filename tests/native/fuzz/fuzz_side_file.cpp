// The side file's first line: whatever the bytes, no line break survives and the trimmed code has no control
// characters or blanks at its ends.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "config/side_file.h"

namespace {
// Stands in for the system's ANSI decoding, which the native build does not have.
std::wstring DecodeAsUtf8(std::string_view bytes) { return lzg::FromUtf8(bytes); }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lzg::FirstLine line = lzg::SplitFirstLine(bytes);
  if (line.is_ansi) {
    if (line.ansi.find_first_of("\r\n") != std::string::npos) std::abort();
  } else {
    if (line.text.find_first_of(L"\r\n") != std::wstring::npos) std::abort();
  }
  std::wstring code = lzg::SideFileCode(bytes, &DecodeAsUtf8);
  if (!code.empty() && (code.front() <= 32 || code.back() <= 32)) std::abort();
  if (code.find_first_of(L"\r\n") != std::wstring::npos) std::abort();
  lzg::FromUtf8(bytes);
  return 0;
}

// The side file's first line: whatever the bytes, no line break survives and
// the trimmed code has no control characters or blanks at its ends.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/side_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lzg::FirstLine line = lzg::SplitFirstLine(bytes);
  if (line.isAnsi) {
    if (line.ansi.find_first_of("\r\n") != std::string::npos) std::abort();
  } else {
    if (line.text.find_first_of(L"\r\n") != std::wstring::npos) std::abort();
  }
  std::wstring code = lzg::TrimControls(line.isAnsi ? lzg::DecodeUtf8(line.ansi) : line.text);
  if (!code.empty() && (code.front() <= 32 || code.back() <= 32)) std::abort();
  lzg::DecodeUtf8(bytes);
  return 0;
}

// Whatever a page passes as a popup address, the new instance's parameters are
// one argument (no code 0..32, no quote) that is not a switch.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gamewindow/popup_policy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring in;
  for (size_t i = 0; i + 1 < size; i += 2) in += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  std::wstring out = lzg::EncodePopupParameters(in);
  for (wchar_t c : out)
    if (c <= 32 || c == L'"') std::abort();
  if (!out.empty() && (out[0] == L'-' || out[0] == L'/')) std::abort();
  // Walking input and output together: every character is either kept or
  // stands as its own %XX escape, so nothing of the address is lost.
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  size_t j = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    wchar_t c = in[i];
    bool escaped = c <= 32 || c == L'"' || (i == 0 && (c == L'-' || c == L'/'));
    if (!escaped) {
      if (j >= out.size() || out[j] != c) std::abort();
      ++j;
    } else {
      if (j + 3 > out.size() || out[j] != L'%' || out[j + 1] != kHex[(c >> 4) & 0xF] || out[j + 2] != kHex[c & 0xF])
        std::abort();
      j += 3;
    }
  }
  if (j != out.size()) std::abort();
  return 0;
}

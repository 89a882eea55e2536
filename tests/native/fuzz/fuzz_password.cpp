// The password field: any cipher text and user id decrypt without failing; the
// result never holds a zero byte and is never longer than its blocks; a text
// with a non-hexadecimal character gives nothing.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/des.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t split = data[0] % (size);
  std::string text(reinterpret_cast<const char*>(data + 1), split > 0 ? split - 0 : 0);
  if (text.size() > size - 1) text.resize(size - 1);
  std::string key(reinterpret_cast<const char*>(data + 1 + text.size()), size - 1 - text.size());
  // Bias half of the inputs toward hexadecimal text.
  if (data[0] & 1)
    for (char& c : text) c = "0123456789abcdefABCDEF"[static_cast<uint8_t>(c) % 22];
  std::string out = lzg::DecryptText(text, key);
  if (out.find('\0') != std::string::npos) std::abort();
  size_t bytes = (text.size() + 1) / 2;
  if (out.size() > (bytes + 7) / 8 * 8) std::abort();
  bool allHex = !text.empty();
  for (char c : text) allHex &= std::isxdigit(static_cast<unsigned char>(c)) != 0;
  if (!allHex && !out.empty()) std::abort();
  return 0;
}

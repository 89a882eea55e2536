// Whatever a message carries, its log line is one line, holds none of the secrets, and no address in it
// keeps a query part.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/log_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // 16-bit units; the first unit 0xFFFF splits off a secret.
  std::wstring text, secret;
  std::wstring* into = &secret;
  bool split = false;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0xFFFF && !split) {
      split = true;
      into = &text;
      continue;
    }
    *into += c;
  }
  if (!split) text.swap(secret);
  const std::vector<std::wstring> secrets = {secret};
  const std::wstring out = lzg::logtext::Scrub(text, secrets);
  for (wchar_t c : out)
    if (c == L'\n' || c == L'\r' || c == L'\t') std::abort();
  if (secret.size() >= 4 && secret.find(L'*') == std::wstring::npos && out.find(secret) != std::wstring::npos)
    std::abort();
  // Every "scheme://" address that is left has no query part.
  for (size_t at = out.find(L"://"); at != std::wstring::npos; at = out.find(L"://", at + 3)) {
    size_t end = at;
    while (end < out.size() && out[end] > L' ' && out[end] != L'"' && out[end] != L'\'' && out[end] != L'<' &&
           out[end] != L'>' && out[end] != 0x3000)
      ++end;
    const std::wstring address = out.substr(at, end - at);
    if (address.find(L'?') != std::wstring::npos || address.find(L'#') != std::wstring::npos) std::abort();
  }
  const std::string line = lzg::logtext::FormatLine({}, 1, 0, "main", "main", out);
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) std::abort();
  return 0;
}

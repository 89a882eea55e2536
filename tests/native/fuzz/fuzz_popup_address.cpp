// Whatever address a page asks a new instance for: one started is http or https
// with two forward slashes and an authority free of blanks, controls,
// backslashes, quotes and Unicode delimiter look-alikes, and goes out encoded;
// one refused starts nothing and leaves a short ASCII note. Blanks around an
// address or backslashes for its slashes never make it pass; the scheme's letter
// case never matters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "gamewindow/popup_policy.h"

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool StartsWithNoCase(const std::wstring& s, const std::wstring& prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (Lower(s[i]) != prefix[i]) return false;
  return true;
}

bool Forbidden(wchar_t c) {
  return c <= 0x20 || c == 0x7F || std::wstring_view(L"\\\"<>^`{|}").find(c) != std::wstring_view::npos ||
         (c >= 0x80 && c <= 0xBF) || (c >= 0x2000 && c <= 0x206F) || c == 0x3000 || c == 0x3002 ||
         (c >= 0xD800 && c <= 0xDFFF) || (c >= 0xFE50 && c <= 0xFE6F) || c >= 0xFEFF;
}

void CheckStarted(const std::wstring& url, const lzg::InstanceStart& s) {
  if (!s.note.empty() || s.parameters != lzg::EncodePopupParameters(url)) std::abort();
  if (url.empty()) return;
  size_t pos;
  if (StartsWithNoCase(url, L"http://"))
    pos = 7;
  else if (StartsWithNoCase(url, L"https://"))
    pos = 8;
  else
    std::abort();
  if (url.back() <= 0x20 || url.back() == 0x7F) std::abort();
  size_t end = url.find_first_of(L"/?#", pos);
  if (end == std::wstring::npos) end = url.size();
  const std::wstring authority = url.substr(pos, end - pos);
  for (wchar_t c : authority)
    if (Forbidden(c)) std::abort();
  const size_t at = authority.rfind(L'@');
  const std::wstring hostPort = at == std::wstring::npos ? authority : authority.substr(at + 1);
  if (hostPort.empty() || hostPort[0] == L':' || hostPort.find(L'%') != std::wstring::npos) std::abort();

  // The same address with the scheme's letter case turned over starts as well.
  std::wstring flipped = url;
  for (size_t i = 0; i + 3 < pos; ++i)
    flipped[i] = flipped[i] >= L'a' ? static_cast<wchar_t>(flipped[i] - 32) : static_cast<wchar_t>(flipped[i] + 32);
  if (!lzg::MayStartInstanceFor(flipped)) std::abort();
  // Blanks around it, or backslashes for its slashes, refuse it.
  if (lzg::MayStartInstanceFor(L" " + url) || lzg::MayStartInstanceFor(url + L"\t")) std::abort();
  std::wstring backslashed = url;
  backslashed[pos - 2] = backslashed[pos - 1] = L'\\';
  if (lzg::MayStartInstanceFor(backslashed)) std::abort();
}

void CheckRefused(const lzg::InstanceStart& s) {
  if (!s.parameters.empty() || s.note.empty() || s.note.size() > 120) std::abort();
  for (wchar_t c : s.note)
    if (c < 0x20 || c > 0x7E) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring url;
  for (size_t i = 0; i + 1 < size; i += 2) url += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
  const lzg::InstanceStart s = lzg::InstanceStartFor(url);
  if (s.start != lzg::MayStartInstanceFor(url)) std::abort();
  if (s.start)
    CheckStarted(url, s);
  else
    CheckRefused(s);
  return 0;
}

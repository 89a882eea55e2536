// Whatever error text and failed address a page brings, the client's error page holds no markup of its
// own making beyond the template, and its data: address is plain percent-encoded UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gamewindow/page_recovery.h"

namespace {

size_t Count(const std::wstring& s, wchar_t c) {
  size_t n = 0;
  for (wchar_t x : s) n += x == c;
  return n;
}

bool Unreserved(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
         c == L'.' || c == L'_' || c == L'~';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Two 16-bit texts split at the first 0xFFFF unit: the error text and the failed address.
  std::wstring text, url;
  std::wstring* into = &text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (c == 0xFFFF && into == &text) {
      into = &url;
      continue;
    }
    *into += c;
  }
  const int code = size > 0 ? -static_cast<int>(data[0]) : -105;

  const std::wstring escaped = lzg::HtmlEscape(url);
  for (wchar_t c : escaped)
    if (c == L'<' || c == L'>' || c == L'"' || c == L'\'' || c == L'\0') std::abort();

  // The template's markup is the same whatever the input: same count of < > and quotes as a plain page.
  const std::wstring plain = lzg::ErrorPageHtml(code, L"x", L"u", L"u");
  const std::wstring page = lzg::ErrorPageHtml(code, text, url, url);
  for (wchar_t c : {L'<', L'>', L'"', L'\''})
    if (Count(page, c) != Count(plain, c)) std::abort();

  const std::wstring address = lzg::ErrorPageAddress(page);
  if (!lzg::IsErrorPageAddress(address)) std::abort();
  const size_t start = std::wstring(L"data:text/html;charset=utf-8,").size();
  for (size_t i = start; i < address.size(); ++i) {
    if (address[i] == L'%') {
      if (i + 2 >= address.size()) std::abort();
      i += 2;
    } else if (!Unreserved(address[i])) {
      std::abort();
    }
  }
  return 0;
}

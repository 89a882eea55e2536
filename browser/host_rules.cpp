#include "browser/host_rules.h"

namespace lzg {

std::wstring QuotedStr(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  out += L'\'';
  for (wchar_t c : text) {
    out += c;
    if (c == L'\'') out += L'\'';
  }
  out += L'\'';
  return out;
}

}  // namespace lzg

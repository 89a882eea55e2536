#include "engine/cef_string.h"

#include <windows.h>

#include "engine/cef_library.h"

namespace lzg {

std::wstring CefToWString(const cef_string_t* s) {
  if (!s || !s->str || s->length == 0) return std::wstring();
  return std::wstring(s->str, s->length);
}

cef_string_t CefStringView(const std::wstring& text) {
  cef_string_t s{};
  s.str = const_cast<char16*>(text.c_str());
  s.length = text.size();
  s.dtor = nullptr;
  return s;
}

std::wstring CefTakeUserFree(cef_string_userfree_t s) {
  if (!s) return std::wstring();
  std::wstring copy = CefToWString(s);
  if (g_cef.cef_string_userfree_utf16_free) g_cef.cef_string_userfree_utf16_free(s);
  return copy;
}

}  // namespace lzg

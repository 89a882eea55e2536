// The engine's string helpers: UTF-16/UTF-8/wide strings, user-free strings,
// string lists, maps and multimaps. Strings the engine allocates carry the
// engine's own destructor.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "standin/objects.h"
#include "standin/text.h"

namespace {

void FreeUtf16(char16* p) { std::free(p); }
void FreeUtf8(char* p) { std::free(p); }
void FreeWide(wchar_t* p) { std::free(p); }

template <class S, class C>
int SetString(const C* src, size_t len, S* out, int copy, void (*dtor)(C*)) {
  if (!out) return 0;
  if (out->dtor && out->str) out->dtor(out->str);
  out->str = nullptr;
  out->length = 0;
  out->dtor = nullptr;
  if (!src || !len) {
    if (copy) {
      // An empty copy is still a valid, zero-terminated text.
      auto* p = static_cast<C*>(std::calloc(1, sizeof(C)));
      if (!p) return 0;
      out->str = p;
      out->dtor = dtor;
    }
    return 1;
  }
  if (!copy) {
    out->str = const_cast<C*>(src);
    out->length = len;
    return 1;
  }
  auto* p = static_cast<C*>(std::malloc((len + 1) * sizeof(C)));
  if (!p) return 0;
  std::memcpy(p, src, len * sizeof(C));
  p[len] = 0;
  out->str = p;
  out->length = len;
  out->dtor = dtor;
  return 1;
}

template <class S>
void ClearString(S* s) {
  if (!s) return;
  if (s->dtor && s->str) s->dtor(s->str);
  s->str = nullptr;
  s->length = 0;
  s->dtor = nullptr;
}

template <class C>
unsigned long Unit(C c) {
  return static_cast<std::make_unsigned_t<C>>(c);
}

template <class S>
int CompareString(const S* a, const S* b) {
  size_t la = a && a->str ? a->length : 0, lb = b && b->str ? b->length : 0;
  size_t n = la < lb ? la : lb;
  for (size_t i = 0; i < n; ++i) {
    unsigned long x = Unit(a->str[i]), y = Unit(b->str[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return la == lb ? 0 : la < lb ? -1 : 1;
}

int SetUtf16(const std::wstring& s, cef_string_utf16_t* out) {
  return SetString(s.data(), s.size(), out, 1, &FreeUtf16);
}
int SetUtf8(const std::string& s, cef_string_utf8_t* out) { return SetString(s.data(), s.size(), out, 1, &FreeUtf8); }

struct StringList {
  std::vector<std::wstring> items;
};
struct StringMap {
  std::vector<std::pair<std::wstring, std::wstring>> items;
};

std::wstring W(const cef_string_t* s) { return s && s->str ? std::wstring(s->str, s->length) : std::wstring(); }

}  // namespace

namespace standin {
cef_string_userfree_t NewUserFree(const std::wstring& s) {
  auto* p = static_cast<cef_string_userfree_t>(std::calloc(1, sizeof(cef_string_utf16_t)));
  if (p) SetUtf16(s, p);
  return p;
}
void SetCefString(cef_string_t* out, const std::wstring& s) { SetUtf16(s, out); }
void ListAppend(cef_string_list_t list, const std::wstring& s) {
  if (list) static_cast<StringList*>(list)->items.push_back(s);
}
void MapAppend(cef_string_map_t map, const std::wstring& k, const std::wstring& v) {
  if (map) static_cast<StringMap*>(map)->items.emplace_back(k, v);
}
}  // namespace standin

extern "C" {

// --- Strings ---------------------------------------------------------------------------------

int CEF_EXPORT cef_string_wide_set(const wchar_t* src, size_t src_len, cef_string_wide_t* output, int copy) {
  return SetString(src, src_len, output, copy, &FreeWide);
}
int CEF_EXPORT cef_string_utf8_set(const char* src, size_t src_len, cef_string_utf8_t* output, int copy) {
  return SetString(src, src_len, output, copy, &FreeUtf8);
}
int CEF_EXPORT cef_string_utf16_set(const char16* src, size_t src_len, cef_string_utf16_t* output, int copy) {
  return SetString(src, src_len, output, copy, &FreeUtf16);
}
void CEF_EXPORT cef_string_wide_clear(cef_string_wide_t* str) { ClearString(str); }
void CEF_EXPORT cef_string_utf8_clear(cef_string_utf8_t* str) { ClearString(str); }
void CEF_EXPORT cef_string_utf16_clear(cef_string_utf16_t* str) { ClearString(str); }
int CEF_EXPORT cef_string_wide_cmp(const cef_string_wide_t* a, const cef_string_wide_t* b) { return CompareString(a, b); }
int CEF_EXPORT cef_string_utf8_cmp(const cef_string_utf8_t* a, const cef_string_utf8_t* b) { return CompareString(a, b); }
int CEF_EXPORT cef_string_utf16_cmp(const cef_string_utf16_t* a, const cef_string_utf16_t* b) {
  return CompareString(a, b);
}
int CEF_EXPORT cef_string_wide_to_utf8(const wchar_t* src, size_t src_len, cef_string_utf8_t* output) {
  return SetUtf8(standin::WideToUtf8(src, src_len), output);
}
int CEF_EXPORT cef_string_utf8_to_wide(const char* src, size_t src_len, cef_string_wide_t* output) {
  std::wstring w = standin::Utf8ToWide(std::string(src ? src : "", src ? src_len : 0));
  return SetString(w.data(), w.size(), output, 1, &FreeWide);
}
int CEF_EXPORT cef_string_wide_to_utf16(const wchar_t* src, size_t src_len, cef_string_utf16_t* output) {
  return SetString(src, src ? src_len : 0, output, 1, &FreeUtf16);
}
int CEF_EXPORT cef_string_utf16_to_wide(const char16* src, size_t src_len, cef_string_wide_t* output) {
  return SetString(src, src ? src_len : 0, output, 1, &FreeWide);
}
int CEF_EXPORT cef_string_utf8_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
  return SetUtf16(standin::Utf8ToWide(std::string(src ? src : "", src ? src_len : 0)), output);
}
int CEF_EXPORT cef_string_utf16_to_utf8(const char16* src, size_t src_len, cef_string_utf8_t* output) {
  return SetUtf8(standin::WideToUtf8(src, src_len), output);
}
int CEF_EXPORT cef_string_ascii_to_wide(const char* src, size_t src_len, cef_string_wide_t* output) {
  std::wstring w;
  for (size_t i = 0; src && i < src_len; ++i) w += static_cast<wchar_t>(static_cast<unsigned char>(src[i]));
  return SetString(w.data(), w.size(), output, 1, &FreeWide);
}
int CEF_EXPORT cef_string_ascii_to_utf16(const char* src, size_t src_len, cef_string_utf16_t* output) {
  std::wstring w;
  for (size_t i = 0; src && i < src_len; ++i) w += static_cast<wchar_t>(static_cast<unsigned char>(src[i]));
  return SetUtf16(w, output);
}
cef_string_userfree_wide_t CEF_EXPORT cef_string_userfree_wide_alloc(void) {
  return static_cast<cef_string_userfree_wide_t>(std::calloc(1, sizeof(cef_string_wide_t)));
}
cef_string_userfree_utf8_t CEF_EXPORT cef_string_userfree_utf8_alloc(void) {
  return static_cast<cef_string_userfree_utf8_t>(std::calloc(1, sizeof(cef_string_utf8_t)));
}
cef_string_userfree_utf16_t CEF_EXPORT cef_string_userfree_utf16_alloc(void) {
  return static_cast<cef_string_userfree_utf16_t>(std::calloc(1, sizeof(cef_string_utf16_t)));
}
void CEF_EXPORT cef_string_userfree_wide_free(cef_string_userfree_wide_t str) {
  ClearString(str);
  std::free(str);
}
void CEF_EXPORT cef_string_userfree_utf8_free(cef_string_userfree_utf8_t str) {
  ClearString(str);
  std::free(str);
}
void CEF_EXPORT cef_string_userfree_utf16_free(cef_string_userfree_utf16_t str) {
  ClearString(str);
  std::free(str);
}
int CEF_EXPORT cef_string_utf16_to_lower(const char16* src, size_t src_len, cef_string_utf16_t* output) {
  std::wstring w(src ? src : L"", src ? src_len : 0);
  if (!w.empty()) CharLowerBuffW(w.data(), static_cast<DWORD>(w.size()));
  return SetUtf16(w, output);
}
int CEF_EXPORT cef_string_utf16_to_upper(const char16* src, size_t src_len, cef_string_utf16_t* output) {
  std::wstring w(src ? src : L"", src ? src_len : 0);
  if (!w.empty()) CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
  return SetUtf16(w, output);
}

// --- String lists --------------------------------------------------------------------------

cef_string_list_t CEF_EXPORT cef_string_list_alloc(void) { return new StringList(); }
size_t CEF_EXPORT cef_string_list_size(cef_string_list_t list) {
  return list ? static_cast<StringList*>(list)->items.size() : 0;
}
int CEF_EXPORT cef_string_list_value(cef_string_list_t list, size_t index, cef_string_t* value) {
  if (!list || !value) return 0;
  auto& items = static_cast<StringList*>(list)->items;
  if (index >= items.size()) return 0;
  return SetUtf16(items[index], value);
}
void CEF_EXPORT cef_string_list_append(cef_string_list_t list, const cef_string_t* value) {
  if (list) static_cast<StringList*>(list)->items.push_back(W(value));
}
void CEF_EXPORT cef_string_list_clear(cef_string_list_t list) {
  if (list) static_cast<StringList*>(list)->items.clear();
}
void CEF_EXPORT cef_string_list_free(cef_string_list_t list) { delete static_cast<StringList*>(list); }
cef_string_list_t CEF_EXPORT cef_string_list_copy(cef_string_list_t list) {
  return list ? new StringList(*static_cast<StringList*>(list)) : nullptr;
}

// --- String maps (one value per key; appending an existing key fails) ----------------------

cef_string_map_t CEF_EXPORT cef_string_map_alloc(void) { return new StringMap(); }
size_t CEF_EXPORT cef_string_map_size(cef_string_map_t map) {
  return map ? static_cast<StringMap*>(map)->items.size() : 0;
}
int CEF_EXPORT cef_string_map_find(cef_string_map_t map, const cef_string_t* key, cef_string_t* value) {
  if (!map || !value) return 0;
  std::wstring k = W(key);
  for (const auto& kv : static_cast<StringMap*>(map)->items)
    if (kv.first == k) return SetUtf16(kv.second, value);
  return 0;
}
int CEF_EXPORT cef_string_map_key(cef_string_map_t map, size_t index, cef_string_t* key) {
  if (!map || !key) return 0;
  auto& items = static_cast<StringMap*>(map)->items;
  return index < items.size() ? SetUtf16(items[index].first, key) : 0;
}
int CEF_EXPORT cef_string_map_value(cef_string_map_t map, size_t index, cef_string_t* value) {
  if (!map || !value) return 0;
  auto& items = static_cast<StringMap*>(map)->items;
  return index < items.size() ? SetUtf16(items[index].second, value) : 0;
}
int CEF_EXPORT cef_string_map_append(cef_string_map_t map, const cef_string_t* key, const cef_string_t* value) {
  if (!map) return 0;
  auto& items = static_cast<StringMap*>(map)->items;
  std::wstring k = W(key);
  for (const auto& kv : items)
    if (kv.first == k) return 0;
  items.emplace_back(k, W(value));
  return 1;
}
void CEF_EXPORT cef_string_map_clear(cef_string_map_t map) {
  if (map) static_cast<StringMap*>(map)->items.clear();
}
void CEF_EXPORT cef_string_map_free(cef_string_map_t map) { delete static_cast<StringMap*>(map); }

// --- String multimaps ---------------------------------------------------------------------

cef_string_multimap_t CEF_EXPORT cef_string_multimap_alloc(void) { return new StringMap(); }
size_t CEF_EXPORT cef_string_multimap_size(cef_string_multimap_t map) {
  return map ? static_cast<StringMap*>(map)->items.size() : 0;
}
size_t CEF_EXPORT cef_string_multimap_find_count(cef_string_multimap_t map, const cef_string_t* key) {
  if (!map) return 0;
  std::wstring k = W(key);
  size_t n = 0;
  for (const auto& kv : static_cast<StringMap*>(map)->items)
    if (kv.first == k) ++n;
  return n;
}
int CEF_EXPORT cef_string_multimap_enumerate(cef_string_multimap_t map, const cef_string_t* key, size_t value_index,
                                             cef_string_t* value) {
  if (!map || !value) return 0;
  std::wstring k = W(key);
  for (const auto& kv : static_cast<StringMap*>(map)->items)
    if (kv.first == k && value_index-- == 0) return SetUtf16(kv.second, value);
  return 0;
}
int CEF_EXPORT cef_string_multimap_key(cef_string_multimap_t map, size_t index, cef_string_t* key) {
  return cef_string_map_key(map, index, key);
}
int CEF_EXPORT cef_string_multimap_value(cef_string_multimap_t map, size_t index, cef_string_t* value) {
  return cef_string_map_value(map, index, value);
}
int CEF_EXPORT cef_string_multimap_append(cef_string_multimap_t map, const cef_string_t* key,
                                          const cef_string_t* value) {
  if (!map) return 0;
  static_cast<StringMap*>(map)->items.emplace_back(W(key), W(value));
  return 1;
}
void CEF_EXPORT cef_string_multimap_clear(cef_string_multimap_t map) { cef_string_map_clear(map); }
void CEF_EXPORT cef_string_multimap_free(cef_string_multimap_t map) { delete static_cast<StringMap*>(map); }

}  // extern "C"

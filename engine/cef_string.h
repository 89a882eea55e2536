// Conversions between the engine's strings and ours.
#pragma once

#include <string>

#include "engine/cef_capi.h"

namespace lzg {

// A copy of an engine string (null or empty gives empty).
std::wstring CefToWString(const cef_string_t* s);

// A view of our text as an engine string: no copy, no destructor. Valid while
// `text` lives unchanged; an empty text gives a pointer to an empty, zero-terminated text.
cef_string_t CefStringView(const std::wstring& text);

// Takes an engine-allocated string: copies it and frees it through the bound library.
std::wstring CefTakeUserFree(cef_string_userfree_t s);

}  // namespace lzg

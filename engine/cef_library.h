// The process-wide table of the engine library's exported functions. Filled by the start-up's library binding,
// group by group (all of a group or none); every other part of the client calls the engine through it.
#pragma once

#include <windows.h>

#include "engine/cef_capi.h"

namespace lzg {

struct CefApi {
#define LZG_CEF_API_FIELD(group, name) name##_ptr name = nullptr;
  CEF_EXPORTED_FUNCTIONS(LZG_CEF_API_FIELD)
#undef LZG_CEF_API_FIELD
};

extern CefApi g_cef;

// Binds every export of `library` into g_cef, group by group; a group is written only when all of it is found.
// Returns the first missing name, or null when everything is bound (CefLibraryBound() then holds).
const char* BindCefExports(HMODULE library);

// Every export is bound. The library stays loaded to the process's end, so this never turns false again.
bool CefLibraryBound() noexcept;

}  // namespace lzg

// The process-wide table of the engine library's exported functions.
// Filled by the start-up's library binding, group by group (all of a group or
// none); every other part of the client calls the engine through it.
#pragma once

#include "engine/cef_capi.h"

namespace lzg {

struct CefApi {
#define LZG_CEF_API_FIELD(group, name) name##_ptr name = nullptr;
  CEF_EXPORTED_FUNCTIONS(LZG_CEF_API_FIELD)
#undef LZG_CEF_API_FIELD
};

extern CefApi g_cef;

}  // namespace lzg

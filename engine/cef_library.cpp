#include "engine/cef_library.h"

#include <atomic>
#include <cstring>
#include <vector>

namespace lzg {

CefApi g_cef;

namespace {

std::atomic<bool> g_bound{false};

struct ExportSlot {
  const char* group;
  const char* name;
  void* slot;  // the field of g_cef
};

const ExportSlot kExports[] = {
#define LZG_EXPORT_SLOT(group, name) {#group, #name, &g_cef.name},
    CEF_EXPORTED_FUNCTIONS(LZG_EXPORT_SLOT)
#undef LZG_EXPORT_SLOT
};
static_assert(sizeof(kExports) / sizeof(kExports[0]) == kCefExportedFunctionCount);

}  // namespace

const char* BindCefExports(HMODULE library) {
  const size_t count = sizeof(kExports) / sizeof(kExports[0]);
  size_t i = 0;
  while (i < count) {
    size_t end = i;
    while (end < count && std::strcmp(kExports[end].group, kExports[i].group) == 0) ++end;
    std::vector<FARPROC> found;
    for (size_t k = i; k < end; ++k) {
      FARPROC f = GetProcAddress(library, kExports[k].name);
      if (!f) return kExports[k].name;
      found.push_back(f);
    }
    for (size_t k = i; k < end; ++k) std::memcpy(kExports[k].slot, &found[k - i], sizeof(FARPROC));
    i = end;
  }
  g_bound = true;
  return nullptr;
}

bool CefLibraryBound() noexcept { return g_bound.load(); }

}  // namespace lzg

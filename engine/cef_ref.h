// References to engine objects: adding and releasing one, and one owned reference to an engine object that
// the engine handed us (a callback argument or a return value), released when the holder goes out of scope.
#pragma once

#include <utility>

#include "engine/cef_capi.h"

namespace lzg {

// Every counted engine struct begins with its base, so an opaque one can be
// released too.
inline void ReleaseCefObject(void* object) noexcept {
  if (!object) return;
  auto* base = static_cast<cef_base_ref_counted_t*>(object);
  if (base->release) base->release(base);
}

// For a reference of our own beyond the call that handed us the object, or one the engine takes over.
inline void AddRefCefObject(void* object) noexcept {
  if (!object) return;
  auto* base = static_cast<cef_base_ref_counted_t*>(object);
  if (base->add_ref) base->add_ref(base);
}

// The engine's identifier of a browser; 0 for none.
inline int BrowserIdOf(cef_browser_t* browser) noexcept {
  return browser && browser->get_identifier ? browser->get_identifier(browser) : 0;
}

template <class T>
class CefRef {
 public:
  CefRef() = default;
  explicit CefRef(T* adopted) noexcept : p_(adopted) {}
  CefRef(const CefRef&) = delete;
  CefRef& operator=(const CefRef&) = delete;
  CefRef(CefRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  CefRef& operator=(CefRef&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = std::exchange(o.p_, nullptr);
    }
    return *this;
  }
  ~CefRef() { reset(); }

  void reset() noexcept { ReleaseCefObject(std::exchange(p_, nullptr)); }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace lzg

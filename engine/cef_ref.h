// One owned reference to an engine object that the engine handed us (a callback
// argument or a return value): released when the holder goes out of scope.
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

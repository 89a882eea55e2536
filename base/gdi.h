// Scoped GDI: an object owned for a scope, and a memory device context with an object selected into it.
#pragma once

#include <windows.h>

#include <utility>

namespace lzg {

template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H handle) noexcept : h_(handle) {}
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  ~GdiObject() { reset(); }

  void reset(H handle = nullptr) noexcept {
    if (h_) DeleteObject(h_);
    h_ = handle;
  }
  H release() noexcept { return std::exchange(h_, nullptr); }
  H get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != nullptr; }

 private:
  H h_ = nullptr;
};

// A memory device context compatible with `like` (the screen when null), `object` selected while it lives.
class MemoryDC {
 public:
  MemoryDC(HDC like, HGDIOBJ object) noexcept
      : dc_(CreateCompatibleDC(like)), old_(dc_ && object ? SelectObject(dc_, object) : nullptr) {}
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  ~MemoryDC() {
    if (old_) SelectObject(dc_, old_);
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const noexcept { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace lzg

// Window arithmetic over every int: no overflow (UBSan), and the results obey
// the rules' own bounds.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "gamewindow/placement.h"
#include "ui/placement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int v[8] = {};
  std::memcpy(v, data, size < sizeof v ? size : sizeof v);
  lzg::Point p = lzg::PresetPosition(v[0], v[1], v[2], v[3], v[4], v[5]);
  if (int64_t{v[0]} <= int64_t{v[2]} + v[4] && p.x != -lzg::HalfRoundEven(v[4]) &&
      lzg::HalfRoundEven(v[4]) != INT32_MIN)
    std::abort();
  if (int64_t{v[1]} <= int64_t{v[3]} + v[5] + 6 && p.y != 0) std::abort();
  lzg::Point d = lzg::DialogPosition(v[0], v[1], v[2], v[3], v[4], v[5]);
  // A dialog that fits the work area always ends wholly inside it.
  const int wx = v[6] >> 8, wy = v[7] >> 8;  // no overflow in the harness itself
  const lzg::Rect work{wx, wy, wx + (v[2] & 0xFFFF), wy + (v[3] & 0xFFFF)};
  const int dw = v[4] & 0x7FFF, dh = v[5] & 0x7FFF;
  const lzg::Point k = lzg::KeepInside(d, dw, dh, lzg::WorkAreaFor({v[0] >> 1, v[1] >> 1, (v[0] >> 1) + 10, (v[1] >> 1) + 10}, {{work, work}}));
  if (int64_t{work.right} - work.left >= dw && (k.x < work.left || int64_t{k.x} + dw > work.right)) std::abort();
  if (int64_t{work.bottom} - work.top >= dh && (k.y < work.top || int64_t{k.y} + dh > work.bottom)) std::abort();
  ui::Point u = ui::CenterOn(ui::Box{v[0], v[1], v[2], v[3]}, v[4], v[5], v[6], v[7]);
  if (u.x < v[6] || u.y < v[7]) std::abort();
  int64_t n = (int64_t{v[6]} << 32) ^ static_cast<uint32_t>(v[7]);
  int h = lzg::HalfRoundEven(n);
  if (n > -(int64_t{1} << 31) && n < (int64_t{1} << 31)) {
    int64_t twice = int64_t{h} * 2;
    if (twice - n > 1 || n - twice > 1 || (twice != n && (h % 2) != 0)) std::abort();
  }
  return 0;
}

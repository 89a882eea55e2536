// Anti-aliased shapes for the frame's small parts (caption buttons, title items), which GDI
// alone draws with jagged edges. No Windows call: the canvas is premultiplied BGRA rows,
// ready for AlphaBlend with AC_SRC_ALPHA.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/skin_format.h"

namespace lzg::skin {

struct Canvas {
  Canvas(int w, int h) : width(w), height(h), px(static_cast<size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0), 0) {}
  int width, height;
  std::vector<uint32_t> px;  // 0xAARRGGBB, premultiplied, top row first
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// A rounded rectangle over [x0, x1) x [y0, y1) with a vertical gradient from `top` to
// `bottom`, composited over what is there. `opacity` 0..255 scales the whole shape.
void FillRoundRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, Color top, Color bottom,
                   int opacity = 255);

// A straight stroke with round ends, `width` pixels wide, from (ax, ay) to (bx, by).
void StrokeLine(Canvas& c, float ax, float ay, float bx, float by, float width, Color color, int opacity = 255);

}  // namespace lzg::skin

#include "skin/raster.h"

#include <algorithm>
#include <cmath>

namespace lzg::skin {

namespace {

// Composites a straight colour with coverage `alpha` (0..1) over a premultiplied pixel.
void Over(uint32_t& dst, Color color, float alpha) {
  if (alpha <= 0.f) return;
  const uint32_t a = static_cast<uint32_t>(std::lround(std::min(alpha, 1.f) * 255.f));
  if (a == 0) return;
  const uint32_t inv = 255 - a;
  const auto ch = [&](int shift, uint32_t src) {
    const uint32_t d = (dst >> shift) & 255;
    return std::min<uint32_t>(255, (src * a + 127) / 255 + (d * inv + 127) / 255);
  };
  dst = ch(24, 255) << 24 | ch(16, (color >> 16) & 255) << 16 | ch(8, (color >> 8) & 255) << 8 | ch(0, color & 255);
}

Color Mix(Color a, Color b, float t) {
  const auto ch = [&](int shift) {
    const float v = ((a >> shift) & 255) * (1.f - t) + ((b >> shift) & 255) * t;
    return static_cast<Color>(std::lround(v)) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

// Area of the pixel centred at (px, py) inside a shape whose signed distance there is d.
float Coverage(float d) { return std::clamp(0.5f - d, 0.f, 1.f); }

}  // namespace

void FillRoundRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, Color top, Color bottom,
                   int opacity) {
  if (x1 <= x0 || y1 <= y0) return;
  const float hw = (x1 - x0) / 2, hh = (y1 - y0) / 2;
  const float r = std::clamp(radius, 0.f, std::min(hw, hh));
  const float cx = x0 + hw, cy = y0 + hh;
  const float scale = std::clamp(opacity, 0, 255) / 255.f;
  const int xs = std::max(0, static_cast<int>(std::floor(x0))), xe = std::min(c.width, static_cast<int>(std::ceil(x1)));
  const int ys = std::max(0, static_cast<int>(std::floor(y0))), ye = std::min(c.height, static_cast<int>(std::ceil(y1)));
  for (int y = ys; y < ye; ++y) {
    const float py = y + 0.5f;
    const Color color = Mix(top, bottom, std::clamp((py - y0) / (y1 - y0), 0.f, 1.f));
    for (int x = xs; x < xe; ++x) {
      const float qx = std::fabs(x + 0.5f - cx) - (hw - r), qy = std::fabs(py - cy) - (hh - r);
      const float outside = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f));
      const float d = outside + std::min(std::max(qx, qy), 0.f) - r;
      Over(c.px[static_cast<size_t>(y) * c.width + x], color, Coverage(d) * scale);
    }
  }
}

void StrokeLine(Canvas& c, float ax, float ay, float bx, float by, float width, Color color, int opacity) {
  const float hw = width / 2;
  const float scale = std::clamp(opacity, 0, 255) / 255.f;
  const float dx = bx - ax, dy = by - ay;
  const float len2 = dx * dx + dy * dy;
  const int xs = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - hw - 1)));
  const int xe = std::min(c.width, static_cast<int>(std::ceil(std::max(ax, bx) + hw + 1)));
  const int ys = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - hw - 1)));
  const int ye = std::min(c.height, static_cast<int>(std::ceil(std::max(ay, by) + hw + 1)));
  for (int y = ys; y < ye; ++y)
    for (int x = xs; x < xe; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float t = len2 > 0 ? std::clamp(((px - ax) * dx + (py - ay) * dy) / len2, 0.f, 1.f) : 0.f;
      const float d = std::hypot(px - (ax + t * dx), py - (ay + t * dy)) - hw;
      Over(c.px[static_cast<size_t>(y) * c.width + x], color, Coverage(d) * scale);
    }
}

}  // namespace lzg::skin

#include "gamewindow/placement.h"

#include <algorithm>
#include <limits>

namespace lzg {
namespace {
int Clamp32(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
}  // namespace

int HalfRoundEven(int64_t n) {
  // floor(n / 2) and the remainder 0 or 1, also for negative n.
  int64_t q = n / 2;
  if (n % 2 != 0 && n < 0) --q;
  int64_t r = n - 2 * q;
  if (r != 0 && (q % 2 != 0)) ++q;
  return Clamp32(q);
}

int HalfTowardZero(int64_t n) { return Clamp32(n / 2); }

Point PresetPosition(int screenW, int screenH, int baseW, int baseH, int borderW, int borderH) {
  Point p;
  // Signed and strict, in 64 bits so that hostile configuration values cannot wrap.
  if (int64_t{screenW} > int64_t{baseW} + borderW) {
    p.x = HalfRoundEven(int64_t{screenW} - baseW - borderW);
  } else {
    p.x = Clamp32(-int64_t{HalfRoundEven(borderW)});
  }
  // The test counts the frame height and a margin of 6; the formula uses a fixed 50.
  if (int64_t{screenH} > int64_t{baseH} + borderH + 6) {
    p.y = HalfRoundEven(int64_t{screenH} - baseH - 50);
  } else {
    p.y = 0;
  }
  return p;
}

Point DialogPosition(int ownerLeft, int ownerTop, int ownerClientW, int ownerClientH, int dialogClientW,
                     int dialogClientH) {
  Point p;
  p.x = Clamp32(int64_t{ownerLeft} + HalfTowardZero(int64_t{ownerClientW} - dialogClientW));
  p.y = Clamp32(int64_t{ownerTop} + HalfTowardZero(int64_t{ownerClientH} - dialogClientH));
  return p;
}

namespace {
int64_t Overlap(int a0, int a1, int b0, int b1) { return std::max<int64_t>(0, int64_t{std::min(a1, b1)} - std::max(a0, b0)); }
// How far apart two intervals are (0 when they touch or overlap).
int64_t Gap(int a0, int a1, int b0, int b1) {
  return std::max<int64_t>({0, int64_t{b0} - a1, int64_t{a0} - b1});
}
}  // namespace

Rect WorkAreaFor(const Rect& window, const std::vector<Monitor>& monitors) {
  const Monitor* best = nullptr;
  int64_t bestArea = 0;
  for (const Monitor& m : monitors) {
    const int64_t area = Overlap(window.left, window.right, m.bounds.left, m.bounds.right) *
                         Overlap(window.top, window.bottom, m.bounds.top, m.bounds.bottom);
    if (area > bestArea) {
      bestArea = area;
      best = &m;
    }
  }
  if (!best) {
    // Off every screen: the nearest one, by the squared distance between the rectangles.
    double bestDistance = 0;
    for (const Monitor& m : monitors) {
      const double dx = static_cast<double>(Gap(window.left, window.right, m.bounds.left, m.bounds.right));
      const double dy = static_cast<double>(Gap(window.top, window.bottom, m.bounds.top, m.bounds.bottom));
      const double d = dx * dx + dy * dy;
      if (!best || d < bestDistance) {
        bestDistance = d;
        best = &m;
      }
    }
  }
  return best ? best->work : Rect{};
}

Point KeepInside(Point p, int width, int height, const Rect& area) {
  auto fit = [](int at, int size, int low, int high) {
    const int64_t last = int64_t{high} - std::max(size, 0);
    if (at > last) at = Clamp32(last);
    return std::max(at, low);  // larger than the area: its start
  };
  return Point{fit(p.x, width, area.left, area.right), fit(p.y, height, area.top, area.bottom)};
}

}  // namespace lzg

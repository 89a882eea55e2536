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

}  // namespace lzg

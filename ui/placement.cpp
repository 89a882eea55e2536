#include "ui/placement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace ui {

Point CenterOn(const Box& area, int width, int height, int minLeft, int minTop) {
  // In 64 bits: window sizes from a configuration file may be anything.
  auto axis = [](int start, int areaSize, int size, int min) {
    int64_t v = int64_t{start} + (int64_t{areaSize} - size) / 2;
    v = std::max<int64_t>(v, min);
    return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max()));
  };
  return Point{axis(area.left, area.width, width, minLeft), axis(area.top, area.height, height, minTop)};
}

}  // namespace ui

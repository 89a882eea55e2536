#include "ui/placement.h"

namespace ui {

Point CenterOn(const Box& area, int width, int height, int minLeft, int minTop) {
  Point p{area.left + (area.width - width) / 2, area.top + (area.height - height) / 2};
  if (p.x < minLeft) p.x = minLeft;
  if (p.y < minTop) p.y = minTop;
  return p;
}

}  // namespace ui

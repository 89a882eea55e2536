// Placement arithmetic of the window framework. No Windows headers: the rules
// are plain integer arithmetic and are tested natively as well.
#pragma once

namespace ui {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

// Top-left corner of a width x height window centred on `area`; the halves are
// integer divisions that truncate toward zero (a window larger than the area
// gets a negative offset). The result is never left of minLeft nor above
// minTop (the virtual desktop's edges).
Point CenterOn(const Box& area, int width, int height, int minLeft, int minTop);

}  // namespace ui

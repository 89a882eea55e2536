// Window-position arithmetic of the game window and the exit dialog.
// No Windows calls here: the same code builds natively for the fuzz targets.
#pragma once

#include <cstdint>
#include <vector>

namespace lzg {

// Round(n / 2) with halves to the even neighbour (571 -> 286, 569 -> 284).
int HalfRoundEven(int64_t n);

// Integer halving toward zero, as the dialog placement does it.
int HalfTowardZero(int64_t n);

struct Point {
  int x = 0;
  int y = 0;
};

// Position after a size preset is chosen: centred from the configuration's base
// size (not the preset's), with the frame measured before the change.
Point PresetPosition(int screenW, int screenH, int baseW, int baseH, int borderW, int borderH);

// The exit dialog's placement on every showing: centred on a box of the game
// window's client size placed at the game window's outer top-left corner.
Point DialogPosition(int ownerLeft, int ownerTop, int ownerClientW, int ownerClientH, int dialogClientW,
                     int dialogClientH);

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A display: its whole rectangle and the part of it that windows may use (its work area).
struct Monitor {
  Rect bounds;
  Rect work;
};

// The work area of the monitor that holds `window`: the one it overlaps most, else the one nearest to it
// (the first of equals: list the primary monitor first). An empty list gives an empty rectangle.
Rect WorkAreaFor(const Rect& window, const std::vector<Monitor>& monitors);

// The top-left corner a width x height box at `p` moves to, by the least distance, to lie wholly inside
// `area`; a box larger than the area keeps to its top-left corner.
Point KeepInside(Point p, int width, int height, const Rect& area);

}  // namespace lzg

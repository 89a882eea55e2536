// Window-position arithmetic of the game window and the exit dialog.
// No Windows calls here: the same code builds natively for the fuzz targets.
#pragma once

#include <cstdint>

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

}  // namespace lzg

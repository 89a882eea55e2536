// Where everything of a skinned frame lies, and what a point of it is. No Windows call:
// coordinates are relative to the window's top-left corner, in pixels.
#pragma once

#include <vector>

#include "skin/skin_format.h"

namespace lzg::skin {

struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return !Empty() && x >= left && x < right && y >= top && y < bottom; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const Box&) const = default;
};

struct ItemInput {
  bool right = false;   // aligned to the right end, next to the caption buttons
  bool button = false;  // else an info label
  int textWidth = 0;    // the caption's width in the item's font
};

struct FrameInput {
  int width = 0, height = 0;  // the window's outer size
  bool closeButton = true;    // WS_SYSMENU
  bool minButton = false;     // WS_MINIMIZEBOX
  bool maxButton = false;     // WS_MAXIMIZEBOX
  bool maximized = false;     // no side and bottom borders: the window fills the work area
  bool sizable = false;       // WS_THICKFRAME: the borders resize
  bool icon = false;          // a small icon at the left end
  int iconSize = 16;
  int itemMargin = 6;
  std::vector<ItemInput> items;
};

struct FrameLayout {
  int border = 0;  // side and bottom border actually used
  Box client;
  Box title;  // the title bar, whole width, from the top edge
  Box icon;
  Box close, max, min;
  Box caption;             // the window text's box, used only when there are no items
  std::vector<Box> items;  // by item index; an item that does not fit is empty
};

// The frame's total thickness around the client area for this theme: left + right, top + bottom.
int FrameWidth(const SkinTheme& theme, bool maximized);
int FrameHeight(const SkinTheme& theme, bool maximized);

FrameLayout ComputeFrameLayout(const FrameInput& in, const SkinTheme& theme);

// Mirrors every box across the window's width, for right-to-left windows.
FrameLayout Mirror(const FrameLayout& layout, int width);

enum class FramePart {
  Nowhere,
  Client,
  Caption,  // drags the window
  Border,   // fixed border
  Left, Right, Top, Bottom, TopLeft, TopRight, BottomLeft, BottomRight,  // resizing
  Close, Max, Min,
  Item,  // a button item (info items count as Caption)
};

struct FrameHit {
  FramePart part = FramePart::Nowhere;
  int item = -1;
};

FrameHit HitTestFrame(const FrameLayout& layout, const FrameInput& in, int x, int y);

}  // namespace lzg::skin

#include "skin/frame_layout.h"

#include <algorithm>

namespace lzg::skin {

namespace {

// Corners of a resizable frame grab a little more than the border itself.
constexpr int kCornerGrip = 12;
constexpr int kEdgeInset = 4;  // between the border and the outermost caption button

}  // namespace

int FrameWidth(const SkinTheme& theme, bool maximized) { return maximized ? 0 : 2 * theme.borderWidth; }

int FrameHeight(const SkinTheme& theme, bool maximized) {
  return theme.titleHeight + (maximized ? 0 : theme.borderWidth);
}

FrameLayout ComputeFrameLayout(const FrameInput& in, const SkinTheme& theme) {
  FrameLayout l;
  l.border = in.maximized ? 0 : theme.borderWidth;
  const int b = l.border;
  l.title = {0, 0, in.width, theme.titleHeight};
  l.client = {b, theme.titleHeight, in.width - b, in.height - b};
  if (l.client.right < l.client.left) l.client.right = l.client.left;
  if (l.client.bottom < l.client.top) l.client.bottom = l.client.top;

  // Everything in the bar is centred on the band above the accent line, below the top
  // border (which a maximised window hides).
  const int bandTop = in.maximized ? 0 : b / 2;
  const int bandBottom = theme.titleHeight - theme.accentHeight;
  const auto centred = [&](int h) {
    const int top = bandTop + (bandBottom - bandTop - h) / 2;
    return std::pair{top, top + h};
  };

  // Caption buttons from the right: close, maximise/restore, minimise.
  int right = in.width - b - kEdgeInset;
  const std::pair<int, int> btn = centred(theme.buttonHeight);  // top, bottom
  const auto place = [&](Box& box) {
    box = {right - theme.buttonWidth, btn.first, right, btn.second};
    right = box.left - theme.buttonSpacing;
  };
  if (in.closeButton) place(l.close);
  // Windows shows both boxes when either style bit is there (the other disabled); the
  // skin shows only what works.
  if (in.closeButton && in.maxButton) place(l.max);
  if (in.closeButton && in.minButton) place(l.min);
  int rightLimit = right + theme.buttonSpacing - in.itemMargin;

  int left = b + 6;
  if (in.icon) {
    const auto [top, bottom] = centred(in.iconSize);
    l.icon = {left, top, left + in.iconSize, bottom};
    left = l.icon.right + in.itemMargin;
  }

  l.items.assign(in.items.size(), Box{});
  const auto [itemTop, itemBottom] = centred(theme.itemHeight);
  const auto widthOf = [&](const ItemInput& it) {
    return std::max(0, it.textWidth) + (it.button ? 2 * theme.itemPadding : 0);
  };
  // Right items first: they hold the controls, and the left ones give way.
  for (size_t i = 0; i < in.items.size(); ++i) {
    if (!in.items[i].right) continue;
    const int w = widthOf(in.items[i]);
    if (rightLimit - w < left) continue;  // no room at all
    l.items[i] = {rightLimit - w, itemTop, rightLimit, itemBottom};
    rightLimit = l.items[i].left - in.itemMargin;
  }
  for (size_t i = 0; i < in.items.size(); ++i) {
    if (in.items[i].right) continue;
    const int w = widthOf(in.items[i]);
    const int r = std::min(left + w, rightLimit);
    if (r - left < 8) continue;
    // Info items are as tall as the band, so their text centres like the caption's.
    l.items[i] = in.items[i].button ? Box{left, itemTop, r, itemBottom} : Box{left, bandTop, r, bandBottom};
    left = r + in.itemMargin;
  }
  l.caption = {left, bandTop, std::max(left, rightLimit), bandBottom};
  return l;
}

FrameLayout Mirror(const FrameLayout& layout, int width) {
  FrameLayout m = layout;
  const auto flip = [width](Box& box) {
    if (box.Empty()) return;
    box = {width - box.right, box.top, width - box.left, box.bottom};
  };
  for (Box* box : {&m.client, &m.title, &m.icon, &m.close, &m.max, &m.min, &m.caption}) flip(*box);
  for (Box& box : m.items) flip(box);
  return m;
}

FrameHit HitTestFrame(const FrameLayout& l, const FrameInput& in, int x, int y) {
  if (x < 0 || y < 0 || x >= in.width || y >= in.height) return {};
  if (l.client.Contains(x, y)) return {FramePart::Client};
  if (l.close.Contains(x, y)) return {FramePart::Close};
  if (l.max.Contains(x, y)) return {FramePart::Max};
  if (l.min.Contains(x, y)) return {FramePart::Min};

  const int b = l.border;
  const bool onLeft = x < b, onRight = x >= in.width - b, onTop = y < b, onBottom = y >= in.height - b;
  if (b > 0 && (onLeft || onRight || onTop || onBottom)) {
    if (!in.sizable) return {FramePart::Border};
    const bool nearLeft = x < kCornerGrip, nearRight = x >= in.width - kCornerGrip;
    const bool nearTop = y < kCornerGrip, nearBottom = y >= in.height - kCornerGrip;
    if (nearTop && nearLeft) return {FramePart::TopLeft};
    if (nearTop && nearRight) return {FramePart::TopRight};
    if (nearBottom && nearLeft) return {FramePart::BottomLeft};
    if (nearBottom && nearRight) return {FramePart::BottomRight};
    if (onLeft) return {FramePart::Left};
    if (onRight) return {FramePart::Right};
    if (onTop) return {FramePart::Top};
    return {FramePart::Bottom};
  }
  for (size_t i = 0; i < l.items.size() && i < in.items.size(); ++i)
    if (in.items[i].button && l.items[i].Contains(x, y)) return {FramePart::Item, static_cast<int>(i)};
  if (l.title.Contains(x, y)) return {FramePart::Caption};
  return {FramePart::Border};
}

}  // namespace lzg::skin

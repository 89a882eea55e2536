// The window-position arithmetic of the game window and the exit dialog: preset placement, dialog placement,
// the work area of the monitor that holds a window, and a dialog kept inside it.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gamewindow/placement.h"
#include "ui/placement.h"

namespace {

TEST(Placement, HalfRoundEven) {
  struct Case { long long n; int want; } cases[] = {
      {571, 286}, {569, 284}, {570, 285}, {0, 0}, {1, 0}, {3, 2}, {-1, 0}, {-3, -2}, {-16, -8}, {15, 8}, {-15, -8},
  };
  for (auto c : cases) EXPECT_EQ(lzg::HalfRoundEven(c.n), c.want) << c.n;
  // Extremes are clamped, never negated past the range (found by fuzzing).
  EXPECT_EQ(lzg::HalfRoundEven(INT64_MIN), INT32_MIN);
  EXPECT_EQ(lzg::HalfRoundEven(INT64_MAX), INT32_MAX);
}

TEST(Placement, PresetPositionWorkedExamples) {
  struct Case { int sw, sh, bw, bh, fw, fh, left, top; } cases[] = {
      {1920, 1080, 1334, 750, 16, 39, 285, 140},  // any preset but 6 on a full-HD screen
      {1920, 1080, 1334, 750, 15, 39, 286, 140},  // 571 / 2 rounds to the even 286
      {1280, 1024, 1334, 750, 16, 39, -8, 112},   // screen narrower than the base: client edge at the screen edge
      {1366, 768, 1334, 750, 16, 39, 8, 0},       // 768 is not greater than 750 + 39 + 6
      {1920, 795, 1334, 750, 16, 39, 285, 0},     // equal is not greater
      {1920, 796, 1334, 750, 16, 39, 285, -2},    // the formula subtracts 50, not the frame
      {1350, 1080, 1334, 750, 16, 39, -8, 140},   // strict: equal width takes the other branch
  };
  for (auto c : cases) {
    lzg::Point p = lzg::PresetPosition(c.sw, c.sh, c.bw, c.bh, c.fw, c.fh);
    EXPECT_EQ(p.x, c.left) << c.sw << "x" << c.sh << " frame " << c.fw;
    EXPECT_EQ(p.y, c.top) << c.sw << "x" << c.sh << " frame " << c.fh;
  }
}

TEST(Placement, HostileSizesDoNotWrap) {
  lzg::Point p = lzg::PresetPosition(1920, 1080, INT32_MIN, INT32_MIN, 16, 39);
  EXPECT_GT(p.x, 0);
  EXPECT_GT(p.y, 0);
  p = lzg::PresetPosition(1920, 1080, INT32_MAX, INT32_MAX, 16, 39);
  EXPECT_EQ(p.x, -8);
  EXPECT_EQ(p.y, 0);
}

TEST(Placement, DialogWorkedExample) {
  // Game window at (100, 50), client 1334 x 750, frame 16 x 39 (outer 1350 x 789).
  lzg::Point later = lzg::DialogPosition(100, 50, 1334, 750, 600, 330);
  EXPECT_EQ(later.x, 467);
  EXPECT_EQ(later.y, 260);
  ui::Point first = ui::CenterOn(ui::Box{100, 50, 1350, 789}, 600, 330, 0, 0);
  EXPECT_EQ(first.x, 475);
  EXPECT_EQ(first.y, 279);
  // A window smaller than the dialog: negative offsets, truncated toward zero.
  EXPECT_EQ(lzg::DialogPosition(0, 0, 500, 331, 600, 330).x, -50);
  EXPECT_EQ(lzg::DialogPosition(0, 0, 599, 331, 600, 330).x, 0);
}

TEST(Placement, CentreNeverLeavesTheDesktop) {
  ui::Point p = ui::CenterOn(ui::Box{0, 0, 1920, 1040}, 2224, 1281, 0, 0);
  EXPECT_EQ(p.x, 0);
  EXPECT_EQ(p.y, 0);
  p = ui::CenterOn(ui::Box{0, 0, 1920, 1040}, 1350, 789, 0, 0);
  EXPECT_EQ(p.x, 285);
  EXPECT_EQ(p.y, 125);
}

}  // namespace

namespace {

// Two side-by-side 1920 x 1080 screens, the primary on the left with a 40-pixel taskbar at its bottom, the
// second one to the right and 200 pixels higher with its taskbar at its top.
const std::vector<lzg::Monitor> kTwo = {
    {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}},
    {{1920, -200, 3840, 880}, {1920, -160, 3840, 880}},
};

}  // namespace

TEST(Placement, WorkAreaOfTheMonitorThatHoldsTheWindow) {
  const struct {
    lzg::Rect window;
    int monitor;
  } cases[] = {
      {{100, 100, 900, 700}, 0},        // wholly on the primary
      {{2000, 0, 2800, 600}, 1},        // wholly on the second
      {{1500, 100, 2300, 700}, 0},      // 420 on the primary, 380 on the second
      {{1600, 100, 2400, 700}, 1},      // more on the second
      {{-32000, -32000, -31840, -31970}, 0},  // far off, nearest to the primary
      {{5000, -1000, 5800, -400}, 1},   // off to the right, nearest to the second
      {{0, 2000, 800, 2600}, 0},        // below the primary
  };
  for (const auto& c : cases) {
    const lzg::Rect work = lzg::WorkAreaFor(c.window, kTwo);
    EXPECT_EQ(work.left, kTwo[c.monitor].work.left) << c.window.left << "," << c.window.top;
    EXPECT_EQ(work.top, kTwo[c.monitor].work.top) << c.window.left << "," << c.window.top;
  }
  const lzg::Rect none = lzg::WorkAreaFor({0, 0, 10, 10}, {});
  EXPECT_EQ(none.right - none.left, 0);
}

TEST(Placement, DialogKeptWhollyInsideTheWorkArea) {
  const lzg::Rect work = kTwo[1].work;  // 1920..3840 x -160..880
  const struct {
    lzg::Point in;
    int w, h;
    lzg::Point out;
  } cases[] = {
      {{2000, 0}, 600, 330, {2000, 0}},           // already inside: unchanged
      {{3500, 0}, 600, 330, {3240, 0}},           // past the right edge
      {{1000, -500}, 600, 330, {1920, -160}},     // above and left of it
      {{2000, 800}, 600, 330, {2000, 550}},       // below the taskbar line
      {{-31700, -31850}, 600, 330, {1920, -160}}, // from a minimised window's rectangle
      {{2500, 0}, 4000, 2000, {1920, -160}},      // larger than the area: its top-left corner
  };
  for (const auto& c : cases) {
    const lzg::Point p = lzg::KeepInside(c.in, c.w, c.h, work);
    EXPECT_EQ(p.x, c.out.x) << c.in.x << "," << c.in.y;
    EXPECT_EQ(p.y, c.out.y) << c.in.x << "," << c.in.y;
  }
}

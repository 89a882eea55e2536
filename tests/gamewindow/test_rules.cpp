#include <gtest/gtest.h>

#include <string>

#include "gamewindow/placement.h"
#include "gamewindow/popup_policy.h"
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

TEST(PopupPolicy, Dispositions) {
  for (int d = -1; d <= 10; ++d) EXPECT_EQ(lzg::StartsNewInstance(d), d >= 3 && d <= 6) << d;
}

TEST(PopupPolicy, ParametersAreOneArgumentThatIsNoSwitch) {
  struct Case { std::wstring in, out; } cases[] = {
      {L"http://g.example/play?id=7&x=1", L"http://g.example/play?id=7&x=1"},
      {L"http://a b/c --type=renderer", L"http://a%20b/c%20--type=renderer"},
      {L"http://x/\"q\"", L"http://x/%22q%22"},
      {L"http://x/\t\r\n\x01", L"http://x/%09%0D%0A%01"},
      {L"--type=renderer", L"%2D-type=renderer"},
      {L"/c calc", L"%2Fc%20calc"},
      {L"http://x/%41", L"http://x/%41"},
      {L"http://游戏.cn/路径", L"http://游戏.cn/路径"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(lzg::EncodePopupParameters(c.in), c.out);
}

TEST(KeyPolicy, OnlyEscapeDownAndUpAreShortcuts) {
  EXPECT_TRUE(lzg::MarksShortcut(1, 27));
  EXPECT_TRUE(lzg::MarksShortcut(2, 27));
  EXPECT_FALSE(lzg::MarksShortcut(0, 27));
  EXPECT_FALSE(lzg::MarksShortcut(3, 27));
  EXPECT_FALSE(lzg::MarksShortcut(1, 13));
}

}  // namespace

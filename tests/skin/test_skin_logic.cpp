// Skin files, frame layout and hit testing, and the anti-aliased shapes: no window needed.
#include <gtest/gtest.h>

#include <string>

#include "skin/frame_layout.h"
#include "skin/raster.h"
#include "skin/skin_format.h"

namespace lzg::skin {
namespace {

const char kMinimalIni[] = "[Skin]\nVersion=1\n";

TEST(SkinFormat, UnpackTable) {
  struct Case {
    const char* what;
    std::string bytes;
    bool ok;
    std::map<std::string, std::string> files;
  };
  const std::string binary("a\0\nb\n", 5);
  const Case cases[] = {
      {"two files", "LZGSKIN 1\n3 a.ini\nabc5 my file\n" + binary, true, {{"a.ini", "abc"}, {"my file", binary}}},
      {"empty pack", "LZGSKIN 1\n", true, {}},
      {"empty file", "LZGSKIN 1\n0 e\n", true, {{"e", ""}}},
      {"wrong magic", "LZGSKIN 2\n3 a\nabc", false, {}},
      {"no magic", "3 a\nabc", false, {}},
      {"truncated data", "LZGSKIN 1\n4 a\nabc", false, {}},
      {"header without newline", "LZGSKIN 1\n3 a", false, {}},
      {"size not a number", "LZGSKIN 1\nx3 a\nabc", false, {}},
      {"negative size", "LZGSKIN 1\n-3 a\nabc", false, {}},
      {"no name", "LZGSKIN 1\n3 \nabc", false, {}},
      {"huge size", "LZGSKIN 1\n99999999999 a\nabc", false, {}},
  };
  for (const Case& c : cases) {
    std::map<std::string, std::string> files;
    std::string error;
    EXPECT_EQ(UnpackSkin(c.bytes, files, error), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(files, c.files) << c.what;
    } else {
      EXPECT_FALSE(error.empty()) << c.what;
    }
  }
}

TEST(SkinFormat, IniValuesOverDefaults) {
  SkinTheme t;
  std::string error;
  ASSERT_TRUE(ParseSkinIni("\xEF\xBB\xBF; comment\n[Skin]\r\nName = Blue Night \r\nVersion=1\n"
                           "[Frame]\nBorderWidth=7\ntitleheight=40\nAccent=#1a2B3c\n"
                           "[Future]\nSomething=else\n[Items]\nPadding=3\nShiny=yes\n",
                           t, error))
      << error;
  EXPECT_EQ(t.name, "Blue Night");
  EXPECT_EQ(t.borderWidth, 7);
  EXPECT_EQ(t.titleHeight, 40);
  EXPECT_EQ(t.accent, 0x1A2B3Cu);
  EXPECT_EQ(t.itemPadding, 3);
  EXPECT_EQ(t.buttonWidth, SkinTheme{}.buttonWidth);  // untouched default
}

TEST(SkinFormat, BadIniIsRefusedAndThemeUntouched) {
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"no skin section", "[Frame]\nBorderWidth=3\n"},
      {"no version", "[Skin]\nName=x\n"},
      {"version 2", "[Skin]\nVersion=2\n"},
      {"bad colour", std::string(kMinimalIni) + "[Title]\nText=#12345\n"},
      {"colour not hex", std::string(kMinimalIni) + "[Title]\nText=#12345G\n"},
      {"number not a number", std::string(kMinimalIni) + "[Frame]\nBorderWidth=four\n"},
      {"negative number", std::string(kMinimalIni) + "[Frame]\nBorderWidth=-1\n"},
      {"number out of range", std::string(kMinimalIni) + "[Frame]\nBorderWidth=500\n"},
      {"unclosed section", "[Skin\nVersion=1\n"},
      {"line without =", std::string(kMinimalIni) + "junk\n"},
      {"title too low", std::string(kMinimalIni) + "[Frame]\nBorderWidth=10\nTitleHeight=12\n"},
  };
  for (const auto& c : cases) {
    SkinTheme t;
    t.borderWidth = 99;
    std::string error;
    EXPECT_FALSE(ParseSkinIni(c.text, t, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(t.borderWidth, 99) << c.what;
  }
}

FrameInput Form(int w = 800, int h = 500) {
  FrameInput in;
  in.width = w;
  in.height = h;
  in.closeButton = in.minButton = in.maxButton = true;
  in.icon = true;
  return in;
}

TEST(FrameLayout, ButtonsItemsAndMargins) {
  const SkinTheme t;  // Topaz metrics: border 4, title 32 with a 2-pixel gold line, buttons 30 x 22, spacing 2
  FrameInput in = Form();
  in.items = {{true, true, 60}, {false, false, 200}, {true, false, 40}};
  const FrameLayout l = ComputeFrameLayout(in, t);
  EXPECT_EQ(l.client, (Box{4, 32, 796, 496}));
  EXPECT_EQ(l.close, (Box{762, 5, 792, 27}));
  EXPECT_EQ(l.max, (Box{730, 5, 760, 27}));
  EXPECT_EQ(l.min, (Box{698, 5, 728, 27}));
  EXPECT_EQ(l.icon, (Box{10, 8, 26, 24}));
  // Right items right to left in index order, 6 pixels apart and from the buttons; a button
  // item is padded, an info item is not.
  EXPECT_EQ(l.items[0], (Box{698 - 6 - 84, 5, 698 - 6, 27}));
  EXPECT_EQ(l.items[2].right, l.items[0].left - 6);
  EXPECT_EQ(l.items[2].Width(), 40);
  // The left item starts 6 pixels after the icon and spans the band above the gold line.
  EXPECT_EQ(l.items[1], (Box{32, 2, 232, 30}));
}

TEST(FrameLayout, LeftItemGivesWayToTheRightOnes) {
  const SkinTheme t;
  FrameInput in = Form(400);
  in.items = {{true, true, 60}, {false, false, 1000}};
  const FrameLayout l = ComputeFrameLayout(in, t);
  ASSERT_FALSE(l.items[1].Empty());
  EXPECT_EQ(l.items[1].right, l.items[0].left - 6);
  // Far too narrow: items that cannot fit are dropped, never overlap the buttons.
  in.width = 120;
  const FrameLayout n = ComputeFrameLayout(in, t);
  for (const Box& b : n.items) {
    if (!b.Empty()) {
      EXPECT_LE(b.right, n.min.left);
    }
  }
}

TEST(FrameLayout, MaximisedAndWithoutButtons) {
  const SkinTheme t;
  FrameInput in = Form();
  in.maximized = true;
  FrameLayout l = ComputeFrameLayout(in, t);
  EXPECT_EQ(l.client, (Box{0, 32, 800, 500}));
  EXPECT_EQ(FrameWidth(t, true), 0);
  EXPECT_EQ(FrameHeight(t, true), 32);
  EXPECT_EQ(FrameWidth(t, false), 8);
  EXPECT_EQ(FrameHeight(t, false), 36);
  in = Form();
  in.closeButton = false;  // no system menu: no caption buttons at all
  l = ComputeFrameLayout(in, t);
  EXPECT_TRUE(l.close.Empty() && l.max.Empty() && l.min.Empty());
}

TEST(FrameLayout, MirrorForRightToLeft) {
  const SkinTheme t;
  FrameInput in = Form();
  in.items = {{true, true, 60}, {false, false, 100}};
  const FrameLayout l = ComputeFrameLayout(in, t);
  const FrameLayout m = Mirror(l, in.width);
  EXPECT_EQ(m.close, (Box{800 - 792, 5, 800 - 762, 27}));
  EXPECT_EQ(m.items[0].left, 800 - l.items[0].right);
  EXPECT_EQ(m.client, l.client);  // symmetric
  EXPECT_EQ(HitTestFrame(m, in, 20, 15).part, FramePart::Close);
}

TEST(FrameLayout, HitTestTable) {
  const SkinTheme t;
  FrameInput in = Form();
  in.items = {{true, true, 60}, {false, false, 100}};
  const FrameLayout l = ComputeFrameLayout(in, t);
  struct Case {
    int x, y;
    bool sizable;
    FramePart part;
    int item;
  };
  const Case cases[] = {
      {400, 200, false, FramePart::Client, -1},   {400, 12, false, FramePart::Caption, -1},
      {770, 10, false, FramePart::Close, -1},     {740, 10, false, FramePart::Max, -1},
      {700, 25, false, FramePart::Min, -1},       {650, 15, false, FramePart::Item, 0},
      {50, 15, false, FramePart::Caption, -1},    {2, 200, false, FramePart::Border, -1},
      {400, 498, false, FramePart::Border, -1},   {1, 1, false, FramePart::Border, -1},
      {2, 200, true, FramePart::Left, -1},        {797, 200, true, FramePart::Right, -1},
      {400, 1, true, FramePart::Top, -1},         {400, 498, true, FramePart::Bottom, -1},
      {1, 1, true, FramePart::TopLeft, -1},       {798, 2, true, FramePart::TopRight, -1},
      {2, 495, true, FramePart::BottomLeft, -1},  {797, 499, true, FramePart::BottomRight, -1},
      {800, 10, false, FramePart::Nowhere, -1},   {-1, 10, false, FramePart::Nowhere, -1},
  };
  for (const Case& c : cases) {
    in.sizable = c.sizable;
    const FrameHit h = HitTestFrame(l, in, c.x, c.y);
    EXPECT_EQ(h.part, c.part) << c.x << "," << c.y;
    EXPECT_EQ(h.item, c.item) << c.x << "," << c.y;
  }
}

TEST(Raster, RoundRectCoverageAndGradient) {
  Canvas c(20, 10);
  FillRoundRect(c, 0, 0, 20, 10, 4, 0xFF0000, 0x0000FF);
  EXPECT_EQ(c.At(0, 0) >> 24, 0u) << "rounded corner left out";
  EXPECT_EQ(c.At(10, 5) >> 24, 255u);
  const uint32_t top = c.At(10, 0), bottom = c.At(10, 9);
  EXPECT_GT((top >> 16) & 255, 200u);  // red at the top
  EXPECT_GT(bottom & 255, 200u);       // blue at the bottom
  // An edge pixel of the curve is partly covered: anti-aliased, not jagged.
  int partial = 0;
  for (uint32_t p : c.px) partial += (p >> 24) > 0 && (p >> 24) < 255;
  EXPECT_GT(partial, 4);
  // Premultiplied throughout.
  for (uint32_t p : c.px) {
    ASSERT_LE((p >> 16) & 255, p >> 24);
    ASSERT_LE(p & 255, p >> 24);
  }
}

TEST(Raster, LineAndOpacity) {
  Canvas c(12, 12);
  StrokeLine(c, 1, 6, 11, 6, 2, 0xFFFFFF, 128);
  EXPECT_NEAR(static_cast<int>(c.At(6, 5) >> 24), 128, 2);
  EXPECT_NEAR(static_cast<int>(c.At(6, 6) >> 24), 128, 2);
  EXPECT_EQ(c.At(6, 2) >> 24, 0u);
  EXPECT_EQ(c.At(0, 0), 0u);
  // Drawing outside the canvas is clipped, not a crash.
  StrokeLine(c, -50, -50, 100, 100, 3, 0x00FF00);
  FillRoundRect(c, -10, -10, 40, 40, 3, 0, 0);
  EXPECT_EQ(c.At(11, 11) >> 24, 255u);
}

}  // namespace
}  // namespace lzg::skin

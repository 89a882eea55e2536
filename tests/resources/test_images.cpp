// The embedded pictures decode at their exact sizes, keep their alpha, and bad bytes give nullptr.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "resources/images.h"
#include "resources/pixels.h"
#include "resources/resource_ids.h"

namespace {

struct Dib {
  int width = 0, height = 0;
  std::vector<uint32_t> px;  // top row first
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// Reads a DIB section back, insisting on 32 bits per pixel.
Dib Read(HBITMAP bmp) {
  Dib d;
  DIBSECTION ds{};
  if (!bmp || GetObjectW(bmp, sizeof ds, &ds) != sizeof ds || ds.dsBm.bmBitsPixel != 32) return d;
  d.width = ds.dsBm.bmWidth;
  d.height = ds.dsBm.bmHeight;
  d.px.resize(static_cast<size_t>(d.width) * d.height);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = d.width;
  bmi.bmiHeader.biHeight = -d.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, bmp, 0, d.height, d.px.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return d;
}

int A(uint32_t p) { return p >> 24; }
int R(uint32_t p) { return (p >> 16) & 255; }
int G(uint32_t p) { return (p >> 8) & 255; }
int B(uint32_t p) { return p & 255; }
int Luma(uint32_t p) { return R(p) + G(p) + B(p); }

std::vector<unsigned char> ResourceCopy(int id) {
  HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
  if (!info) return {};
  auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, info)));
  return {data, data + SizeofResource(nullptr, info)};
}

TEST(Pictures, BackgroundDecodesAt600x330TopDown) {
  HBITMAP bmp = lzg::LoadJpegResource(IDR_HINT_BACKGROUND);
  ASSERT_NE(bmp, nullptr);
  Dib d = Read(bmp);
  DeleteObject(bmp);
  ASSERT_EQ(d.width, 600);
  ASSERT_EQ(d.height, 330);
  // The cream upper panel is lighter than the beige button band below y=205: proves the
  // rows are not upside down.
  EXPECT_GT(Luma(d.At(20, 60)), Luma(d.At(20, 300)) + 20);
  // The question's brown text sits in the middle around a third of the height.
  int darkest = 765;
  for (int x = 150; x < 450; ++x)
    for (int y = 90; y < 130; ++y) darkest = std::min(darkest, Luma(d.At(x, y)));
  EXPECT_LT(darkest, 400);
  // The tan border is darker than the panel just inside it.
  EXPECT_LT(Luma(d.At(300, 0)), Luma(d.At(300, 10)));
}

struct ButtonCase {
  int id;
  bool blue;  // else orange
};

class ButtonPicture : public testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonPicture, Is240x100WithTransparentCornersAndOpaqueFace) {
  HBITMAP bmp = lzg::LoadAlphaBitmapResource(GetParam().id);
  ASSERT_NE(bmp, nullptr);
  Dib d = Read(bmp);
  DeleteObject(bmp);
  ASSERT_EQ(d.width, 240);
  ASSERT_EQ(d.height, 100);
  for (auto [x, y] : {std::pair{0, 0}, {239, 0}, {0, 99}, {239, 99}}) {
    EXPECT_EQ(A(d.At(x, y)), 0) << x << "," << y;
    EXPECT_EQ(d.At(x, y) & 0xffffff, 0u) << "premultiplied transparent pixel is black";
  }
  for (auto [x, y] : {std::pair{120, 50}, {20, 50}, {220, 30}}) EXPECT_EQ(A(d.At(x, y)), 255) << x << "," << y;
  for (uint32_t p : d.px) {
    ASSERT_LE(R(p), A(p));
    ASSERT_LE(G(p), A(p));
    ASSERT_LE(B(p), A(p));
  }
  const uint32_t face = d.At(20, 75);  // below the gloss, clear of the label
  if (GetParam().blue)
    EXPECT_GT(B(face), R(face) + 60);
  else
    EXPECT_GT(R(face), B(face) + 100);
  // White label pixels exist in the middle.
  int white = 0;
  for (int x = 60; x < 180; ++x)
    for (int y = 25; y < 70; ++y) white += Luma(d.At(x, y)) > 740;
  EXPECT_GT(white, 100);
}

INSTANTIATE_TEST_SUITE_P(Both, ButtonPicture,
                         testing::Values(ButtonCase{IDR_HINT_STAY, false}, ButtonCase{IDR_HINT_EXIT, true}));

TEST(Pictures, MissingResourceGivesNullptr) {
  EXPECT_EQ(lzg::LoadJpegResource(9999), nullptr);
  EXPECT_EQ(lzg::LoadAlphaBitmapResource(9999), nullptr);
  // The right decoder for the wrong kind of picture.
  EXPECT_EQ(lzg::LoadJpegResource(IDR_HINT_STAY), nullptr);
  EXPECT_EQ(lzg::LoadAlphaBitmapResource(IDR_HINT_BACKGROUND), nullptr);
}

TEST(Pictures, CorruptJpegGivesNullptr) {
  const std::vector<unsigned char> good = ResourceCopy(IDR_HINT_BACKGROUND);
  ASSERT_GT(good.size(), 1000u);
  HBITMAP ok = lzg::JpegToBitmap(good.data(), good.size());
  ASSERT_NE(ok, nullptr);
  DeleteObject(ok);

  std::vector<std::vector<unsigned char>> bad;
  bad.emplace_back(good.begin(), good.begin() + good.size() / 2);  // cut short
  bad.emplace_back(good.begin(), good.begin() + 100);              // header only
  auto noMarker = good;
  noMarker[0] = 0;  // no SOI marker
  bad.push_back(noMarker);
  auto hugeSize = good;  // SOF0 claims a 60000-pixel-high picture
  for (size_t i = 0; i + 8 < hugeSize.size(); ++i)
    if (hugeSize[i] == 0xFF && (hugeSize[i + 1] == 0xC0 || hugeSize[i + 1] == 0xC2)) {
      hugeSize[i + 5] = 0xEA;
      hugeSize[i + 6] = 0x60;
      break;
    }
  bad.push_back(hugeSize);
  bad.push_back(std::vector<unsigned char>(4096, 0xFF));
  for (size_t i = 0; i < bad.size(); ++i) {
    HBITMAP bmp = lzg::JpegToBitmap(bad[i].data(), bad[i].size());
    EXPECT_EQ(bmp, nullptr) << "case " << i;
    if (bmp) DeleteObject(bmp);
  }
  EXPECT_EQ(lzg::JpegToBitmap(nullptr, 100), nullptr);
  EXPECT_EQ(lzg::JpegToBitmap(good.data(), 0), nullptr);
}

// A 2 x 2 BMP: rows bottom-up unless the height is negative; BI_RGB with alpha in byte 4.
std::vector<unsigned char> TinyBmp(int height, uint16_t bpp = 32, uint32_t compression = 0,
                                   std::vector<uint32_t> rowsAsStored = {0x80FF0000, 0xFF00FF00, 0x00000000,
                                                                         0x400000FF}) {
  std::vector<unsigned char> f(14 + 40 + 16);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
  f[0] = 'B';
  f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, static_cast<uint32_t>(height));
  put16(26, 1);
  put16(28, bpp);
  put32(30, compression);
  for (size_t i = 0; i < rowsAsStored.size(); ++i) put32(54 + 4 * i, rowsAsStored[i]);
  return f;
}

TEST(Pictures, BmpDecodingOrientationAndPremultiplication) {
  lzg::Pixels px;
  // Bottom-up: the first stored row is the bottom one.
  auto up = TinyBmp(2);
  ASSERT_TRUE(lzg::DecodeBmp32(up.data(), up.size(), px));
  ASSERT_EQ(px.width, 2);
  ASSERT_EQ(px.height, 2);
  EXPECT_EQ(px.At(0, 1), 0x80800000u);  // red at half alpha, premultiplied
  EXPECT_EQ(px.At(1, 1), 0xFF00FF00u);
  EXPECT_EQ(px.At(0, 0), 0x00000000u);
  EXPECT_EQ(px.At(1, 0), 0x40000040u);
  auto down = TinyBmp(-2);
  ASSERT_TRUE(lzg::DecodeBmp32(down.data(), down.size(), px));
  EXPECT_EQ(px.At(0, 0), 0x80800000u);
  EXPECT_EQ(px.At(1, 0), 0xFF00FF00u);
  // No alpha anywhere in a BI_RGB file: opaque, colours untouched.
  auto noAlpha = TinyBmp(-2, 32, 0, {0x00112233, 0x00445566, 0x00778899, 0x00AABBCC});
  ASSERT_TRUE(lzg::DecodeBmp32(noAlpha.data(), noAlpha.size(), px));
  EXPECT_EQ(px.At(0, 0), 0xFF112233u);
  EXPECT_EQ(px.At(1, 1), 0xFFAABBCCu);
}

TEST(Pictures, BadBmpIsRefused) {
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  auto truncated = TinyBmp(2);
  truncated.resize(truncated.size() - 1);
  auto badOffset = TinyBmp(2);
  badOffset[10] = 0xF0;
  auto zeroHeight = TinyBmp(0);
  auto headerOnly = TinyBmp(2);
  headerOnly.resize(20);
  auto wrongMagic = TinyBmp(2);
  wrongMagic[0] = 'X';
  const Case cases[] = {{"24 bits", TinyBmp(2, 24)},
                        {"RLE", TinyBmp(2, 32, 1)},
                        {"truncated", truncated},
                        {"offset past end", badOffset},
                        {"zero height", zeroHeight},
                        {"magic", wrongMagic},
                        {"header only", headerOnly}};
  for (const Case& c : cases) {
    lzg::Pixels px;
    EXPECT_FALSE(lzg::DecodeBmp32(c.bytes.data(), c.bytes.size(), px)) << c.what;
    EXPECT_TRUE(px.bgra.empty()) << c.what;
    EXPECT_EQ(lzg::AlphaBmpToBitmap(c.bytes.data(), c.bytes.size()), nullptr) << c.what;
  }
}

TEST(Pictures, AppIconAtLargeAndSmallSize) {
  for (bool small : {false, true}) {
    HICON icon = lzg::LoadAppIcon(small);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
}

}  // namespace

// Picture decoding without any Windows call: JPEG (libjpeg) and 32-bit BMP files with alpha,
// both into top-down BGRA rows ready for a 32-bit DIB section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzg {

struct Pixels {
  int width = 0;
  int height = 0;
  // width * height pixels, top row first, each 0xAARRGGBB (bytes B, G, R, A in memory).
  std::vector<uint32_t> bgra;

  uint32_t At(int x, int y) const { return bgra[static_cast<size_t>(y) * width + x]; }
};

// Larger pictures are refused as corrupt: nothing we ship comes near this.
constexpr int kMaxPictureSide = 8192;

// Decodes a baseline or progressive JPEG; every pixel comes out opaque.
// False (and `out` emptied) on anything libjpeg cannot read.
bool DecodeJpeg(const void* data, size_t size, Pixels& out);

// Decodes a 32-bit BMP file (BITMAPINFOHEADER with BI_RGB or BI_BITFIELDS, or a V4/V5
// header) keeping its alpha; bottom-up files are turned top-down. Colours come out
// premultiplied by alpha, as AlphaBlend with AC_SRC_ALPHA expects. A BI_RGB file whose
// fourth bytes are all zero has no alpha and comes out opaque.
// False (and `out` emptied) on any other depth, compression, or a truncated file.
bool DecodeBmp32(const void* data, size_t size, Pixels& out);

}  // namespace lzg

#include "resources/pixels.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace lzg {

// ---- JPEG --------------------------------------------------------------------------------

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. A C++ exception
// cannot cross the C library's frames, so it jumps back to DecodeJpeg instead; nothing
// with a destructor is created between the setjmp and the jump.
struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

void JpegSilence(j_common_ptr) {}

}  // namespace

bool DecodeJpeg(const void* data, size_t size, Pixels& out) {
  out = Pixels{};
  if (!data || size == 0 || size > 0x7fffffff) return false;

  jpeg_decompress_struct cinfo;
  JpegError err;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.output_message = JpegSilence;
  // The rows go straight into `out`, which lives outside this frame, so the jump back
  // leaves no local object in an undefined state.
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    out = Pixels{};
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, static_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.image_width == 0 || cinfo.image_height == 0 || cinfo.image_width > kMaxPictureSide ||
      cinfo.image_height > kMaxPictureSide) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.bgra.resize(static_cast<size_t>(out.width) * out.height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&out.bgra[static_cast<size_t>(cinfo.output_scanline) * out.width]);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  // A file cut short decodes as grey rows plus a warning; a truncated picture is corrupt.
  const bool truncated = err.mgr.num_warnings > 0;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (truncated) {
    out = Pixels{};
    return false;
  }
  for (uint32_t& p : out.bgra) p |= 0xff000000u;
  return true;
}

// ---- BMP ---------------------------------------------------------------------------------

namespace {

uint32_t Le32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Extracts the channel under `mask` scaled to 0..255.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!(mask & (1u << shift))) ++shift;
  const uint32_t max = mask >> shift;
  const uint32_t v = (pixel & mask) >> shift;
  return max == 255 ? v : (v * 255 + max / 2) / max;
}

}  // namespace

bool DecodeBmp32(const void* data, size_t size, Pixels& out) {
  out = Pixels{};
  const auto* p = static_cast<const unsigned char*>(data);
  constexpr size_t kFileHeader = 14;
  if (!p || size < kFileHeader + 40 || p[0] != 'B' || p[1] != 'M') return false;
  const uint32_t bitsOffset = Le32(p + 10);
  const unsigned char* info = p + kFileHeader;
  const uint32_t infoSize = Le32(info);
  if (infoSize < 40 || infoSize > size - kFileHeader) return false;
  const int32_t width = static_cast<int32_t>(Le32(info + 4));
  const int32_t rawHeight = static_cast<int32_t>(Le32(info + 8));
  const uint16_t bpp = Le16(info + 14);
  const uint32_t compression = Le32(info + 16);
  if (Le16(info + 12) != 1 || bpp != 32) return false;
  if (width <= 0 || width > kMaxPictureSide || rawHeight == 0 || rawHeight < -kMaxPictureSide ||
      rawHeight > kMaxPictureSide)
    return false;
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;

  constexpr uint32_t kRgb = 0, kBitfields = 3, kAlphaBitfields = 6;
  uint32_t rMask = 0x00ff0000, gMask = 0x0000ff00, bMask = 0x000000ff, aMask = 0xff000000;
  bool alphaFromData = true;  // BI_RGB: decided by the data below
  if (compression == kBitfields || compression == kAlphaBitfields) {
    // Masks follow a plain 40-byte header, or sit inside a V4/V5 header.
    const bool hasAlphaMask = compression == kAlphaBitfields || infoSize >= 56;
    const size_t masksEnd = kFileHeader + 40 + (hasAlphaMask ? 16 : 12);
    if (size < masksEnd) return false;
    rMask = Le32(info + 40);
    gMask = Le32(info + 44);
    bMask = Le32(info + 48);
    aMask = hasAlphaMask ? Le32(info + 52) : 0;
    alphaFromData = false;
    if (!rMask || !gMask || !bMask) return false;
  } else if (compression != kRgb) {
    return false;
  }

  const size_t rowBytes = static_cast<size_t>(width) * 4;
  const size_t bitsSize = rowBytes * height;
  if (bitsOffset < kFileHeader + infoSize || bitsOffset > size || size - bitsOffset < bitsSize) return false;
  const unsigned char* bits = p + bitsOffset;

  if (alphaFromData) {
    bool any = false;
    for (size_t i = 3; i < bitsSize && !any; i += 4) any = bits[i] != 0;
    if (!any) aMask = 0;
  }

  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = bits + rowBytes * (bottomUp ? height - 1 - y : y);
    uint32_t* dst = &pixels[static_cast<size_t>(y) * width];
    for (int x = 0; x < width; ++x) {
      const uint32_t v = Le32(row + 4 * x);
      const uint32_t a = aMask ? Channel(v, aMask) : 255;
      uint32_t r = Channel(v, rMask), g = Channel(v, gMask), b = Channel(v, bMask);
      if (a != 255) {
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
      }
      dst[x] = a << 24 | r << 16 | g << 8 | b;
    }
  }
  out.width = width;
  out.height = height;
  out.bgra = std::move(pixels);
  return true;
}

}  // namespace lzg

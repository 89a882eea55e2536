#include "resources/images.h"

#include "resources/pixels.h"
#include "resources/resource_ids.h"

#include <cstring>

namespace lzg {

namespace {

// The bytes of an RCDATA resource of the exe; resource memory lives as long as the module.
bool ResourceBytes(int id, const void*& data, size_t& size) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  if (!loaded) return false;
  data = LockResource(loaded);
  size = SizeofResource(module, info);
  return data && size > 0;
}

HBITMAP ToDibSection(const Pixels& px) {
  if (px.width <= 0 || px.height <= 0) return nullptr;
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = px.width;
  bmi.bmiHeader.biHeight = -px.height;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) {
    if (bmp) DeleteObject(bmp);
    return nullptr;
  }
  std::memcpy(bits, px.bgra.data(), px.bgra.size() * sizeof(uint32_t));
  GdiFlush();
  return bmp;
}

}  // namespace

HBITMAP JpegToBitmap(const void* data, size_t size) {
  Pixels px;
  return DecodeJpeg(data, size, px) ? ToDibSection(px) : nullptr;
}

HBITMAP AlphaBmpToBitmap(const void* data, size_t size) {
  Pixels px;
  return DecodeBmp32(data, size, px) ? ToDibSection(px) : nullptr;
}

HBITMAP LoadJpegResource(int id) {
  const void* data;
  size_t size;
  return ResourceBytes(id, data, size) ? JpegToBitmap(data, size) : nullptr;
}

HBITMAP LoadAlphaBitmapResource(int id) {
  const void* data;
  size_t size;
  return ResourceBytes(id, data, size) ? AlphaBmpToBitmap(data, size) : nullptr;
}

HICON LoadAppIcon(bool small) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (!small) return LoadIconW(module, MAKEINTRESOURCEW(IDI_MAINICON));
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_MAINICON), IMAGE_ICON,
                                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                       LR_SHARED));
}

}  // namespace lzg

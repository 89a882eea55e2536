// The pictures and the icon embedded in the exe (lzgmin.rc), as GDI objects.
// Main thread. The caller owns every returned handle (DeleteObject / DestroyIcon not
// needed for LoadIcon's shared icon). Every failure returns nullptr.
#pragma once

#include <windows.h>

#include <cstddef>

namespace lzg {

// Decodes an RCDATA JPEG of this module into an opaque 32-bit top-down DIB section.
HBITMAP LoadJpegResource(int id);

// Decodes an RCDATA 32-bit BMP with alpha into a premultiplied 32-bit top-down DIB
// section, ready for AlphaBlend with AC_SRC_ALPHA.
HBITMAP LoadAlphaBitmapResource(int id);

// The same decoders for bytes from elsewhere (a skin file, a test).
HBITMAP JpegToBitmap(const void* data, size_t size);
HBITMAP AlphaBmpToBitmap(const void* data, size_t size);

// The application icon (IDI_MAINICON) at the system's large or small icon size.
HICON LoadAppIcon(bool small = false);

}  // namespace lzg

#include "framework/Gdi.h"

namespace fw {

UniqueBitmap CreateDib32(int width, int height, void** bits) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width > 0 ? width : 1;
  bi.bmiHeader.biHeight = -(height > 0 ? height : 1);
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* p = nullptr;
  HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  if (bits) *bits = bmp ? p : nullptr;
  return UniqueBitmap(bmp);
}

}  // namespace fw

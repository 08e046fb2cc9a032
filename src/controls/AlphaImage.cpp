#include "controls/AlphaImage.h"

#include <cstring>

#include "framework/Gdi.h"

void CAlphaImage::Reset() {
  m_dc.reset();
  m_bitmap.reset();
  m_size = SIZE{};
}

void CAlphaImage::Assign(Gdiplus::Bitmap* picture) {
  Reset();
  if (!picture) return;
  const int w = static_cast<int>(picture->GetWidth()), h = static_cast<int>(picture->GetHeight());
  if (w <= 0 || h <= 0) return;
  Gdiplus::Rect all(0, 0, w, h);
  Gdiplus::BitmapData data{};
  if (picture->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) !=
      Gdiplus::Ok)
    return;
  void* bits = nullptr;
  UniqueBitmap bitmap = fw::CreateDib32(w, h, &bits);
  if (bitmap && bits) {
    for (int y = 0; y < h; ++y)
      std::memcpy(static_cast<BYTE*>(bits) + static_cast<size_t>(y) * w * 4,
                  static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
                  static_cast<size_t>(w) * 4);
  }
  picture->UnlockBits(&data);
  if (!bitmap || !bits) return;
  m_dc.reset(::CreateCompatibleDC(nullptr));
  if (!m_dc) return;
  ::SelectObject(m_dc.get(), bitmap.get());
  m_bitmap = std::move(bitmap);
  m_size = SIZE{w, h};
}

void CAlphaImage::Draw(HDC dc, int x, int y) const {
  if (!m_dc) return;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::AlphaBlend(dc, x, y, m_size.cx, m_size.cy, m_dc.get(), 0, 0, m_size.cx, m_size.cy, blend);
}

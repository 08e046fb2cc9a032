#include "controls/MemDC.h"

#include "framework/Gdi.h"

CMemDCPerm::~CMemDCPerm() { Reset(); }

void CMemDCPerm::Reset() {
  if (m_dc && m_oldBitmap) ::SelectObject(m_dc.get(), m_oldBitmap);
  m_oldBitmap = nullptr;
  m_bitmap.reset();
  m_dc.reset();
  m_bits = nullptr;
  m_size = {};
}

HDC CMemDCPerm::Begin(int width, int height) {
  width = width > 0 ? width : 1;
  height = height > 0 ? height : 1;
  if (m_dc && m_size.cx == width && m_size.cy == height) return m_dc.get();
  Reset();
  void* bits = nullptr;
  UniqueBitmap bmp = fw::CreateDib32(width, height, &bits);
  if (!bmp) return nullptr;
  UniqueMemoryDC dc(::CreateCompatibleDC(nullptr));
  if (!dc) return nullptr;
  m_oldBitmap = ::SelectObject(dc.get(), bmp.get());
  m_dc = std::move(dc);
  m_bitmap = std::move(bmp);
  m_bits = bits;
  m_size = {width, height};
  return m_dc.get();
}

COLORREF CMemDCPerm::GetPixel(int x, int y) const {
  if (!m_bits || x < 0 || y < 0 || x >= m_size.cx || y >= m_size.cy) return CLR_INVALID;
  ::GdiFlush();
  DWORD v = Bits()[static_cast<size_t>(y) * m_size.cx + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

CMemDC2::CMemDC2(HDC target, const RECT& clientRect, const CMemDCPerm* parentSurface,
                 POINT originInParent, COLORREF fallback, CMemDCPerm* scratch)
    : m_target(target), m_rect(clientRect) {
  int w = Width() > 0 ? Width() : 1;
  int h = Height() > 0 ? Height() : 1;
  if (scratch && scratch->Begin(w, h)) {
    m_drawDC = scratch->GetDC();
    m_bits = const_cast<DWORD*>(scratch->Bits());
  } else {
    m_bitmap = fw::CreateDib32(w, h, &m_bits);
    m_dc.reset(::CreateCompatibleDC(target));
    if (!m_dc || !m_bitmap) {
      m_bits = nullptr;
      return;
    }
    m_oldBitmap = ::SelectObject(m_dc.get(), m_bitmap.get());
    m_drawDC = m_dc.get();
  }
  if (parentSurface && parentSurface->IsValid()) {
    ::BitBlt(m_drawDC, 0, 0, w, h, parentSurface->GetDC(), originInParent.x, originInParent.y,
             SRCCOPY);
    m_fromParent = true;
  } else if (fallback != CLR_INVALID) {
    UniqueBrush brush(::CreateSolidBrush(fallback));
    RECT all{0, 0, w, h};
    ::FillRect(m_drawDC, &all, brush.get());
  }
}

CMemDC2::~CMemDC2() {
  if (!m_drawDC) return;
  ::BitBlt(m_target, m_rect.left, m_rect.top, Width(), Height(), m_drawDC, 0, 0, SRCCOPY);
  if (m_dc && m_oldBitmap) ::SelectObject(m_dc.get(), m_oldBitmap);
}

CSurfaceGraphics::CSurfaceGraphics(HDC dc, void* bits, int width, int height) {
  ::GdiFlush();
  if (bits && width > 0 && height > 0) {
    m_bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, width * 4, PixelFormat32bppRGB,
                                                 static_cast<BYTE*>(bits));
    if (m_bitmap->GetLastStatus() == Gdiplus::Ok)
      m_graphics = std::make_unique<Gdiplus::Graphics>(m_bitmap.get());
  }
  if (!m_graphics || m_graphics->GetLastStatus() != Gdiplus::Ok)
    m_graphics = std::make_unique<Gdiplus::Graphics>(dc);
}

CSurfaceGraphics::~CSurfaceGraphics() {
  m_graphics->Flush(Gdiplus::FlushIntentionSync);
  m_graphics.reset();
  m_bitmap.reset();
}

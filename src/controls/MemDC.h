#pragma once
// Off-screen surfaces of the themed windows.
//
// A themed window (CBaseDlg, the main frame, the lightbox) paints into its
// persistent CMemDCPerm and copies it to the screen; the surface stays alive
// after the paint so that its children, painted later, can start their own
// painting from a copy of the parent's pixels (CMemDC2) and never repaint the
// parent themselves.

#include <windows.h>
#include <gdiplus.h>

#include <memory>

#include "framework/Handles.h"

// Persistent off-screen surface: a memory drawing context holding a 32-bit
// bitmap of the owner's client size. Empty until the owner's first paint.
class CMemDCPerm {
 public:
  CMemDCPerm() = default;
  ~CMemDCPerm();
  CMemDCPerm(const CMemDCPerm&) = delete;
  CMemDCPerm& operator=(const CMemDCPerm&) = delete;

  // Starts a new surface of the given size (the bitmap is kept when the size is
  // unchanged) and returns its drawing context. The content is undefined: the
  // owner paints all of it.
  HDC Begin(int width, int height);
  void Reset();

  bool IsValid() const { return m_dc.get() != nullptr; }
  HDC GetDC() const { return m_dc.get(); }
  SIZE GetSize() const { return m_size; }
  // The pixel at (x, y) as 0x00RRGGBB, or CLR_INVALID outside the surface.
  COLORREF GetPixel(int x, int y) const;
  // Raw 0x??RRGGBB words, row after row (top-down); nullptr when empty.
  const DWORD* Bits() const { return static_cast<const DWORD*>(m_bits); }

 private:
  UniqueMemoryDC m_dc;
  UniqueBitmap m_bitmap;
  HGDIOBJ m_oldBitmap = nullptr;
  void* m_bits = nullptr;
  SIZE m_size{};
};

// Temporary surface for one paint of a child control. On construction it copies
// the part of the parent's surface under the child (parent client coordinates
// originInParent) into itself, or, without a parent surface, fills itself with
// the fallback colour (when given); on destruction it copies itself to target at
// the child's client rectangle. A control that paints often passes a scratch
// surface it keeps, so that no bitmap is made per paint.
class CMemDC2 {
 public:
  CMemDC2(HDC target, const RECT& clientRect, const CMemDCPerm* parentSurface, POINT originInParent,
          COLORREF fallback = CLR_INVALID, CMemDCPerm* scratch = nullptr);
  ~CMemDC2();
  CMemDC2(const CMemDC2&) = delete;
  CMemDC2& operator=(const CMemDC2&) = delete;

  HDC GetDC() const { return m_drawDC; }
  void* Bits() const { return m_bits; }
  // True when the background came from the parent's surface.
  bool FromParent() const { return m_fromParent; }
  int Width() const { return m_rect.right - m_rect.left; }
  int Height() const { return m_rect.bottom - m_rect.top; }

 private:
  HDC m_target;
  RECT m_rect;
  UniqueMemoryDC m_dc;
  UniqueBitmap m_bitmap;
  HGDIOBJ m_oldBitmap = nullptr;
  HDC m_drawDC = nullptr;
  void* m_bits = nullptr;
  bool m_fromParent = false;
};

// GDI+ drawing straight into the memory of a 32-bit top-down surface (much
// faster than drawing through its device context on some platforms). GDI's
// pending work on the surface is flushed first; the drawing is complete when the
// object goes away. Without bits it draws through the device context instead.
class CSurfaceGraphics {
 public:
  CSurfaceGraphics(HDC dc, void* bits, int width, int height);
  ~CSurfaceGraphics();
  CSurfaceGraphics(const CSurfaceGraphics&) = delete;
  CSurfaceGraphics& operator=(const CSurfaceGraphics&) = delete;
  explicit CSurfaceGraphics(const CMemDC2& mem)
      : CSurfaceGraphics(mem.GetDC(), mem.Bits(), mem.Width(), mem.Height()) {}
  explicit CSurfaceGraphics(const CMemDCPerm& surface)
      : CSurfaceGraphics(surface.GetDC(), const_cast<DWORD*>(surface.Bits()), surface.GetSize().cx,
                         surface.GetSize().cy) {}
  Gdiplus::Graphics& get() { return *m_graphics; }
  operator Gdiplus::Graphics&() { return *m_graphics; }

 private:
  std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
  std::unique_ptr<Gdiplus::Graphics> m_graphics;
};

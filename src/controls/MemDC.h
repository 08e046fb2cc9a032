#pragma once
// Off-screen surfaces of the themed windows.
//
// A themed window (CBaseDlg, the main frame, the lightbox) paints into its
// persistent CMemDCPerm and copies it to the screen; the surface stays alive
// after the paint so that its children, painted later, can start their own
// painting from a copy of the parent's pixels (CMemDC2) and never repaint the
// parent themselves.

#include <windows.h>

#include "theme/GdiObject.h"

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
// the child's client rectangle.
class CMemDC2 {
 public:
  CMemDC2(HDC target, const RECT& clientRect, const CMemDCPerm* parentSurface, POINT originInParent,
          COLORREF fallback = CLR_INVALID);
  ~CMemDC2();
  CMemDC2(const CMemDC2&) = delete;
  CMemDC2& operator=(const CMemDC2&) = delete;

  HDC GetDC() const { return m_dc.get(); }
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
  bool m_fromParent = false;
};

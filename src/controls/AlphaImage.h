#pragma once
// CAlphaImage: a picture kept as a premultiplied 32-bit GDI bitmap, drawn with
// per-pixel alpha through AlphaBlend. Much cheaper than drawing the picture
// through GDI+ on each paint, for the small pictures that lists draw per row.

#include <windows.h>
#include <gdiplus.h>

#include "framework/Handles.h"

class CAlphaImage {
 public:
  CAlphaImage() = default;
  CAlphaImage(CAlphaImage&&) noexcept = default;
  CAlphaImage& operator=(CAlphaImage&&) noexcept = default;

  // Copies the picture's pixels (none: the image becomes empty).
  void Assign(Gdiplus::Bitmap* picture);
  void Reset();

  bool IsValid() const { return m_dc.get() != nullptr; }
  int Width() const { return m_size.cx; }
  int Height() const { return m_size.cy; }
  SIZE Size() const { return m_size; }

  // Draws the picture at its natural size; nothing when empty.
  void Draw(HDC dc, int x, int y) const;

 private:
  // The bitmap stays selected into the memory context, which goes first.
  UniqueBitmap m_bitmap;
  UniqueMemoryDC m_dc;
  SIZE m_size{};
};

#pragma once
// Painting helpers over the shared GDI handle owners (framework/Handles.h:
// UniqueFont, UniqueBitmap, UniqueMemoryDC, ScopedSelect, WindowDC, ...).

#include <windows.h>

#include "framework/Handles.h"

namespace fw {

// BeginPaint / EndPaint for one WM_PAINT.
class PaintDC {
 public:
  explicit PaintDC(HWND hwnd) : m_hwnd(hwnd) { m_dc = ::BeginPaint(hwnd, &m_ps); }
  ~PaintDC() { ::EndPaint(m_hwnd, &m_ps); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC dc() const { return m_dc; }
  const PAINTSTRUCT& ps() const { return m_ps; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_ps{};
  HDC m_dc;
};

// A 32-bit top-down DIB section whose pixels (0xAARRGGBB words, row after row)
// can be read and written in memory; *bits receives them.
UniqueBitmap CreateDib32(int width, int height, void** bits);

}  // namespace fw

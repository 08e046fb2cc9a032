#pragma once
// CThemeBox: a framed container with a title bar, drawn by its page during the
// page's own painting (DrawContent). Not a window.

#include <windows.h>
#include <gdiplus.h>

#include <string>

class CThemeBox {
 public:
  virtual ~CThemeBox() = default;

  // In the page's client coordinates; set by the page's layout.
  LONG left = 0, top = 0, right = 0, bottom = 0;
  std::wstring title;
};

// Draws the box; leaves the surface in anti-aliased mode.
void DrawThemeBox(Gdiplus::Graphics& g, const CThemeBox& box);

struct ThemeBoxLayout {
  Gdiplus::RectF outline;   // outline figure (top corners rounded, 20)
  Gdiplus::RectF titleBar;  // title bar figure, 39 high
  Gdiplus::PointF dividerFrom, dividerTo;
  Gdiplus::RectF titleText;  // title layout rectangle
};
ThemeBoxLayout ComputeThemeBoxLayout(const CThemeBox& box);

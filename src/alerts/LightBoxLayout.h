#pragma once
// Geometry of the dimmed modal popup drawn inside the main window.
#include <windows.h>

namespace lightbox_layout {

inline constexpr int kParentInset = 3;
inline constexpr int kCloseButtonSize = 16;
inline constexpr int kCloseButtonMargin = 5;

struct BoxF {
  float x, y, width, height;
};

// The popup's window rectangle (screen coordinates) covering the parent's
// client area (given in screen coordinates) inset by 3 pixels.
RECT CoverRect(const RECT& parentClientOnScreen);
// The box centred in a client area of the given size; each half in whole
// pixels, rounded toward zero.
BoxF BoxRect(int clientWidth, int clientHeight, int boxWidth, int boxHeight);
// The 16 x 16 close button at the right end of the box's top bar.
RECT CloseButtonRect(const BoxF& box, int topBarHeight, int closeImageHeight);

}  // namespace lightbox_layout

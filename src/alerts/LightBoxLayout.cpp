#include "alerts/LightBoxLayout.h"

namespace lightbox_layout {

RECT CoverRect(const RECT& p) {
  return RECT{p.left + kParentInset, p.top + kParentInset, p.right - kParentInset,
              p.bottom - kParentInset};
}

BoxF BoxRect(int clientWidth, int clientHeight, int boxWidth, int boxHeight) {
  const int x = clientWidth / 2 - boxWidth / 2;
  const int y = clientHeight / 2 - boxHeight / 2;
  return BoxF{static_cast<float>(x), static_cast<float>(y), static_cast<float>(boxWidth),
              static_cast<float>(boxHeight)};
}

RECT CloseButtonRect(const BoxF& box, int topBarHeight, int closeImageHeight) {
  const int left = static_cast<int>(box.x + box.width - kCloseButtonSize - kCloseButtonMargin);
  const int top = static_cast<int>(box.y) + (topBarHeight - closeImageHeight) / 2;
  return RECT{left, top, left + kCloseButtonSize, top + kCloseButtonSize};
}

}  // namespace lightbox_layout

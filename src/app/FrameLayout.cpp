#include "app/FrameLayout.h"

namespace frame_layout {

RECT PageArea(int clientWidth, int clientHeight) {
  return RECT{kTabStripWidth + 1, kHeaderHeight, clientWidth - kPageInset,
              clientHeight - kPageInset};
}

RECT PageRect(int clientWidth, int clientHeight) {
  RECT r = PageArea(clientWidth, clientHeight);
  InflateRect(&r, -kPageInset, -kPageInset);
  return r;
}

RECT TabRect(int index) {
  const int top = kFirstTabTop + kTabPitch * index;
  return RECT{0, top, kTabStripWidth, top + kTabHeight};
}

RECT FrameButtonRect(int clientWidth, int indexFromRight) {
  const int right = clientWidth + 10 - kFrameButtonWidth * indexFromRight;
  return RECT{right - kFrameButtonWidth, kFrameButtonTop, right, kFrameButtonBottom};
}

RECT FrameButtonArea(int clientWidth, int count) {
  if (count <= 0) return RECT{};
  RECT area = FrameButtonRect(clientWidth, 0);
  for (int n = 1; n < count; ++n) {
    RECT r = FrameButtonRect(clientWidth, n);
    UnionRect(&area, &area, &r);
  }
  return area;
}

RECT CaptionGroupRect(int clientWidth, SIZE groupSize) {
  return RECT{clientWidth - groupSize.cx - 4, 0, clientWidth, groupSize.cy};
}

RECT CaptionPartRect(int clientWidth, SIZE groupSize, CaptionPart part) {
  const RECT g = CaptionGroupRect(clientWidth, groupSize);
  const int width = g.right - g.left;
  const int k = static_cast<int>(part);
  // Three equal parts; the last one takes any remainder so the group has no gap.
  const int left = g.left + width * k / 3;
  const int right = k == 2 ? g.right : g.left + width * (k + 1) / 3;
  return RECT{left, g.top, right, g.bottom};
}

std::optional<LRESULT> HitTest(POINT pt, int clientWidth, SIZE groupSize, int frameButtonCount) {
  static constexpr struct {
    CaptionPart part;
    LRESULT code;
  } kParts[] = {{CaptionPart::Close, HTCLOSE},
                {CaptionPart::Maximize, HTMAXBUTTON},
                {CaptionPart::Minimize, HTMINBUTTON}};
  for (const auto& p : kParts) {
    const RECT r = CaptionPartRect(clientWidth, groupSize, p.part);
    if (PtInRect(&r, pt)) return p.code;
  }
  if (pt.y < kHeaderHeight) {
    bool nearButtons = false;
    if (frameButtonCount > 0) {
      RECT around = FrameButtonArea(clientWidth, frameButtonCount);
      InflateRect(&around, 20, 20);
      nearButtons = PtInRect(&around, pt) != FALSE;
    }
    if (!nearButtons && pt.x > 1 && pt.x < clientWidth && pt.y > 1) return HTCAPTION;
  }
  return std::nullopt;
}

int TabAt(POINT pt, int tabCount) {
  for (int k = 0; k < tabCount; ++k) {
    const RECT r = TabRect(k);
    if (PtInRect(&r, pt)) return k;
  }
  return -1;
}

int FrameButtonAt(POINT pt, int clientWidth, int buttonCount) {
  for (int n = 0; n < buttonCount; ++n) {
    const RECT r = FrameButtonRect(clientWidth, n);
    if (PtInRect(&r, pt)) return n;
  }
  return -1;
}

Placement DefaultPlacement(int screenWidth, int screenHeight) {
  return ClampPlacement(Placement{(screenWidth - kDefaultWindowSize.cx) / 2,
                                  (screenHeight - kDefaultWindowSize.cy) / 2, kDefaultWindowSize.cx,
                                  kDefaultWindowSize.cy});
}

Placement ClampPlacement(Placement p) {
  if (p.x < 0) p.x = 0;
  if (p.y < 0) p.y = 0;
  return p;
}

}  // namespace frame_layout

#include "controls/ThemeBox.h"

#include "controls/Drawing.h"
#include "theme/ThemeResources.h"

using namespace Gdiplus;

ThemeBoxLayout ComputeThemeBoxLayout(const CThemeBox& b) {
  ThemeBoxLayout l;
  const REAL L = static_cast<REAL>(b.left), T = static_cast<REAL>(b.top),
             R = static_cast<REAL>(b.right), B = static_cast<REAL>(b.bottom);
  l.outline = RectF(L, T, R - L - 1, B - T - 1);
  l.titleBar = RectF(L, T, R - L - 1, 39);
  l.dividerFrom = PointF(L + 1, T + 39);
  l.dividerTo = PointF(R - 2, T + 39);
  l.titleText = RectF(L + 10, T + 10, R - L - 20, 40);
  return l;
}

void DrawThemeBox(Graphics& g, const CThemeBox& box) {
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  ThemeBoxLayout l = ComputeThemeBoxLayout(box);
  GraphicsPath outline, titleBar;
  AddRoundedRectPath(outline, l.outline.X, l.outline.Y, l.outline.Width, l.outline.Height, 20,
                     kCornerTopLeft | kCornerTopRight);
  AddRoundedRectPath(titleBar, l.titleBar.X, l.titleBar.Y, l.titleBar.Width, l.titleBar.Height, 20,
                     kCornerTopLeft | kCornerTopRight);
  LinearGradientBrush gradient(l.titleBar, ToColor(Theme().GetColor(L"general/container/bg_top")),
                               ToColor(Theme().GetColor(L"general/container/bg_bottom")),
                               LinearGradientModeVertical);
  gradient.SetWrapMode(WrapModeTile);
  g.FillPath(&gradient, &titleBar);
  Pen border(ToColor(Theme().GetColor(L"general/container/border")), 1.0f);
  g.DrawPath(&border, &outline);
  Pen divider(ToColor(Theme().GetColor(L"general/container/divider")), 1.0f);
  g.DrawLine(&divider, l.dividerFrom, l.dividerTo);

  std::unique_ptr<Font> font = MakeGdiplusFont(Theme().GetFont(L"client/large_bold"));
  if (!font || box.title.empty()) return;
  StringFormat format(StringFormatFlagsNoWrap);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  format.SetAlignment(StringAlignmentNear);
  format.SetLineAlignment(StringAlignmentNear);
  SolidBrush text(ToColor(Theme().GetColor(L"general/container/text")));
  DrawFittedString(g, *font, box.title, l.titleText, format, text);
}

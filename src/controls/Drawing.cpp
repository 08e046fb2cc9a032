#include "controls/Drawing.h"

#include <cmath>

#include "framework/Gdi.h"

using namespace Gdiplus;

void AddRoundedRectPathArcBox(GraphicsPath& path, float x, float y, float width, float height,
                              float r, float arcBox, int corners) {
  const float right = x + width, bottom = y + height;
  if (corners & kCornerTopLeft)
    path.AddArc(x, y, arcBox, arcBox, 180.0f, 90.0f);
  else
    path.AddLine(x, y, x, y);
  if (corners & kCornerTopRight)
    path.AddArc(right - r, y, arcBox, arcBox, 270.0f, 90.0f);
  else
    path.AddLine(right, y, right, y);
  if (corners & kCornerBottomRight)
    path.AddArc(right - r, bottom - r, arcBox, arcBox, 0.0f, 90.0f);
  else
    path.AddLine(right, bottom, right, bottom);
  if (corners & kCornerBottomLeft)
    path.AddArc(x, bottom - r, arcBox, arcBox, 90.0f, 90.0f);
  else
    path.AddLine(x, bottom, x, bottom);
  path.CloseFigure();
}

void AddRoundedRectPath(GraphicsPath& path, float x, float y, float width, float height, float r,
                        int corners) {
  AddRoundedRectPathArcBox(path, x, y, width, height, r, r, corners);
}

Color ToColor(ThemeColor c) { return Color(c); }
Color ToOpaqueColor(ThemeColor c) { return Color(0xFF000000u | (c & 0x00FFFFFFu)); }
RectF ToRectF(const RECT& r) {
  return RectF(static_cast<REAL>(r.left), static_cast<REAL>(r.top),
               static_cast<REAL>(r.right - r.left), static_cast<REAL>(r.bottom - r.top));
}

SIZE ImageSize(Image* image) {
  if (!image) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

void DrawBox(float r, ThemeColor fill, ThemeColor outline, float outlineWidth, const RectF& rect,
             int corners, Graphics& g) {
  SolidBrush brush(ToColor(fill));
  Pen pen(ToColor(outline), outlineWidth);
  if (r != 0.0f && corners != 0) {
    GraphicsPath path;
    AddRoundedRectPath(path, rect.X, rect.Y, rect.Width, rect.Height, r, corners);
    g.FillPath(&brush, &path);
    if (outlineWidth > 0.0f) g.DrawPath(&pen, &path);
  } else {
    g.FillRectangle(&brush, rect);
    if (outlineWidth > 0.0f) g.DrawRectangle(&pen, rect);
  }
}

std::unique_ptr<Font> MakeGdiplusFont(HFONT font) {
  if (!font) return nullptr;
  WindowDC screen(nullptr);
  auto f = std::make_unique<Font>(screen.get(), font);
  if (f->GetLastStatus() != Ok) return nullptr;
  return f;
}

namespace {

bool Fits(Graphics& g, const Font& font, const std::wstring& text, const RectF& rect,
          const StringFormat& format) {
  if (text.empty()) return true;
  RectF bounds;
  INT fitted = 0, lines = 0;
  if (g.MeasureString(text.c_str(), static_cast<INT>(text.size()), &font, rect, &format, &bounds,
                      &fitted, &lines) != Ok)
    return true;
  // Allow for rounding of the measured width.
  return fitted >= static_cast<INT>(text.size()) && bounds.Width <= rect.Width + 0.5f;
}

}  // namespace

std::wstring FitTextWithEllipsis(Graphics& g, const Font& font, std::wstring_view text,
                                 const RectF& rect, const StringFormat& format) {
  std::wstring full(text);
  if (Fits(g, font, full, rect, format)) return full;
  // The longest beginning that fits with the ellipsis (binary search).
  size_t lo = 0, hi = full.size();
  while (lo < hi) {
    size_t mid = (lo + hi + 1) / 2;
    std::wstring candidate = full.substr(0, mid) + L"\u2026";
    if (Fits(g, font, candidate, rect, format))
      lo = mid;
    else
      hi = mid - 1;
  }
  std::wstring head = full.substr(0, lo);
  while (!head.empty() && head.back() == L' ') head.pop_back();
  return head + L"\u2026";
}

void DrawFittedString(Graphics& g, const Font& font, std::wstring_view text, const RectF& rect,
                      const StringFormat& format, const Brush& brush) {
  std::wstring shown(text);
  StringTrimming t = format.GetTrimming();
  if (t == StringTrimmingEllipsisCharacter || t == StringTrimmingEllipsisWord ||
      t == StringTrimmingEllipsisPath)
    shown = FitTextWithEllipsis(g, font, text, rect, format);
  g.DrawString(shown.c_str(), static_cast<INT>(shown.size()), &font, rect, &format, &brush);
}

TextRenderingHint ThemeTextHint(float emSize, bool bold) {
  return (emSize > 14.0f || bold) ? TextRenderingHintAntiAlias : TextRenderingHintClearTypeGridFit;
}

void DrawThemedText(int formatFlags, const Font& font, Graphics& g, const RectF& rect,
                    std::wstring_view text, const Brush& brush, StringAlignment horizontal,
                    StringAlignment vertical, bool showPrefixes, bool leaveRenderingHint) {
  if (text.empty()) return;
  StringFormat format(formatFlags | StringFormatFlagsLineLimit);
  format.SetAlignment(horizontal);
  format.SetLineAlignment(vertical);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  if (showPrefixes) format.SetHotkeyPrefix(HotkeyPrefixShow);
  if (!leaveRenderingHint) {
    bool bold = (font.GetStyle() & FontStyleBold) != 0;
    g.SetTextRenderingHint(ThemeTextHint(font.GetSize(), bold));
  }
  DrawFittedString(g, font, text, rect, format, brush);
}

void DrawThemedText(int formatFlags, HFONT font, Graphics& g, const RectF& rect,
                    std::wstring_view text, const Brush& brush, StringAlignment horizontal,
                    StringAlignment vertical, bool showPrefixes, bool leaveRenderingHint) {
  if (text.empty()) return;
  std::unique_ptr<Font> f = MakeGdiplusFont(font);
  if (!f) return;
  DrawThemedText(formatFlags, *f, g, rect, text, brush, horizontal, vertical, showPrefixes,
                 leaveRenderingHint);
}

bool FillVerticalGradientGdi(HDC dc, const RECT& rect, ThemeColor top, ThemeColor bottom) {
  if (ThemeAlpha(top) != 255 || ThemeAlpha(bottom) != 255) return false;
  TRIVERTEX v[2] = {};
  v[0].x = rect.left;
  v[0].y = rect.top;
  v[0].Red = static_cast<COLOR16>(ThemeRed(top) << 8);
  v[0].Green = static_cast<COLOR16>(ThemeGreen(top) << 8);
  v[0].Blue = static_cast<COLOR16>(ThemeBlue(top) << 8);
  v[1].x = rect.right;
  v[1].y = rect.bottom;
  v[1].Red = static_cast<COLOR16>(ThemeRed(bottom) << 8);
  v[1].Green = static_cast<COLOR16>(ThemeGreen(bottom) << 8);
  v[1].Blue = static_cast<COLOR16>(ThemeBlue(bottom) << 8);
  GRADIENT_RECT r{0, 1};
  return ::GdiGradientFill(dc, v, 2, &r, 1, GRADIENT_FILL_RECT_V) != FALSE;
}

StatusBannerLayout ComputeStatusBannerLayout(int x, int y, int width, int height, SIZE iconSize) {
  StatusBannerLayout l;
  l.icon = POINT{x + 10, y + 5};
  float left = static_cast<float>(x + iconSize.cx + 20);
  l.text = RectF(left, static_cast<float>(y + 5), static_cast<float>(x + width) - left,
                 static_cast<float>(height - 10));
  return l;
}

void DrawStatusBanner(Graphics& g, Image* icon, std::wstring_view text, HFONT font, ThemeColor top,
                      ThemeColor bottom, ThemeColor textColor, int x, int y, int width,
                      int height) {
  RectF rc(static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
           static_cast<REAL>(height));
  LinearGradientBrush gradient(rc, ToColor(top), ToColor(bottom), LinearGradientModeVertical);
  g.FillRectangle(&gradient, rc);
  Pen pen(ToColor(bottom), 1.0f);
  g.DrawRectangle(&pen, rc);
  StatusBannerLayout l = ComputeStatusBannerLayout(x, y, width, height, ImageSize(icon));
  if (icon) {
    SIZE s = ImageSize(icon);
    g.DrawImage(icon, static_cast<INT>(l.icon.x), static_cast<INT>(l.icon.y),
                static_cast<INT>(s.cx), static_cast<INT>(s.cy));
  }
  SolidBrush brush(ToColor(textColor));
  DrawThemedText(0, font, g, l.text, text, brush, StringAlignmentNear, StringAlignmentCenter);
}

ColorMatrix SaturationMatrix(float s) {
  const float lr = 0.3086f * (1 - s), lg = 0.6094f * (1 - s), lb = 0.0820f * (1 - s);
  // GDI+ multiplies row vectors: out[j] = sum_i in[i] * m[i][j].
  ColorMatrix m = {{{lr + s, lr, lr, 0, 0},
                    {lg, lg + s, lg, 0, 0},
                    {lb, lb, lb + s, 0, 0},
                    {0, 0, 0, 1, 0},
                    {0, 0, 0, 0, 1}}};
  return m;
}

void DrawImageSaturated(Graphics& g, Image* image, float saturation, int x, int y, int width,
                        int height) {
  if (!image) return;
  ColorMatrix m = SaturationMatrix(saturation);
  ImageAttributes attrs;
  attrs.SetColorMatrix(&m, ColorMatrixFlagsDefault, ColorAdjustTypeBitmap);
  g.DrawImage(image, Rect(x, y, width, height), 0, 0, static_cast<INT>(image->GetWidth()),
              static_cast<INT>(image->GetHeight()), UnitPixel, &attrs);
}

HeaderLayout ComputeHeaderLayout(const RECT& client, SIZE imageSize) {
  HeaderLayout l{};
  l.header = RECT{client.left + 12, client.top + 12, client.right - 12, client.top + 72};
  bool hasImage = imageSize.cx > 0 && imageSize.cy > 0;
  l.image = POINT{20, l.header.top + (60 - imageSize.cy) / 2};
  int x0 = hasImage ? imageSize.cx + 32 : 32;
  l.title = RECT{x0, l.header.top + 6, l.header.right - 6, l.header.top + 40};
  l.subtitle = RECT{x0 + 3, l.header.top + 32, l.header.right - 6, l.header.bottom};
  return l;
}

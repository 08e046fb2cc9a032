#pragma once
// Drawing functions shared by the pages and controls, and the pure layout
// functions behind them (rectangles in, rectangles out).

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>
#include <string_view>

#include "theme/ThemeResources.h"

// Corner bits of AddRoundedRectPath and DrawBox.
enum CornerBits : int {
  kCornerTopLeft = 1,
  kCornerTopRight = 2,
  kCornerBottomLeft = 4,
  kCornerBottomRight = 8,
  kCornerAll = 15,
};

// Adds a closed outline of the rectangle, clockwise from the top-left, each
// corner named in `corners` as a 90-degree arc in an r x r box, the others square.
void AddRoundedRectPath(Gdiplus::GraphicsPath& path, float x, float y, float width, float height,
                        float r, int corners);
// The same with the arcs placed as for size r but drawn in arcBox x arcBox boxes
// (the progress bar's track).
void AddRoundedRectPathArcBox(Gdiplus::GraphicsPath& path, float x, float y, float width,
                              float height, float r, float arcBox, int corners);

// Fills and outlines the rounded rectangle (r != 0 and corners != 0), else the
// plain rectangle. A zero outline width draws no outline.
void DrawBox(float r, ThemeColor fill, ThemeColor outline, float outlineWidth,
             const Gdiplus::RectF& rect, int corners, Gdiplus::Graphics& g);

// A GDI+ font for a GDI font (nullptr when there is no font).
std::unique_ptr<Gdiplus::Font> MakeGdiplusFont(HFONT font);

// Text with the two alignments, ellipsis trimming at characters, whole lines
// only, plus `formatFlags`. Accelerator prefixes are underlined when asked. Unless
// leaveRenderingHint, text is anti-aliased for fonts larger than 14 units or bold,
// ClearType-fitted otherwise. A missing font draws nothing.
void DrawThemedText(int formatFlags, HFONT font, Gdiplus::Graphics& g, const Gdiplus::RectF& rect,
                    std::wstring_view text, const Gdiplus::Brush& brush,
                    Gdiplus::StringAlignment horizontal, Gdiplus::StringAlignment vertical,
                    bool showPrefixes = false, bool leaveRenderingHint = false);
// The text as drawn into rect with an ellipsis trimming: unchanged when it fits,
// otherwise its longest beginning that fits with an ellipsis character (U+2026)
// after it. (Not every GDI+ implementation trims by itself.)
std::wstring FitTextWithEllipsis(Gdiplus::Graphics& g, const Gdiplus::Font& font,
                                 std::wstring_view text, const Gdiplus::RectF& rect,
                                 const Gdiplus::StringFormat& format);
// Draws text with the format, fitted first when its trimming is an ellipsis.
void DrawFittedString(Gdiplus::Graphics& g, const Gdiplus::Font& font, std::wstring_view text,
                      const Gdiplus::RectF& rect, const Gdiplus::StringFormat& format,
                      const Gdiplus::Brush& brush);
// The same with a GDI+ font the caller keeps (no font made per call).
void DrawThemedText(int formatFlags, const Gdiplus::Font& font, Gdiplus::Graphics& g,
                    const Gdiplus::RectF& rect, std::wstring_view text, const Gdiplus::Brush& brush,
                    Gdiplus::StringAlignment horizontal, Gdiplus::StringAlignment vertical,
                    bool showPrefixes = false, bool leaveRenderingHint = false);
// Fills rect with a vertical gradient through GDI when both colours are opaque
// (much cheaper than GDI+ on some platforms); returns false, drawing nothing,
// otherwise.
bool FillVerticalGradientGdi(HDC dc, const RECT& rect, ThemeColor top, ThemeColor bottom);
// The rendering hint DrawThemedText picks for a font of this size and weight.
Gdiplus::TextRenderingHint ThemeTextHint(float emSize, bool bold);

// The scan pages' coloured result banner.
void DrawStatusBanner(Gdiplus::Graphics& g, Gdiplus::Image* icon, std::wstring_view text,
                      HFONT font, ThemeColor top, ThemeColor bottom, ThemeColor textColor, int x,
                      int y, int width, int height);
struct StatusBannerLayout {
  POINT icon;           // top-left of the icon
  Gdiplus::RectF text;  // text rectangle
};
StatusBannerLayout ComputeStatusBannerLayout(int x, int y, int width, int height, SIZE iconSize);

// Draws the image into the rectangle keeping a fraction s of its colour: 1 is the
// image unchanged, 0 grey (luminance weights 0.3086, 0.6094, 0.0820).
void DrawImageSaturated(Gdiplus::Graphics& g, Gdiplus::Image* image, float saturation, int x, int y,
                        int width, int height);
// The colour matrix DrawImageSaturated uses.
Gdiplus::ColorMatrix SaturationMatrix(float saturation);

// Header of a themed page: layout in client coordinates.
struct HeaderLayout {
  RECT header;    // the gradient band, 60 pixels high
  POINT image;    // top-left of the header image (when there is one)
  RECT title;     // title text rectangle
  RECT subtitle;  // subtitle text rectangle
};
// imageSize {0, 0} means no image.
HeaderLayout ComputeHeaderLayout(const RECT& client, SIZE imageSize);

// Image helpers.
SIZE ImageSize(Gdiplus::Image* image);
Gdiplus::Color ToColor(ThemeColor c);
Gdiplus::Color ToOpaqueColor(ThemeColor c);
Gdiplus::RectF ToRectF(const RECT& r);

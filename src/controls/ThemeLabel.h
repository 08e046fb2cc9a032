#pragma once
// CThemeLabel: a text label drawn with anti-aliased text over its parent's
// background, with an optional rounded border. The owner sets the public fields
// and redraws it (Invalidate); a size change redraws it too.

#include <windows.h>
#include <gdiplus.h>

#include <memory>
#include <string>

#include "controls/MemDC.h"
#include "framework/Controls.h"
#include "theme/ThemeResources.h"

class CThemeLabel : public CStatic {
 public:
  CThemeLabel();
  ~CThemeLabel() override;

  std::wstring m_text;  // the window text when created or subclassed
  ThemeColor m_textColor;
  ThemeColor m_borderColor;
  float m_borderWidth = 0.0f;  // 0: no border
  int m_trimming = 3;          // Gdiplus::StringTrimming; 3 = ellipsis at a character
  int m_alignment = 0;         // 0 near, 1 centre, 2 far
  int m_lineAlignment = 0;     // vertical: 0 near, 1 centre, 2 far

  // The label's font (none: the platform's message font, made when first needed).
  HFONT GetFont();
  // Takes ownership of a font.
  void SetFont(UniqueFont font);
  // Sets the text as WM_SETTEXT does but leaves the label unpainted: its owner
  // paints it later (owners that change a label many times a second).
  void SetTextUnpainted(const std::wstring& text);

  // Paints the label into dc (the control's client area at 0, 0).
  void PaintTo(HDC dc);

 protected:
  void PreSubclassWindow() override;
  // Text and enable changes repaint through WM_PAINT only (the platform's static
  // control would draw its own text at once).
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnSize(UINT type, int cx, int cy) override;

 private:
  void Draw(Gdiplus::Graphics& g, const RECT& client);
  // The GDI+ form of the font, made once per font.
  Gdiplus::Font* DrawingFont();
  UniqueFont m_font;
  std::unique_ptr<Gdiplus::Font> m_drawingFont;
  CMemDCPerm m_scratch;  // reused off-screen surface of each paint
};

// The label's border and text rectangles within its client rectangle.
struct LabelLayout {
  bool hasBorder;
  Gdiplus::RectF border;  // outline of the rounded border (when hasBorder)
  Gdiplus::RectF text;    // text rectangle
};
LabelLayout ComputeLabelLayout(const RECT& client, float borderWidth);
// Size of a label around text measured at textSize (no layout limit).
SIZE LabelSizeForText(Gdiplus::SizeF textSize, float borderWidth);
// Measures the label's text in its font (giving it the message font first when it
// has none): the text size plus twice the border and 1, in whole pixels. dc may be
// nullptr (the screen is used).
SIZE MeasureLabelText(HDC dc, CThemeLabel& label);

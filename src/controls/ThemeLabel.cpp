#include "controls/ThemeLabel.h"

#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"

using namespace Gdiplus;

CThemeLabel::CThemeLabel()
    : m_textColor(Theme().GetColor(L"client/body_text")),
      m_borderColor(Theme().GetColor(L"general/label/border_color")) {}

CThemeLabel::~CThemeLabel() = default;

HFONT CThemeLabel::GetFont() {
  if (!m_font) m_font = CreateThemeFont(false, -1, false, false);
  return m_font.get();
}

void CThemeLabel::SetFont(UniqueFont font) {
  m_font = std::move(font);
  m_drawingFont.reset();
}

Font* CThemeLabel::DrawingFont() {
  if (!m_drawingFont) m_drawingFont = MakeGdiplusFont(GetFont());
  return m_drawingFont.get();
}

void CThemeLabel::PreSubclassWindow() { m_text = GetText(); }

LabelLayout ComputeLabelLayout(const RECT& client, float borderWidth) {
  LabelLayout l{};
  l.text = ToRectF(client);
  l.hasBorder = borderWidth > 0.0f;
  if (l.hasBorder) {
    const int w = static_cast<int>(borderWidth);
    const int width = client.right - client.left, height = client.bottom - client.top;
    const int x1 = client.left + w / 2, y1 = client.top + w / 2;
    const int x2 = client.left + width - w, y2 = client.top + height - w;
    l.border = RectF(static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2 - x1),
                     static_cast<REAL>(y2 - y1));
    l.text.X += borderWidth;
    l.text.Y += borderWidth;
    l.text.Width -= 2 * borderWidth;
    l.text.Height -= 2 * borderWidth;
  }
  return l;
}

SIZE LabelSizeForText(SizeF textSize, float borderWidth) {
  float w = textSize.Width, h = textSize.Height;
  if (borderWidth > 0.0f) {
    w += 2 * borderWidth;
    h += 2 * borderWidth;
  }
  return SIZE{static_cast<LONG>(w + 1), static_cast<LONG>(h + 1)};
}

SIZE MeasureLabelText(HDC dc, CThemeLabel& label) {
  std::unique_ptr<Font> font = MakeGdiplusFont(label.GetFont());
  WindowDC screen(nullptr);
  Graphics g(dc ? dc : screen.get());
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  RectF bounds;
  if (font && !label.m_text.empty())
    g.MeasureString(label.m_text.c_str(), static_cast<INT>(label.m_text.size()), font.get(),
                    PointF(0, 0), &bounds);
  return LabelSizeForText(SizeF(bounds.Width, bounds.Height), label.m_borderWidth);
}

void CThemeLabel::Draw(Graphics& g, const RECT& client) {
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  g.SetPixelOffsetMode(PixelOffsetModeHighQuality);
  g.SetTextRenderingHint(TextRenderingHintAntiAlias);
  LabelLayout l = ComputeLabelLayout(client, m_borderWidth);
  if (l.hasBorder) {
    GraphicsPath path;
    AddRoundedRectPath(path, l.border.X, l.border.Y, l.border.Width, l.border.Height, 5.0f,
                       kCornerAll);
    Pen pen(ToColor(m_borderColor), m_borderWidth);
    g.DrawPath(&pen, &path);
  }
  Font* f = DrawingFont();
  if (!f || m_text.empty()) return;
  StringFormat format;
  format.SetTrimming(static_cast<StringTrimming>(m_trimming));
  format.SetAlignment(static_cast<StringAlignment>(m_alignment));
  format.SetLineAlignment(static_cast<StringAlignment>(m_lineAlignment));
  SolidBrush brush(ToColor(m_textColor));
  DrawFittedString(g, *f, m_text, l.text, format, brush);
}

void CThemeLabel::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  CMemDCPerm* parent = ParentSurfaceOf(m_hWnd);
  if (!parent) {
    // No themed parent: straight onto the window.
    Graphics g(dc);
    Draw(g, rc);
    return;
  }
  RECT inParent = GetRectInParent();
  CMemDC2 mem(dc, rc, parent, POINT{inParent.left, inParent.top}, CLR_INVALID, &m_scratch);
  CSurfaceGraphics sg(mem);
  Graphics& g = sg;
  Draw(g, rc);
}

void CThemeLabel::SetTextUnpainted(const std::wstring& text) {
  m_text = text;
  // What WM_SETTEXT does below, without the invalidation and without the trip
  // through the window's subclasses.
  ::DefWindowProcW(m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(m_text.c_str()));
}

LRESULT CThemeLabel::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETTEXT: {
      m_text = lp ? reinterpret_cast<const wchar_t*>(lp) : L"";
      LRESULT r = ::DefWindowProcW(m_hWnd, msg, wp, lp);
      Invalidate(FALSE);
      return r;
    }
    case WM_ENABLE:
      Invalidate(FALSE);
      return 0;
    default:
      return CStatic::WindowProc(msg, wp, lp);
  }
}

void CThemeLabel::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CThemeLabel::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CThemeLabel::OnEraseBkgnd(HDC) { return TRUE; }

void CThemeLabel::OnSize(UINT type, int cx, int cy) {
  CStatic::OnSize(type, cx, cy);
  Invalidate(FALSE);
}

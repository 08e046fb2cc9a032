#include "controls/BaseDlg.h"

#include "controls/Drawing.h"
#include "framework/Gdi.h"

using namespace Gdiplus;

CBaseDlg::CBaseDlg(UINT templateId) : CBaseDlg(templateId, Theme().ResourceModule()) {}

CBaseDlg::CBaseDlg(UINT templateId, HINSTANCE resourceModule)
    : CDialog(templateId, resourceModule),
      m_textColor(Theme().GetColor(L"client/body_text")),
      m_brush(static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH))),
      m_background(LoadThemeImage(L"images/frame/background_grey_noise.png")) {}

CBaseDlg::~CBaseDlg() = default;

void CBaseDlg::SetHeader(std::unique_ptr<Bitmap> image, std::wstring title, std::wstring subtitle) {
  m_hasHeader = true;
  m_headerImage = std::move(image);
  m_title = std::move(title);
  m_subtitle = std::move(subtitle);
  m_pictureKey.clear();
  if (m_hWnd) Invalidate(FALSE);
}

void CBaseDlg::DrawContent(Graphics&) {}

void CBaseDlg::DrawBackground(HDC surface, const RECT& client) {
  // The background colour goes through the 24-bit form: always opaque.
  const ThemeColor background = Theme().GetColor(L"client/client_bg");
  if (HBRUSH tile = BackgroundBrush(background)) {
    // The picture tiled from the top-left corner over the colour.
    ::SetBrushOrgEx(surface, 0, 0, nullptr);
    ::FillRect(surface, &client, tile);
  } else {
    UniqueBrush bg(::CreateSolidBrush(ToColorRef(background)));
    ::FillRect(surface, &client, bg.get());
  }
}

HBRUSH CBaseDlg::BackgroundBrush(ThemeColor background) {
  if (!m_background) return nullptr;
  if (!m_backgroundBrush) {
    HBITMAP tile = nullptr;
    if (m_background->GetHBITMAP(ToOpaqueColor(background), &tile) != Ok || !tile) return nullptr;
    m_backgroundTile.reset(tile);
    m_backgroundBrush.reset(::CreatePatternBrush(tile));
  }
  return m_backgroundBrush.get();
}

void CBaseDlg::DrawHeaderBand(HDC dc, const RECT& client) {
  HeaderLayout l = ComputeHeaderLayout(client, ImageSize(m_headerImage.get()));
  const ThemeColor top = Theme().GetColor(L"general/header/blue_top");
  const ThemeColor bottom = Theme().GetColor(L"general/header/blue_bottom");
  RectF band = ToRectF(l.header);
  Graphics g(dc);
  if (!FillVerticalGradientGdi(dc, l.header, top, bottom)) {
    LinearGradientBrush gradient(band, ToColor(top), ToColor(bottom), LinearGradientModeVertical);
    g.FillRectangle(&gradient, band);
  }
  Pen outline(ToColor(bottom), 1.0f);
  g.DrawRectangle(&outline, band);
}

void CBaseDlg::DrawHeader(Graphics& g, const RECT& client) {
  HeaderLayout l = ComputeHeaderLayout(client, ImageSize(m_headerImage.get()));
  if (m_headerImage) {
    SIZE s = ImageSize(m_headerImage.get());
    g.DrawImage(m_headerImage.get(), static_cast<INT>(l.image.x), static_cast<INT>(l.image.y),
                static_cast<INT>(s.cx), static_cast<INT>(s.cy));
  }
  SolidBrush text(ToColor(m_textColor));
  if (!m_title.empty()) {
    if (!m_titleFont) m_titleFont = MakeGdiplusFont(Theme().GetFont(L"client/title_bold"));
    if (m_titleFont)
      DrawThemedText(0, *m_titleFont, g, ToRectF(l.title), m_title, text, StringAlignmentNear,
                     StringAlignmentNear);
  }
  if (!m_subtitle.empty()) {
    if (!m_subtitleFont) m_subtitleFont = MakeGdiplusFont(Theme().GetFont(L"client/subtitle"));
    if (m_subtitleFont)
      DrawThemedText(0, *m_subtitleFont, g, ToRectF(l.subtitle), m_subtitle, text,
                     StringAlignmentNear, StringAlignmentNear);
  }
}

void CBaseDlg::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  const SIZE kept = m_surface.GetSize();
  const bool sameSize = m_surface.IsValid() && kept.cx == w && kept.cy == h;
  HDC surface = m_surface.Begin(w, h);
  if (!surface) return;
  std::wstring key = PictureKey();
  if (!key.empty() && sameSize && key == m_pictureKey) {
    ::BitBlt(dc, 0, 0, w, h, surface, 0, 0, SRCCOPY);
    return;
  }
  m_pictureKey.clear();
  DrawBackground(surface, RECT{0, 0, w, h});
  if (m_hasHeader) DrawHeaderBand(surface, rc);
  {
    CSurfaceGraphics sg(m_surface);
    Graphics& g = sg;
    if (m_hasHeader) DrawHeader(g, rc);
    DrawContent(g);
  }
  m_pictureKey = std::move(key);
  ::BitBlt(dc, 0, 0, w, h, surface, 0, 0, SRCCOPY);
}

void CBaseDlg::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CBaseDlg::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CBaseDlg::OnEraseBkgnd(HDC) { return TRUE; }

HBRUSH CBaseDlg::OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) {
  switch (ctlColorMessage) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
      return CDialog::OnCtlColor(dc, control, ctlColorMessage);
    default:
      ::SetBkMode(dc, TRANSPARENT);
      return m_brush;
  }
}

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
  if (m_hWnd) Invalidate(FALSE);
}

void CBaseDlg::DrawContent(Graphics&) {}

void CBaseDlg::DrawHeader(Graphics& g, const RECT& client) {
  HeaderLayout l = ComputeHeaderLayout(client, ImageSize(m_headerImage.get()));
  RectF band = ToRectF(l.header);
  LinearGradientBrush gradient(band, ToColor(Theme().GetColor(L"general/header/blue_top")),
                               ToColor(Theme().GetColor(L"general/header/blue_bottom")),
                               LinearGradientModeVertical);
  g.FillRectangle(&gradient, band);
  Pen outline(ToColor(Theme().GetColor(L"general/header/blue_bottom")), 1.0f);
  g.DrawRectangle(&outline, band);
  if (m_headerImage) {
    SIZE s = ImageSize(m_headerImage.get());
    g.DrawImage(m_headerImage.get(), static_cast<INT>(l.image.x), static_cast<INT>(l.image.y),
                static_cast<INT>(s.cx), static_cast<INT>(s.cy));
  }
  SolidBrush text(ToColor(m_textColor));
  if (!m_title.empty())
    DrawThemeText(0, Theme().GetFont(L"client/title_bold"), g, ToRectF(l.title), m_title, text,
                  StringAlignmentNear, StringAlignmentNear);
  if (!m_subtitle.empty())
    DrawThemeText(0, Theme().GetFont(L"client/subtitle"), g, ToRectF(l.subtitle), m_subtitle, text,
                  StringAlignmentNear, StringAlignmentNear);
}

void CBaseDlg::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  HDC surface = m_surface.Begin(w, h);
  if (!surface) return;
  {
    // The background colour goes through the 24-bit form: always opaque.
    UniqueBrush bg(::CreateSolidBrush(ToColorRef(Theme().GetColor(L"client/client_bg"))));
    RECT all{0, 0, w, h};
    ::FillRect(surface, &all, bg.get());
    Graphics g(surface);
    if (m_background) {
      TextureBrush tile(m_background.get(), WrapModeTile);
      g.FillRectangle(&tile, 0, 0, w, h);
    }
    if (m_hasHeader) DrawHeader(g, rc);
    DrawContent(g);
    g.Flush(FlushIntentionSync);
  }
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

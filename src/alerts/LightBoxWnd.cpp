#include "alerts/LightBoxWnd.h"

#include "framework/Gdi.h"
#include "theme/ThemeResources.h"

namespace lb = lightbox_layout;

namespace {

void FillAndOutline(Gdiplus::Graphics& g, const Gdiplus::RectF& r, ThemeColor fill,
                    ThemeColor outline, float width) {
  Gdiplus::SolidBrush brush{Gdiplus::Color(fill)};
  g.FillRectangle(&brush, r);
  Gdiplus::Pen pen{Gdiplus::Color(outline), width};
  g.DrawRectangle(&pen, r);
}

}  // namespace

CLightBoxWnd::CLightBoxWnd(UINT templateId, HINSTANCE resourceModule)
    : CDialog(templateId, resourceModule) {
  m_closeImage = LoadThemeImage(L"images/Popups/register_close.png");
  m_closeOverImage = LoadThemeImage(L"images/Popups/register_close_over.png");
  m_topBar = LoadThemeImage(L"Images/Popups/top_bar_bg.png");
}

CLightBoxWnd::~CLightBoxWnd() = default;

namespace {

// Paints `window`'s client area and then its visible children (each with its
// borders, bottom of the z-order first) into dc: the window's client origin at
// `origin`, nothing outside `clip` (both in dc coordinates). Every window paints
// itself, so windows of other programs and the screen's edges play no part.
void PrintWindowTree(HWND window, HDC dc, POINT origin, const RECT& clip) {
  RECT client{};
  ::GetClientRect(window, &client);
  ::OffsetRect(&client, origin.x, origin.y);
  RECT visible{};
  if (!::IntersectRect(&visible, &client, &clip)) return;
  {
    const int saved = ::SaveDC(dc);
    UniqueRegion region(::CreateRectRgnIndirect(&visible));
    ::SelectClipRgn(dc, region.get());
    ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    ::SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                   PRF_CLIENT | PRF_ERASEBKGND);
    ::RestoreDC(dc, saved);
  }
  for (HWND child = ::GetWindow(::GetWindow(window, GW_CHILD), GW_HWNDLAST); child;
       child = ::GetWindow(child, GW_HWNDPREV)) {
    if (!::IsWindowVisible(child)) continue;
    RECT frame{};
    ::GetWindowRect(child, &frame);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&frame), 2);
    ::OffsetRect(&frame, origin.x, origin.y);
    RECT childClip{};
    if (!::IntersectRect(&childClip, &frame, &visible)) continue;
    {
      // The child's borders (nothing when it has none).
      const int saved = ::SaveDC(dc);
      UniqueRegion region(::CreateRectRgnIndirect(&childClip));
      ::SelectClipRgn(dc, region.get());
      ::SetViewportOrgEx(dc, frame.left, frame.top, nullptr);
      ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_NONCLIENT);
      ::RestoreDC(dc, saved);
    }
    POINT childOrigin{0, 0};
    ::MapWindowPoints(child, window, &childOrigin, 1);
    PrintWindowTree(child, dc, POINT{origin.x + childOrigin.x, origin.y + childOrigin.y},
                    childClip);
  }
}

}  // namespace

void CLightBoxWnd::TakeSnapshot() {
  HWND parent = GetParent();
  if (!parent) return;
  RECT client{};
  ::GetClientRect(parent, &client);
  HDC dc = m_snapshot.Begin(client.right, client.bottom);
  if (!dc) return;
  // The main window as it paints itself: not what happens to be on the screen,
  // where other windows may cover it and its parts off the screen are missing.
  PrintWindowTree(parent, dc, POINT{0, 0}, client);
  ::GdiFlush();
}

BOOL CLightBoxWnd::OnInitDialog() {
  CDialog::OnInitDialog();
  TakeSnapshot();
  // The popup is drawn over the frame: no border or caption of its own.
  ::SetWindowLongPtrW(
      m_hWnd, GWL_STYLE,
      GetStyle() & ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER));
  ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE,
                      ::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) &
                          ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE |
                                                 WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  if (HWND parent = GetParent()) {
    RECT client{};
    ::GetClientRect(parent, &client);
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT cover = lb::CoverRect(client);
    ::SetWindowPos(m_hWnd, nullptr, cover.left, cover.top, cover.right - cover.left,
                   cover.bottom - cover.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    m_originInParent = POINT{lb::kParentInset, lb::kParentInset};
  }
  const RECT c = GetClientRect();
  m_box = lb::BoxRect(c.right, c.bottom, m_boxWidth, m_boxHeight);
  const int barHeight = m_topBar ? static_cast<int>(m_topBar->GetHeight()) : 0;
  const int closeHeight = m_closeImage ? static_cast<int>(m_closeImage->GetHeight()) : 0;
  m_closeRect = lb::CloseButtonRect(m_box, barHeight, closeHeight);
  return TRUE;
}

BOOL CLightBoxWnd::OnEraseBkgnd(HDC) { return TRUE; }

void CLightBoxWnd::PaintTo(HDC dc) {
  const RECT c = GetClientRect();
  // The frozen main window, as it was when the popup opened.
  if (m_snapshot.IsValid())
    ::BitBlt(dc, 0, 0, c.right, c.bottom, m_snapshot.GetDC(), m_originInParent.x,
             m_originInParent.y, SRCCOPY);
  Gdiplus::Graphics g(dc);
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  CThemeResources& t = Theme();
  // Dim everything, then the box.
  FillAndOutline(g, Gdiplus::RectF(0.f, 0.f, c.right - 1.f, c.bottom - 1.f),
                 t.GetColor(L"general/lightbox/shadow_bg"),
                 t.GetColor(L"general/lightbox/shadow_border"), 1.f);
  const Gdiplus::RectF box(m_box.x, m_box.y, m_box.width, m_box.height);
  FillAndOutline(g, box, t.GetColor(L"general/lightbox/bg"), t.GetColor(L"general/lightbox/border"),
                 2.f);
  if (m_topBar) {
    Gdiplus::TextureBrush tile(m_topBar.get());
    tile.TranslateTransform(m_box.x, m_box.y);
    g.FillRectangle(&tile, Gdiplus::RectF(m_box.x, m_box.y, m_box.width,
                                          static_cast<float>(m_topBar->GetHeight())));
  }
  if (Gdiplus::Bitmap* img = m_closeHover ? m_closeOverImage.get() : m_closeImage.get())
    g.DrawImage(
        img, Gdiplus::Rect(m_closeRect.left, m_closeRect.top, m_closeRect.right - m_closeRect.left,
                           m_closeRect.bottom - m_closeRect.top));
  DrawContent(g, dc);
}

void CLightBoxWnd::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  // Only over a themed parent: elsewhere there is no picture to freeze.
  auto* parent = dynamic_cast<CTransparentParent*>(CWnd::FromHandle(GetParent()));
  if (!parent) return;
  const RECT c = GetClientRect();
  HDC mem = m_surface.Begin(c.right, c.bottom);
  if (!mem) return;
  PaintTo(mem);
  ::BitBlt(pdc.dc(), 0, 0, c.right, c.bottom, mem, 0, 0, SRCCOPY);
}

HBRUSH CLightBoxWnd::OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) {
  if (ctlColorMessage == WM_CTLCOLORSTATIC || ctlColorMessage == WM_CTLCOLORDLG) {
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(HOLLOW_BRUSH));
  }
  return CDialog::OnCtlColor(dc, control, ctlColorMessage);
}

void CLightBoxWnd::OnMouseMove(UINT, POINT pt) {
  const bool over = PtInRect(&m_closeRect, pt) != FALSE;
  if (over != m_closeHover) {
    m_closeHover = over;
    ::InvalidateRect(m_hWnd, &m_closeRect, FALSE);
  }
}

void CLightBoxWnd::OnLButtonDown(UINT, POINT pt) {
  if (PtInRect(&m_closeRect, pt)) {
    m_closePressed = true;
    ::SetCapture(m_hWnd);
  }
}

void CLightBoxWnd::OnLButtonUp(UINT, POINT pt) {
  const bool pressed = m_closePressed;
  m_closePressed = false;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (pressed && PtInRect(&m_closeRect, pt)) EndDialog(kCloseResult);
}

#include "app/BaseFrameWnd.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/Gdi.h"
#include "framework/WinAppEx.h"
#include "app/Settings.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace fl = frame_layout;

namespace {

using Gdiplus::Graphics;
using Gdiplus::Rect;
using Gdiplus::RectF;

UniqueFont MakeWindowFont() {
  NONCLIENTMETRICSW ncm{sizeof(ncm)};
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
  LOGFONTW lf = ncm.lfMessageFont;
  lf.lfWeight = FW_BOLD;
  lf.lfHeight = -12;
  return UniqueFont(CreateFontIndirectW(&lf));
}

// The image scaled into r, without the faded edges of plain scaling.
void DrawImage(Graphics& g, Gdiplus::Bitmap* image, const RECT& r) {
  if (!image) return;
  Gdiplus::ImageAttributes attrs;
  attrs.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
  g.DrawImage(image, Rect(r.left, r.top, r.right - r.left, r.bottom - r.top), 0, 0,
              static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()),
              Gdiplus::UnitPixel, &attrs);
}

// The image at its natural size, centred in r.
void DrawImageCentred(Graphics& g, Gdiplus::Bitmap* image, const RECT& r, BYTE alpha = 255) {
  if (!image) return;
  const int w = static_cast<int>(image->GetWidth());
  const int h = static_cast<int>(image->GetHeight());
  const int x = r.left + (r.right - r.left - w) / 2;
  const int y = r.top + (r.bottom - r.top - h) / 2;
  if (alpha == 255) {
    g.DrawImage(image, Rect(x, y, w, h));
    return;
  }
  Gdiplus::ColorMatrix m{};
  for (int i = 0; i < 5; ++i) m.m[i][i] = 1.f;
  m.m[3][3] = alpha / 255.f;
  Gdiplus::ImageAttributes attrs;
  attrs.SetColorMatrix(&m);
  g.DrawImage(image, Rect(x, y, w, h), 0, 0, w, h, Gdiplus::UnitPixel, &attrs);
}

void DrawFrameText(Graphics& g, HDC dc, HFONT font, const std::wstring& text, const RectF& r,
                   ThemeColor color, Gdiplus::StringAlignment h, Gdiplus::StringAlignment v) {
  if (!font || text.empty()) return;
  Gdiplus::Font f(dc, font);
  Gdiplus::StringFormat fmt;
  fmt.SetAlignment(h);
  fmt.SetLineAlignment(v);
  fmt.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
  fmt.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
  Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
  g.DrawString(text.c_str(), static_cast<int>(text.size()), &f, r, &fmt, &brush);
}

CWinAppEx* App() { return AfxGetApp(); }

}  // namespace

CBaseFrameWnd::CBaseFrameWnd() {
  m_titleBar = LoadThemeImage(L"images/Frame/title_bar.png");
  m_tabBg = LoadThemeImage(L"images/Frame/tab_bg.png");
  m_tabActiveBg = LoadThemeImage(L"images/Frame/tabactive_bg.png");
  m_tabOverBg = LoadThemeImage(L"images/Frame/tabover_bg.png");
  m_closeBg = LoadThemeImage(L"images/Frame/close_bg.png");
  m_min = LoadThemeImage(L"images/Frame/min.png");
  m_max = LoadThemeImage(L"images/Frame/max.png");
  m_restore = LoadThemeImage(L"images/Frame/restore.png");
  m_close = LoadThemeImage(L"images/Frame/close.png");
  m_partnerLogo = LoadThemeImage(L"images/Frame/microsoftlogo.png");
  m_logo = LoadThemeImage(L"images/Frame/logo.png");
}

CBaseFrameWnd::~CBaseFrameWnd() = default;

int CBaseFrameWnd::AddTab(const std::wstring& label, const wchar_t* iconPath, CWnd* page) {
  Tab t;
  t.index = static_cast<int>(m_tabs.size());
  t.rect = fl::TabRect(t.index);
  t.page = page;
  t.label = label;
  t.icon = LoadThemeImage(iconPath);
  m_tabs.push_back(std::move(t));
  return m_tabs.back().index;
}

void CBaseFrameWnd::AddFrameButton(UINT command, const std::wstring& label,
                                   const wchar_t* imagePath) {
  FrameButton b;
  b.command = command;
  b.label = label;
  b.image = LoadThemeImage(imagePath);
  m_buttons.push_back(std::move(b));
  RecalcLayout();
}

CWnd* CBaseFrameWnd::GetTabPage(int tab) const {
  return tab >= 0 && tab < GetTabCount() ? m_tabs[tab].page : nullptr;
}

CWnd* CBaseFrameWnd::GetVisiblePage() const {
  if (m_standalone) return m_standalone;
  return GetTabPage(m_activeTab);
}

RECT CBaseFrameWnd::PageAreaRect() const {
  const RECT c = GetClientRect();
  return fl::PageArea(c.right, c.bottom);
}

void CBaseFrameWnd::PlacePage(CWnd* page) {
  if (!page || !page->m_hWnd || !m_hWnd) return;
  const RECT c = GetClientRect();
  const RECT r = fl::PageRect(c.right, c.bottom);
  ::SetWindowPos(page->m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CBaseFrameWnd::HidePage(CWnd* page) {
  if (page && page->m_hWnd) page->ShowWindow(SW_HIDE);
}

void CBaseFrameWnd::SetTabPage(int tab, CWnd* page) {
  if (tab < 0 || tab >= GetTabCount()) return;
  EnsurePageWindow(page);
  CWnd* old = m_tabs[tab].page;
  m_tabs[tab].page = page;
  if (tab == m_activeTab && !m_standalone) {
    if (old != page) HidePage(old);
    PlacePage(page);
    if (page && page->m_hWnd) page->ShowWindow(SW_SHOW);
  } else {
    PlacePage(page);
  }
}

void CBaseFrameWnd::SelectTab(int tab, bool userInitiated) {
  if (tab < 0 || tab >= GetTabCount()) return;
  if (m_standalone) {
    HidePage(m_standalone);
    m_standalone = nullptr;
  }
  if (CWnd* current = GetTabPage(m_activeTab)) HidePage(current);
  m_activeTab = tab;
  OnGoToStartPage(tab, userInitiated);
  EnsurePageWindow(m_tabs[tab].page);
  if (CWnd* page = m_tabs[tab].page; page && page->m_hWnd) {
    PlacePage(page);
    page->ShowWindow(SW_SHOW);
    ::SetFocus(page->m_hWnd);
  }
  RepaintNow();
}

void CBaseFrameWnd::ShowStandalonePage(CWnd* page) {
  EnsurePageWindow(page);
  if (CWnd* current = GetVisiblePage(); current && current != page) HidePage(current);
  m_standalone = page;
  m_activeTab = -1;
  if (page && page->m_hWnd) {
    PlacePage(page);
    page->ShowWindow(SW_SHOW);
  }
  RepaintNow();
}

void CBaseFrameWnd::SetTabsEnabled(bool enabled) {
  m_tabsEnabled = enabled;
  if (!enabled) {
    m_pressed = Pressed{};
    m_hoverTab = m_hoverButton = -1;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  }
  RepaintNow();
}

void CBaseFrameWnd::RequestShutdown() { Post(WM_CLOSE); }

bool CBaseFrameWnd::ConfirmEndSession() {
  return AppMessageBox(m_hWnd, Theme().LoadResString(IDS_END_SESSION_QUESTION),
                       Theme().GetString(L"app_name"), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// ---- creation, layout, placement --------------------------------------------

int CBaseFrameWnd::OnCreate(CREATESTRUCTW* cs) {
  if (CFrameWnd::OnCreate(cs) == -1) return -1;
  m_font = MakeWindowFont();
  const int sw = GetSystemMetrics(SM_CXSCREEN);
  const int sh = GetSystemMetrics(SM_CYSCREEN);
  fl::Placement p{settings::DefaultXPos(sw), settings::DefaultYPos(sh), settings::kDefaultWidth,
                  settings::kDefaultHeight};
  if (CWinAppEx* app = App()) {
    p.x = app->ReadProfileInt(settings::kXPos, p.x);
    p.y = app->ReadProfileInt(settings::kYPos, p.y);
    p.width = app->ReadProfileInt(settings::kWidth, p.width);
    p.height = app->ReadProfileInt(settings::kHeight, p.height);
  }
  p = fl::ClampPlacement(p);
  ::SetWindowPos(m_hWnd, nullptr, p.x, p.y, p.width, p.height, SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

void CBaseFrameWnd::RecalcLayout() {
  if (!m_hWnd) return;
  const RECT c = GetClientRect();
  for (size_t n = 0; n < m_buttons.size(); ++n)
    m_buttons[n].rect = fl::FrameButtonRect(c.right, static_cast<int>(n));
  for (auto& t : m_tabs) t.rect = fl::TabRect(t.index);
  if (CWnd* page = GetVisiblePage()) PlacePage(page);
}

SIZE CBaseFrameWnd::CaptionGroupSize() const {
  if (m_closeBg)
    return SIZE{static_cast<LONG>(m_closeBg->GetWidth()),
                static_cast<LONG>(m_closeBg->GetHeight())};
  return fl::kDefaultCaptionGroup;
}

void CBaseFrameWnd::SavePlacement() {
  // A minimised window has no placement worth keeping (it sits far off screen).
  if (!m_hWnd || ::IsIconic(m_hWnd)) return;
  CWinAppEx* app = App();
  if (!app) return;
  const RECT r = GetWindowRect();
  app->WriteProfileInt(settings::kXPos, r.left);
  app->WriteProfileInt(settings::kYPos, r.top);
  app->WriteProfileInt(settings::kWidth, r.right - r.left);
  app->WriteProfileInt(settings::kHeight, r.bottom - r.top);
}

void CBaseFrameWnd::OnSize(UINT type, int cx, int cy) {
  CFrameWnd::OnSize(type, cx, cy);
  SavePlacement();
  RecalcLayout();
  Invalidate(FALSE);
}

void CBaseFrameWnd::OnMove(int x, int y) {
  CFrameWnd::OnMove(x, y);
  SavePlacement();
  RecalcLayout();
}

void CBaseFrameWnd::OnGetMinMaxInfo(MINMAXINFO* info) {
  info->ptMinTrackSize.x = fl::kMinTrackSize.cx;
  info->ptMinTrackSize.y = fl::kMinTrackSize.cy;
  // Maximised: the work area of the window's monitor, with the frame borders outside it.
  HMONITOR mon = ::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi{sizeof(mi)};
  if (mon && ::GetMonitorInfoW(mon, &mi)) {
    RECT frame = mi.rcWork;
    // Every border of the window, but no caption bar: without WS_DLGFRAME the
    // style has none, and WS_BORDER still counts.
    DWORD style = static_cast<DWORD>(GetStyle());
    if ((style & WS_CAPTION) == WS_CAPTION) style &= ~WS_DLGFRAME;
    ::AdjustWindowRectEx(&frame, style, FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)));
    info->ptMaxPosition.x = frame.left - mi.rcMonitor.left;
    info->ptMaxPosition.y = frame.top - mi.rcMonitor.top;
    info->ptMaxSize.x = frame.right - frame.left;
    info->ptMaxSize.y = frame.bottom - frame.top;
  }
}

// ---- painting ----------------------------------------------------------------

BOOL CBaseFrameWnd::OnEraseBkgnd(HDC) { return TRUE; }

void CBaseFrameWnd::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CBaseFrameWnd::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

void CBaseFrameWnd::RepaintNow() {
  if (!m_hWnd) return;
  ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

CBaseFrameWnd::ChromeKey CBaseFrameWnd::CurrentChromeKey() const {
  const RECT c = GetClientRect();
  ChromeKey k;
  k.width = c.right;
  k.height = c.bottom;
  k.activeTab = m_activeTab;
  k.hoverTab = m_hoverTab;
  k.hoverButton = m_hoverButton;
  k.tabsEnabled = m_tabsEnabled;
  k.zoomed = m_hWnd && ::IsZoomed(m_hWnd);
  k.tabs = m_tabs.size();
  k.buttons = m_buttons.size();
  return k;
}

HDC CBaseFrameWnd::UpToDateChrome() {
  const ChromeKey key = CurrentChromeKey();
  size_t reuse = 0;  // an empty picture, else the one used longest ago
  for (size_t i = 0; i < m_chromes.size(); ++i) {
    Chrome& c = m_chromes[i];
    if (c.valid && c.key == key && c.surface.IsValid()) {
      m_chrome = i;
      c.lastUse = ++m_chromeUses;
      return c.surface.GetDC();
    }
    const Chrome& r = m_chromes[reuse];
    if (r.valid && (!c.valid || c.lastUse < r.lastUse)) reuse = i;
  }
  Chrome& c = m_chromes[reuse];
  m_chrome = reuse;
  c.valid = false;
  HDC chrome = c.surface.Begin(key.width, key.height);
  if (!chrome) return nullptr;
  FillChromeBackground(chrome);
  {
    // Straight into the surface's pixels: much quicker than through its DC.
    CSurfaceGraphics sg(c.surface);
    PaintChrome(sg, chrome);
  }
  c.key = key;
  c.valid = true;
  c.lastUse = ++m_chromeUses;
  return chrome;
}

void CBaseFrameWnd::PaintTo(HDC dc) {
  const RECT c = GetClientRect();
  if (HDC chrome = UpToDateChrome()) {
    ::BitBlt(dc, 0, 0, c.right, c.bottom, chrome, 0, 0, SRCCOPY);
    return;
  }
  FillChromeBackground(dc);
  Graphics g(dc);
  PaintChrome(g, dc);
}

void CBaseFrameWnd::FillChromeBackground(HDC dc) {
  // Always opaque: a plain GDI fill gives the same pixels as GDI+, much quicker.
  const RECT c = GetClientRect();
  UniqueBrush bg(::CreateSolidBrush(ToColorRef(Theme().GetColor(L"client/client_bg"))));
  ::FillRect(dc, &c, bg.get());
}

void CBaseFrameWnd::PaintChrome(Graphics& g, HDC dc) {
  const RECT c = GetClientRect();
  g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  g.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
  PaintHeader(g, dc, c.right);
  PaintTabs(g, dc, c.bottom);
  PaintFrameButtons(g, dc);
  PaintCaptionButtons(g);
  // The page area's border, one pixel wide: four strips give the pixels of an
  // outline pen, which is far slower to draw around so large an area.
  const RECT a = fl::PageArea(c.right, c.bottom);
  Gdiplus::SolidBrush border{Gdiplus::Color(Theme().GetColor(L"client/child_frame"))};
  g.SetSmoothingMode(Gdiplus::SmoothingModeNone);
  const INT w = a.right - a.left, h = a.bottom - a.top;
  g.FillRectangle(&border, static_cast<INT>(a.left), static_cast<INT>(a.top), w, 1);
  g.FillRectangle(&border, static_cast<INT>(a.left), static_cast<INT>(a.bottom - 1), w, 1);
  g.FillRectangle(&border, static_cast<INT>(a.left), static_cast<INT>(a.top + 1), 1, h - 2);
  g.FillRectangle(&border, static_cast<INT>(a.right - 1), static_cast<INT>(a.top + 1), 1, h - 2);
}

void CBaseFrameWnd::PaintHeader(Graphics& g, HDC, int width) {
  if (m_titleBar) {
    // Tiled across: a narrow strip stretched would fade at its edges.
    Gdiplus::TextureBrush tile(m_titleBar.get());
    g.FillRectangle(&tile, 0, 0, width, m_headerHeight);
  }
  if (m_logo) {
    const int h = static_cast<int>(m_logo->GetHeight());
    g.DrawImage(m_logo.get(),
                Rect(14, (m_headerHeight - h) / 2, static_cast<int>(m_logo->GetWidth()), h));
  }
}

void CBaseFrameWnd::PaintTabs(Graphics& g, HDC dc, int height) {
  HFONT font = Theme().GetFont(L"client/tab");
  const ThemeColor text = Theme().GetColor(L"client/tab_text");
  const ThemeColor textActive = Theme().GetColor(L"client/tab_text_active");
  for (const Tab& t : m_tabs) {
    const bool active = t.index == m_activeTab;
    const bool hover = !active && m_tabsEnabled && t.index == m_hoverTab;
    Gdiplus::Bitmap* bg = active ? m_tabActiveBg.get() : hover ? m_tabOverBg.get() : m_tabBg.get();
    DrawImage(g, bg, t.rect);
    // Icon on the left, label beside it; disabled tabs are faded.
    const BYTE alpha = (m_tabsEnabled || active) ? 255 : 110;
    const RECT iconBox{t.rect.left + 8, t.rect.top, t.rect.left + 40, t.rect.bottom};
    DrawImageCentred(g, t.icon.get(), iconBox, alpha);
    ThemeColor color = active ? textActive : text;
    if (alpha != 255) color = (color & 0x00FFFFFFu) | (static_cast<ThemeColor>(alpha) << 24);
    const RectF lr(static_cast<float>(t.rect.left + 44), static_cast<float>(t.rect.top),
                   static_cast<float>(t.rect.right - t.rect.left - 48),
                   static_cast<float>(t.rect.bottom - t.rect.top));
    DrawFrameText(g, dc, font, t.label, lr, color, Gdiplus::StringAlignmentNear,
                  Gdiplus::StringAlignmentCenter);
  }
  if (m_partnerLogo) {
    const int w = static_cast<int>(m_partnerLogo->GetWidth());
    const int h = static_cast<int>(m_partnerLogo->GetHeight());
    const int x = (fl::kTabStripWidth - w) / 2;
    const int y = height - h - 12;
    if (y > fl::TabRect(GetTabCount()).top) g.DrawImage(m_partnerLogo.get(), Rect(x, y, w, h));
  }
}

void CBaseFrameWnd::PaintFrameButtons(Graphics& g, HDC dc) {
  HFONT font = Theme().GetFont(L"client/normal");
  const ThemeColor text = Theme().GetColor(L"client/upper_icon_text");
  const ThemeColor over = Theme().GetColor(L"client/upper_icon_text_over");
  const int clientRight = GetClientRect().right;
  std::unique_ptr<Gdiplus::Font> gdiFont;
  if (font) gdiFont = std::make_unique<Gdiplus::Font>(dc, font);
  constexpr int kGap = 4;
  int flowRight = clientRight;
  for (size_t n = 0; n < m_buttons.size(); ++n) {
    const FrameButton& b = m_buttons[n];
    const bool hover = m_tabsEnabled && static_cast<int>(n) == m_hoverButton;
    const RECT r = b.rect;
    // Icon and label side by side. The buttons' contents flow from the window's
    // right edge leftwards (the rightmost button reaches past the edge, so its
    // own visible part is too narrow for its label).
    const int iconW = b.image ? static_cast<int>(b.image->GetWidth()) : 0;
    const int iconH = b.image ? static_cast<int>(b.image->GetHeight()) : 0;
    float labelW = 0.f;
    if (gdiFont && !b.label.empty()) {
      Gdiplus::RectF box;
      g.MeasureString(b.label.c_str(), static_cast<int>(b.label.size()), gdiFont.get(),
                      Gdiplus::PointF(0.f, 0.f), &box);
      labelW = box.Width + 4.f;  // drawing pads the text a little more than measuring
    }
    const int contentW = iconW + (iconW && labelW > 0 ? kGap : 0) + static_cast<int>(labelW + 0.5f);
    const int visibleRight = std::min<int>({r.right - 6, clientRight - 6, flowRight});
    int x = visibleRight - contentW;
    flowRight = x - 12;
    if (b.image) {
      g.DrawImage(b.image.get(), Rect(x, r.top + (r.bottom - r.top - iconH) / 2, iconW, iconH));
      x += iconW + kGap;
    }
    const RectF tr(static_cast<float>(x), static_cast<float>(r.top),
                   static_cast<float>(std::max(visibleRight + 6 - x, 0)),
                   static_cast<float>(r.bottom - r.top));
    DrawFrameText(g, dc, font, b.label, tr, hover ? over : text, Gdiplus::StringAlignmentNear,
                  Gdiplus::StringAlignmentCenter);
  }
}

void CBaseFrameWnd::PaintCaptionButtons(Graphics& g) {
  const RECT c = GetClientRect();
  const SIZE size = CaptionGroupSize();
  const RECT group = fl::CaptionGroupRect(c.right, size);
  if (m_closeBg) g.DrawImage(m_closeBg.get(), Rect(group.left + 4, group.top, size.cx, size.cy));
  const bool maximised = m_hWnd && ::IsZoomed(m_hWnd);
  DrawImageCentred(g, m_min.get(), fl::CaptionPartRect(c.right, size, fl::CaptionPart::Minimize));
  DrawImageCentred(g, maximised ? m_restore.get() : m_max.get(),
                   fl::CaptionPartRect(c.right, size, fl::CaptionPart::Maximize));
  DrawImageCentred(g, m_close.get(), fl::CaptionPartRect(c.right, size, fl::CaptionPart::Close));
}

// ---- mouse -------------------------------------------------------------------

int CBaseFrameWnd::HitTab(POINT pt) const { return fl::TabAt(pt, GetTabCount()); }

int CBaseFrameWnd::HitFrameButton(POINT pt) const {
  for (size_t n = 0; n < m_buttons.size(); ++n)
    if (PtInRect(&m_buttons[n].rect, pt)) return static_cast<int>(n);
  return -1;
}

void CBaseFrameWnd::UpdateHover(POINT pt) {
  const int tab = HitTab(pt);
  const int button = HitFrameButton(pt);
  if (tab != m_hoverTab || button != m_hoverButton) {
    m_hoverTab = tab;
    m_hoverButton = button;
    Invalidate(FALSE);
  }
  if (!m_tracking && (tab >= 0 || button >= 0)) {
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
    m_tracking = ::TrackMouseEvent(&tme) != FALSE;
  }
}

void CBaseFrameWnd::OnMouseMove(UINT, POINT pt) {
  if (!m_tabsEnabled) return;
  UpdateHover(pt);
}

void CBaseFrameWnd::OnLButtonDown(UINT, POINT pt) {
  if (!m_tabsEnabled) return;
  const int tab = HitTab(pt);
  const int button = tab < 0 ? HitFrameButton(pt) : -1;
  if (tab < 0 && button < 0) return;
  m_pressed =
      Pressed{true, tab >= 0 ? ItemKind::Tab : ItemKind::FrameButton, tab >= 0 ? tab : button};
  ::SetCapture(m_hWnd);
  Invalidate(FALSE);
}

void CBaseFrameWnd::OnLButtonUp(UINT, POINT pt) {
  const Pressed pressed = m_pressed;
  m_pressed = Pressed{};
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  if (!m_tabsEnabled || !pressed.active) return;
  if (pressed.kind == ItemKind::Tab && HitTab(pt) == pressed.item) {
    SelectTab(pressed.item, true);
  } else if (pressed.kind == ItemKind::FrameButton && HitFrameButton(pt) == pressed.item) {
    Send(WM_COMMAND, MAKEWPARAM(m_buttons[pressed.item].command, 0), 0);
  } else {
    Invalidate(FALSE);
  }
}

void CBaseFrameWnd::OnCaptureChanged(HWND) { m_pressed = Pressed{}; }

LRESULT CBaseFrameWnd::OnNcHitTest(POINT screenPt) {
  POINT pt = screenPt;
  ::ScreenToClient(m_hWnd, &pt);
  const RECT c = GetClientRect();
  if (auto code = fl::HitTest(pt, c.right, CaptionGroupSize(), static_cast<int>(m_buttons.size())))
    return *code;
  return CFrameWnd::OnNcHitTest(screenPt);
}

void CBaseFrameWnd::OnNcLButtonDown(UINT hitTest, POINT screenPt) {
  switch (hitTest) {
    case HTMINBUTTON:
      Send(WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return;
    case HTMAXBUTTON:
      Send(WM_SYSCOMMAND, ::IsZoomed(m_hWnd) ? SC_RESTORE : SC_MAXIMIZE, 0);
      return;
    case HTCLOSE:
      Send(WM_CLOSE);
      return;
    default:
      CFrameWnd::OnNcLButtonDown(hitTest, screenPt);
  }
}

LRESULT CBaseFrameWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSELEAVE:
      m_tracking = false;
      if (m_hoverTab >= 0 || m_hoverButton >= 0) {
        m_hoverTab = m_hoverButton = -1;
        Invalidate(FALSE);
      }
      return 0;
    case WM_NCMOUSEHOVER:
      return 0;
    case WM_DWMCOMPOSITIONCHANGED:
      Invalidate(FALSE);
      return 0;
    case WM_QUERYENDSESSION:
      // While a scan or a cleaning runs, the user decides whether the session may end.
      if (IsNavigationLocked() && !ConfirmEndSession()) return FALSE;
      return TRUE;
    case WM_ENDSESSION:
      if (wp) RequestShutdown();
      return 0;
    default:
      return CFrameWnd::WindowProc(msg, wp, lp);
  }
}

#include "controls/ThemeButton.h"

#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"

using namespace Gdiplus;

CThemeButton::CThemeButton() = default;
CThemeButton::~CThemeButton() = default;

void CThemeButton::SetImages(const std::wstring& normal, const std::wstring& hover,
                             const std::wstring& pressed, const std::wstring& disabled) {
  m_normal = LoadThemeImage(normal);
  m_hover = LoadThemeImage(hover);
  m_pressed = LoadThemeImage(pressed);
  m_disabled = LoadThemeImage(disabled);
  if (m_hWnd) {
    SizeToImage();
    Invalidate(FALSE);
  }
}

void CThemeButton::SizeToImage() {
  if (!m_hWnd || !m_normal) return;
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, static_cast<int>(m_normal->GetWidth()),
                 static_cast<int>(m_normal->GetHeight()),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CThemeButton::PreSubclassWindow() {
  // Owner-drawn, so that every drawing of the platform button comes back to us.
  LONG_PTR style = GetStyle();
  ::SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  SizeToImage();
}

Bitmap* CThemeButton::ImageFor(bool enabled, int state) const {
  if (!enabled && m_disabled) return m_disabled.get();
  switch (state) {
    case kHover:
      return m_hover.get();
    case kPressed:
      return m_pressed.get();
    default:
      return m_normal.get();
  }
}

bool CThemeButton::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  HWND parent = GetParent();
  CTransparentParent* tp = TransparentParentOf(parent);
  Bitmap* image = ImageFor(IsWindowEnabled() != FALSE, m_state);
  const bool focused = ::GetFocus() == m_hWnd;
  auto draw = [&](Graphics& g) {
    if (!image || !m_normal) return;
    g.DrawImage(image, 0, 0, static_cast<INT>(m_normal->GetWidth()),
                static_cast<INT>(m_normal->GetHeight()));
    if (focused) {
      // The keyboard's place: a dotted frame inside the picture.
      Pen pen(Color(200, 0, 0, 0), 1.0f);
      pen.SetDashStyle(DashStyleDot);
      g.DrawRectangle(&pen, 2.5f, 2.5f, static_cast<REAL>(m_normal->GetWidth()) - 6.0f,
                      static_cast<REAL>(m_normal->GetHeight()) - 6.0f);
    }
  };
  if (!tp) {
    Graphics g(dc);
    draw(g);
    return true;
  }
  CMemDCPerm* surface = tp->GetBackgroundSurface();
  RECT inParent = GetRectInParent();
  if (!surface || !surface->IsValid()) {
    RECT around = inParent;
    ::InflateRect(&around, 1, 1);
    ::InvalidateRect(parent, &around, FALSE);
    return false;
  }
  CMemDC2 mem(dc, rc, surface, POINT{inParent.left, inParent.top}, CLR_INVALID, &m_scratch);
  {
    CSurfaceGraphics sg(mem);
    draw(sg);
  }
  return true;
}

void CThemeButton::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CThemeButton::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CThemeButton::OnEraseBkgnd(HDC) { return TRUE; }

bool CThemeButton::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
  if (msg == WM_DRAWITEM) {
    // The platform button asked its owner to draw (focus, state changes).
    PaintTo(reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hDC);
    *result = TRUE;
    return true;
  }
  return false;
}

LRESULT CThemeButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case BM_SETSTATE:
    case WM_ENABLE: {
      LRESULT r = CButton::WindowProc(msg, wp, lp);
      Invalidate(FALSE);
      return r;
    }
    default:
      return CButton::WindowProc(msg, wp, lp);
  }
}

bool CThemeButton::PreTranslateMessage(MSG& msg) {
  if (msg.hwnd == m_hWnd && msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && !m_acceptEnter)
    return true;
  return CButton::PreTranslateMessage(msg);
}

void CThemeButton::OnMouseMove(UINT, POINT pt) {
  RECT rc = GetClientRect();
  if (::PtInRect(&rc, pt) && IsWindowVisible()) {
    if (m_state == kNormal && !m_tracking) {
      m_state = kHover;
      ::SetCapture(m_hWnd);
      m_tracking = true;
      Invalidate(FALSE);
    }
  } else if (m_tracking) {
    m_state = kNormal;
    m_tracking = false;
    ::ReleaseCapture();
    Invalidate(FALSE);
  }
}

void CThemeButton::OnLButtonDown(UINT, POINT) {
  if (m_tracking) {
    m_state = kPressed;
    Invalidate(FALSE);
  }
}

void CThemeButton::OnLButtonDblClk(UINT flags, POINT pt) { OnLButtonDown(flags, pt); }

void CThemeButton::OnLButtonUp(UINT, POINT) {
  if (m_state == kPressed)
    ::PostMessageW(GetParent(), WM_COMMAND, static_cast<WPARAM>(GetDlgCtrlID()), 0);
  if (m_tracking) {
    m_state = kNormal;
    m_tracking = false;
    ::ReleaseCapture();
    Invalidate(FALSE);
  }
}

void CThemeButton::OnCaptureChanged(HWND newCapture) {
  if (m_tracking && newCapture != m_hWnd) {
    m_tracking = false;
    m_state = kNormal;
    Invalidate(FALSE);
  }
}

CSolidButton::CSolidButton() { m_acceptEnter = true; }

ThemeColor CSolidButton::FillFor(int state) const {
  switch (state) {
    case kHover:
      return m_hoverFill;
    case kPressed:
      return m_pressedFill;
    default:
      return m_normalFill;
  }
}

bool CSolidButton::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  CMemDC2 mem(dc, rc, nullptr, POINT{0, 0}, RGB(255, 255, 255), &m_scratch);
  CSurfaceGraphics sg(mem);
  Graphics& g = sg;
  SolidBrush fill(ToColor(FillFor(m_state)));
  g.FillRectangle(&fill, ToRectF(rc));
  if (!m_font) {
    UniqueFont message = CreateThemeFont(false, -1, false, false);
    m_font = MakeGdiplusFont(message.get());
  }
  if (!m_font) return true;
  SolidBrush text(ToOpaqueColor(m_textColor));
  DrawThemedText(0, *m_font, g, ToRectF(rc), GetText(), text, StringAlignmentCenter,
                 StringAlignmentCenter);
  return true;
}

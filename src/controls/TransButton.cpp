#include "controls/TransButton.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <string>

#include "framework/LayoutDpi.h"
#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"

using namespace Gdiplus;

RECT TransButtonBoxRect(const RECT& rc, SIZE mark) {
  int top = rc.top + (rc.bottom - rc.top - mark.cy) / 2 - 1;
  return RECT{rc.left, top, rc.left + mark.cx, top + mark.cy};
}

void CheckMarkPoints(const RectF& b, PointF out[3]) {
  out[0] = PointF(b.X + 0.15f * b.Width, b.Y + 0.45f * b.Height);
  out[1] = PointF(b.X + 0.35f * b.Width, b.Y + 0.75f * b.Height);
  out[2] = PointF(b.X + 0.85f * b.Width, b.Y + 0.25f * b.Height);
}

void CTransButton::PreSubclassWindow() {
  LONG_PTR style = GetStyle();
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
      m_kind = kCheckBox;
      break;
    case BS_AUTOCHECKBOX:
      m_kind = kCheckBox;
      m_auto = true;
      break;
    case BS_3STATE:
      m_kind = kCheckBox;
      m_threeState = true;
      break;
    case BS_AUTO3STATE:
      m_kind = kCheckBox;
      m_threeState = m_auto = true;
      break;
    case BS_RADIOBUTTON:
      m_kind = kRadio;
      break;
    case BS_AUTORADIOBUTTON:
      m_kind = kRadio;
      m_auto = true;
      break;
    case BS_OWNERDRAW:
      break;  // already converted
    default:
      m_kind = kPush;
      break;
  }
  if ((style & BS_TYPEMASK) != BS_OWNERDRAW) {
    // Keep the check state the platform button had (set before we took it over).
    m_check = static_cast<int>(CButton::DefProc(BM_GETCHECK, 0, 0));
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE,
                        (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  }
}

void CTransButton::SetCheckState(int state) {
  if (m_check == state) return;
  m_check = state;
  Invalidate(FALSE);
}

LRESULT CTransButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case BM_GETCHECK:
      return m_kind == kPush ? BST_UNCHECKED : m_check;
    case BM_SETCHECK:
      if (m_kind != kPush) SetCheckState(static_cast<int>(wp));
      return 0;
    case WM_GETDLGCODE:
      // A radio button takes the arrow keys itself and moves through its group
      // (an owner-drawn button is not one the dialog manager would click).
      if (m_kind == kRadio) return DLGC_BUTTON | DLGC_RADIOBUTTON | DLGC_WANTARROWS;
      if (m_kind == kCheckBox) return DLGC_BUTTON;
      return CButton::WindowProc(msg, wp, lp);
    case WM_KEYDOWN:
      if (m_kind == kRadio && MoveInGroup(wp)) return 0;
      return CButton::WindowProc(msg, wp, lp);
    case WM_SETTEXT:
    case WM_ENABLE:
    case WM_UPDATEUISTATE: {
      LRESULT r = CButton::WindowProc(msg, wp, lp);
      Invalidate(FALSE);
      return r;
    }
    default:
      return CButton::WindowProc(msg, wp, lp);
  }
}

bool CTransButton::MoveInGroup(WPARAM key) {
  bool previous;
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      previous = true;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      previous = false;
      break;
    default:
      return false;
  }
  HWND parent = GetParent();
  if (!parent) return false;
  // As on the platform's radio buttons: the arrow keys reach the next button
  // of the group, round the ends, and check it.
  HWND next = ::GetNextDlgGroupItem(parent, m_hWnd, previous);
  if (!next || next == m_hWnd) return true;
  ::SetFocus(next);
  auto* button = dynamic_cast<CTransButton*>(CWnd::FromHandle(next));
  if (button && button->m_kind == kRadio && button->m_check != BST_CHECKED)
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(next), BN_CLICKED),
                   reinterpret_cast<LPARAM>(next));
  return true;
}

bool CTransButton::FocusMarkShown() const {
  return (::SendMessageW(m_hWnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

bool CTransButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    PaintTo(dis->hDC, (dis->itemState & ODS_SELECTED) != 0, (dis->itemState & ODS_FOCUS) != 0);
    *result = TRUE;
    return true;
  }
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && m_auto) {
    if (m_kind == kCheckBox) {
      int next = m_check == BST_UNCHECKED                   ? BST_CHECKED
                 : (m_check == BST_CHECKED && m_threeState) ? BST_INDETERMINATE
                                                            : BST_UNCHECKED;
      SetCheckState(next);
    } else if (m_kind == kRadio) {
      // Clear the other radio buttons of the group, then check this one.
      HWND parent = GetParent();
      HWND first = m_hWnd;
      while (!(::GetWindowLongPtrW(first, GWL_STYLE) & WS_GROUP)) {
        HWND prev = ::GetWindow(first, GW_HWNDPREV);
        if (!prev) break;
        first = prev;
      }
      for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        if (h != first && (::GetWindowLongPtrW(h, GWL_STYLE) & WS_GROUP)) break;
        if (h != m_hWnd) {
          auto* other = dynamic_cast<CTransButton*>(CWnd::FromHandle(h));
          if (other && other->m_kind == kRadio) other->SetCheckState(BST_UNCHECKED);
        }
      }
      (void)parent;
      SetCheckState(BST_CHECKED);
    }
  }
  return false;  // the parent still gets its notification
}

void CTransButton::OnPrintClient(HDC dc, UINT) { PaintTo(dc, false, false); }

void CTransButton::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  LRESULT state = Send(BM_GETSTATE);
  PaintTo(pdc.dc(), (state & BST_PUSHED) != 0, ::GetFocus() == m_hWnd);
}

BOOL CTransButton::OnEraseBkgnd(HDC) { return TRUE; }

void CTransButton::DrawCheck(Graphics& g, const RECT& boxRect) {
  RectF box = ToRectF(boxRect);
  box.Inflate(-1.0f, -1.0f);
  SolidBrush bg(ToOpaqueColor(Theme().GetColor(L"general/checkbox/bg")));
  g.FillRectangle(&bg, box);
  Pen border(ToOpaqueColor(Theme().GetColor(L"general/checkbox/border")), 1.0f);
  g.DrawRectangle(&border, box);
  ThemeColor check = Theme().GetColor(L"general/checkbox/check");
  if (m_check == BST_CHECKED) {
    PointF pts[3];
    CheckMarkPoints(box, pts);
    Pen pen(ToOpaqueColor(check), 1.8f);
    g.DrawLines(&pen, pts, 3);
  } else if (m_check == BST_INDETERMINATE) {
    RectF inner = box;
    inner.Inflate(-3.0f, -3.0f);
    SolidBrush fill(ToOpaqueColor(check));
    g.FillRectangle(&fill, inner);
  }
}

void CTransButton::DrawRadio(Graphics& g, const RECT& boxRect) {
  RectF box = ToRectF(boxRect);
  SolidBrush bg(ToOpaqueColor(Theme().GetColor(L"general/radio/bg")));
  g.FillEllipse(&bg, box);
  Pen border(ToOpaqueColor(Theme().GetColor(L"general/radio/border")), 1.0f);
  g.DrawEllipse(&border, box);
  if (m_check == BST_CHECKED) {
    RectF inner = box;
    inner.Inflate(-3.0f, -3.0f);
    SolidBrush fill(ToOpaqueColor(Theme().GetColor(L"general/radio/check")));
    g.FillEllipse(&fill, inner);
  }
}

void CTransButton::DrawPush(HDC dc, const RECT& rc, bool pressed, bool focused) {
  RECT r = rc;
  ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  std::wstring text = GetText();
  HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  ScopedSelect sel(dc, font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(IsWindowEnabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  RECT tr = rc;
  if (pressed) ::OffsetRect(&tr, 1, 1);
  ::DrawTextW(dc, text.c_str(), -1, &tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (focused) {
    RECT fr = rc;
    ::InflateRect(&fr, -3, -3);
    ::DrawFocusRect(dc, &fr);
  }
}

void CTransButton::PaintTo(HDC dc, bool pressed, bool focused) {
  RECT rc = GetClientRect();
  RECT inParent = GetRectInParent();
  CMemDC2 mem(dc, rc, ParentSurfaceOf(m_hWnd), POINT{inParent.left, inParent.top},
              ::GetSysColor(COLOR_BTNFACE), &m_scratch);
  HDC mdc = mem.GetDC();
  if (m_kind == kPush) {
    DrawPush(mdc, rc, pressed, focused);
    return;
  }
  SIZE mark = CheckMarkSize();
  RECT box = TransButtonBoxRect(rc, mark);
  bool drawn = false;
  if (m_allowVisualTheme && ::IsAppThemed()) {
    if (HTHEME theme = ::OpenThemeData(m_hWnd, L"BUTTON")) {
      int part = m_kind == kCheckBox ? BP_CHECKBOX : BP_RADIOBUTTON;
      int state;
      if (m_kind == kCheckBox)
        state = m_check == BST_CHECKED         ? CBS_CHECKEDNORMAL
                : m_check == BST_INDETERMINATE ? CBS_MIXEDNORMAL
                                               : CBS_UNCHECKEDNORMAL;
      else
        state = m_check == BST_CHECKED ? RBS_CHECKEDNORMAL : RBS_UNCHECKEDNORMAL;
      drawn = SUCCEEDED(::DrawThemeBackground(theme, mdc, part, state, &box, nullptr));
      ::CloseThemeData(theme);
    }
  }
  Graphics g(mdc);
  g.SetSmoothingMode(SmoothingModeAntiAlias);
  if (!drawn) {
    if (m_kind == kCheckBox)
      DrawCheck(g, box);
    else
      DrawRadio(g, box);
  }
  UniqueFont font = CreateThemeFont(m_textBold, m_textSize, false, false);
  ThemeColor textColor =
      Theme().GetColor(m_kind == kCheckBox ? L"general/checkbox/text" : L"general/radio/text");
  // Box colours and the caption colour go through the 24-bit form: opaque.
  SolidBrush brush(ToOpaqueColor(textColor));
  RectF text(static_cast<REAL>(box.right + 5), static_cast<REAL>(rc.top),
             static_cast<REAL>(rc.right - box.right - 5), static_cast<REAL>(rc.bottom - rc.top));
  const std::wstring caption = GetText();
  DrawThemedText(0, font.get(), g, text, caption, brush, StringAlignmentNear, StringAlignmentCenter,
                true);
  if (focused && FocusMarkShown()) {
    // The platform's focus mark around the caption.
    SIZE extent{0, 0};
    HDC gdc = g.GetHDC();
    {
      ScopedSelect sel(gdc, font.get());
      ::GetTextExtentPoint32W(gdc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    }
    RECT mark = FocusMarkRect(rc, box, extent);
    ::DrawFocusRect(gdc, &mark);
    g.ReleaseHDC(gdc);
  }
}

RECT FocusMarkRect(const RECT& rc, const RECT& box, SIZE textExtent) {
  const int left = box.right + 3;
  const int right = std::min<int>(rc.right - 1, left + textExtent.cx + 4);
  const int height = std::min<int>(rc.bottom - rc.top - 2, textExtent.cy + 2);
  const int top = rc.top + (rc.bottom - rc.top - height) / 2;
  return RECT{left, top, right, top + height};
}

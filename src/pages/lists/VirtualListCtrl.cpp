#include "pages/lists/VirtualListCtrl.h"

#include <algorithm>

RECT CenteredButtonRect(const RECT& cell, SIZE picture, POINT offset) {
  int x = cell.left + (cell.right - cell.left - picture.cx) / 2 + offset.x;
  int y = cell.top + (cell.bottom - cell.top - picture.cy) / 2 + offset.y;
  return RECT{x, y, x + picture.cx, y + picture.cy};
}

std::wstring ToolTipTextForCell(const std::wstring& text) {
  size_t first = text.find_first_not_of(L'\\');
  if (first == std::wstring::npos) return {};
  size_t last = text.find_last_not_of(L'\\');
  std::wstring s = text.substr(first, last - first + 1);
  if (s.size() > 260) s.resize(260);
  return s;
}

CVirtualListCtrl::CVirtualListCtrl(IVirtualListParent* provider, IVirtualListDrawParent* painter)
    : m_provider(provider), m_painter(painter) {}

CVirtualListCtrl::~CVirtualListCtrl() {
  if (m_tooltip && ::IsWindow(m_tooltip)) ::DestroyWindow(m_tooltip);
}

void CVirtualListCtrl::PreSubclassWindow() {
  SetupToolTip();
  // An owner-drawn list measured its rows before it was ours: measure again.
  if (GetStyle() & LVS_OWNERDRAWFIXED)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void CVirtualListCtrl::SetupToolTip() {
  if (HWND own = reinterpret_cast<HWND>(Send(LVM_GETTOOLTIPS)))
    ::SendMessageW(own, TTM_ACTIVATE, FALSE, 0);
  m_tooltip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                nullptr, nullptr);
  if (!m_tooltip) return;
  TTTOOLINFOW ti{};
  ti.cbSize = sizeof(ti);
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = m_hWnd;
  ti.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
  ti.lpszText = LPSTR_TEXTCALLBACKW;
  ::SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  ::SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 200);
  ::SendMessageW(m_tooltip, TTM_ACTIVATE, TRUE, 0);
}

void CVirtualListCtrl::SetButtonColumn(int column, SIZE picture, POINT offset) {
  m_buttons[column] = ButtonColumn{picture, offset};
}

RECT CVirtualListCtrl::ButtonRect(int row, int column) const {
  auto it = m_buttons.find(column);
  RECT cell{};
  if (it == m_buttons.end() || !GetSubItemRect(row, column, cell)) return RECT{};
  if (column == 0) {
    // The bounds of column 0 are the whole row: limit them to the column.
    cell.right = cell.left + GetColumnWidth(0);
  }
  return CenteredButtonRect(cell, it->second.size, it->second.offset);
}

bool CVirtualListCtrl::HitCell(POINT pt, int& row, int& column) const {
  LVHITTESTINFO hit{};
  hit.pt = pt;
  Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  row = hit.iItem;
  column = hit.iSubItem;
  return row >= 0;
}

bool CVirtualListCtrl::OverButton(POINT pt, int& row, int& column) const {
  if (!HitCell(pt, row, column) || !IsButtonColumn(column)) return false;
  RECT r = ButtonRect(row, column);
  return ::PtInRect(&r, pt) != FALSE;
}

void CVirtualListCtrl::ClearButtonStates() {
  if (m_hoverRow == -1 && m_pressedRow == -1) return;
  m_hoverRow = m_pressedRow = -1;
  Invalidate(FALSE);
}

void CVirtualListCtrl::OnMouseMove(UINT flags, POINT pt) {
  int row = -1, column = -1;
  bool overButton = OverButton(pt, row, column);
  if (overButton) {
    if (row != m_hoverRow && row != m_pressedRow) {
      m_hoverRow = row;
      // Be told when the pointer leaves the list.
      TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, m_hWnd, 0};
      m_trackingLeave = ::TrackMouseEvent(&tme) != FALSE;
      Invalidate(FALSE);
    }
  } else {
    HitCell(pt, row, column);
    if (row != m_tipRow || column != m_tipColumn) {
      m_tipRow = row;
      m_tipColumn = column;
      if (m_tooltip) {
        // Describe the new cell; its text is fetched when the tooltip asks.
        ::SendMessageW(m_tooltip, TTM_POP, 0, 0);
        ::SendMessageW(m_tooltip, TTM_ACTIVATE, TRUE, 0);
      }
    }
    ClearButtonStates();
  }
  CListCtrl::OnMouseMove(flags, pt);
}

void CVirtualListCtrl::OnLButtonDown(UINT flags, POINT pt) {
  int row = -1, column = -1;
  if (OverButton(pt, row, column)) {
    m_pressedRow = row;
    Invalidate(FALSE);
    return;
  }
  m_hoverRow = m_pressedRow = -1;
  CListCtrl::OnLButtonDown(flags, pt);
}

void CVirtualListCtrl::OnLButtonUp(UINT flags, POINT pt) {
  int row = -1, column = -1;
  if (OverButton(pt, row, column)) {
    if (m_provider) m_provider->OnButtonClicked(row, column, static_cast<UINT>(GetDlgCtrlID()));
    Invalidate(FALSE);
  }
  m_pressedRow = -1;
  CListCtrl::OnLButtonUp(flags, pt);
}

LRESULT CVirtualListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSELEAVE) {
    m_trackingLeave = false;
    m_tipRow = m_tipColumn = -1;
    ClearButtonStates();
    return Default();
  }
  return CListCtrl::WindowProc(msg, wp, lp);
}

bool CVirtualListCtrl::OnNotify(NMHDR* header, LRESULT* result) {
  // The tooltip asks for the text of the cell it describes.
  if (header && header->hwndFrom == m_tooltip && header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    m_tipText.clear();
    if (m_provider && m_tipRow >= 0 && m_tipColumn >= 0)
      m_tipText = ToolTipTextForCell(
          m_provider->GetCellText(m_tipRow, m_tipColumn, static_cast<UINT>(GetDlgCtrlID())));
    info->lpszText = const_cast<wchar_t*>(m_tipText.c_str());
    info->szText[0] = 0;
    *result = 0;
    return true;
  }
  if (header && header->hwndFrom == m_tooltip && header->code == TTN_SHOW && m_tipText.empty()) {
    // An empty text shows no tooltip.
    ::SendMessageW(m_tooltip, TTM_POP, 0, 0);
  }
  return CListCtrl::OnNotify(header, result);
}

bool CVirtualListCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT* result) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->code == LVN_GETDISPINFOW) {
        auto* di = reinterpret_cast<NMLVDISPINFOW*>(lp);
        if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
          std::wstring text;
          if (m_provider)
            text = m_provider->GetCellText(di->item.iItem, di->item.iSubItem,
                                           static_cast<UINT>(GetDlgCtrlID()));
          size_t n = std::min(text.size(), static_cast<size_t>(di->item.cchTextMax - 1));
          text.copy(di->item.pszText, n);
          di->item.pszText[n] = 0;
        }
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_DRAWITEM:
      if (m_painter) m_painter->DrawRow(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
      *result = TRUE;
      return true;
    case WM_MEASUREITEM:
      if (m_painter) m_painter->MeasureRow(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
      *result = TRUE;
      return true;
    default:
      return false;
  }
}

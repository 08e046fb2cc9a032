#include "pages/lists/CustomList.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "framework/Gdi.h"
#include "framework/Messages.h"

namespace customlist {

int ClampScroll(int position, int content, int visible) {
  int maxPos = std::max(0, content - visible);
  return std::clamp(position, 0, maxPos);
}

int ScrollTarget(UINT code, int position, int visible, int thumb) {
  switch (code) {
    case SB_LINEUP:
      return position - CCustomList::kLineStep;
    case SB_LINEDOWN:
      return position + CCustomList::kLineStep;
    case SB_PAGEUP:
      return position - visible;
    case SB_PAGEDOWN:
      return position + visible;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return thumb;
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return INT_MAX / 2;
    default:
      return position;
  }
}

int WheelScrollDelta(int delta, UINT lines, int visible) {
  if (delta == 0) return 0;
  int magnitude;
  if (lines == WHEEL_PAGESCROLL) {
    magnitude = visible;
  } else {
    int steps = std::abs(delta) / WHEEL_DELTA * static_cast<int>(lines) / 3;
    magnitude = std::max(steps, 1) * CCustomList::kLineStep;
  }
  return delta > 0 ? -magnitude : magnitude;
}

std::vector<RowBand> VisibleRows(const std::vector<int>& heights, int scrollY, int visibleHeight) {
  std::vector<RowBand> out;
  int top = -scrollY;
  for (size_t i = 0; i < heights.size(); ++i) {
    int bottom = top + heights[i];
    if (bottom > 0 && top < visibleHeight) out.push_back({static_cast<int>(i), top, bottom});
    if (top >= visibleHeight) break;
    top = bottom;
  }
  return out;
}

int RowAt(const std::vector<int>& heights, int scrollY, int visibleWidth, POINT pt) {
  if (pt.x < 0 || pt.x >= visibleWidth) return -1;
  int top = -scrollY;
  for (size_t i = 0; i < heights.size(); ++i) {
    int bottom = top + heights[i];
    if (pt.y >= top && pt.y < bottom) return static_cast<int>(i);
    top = bottom;
  }
  return -1;
}

}  // namespace customlist

CCustomList::CCustomList(ICustomListDraw* owner) : m_owner(owner) {}

bool CCustomList::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
  return CWnd::Create(nullptr, L"", style | WS_CHILD | WS_HSCROLL | WS_VSCROLL, rect, parent, id);
}

void CCustomList::AddColumn(int index) {
  index = std::clamp(index, 0, static_cast<int>(m_columns.size()));
  m_columns.insert(m_columns.begin() + index, 0);
  m_content.cx = std::accumulate(m_columns.begin(), m_columns.end(), 0);
}

void CCustomList::SetColumnWidth(int width, int index) {
  if (index < 0 || index >= static_cast<int>(m_columns.size())) return;
  if (m_columns[static_cast<size_t>(index)] == width) return;
  m_columns[static_cast<size_t>(index)] = width;
  m_content.cx = std::accumulate(m_columns.begin(), m_columns.end(), 0);
  if (!m_hWnd) return;
  UpdateScrollBars();
  // The parent draws the column titles.
  if (HWND parent = GetParent()) ::InvalidateRect(parent, nullptr, FALSE);
}

int CCustomList::GetColumnWidth(int index) const {
  if (index < 0 || index >= static_cast<int>(m_columns.size())) return 0;
  return m_columns[static_cast<size_t>(index)];
}

RECT CCustomList::GetColumnRect(int index) const {
  int left = 0;
  for (int i = 0; i < index && i < static_cast<int>(m_columns.size()); ++i)
    left += m_columns[static_cast<size_t>(i)];
  RECT client = m_hWnd ? GetClientRect() : RECT{};
  return RECT{left, 0, left + GetColumnWidth(index), client.bottom};
}

void CCustomList::SetRowCount(int n) { m_rows.resize(static_cast<size_t>(std::max(n, 0)), 0); }

void CCustomList::RefreshRows(int index) {
  if (!m_redraw) return;
  if (m_owner) {
    if (index == -1) {
      for (size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i] = m_owner->GetRowHeight(static_cast<int>(i), m_content.cx);
    } else if (index >= 0 && index < static_cast<int>(m_rows.size())) {
      m_rows[static_cast<size_t>(index)] = m_owner->GetRowHeight(index, m_content.cx);
    }
  }
  m_content.cy = std::accumulate(m_rows.begin(), m_rows.end(), 0);
  if (!m_hWnd) return;
  UpdateScrollBars();
  Invalidate(FALSE);
}

void CCustomList::UpdateScrollBars() {
  if (!m_hWnd) return;
  // Positions stay within the new ranges.
  m_scrollX = customlist::ClampScroll(m_scrollX, m_content.cx, m_visible.cx);
  m_scrollY = customlist::ClampScroll(m_scrollY, m_content.cy, m_visible.cy);
  const bool horizontal = SetScrollBar(SB_HORZ, m_content.cx, m_visible.cx, m_scrollX);
  const bool vertical = SetScrollBar(SB_VERT, m_content.cy, m_visible.cy, m_scrollY);
  // The bars are drawn with the next paint, once for a burst of changes.
  if (horizontal || vertical)
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

bool CCustomList::SetScrollBar(int bar, int content, int visible, int position) {
  SCROLLINFO si{sizeof(si)};
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max<int>(content - 1, 0);
  si.nPage = static_cast<UINT>(std::max<int>(visible, 0));
  si.nPos = position;
  // Rows are added while the engine waits for the page: a bar that would not
  // change is left alone, and a changed one is not redrawn here.
  // The platform keeps the page within the range and the position within what
  // the page leaves, so the comparison is with those kept values.
  const UINT page = std::min<UINT>(si.nPage, static_cast<UINT>(si.nMax - si.nMin + 1));
  const int pos = std::clamp(si.nPos, si.nMin,
                             std::max(si.nMin, si.nMax - std::max(static_cast<int>(page) - 1, 0)));
  SCROLLINFO now{sizeof(now)};
  now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (::GetScrollInfo(m_hWnd, bar, &now) && now.nMin == si.nMin && now.nMax == si.nMax &&
      now.nPage == page && now.nPos == pos)
    return false;
  ::SetScrollInfo(m_hWnd, bar, &si, FALSE);
  return true;
}

bool CCustomList::ScrollTo(int bar, int position) {
  const bool vertical = bar == SB_VERT;
  int& pos = vertical ? m_scrollY : m_scrollX;
  int target = customlist::ClampScroll(position, vertical ? m_content.cy : m_content.cx,
                                       vertical ? m_visible.cy : m_visible.cx);
  if (target == pos) return false;
  int diff = pos - target;
  pos = target;
  if (m_hWnd) {
    ::SetScrollPos(m_hWnd, bar, pos, TRUE);
    ::ScrollWindowEx(m_hWnd, vertical ? 0 : diff, vertical ? diff : 0, nullptr, nullptr, nullptr,
                     nullptr, SW_INVALIDATE);
    if (!vertical) {
      NMCUSTOMLISTSCROLL n{};
      n.hdr.hwndFrom = m_hWnd;
      n.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
      n.hdr.code = static_cast<UINT>(msg::kCustomListHScroll);
      n.position = pos;
      ::SendMessageW(GetParent(), WM_NOTIFY, n.hdr.idFrom, reinterpret_cast<LPARAM>(&n));
    }
  }
  return true;
}

void CCustomList::Scroll(int bar, UINT code) {
  const bool vertical = bar == SB_VERT;
  int thumb = 0;
  if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
    SCROLLINFO si{sizeof(si)};
    si.fMask = SIF_TRACKPOS;
    ::GetScrollInfo(m_hWnd, bar, &si);
    thumb = si.nTrackPos;
  }
  int target = customlist::ScrollTarget(code, vertical ? m_scrollY : m_scrollX,
                                        vertical ? m_visible.cy : m_visible.cx, thumb);
  ScrollTo(bar, target);
}

void CCustomList::OnHScroll(UINT code, UINT, HWND) { Scroll(SB_HORZ, code); }
void CCustomList::OnVScroll(UINT code, UINT, HWND) { Scroll(SB_VERT, code); }

BOOL CCustomList::OnMouseWheel(UINT, short delta, POINT) {
  UINT lines = 3;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  ScrollTo(SB_VERT, m_scrollY + customlist::WheelScrollDelta(delta, lines, m_visible.cy));
  return TRUE;
}

void CCustomList::OnSize(UINT, int cx, int cy) {
  // The client area already excludes the scroll bars the content needs.
  bool widthChanged = cx != m_visible.cx, heightChanged = cy != m_visible.cy;
  m_visible = SIZE{cx, cy};
  if (m_owner) m_owner->OnListSizeChanged(cx, cy, widthChanged, heightChanged);
  UpdateScrollBars();
}

void CCustomList::PaintTo(HDC dc) { PaintArea(dc, GetClientRect()); }

void CCustomList::PaintArea(HDC dc, const RECT& area) {
  RECT rc = GetClientRect();
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  HDC mem = m_surface.Begin(w > 0 ? w : 1, h > 0 ? h : 1);
  if (!mem) return;
  // Only the rows that cross the area are drawn, and only the area is copied:
  // a scroll step repaints the band it uncovered, not the whole list.
  ::FillRect(mem, &area, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  if (m_owner) {
    for (const auto& band : customlist::VisibleRows(m_rows, m_scrollY, h))
      if (band.bottom > area.top && band.top < area.bottom)
        m_owner->DrawRow(band.row, 0, band.top, m_visible.cx, band.bottom, mem);
  }
  ::BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, mem, area.left,
           area.top, SRCCOPY);
}

void CCustomList::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintArea(pdc.dc(), pdc.ps().rcPaint);
}

void CCustomList::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CCustomList::OnEraseBkgnd(HDC) { return TRUE; }

void CCustomList::OnLButtonUp(UINT, POINT pt) {
  int row = customlist::RowAt(m_rows, m_scrollY, m_visible.cx, pt);
  if (row < 0 || !m_owner) return;
  int top = -m_scrollY;
  for (int i = 0; i < row; ++i) top += m_rows[static_cast<size_t>(i)];
  RECT band{0, top, m_visible.cx, top + m_rows[static_cast<size_t>(row)]};
  m_owner->OnRowClicked(row, pt, band);
}

int CCustomList::OnMouseActivate(HWND, UINT, UINT) {
  ::SetFocus(m_hWnd);
  return MA_ACTIVATE;
}

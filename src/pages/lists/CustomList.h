#pragma once
// CCustomList: a plain window that stacks rows of different heights, scrolls
// them in both directions and leaves drawing, measuring and clicking to its owner.
// It keeps only geometry: row heights, column widths and the scroll state.

#include <windows.h>

#include <vector>

#include "controls/MemDC.h"
#include "framework/Wnd.h"

class ICustomListDraw {
 public:
  // Draws one row into the off-screen surface dc, in list client coordinates.
  virtual void DrawRow(int row, int left, int top, int right, int bottom, HDC dc) = 0;
  virtual int GetRowHeight(int row, int contentWidth) = 0;
  virtual void OnRowClicked(int row, POINT pt, const RECT& rowRect) = 0;
  virtual void OnListSizeChanged(int visibleWidth, int visibleHeight, bool widthChanged,
                                 bool heightChanged) = 0;

 protected:
  ~ICustomListDraw() = default;
};

// WM_NOTIFY to the parent after a horizontal scroll (code msg::kCustomListHScroll).
struct NMCUSTOMLISTSCROLL {
  NMHDR hdr;
  int position;  // the new horizontal scroll position
};

class CCustomList : public CWnd {
 public:
  static constexpr int kLineStep = 60;  // pixels per line and per wheel step

  explicit CCustomList(ICustomListDraw* owner);

  // A child window of the default class with both scroll bars as needed.
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);

  void AddColumn(int index);
  void SetColumnWidth(int width, int index);
  int GetColumnWidth(int index) const;
  int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
  RECT GetColumnRect(int index) const;
  void SetRowCount(int n);
  int GetRowCount() const { return static_cast<int>(m_rows.size()); }
  int GetRowHeight(int row) const { return m_rows[static_cast<size_t>(row)]; }
  // Re-measures one row (or all with -1), updates the scroll ranges, repaints.
  void RefreshRows(int index);
  void SetRedraw(bool on) { m_redraw = on; }
  bool GetRedraw() const { return m_redraw; }

  int GetScrollX() const { return m_scrollX; }
  int GetScrollY() const { return m_scrollY; }
  SIZE GetVisibleSize() const { return m_visible; }
  SIZE GetContentSize() const { return m_content; }
  // Scrolls to a position (clamped); returns whether it moved.
  bool ScrollTo(int bar, int position);

  // Paints the whole client area into dc.
  void PaintTo(HDC dc);
  // Paints the rows that cross `area` (client coordinates) and copies that area to dc.
  void PaintArea(HDC dc, const RECT& area);

 protected:
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnHScroll(UINT code, UINT pos, HWND bar) override;
  void OnVScroll(UINT code, UINT pos, HWND bar) override;
  BOOL OnMouseWheel(UINT flags, short delta, POINT pt) override;
  void OnLButtonUp(UINT flags, POINT pt) override;
  int OnMouseActivate(HWND topLevel, UINT hitTest, UINT message) override;

 private:
  void UpdateScrollBars();
  // Sets one bar without drawing it; false when it already showed that.
  bool SetScrollBar(int bar, int content, int visible, int position);
  void Scroll(int bar, UINT code);

  ICustomListDraw* m_owner;
  std::vector<int> m_rows;
  std::vector<int> m_columns;
  SIZE m_visible{};
  SIZE m_content{};
  int m_scrollX = 0;
  int m_scrollY = 0;
  bool m_redraw = true;
  CMemDCPerm m_surface;  // the off-screen surface, kept between paints
};

// Pure scrolling and row geometry.
namespace customlist {

// A position clamped to 0 .. content - visible.
int ClampScroll(int position, int content, int visible);
// The target of a scroll bar request (SB_LINEUP ... SB_THUMBTRACK), before clamping.
int ScrollTarget(UINT code, int position, int visible, int thumb);
// The vertical scroll change of a wheel rotation: negative (up) for a positive
// delta; steps = |delta| / 120 x lines / 3, at least 1, 60 pixels each; one page
// (visible) when lines is WHEEL_PAGESCROLL.
int WheelScrollDelta(int delta, UINT lines, int visible);

struct RowBand {
  int row;
  int top;
  int bottom;
};
// The rows that show in a window of the given height scrolled to scrollY.
std::vector<RowBand> VisibleRows(const std::vector<int>& heights, int scrollY, int visibleHeight);
// The row whose band contains y (visible width bounds x), or -1.
int RowAt(const std::vector<int>& heights, int scrollY, int visibleWidth, POINT pt);

}  // namespace customlist

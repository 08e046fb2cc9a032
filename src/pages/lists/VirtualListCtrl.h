#pragma once
// CVirtualListCtrl: an owner-data, owner-drawn report list. The owner keeps the
// rows; the list asks its text provider for cell texts and its row painter for
// drawing and measuring. Columns registered as button columns show the owner's
// button picture centred in each cell; a click on it reaches the provider.

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "framework/Controls.h"

class IVirtualListParent {
 public:
  virtual std::wstring GetCellText(int row, int column, UINT controlId) = 0;
  virtual void OnButtonClicked(int row, int column, UINT controlId) = 0;

 protected:
  ~IVirtualListParent() = default;
};

class IVirtualListDrawParent {
 public:
  virtual void DrawRow(const DRAWITEMSTRUCT& item) = 0;
  virtual void MeasureRow(MEASUREITEMSTRUCT& item) = 0;

 protected:
  ~IVirtualListDrawParent() = default;
};

class CVirtualListCtrl : public CListCtrl {
 public:
  CVirtualListCtrl(IVirtualListParent* provider, IVirtualListDrawParent* painter);
  ~CVirtualListCtrl() override;

  // Registers a button column: picture size and an offset added to the centred place.
  void SetButtonColumn(int column, SIZE picture, POINT offset = POINT{0, 0});
  bool IsButtonColumn(int column) const { return m_buttons.count(column) != 0; }
  // The button rectangle of a cell (client coordinates), or an empty one.
  RECT ButtonRect(int row, int column) const;

  int GetHoveredRow() const { return m_hoverRow; }
  int GetPressedRow() const { return m_pressedRow; }
  HWND GetToolTip() const { return m_tooltip; }
  // The cell the tooltip currently describes (-1, -1 for none).
  POINT GetToolTipCell() const { return POINT{m_tipColumn, m_tipRow}; }

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnMouseMove(UINT flags, POINT pt) override;
  void OnLButtonDown(UINT flags, POINT pt) override;
  void OnLButtonUp(UINT flags, POINT pt) override;

 private:
  struct ButtonColumn {
    SIZE size;
    POINT offset;
  };
  // Row and column under a client point (-1 when none).
  bool HitCell(POINT pt, int& row, int& column) const;
  bool OverButton(POINT pt, int& row, int& column) const;
  void ClearButtonStates();
  void SetupToolTip();

  IVirtualListParent* m_provider;
  IVirtualListDrawParent* m_painter;
  std::map<int, ButtonColumn> m_buttons;
  int m_hoverRow = -1;
  int m_pressedRow = -1;
  bool m_trackingLeave = false;
  HWND m_tooltip = nullptr;
  int m_tipRow = -1;
  int m_tipColumn = -1;
  std::wstring m_tipText;
};

// The picture's rectangle centred in a cell, moved by offset.
RECT CenteredButtonRect(const RECT& cell, SIZE picture, POINT offset);
// Tooltip text of a cell text: leading and trailing backslashes removed, at most
// 260 characters.
std::wstring ToolTipTextForCell(const std::wstring& text);

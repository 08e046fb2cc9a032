// The list controls as real windows: rows drawn and clicked, scrolling by bars
// and wheel, the owner-data list's texts, tooltips and button cells.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture.h"
#include "framework/Messages.h"
#include "pages/lists/CustomList.h"
#include "pages/lists/VirtualListCtrl.h"

namespace ctl {
namespace {

// Records what the list asks of its owner.
class RowOwner : public ICustomListDraw {
 public:
  std::vector<int> heights;
  struct Drawn {
    int row, left, top, right, bottom;
  };
  std::vector<Drawn> drawn;
  std::vector<std::pair<int, RECT>> clicks;
  int sizeChanges = 0;
  SIZE lastSize{};

  void DrawRow(int row, int left, int top, int right, int bottom, HDC dc) override {
    drawn.push_back({row, left, top, right, bottom});
    RECT rc{left, top, right, bottom};
    UniqueBrush b(::CreateSolidBrush(RGB(row * 40, 0, 0)));
    ::FillRect(dc, &rc, b.get());
  }
  int GetRowHeight(int row, int) override { return heights[static_cast<size_t>(row)]; }
  void OnRowClicked(int row, POINT, const RECT& band) override { clicks.push_back({row, band}); }
  void OnListSizeChanged(int w, int h, bool, bool) override {
    ++sizeChanges;
    lastSize = {w, h};
  }
};

// Parent that records the list's horizontal scroll notifications.
class ListHost : public CWnd {
 public:
  std::vector<int> hscrolls;

 protected:
  bool OnNotify(NMHDR* h, LRESULT* r) override {
    if (static_cast<int>(h->code) == msg::kCustomListHScroll) {
      hscrolls.push_back(reinterpret_cast<NMCUSTOMLISTSCROLL*>(h)->position);
      *r = 0;
      return true;
    }
    return false;
  }
};

class CustomListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureFixtureTheme();
    ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 400, 300}, nullptr, 0));
    ASSERT_TRUE(list.Create(WS_VISIBLE, RECT{0, 0, 200, 100}, host.m_hWnd, 50));
  }
  void Fill(std::vector<int> heights) {
    owner.heights = heights;
    list.SetRowCount(static_cast<int>(heights.size()));
    list.RefreshRows(-1);
  }
  void Paint() {
    owner.drawn.clear();
    testsupport::PrintClient(list.m_hWnd);
  }

  ListHost host;
  RowOwner owner;
  CCustomList list{&owner};
};

TEST_F(CustomListWindow, ScrolledRowsAreDrawnFromTheirOffset) {
  Fill({24, 120, 24});
  const int visibleWidth = list.GetVisibleSize().cx;
  EXPECT_EQ(list.GetContentSize().cy, 168);
  Paint();
  ASSERT_EQ(owner.drawn.size(), 2u);  // row 2 starts at 144, below the client area
  EXPECT_TRUE(list.ScrollTo(SB_VERT, 30));
  Paint();
  ASSERT_EQ(owner.drawn.size(), 1u);
  EXPECT_EQ(owner.drawn[0].row, 1);
  EXPECT_EQ(owner.drawn[0].top, -6);
  EXPECT_EQ(owner.drawn[0].left, 0);
  EXPECT_EQ(owner.drawn[0].right, visibleWidth);
}

TEST_F(CustomListWindow, ScrollingPastTheEndStopsAtContentMinusVisible) {
  Fill({100, 100, 100, 100});
  const int visible = list.GetVisibleSize().cy;
  ::SendMessageW(list.m_hWnd, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(list.GetScrollY(), visible);
  for (int i = 0; i < 20; ++i) ::SendMessageW(list.m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(list.GetScrollY(), 400 - visible);
  EXPECT_FALSE(list.ScrollTo(SB_VERT, 10000));  // already there
  ::SendMessageW(list.m_hWnd, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(list.GetScrollY(), 400 - visible - 60);
  // The scroll bar follows.
  EXPECT_EQ(::GetScrollPos(list.m_hWnd, SB_VERT), 400 - visible - 60);
}

TEST_F(CustomListWindow, WheelScrollsSixtyPixelsPerNotchWithThreeLines) {
  UINT lines = 0;
  ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  Fill({100, 100, 100, 100});
  ::SendMessageW(list.m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(list.GetScrollY(),
            customlist::WheelScrollDelta(-WHEEL_DELTA, lines, list.GetVisibleSize().cy));
  if (lines == 3) {
    EXPECT_EQ(list.GetScrollY(), 60);
  }
  ::SendMessageW(list.m_hWnd, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(list.GetScrollY(), 0);
}

TEST_F(CustomListWindow, ClickReportsTheRowBand) {
  Fill({24, 120, 24});
  ::SendMessageW(list.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 30));
  ASSERT_EQ(owner.clicks.size(), 1u);
  EXPECT_EQ(owner.clicks[0].first, 1);
  EXPECT_EQ(owner.clicks[0].second.top, 24);
  EXPECT_EQ(owner.clicks[0].second.bottom, 144);
  EXPECT_EQ(owner.clicks[0].second.right, list.GetVisibleSize().cx);
}

TEST_F(CustomListWindow, EmptyListDrawsNothingAndReportsNoClick) {
  Fill({});
  Paint();
  EXPECT_TRUE(owner.drawn.empty());
  ::SendMessageW(list.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(owner.clicks.empty());
  EXPECT_EQ(testsupport::PrintClient(list.m_hWnd)->at(5, 5), testsupport::Rgb(255, 255, 255));
}

TEST_F(CustomListWindow, ColumnsAndHorizontalScrollNotifyTheParent) {
  list.AddColumn(0);
  list.AddColumn(1);
  list.SetColumnWidth(300, 0);
  list.SetColumnWidth(150, 1);
  EXPECT_EQ(list.GetContentSize().cx, 450);
  RECT c1 = list.GetColumnRect(1);
  EXPECT_EQ(c1.left, 300);
  EXPECT_EQ(c1.right, 450);
  Fill({24, 24});
  ::SendMessageW(list.m_hWnd, WM_HSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(list.GetScrollX(), 60);
  ASSERT_EQ(host.hscrolls.size(), 1u);
  EXPECT_EQ(host.hscrolls[0], 60);
  // A vertical scroll does not notify.
  ::SendMessageW(list.m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(host.hscrolls.size(), 1u);
}

TEST_F(CustomListWindow, SizeChangeTellsTheOwnerAndRedrawSwitchHoldsRefresh) {
  int before = owner.sizeChanges;
  ::MoveWindow(list.m_hWnd, 0, 0, 250, 150, FALSE);
  EXPECT_GT(owner.sizeChanges, before);
  EXPECT_EQ(owner.lastSize.cx, list.GetVisibleSize().cx);
  list.SetRedraw(false);
  owner.heights = {50};
  list.SetRowCount(1);
  list.RefreshRows(-1);
  EXPECT_EQ(list.GetContentSize().cy, 0);  // not measured while redraw is off
  list.SetRedraw(true);
  list.RefreshRows(0);
  EXPECT_EQ(list.GetContentSize().cy, 50);
}

// Owner of the virtual list.
class Provider : public IVirtualListParent, public IVirtualListDrawParent {
 public:
  std::vector<std::wstring> texts{L"C:\\one", L"\\\\server\\share\\", L"two"};
  std::vector<std::pair<int, int>> clicked;
  int drawCalls = 0;

  std::wstring GetCellText(int row, int column, UINT) override {
    return column == 0 ? texts[static_cast<size_t>(row)] : L"x";
  }
  void OnButtonClicked(int row, int column, UINT) override { clicked.push_back({row, column}); }
  void DrawRow(const DRAWITEMSTRUCT&) override { ++drawCalls; }
  void MeasureRow(MEASUREITEMSTRUCT& m) override { m.itemHeight = 30; }
};

class VirtualListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureFixtureTheme();
    ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 400, 300}, nullptr, 0));
    ASSERT_TRUE(list.Create(
        WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER,
        RECT{0, 0, 300, 200}, host.m_hWnd, 60));
    list.InsertColumn(0, L"Path", 200);
    list.InsertColumn(1, L"Remove", 60);
    list.SetButtonColumn(1, SIZE{16, 16});
    list.SetItemCountEx(3);
  }
  POINT ButtonCentre(int row) {
    RECT r = list.ButtonRect(row, 1);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Mouse(UINT m, POINT p) { ::SendMessageW(list.m_hWnd, m, 0, MAKELPARAM(p.x, p.y)); }

  CWnd host;
  Provider provider;
  CVirtualListCtrl list{&provider, &provider};
};

TEST_F(VirtualListWindow, CellTextsComeFromTheProvider) {
  wchar_t buf[64] = {};
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buf;
  item.cchTextMax = 64;
  ::SendMessageW(list.m_hWnd, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(buf, L"\\\\server\\share\\");
  // A short buffer gets a cut, terminated text.
  wchar_t small[4] = {L'?', L'?', L'?', L'?'};
  item.pszText = small;
  item.cchTextMax = 4;
  ::SendMessageW(list.m_hWnd, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(small, L"C:\\");
}

TEST_F(VirtualListWindow, OwnToolTipReplacesTheListOne) {
  ASSERT_NE(list.GetToolTip(), nullptr);
  EXPECT_EQ(::SendMessageW(list.GetToolTip(), TTM_GETMAXTIPWIDTH, 0, 0), 200);
}

TEST_F(VirtualListWindow, RowsAreMeasuredAndDrawnByThePainter) {
  RECT r{};
  ASSERT_TRUE(list.GetSubItemRect(0, 0, r));
  EXPECT_EQ(r.bottom - r.top, 30);
  testsupport::PrintClient(list.m_hWnd);
  ::UpdateWindow(list.m_hWnd);
  ::RedrawWindow(list.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GE(provider.drawCalls, 3);
}

TEST_F(VirtualListWindow, ButtonHoverPressAndClick) {
  POINT b1 = ButtonCentre(1);
  Mouse(WM_MOUSEMOVE, b1);
  EXPECT_EQ(list.GetHoveredRow(), 1);
  Mouse(WM_LBUTTONDOWN, b1);
  EXPECT_EQ(list.GetPressedRow(), 1);
  Mouse(WM_LBUTTONUP, b1);
  EXPECT_EQ(list.GetPressedRow(), -1);
  ASSERT_EQ(provider.clicked.size(), 1u);
  EXPECT_EQ(provider.clicked[0], (std::pair<int, int>{1, 1}));
  // Leaving the button clears both states.
  Mouse(WM_MOUSEMOVE, POINT{20, b1.y});
  EXPECT_EQ(list.GetHoveredRow(), -1);
  // A release away from any button clicks nothing.
  Mouse(WM_LBUTTONUP, POINT{20, b1.y});
  EXPECT_EQ(provider.clicked.size(), 1u);
}

}  // namespace
}  // namespace ctl

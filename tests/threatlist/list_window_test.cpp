// The threat list as a real window with the shipped theme: rows expanded and
// collapsed by clicks and keys, the action drop-down opened by click and by
// keyboard, check boxes, the row container shown only with records, and the
// pictures that rows draw.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/documents/ScanResults.h"
#include "fixture.h"
#include "framework/Wnd.h"
#include "pages/scan/ScanResultsList.h"
#include "support/Capture.h"
#include "support/shipped_theme.h"
#include "theme/ThemeResources.h"

namespace {

using QVnsScanResults::CARDOThreatEngineResults;

class ThreatListWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadShippedTheme());
    ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP | WS_VISIBLE, RECT{0, 0, 900, 520}, nullptr, 0));
    ASSERT_TRUE(list.CreateThreatList(host.m_hWnd, RECT{10, 10, 890, 510}));
  }
  void TearDown() override {
    list.Dropdown().Close();
    tl::PumpKeys(5);
  }
  // Fills the list from a results document (kept by the fixture).
  void Load(const std::vector<tl::ThreatSpec>& threats) {
    ASSERT_EQ(doc.ReadFromString(tl::ResultsXml(threats)), 0);
    list.ClearThreats();
    for (auto& t : doc.threats->threat) list.AddResultThreat(t);
    list.RefreshRows();
    tl::PumpKeys(5);
  }
  HWND Rows() { return list.Rows().m_hWnd; }
  // A point in the head line of a row, x in row coordinates.
  POINT Head(int row, int x) { return POINT{x, list.RowRect(row).top + 12}; }
  POINT ActionCell(int row) {
    threat::ColumnWidths w = list.Columns();
    return Head(row, threat::ColumnLeft(w, 3) + 20);
  }
  // The height the details of an expanded record need, measured independently.
  int DetailsHeight(const ThreatRecord& r) {
    UniqueFont font = CreateThemeFont(false, -1, false, false);
    WindowDC screen(nullptr);
    ScopedSelect f(screen.get(), font.get());
    std::wstring text = r.descriptionText + L"\n" + r.adviceText;
    RECT rc{0, 0, list.Rows().GetVisibleSize().cx - 20, 0};
    ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rc,
                DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    return rc.bottom;
  }

  CWnd host;
  CScanResultsList list;
  CARDOThreatEngineResults doc;
};

const std::vector<tl::ThreatSpec> kTwoThreats = {
    {21, L"Trojan.Alpha", 1, L"Trojan", 2, false, -1, 0, {L"C:\\a.exe", L"C:\\b.exe", L"HKLM\\x"}},
    {22, L"Adware.Beta", 4, L"Adware", 3, true, -1, 0, {L"C:\\ad.dll"}},
};

TEST_F(ThreatListWindow, RowContainerShowsOnlyWithRecords) {
  EXPECT_FALSE(::IsWindowVisible(Rows()));
  EXPECT_EQ(::GetDlgCtrlID(list.m_hWnd), 100);
  EXPECT_EQ(::GetDlgCtrlID(Rows()), 101);
  wchar_t cls[32] = {};
  ::GetClassNameW(list.m_hWnd, cls, 32);
  EXPECT_STREQ(cls, L"ThreatList");
  ::GetClassNameW(Rows(), cls, 32);
  EXPECT_STREQ(cls, L"ThreatList1");
  Load(kTwoThreats);
  EXPECT_TRUE(::IsWindowVisible(Rows()));
  EXPECT_EQ(list.Rows().GetRowCount(), 2);
  list.ClearThreats();
  EXPECT_FALSE(::IsWindowVisible(Rows()));
  EXPECT_EQ(list.Rows().GetRowCount(), 0);
  threat::ScanThreat live;
  live.name = L"Live";
  live.traceText = L"C:\\live.exe";
  list.AddScanThreat(live);
  EXPECT_TRUE(::IsWindowVisible(Rows()));
}

TEST_F(ThreatListWindow, ColumnWidthsFollowTheWidth) {
  const int width = list.Rows().GetVisibleSize().cx;
  EXPECT_EQ(list.Columns(), threat::ColumnWidthsFor(width));
  list.MoveList(RECT{10, 10, 810, 510});
  tl::PumpKeys(5);
  EXPECT_EQ(list.Columns()[0], list.Rows().GetVisibleSize().cx - 450);
}

TEST_F(ThreatListWindow, ClicksExpandAndCollapseOnTheHeadLineOnly) {
  Load(kTwoThreats);
  tl::Click(Rows(), Head(0, 60));
  const ThreatRecord& r = list.Records()[0];
  ASSERT_TRUE(r.expanded);
  const int expected = 4 * list.LineHeight() + DetailsHeight(r) + 48;
  EXPECT_EQ(list.Rows().GetRowHeight(0), expected);
  // The second row moved down below the details.
  EXPECT_EQ(list.RowRect(1).top, expected);
  // A click in the details keeps it open; one on the head line closes it.
  tl::Click(Rows(), POINT{60, list.RowRect(0).top + 40});
  EXPECT_TRUE(list.Records()[0].expanded);
  tl::Click(Rows(), Head(0, 60));
  EXPECT_FALSE(list.Records()[0].expanded);
  EXPECT_EQ(list.Rows().GetRowHeight(0), 24);
}

TEST_F(ThreatListWindow, ActionLinkOpensTheDropdownSizedForTheThreat) {
  Load(kTwoThreats);
  // Without link mode the action column expands like the rest of the row.
  tl::Click(Rows(), ActionCell(0));
  EXPECT_FALSE(list.Dropdown().IsOpen());
  EXPECT_TRUE(list.Records()[0].expanded);
  list.SetExpanded(0, false);

  list.SetLinkMode(true);
  struct Row {
    int row;
    int height;
    bool quarantine;
  };
  for (const Row& row : {Row{0, 179, false}, Row{1, 204, true}}) {
    tl::Click(Rows(), ActionCell(row.row));
    ASSERT_TRUE(list.Dropdown().IsOpen()) << "row " << row.row;
    EXPECT_EQ(list.Dropdown().Row(), row.row);
    RECT rc = list.Dropdown().GetWindowRect();
    EXPECT_EQ(rc.bottom - rc.top, row.height) << "row " << row.row;
    HWND quarantine = list.Dropdown().OptionButton(16)->m_hWnd;
    EXPECT_EQ(::IsWindowVisible(quarantine) != FALSE, row.quarantine) << "row " << row.row;
    // Placed over column 3 of the row, 2 pixels in and 2 below the row's top.
    RECT cell{0, 0, 0, 0};
    threat::ColumnWidths w = list.Columns();
    cell.left = threat::ColumnLeft(w, 3);
    cell.top = list.RowRect(row.row).top;
    ::ClientToScreen(Rows(), reinterpret_cast<POINT*>(&cell));
    EXPECT_EQ(rc.left, cell.left + 2);
    EXPECT_EQ(rc.top, cell.top + 2);
    EXPECT_EQ(rc.right - rc.left, w[3] - 4);
    EXPECT_FALSE(list.Records()[row.row].expanded);
    list.Dropdown().Close();
  }
}

TEST_F(ThreatListWindow, ChoosingAnOptionWithTheMouseChangesTheRecordAndItsSource) {
  Load(kTwoThreats);
  list.SetLinkMode(true);
  tl::Click(Rows(), ActionCell(1));
  ASSERT_TRUE(list.Dropdown().IsOpen());
  HWND quarantine = list.Dropdown().OptionButton(16)->m_hWnd;
  // A real click on the option: hover, press and release inside it.
  const LPARAM at = MAKELPARAM(5, 5);
  ::PostMessageW(quarantine, WM_MOUSEMOVE, 0, at);
  ::PostMessageW(quarantine, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(quarantine, WM_LBUTTONUP, 0, at);
  tl::PumpKeys(30);
  EXPECT_FALSE(list.Dropdown().IsOpen());
  EXPECT_EQ(list.Records()[1].action, 3);
  EXPECT_EQ(doc.threats->threat[1].actionRequested.Get(), 3);
  EXPECT_EQ(list.Records()[0].action, 2);  // the other record is untouched
}

TEST_F(ThreatListWindow, KeyboardMovesExpandsAndChoosesActions) {
  Load(kTwoThreats);
  list.SetLinkMode(true);
  ::SetFocus(Rows());
  tl::SettleFocus();
  EXPECT_EQ(list.FocusRow(), 0);
  tl::PressKey(Rows(), VK_DOWN);
  EXPECT_EQ(list.FocusRow(), 1);
  tl::PressKey(Rows(), VK_DOWN);  // stays on the last record
  EXPECT_EQ(list.FocusRow(), 1);
  tl::PressKey(Rows(), VK_RETURN);
  EXPECT_TRUE(list.Records()[1].expanded);
  tl::PressKey(Rows(), VK_SPACE);
  EXPECT_FALSE(list.Records()[1].expanded);
  tl::PressKey(Rows(), VK_RIGHT);
  EXPECT_TRUE(list.Records()[1].expanded);
  tl::PressKey(Rows(), VK_LEFT);
  EXPECT_FALSE(list.Records()[1].expanded);
  tl::PressKey(Rows(), VK_HOME);
  EXPECT_EQ(list.FocusRow(), 0);

  // F4 opens the drop-down with the first option focused; Down, Enter chooses
  // the second option (action 1) and gives the keyboard back to the list.
  tl::PressKey(Rows(), VK_F4);
  ASSERT_TRUE(list.Dropdown().IsOpen());
  EXPECT_EQ(::GetFocus(), list.Dropdown().OptionButton(1)->m_hWnd);
  tl::PressKey(::GetFocus(), VK_DOWN);
  EXPECT_EQ(::GetFocus(), list.Dropdown().OptionButton(4)->m_hWnd);
  tl::PressKey(::GetFocus(), VK_RETURN);
  EXPECT_FALSE(list.Dropdown().IsOpen());
  EXPECT_EQ(list.Records()[0].action, 1);
  EXPECT_EQ(doc.threats->threat[0].actionRequested.Get(), 1);
  EXPECT_EQ(::GetFocus(), Rows());
  tl::SettleFocus();

  // Alt+Down opens it too; the hidden quarantine option is skipped; Escape closes.
  tl::PressKey(Rows(), VK_DOWN, true);
  ASSERT_TRUE(list.Dropdown().IsOpen());
  for (int i = 0; i < 3; ++i) tl::PressKey(::GetFocus(), VK_DOWN);
  EXPECT_EQ(::GetFocus(), list.Dropdown().OptionButton(32)->m_hWnd);
  tl::PressKey(::GetFocus(), VK_ESCAPE);
  EXPECT_FALSE(list.Dropdown().IsOpen());
  EXPECT_EQ(list.Records()[0].action, 1);
  EXPECT_EQ(::GetFocus(), Rows());
}

TEST_F(ThreatListWindow, CheckBoxesTickByClickSpaceAndSelectAll) {
  Load(kTwoThreats);
  list.EnableCheckBoxes();
  ASSERT_TRUE(::IsWindowVisible(list.SelectAllBox()));
  EXPECT_EQ(::GetDlgCtrlID(list.SelectAllBox()), 1020);
  // The select-all box: x 4, y 11, the menu check size.
  RECT box{};
  ::GetWindowRect(list.SelectAllBox(), &box);
  ::MapWindowPoints(nullptr, list.m_hWnd, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, 4);
  EXPECT_EQ(box.top, 11);
  EXPECT_EQ(box.right - box.left, ::GetSystemMetrics(SM_CXMENUCHECK));

  ::SendMessageW(list.SelectAllBox(), BM_CLICK, 0, 0);
  tl::PumpKeys(5);
  EXPECT_EQ(list.CheckedRows(), (std::vector<int>{0, 1}));
  // The check square toggles only the tick.
  const int square = 2 + ::GetSystemMetrics(SM_CXMENUCHECK) / 2;
  tl::Click(Rows(), Head(1, square));
  EXPECT_EQ(list.CheckedRows(), (std::vector<int>{0}));
  EXPECT_FALSE(list.Records()[1].expanded);
  // Space ticks the focused record; Enter still expands it.
  ::SetFocus(Rows());
  list.SetFocusRow(1);
  tl::PressKey(Rows(), VK_SPACE);
  EXPECT_EQ(list.CheckedRows(), (std::vector<int>{0, 1}));
  tl::PressKey(Rows(), VK_RETURN);
  EXPECT_TRUE(list.Records()[1].expanded);
  ::SendMessageW(list.SelectAllBox(), BM_CLICK, 0, 0);  // unticks all
  tl::PumpKeys(5);
  EXPECT_TRUE(list.CheckedRows().empty());
}

TEST_F(ThreatListWindow, QuarantineRowsAreAppendedAndRemovedById) {
  list.EnableCheckBoxes();
  for (const wchar_t* id : {L"q1", L"q2", L"q3"}) {
    ThreatRecord r;
    r.name = std::wstring(L"Item ") + id;
    r.quarantineId = id;
    r.dateText = L"2009-05-01";
    threat::AppendScanTrace(r, L"C:\\x");
    list.AppendRecord(std::move(r));
  }
  EXPECT_TRUE(::IsWindowVisible(Rows()));
  EXPECT_TRUE(list.RemoveRecordByQuarantineId(L"q2"));
  EXPECT_FALSE(list.RemoveRecordByQuarantineId(L"Q1"));  // case-sensitive
  ASSERT_EQ(list.RecordCount(), 2);
  EXPECT_EQ(list.Records()[1].quarantineId, L"q3");
  EXPECT_EQ(list.Rows().GetRowCount(), 2);
  EXPECT_TRUE(list.RemoveRecordByQuarantineId(L"q1"));
  EXPECT_TRUE(list.RemoveRecordByQuarantineId(L"q3"));
  EXPECT_FALSE(::IsWindowVisible(Rows()));
}

TEST_F(ThreatListWindow, DamagePicturesShowLevelAndHandledState) {
  std::vector<tl::ThreatSpec> threats = kTwoThreats;
  threats[1].level = 1;
  threats[1].cleanerResult = 1;  // handled: damage0 whatever the level
  Load(threats);
  auto pixels = testsupport::PrintClient(Rows());
  ASSERT_TRUE(pixels);
  const threat::ColumnWidths w = list.Columns();
  for (int row : {0, 1}) {
    const int index = row == 0 ? 5 : 0;
    auto picture = LoadThemeImage(threat::DamagePicturePath(index));
    ASSERT_TRUE(picture) << index;
    Gdiplus::Color c;
    picture->GetPixel(picture->GetWidth() / 2, picture->GetHeight() / 2, &c);
    ASSERT_EQ(c.GetA(), 255) << "the picture's centre is opaque";
    const std::uint32_t expected = testsupport::Rgb(c.GetR(), c.GetG(), c.GetB());
    // The picture is centred in its column and in the head line.
    const int pw = static_cast<int>(picture->GetWidth()), ph = static_cast<int>(picture->GetHeight());
    const int x = threat::ColumnLeft(w, 4) + (w[4] - pw) / 2 + pw / 2;
    const int y = list.RowRect(row).top + (24 - ph) / 2 + ph / 2;
    EXPECT_EQ(pixels->at(x, y), expected) << "row " << row << " damage" << index;
  }
}

}  // namespace

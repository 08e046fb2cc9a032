#include "pages/scan/ScanResultsList.h"

#include <uxtheme.h>
#include <vsstyle.h>

#include <algorithm>

#include "framework/LayoutDpi.h"
#include "controls/Drawing.h"
#include "controls/MemDC.h"
#include "controls/TransparentParent.h"
#include "framework/Gdi.h"
#include "framework/Messages.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace Gdiplus;

namespace {

constexpr wchar_t kArrowPicture[] = L"Images\\Scan\\cleaning_arrow.png";
constexpr int kHeaderRadius = 20;
constexpr int kDetailsGap = 8;  // between the head line, the details and the traces

// Registers a window class of the framework's kind under its own name.
const wchar_t* EnsureClass(const wchar_t* name) {
  WNDCLASSEXW wc{sizeof(wc)};
  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!::GetClassInfoExW(instance, name, &wc)) {
    wc = WNDCLASSEXW{sizeof(wc)};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
  }
  return name;
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
  ::MoveToEx(dc, x1, y1, nullptr);
  ::LineTo(dc, x2, y2);
}

void DrawCellText(HDC dc, const std::wstring& text, RECT rc, UINT align) {
  if (text.empty() || rc.right <= rc.left) return;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc,
              align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

}  // namespace

// The row container: the list's keyboard, and the focus row's outline.
class CScanResultsList::CRows : public CCustomList {
 public:
  explicit CRows(CScanResultsList* list) : CCustomList(list), m_list(list) {}

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_SYSKEYDOWN:
        if (wp == VK_DOWN && m_list->OnRowsKey(VK_F4)) return 0;
        break;
      case WM_KILLFOCUS:
        Invalidate(FALSE);
        break;
      case WM_CHAR:
        // Space and Enter were handled as keys.
        if (wp == L' ' || wp == L'\r') return 0;
        break;
      default:
        break;
    }
    return CCustomList::WindowProc(msg, wp, lp);
  }
  void OnKeyDown(UINT vk, UINT repeat, UINT flags) override {
    if (!m_list->OnRowsKey(vk)) CCustomList::OnKeyDown(vk, repeat, flags);
  }
  UINT OnGetDlgCode() override {
    UINT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    const MSG* m = reinterpret_cast<const MSG*>(GetCurrentMessage().lp);
    if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
    return code;
  }
  void OnSetFocus(HWND old) override {
    if (m_list->m_focusRow < 0 && !m_list->m_records.empty()) m_list->m_focusRow = 0;
    Invalidate(FALSE);
    CCustomList::OnSetFocus(old);
  }
  void OnLButtonDown(UINT flags, POINT pt) override {
    if (::GetFocus() != m_hWnd) ::SetFocus(m_hWnd);
    CCustomList::OnLButtonDown(flags, pt);
  }

 private:
  CScanResultsList* m_list;
};

CScanResultsList::CScanResultsList()
    : m_rowsOwner(std::make_unique<CRows>(this)),
      m_rows(*m_rowsOwner),
      m_dropdown(std::make_unique<CCleanDropdown>()) {
  for (int i = 0; i < threat::kColumns; ++i) m_rows.AddColumn(i);
}

CScanResultsList::~CScanResultsList() {
  m_dropdown->DestroyWindow();
  m_rows.DestroyWindow();
  DestroyWindow();
}

void CScanResultsList::LoadLooks() {
  CThemeResources& theme = Theme();
  for (int i = 0; i < threat::kColumns; ++i)
    m_titles[static_cast<size_t>(i)] = theme.LoadResString(IDS_COLUMN_THREAT + i);
  if (m_checkBoxMode) m_titles[3] = theme.LoadResString(IDS_COLUMN_QUARANTINED_ON);
  m_detailTitles = threat::DetailTitles::FromTheme();
  m_handledText = theme.LoadResString(IDS_HANDLED);
  for (int code = threat::kActionAdvised; code <= threat::kActionLast; ++code)
    m_actionTexts[static_cast<size_t>(code + 1)] = theme.LoadResString(threat::ActionTextId(code));
  m_palette.rowBg = ToColorRef(theme.GetColor(L"general/list/bg"));
  m_palette.rowBgAlt = ToColorRef(theme.GetColor(L"general/list/bg_alt"));
  m_palette.divider = ToColorRef(theme.GetColor(L"general/list/divider"));
  m_palette.text = ToColorRef(theme.GetColor(L"general/list/text"));
  m_palette.link = ToColorRef(theme.GetColor(L"general/list/link"));
  for (int i = 0; i < threat::kDamagePictures; ++i) {
    auto picture = LoadThemeImage(threat::DamagePicturePath(i));
    m_damage[static_cast<size_t>(i)].Assign(picture.get());
  }
  if (auto arrow = LoadThemeImage(kArrowPicture)) {
    m_arrow.Assign(arrow.get());
    arrow->RotateFlip(Rotate90FlipNone);
    m_arrowTurned.Assign(arrow.get());
  }
  m_font = CreateThemeFont(false, -1, false, false);
  m_linkFont = CreateThemeFont(false, -1, false, true);
  m_checkSize = CheckMarkSize();
  // The line height: the text "tp" in the message font.
  WindowDC screen(nullptr);
  ScopedSelect f(screen.get(), m_font.get());
  SIZE tp{};
  if (::GetTextExtentPoint32W(screen.get(), L"tp", 2, &tp) && tp.cy > 0) m_lineHeight = tp.cy;
}

bool CScanResultsList::CreateThreatList(HWND parent, const RECT& rect) {
  if (m_titles[0].empty()) LoadLooks();
  if (!CreateEx(WS_EX_CONTROLPARENT, EnsureClass(kClassName), L"",
                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, IDC_THREAT_LIST))
    return false;
  RECT client = GetClientRect();
  if (!m_rows.CreateEx(0, EnsureClass(kRowsClassName), L"",
                       WS_CHILD | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL, client, m_hWnd, kRowsId))
    return false;
  m_selectAll = ::CreateWindowExW(
      0, L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX, 4, 11, m_checkSize.cx,
      m_checkSize.cy, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_THREAT_SELECT_ALL)),
      nullptr, nullptr);
  // The template comes from the theme's resource library, loaded by now.
  m_dropdown = std::make_unique<CCleanDropdown>();
  m_dropdown->CreateDropdown(m_hWnd);
  Layout();
  m_rows.SetRowCount(RecordCount());
  RefreshRows();
  return true;
}

void CScanResultsList::AttachTo(HWND parent, const RECT& rect) {
  if (!m_hWnd) {
    CreateThreatList(parent, rect);
    return;
  }
  if (::GetParent(m_hWnd) != parent) ::SetParent(m_hWnd, parent);
  MoveList(rect);
  ShowWindow(SW_SHOWNA);
}

void CScanResultsList::MoveList(const RECT& rect) {
  if (m_hWnd) MoveWindow(rect);
}

void CScanResultsList::Layout() {
  if (!m_hWnd) return;
  RECT rc = GetClientRect();
  RECT rows{1, threat::kHeaderHeight + 1, std::max<LONG>(rc.right - 1, 1),
            std::max<LONG>(rc.bottom - 1, threat::kHeaderHeight + 2)};
  m_rows.MoveWindow(rows);
  Invalidate(FALSE);
}

void CScanResultsList::OnSize(UINT, int, int) { Layout(); }

threat::ColumnWidths CScanResultsList::Columns() const {
  threat::ColumnWidths w{};
  for (int i = 0; i < threat::kColumns; ++i) w[static_cast<size_t>(i)] = m_rows.GetColumnWidth(i);
  return w;
}

void CScanResultsList::UpdateColumns(int width) {
  if (m_titles[0].empty() && m_titles[4].empty()) return;
  threat::ColumnWidths w = threat::ColumnWidthsFor(width);
  w[0] = std::max(w[0], 0);  // a narrow list scrolls instead
  for (int i = 0; i < threat::kColumns; ++i) m_rows.SetColumnWidth(w[static_cast<size_t>(i)], i);
  if (m_hWnd) Invalidate(FALSE);
}

void CScanResultsList::OnListSizeChanged(int visibleWidth, int, bool widthChanged, bool) {
  if (widthChanged) {
    UpdateColumns(visibleWidth);
    // Expanded rows wrap their details at the new width.
    if (std::any_of(m_records.begin(), m_records.end(),
                    [](const ThreatRecord& r) { return r.expanded; }))
      m_rows.RefreshRows(-1);
  }
}

void CScanResultsList::EnableCheckBoxes() {
  m_checkBoxMode = true;
  m_titles[3] = Theme().LoadResString(IDS_COLUMN_QUARANTINED_ON);
  if (m_selectAll) ::ShowWindow(m_selectAll, SW_SHOWNA);
  if (m_hWnd) {
    Invalidate(FALSE);
    m_rows.Invalidate(FALSE);
  }
}

void CScanResultsList::SetLinkMode(bool on) {
  m_linkMode = on;
  if (m_hWnd) m_rows.Invalidate(FALSE);
}

void CScanResultsList::SetEmptyText(std::wstring text) {
  m_emptyText = std::move(text);
  if (m_hWnd) Invalidate(FALSE);
}

// ---- Records ------------------------------------------------------------

void CScanResultsList::AfterRecordsChanged(int changedRow) {
  const int n = RecordCount();
  if (m_rows.GetRowCount() != n) m_rows.SetRowCount(n);
  if (m_focusRow >= n) m_focusRow = n - 1;
  if (!m_rows.m_hWnd) return;
  if (changedRow >= 0) {
    m_rows.RefreshRows(changedRow);
  } else {
    m_rows.RefreshRows(-1);
  }
  const bool shown = m_rows.IsWindowVisible() != FALSE;
  if ((n > 0) != shown) {
    m_rows.ShowWindow(n > 0 ? SW_SHOWNA : SW_HIDE);
    Invalidate(FALSE);  // the empty-list text shows or hides
  }
}

void CScanResultsList::RebuildNameIndex() {
  m_byName.clear();
  for (size_t i = 0; i < m_records.size(); ++i)
    m_byName.emplace(m_records[i].name, static_cast<int>(i));
}

void CScanResultsList::ClearThreats() {
  m_records.clear();
  m_byName.clear();
  m_focusRow = -1;
  m_dropdown->Close();
  m_rows.SetRowCount(0);
  if (m_rows.m_hWnd) {
    m_rows.ScrollTo(SB_VERT, 0);
    m_rows.RefreshRows(-1);
    m_rows.ShowWindow(SW_HIDE);
  }
  if (m_hWnd) Invalidate(FALSE);
}

void CScanResultsList::AddResultThreat(QVnsScanResults::Cthreat_2& threat) {
  ThreatRecord record = threat::RecordFromThreat(threat, m_detailTitles);
  m_byName.emplace(record.name, RecordCount());
  m_records.push_back(std::move(record));
  // Rows are measured once by RefreshRows after the batch.
  m_rows.SetRowCount(RecordCount());
  if (m_rows.m_hWnd && !m_rows.IsWindowVisible()) {
    m_rows.ShowWindow(SW_SHOWNA);
    Invalidate(FALSE);
  }
}

int CScanResultsList::AddScanThreat(const threat::ScanThreat& threat) {
  auto found = m_byName.find(threat.name);
  if (found != m_byName.end()) {
    const int row = found->second;
    threat::AppendScanTrace(m_records[static_cast<size_t>(row)], threat.traceText);
    AfterRecordsChanged(row);
    return row;
  }
  const int row = RecordCount();
  m_records.push_back(threat::RecordFromScanThreat(threat, m_detailTitles));
  m_byName.emplace(threat.name, row);
  AfterRecordsChanged(row);
  return row;
}

void CScanResultsList::AppendRecord(ThreatRecord record) {
  const int row = RecordCount();
  m_byName.emplace(record.name, row);
  m_records.push_back(std::move(record));
  AfterRecordsChanged(row);
}

bool CScanResultsList::RemoveRecordByQuarantineId(const std::wstring& quarantineId) {
  auto it = std::find_if(m_records.begin(), m_records.end(),
                         [&](const ThreatRecord& r) { return r.quarantineId == quarantineId; });
  if (it == m_records.end()) return false;
  m_records.erase(it);
  RebuildNameIndex();
  AfterRecordsChanged(-1);
  return true;
}

void CScanResultsList::MarkTraceCleaned(const std::wstring& name, const std::wstring& traceText) {
  auto found = m_byName.find(name);
  if (found == m_byName.end()) return;
  if (threat::MarkTraceCleaned(m_records[static_cast<size_t>(found->second)], traceText) &&
      m_rows.m_hWnd)
    m_rows.Invalidate(FALSE);
}

void CScanResultsList::SetRecordAction(int option, int row) {
  if (row < 0 || row >= RecordCount()) return;
  if (threat::ApplyOption(m_records[static_cast<size_t>(row)], option) && m_rows.m_hWnd)
    m_rows.Invalidate(FALSE);
}

void CScanResultsList::SetAllChecked(bool checked) {
  for (ThreatRecord& r : m_records) r.checked = checked;
  if (m_selectAll)
    ::SendMessageW(m_selectAll, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  if (m_rows.m_hWnd) m_rows.Invalidate(FALSE);
}

void CScanResultsList::SetExpanded(int row, bool expanded) {
  if (row < 0 || row >= RecordCount()) return;
  ThreatRecord& r = m_records[static_cast<size_t>(row)];
  if (r.expanded == expanded) return;
  r.expanded = expanded;
  m_rows.RefreshRows(row);
  if (m_rows.m_hWnd) EnsureVisible(row);
}

void CScanResultsList::RefreshRows() {
  if (m_rows.GetRowCount() != RecordCount()) m_rows.SetRowCount(RecordCount());
  m_rows.RefreshRows(-1);
  if (m_rows.m_hWnd) {
    m_rows.ShowWindow(m_records.empty() ? SW_HIDE : SW_SHOWNA);
    Invalidate(FALSE);
  }
}

std::vector<int> CScanResultsList::CheckedRows() const {
  std::vector<int> rows;
  for (size_t i = 0; i < m_records.size(); ++i)
    if (m_records[i].checked) rows.push_back(static_cast<int>(i));
  return rows;
}

// ---- Geometry -------------------------------------------------------------

RECT CScanResultsList::RowRect(int row) const {
  if (row < 0 || row >= m_rows.GetRowCount()) return RECT{};
  int top = -m_rows.GetScrollY();
  for (int i = 0; i < row; ++i) top += m_rows.GetRowHeight(i);
  return RECT{0, top, m_rows.GetVisibleSize().cx, top + m_rows.GetRowHeight(row)};
}

RECT CScanResultsList::CheckBoxRect(const RECT& band) const {
  const int x = band.left + 2 - m_rows.GetScrollX();
  const int y = band.top + (threat::kHeadHeight - m_checkSize.cy) / 2;
  return RECT{x, y, x + m_checkSize.cx, y + m_checkSize.cy};
}

RECT CScanResultsList::ActionCellRect(const RECT& band) const {
  const threat::ColumnWidths w = Columns();
  const int x = band.left + threat::ColumnLeft(w, 3) - m_rows.GetScrollX();
  return RECT{x, band.top, x + w[3], band.top + threat::kHeadHeight};
}

threat::RowHit CScanResultsList::HitFor(int row, const RECT& band) const {
  threat::RowHit hit;
  hit.checkBoxMode = m_checkBoxMode;
  hit.linkMode = m_linkMode;
  hit.expanded = m_records[static_cast<size_t>(row)].expanded;
  hit.checkBox = CheckBoxRect(band);
  hit.actionCell = ActionCellRect(band);
  hit.headBottom = band.top + threat::kHeadHeight;
  return hit;
}

int CScanResultsList::MeasureDetails(const ThreatRecord& record, int rowWidth) const {
  const std::wstring text = threat::MeasuredDetails(record);
  RECT rc{0, 0, std::max(threat::DetailsMeasureWidth(rowWidth), 1), 0};
  WindowDC screen(nullptr);
  ScopedSelect f(screen.get(), m_font.get());
  ::DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &rc,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  return rc.bottom - rc.top;
}

int CScanResultsList::GetRowHeight(int row, int) {
  if (row < 0 || row >= RecordCount()) return threat::kHeadHeight;
  const ThreatRecord& r = m_records[static_cast<size_t>(row)];
  const int details = r.expanded ? MeasureDetails(r, m_rows.GetVisibleSize().cx) : 0;
  return threat::RowHeight(r, m_lineHeight, details);
}

// ---- Clicks and keys ------------------------------------------------------

void CScanResultsList::OnRowClicked(int row, POINT pt, const RECT& band) {
  if (row < 0 || row >= RecordCount()) return;
  // The clicked row takes the keyboard focus where it is (no scrolling under the mouse).
  m_focusRow = row;
  m_rows.Invalidate(FALSE);
  switch (threat::ClassifyRowClick(HitFor(row, band), pt)) {
    case threat::RowClick::ToggleCheck:
      ToggleChecked(row);
      break;
    case threat::RowClick::OpenDropdown:
      OpenDropdown(row, false);
      break;
    case threat::RowClick::Expand:
      SetExpanded(row, true);
      break;
    case threat::RowClick::Collapse:
      SetExpanded(row, false);
      break;
    case threat::RowClick::None:
      break;
  }
}

void CScanResultsList::OpenDropdown(int row, bool keyboard) {
  if (!m_linkMode || row < 0 || row >= RecordCount() || !m_dropdown->m_hWnd) return;
  EnsureVisible(row);
  RECT cell = ActionCellRect(RowRect(row));
  ::MapWindowPoints(m_rows.m_hWnd, nullptr, reinterpret_cast<POINT*>(&cell), 2);
  m_dropdown->OpenFor(m_records[static_cast<size_t>(row)], row, cell, keyboard);
}

void CScanResultsList::ToggleChecked(int row) {
  ThreatRecord& r = m_records[static_cast<size_t>(row)];
  r.checked = !r.checked;
  m_rows.Invalidate(FALSE);
}

void CScanResultsList::ToggleExpanded(int row) {
  SetExpanded(row, !m_records[static_cast<size_t>(row)].expanded);
}

void CScanResultsList::SetFocusRow(int row) {
  if (row < 0 || row >= RecordCount()) return;
  m_focusRow = row;
  if (m_rows.m_hWnd) {
    EnsureVisible(row);
    m_rows.Invalidate(FALSE);
  }
}

void CScanResultsList::EnsureVisible(int row) {
  RECT band = RowRect(row);
  const int visible = m_rows.GetVisibleSize().cy;
  if (band.bottom <= band.top || visible <= 0) return;
  const int scroll = m_rows.GetScrollY();
  if (band.top < 0) {
    m_rows.ScrollTo(SB_VERT, scroll + band.top);
  } else if (band.bottom > visible) {
    // The head line at least; the whole row when it fits.
    const int need = std::min<int>(band.bottom - visible, band.top);
    m_rows.ScrollTo(SB_VERT, scroll + need);
  }
}

bool CScanResultsList::OnRowsKey(UINT vk) {
  const int n = RecordCount();
  if (n == 0) return false;
  const int row = std::clamp(m_focusRow, 0, n - 1);
  const int page =
      std::max(1, static_cast<int>(m_rows.GetVisibleSize().cy) / threat::kHeadHeight - 1);
  switch (vk) {
    case VK_UP:
      SetFocusRow(m_focusRow < 0 ? 0 : std::max(row - 1, 0));
      return true;
    case VK_DOWN:
      SetFocusRow(m_focusRow < 0 ? 0 : std::min(row + 1, n - 1));
      return true;
    case VK_PRIOR:
      SetFocusRow(std::max(row - page, 0));
      return true;
    case VK_NEXT:
      SetFocusRow(std::min(row + page, n - 1));
      return true;
    case VK_HOME:
      SetFocusRow(0);
      return true;
    case VK_END:
      SetFocusRow(n - 1);
      return true;
    case VK_RETURN:
      m_focusRow = row;
      ToggleExpanded(row);
      return true;
    case VK_SPACE:
      m_focusRow = row;
      if (m_checkBoxMode) {
        ToggleChecked(row);
      } else {
        ToggleExpanded(row);
      }
      return true;
    case VK_RIGHT:
      m_focusRow = row;
      SetExpanded(row, true);
      return true;
    case VK_LEFT:
      m_focusRow = row;
      SetExpanded(row, false);
      return true;
    case VK_F4:
    case VK_APPS:
      if (!m_linkMode) return false;
      m_focusRow = row;
      OpenDropdown(row, true);
      return true;
    default:
      return false;
  }
}

// ---- Messages -------------------------------------------------------------

bool CScanResultsList::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_THREAT_SELECT_ALL && control == m_selectAll) {
    if (code == BN_CLICKED)
      SetAllChecked(::SendMessageW(m_selectAll, BM_GETCHECK, 0, 0) == BST_CHECKED);
    return true;
  }
  return CWnd::OnCommand(id, code, control);
}

bool CScanResultsList::OnNotify(NMHDR* header, LRESULT* result) {
  if (header->hwndFrom == m_rows.m_hWnd &&
      static_cast<int>(header->code) == msg::kCustomListHScroll) {
    // The column titles follow the rows.
    Invalidate(FALSE);
    *result = 0;
    return true;
  }
  return CWnd::OnNotify(header, result);
}

LRESULT CScanResultsList::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == CCleanDropdown::kMsgChooseAction) {
    SetRecordAction(static_cast<int>(wp), static_cast<int>(lp));
    return 0;
  }
  return CWnd::WindowProc(msg, wp, lp);
}

// ---- Painting -------------------------------------------------------------

void CScanResultsList::DrawCheckBox(HDC dc, const RECT& box, bool checked) const {
  if (HTHEME theme = ::OpenThemeData(m_rows.m_hWnd, L"BUTTON")) {
    RECT rc = box;
    ::DrawThemeBackground(theme, dc, BP_CHECKBOX, checked ? CBS_CHECKEDNORMAL : CBS_UNCHECKEDNORMAL,
                          &rc, nullptr);
    ::CloseThemeData(theme);
    return;
  }
  // Flat: white box, grey frame and tick.
  const COLORREF grey = RGB(75, 75, 75);
  UniqueBrush white(::CreateSolidBrush(RGB(255, 255, 255)));
  ::FillRect(dc, &box, white.get());
  UniqueBrush frame(::CreateSolidBrush(grey));
  ::FrameRect(dc, &box, frame.get());
  if (!checked) return;
  UniquePen pen(::CreatePen(PS_SOLID, 2, grey));
  ScopedSelect p(dc, pen.get());
  const int w = box.right - box.left, h = box.bottom - box.top;
  POINT tick[3] = {{box.left + w * 2 / 10, box.top + h / 2},
                   {box.left + w * 4 / 10, box.top + h * 7 / 10},
                   {box.left + w * 8 / 10, box.top + h * 3 / 10}};
  ::Polyline(dc, tick, 3);
}

void CScanResultsList::DrawRow(int row, int left, int top, int right, int bottom, HDC dc) {
  if (row < 0 || row >= RecordCount()) return;
  const ThreatRecord& r = m_records[static_cast<size_t>(row)];
  const Palette& pal = m_palette;
  RECT band{left, top, right, bottom};
  UniqueBrush bg(::CreateSolidBrush(row % 2 == 0 ? pal.rowBgAlt : pal.rowBg));
  ::FillRect(dc, &band, bg.get());
  UniquePen divider(::CreatePen(PS_SOLID, 1, pal.divider));
  ScopedSelect penSel(dc, divider.get());
  DrawLine(dc, left, bottom - 1, right, bottom - 1);

  const threat::ColumnWidths w = Columns();
  const int scrollX = m_rows.GetScrollX();
  auto colLeft = [&](int c) { return left + threat::ColumnLeft(w, c) - scrollX; };
  auto cell = [&](int c) {
    const int x = colLeft(c);
    return RECT{x, top, x + w[static_cast<size_t>(c)] - 5, top + threat::kHeadHeight};
  };
  ::SetBkMode(dc, TRANSPARENT);
  ScopedSelect fontSel(dc, m_font.get());
  ::SetTextColor(dc, pal.text);

  // Column 0: check box, arrow, name.
  int x = colLeft(0);
  if (m_checkBoxMode) {
    RECT box = CheckBoxRect(band);
    DrawCheckBox(dc, box, r.checked);
    x = box.right + 2;
  }
  const CAlphaImage& arrow = r.expanded ? m_arrowTurned : m_arrow;
  arrow.Draw(dc, x, top + (threat::kHeadHeight - arrow.Height()) / 2);
  RECT name = cell(0);
  name.left = x + arrow.Width() + (m_checkBoxMode ? 4 : 2);
  DrawCellText(dc, r.name, name, DT_LEFT);
  DrawCellText(dc, r.category, cell(1), DT_LEFT);
  DrawCellText(dc, std::to_wstring(r.traceCount), cell(2), DT_CENTER);

  // Column 3: the date in check-box mode, else the action as a link.
  {
    ScopedSelect linkSel(dc, m_linkMode ? m_linkFont.get() : nullptr);
    if (m_checkBoxMode) {
      DrawCellText(dc, r.dateText, cell(3), DT_LEFT);
    } else {
      ::SetTextColor(dc, pal.link);
      const UINT id = threat::ActionColumnTextId(r);
      static const std::wstring kNone;
      const std::wstring& text = id == IDS_HANDLED ? m_handledText
                                 : id ? m_actionTexts[static_cast<size_t>(r.action + 1)]
                                      : kNone;
      DrawCellText(dc, text, cell(3), DT_LEFT);
      ::SetTextColor(dc, pal.text);
    }
  }

  // Column 4: the damage picture, centred.
  const CAlphaImage& damage =
      m_damage[static_cast<size_t>(threat::DamageIndex(r.level, r.handled))];
  damage.Draw(dc, colLeft(4) + (w[4] - damage.Width()) / 2,
              top + (threat::kHeadHeight - damage.Height()) / 2);

  if (!r.expanded) {
    for (int c = 1; c < threat::kColumns; ++c)
      DrawLine(dc, colLeft(c) - 5, top, colLeft(c) - 5, top + threat::kHeadHeight);
  } else {
    DrawLine(dc, left, top + threat::kHeadHeight, right, top + threat::kHeadHeight);
    // Details: description, advice beside it when both fit on one line (else
    // below it), then the traces, one per line.
    RECT area{left + 10 - scrollX, top + threat::kHeadHeight + kDetailsGap, right - 10 - scrollX,
              bottom - kDetailsGap};
    const UINT wrap = DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
    RECT desc = area;
    ::DrawTextW(dc, r.descriptionText.c_str(), static_cast<int>(r.descriptionText.size()), &desc,
                wrap | DT_CALCRECT);
    RECT advice = area;
    SIZE descSize{}, adviceSize{};
    ::GetTextExtentPoint32W(dc, r.descriptionText.c_str(),
                            static_cast<int>(r.descriptionText.size()), &descSize);
    ::GetTextExtentPoint32W(dc, r.adviceText.c_str(), static_cast<int>(r.adviceText.size()),
                            &adviceSize);
    const int areaWidth = area.right - area.left;
    if (r.descriptionText.find(L'\n') == std::wstring::npos &&
        descSize.cx + 36 + adviceSize.cx <= areaWidth) {
      advice.left = area.left + descSize.cx + 36;
    } else {
      advice.top = desc.bottom;
    }
    RECT descDraw = area;
    ::DrawTextW(dc, r.descriptionText.c_str(), static_cast<int>(r.descriptionText.size()),
                &descDraw, wrap);
    ::DrawTextW(dc, r.adviceText.c_str(), static_cast<int>(r.adviceText.size()), &advice, wrap);
    const int detailsHeight = MeasureDetails(r, right - left);
    int y = area.top + detailsHeight + kDetailsGap;
    size_t start = 0;
    while (start <= r.tracesText.size()) {
      size_t end = r.tracesText.find(L'\n', start);
      if (end == std::wstring::npos) end = r.tracesText.size();
      RECT line{area.left, y, area.right, y + m_lineHeight};
      std::wstring text = r.tracesText.substr(start, end - start);
      if (!text.empty())
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line,
                    DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
      y += m_lineHeight;
      start = end + 1;
    }
  }

  if (row == m_focusRow && ::GetFocus() == m_rows.m_hWnd) {
    RECT focus{left + 1, top + 1, right - 1, top + threat::kHeadHeight - 1};
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::DrawFocusRect(dc, &focus);
  }
}

void CScanResultsList::PaintTo(HDC dc) {
  RECT rc = GetClientRect();
  const int w = fw::Width(rc), h = fw::Height(rc);
  if (w <= 0 || h <= 0) return;
  CThemeResources& theme = Theme();
  RECT inParent = GetRectInParent();
  CMemDC2 mem(dc, rc, ParentSurfaceOf(m_hWnd), POINT{inParent.left, inParent.top},
              ToColorRef(theme.GetColor(L"client/client_bg")), &m_scratch);
  const ThemeColor border = theme.GetColor(L"pages/scan/list_border");
  const int band = threat::kHeaderHeight;
  {
    // Below the header the list is a plain rectangle: GDI fills and frames it.
    HDC body = mem.GetDC();
    UniqueBrush fill(::CreateSolidBrush(ToColorRef(theme.GetColor(L"general/list/bg_alt"))));
    RECT below{0, band, w, h};
    ::FillRect(body, &below, fill.get());
    UniquePen pen(::CreatePen(PS_SOLID, 1, ToColorRef(border)));
    ScopedSelect p(body, pen.get());
    POINT frame[4] = {{0, band}, {0, h - 1}, {w - 1, h - 1}, {w - 1, band - 1}};
    ::Polyline(body, frame, 4);
    DrawLine(body, 0, band, w, band);
  }
  {
    // The header band with its rounded top corners, anti-aliased; only the band's
    // rows of pixels are touched.
    CSurfaceGraphics sg(mem);
    Graphics& g = sg;
    g.SetClip(Gdiplus::Rect(0, 0, w, band));
    g.SetSmoothingMode(SmoothingModeAntiAlias);
    const REAL right = static_cast<REAL>(w - 1), r = static_cast<REAL>(kHeaderRadius);
    GraphicsPath path;
    AddRoundedRectPath(path, 0, 0, right, static_cast<REAL>(band + 2), r,
                       kCornerTopLeft | kCornerTopRight);
    LinearGradientBrush gradient(
        RectF(0, 0, right, band + 1.0f), ToColor(theme.GetColor(L"general/list/header/bg_start")),
        ToColor(theme.GetColor(L"general/list/header/bg_end")), LinearGradientModeVertical);
    g.FillPath(&gradient, &path);
    Pen pen(ToColor(border), 1.0f);
    g.DrawPath(&pen, &path);
  }
  HDC out = mem.GetDC();
  ::SetBkMode(out, TRANSPARENT);
  // Column titles, following the rows' horizontal scrolling.
  {
    ScopedSelect f(out, theme.GetFont(L"client/normal_bold"));
    ::SetTextColor(out, ToColorRef(theme.GetColor(L"general/list/header/text")));
    UniquePen sep(
        ::CreatePen(PS_SOLID, 1, ToColorRef(theme.GetColor(L"general/list/header/seperator"))));
    ScopedSelect p(out, sep.get());
    HRGN clip = ::CreateRectRgn(1, 1, w - 1, threat::kHeaderHeight);
    ::SelectClipRgn(out, clip);
    ::DeleteObject(clip);
    const threat::ColumnWidths cw = Columns();
    for (int c = 0; c < threat::kColumns; ++c) {
      // Column edges of the rows, in this window (the rows start at x 1).
      const int colX = 1 + threat::ColumnLeft(cw, c) - m_rows.GetScrollX();
      if (c > 0) DrawLine(out, colX - 5, 8, colX - 5, threat::kHeaderHeight - 8);
      const int indent = (c == 0 && m_checkBoxMode) ? 15 : 5;
      RECT title{colX + indent, 0, colX + cw[static_cast<size_t>(c)] - 5, threat::kHeaderHeight};
      DrawCellText(out, m_titles[static_cast<size_t>(c)], title, DT_LEFT);
    }
    ::SelectClipRgn(out, nullptr);
  }
  // The empty-list text, under the rows (they cover it when there are any).
  const int below = h - threat::kHeaderHeight;
  const int area = below * 9 / 10;
  if (area > 12 && !m_emptyText.empty() && m_records.empty()) {
    ScopedSelect f(out, theme.GetFont(L"client/large_bold"));
    ::SetTextColor(out, ToColorRef(theme.GetColor(L"general/container/border")));
    RECT text{0, threat::kHeaderHeight + (below - area) / 2, w,
              threat::kHeaderHeight + (below - area) / 2 + area};
    ::DrawTextW(out, m_emptyText.c_str(), static_cast<int>(m_emptyText.size()), &text,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void CScanResultsList::OnPaint() {
  fw::PaintDC pdc(m_hWnd);
  PaintTo(pdc.dc());
}

void CScanResultsList::OnPrintClient(HDC dc, UINT) { PaintTo(dc); }

BOOL CScanResultsList::OnEraseBkgnd(HDC) { return TRUE; }

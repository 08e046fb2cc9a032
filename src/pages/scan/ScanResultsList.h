#pragma once
// CScanResultsList: the threat list that the scanning, results, cleaning,
// finished and quarantine pages show. It owns its ThreatRecords and draws them
// under a header with five columns (name, category, traces, action or date,
// damage), as rows that expand to show their details.
//
// Two modes, both off after creation:
//   link mode       column 3 shows the record's action as a link; clicking it
//                   (or F4, Alt+Down or the menu key on the focused row) opens
//                   the action drop-down; a choice changes the record's source.
//   check-box mode  each row has a check box (column 3 shows the date), and the
//                   header a select-all box.
//
// Use:
//   list.CreateThreatList(pageHwnd, rect);      // once, in the page's OnInitDialog
//   list.SetLinkMode(true) / EnableCheckBoxes();
//   list.AddScanThreat({...});                  // live, from scan events
//   list.ClearThreats(); for (t : doc threats) list.AddResultThreat(t);
//   list.RefreshRows();                         // once after a batch
//   list.CheckedRecords(), list.Records()[i].action, list.TotalTraces() ...
// Every operation also works before the window exists (records only).
//
// Keyboard (the row container takes the focus with Tab or a click): Up, Down,
// Home, End, Page Up and Page Down move between records; Enter expands or
// collapses; Space ticks in check-box mode, else expands or collapses; Right
// expands, Left collapses.

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/AlphaImage.h"
#include "controls/MemDC.h"
#include "framework/Wnd.h"
#include "pages/lists/CustomList.h"
#include "pages/scan/CleanDropdown.h"
#include "pages/scan/ThreatRecord.h"
#include "framework/Handles.h"
#include "themedata/resource.h"

class CScanResultsList : public CWnd, public ICustomListDraw {
 public:
  static constexpr UINT kRowsId = IDC_THREAT_ROWS;
  static constexpr wchar_t kClassName[] = L"ThreatList";
  static constexpr wchar_t kRowsClassName[] = L"ThreatList1";

  CScanResultsList();
  ~CScanResultsList() override;

  // Creates the list window (ID 100) as a visible child of parent, with its row
  // container, select-all box and drop-down. Returns false when it could not.
  bool CreateThreatList(HWND parent, const RECT& rect);
  // Makes another page the list's parent (the finished page borrows the list of
  // the page before it). The list keeps its records and modes.
  void AttachTo(HWND parent, const RECT& rect);
  void MoveList(const RECT& rect);

  void EnableCheckBoxes();
  void SetLinkMode(bool on);
  bool CheckBoxMode() const { return m_checkBoxMode; }
  bool LinkMode() const { return m_linkMode; }
  void SetEmptyText(std::wstring text);
  const std::wstring& EmptyText() const { return m_emptyText; }

  // ---- Records
  // Removes every record; the row container is hidden.
  void ClearThreats();
  // Appends the record of a results document's threat element (the element
  // must outlive the record). Call RefreshRows once after a batch.
  void AddResultThreat(QVnsScanResults::Cthreat_2& threat);
  // A scan event's threat: a new record, or one more trace of the record of the
  // same name (case-sensitive). Returns the record's row.
  int AddScanThreat(const threat::ScanThreat& threat);
  // Appends a record built by the caller (the quarantine page's rows).
  void AppendRecord(ThreatRecord record);
  // Removes the first record with this quarantine identifier.
  bool RemoveRecordByQuarantineId(const std::wstring& quarantineId);
  // Marks a trace of the first record of this name cleaned (see threat::MarkTraceCleaned).
  void MarkTraceCleaned(const std::wstring& name, const std::wstring& traceText);
  // Applies a drop-down option (command 1, 4, ... 128) to a row; ignored for a
  // record without a source.
  void SetRecordAction(int option, int row);
  // Ticks or unticks every record (the select-all box).
  void SetAllChecked(bool checked);
  // Expands or collapses a row.
  void SetExpanded(int row, bool expanded);

  const std::vector<ThreatRecord>& Records() const { return m_records; }
  // For callers that edit or reorder records in place; call RefreshRows after.
  std::vector<ThreatRecord>& MutableRecords() { return m_records; }
  // Re-measures every row, updates the scroll ranges and repaints (after a batch
  // or after editing records in place).
  void RefreshRows();

  int RecordCount() const { return static_cast<int>(m_records.size()); }
  // Whether a record of that threat name is listed (a scan trace of it only
  // adds to that record).
  bool HasThreat(const std::wstring& name) const { return m_byName.count(name) != 0; }
  int TotalTraces() const { return threat::TotalTraces(m_records); }
  int HandledRecords() const { return threat::HandledRecords(m_records); }
  int HandledTraces() const { return threat::HandledTraces(m_records); }
  int LowestLevel() const { return threat::LowestLevel(m_records); }
  // Rows whose check box is ticked, in list order.
  std::vector<int> CheckedRows() const;

  // ---- Windows and geometry (tests, snapshots)
  CCustomList& Rows() { return m_rows; }
  // The action drop-down (made with the list window).
  CCleanDropdown& Dropdown() { return *m_dropdown; }
  HWND SelectAllBox() const { return m_selectAll; }
  int LineHeight() const { return m_lineHeight; }
  threat::ColumnWidths Columns() const;
  // The row with the keyboard focus (-1 none).
  int FocusRow() const { return m_focusRow; }
  void SetFocusRow(int row);
  // The row's band in row-container client coordinates (empty when out of range).
  RECT RowRect(int row) const;
  // Opens the drop-down for a row (as a click on its action link would).
  void OpenDropdown(int row, bool keyboard = false);
  // Paints the list window (header) into dc.
  void PaintTo(HDC dc);

  // ICustomListDraw
  void DrawRow(int row, int left, int top, int right, int bottom, HDC dc) override;
  int GetRowHeight(int row, int contentWidth) override;
  void OnRowClicked(int row, POINT pt, const RECT& rowRect) override;
  void OnListSizeChanged(int visibleWidth, int visibleHeight, bool widthChanged,
                         bool heightChanged) override;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnPaint() override;
  void OnPrintClient(HDC dc, UINT flags) override;
  BOOL OnEraseBkgnd(HDC dc) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;

 private:
  class CRows;
  friend class CRows;

  struct Palette {
    COLORREF rowBg, rowBgAlt, divider, text, link;
  };

  void LoadLooks();
  void AfterRecordsChanged(int changedRow);
  void Layout();
  void UpdateColumns(int width);
  // Keyboard of the row container; true when the key was used.
  bool OnRowsKey(UINT vk);
  void EnsureVisible(int row);
  void ToggleExpanded(int row);
  void ToggleChecked(int row);
  threat::RowHit HitFor(int row, const RECT& band) const;
  RECT CheckBoxRect(const RECT& band) const;
  RECT ActionCellRect(const RECT& band) const;
  void DrawCheckBox(HDC dc, const RECT& box, bool checked) const;
  int MeasureDetails(const ThreatRecord& record, int rowWidth) const;
  void RebuildNameIndex();

  std::unique_ptr<CRows> m_rowsOwner;
  CCustomList& m_rows;
  std::vector<ThreatRecord> m_records;
  // First record of each name: scan events merge in constant time.
  std::unordered_map<std::wstring, int> m_byName;
  std::array<std::wstring, threat::kColumns> m_titles;
  std::wstring m_emptyText;
  std::array<CAlphaImage, threat::kDamagePictures> m_damage;
  CAlphaImage m_arrow;
  CAlphaImage m_arrowTurned;
  // Made with the window: its template comes from the theme loaded by then.
  std::unique_ptr<CCleanDropdown> m_dropdown;
  bool m_linkMode = false;
  bool m_checkBoxMode = false;
  HWND m_selectAll = nullptr;
  int m_lineHeight = 16;
  int m_focusRow = -1;
  Palette m_palette{};
  threat::DetailTitles m_detailTitles;
  std::wstring m_handledText;
  std::array<std::wstring, threat::kActionLast + 2> m_actionTexts;
  UniqueFont m_font;
  UniqueFont m_linkFont;
  SIZE m_checkSize{13, 13};
  CMemDCPerm m_scratch;  // reused off-screen surface of the header's paints
};

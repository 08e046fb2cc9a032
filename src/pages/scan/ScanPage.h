#pragma once
// The scan tab's first page: the choice of the scan kind, the folders of the
// custom scan, and BeginScan, the one entry through which the user interface
// starts a scan (this page, the overview page, the tray menu, the hand-over).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "controls/BaseDlg.h"
#include "controls/ThemeButton.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"
#include "pages/lists/FolderBrowser.h"
#include "pages/lists/PathListDraw.h"
#include "pages/lists/VirtualListCtrl.h"
#include "pages/scan/ScanPageModel.h"

class CScanPage : public CBaseDlg, private IVirtualListParent, private IVirtualListDrawParent {
 public:
  // Controls of the template.
  // The folder list, made by the page.
  // The list's columns.
  static constexpr int kPathColumn = 0;
  static constexpr int kRemoveColumn = 1;
  static constexpr int kRemoveColumnWidth = 50;
  static constexpr DWORD kBrowseFlags = kFolderBrowserFlags;

  CScanPage();
  ~CScanPage() override;

  // Saves the custom folders with the start options, resets the engine's scan
  // session, prepares the scanning page, puts it on the scan tab with the tabs
  // locked and asks the scan controller for the scan. A failed engine call
  // raises EngineError (after ResetScan fails nothing has changed).
  void BeginScan(LONG scanType);
  // A custom scan of exactly these paths (Explorer's "Scan with"), leaving the
  // user's custom folders as they are: the paths stand in the scan
  // configuration only until the engine reports the scan started, when
  // RestoreCustomPaths puts the user's folders back. False (and no scan) when
  // the user's folders could not be read or the configuration written.
  bool BeginScanOfPaths(const CustomPathList& paths);
  // Puts the user's custom folders back after a scan of other paths has been
  // started; nothing when none is pending.
  void RestoreCustomPaths();

  // Selects the custom option and enables the folder list and the add button
  // (the overview page's custom scan button).
  void ChooseCustomScan();
  // The chosen kind: 0 quick, 1 full, 2 custom.
  LONG ChosenScanKind() const;

  // The working copy of the custom folders.
  const CustomPathList& CustomPaths() const { return m_paths; }
  // Reloads the folders from the engine's scan configuration, dropping folders
  // that no longer exist. SaveCustomPaths writes them (with the start options)
  // back; leaving the page saves only a list edited since its load or last save.
  void LoadCustomPaths();
  void SaveCustomPaths();
  // The folder browser (through the application's seam): a lower-case folder
  // path, or empty when the user cancelled.
  std::wstring BrowseForScanFolder();
  // The add and remove commands.
  void OnAddFolder();
  void RemoveFolderAt(int row);
  // The start command: BeginScan with the chosen type, or text 256.
  void OnStart();

  CVirtualListCtrl& FolderList() { return m_list; }

 protected:
  BOOL OnInitDialog() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnShowWindow(BOOL show, UINT status) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  bool PreTranslateMessage(MSG& msg) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  // IVirtualListParent, IVirtualListDrawParent
  std::wstring GetCellText(int row, int column, UINT controlId) override;
  void OnButtonClicked(int row, int column, UINT controlId) override;
  void DrawRow(const DRAWITEMSTRUCT& item) override;
  void MeasureRow(MEASUREITEMSTRUCT& item) override;

  void SelectOption(UINT id);
  void LayoutPage();
  // Row count, layout and visibility of the list after a change.
  void UpdateList();

  CTransButton m_quick, m_full, m_custom;
  CThemeLabel m_quickLabel, m_fullLabel, m_customLabel;
  CThemeButton m_start;
  CVirtualListCtrl m_list;
  HWND m_add = nullptr;
  CustomPathList m_paths;
  // The working copy was read from the engine (the last show could read it).
  bool m_pathsLoaded = false;
  // The working copy was edited since it was loaded or last stored.
  bool m_pathsChanged = false;
  CPathListLook m_look;
  // The scan configuration holds paths of a context-menu scan, not the user's.
  bool m_restorePending = false;
  // ResetScan, the scanning page on the scan tab with the tabs locked, and the
  // scan asked of the scan controller.
  void StartConfiguredScan(LONG scanType);
};

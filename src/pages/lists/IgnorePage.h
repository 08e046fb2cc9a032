#pragma once
// The ignore list tab's page: the threats the user chose to ignore and the
// files and folders declared safe, all kept in the engine's scan configuration.
// The page reads the configuration on every show and writes it back after
// every change; it keeps no change of its own.
//
// Keyboard: Tab moves between the list and the two add buttons; in the list
// the arrow keys pick a row and Delete removes it.
#include <windows.h>

#include <string>
#include <vector>

#include "controls/BaseDlg.h"
#include "controls/ThemeLabel.h"
#include "pages/lists/IgnoreList.h"
#include "pages/lists/PathListDraw.h"
#include "pages/lists/VirtualListCtrl.h"

// Where the page's controls go in a client area of width x height.
struct IgnorePageLayout {
  RECT explanation;
  RECT addFile;
  RECT addFolder;
  RECT list;
};
IgnorePageLayout ComputeIgnorePageLayout(int width, int height);

class CIgnorePage : public CBaseDlg, public IVirtualListParent, public IVirtualListDrawParent {
 public:
  // Controls.
  // List columns.
  static constexpr int kColumnText = 0;
  static constexpr int kColumnButton = 1;
  static constexpr int kButtonColumnWidth = 50;

  CIgnorePage();
  ~CIgnorePage() override;

  // Reads the scan configuration and rebuilds the rows; a failed read leaves
  // them as they were.
  void LoadIgnoreList();
  // Appends a known file (kKnownAppFile) or folder (kKnownAppFolder), stores the
  // configuration and reloads.
  void AddKnownApp(const std::wstring& path, KnownAppPathType type);
  // Removes the row's entry from the configuration, stores it and reloads; a row
  // beyond the last does nothing.
  void RemoveIgnoreEntry(int row);
  // The add-file command: the file-open dialog, then the duplicate check.
  void OnAddFile();
  // The add-folder command: the folder browser, then AddKnownApp.
  void OnAddFolder();
  // The folder browser: a chosen folder not yet listed, or the empty text (a
  // listed folder is refused with text 217).
  std::wstring BrowseForIgnoreFolder();

  const std::vector<IgnoreEntry>& Entries() const { return m_entries; }
  CVirtualListCtrl& List() { return m_list; }

  // IVirtualListParent
  std::wstring GetCellText(int row, int column, UINT controlId) override;
  void OnButtonClicked(int row, int column, UINT controlId) override;
  // IVirtualListDrawParent
  void DrawRow(const DRAWITEMSTRUCT& item) override;
  void MeasureRow(MEASUREITEMSTRUCT& item) override;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT* result) override;
  void OnShowWindow(BOOL show, UINT status) override;
  void OnSize(UINT type, int cx, int cy) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  void Layout();
  // Stores an edited configuration; a refusal is told to the user. Then reloads.
  void StoreAndReload(const QVnsScanConfig::CScanConfig& config);

  CThemeLabel m_explanation;
  CVirtualListCtrl m_list;
  std::vector<IgnoreEntry> m_entries;
  CPathListLook m_look;
};

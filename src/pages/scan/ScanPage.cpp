#include "pages/scan/ScanPage.h"

#include <shlwapi.h>

#include <algorithm>

#include "app/MainFrame.h"
#include "controls/Drawing.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "framework/WinAppEx.h"
#include "pages/lists/FolderBrowser.h"
#include "pages/scan/PageKeyboard.h"
#include "pages/scan/ScanningPage.h"
#include "themedata/resource.h"

using namespace Gdiplus;
namespace SC = QVnsScanConfig;

namespace {

bool FolderExists(const std::wstring& path) {
  return !path.empty() && PathFileExistsW(path.c_str());
}

std::wstring AppTitleText() { return AfxGetApp() ? AfxGetApp()->AppTitle() : std::wstring(); }

}  // namespace

CScanPage::CScanPage() : CBaseDlg(IDD_SCAN), m_list(this, this) {}

CScanPage::~CScanPage() { DestroyWindow(); }

BOOL CScanPage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  CThemeResources& t = Theme();
  m_textColor = t.GetColor(L"pages/title");
  SetHeader(LoadThemeImage(L"Images/Scan/status_normal.png"), t.LoadResString(IDS_SCAN_TITLE),
            t.LoadResString(IDS_SCAN_SUBTITLE));

  for (auto [option, id] : {std::pair{&m_quick, IDC_SCAN_QUICK}, std::pair{&m_full, IDC_SCAN_FULL},
                            std::pair{&m_custom, IDC_SCAN_CUSTOM}}) {
    option->SubclassDlgItem(id, m_hWnd);
    // Each choice is a tab stop of its own, so Tab reaches every one.
    ::SetWindowLongPtrW(option->m_hWnd, GWL_STYLE, option->GetStyle() | WS_TABSTOP);
  }
  m_quickLabel.SubclassDlgItem(IDC_SCAN_QUICK_TEXT, m_hWnd);
  m_fullLabel.SubclassDlgItem(IDC_SCAN_FULL_TEXT, m_hWnd);
  m_customLabel.SubclassDlgItem(IDC_SCAN_CUSTOM_TEXT, m_hWnd);
  m_start.SubclassDlgItem(IDC_SCAN_START, m_hWnd);
  m_start.m_acceptEnter = true;
  m_start.SetImages(L"Images\\Overview\\start.png", L"Images\\Overview\\start_over.png",
                    L"Images\\Overview\\start_down.png", L"");
  m_add = GetDlgItem(IDC_SCAN_ADD_FOLDER);

  const RECT none{0, 0, 0, 0};
  m_list.Create(WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_OWNERDRAWFIXED |
                    LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                none, m_hWnd, IDC_SCAN_FOLDER_LIST);
  m_list.SetExtendedStyle(LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT);
  m_list.InsertColumn(kPathColumn, L"filename", 100);
  m_list.InsertColumn(kRemoveColumn, L"button", kRemoveColumnWidth);
  m_list.SetButtonColumn(kRemoveColumn, m_look.ButtonSize());
  // Tab order: the three choices, the folder list, the add button, start.
  ::SetWindowPos(m_list.m_hWnd, GetDlgItem(IDC_SCAN_CUSTOM_TEXT), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  SelectOption(IDC_SCAN_QUICK);
  LayoutPage();
  return TRUE;
}

void CScanPage::SelectOption(UINT id) {
  m_quick.SetCheck(id == IDC_SCAN_QUICK ? BST_CHECKED : BST_UNCHECKED);
  m_full.SetCheck(id == IDC_SCAN_FULL ? BST_CHECKED : BST_UNCHECKED);
  m_custom.SetCheck(id == IDC_SCAN_CUSTOM ? BST_CHECKED : BST_UNCHECKED);
  const bool custom = id == IDC_SCAN_CUSTOM;
  m_list.EnableWindow(custom);
  ::EnableWindow(m_add, custom);
  m_list.Invalidate(FALSE);
}

void CScanPage::ChooseCustomScan() {
  if (m_hWnd) SelectOption(IDC_SCAN_CUSTOM);
}

LONG CScanPage::ChosenScanKind() const {
  if (m_full.m_hWnd && m_full.GetCheck() == BST_CHECKED) return 1;
  if (m_custom.m_hWnd && m_custom.GetCheck() == BST_CHECKED) return 2;
  return 0;
}

void CScanPage::LayoutPage() {
  if (!m_hWnd || !m_quick.m_hWnd) return;
  const RECT client = GetClientRect();
  const RECT quick = m_quick.GetRectInParent();
  const RECT start = m_start.GetRectInParent();
  const ScanPageLayout l =
      ComputeScanPageLayout(client.right, client.bottom, quick.bottom - quick.top,
                            SIZE{start.right - start.left, start.bottom - start.top});
  m_quick.MoveWindow(l.quick);
  m_full.MoveWindow(l.full);
  m_quickLabel.MoveWindow(l.quickLabel);
  m_fullLabel.MoveWindow(l.fullLabel);
  m_custom.MoveWindow(l.custom);
  m_customLabel.MoveWindow(l.customLabel);
  m_list.MoveWindow(l.list);
  const int listWidth = m_list.GetClientRect().right;
  m_list.SetColumnWidth(kPathColumn, std::max(0, listWidth - kRemoveColumnWidth));
  m_list.SetColumnWidth(kRemoveColumn, kRemoveColumnWidth);
  ::SetWindowPos(m_add, nullptr, l.add.x, l.add.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowPos(m_start.m_hWnd, nullptr, l.start.x, l.start.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate(FALSE);
}

void CScanPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  LayoutPage();
}

void CScanPage::UpdateList() {
  m_list.SetItemCountEx(static_cast<int>(m_paths.size()), 0);
  LayoutPage();
  m_list.ShowWindow(m_paths.empty() ? SW_HIDE : SW_SHOW);
  m_list.Invalidate(FALSE);
}

void CScanPage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (show) {
    LoadCustomPaths();
  } else if (status == 0 && m_pathsChanged && !m_restorePending) {
    // Only an edited list is written back: the engine holds what was loaded or
    // last stored. (While another scan's paths stand in the configuration, the
    // restore writes the list once that scan has started.)
    SaveCustomPaths();
  }
}

bool CScanPage::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_SCAN_QUICK:
      case IDC_SCAN_FULL:
      case IDC_SCAN_CUSTOM:
        SelectOption(id);
        return true;
      case IDC_SCAN_ADD_FOLDER:
        OnAddFolder();
        return true;
      case IDC_SCAN_START:
        OnStart();
        return true;
      default:
        break;
    }
  }
  return CBaseDlg::OnCommand(id, code, control);
}

bool CScanPage::OnNotify(NMHDR* header, LRESULT* result) {
  // Keyboard on the folder list: Delete or Space removes the selected folder.
  if (header && header->idFrom == IDC_SCAN_FOLDER_LIST && header->code == LVN_KEYDOWN) {
    const WORD key = reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey;
    if (key == VK_DELETE || key == VK_SPACE) {
      RemoveFolderAt(
          static_cast<int>(m_list.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
      *result = 0;
      return true;
    }
  }
  return CBaseDlg::OnNotify(header, result);
}

bool CScanPage::PreTranslateMessage(MSG& msg) {
  if (ClickFocusedButtonOnEnter(
          m_hWnd, msg,
          {IDC_SCAN_QUICK, IDC_SCAN_FULL, IDC_SCAN_CUSTOM, IDC_SCAN_ADD_FOLDER, IDC_SCAN_START}))
    return true;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == m_list.m_hWnd) {
    RemoveFolderAt(
        static_cast<int>(m_list.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    return true;
  }
  return CBaseDlg::PreTranslateMessage(msg);
}

// ---- custom folders -------------------------------------------------------------

void CScanPage::LoadCustomPaths() {
  RestoreCustomPaths();
  CEngineSession::ProbeGroup probe(Engine());
  m_paths.clear();
  m_pathsChanged = false;
  SC::CScanConfig config;
  // An empty list shown after a failed read is not the user's: it must not
  // replace the stored folders unless the user edits it.
  m_pathsLoaded = SUCCEEDED(FetchDocument(config, EngineDocuments::kScanConfig));
  if (m_pathsLoaded) {
    LoadedCustomPaths loaded = TakeCustomPaths(config, FolderExists);
    m_paths = std::move(loaded.folders);
    if (loaded.removedAny) StoreDocument(config, EngineDocuments::kScanConfig);
  }
  if (m_hWnd) UpdateList();
}

void CScanPage::SaveCustomPaths() {
  CEngineSession::ProbeGroup probe(Engine());
  SC::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  std::string before, after;
  config.WriteToText(before);
  // A working copy that was never loaded (nor edited) would wipe the stored
  // folders.
  const bool ours = m_pathsLoaded || m_pathsChanged;
  ApplyScanStartConfig(config, ours ? &m_paths : nullptr);
  // The engine may already hold this very document.
  if (config.WriteToText(after) != 0 || after != before) {
    if (FAILED(StoreDocument(config, EngineDocuments::kScanConfig))) return;
  }
  if (ours) m_pathsChanged = false;
}

std::wstring CScanPage::BrowseForScanFolder() {
  const HRESULT ole = OleInitialize(nullptr);
  const std::wstring title = Theme().LoadResString(IDS_FOLDER_BROWSER_TITLE);
  BROWSEINFOW info{};
  info.hwndOwner = m_hWnd;
  info.lpszTitle = title.c_str();
  info.ulFlags = kBrowseFlags;
  info.lpfn = FolderBrowserCallback;
  std::wstring result;
  for (;;) {
    std::optional<std::wstring> chosen = AppBrowseForFolder(info);
    if (!chosen) break;
    Sleep(100);
    if (FolderExists(*chosen)) {
      result = LowerPath(*chosen);
      break;
    }
    // An item without a file-system path: ask again.
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return result;
}

void CScanPage::OnAddFolder() {
  const std::wstring folder = BrowseForScanFolder();
  switch (AddCustomPath(m_paths, folder)) {
    case AddPathResult::kDuplicate:
      AppMessageBox(m_hWnd, Theme().LoadResString(IDS_SCAN_FOLDER_LISTED), AppTitleText(),
                    MB_OK | MB_ICONINFORMATION);
      return;
    case AddPathResult::kEmpty:
      return;
    case AddPathResult::kAdded:
      m_pathsChanged = true;
      UpdateList();
      return;
  }
}

void CScanPage::RemoveFolderAt(int row) {
  if (!RemoveCustomPathAt(m_paths, row)) return;
  m_pathsChanged = true;
  UpdateList();
}

void CScanPage::OnStart() {
  const std::optional<LONG> type =
      ScanTypeForStart(ChosenScanKind() == 1, ChosenScanKind() == 2, m_paths.size());
  if (!type) {
    AppMessageBox(m_hWnd, Theme().LoadResString(IDS_SCAN_ADD_FOLDER_FIRST), AppTitleText(),
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  BeginScan(*type);
}

void CScanPage::BeginScan(LONG scanType) {
  SaveCustomPaths();
  StartConfiguredScan(scanType);
}

bool CScanPage::BeginScanOfPaths(const CustomPathList& paths) {
  // The user's folders are read first, so that they can be put back; folders
  // that could not be read could not be put back either.
  if (!m_pathsLoaded) LoadCustomPaths();
  SC::CScanConfig config;
  HRESULT hr = m_pathsLoaded || m_pathsChanged ? FetchDocument(config, EngineDocuments::kScanConfig)
                                               : E_FAIL;
  if (SUCCEEDED(hr)) {
    ApplyScanStartConfig(config, &paths);
    hr = StoreDocument(config, EngineDocuments::kScanConfig);
  }
  if (FAILED(hr)) {
    wchar_t line[96];
    swprintf(line, std::size(line), L"scan page: paths to scan not stored: 0x%08lX\n",
             static_cast<unsigned long>(hr));
    OutputDebugStringW(line);
    return false;
  }
  m_restorePending = true;
  StartConfiguredScan(kScanCustom);
  return true;
}

void CScanPage::RestoreCustomPaths() {
  if (!m_restorePending) return;
  m_restorePending = false;
  SaveCustomPaths();
}

void CScanPage::StartConfiguredScan(LONG scanType) {
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->ResetScan(), control);
  CScanController& controller = CScanController::Instance();
  if (CMainFrame* frame = GetMainFrame()) {
    CScanningPage* scanning = frame->ScanningPage();
    if (scanning) scanning->PrepareScanningPage(controller.UpdateRunning());
    frame->SetTabPage(CMainFrame::kTabScan, scanning);
    if (frame->GetTabCount() > 1) frame->SelectTab(CMainFrame::kTabScan, false);
    frame->SetTabsEnabled(false);
  }
  controller.RequestScan(scanType);
}

// ---- folder list ----------------------------------------------------------------

std::wstring CScanPage::GetCellText(int row, int column, UINT) {
  if (column != kPathColumn || row < 0 || static_cast<size_t>(row) >= m_paths.size()) return {};
  return m_paths[static_cast<size_t>(row)];
}

void CScanPage::OnButtonClicked(int row, int column, UINT) {
  if (column == kRemoveColumn) RemoveFolderAt(row);
}

void CScanPage::MeasureRow(MEASUREITEMSTRUCT& item) {
  item.itemHeight = static_cast<UINT>(m_look.RowHeight());
}

void CScanPage::DrawRow(const DRAWITEMSTRUCT& item) {
  const int row = static_cast<int>(item.itemID);
  if (row < 0 || static_cast<size_t>(row) >= m_paths.size()) return;
  m_look.DrawRow(item, m_list, m_paths[static_cast<size_t>(row)], kPathColumn, kRemoveColumn);
}

void CScanPage::DrawContent(Graphics& g) {
  if (!m_list.m_hWnd) return;
  m_look.DrawEmptyFrame(g, m_list.GetRectInParent(), Theme().LoadResString(IDS_SCAN_NO_FOLDERS));
}

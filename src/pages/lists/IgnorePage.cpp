#include "pages/lists/IgnorePage.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>

#include "engine/EngineDocuments.h"
#include "engine/ThreatInfo.h"
#include "framework/WinAppEx.h"
#include "pages/lists/FolderBrowser.h"
#include "themedata/resource.h"

namespace SC = QVnsScanConfig;

IgnorePageLayout ComputeIgnorePageLayout(int w, int h) {
  IgnorePageLayout l;
  l.explanation = RECT{20, 90, w - 20, 126};
  l.addFile = RECT{w - 130, h - 34, w - 20, h - 10};
  l.addFolder = RECT{w - 250, h - 34, w - 140, h - 10};
  l.list = RECT{20, 140, w - 20, h - 44};
  return l;
}

namespace {

std::wstring AppTitleText() { return AfxGetApp() ? AfxGetApp()->AppTitle() : std::wstring(); }

}  // namespace

CIgnorePage::CIgnorePage() : CBaseDlg(IDD_IGNORE), m_list(this, this) {}

CIgnorePage::~CIgnorePage() { DestroyWindow(); }

BOOL CIgnorePage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  CThemeResources& t = Theme();
  m_textColor = t.GetColor(L"pages/title");
  SetHeader(LoadThemeImage(L"Images/headers/header_ignore.png"), t.LoadResString(IDS_IGNORE_TITLE),
            t.LoadResString(IDS_IGNORE_SUBTITLE));
  m_explanation.SubclassDlgItem(IDC_IGNORE_EXPLANATION, m_hWnd);
  m_explanation.m_text = t.LoadResString(IDS_IGNORE_EXPLANATION);
  m_explanation.SetText(m_explanation.m_text);

  const DWORD style = WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_OWNERDRAWFIXED |
                      LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
  m_list.Create(style, RECT{0, 0, 100, 100}, m_hWnd, IDC_IGNORE_LIST);
  m_list.SetExtendedStyle(LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT);
  m_list.InsertColumn(kColumnText, L"filename", 50);
  m_list.InsertColumn(kColumnButton, L"button", kButtonColumnWidth);
  m_list.SetButtonColumn(kColumnButton, m_look.ButtonSize());
  // The list follows the explanation and comes before the buttons in Tab order.
  ::SetWindowPos(m_list.m_hWnd, m_explanation.m_hWnd, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Layout();
  return FALSE;
}

void CIgnorePage::Layout() {
  if (!m_hWnd) return;
  const RECT c = GetClientRect();
  const IgnorePageLayout l = ComputeIgnorePageLayout(c.right, c.bottom);
  if (m_explanation.m_hWnd) m_explanation.MoveWindow(l.explanation);
  if (HWND b = GetDlgItem(IDC_IGNORE_ADD_FILE))
    ::MoveWindow(b, l.addFile.left, l.addFile.top, fw::Width(l.addFile), fw::Height(l.addFile),
                 TRUE);
  if (HWND b = GetDlgItem(IDC_IGNORE_ADD_FOLDER))
    ::MoveWindow(b, l.addFolder.left, l.addFolder.top, fw::Width(l.addFolder),
                 fw::Height(l.addFolder), TRUE);
  if (m_list.m_hWnd) {
    m_list.MoveWindow(l.list);
    const RECT inner = m_list.GetClientRect();
    m_list.SetColumnWidth(kColumnText, std::max<int>(0, inner.right - kButtonColumnWidth));
    m_list.Invalidate(FALSE);
  }
  Invalidate(FALSE);
}

void CIgnorePage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  Layout();
}

void CIgnorePage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (show) LoadIgnoreList();
}

void CIgnorePage::LoadIgnoreList() {
  SC::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  m_entries = BuildIgnoreEntries(config, [](std::uint32_t id) {
    return QueryThreatInfo(static_cast<LONG>(id)).texts[4];
  });
  if (!m_list.m_hWnd) return;
  m_list.SetItemCountEx(static_cast<int>(m_entries.size()), 0);
  if (!m_entries.empty()) {
    Layout();
    m_list.ShowWindow(SW_SHOW);
  } else {
    m_list.ShowWindow(SW_HIDE);
  }
  m_list.Invalidate(FALSE);
  Invalidate(FALSE);
}

void CIgnorePage::StoreAndReload(const SC::CScanConfig& config) {
  if (FAILED(StoreDocument(config, EngineDocuments::kScanConfig))) {
    // The engine kept its previous configuration: say so, and show what it holds.
    AppMessageBox(m_hWnd, Theme().LoadResString(IDS_IGNORE_NOT_STORED), AppTitleText(),
                  MB_OK | MB_ICONWARNING);
  }
  LoadIgnoreList();
}

void CIgnorePage::AddKnownApp(const std::wstring& path, KnownAppPathType type) {
  SC::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  ::AppendKnownApp(config, path, type, LocalDateTimeText());
  StoreAndReload(config);
}

void CIgnorePage::RemoveIgnoreEntry(int row) {
  if (row < 0 || static_cast<size_t>(row) >= m_entries.size()) return;
  const IgnoreEntry entry = m_entries[static_cast<size_t>(row)];
  SC::CScanConfig config;
  if (FAILED(FetchDocument(config, EngineDocuments::kScanConfig))) return;
  ::RemoveIgnoreEntry(config, entry);
  StoreAndReload(config);
}

void CIgnorePage::OnAddFile() {
  OPENFILENAMEW info{};
  info.lStructSize = sizeof(info);
  info.hwndOwner = m_hWnd;
  info.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  std::optional<std::wstring> chosen = AppGetOpenFileName(info);
  if (!chosen || chosen->empty()) return;
  if (IsPathListed(m_entries, *chosen)) {
    AppMessageBox(m_hWnd, Theme().LoadResString(IDS_IGNORE_FILE_LISTED), AppTitleText(),
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  AddKnownApp(*chosen, kKnownAppFile);
}

std::wstring CIgnorePage::BrowseForIgnoreFolder() {
  const HRESULT ole = OleInitialize(nullptr);
  const std::wstring title = Theme().LoadResString(IDS_FOLDER_BROWSER_TITLE);
  BROWSEINFOW info{};
  info.hwndOwner = m_hWnd;
  info.lpszTitle = title.c_str();
  info.ulFlags = kFolderBrowserFlags;
  info.lpfn = FolderBrowserCallback;
  std::wstring result;
  for (;;) {
    std::optional<std::wstring> chosen = AppBrowseForFolder(info);
    if (!chosen) break;
    if (!chosen->empty() && IsPathListed(m_entries, *chosen)) {
      AppMessageBox(m_hWnd, Theme().LoadResString(IDS_IGNORE_FOLDER_LISTED), AppTitleText(),
                    MB_OK | MB_ICONINFORMATION);
      break;
    }
    // An item without a file-system path, or one that is gone: ask again.
    if (chosen->empty() || !PathFileExistsW(chosen->c_str())) continue;
    result = *chosen;
    break;
  }
  if (SUCCEEDED(ole)) OleUninitialize();
  return result;
}

void CIgnorePage::OnAddFolder() {
  const std::wstring folder = BrowseForIgnoreFolder();
  if (!folder.empty()) AddKnownApp(folder, kKnownAppFolder);
}

bool CIgnorePage::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED && id == IDC_IGNORE_ADD_FILE) {
    OnAddFile();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_IGNORE_ADD_FOLDER) {
    OnAddFolder();
    return true;
  }
  return CBaseDlg::OnCommand(id, code, control);
}

bool CIgnorePage::OnNotify(NMHDR* header, LRESULT* result) {
  if (header && header->idFrom == IDC_IGNORE_LIST && header->code == LVN_KEYDOWN) {
    const auto* key = reinterpret_cast<NMLVKEYDOWN*>(header);
    if (key->wVKey == VK_DELETE) {
      const int row =
          static_cast<int>(m_list.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
      RemoveIgnoreEntry(row);
      if (!m_entries.empty()) {
        // Keep the keyboard's place on the row that took the removed one's.
        const int next = std::min<int>(std::max(row, 0), static_cast<int>(m_entries.size()) - 1);
        LVITEMW state{};
        state.stateMask = state.state = LVIS_FOCUSED | LVIS_SELECTED;
        m_list.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(next), reinterpret_cast<LPARAM>(&state));
      } else {
        // The list hides: the keyboard goes on at the first button.
        ::SetFocus(GetDlgItem(IDC_IGNORE_ADD_FOLDER));
      }
    }
    *result = 0;
    return true;
  }
  return CBaseDlg::OnNotify(header, result);
}

std::wstring CIgnorePage::GetCellText(int row, int column, UINT) {
  if (column != kColumnText || row < 0 || static_cast<size_t>(row) >= m_entries.size()) return {};
  return m_entries[static_cast<size_t>(row)].text;
}

void CIgnorePage::OnButtonClicked(int row, int column, UINT) {
  if (column == kColumnButton) RemoveIgnoreEntry(row);
}

void CIgnorePage::MeasureRow(MEASUREITEMSTRUCT& item) {
  item.itemHeight = static_cast<UINT>(m_look.RowHeight());
}

void CIgnorePage::DrawRow(const DRAWITEMSTRUCT& item) {
  const int row = static_cast<int>(item.itemID);
  if (row < 0 || static_cast<size_t>(row) >= m_entries.size()) return;
  m_look.DrawRow(item, m_list, m_entries[static_cast<size_t>(row)].text, kColumnText,
                 kColumnButton);
}

void CIgnorePage::DrawContent(Gdiplus::Graphics& g) {
  if (!m_list.m_hWnd) return;
  m_look.DrawEmptyFrame(g, m_list.GetRectInParent(), Theme().LoadResString(IDS_IGNORE_EMPTY));
}

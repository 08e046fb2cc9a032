#include "app/AboutDlg.h"

#include "app/MainFrame.h"
#include "framework/WinAppEx.h"
#include "telemetry/UniversalWrapper.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

std::wstring AboutVersionText(const std::wstring& word, const std::wstring& version) {
  if (version.empty()) return word;
  if (word.empty()) return version;
  return word + L" " + version;
}

CAboutDlg::CAboutDlg() : CBaseDlg(IDD_ABOUT) {
  CThemeResources& t = Theme();
  m_textColor = t.GetColor(L"pages/title");
  SetHeader(LoadThemeImage(L"Images/headers/header_about.png"), t.LoadResString(IDS_ABOUT),
            t.GetString(L"app_name"));
}

CAboutDlg::~CAboutDlg() { DestroyWindow(); }

BOOL CAboutDlg::OnInitDialog() {
  m_productName.SubclassDlgItem(IDC_ABOUT_PRODUCT, m_hWnd);
  m_version.SubclassDlgItem(IDC_ABOUT_VERSION, m_hWnd);
  m_description.SubclassDlgItem(IDC_ABOUT_DESCRIPTION, m_hWnd);
  m_copyright.SubclassDlgItem(IDC_ABOUT_COPYRIGHT, m_hWnd);
  m_webSite.SubclassDlgItem(IDC_ABOUT_WEB_SITE, m_hWnd);
  m_support.SubclassDlgItem(IDC_ABOUT_SUPPORT, m_hWnd);
  m_checkUpdates.SubclassDlgItem(IDC_ABOUT_CHECK_UPDATES, m_hWnd);
  m_versionWord = m_version.m_text;
  m_productName.SetFont(CreateThemeFont(true, 11, false, false));
  m_productName.m_textColor = Theme().GetColor(L"pages/title");
  Refresh();
  return FALSE;
}

void CAboutDlg::Refresh() {
  if (!m_hWnd) return;
  CThemeResources& t = Theme();
  const std::wstring name = t.GetString(L"app_name");
  if (!name.empty()) m_productName.SetText(name);
  m_version.SetText(AboutVersionText(m_versionWord, t.GetString(L"version")));
  const std::wstring webButton = t.GetString(L"company_web_button");
  if (!webButton.empty()) m_webSite.SetText(webButton);
}

void CAboutDlg::OpenThemeAddress(const wchar_t* key) {
  const std::wstring address = Theme().GetString(key);
  if (address.empty()) {
    ::OutputDebugStringW((std::wstring(L"about page: the theme names no address for ") + key + L"\n").c_str());
    return;
  }
  const INT_PTR result = AppShellExecute(L"open", address, L"", SW_SHOW);
  if (result <= 32)
    ::OutputDebugStringW((L"about page: opening " + address + L" failed with " +
                          std::to_wstring(result) + L"\n")
                             .c_str());
}

bool CAboutDlg::OnCommand(UINT id, UINT code, HWND control) {
  if (!control || code != BN_CLICKED) return CBaseDlg::OnCommand(id, code, control);
  switch (id) {
    case IDC_ABOUT_WEB_SITE:
      OpenThemeAddress(L"company_url");
      return true;
    case IDC_ABOUT_SUPPORT:
      OpenThemeAddress(L"urls/tech_support");
      return true;
    case IDC_ABOUT_CHECK_UPDATES:
      if (CMainFrame* frame = GetMainFrame())
        frame->CheckForProgramUpdates();
      else
        CheckForUpdates();
      return true;
    default:
      return CBaseDlg::OnCommand(id, code, control);
  }
}

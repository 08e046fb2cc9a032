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
  SetHeader(LoadThemeImage(L"Images/headers/header_about.png"), t.LoadResString(kTitleString),
            t.GetString(L"app_name"));
}

CAboutDlg::~CAboutDlg() { DestroyWindow(); }

BOOL CAboutDlg::OnInitDialog() {
  m_productName.SubclassDlgItem(kIdProductName, m_hWnd);
  m_version.SubclassDlgItem(kIdVersion, m_hWnd);
  m_description.SubclassDlgItem(kIdDescription, m_hWnd);
  m_copyright.SubclassDlgItem(kIdCopyright, m_hWnd);
  m_webSite.SubclassDlgItem(kIdWebSite, m_hWnd);
  m_support.SubclassDlgItem(kIdSupport, m_hWnd);
  m_checkUpdates.SubclassDlgItem(kIdCheckUpdates, m_hWnd);
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
    case kIdWebSite:
      OpenThemeAddress(L"company_url");
      return true;
    case kIdSupport:
      OpenThemeAddress(L"urls/tech_support");
      return true;
    case kIdCheckUpdates:
      if (CMainFrame* frame = GetMainFrame())
        frame->CheckForProgramUpdates();
      else
        CheckForUpdates();
      return true;
    default:
      return CBaseDlg::OnCommand(id, code, control);
  }
}

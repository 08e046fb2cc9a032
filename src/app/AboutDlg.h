#pragma once
// The about page, shown by the About frame button without a tab: the product's
// name and version, links to the maker's web site and technical support, and a
// check for program updates.
#include <windows.h>

#include <string>

#include "controls/BaseDlg.h"
#include "controls/ThemeLabel.h"
#include "controls/TransButton.h"

class CAboutDlg : public CBaseDlg {
 public:
  // Controls of the template.

  CAboutDlg();
  ~CAboutDlg() override;

  // Brings the page's texts up to date from the theme (main frame status refresh).
  void Refresh();

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;

 private:
  // Opens an address of the theme with the shell; an empty one is traced.
  void OpenThemeAddress(const wchar_t* key);

  CThemeLabel m_productName, m_version, m_description, m_copyright;
  CTransButton m_webSite, m_support, m_checkUpdates;
  // The version label's own word, before the number ("Version").
  std::wstring m_versionWord;
};

// The version line: the template's word and the theme's version, or the word
// alone while the theme names no version.
std::wstring AboutVersionText(const std::wstring& word, const std::wstring& version);

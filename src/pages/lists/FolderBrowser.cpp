#include "pages/lists/FolderBrowser.h"

#include <shlwapi.h>

#include "framework/WinAppEx.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

int CALLBACK FolderBrowserCallback(HWND browser, UINT msg, LPARAM param, LPARAM) {
  switch (msg) {
    case BFFM_INITIALIZED:
      ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(L""));
      break;
    case BFFM_SELCHANGED: {
      wchar_t path[MAX_PATH] = L"";
      const bool ok = SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(param), path) &&
                      PathIsDirectoryW(path) && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
      ::SendMessageW(browser, BFFM_ENABLEOK, 0, ok ? TRUE : FALSE);
      break;
    }
    case BFFM_VALIDATEFAILEDW: {
      const std::wstring title = AfxGetApp() ? AfxGetApp()->AppTitle() : std::wstring();
      AppMessageBox(browser, Theme().LoadResString(IDS_FOLDER_NAME_REFUSED), title, MB_OK);
      return 1;  // keep the browser open
    }
    default:
      break;
  }
  return 0;
}

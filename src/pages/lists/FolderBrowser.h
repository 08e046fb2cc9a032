// The folder browser's shared settings and callback (the scan page's folder
// list and the ignore list open the same browser).
#pragma once

#include <windows.h>
#include <shlobj.h>

// Only file-system folders, typed names validated, the new dialog style and no
// new-folder button.
inline constexpr UINT kFolderBrowserFlags = 0x261;
// The browser's callback: starts with no selection; OK only for a readable
// file-system directory; a typed name that fails validation gets text IDS_FOLDER_NAME_REFUSED in a
// message box owned by the browser, which stays open.
int CALLBACK FolderBrowserCallback(HWND browser, UINT msg, LPARAM param, LPARAM data);

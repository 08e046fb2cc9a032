#include "support/shipped_theme.h"

#include <windows.h>

#include <string>

#include "theme/ThemeResources.h"

bool LoadShippedTheme() {
  static const bool loaded = [] {
    wchar_t buffer[MAX_PATH];
    DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring folder(buffer, n);
    folder.erase(folder.find_last_of(L'\\') + 1);
    // Kept loaded for the rest of the test process, as the program keeps it.
    HMODULE resources = ::LoadLibraryW((folder + L"res.dll").c_str());
    if (!resources) return false;
    return Theme().Load(folder + L"ui.xml", resources);
  }();
  return loaded;
}

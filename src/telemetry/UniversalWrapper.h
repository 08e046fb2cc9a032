// The bridge to the maker's external updater library: loaded by path for the
// duration of one call, its entry points resolved by name.
#pragma once

#include <windows.h>

#include <string>

// The record passed to the library's registration entry point.
struct UpdaterRegistration {
  DWORD version = 2;
  const wchar_t* appName = nullptr;
};

class CUniversalWrapper {
 public:
  using CreateFn = int(WINAPI*)(DWORD* context);
  using ContextFn = int(WINAPI*)(DWORD context);
  using UpdatesExFn = int(WINAPI*)(DWORD context, DWORD showUi);
  using InitUnsFn = int(WINAPI*)(DWORD context, UpdaterRegistration* record);

  // libraryPath: the full path of the updater library (empty: none).
  explicit CUniversalWrapper(std::wstring libraryPath);
  ~CUniversalWrapper();
  CUniversalWrapper(const CUniversalWrapper&) = delete;
  CUniversalWrapper& operator=(const CUniversalWrapper&) = delete;

  // Runs the library's update with its own user interface.
  void CheckForUpdates();
  // Registers the application; 0 when the library offers registration, else -1.
  int RegisterWithUpdater(const std::wstring& appName);

  // The common program files folder followed directly by uusPath; empty when
  // the folder is unknown or the whole path would not fit in MAX_PATH.
  static std::wstring LibraryPath(const std::wstring& commonFolder, const std::wstring& uusPath);
  // The library path from the platform's folder and the theme string "uus_path".
  static std::wstring LibraryPathFromTheme();

 private:
  void Load();
  void Unload();

  std::wstring m_path;
  HMODULE m_module = nullptr;
  DWORD m_context = 0;
  CreateFn m_create = nullptr;
  FARPROC m_showUpdatesSettingsDialog = nullptr;
  FARPROC m_doAllUpdates = nullptr;
  FARPROC m_doSelfUpdate = nullptr;
  FARPROC m_doNag = nullptr;
  ContextFn m_doAllUpdatesWithUI = nullptr;
  ContextFn m_delete = nullptr;
  UpdatesExFn m_doAllUpdatesWithUIEx = nullptr;
  InitUnsFn m_initUns = nullptr;
  FARPROC m_collectEmail = nullptr;
};

// The two uses, with the library named by the theme.
void CheckForUpdates();
int RegisterWithUpdater();

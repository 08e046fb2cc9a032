// The application object base: start-up and exit hooks, the message loop,
// the per-user profile key and the resource module.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

// Replaceable system calls that tests must be able to answer or observe
// without blocking on a dialog or harming the machine.
struct CAppSeams {
  // Stands in for MessageBoxW; returns the button id.
  std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
      messageBox;
  // Stands in for ExitWindowsEx.
  std::function<BOOL(UINT flags, DWORD reason)> exitWindows;
  // Stands in for ShellExecuteW; returns the ShellExecuteW-style result (> 32 is success).
  std::function<INT_PTR(const std::wstring& verb, const std::wstring& file,
                        const std::wstring& params, int show)>
      shellExecute;
  // Stands in for the folder browser (SHBrowseForFolderW, then
  // SHGetPathFromIDListW on the choice): nullopt when the user cancels, else the
  // chosen item's file-system path (empty when it has none).
  std::function<std::optional<std::wstring>(const BROWSEINFOW& info)> browseForFolder;
  // Stands in for the file-open dialog (GetOpenFileNameW): nullopt when the
  // user cancels, else the chosen file's path.
  std::function<std::optional<std::wstring>(const OPENFILENAMEW& info)> openFile;
};

class CWinAppEx {
 public:
  // The first application object constructed becomes the process's current one.
  CWinAppEx();
  virtual ~CWinAppEx();
  CWinAppEx(const CWinAppEx&) = delete;
  CWinAppEx& operator=(const CWinAppEx&) = delete;

  // Start-up: true when the message loop should run.
  virtual BOOL InitInstance();
  // Exit work; returns the process exit code.
  virtual int ExitInstance();
  // Pumps messages until WM_QUIT, then returns ExitInstance().
  virtual int Run();
  // Return true when the message was handled and must not be dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Called with an exception that escaped a dispatched message. Return true
  // when it was dealt with and the loop should go on; false rethrows it.
  virtual bool OnLoopException(std::exception_ptr error);

  // Window procedures must not let C++ exceptions unwind through the system's
  // frames: they catch, stash the exception here, and return. The message
  // loop rethrows it right after DispatchMessage returns.
  void StashException(std::exception_ptr error);
  // Rethrows a stashed exception, if any (the loop calls this).
  void RethrowStashedException();

  // Profile root: HKEY_CURRENT_USER\Software\<company>\<application title>.
  void SetRegistryKey(const std::wstring& company);
  void SetAppTitle(const std::wstring& title) { m_appTitle = title; }
  const std::wstring& AppTitle() const { return m_appTitle; }
  const std::wstring& RegistryCompany() const { return m_registryCompany; }
  // The full key path below HKEY_CURRENT_USER, empty while no root is set.
  std::wstring ProfileKeyPath() const;

  // Reads fall back to the default when the value is absent or of another type;
  // writes create the key when needed and report failure only to the caller.
  int ReadProfileInt(const wchar_t* entry, int defaultValue) const;
  bool WriteProfileInt(const wchar_t* entry, int value) const;
  std::wstring ReadProfileText(const wchar_t* entry, const std::wstring& defaultValue = {}) const;
  bool WriteProfileText(const wchar_t* entry, const std::wstring& value) const;

  // The module that string tables, dialog templates, icons and menus come from.
  HINSTANCE GetResourceHandle() const { return m_resource ? m_resource : m_instance; }
  void SetResourceHandle(HINSTANCE module) { m_resource = module; }
  HINSTANCE GetInstanceHandle() const { return m_instance; }

  // The command line after the executable name, as the process received it.
  void SetCommandLine(const std::wstring& commandLine) { m_commandLine = commandLine; }
  const std::wstring& CommandLine() const { return m_commandLine; }

  CAppSeams& Seams() { return m_seams; }

  static CWinAppEx* Current() { return s_current; }

 protected:
  HINSTANCE m_instance = nullptr;
  HINSTANCE m_resource = nullptr;
  std::wstring m_commandLine;

 private:
  std::wstring m_appTitle;
  std::wstring m_registryCompany;
  std::exception_ptr m_stashed;
  CAppSeams m_seams;
  static CWinAppEx* s_current;
};

// The current application object, or null when none exists.
inline CWinAppEx* AfxGetApp() { return CWinAppEx::Current(); }
// The current resource module (the executable's own module when none is set).
HINSTANCE AfxGetResourceHandle();

// Every message box of the program goes through here (the application's seam
// when one is set, MessageBoxW otherwise).
int AppMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);
// ShellExecuteW through the application's seam.
INT_PTR AppShellExecute(const std::wstring& verb, const std::wstring& file,
                        const std::wstring& params, int show);
// ExitWindowsEx through the application's seam.
BOOL AppExitWindows(UINT flags, DWORD reason);
// The folder browser through the application's seam (see CAppSeams).
std::optional<std::wstring> AppBrowseForFolder(const BROWSEINFOW& info);
// The file-open dialog through the application's seam (see CAppSeams). The
// dialog's own buffer (lpstrFile) is ignored: the path comes back.
std::optional<std::wstring> AppGetOpenFileName(const OPENFILENAMEW& info);

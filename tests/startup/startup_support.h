// A private installation of the real executable for start-up tests: a folder
// of its own with RodeRedud.exe, the test resource library (as res.dll) and a
// ui.xml naming a company, product and window class unique to this process, so
// that registry keys and windows never meet those of other runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace startup {

struct ThemeValues {
  std::wstring surveyHost;
  std::wstring version = L"4.5.6";
  int pid = 1234;
  int vendorId = 77;
  int cpid = 5;
};

class Installation {
 public:
  explicit Installation(const ThemeValues& values = {});
  ~Installation();
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // Rewrites ui.xml; raw replaces the whole document when not empty.
  void WriteTheme(const ThemeValues& values, const std::string& raw = {});
  void RemoveFile(const wchar_t* name);

  const std::wstring& Folder() const { return m_folder; }
  std::wstring Exe() const { return m_folder + L"\\RodeRedud.exe"; }
  const std::wstring& Company() const { return m_company; }
  const std::wstring& AppName() const { return m_appName; }
  const std::wstring& WindowClass() const { return m_windowClass; }
  // Below HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
  std::wstring ProfileKey() const;
  std::wstring MachineKey() const;

  // The test resource library's strings.
  static std::wstring Title();
  static std::wstring MutexName();
  static std::wstring TaskName();
  static std::wstring TaskComment();

 private:
  std::wstring m_folder;
  std::wstring m_company;
  std::wstring m_appName;
  std::wstring m_windowClass;
};

// A started child process.
class Child {
 public:
  Child(const std::wstring& exe, const std::wstring& arguments);
  ~Child();
  bool Started() const { return m_process != nullptr; }
  // Waits for the end while dispatching this thread's messages (the child may
  // send messages to our windows). True when it ended in time.
  bool Wait(DWORD timeoutMs);
  bool Running() const;
  DWORD ExitCode() const;
  DWORD Id() const { return m_id; }

 private:
  HANDLE m_process = nullptr;
  DWORD m_id = 0;
};

// Runs to the end (at most timeoutMs); returns the exit code, or ~0u on timeout.
DWORD Run(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 30000);

// Dispatches this thread's messages for the given time.
void Pump(DWORD ms);

}  // namespace startup

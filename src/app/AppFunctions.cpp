#include "app/AppFunctions.h"

#include <cwchar>

#include "framework/WinAppEx.h"

namespace {

std::wstring FormatTm(const std::tm& tm) {
  wchar_t buffer[128];
  size_t len = std::wcsftime(buffer, 128, L"%H:%M:%S %d-%m-%Y", &tm);
  return len ? std::wstring(buffer, len) : std::wstring();
}

struct TokenHandle {
  HANDLE handle = nullptr;
  ~TokenHandle() {
    if (handle) CloseHandle(handle);
  }
};

// Enables or disables one privilege; true when the system reported no error.
bool SetPrivilege(HANDLE token, const LUID& luid, bool enable) {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Luid = luid;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  SetLastError(ERROR_SUCCESS);
  AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  return GetLastError() == ERROR_SUCCESS;
}

void SystemVersion(DWORD& major, DWORD& minor) {
  // RtlGetVersion reports the real version whatever the manifest says.
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion && rtlGetVersion(&info) == 0) {
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
    return;
  }
  major = 6;
  minor = 1;
}

}  // namespace

std::wstring FormatTimeUtc(std::time_t time) {
  std::tm tm{};
  if (gmtime_s(&tm, &time) != 0) return {};
  return FormatTm(tm);
}

std::wstring FormatTimeLocal(std::time_t time) {
  std::tm tm{};
  if (localtime_s(&tm, &time) != 0) return {};
  return FormatTm(tm);
}

UINT RestartFlagsForVersion(DWORD major, DWORD minor) {
  return (major == 5 && minor == 1) ? EWX_REBOOT : (EWX_REBOOT | EWX_FORCEIFHUNG);
}

bool RestartComputer() {
  TokenHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token.handle))
    return false;
  LUID luid{};
  if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &luid)) return false;
  if (!SetPrivilege(token.handle, luid, true)) return false;
  DWORD major = 0, minor = 0;
  SystemVersion(major, minor);
  BOOL restarted = AppExitWindows(RestartFlagsForVersion(major, minor), kRestartReason);
  bool disabled = SetPrivilege(token.handle, luid, false);
  return restarted && disabled;
}

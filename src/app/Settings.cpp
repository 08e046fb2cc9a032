#include "app/Settings.h"

#include <cmath>
#include <cstdio>

#include "theme/ThemeResources.h"

namespace settings {

std::wstring MachineKeyPath(const std::wstring& company, const std::wstring& app) {
  return L"Software\\" + company + L"\\" + app;
}

std::wstring MachineKeyPathFromTheme() {
  return MachineKeyPath(Theme().GetString(L"company_name"), Theme().GetString(L"app_name"));
}

CMachineSettings::CMachineSettings(const std::wstring& keyPath, HKEY root) {
  m_key.Open(root, keyPath, KEY_READ);
}

DWORD CMachineSettings::ReadDword(const wchar_t* name, DWORD defaultValue) const {
  return ReadDword(name).value_or(defaultValue);
}

std::wstring CMachineSettings::ReadString(const wchar_t* name,
                                          const std::wstring& defaultValue) const {
  return m_key.ReadString(name).value_or(defaultValue);
}

std::optional<FILETIME> CMachineSettings::InstallTime() const {
  auto value = ReadQword(kInstallTime);
  if (!value) return std::nullopt;
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(*value & 0xFFFFFFFFu);
  time.dwHighDateTime = static_cast<DWORD>(*value >> 32);
  return time;
}

std::wstring FormatHoursMinutes(double hours) {
  int whole = static_cast<int>(hours);
  int minutes = static_cast<int>((hours - whole) * 60);
  wchar_t buffer[16];
  std::swprintf(buffer, 16, L"%0.2d:%0.2d", whole, minutes);
  return buffer;
}

DefaultScanTimes ComputeDefaultScanTimes(int r1, int r2, int r3) {
  // Divided by 32768 rather than 32767, so the largest draw stays below 24:00.
  DefaultScanTimes times;
  times.quickTime = FormatHoursMinutes(r1 / 32768.0 * 24);
  times.fullTime = FormatHoursMinutes(r2 / 32768.0 * 24);
  times.fullDay = static_cast<DWORD>(std::floor(r3 / 32767.0 * 6 + 0.5));
  return times;
}

}  // namespace settings

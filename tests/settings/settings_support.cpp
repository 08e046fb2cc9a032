#include "settings_support.h"

#include <cmath>

#include "app/Settings.h"
#include "framework/RegistryKey.h"

namespace settings_test {

std::wstring Describe(const QVnsScanConfig::CScanSchedule& s) {
  const bool days[7] = {s.EnableSun.Get(), s.EnableMon.Get(), s.EnableTue.Get(), s.EnableWed.Get(),
                        s.EnableThu.Get(), s.EnableFri.Get(), s.EnableSat.Get()};
  std::wstring flags;
  for (bool d : days) flags += d ? L'1' : L'0';
  return L"id=" + std::to_wstring(s.ScheduleID.Get()) + L" '" + s.ScanScheduleName.Get() +
         L"' type=" + std::to_wstring(s.ScanType.Get()) + L" " + s.StartTime.Get() +
         L" days=" + flags + (s.Enabled.Get() ? L" on" : L" off") +
         (s.UseFileCache.Get() ? L" cache" : L" nocache");
}

std::vector<std::wstring> DescribeSchedules(const QVnsScanConfig::CScanConfig& config) {
  std::vector<std::wstring> out;
  if (const auto* list = config.ScanSchedules.Get())
    for (const auto& s : list->ScanSchedule) out.push_back(Describe(s));
  return out;
}

std::vector<std::wstring> DescribeSchedules(const std::wstring& scanConfigText) {
  QVnsScanConfig::CScanConfig config;
  if (config.ReadFromString(scanConfigText) != 0) return {L"unreadable"};
  return DescribeSchedules(config);
}

int DrawForOffset(int offset) {
  for (int r = 0; r <= 32767; ++r)
    if (static_cast<int>(static_cast<double>(r) / 32767 * 60.0) - 30 == offset) return r;
  return -1;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

namespace {
const wchar_t* const kNames[] = {settings::kQuickScanTime, settings::kFullScanTime,
                                 settings::kFullScanDay, settings::kAutoActiveProtection};
}

MachineValues::MachineValues() : m_path(settings::MachineKeyPathFromTheme()) {
  CRegistryKey key;
  m_keyExisted = key.Open(HKEY_LOCAL_MACHINE, m_path, KEY_READ);
  for (const wchar_t* name : kNames) {
    Saved s;
    s.name = name;
    DWORD size = 0;
    if (m_keyExisted &&
        RegQueryValueExW(key.Get(), name, nullptr, &s.type, nullptr, &size) == ERROR_SUCCESS) {
      s.data.resize(size);
      s.present = RegQueryValueExW(key.Get(), name, nullptr, &s.type, s.data.data(), &size) ==
                  ERROR_SUCCESS;
    }
    m_saved.push_back(std::move(s));
  }
}

MachineValues::~MachineValues() {
  if (!m_keyExisted) {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_path);
    return;
  }
  CRegistryKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, m_path)) return;
  for (const Saved& s : m_saved) {
    if (s.present)
      RegSetValueExW(key.Get(), s.name.c_str(), 0, s.type, s.data.data(),
                     static_cast<DWORD>(s.data.size()));
    else
      key.DeleteValue(s.name.c_str());
  }
}

void MachineValues::SetText(const wchar_t* name, const std::optional<std::wstring>& text) {
  CRegistryKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, m_path)) return;
  if (text)
    key.WriteString(name, *text);
  else
    key.DeleteValue(name);
}

void MachineValues::SetDword(const wchar_t* name, std::optional<DWORD> value) {
  CRegistryKey key;
  if (!key.Create(HKEY_LOCAL_MACHINE, m_path)) return;
  if (value)
    key.WriteDword(name, *value);
  else
    key.DeleteValue(name);
}

void MachineValues::SetSchedule(const std::optional<std::wstring>& quick,
                                const std::optional<std::wstring>& full,
                                std::optional<DWORD> day) {
  SetText(settings::kQuickScanTime, quick);
  SetText(settings::kFullScanTime, full);
  SetDword(settings::kFullScanDay, day);
}

}  // namespace settings_test

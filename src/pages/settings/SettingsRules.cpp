#include "pages/settings/SettingsRules.h"

#include <algorithm>
#include <cwchar>

#include "app/Settings.h"
#include "framework/RegistryKey.h"

namespace settings_page {

using QVnsScanConfig::CScanConfig;
using QVnsScanConfig::CScanSchedule;
using QVnsScanConfig::CScanSchedules;

namespace {

// List index -> stored response.
constexpr uint32_t kResponses[] = {0, 1, 3, 5, 6};

std::wstring TwoDigits(int hour, int minute) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%0.2d:%0.2d", hour, minute);
  return text;
}

// The seven day flags, Sunday first.
DocBinding::Value<bool>* DayFlags(CScanSchedule& s, int day) {
  DocBinding::Value<bool>* flags[kWeekdays] = {&s.EnableSun, &s.EnableMon, &s.EnableTue,
                                               &s.EnableWed, &s.EnableThu, &s.EnableFri,
                                               &s.EnableSat};
  return flags[day];
}

bool DayFlag(const CScanSchedule& s, int day) {
  const DocBinding::Value<bool>* flags[kWeekdays] = {&s.EnableSun, &s.EnableMon, &s.EnableTue,
                                                     &s.EnableWed, &s.EnableThu, &s.EnableFri,
                                                     &s.EnableSat};
  return flags[day]->Get();
}

}  // namespace

std::optional<int> ResponseIndex(bool enabled, uint32_t response) {
  if (!enabled) return 0;
  for (int i = 0; i < static_cast<int>(std::size(kResponses)); ++i)
    if (kResponses[i] == response) return i;
  return std::nullopt;
}

std::optional<uint32_t> ResponseForIndex(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kResponses))) return std::nullopt;
  return kResponses[index];
}

std::wstring HourEntry(int hour) { return TwoDigits(hour, 0); }

ClockTime ParseClockTime(std::wstring_view time) {
  ClockTime t;
  const std::wstring text(time);
  std::swscanf(text.c_str(), L"%d:%d", &t.hour, &t.minute);
  return t;
}

std::wstring SpreadStartTime(std::wstring_view time, int draw) {
  ClockTime t = ParseClockTime(time);
  const int d = static_cast<int>(static_cast<double>(draw) / kRandomMax * 60.0);
  const int offset = d - 30;
  if (offset > 0) {
    t.minute += offset;
  } else {
    t.hour = t.hour - 1 < 0 ? 23 : t.hour - 1;
    t.minute = 60 + offset;
  }
  return TwoDigits(std::clamp(t.hour, 0, 23), std::clamp(t.minute, 0, 59));
}

void FillScanSchedule(CScanSchedule& schedule, bool weekly, int day, std::wstring_view time,
                      const int* draw) {
  schedule.UseFileCache.Set(false);
  schedule.Enabled.Set(true);
  if (!weekly) {
    for (int i = 0; i < kWeekdays; ++i) DayFlags(schedule, i)->Set(true);
  } else if (day >= 0 && day < kWeekdays) {
    for (int i = 0; i < kWeekdays; ++i) DayFlags(schedule, i)->Set(i == day);
  }
  schedule.StartTime.Set(draw ? SpreadStartTime(time, *draw) : std::wstring(time));
}

CScanSchedule& AddScanSchedule(CScanSchedules& schedules, int id, int scanType) {
  CScanSchedule& s = schedules.ScanSchedule.Append();
  s.ScheduleID.Set(id);
  s.ScanScheduleName.Set(scanType == kQuickScheduleType ? kQuickScheduleName : kFullScheduleName);
  s.ScanType.Set(static_cast<uint32_t>(scanType));
  return s;
}

const CScanSchedule* LastScheduleOfType(const CScanConfig& config, uint32_t scanType) {
  const CScanSchedule* found = nullptr;
  if (const CScanSchedules* list = config.ScanSchedules.Get())
    for (const CScanSchedule& s : list->ScanSchedule)
      if (s.ScanType.Get() == scanType) found = &s;
  return found;
}

ScheduleView ViewOfSchedule(const CScanSchedule* schedule) {
  ScheduleView v;
  v.checked = schedule && schedule->Enabled.Get();
  if (!schedule) return v;
  v.hasSchedule = true;
  bool daily = true;
  for (int i = 0; i < kWeekdays; ++i) daily = daily && DayFlag(*schedule, i);
  v.frequency = daily ? 0 : 1;
  // As the page's own enable rules: only a checked weekly schedule takes a day.
  v.weekdayEnabled = v.checked && !daily;
  if (!daily) {
    for (int i = 0; i < kWeekdays; ++i) {
      if (DayFlag(*schedule, i)) {
        v.weekday = i;
        break;
      }
    }
  }
  ClockTime t = ParseClockTime(schedule->StartTime.Get());
  int hour = t.hour;
  if (t.minute > 30) hour = hour + 1 == kHours ? 0 : hour + 1;
  if (hour >= 0 && hour < kHours) v.hour = hour;
  return v;
}

std::optional<MachineScheduleDefaults> ReadMachineScheduleDefaults(const std::wstring& keyPath,
                                                                   HKEY root) {
  settings::CMachineSettings machine(keyPath, root);
  if (!machine.IsOpen()) return std::nullopt;
  MachineScheduleDefaults d;
  d.quickTime = machine.ReadString(settings::kQuickScanTime).substr(0, MAX_PATH);
  d.fullTime = machine.ReadString(settings::kFullScanTime).substr(0, MAX_PATH);
  d.fullDay = static_cast<int>(machine.ReadDword(settings::kFullScanDay, 0));
  return d;
}

void ApplyScheduleDefaults(CScanConfig& config, const MachineScheduleDefaults& defaults) {
  config.MissedScanActionEnum.Set(0);
  CScanSchedules& list = config.ScanSchedules.Create();
  list.ScanSchedule.Clear();
  FillScanSchedule(AddScanSchedule(list, 0, kQuickScheduleType), false, 0, defaults.quickTime,
                   nullptr);
  FillScanSchedule(AddScanSchedule(list, 1, kFullScheduleType), true, defaults.fullDay,
                   defaults.fullTime, nullptr);
}

const QVnsNVPairs::CNVPair* FindExactPair(const QVnsNVPairs::CNVPairs& pairs,
                                          std::wstring_view name) {
  for (const auto& pair : pairs.NVPair)
    if (pair.Name.Get() == name) return &pair;
  return nullptr;
}

void SetMarker(QVnsNVPairs::CNVPairs& pairs, std::wstring_view name) {
  for (auto& pair : pairs.NVPair) {
    if (pair.Name.Get() == name) {
      pair.Value.Set(kMarkerSet);
      return;
    }
  }
  auto& pair = pairs.NVPair.Append();
  pair.Name.Set(std::wstring(name));
  pair.Value.Set(kMarkerSet);
}

bool ApplyActiveProtectionDefaults(QVnsAPConfig::CAPConfig& config, bool autoActiveProtection,
                                   bool firstTime) {
  const bool wasOff = !config.Enabled.Get();
  const uint32_t response = config.KnownBadApplicationResponseEnum.Get();
  if (autoActiveProtection) config.Enabled.Set(true);
  if (auto* monitors = config.Monitors.Get())
    for (auto& monitor : monitors->Monitor) monitor.Enabled.Set(true);
  if (!firstTime && !wasOff) return false;
  config.SuspiciousApplicationResponseEnum.Set(0);
  config.KnownBadApplicationResponseEnum.Set(firstTime ? kRecommendedResponse : response);
  return true;
}

}  // namespace settings_page

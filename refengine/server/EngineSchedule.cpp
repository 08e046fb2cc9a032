// Scheduled scans: the schedule list from the scan configuration and the
// loop that starts due scans.

#include "EngineParts.h"

namespace rre {

void Engine::RefreshSchedules() {
  m_schedules.clear();
  const auto* list = m_scanConfig.ScanSchedules.Get();
  if (!list) return;
  for (const auto& s : list->ScanSchedule) {
    ScheduleSpec entry;
    entry.id = s.ScheduleID.Get();
    entry.scanType = s.ScanType.Get();
    entry.enabled = s.Enabled.Get() &&
                    ParseStartTime(s.StartTime.Get(), entry.hour, entry.minute, entry.second);
    bool days[7] = {s.EnableSun.Get(), s.EnableMon.Get(), s.EnableTue.Get(), s.EnableWed.Get(),
                    s.EnableThu.Get(), s.EnableFri.Get(), s.EnableSat.Get()};
    std::copy(days, days + 7, entry.days);
    m_schedules.push_back(entry);
  }
}


void Engine::SchedulerLoop() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  uint64_t last = NowLocalTicks();
  DWORD lastPurge = GetTickCount();
  while (!m_quit) {
    Sleep(250);
    uint64_t now = NowLocalTicks();
    std::optional<uint32_t> type;
    {
      std::lock_guard lock(m_mu);
      if (auto due = DueSchedule(m_schedules, last, now)) type = m_schedules[*due].scanType;
    }
    last = now;
    if (type && *type <= 2) StartScan(long(*type), true);
    if (GetTickCount() - lastPurge > 3600 * 1000) {
      lastPurge = GetTickCount();
      PurgeQuarantine();
    }
  }
  CoUninitialize();
}

}  // namespace rre

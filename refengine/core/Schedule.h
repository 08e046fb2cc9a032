#pragma once
// Scheduled scan times: which schedule falls due between two clock readings.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rre {

struct ScheduleSpec {
  int32_t id = 0;
  uint32_t scanType = 0;
  bool enabled = false;
  bool days[7] = {};  // Sunday .. Saturday
  int hour = 0, minute = 0, second = 0;
};

// "HH:MM" or "HH:MM:SS"; false for anything else or out-of-range values.
bool ParseStartTime(const std::wstring& text, int& hour, int& minute, int& second);

// The first enabled schedule whose start lies in (fromTicks, toTicks], both
// local-time ticks (100 ns since 1601).
std::optional<size_t> DueSchedule(const std::vector<ScheduleSpec>& schedules, uint64_t fromTicks,
                                  uint64_t toTicks);

// The next start after nowTicks of any enabled schedule, within eight days.
std::optional<uint64_t> NextStart(const std::vector<ScheduleSpec>& schedules, uint64_t nowTicks);

}  // namespace rre

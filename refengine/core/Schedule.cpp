#include "Schedule.h"

#include <windows.h>

#include <cstdio>

#include "Text.h"

namespace rre {
namespace {

constexpr uint64_t kDay = 86400ull * kTicksPerSecond;

SYSTEMTIME FromTicks(uint64_t t) {
  FILETIME ft{DWORD(t), DWORD(t >> 32)};
  SYSTEMTIME st{};
  FileTimeToSystemTime(&ft, &st);
  return st;
}

// Start ticks of schedule s on the day that contains `dayTicks`, if it runs that day.
std::optional<uint64_t> StartOn(const ScheduleSpec& s, uint64_t dayTicks) {
  uint64_t midnight = dayTicks - dayTicks % kDay;
  SYSTEMTIME st = FromTicks(midnight);
  if (!s.enabled || !s.days[st.wDayOfWeek % 7]) return std::nullopt;
  return midnight + (uint64_t(s.hour) * 3600 + s.minute * 60 + s.second) * kTicksPerSecond;
}

}  // namespace

bool ParseStartTime(const std::wstring& text, int& hour, int& minute, int& second) {
  int h = -1, m = -1, s = 0, used = 0;
  int n = swscanf(text.c_str(), L"%d:%d%n:%d%n", &h, &m, &used, &s, &used);
  if (n < 2 || size_t(used) != text.size()) return false;
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  hour = h, minute = m, second = s;
  return true;
}

std::optional<size_t> DueSchedule(const std::vector<ScheduleSpec>& schedules, uint64_t from,
                                  uint64_t to) {
  if (to <= from) return std::nullopt;
  // Never look back more than a day: a long pause does not replay old starts.
  if (to - from > kDay) from = to - kDay;
  for (size_t i = 0; i < schedules.size(); ++i) {
    for (uint64_t day = from - from % kDay; day <= to; day += kDay) {
      auto start = StartOn(schedules[i], day);
      if (start && *start > from && *start <= to) return i;
    }
  }
  return std::nullopt;
}

std::optional<uint64_t> NextStart(const std::vector<ScheduleSpec>& schedules, uint64_t now) {
  std::optional<uint64_t> best;
  for (const auto& s : schedules) {
    for (int d = 0; d <= 8; ++d) {
      auto start = StartOn(s, now + d * kDay);
      if (start && *start > now) {
        if (!best || *start < *best) best = start;
        break;
      }
    }
  }
  return best;
}

}  // namespace rre

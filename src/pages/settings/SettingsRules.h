// What the settings page shows and stores, as pure functions over the engine's
// documents: the response list, the scan schedules and their start times, the
// installer's default schedules and the active-protection defaults. The page
// reads the documents, calls these and stores the documents again.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/documents/APConfig.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanConfig.h"

namespace settings_page {

// ---- Active-protection response ------------------------------------------

// Entries of the response list (strings kFirstResponseString and on).
inline constexpr int kResponseEntries = 4;

// The list index that shows the stored response: 0 while active protection is
// off, else 0, 1, 2, 3 and 4 for the responses 0, 1, 3, 5 and 6 (the list has no
// fifth entry: a stored 6 shows no selection). Any other response leaves the
// list's selection as it is (nullopt).
std::optional<int> ResponseIndex(bool enabled, uint32_t response);
// The response stored for a list index; nullopt for an index outside 0..4 (the
// list has no selection), which stores nothing.
std::optional<uint32_t> ResponseForIndex(int index);

// Quarantine retention in days while the retention box is checked.
inline constexpr uint32_t kRetentionDays = 15;
// The recommended response (quarantine the threat).
inline constexpr uint32_t kRecommendedResponse = 5;

// ---- Scan schedules -------------------------------------------------------

inline constexpr int kQuickScheduleType = 0;
inline constexpr int kFullScheduleType = 1;
inline constexpr wchar_t kQuickScheduleName[] = L"quick scan";
inline constexpr wchar_t kFullScheduleName[] = L"full scan";
inline constexpr int kHours = 24;
inline constexpr int kWeekdays = 7;
// Largest value of the C library's pseudo-random generator used for the start
// times' spread.
inline constexpr int kRandomMax = 32767;

// "%0.2d:00": the hour list's entry for an hour.
std::wstring HourEntry(int hour);

// Hour and minute read from a time text as "%d:%d" (what fails to read stays 0).
struct ClockTime {
  int hour = 0;
  int minute = 0;
};
ClockTime ParseClockTime(std::wstring_view time);

// The start time spread over the hour around the given time: a draw d in 0..60
// from `draw` (0..kRandomMax) gives o = d - 30; a positive o is added to the
// minutes, otherwise the start moves into the hour before (below 0: 23, the same
// weekday) at 60 + o minutes. Hour and minute are clamped to 0..23 and 0..59 and
// written as "%0.2d:%0.2d".
std::wstring SpreadStartTime(std::wstring_view time, int draw);

// Fills a schedule: enabled, no file cache, the day flags (all for daily; only
// `day` when weekly, a day outside 0..6 leaving the flags as they were) and the
// start time, spread with *draw when a draw is given.
void FillScanSchedule(QVnsScanConfig::CScanSchedule& schedule, bool weekly, int day,
                      std::wstring_view time, const int* draw);

// Appends a schedule with its ID, name and scan type.
QVnsScanConfig::CScanSchedule& AddScanSchedule(QVnsScanConfig::CScanSchedules& schedules, int id,
                                               int scanType);

// The last schedule of the scan type, or null.
const QVnsScanConfig::CScanSchedule* LastScheduleOfType(const QVnsScanConfig::CScanConfig& config,
                                                        uint32_t scanType);

// How one scan's controls show a schedule (or its absence).
struct ScheduleView {
  bool checked = false;       // check box, and frequency and hour lists enabled
  bool hasSchedule = false;   // without one the lists keep their selections
  int frequency = 0;          // 0 daily, 1 weekly
  bool weekdayEnabled = false;  // checked and weekly
  int weekday = 0;            // 0 Sunday .. 6 Saturday
  std::optional<int> hour;    // the hour list's index; nullopt: leave it
};
// The start time rounds to the nearest listed hour: minutes over 30 go up (24
// becomes 0), 30 and less stay.
ScheduleView ViewOfSchedule(const QVnsScanConfig::CScanSchedule* schedule);

// What the user chose for one scan.
struct ScheduleChoice {
  bool weekly = false;
  int day = 0;
  std::wstring time;  // the hour list's text
};
// Replaces every schedule with the chosen ones, quick first (ID 0), full after it
// (ID 1 after a quick schedule, else 0); each start time spread by a draw from
// nextDraw. A missing ScanSchedules element is created.
template <class Draw>
void ApplySchedules(QVnsScanConfig::CScanConfig& config, const std::optional<ScheduleChoice>& quick,
                    const std::optional<ScheduleChoice>& full, Draw&& nextDraw);

// The installer's default schedules from the machine key.
struct MachineScheduleDefaults {
  std::wstring quickTime;  // "HH:MM"
  std::wstring fullTime;   // "HH:MM"
  int fullDay = 0;         // 0 Sunday .. 6 Saturday
  // Both times given: there are defaults to write.
  bool Complete() const { return !quickTime.empty() && !fullTime.empty(); }
};
// Reads quickScanTime, fullScanTime (text, at most MAX_PATH characters) and
// fullScanDay (REG_DWORD, 0 when absent); nullopt when the key cannot be opened.
std::optional<MachineScheduleDefaults> ReadMachineScheduleDefaults(const std::wstring& keyPath,
                                                                   HKEY root = HKEY_LOCAL_MACHINE);
// Writes the default schedules (daily quick scan, weekly full scan, no spread) and
// MissedScanActionEnum 0.
void ApplyScheduleDefaults(QVnsScanConfig::CScanConfig& config,
                           const MachineScheduleDefaults& defaults);

// ---- One-time markers in the name/value pairs -----------------------------

inline constexpr wchar_t kScheduleDefaultsMarker[] = L"set_schedule_defaults";
inline constexpr wchar_t kProtectionDefaultsMarker[] = L"set_activeprotections_registereddefaults";
inline constexpr wchar_t kMarkerSet[] = L"1";

// The first pair with exactly this name (case included), or null.
const QVnsNVPairs::CNVPair* FindExactPair(const QVnsNVPairs::CNVPairs& pairs,
                                          std::wstring_view name);
// Sets the marker's value to "1", appending the pair when it is missing.
void SetMarker(QVnsNVPairs::CNVPairs& pairs, std::wstring_view name);

// ---- Active-protection defaults ---------------------------------------------

// Applies the defaults to a fetched APConfig: active protection on when the
// installer allowed it, every monitor on, and on the first time (no marker "1"
// yet) the recommended response. True when the document is to be stored: the
// first time, or when active protection was found off; otherwise nothing is to
// be stored and the object's changes are to be dropped.
bool ApplyActiveProtectionDefaults(QVnsAPConfig::CAPConfig& config, bool autoActiveProtection,
                                   bool firstTime);

// ---- template definitions ---------------------------------------------------

template <class Draw>
void ApplySchedules(QVnsScanConfig::CScanConfig& config, const std::optional<ScheduleChoice>& quick,
                    const std::optional<ScheduleChoice>& full, Draw&& nextDraw) {
  auto& list = config.ScanSchedules.Create();
  list.ScanSchedule.Clear();
  if (quick) {
    const int draw = nextDraw();
    FillScanSchedule(AddScanSchedule(list, 0, kQuickScheduleType), quick->weekly, quick->day,
                     quick->time, &draw);
  }
  if (full) {
    const int draw = nextDraw();
    FillScanSchedule(AddScanSchedule(list, quick ? 1 : 0, kFullScheduleType), full->weekly,
                     full->day, full->time, &draw);
  }
}

}  // namespace settings_page

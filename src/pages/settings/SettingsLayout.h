// Where the settings page puts its boxes, picture and controls: rectangles in,
// rectangles out, in the page's client coordinates.
#pragma once

#include <windows.h>

#include <map>

namespace settings_page {

// Control IDs of the settings page's template.
enum SettingsControl : int {
  kIdResponseList = 1028,
  kIdRestoreProtection = 1029,
  kIdRetention = 1030,
  kIdQuarantineTitle = 1031,
  kIdQuarantineText = 1032,
  kIdResponseCaption = 1033,
  kIdQuickCheck = 1034,
  kIdFullCheck = 1035,
  kIdQuickFrequencyCaption = 1036,
  kIdFullFrequencyCaption = 1037,
  kIdQuickFrequency = 1038,
  kIdFullFrequency = 1039,
  kIdQuickWeekdayCaption = 1040,
  kIdFullWeekdayCaption = 1041,
  kIdQuickHourCaption = 1042,
  kIdFullHourCaption = 1043,
  kIdQuickWeekday = 1044,
  kIdFullWeekday = 1045,
  kIdQuickHour = 1046,
  kIdFullHour = 1047,
  kIdApply = 1048,
  kIdRestoreSchedules = 1049,
  kIdScheduleNote = 1050,
};

// One scan's controls in the lower box.
struct ScheduleColumnIds {
  int check, frequencyCaption, frequency, weekdayCaption, weekday, hourCaption, hour;
};
inline constexpr ScheduleColumnIds kQuickColumn{
    kIdQuickCheck,         kIdQuickFrequencyCaption, kIdQuickFrequency, kIdQuickWeekdayCaption,
    kIdQuickWeekday,       kIdQuickHourCaption,      kIdQuickHour};
inline constexpr ScheduleColumnIds kFullColumn{
    kIdFullCheck,         kIdFullFrequencyCaption, kIdFullFrequency, kIdFullWeekdayCaption,
    kIdFullWeekday,       kIdFullHourCaption,      kIdFullHour};

struct SettingsLayout {
  RECT upperBox{};
  RECT lowerBox{};
  POINT picture{};  // top-left of the quarantine picture
  // Each control's rectangle, by ID.
  std::map<int, RECT> controls;
};

// sizes: each control's own size by ID (a missing one counts as 0 x 0);
// picture: the quarantine picture's size ({0, 0} when it is missing). Every
// control keeps its size except the two schedule check boxes (half the box width
// less 30) and the note 1050 (half the lower box less 17, down to the buttons'
// line). Labels sit centred on the height of their row.
SettingsLayout ComputeSettingsLayout(const RECT& client, const std::map<int, SIZE>& sizes,
                                     SIZE picture);

}  // namespace settings_page

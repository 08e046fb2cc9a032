// Where the settings page puts its boxes, picture and controls: rectangles in,
// rectangles out, in the page's client coordinates.
#pragma once

#include <windows.h>

#include <map>

#include "themedata/resource.h"

namespace settings_page {

// One scan's controls in the lower box.
struct ScheduleColumnIds {
  int check, frequencyCaption, frequency, weekdayCaption, weekday, hourCaption, hour;
};
inline constexpr ScheduleColumnIds kQuickColumn{
    IDC_SETTINGS_QUICK_CHECK,     IDC_SETTINGS_QUICK_FREQUENCY_CAPTION,
    IDC_SETTINGS_QUICK_FREQUENCY, IDC_SETTINGS_QUICK_WEEKDAY_CAPTION,
    IDC_SETTINGS_QUICK_WEEKDAY,   IDC_SETTINGS_QUICK_HOUR_CAPTION,
    IDC_SETTINGS_QUICK_HOUR};
inline constexpr ScheduleColumnIds kFullColumn{
    IDC_SETTINGS_FULL_CHECK,     IDC_SETTINGS_FULL_FREQUENCY_CAPTION,
    IDC_SETTINGS_FULL_FREQUENCY, IDC_SETTINGS_FULL_WEEKDAY_CAPTION,
    IDC_SETTINGS_FULL_WEEKDAY,   IDC_SETTINGS_FULL_HOUR_CAPTION,
    IDC_SETTINGS_FULL_HOUR};

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

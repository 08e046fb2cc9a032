#pragma once
// What the overview page shows, computed from what it read: the protection
// status and its message, the date and time texts, the text colours and the
// layout rectangles. Pure functions, so that the rules run without windows.
#include <windows.h>
#include <gdiplus.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "theme/TextFormat.h"
#include "themedata/resource.h"

// Status of the protection: the colour of the banner and of the computer.
enum OverviewStatus : int { kStatusGreen = 0, kStatusOrange = 1, kStatusRed = 2 };

// The clean count, "%d threats removed", with its singular form.
namespace OverviewText {
inline constexpr CountedText kCleanCount{{IDS_CLEAN_COUNT, IDS_CLEAN_COUNT_ONE}};
}  // namespace OverviewText

// The scan summary pairs as the page reads them (missing pairs keep these).
struct ScanSummary {
  int64_t lastFull = 0;   // FILETIME ticks, 0 = never
  int64_t lastQuick = 0;  // FILETIME ticks, 0 = never
  int32_t threatCount = 0;
  int32_t threatLevel = -1;
};

struct StatusChoice {
  UINT messageId;
  OverviewStatus status;
  // 231 and 232 go through the printf-style formatter (no arguments).
  bool formatted;
};
// The status rules, tested in order: no threats and no scan ever (orange, 229);
// no threats (green, 230); level 1 to 3 (red, 231); level 6 (green, 230);
// any other level (orange, 232).
StatusChoice ChooseOverviewStatus(const ScanSummary& summary);

// The theme keys and picture keys of a status (any other value: green).
struct StatusLook {
  const wchar_t* bannerTop;
  const wchar_t* bannerBottom;
  const wchar_t* computer;  // image map key
  const wchar_t* icon;      // image map key
};
StatusLook LookOfStatus(int status);

// The engine's date-time text split at '-', 'T' and ':' into year, month, day,
// hour, minute and second; each token read as a decimal integer (leading
// digits, none: 0); fields without a token stay 0.
std::array<int, 6> SplitEngineDateTime(std::wstring_view text);

// strftime-style formatting of a broken-down time, English names.
std::wstring FormatOverviewTime(const wchar_t* format, const SYSTEMTIME& time);

// A scan time pair: the local date "%A, %d %B %Y", or nothing when the value is
// 0 or no valid time (negative, beyond what the platform can convert).
std::optional<std::wstring> FormatScanPairTime(int64_t fileTime);

// The definitions date and time texts from the engine's date-time text, taken
// as local time. Nothing when the text does not give a calendar time or the
// year is 1990 or earlier (the page shows text 195 and an empty time then).
struct DefinitionsTexts {
  std::wstring date;  // "%d %B %Y"
  std::wstring time;  // "%I:%M %p"
};
std::optional<DefinitionsTexts> FormatDefinitionsDate(std::wstring_view engineDateTime);

// The last scan line: "%A, %d %B %Y at %I:%M %p" followed by "  [kind]" for
// types 0, 1 and 2 (kindText is the kind's text, empty for other types).
// Nothing when the year is below 1602 or above 30826 (text 227 is shown) or the
// fields are no valid date.
std::optional<std::wstring> FormatLastScanLine(std::wstring_view engineDateTime,
                                               std::wstring_view kindText);
// The string-table ID of a scan kind's text, 0 for types without one.
UINT ScanKindTextId(LONG scanType);

// The installation date "%d %B %Y" of a FILETIME (UTC) in local time.
std::optional<std::wstring> FormatInstallDate(uint64_t fileTime);

// The two scan texts are drawn in the "never" colour when both say "never"
// (letter case ignored).
bool ScanTextsBothNever(std::wstring_view full, std::wstring_view quick);

// The layout of the page (client coordinates).
struct OverviewLayoutInput {
  RECT client;
  SIZE customButton;  // the custom scan button's size
  SIZE startButton;   // the start button's size
  SIZE computerBg;    // the computer background picture's natural size
  SIZE computer;      // the status computer picture's natural size
  float statFontHeight;  // height of the font "pages/overview/stat"
};
struct OverviewLayout {
  Gdiplus::RectF banner;
  Gdiplus::RectF computer;    // the status computer picture
  Gdiplus::RectF computerBg;  // the computer background
  Gdiplus::RectF stats;       // the statistics block
  Gdiplus::RectF schedule;    // the schedule box
  int contentBottom = 0;
  POINT customButton{};  // top-left of the custom scan button
  POINT startButton{};   // top-left of the start button
};
OverviewLayout ComputeOverviewLayout(const OverviewLayoutInput& in);

// The four cells of the statistics block: cell (column, row) rectangle.
Gdiplus::RectF StatisticsCell(const Gdiplus::RectF& block, int column, int row);

// Printf-style texts of the string table, formatted without trusting them:
// "%%" becomes "%", the first integer conversion (%d, %i, %u, with no flags or
// width) takes `value`, and every other conversion stays as it is written.
std::wstring FormatTextNoArgs(std::wstring_view text);
std::wstring FormatTextInt(std::wstring_view text, int value);

#pragma once
// ThreatRecord: one threat as the threat list shows it (scanning, results,
// cleaning, finished and quarantine pages), and the pure rules around it:
// threat levels and their colours and pictures, action codes and their texts,
// the records built from a results document or from scan events, trace
// bookkeeping while cleaning, the drop-down's options, and the list's row
// geometry. Everything here works without windows.
//
// Threat levels: 1 is the most severe, 5 the least; 6 and any other value mean
// no damage. A summary over records takes the lowest level, starting from 6.
// Action codes: -1 the engine's advice, 0 to 6 the engine's actions, of which
// 3 quarantines and 5 puts the threat on the ignore list when cleaning.

#include <windows.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "engine/documents/ScanResults.h"
#include "theme/TextFormat.h"
#include "themedata/resource.h"

struct ThreatTrace {
  std::wstring text;
  bool handled = false;
};

struct ThreatRecord {
  // The threat element of the page's results document this record was built
  // from, or none (records of scan events and of the quarantine). Only records
  // with a source can change their action.
  QVnsScanResults::Cthreat_2* source = nullptr;
  std::wstring name;      // merge key of scan events (case-sensitive)
  std::wstring category;  // column 1
  int adviseType = 0;     // the action the engine advises
  int action = 0;         // the action to carry out; column 3 in link mode
  int level = 6;
  bool handled = false;  // the threat needs nothing more
  bool canQuarantine = false;
  std::wstring dateText;      // quarantine date; column 3 in check-box mode
  std::wstring dateTimeText;  // quarantine date and time (sort key)
  std::wstring quarantineId;
  bool checked = false;
  bool expanded = false;
  std::wstring adviceText;       // advice title followed by the advice
  std::wstring descriptionText;  // description title followed by the description
  std::wstring tracesText;       // traces title, then a line feed and each trace's text
  int traceCount = 0;            // traces not yet handled; column 2
  std::vector<ThreatTrace> traces;
};

namespace threat {

inline constexpr int kNoDamageLevel = 6;

// Action codes.
inline constexpr int kActionAdvised = -1;
inline constexpr int kActionQuarantine = 3;
inline constexpr int kActionIgnore = 5;
inline constexpr int kActionLast = 6;

// Cleaner results after which a threat needs nothing more.
bool IsHandledResult(int cleanerResult);

// The banner title ("%d threats detected in %d items") and the results page's
// summary label, with their singular forms (records first, then traces).
inline constexpr CountedText kStrResultsTitle{{IDS_THREATS_BANNER, IDS_THREATS_BANNER_ONE_THREAT,
                                               IDS_THREATS_BANNER_ONE_ITEM,
                                               IDS_THREATS_BANNER_ONE_EACH}};
inline constexpr CountedText kStrResultsSummary{
    {IDS_RESULTS_SUMMARY, IDS_RESULTS_SUMMARY_ONE_THREAT, IDS_RESULTS_SUMMARY_ONE_ITEM,
     IDS_RESULTS_SUMMARY_ONE_EACH}};

// The string-table text of an action code (-1 to 6); 0 for any other code.
UINT ActionTextId(int code);
// What column 3 shows in link mode: "handled" for a handled record, whatever its
// action; else the action's text (0: none).
UINT ActionColumnTextId(const ThreatRecord& record);

// The titles that start a record's three detail texts.
struct DetailTitles {
  std::wstring advice;       // text 240
  std::wstring description;  // text 241
  std::wstring traces;       // text 242
  // From the theme's resource library.
  static DetailTitles FromTheme();
};

// ---- Levels

enum class Severity { Red, Orange, Green };
// 1 to 3 red, 4 and 5 orange, anything else green.
Severity SeverityOf(int lowestLevel);
// Theme colour keys and pictures of a severity.
struct SeverityLook {
  const wchar_t* bannerTop;
  const wchar_t* bannerBottom;
  const wchar_t* statusPicture;
  const wchar_t* computerPicture;
};
const SeverityLook& LookOf(Severity severity);
// The lowest level of the records, starting from 6.
int LowestLevel(const std::vector<ThreatRecord>& records);

// Damage pictures: index 0 to 5, "damage<index>.png". Level 1 shows 5, level 5
// shows 1; any other level, and every handled record, shows 0.
inline constexpr int kDamagePictures = 6;
int DamageIndex(int level, bool handled);
std::wstring DamagePicturePath(int index);

// ---- Building and updating records

// A record of a results document's threat element (the element becomes the
// record's source). The threat is handled when its cleaner result says so;
// a handled threat counts no traces.
ThreatRecord RecordFromThreat(QVnsScanResults::Cthreat_2& threat, const DetailTitles& titles);

// A record of a scan event's threat: no source, one trace not yet handled.
struct ScanThreat {
  std::wstring name;
  std::wstring category;
  std::wstring traceText;
  std::wstring adviceText;
  std::wstring descriptionText;
  int adviseType = 0;
  int level = kNoDamageLevel;
};
ThreatRecord RecordFromScanThreat(const ScanThreat& threat, const DetailTitles& titles);
// Another trace of the same threat: appended to the details and counted.
void AppendScanTrace(ThreatRecord& record, const std::wstring& traceText);

// Marks every unhandled trace of the record with exactly this text handled
// (one fewer to count each); the record is handled once all its traces are.
// A handled record does not change. Returns whether anything changed.
bool MarkTraceCleaned(ThreatRecord& record, std::wstring_view traceText);

// ---- Drop-down options
// Each option carries a command: 1 for the engine's advice, 4, 8, 16, 32, 64
// and 128 for the actions 1 to 6.
inline constexpr int kOptionCount = 7;
// The option commands in the drop-down's order.
inline constexpr std::array<int, kOptionCount> kOptionCommands = {
    IDC_OPTION_ADVICE,      IDC_OPTION_DELETE,        IDC_OPTION_REPAIR,    IDC_OPTION_QUARANTINE,
    IDC_OPTION_REPORT_ONLY, IDC_OPTION_ALWAYS_IGNORE, IDC_OPTION_ALLOW_ONCE};
// The action code of an option command (-1 for option 1); -2 for an unknown option.
int ActionOfOption(int option);
// The option command of an action code (option 1 for -1); 0 when no option carries it.
int OptionOfAction(int code);
// Applies a drop-down choice: option 1 sets the source's "actionRequested" to
// -1 and the record's action to its advice; the others set both to the option's
// action. A record without a source, or an unknown option, changes nothing.
// Returns whether the record changed.
bool ApplyOption(ThreatRecord& record, int option);

// ---- Counts
int TotalTraces(const std::vector<ThreatRecord>& records);
int HandledRecords(const std::vector<ThreatRecord>& records);
// A handled record counts all its traces, others their handled ones.
int HandledTraces(const std::vector<ThreatRecord>& records);

// ---- Row geometry

inline constexpr int kColumns = 5;
inline constexpr int kHeadHeight = 24;  // a collapsed row; the head line of an expanded one
inline constexpr int kFirstColumnX = 5;
inline constexpr int kHeaderHeight = 36;  // the list window's title band
using ColumnWidths = std::array<int, kColumns>;
// width - 450, 130, 110, 110, 100.
ColumnWidths ColumnWidthsFor(int listWidth);
// Left edge of a column in row coordinates (before horizontal scrolling).
int ColumnLeft(const ColumnWidths& widths, int column);
// The text that an expanded row measures for its details: the description, a
// line feed, the advice.
std::wstring MeasuredDetails(const ThreatRecord& record);
// The width the details are measured at: the row width less 20, at most 2000.
int DetailsMeasureWidth(int rowWidth);
// 24 collapsed; (traces + 1) x line height + details height + 48 expanded.
int RowHeight(const ThreatRecord& record, int lineHeight, int detailsHeight);

// What a click in a row does.
enum class RowClick { None, ToggleCheck, OpenDropdown, Expand, Collapse };
struct RowHit {
  bool checkBoxMode = false;
  bool linkMode = false;
  bool expanded = false;
  RECT checkBox{};   // the check box's square, in the same coordinates as the point
  RECT actionCell{};  // column 3 of the head line, the same
  int headBottom = 0;  // bottom of the row's head line, the same
};
RowClick ClassifyRowClick(const RowHit& hit, POINT pt);

// Drop-down: a 25-pixel head, then one 25-pixel step per option shown (the
// quarantine option only for threats that can be quarantined), 4 pixels below.
struct DropdownLayout {
  int height = 0;
  std::array<bool, kOptionCount> shown{};
  std::array<RECT, kOptionCount> options{};  // rectangles of the shown options
};
DropdownLayout ComputeDropdownLayout(bool canQuarantine, int clientWidth);

}  // namespace threat

// What the scanning, cleaning and finished pages show and do, as pure
// functions of what they read: display modes, layouts, the outcome of a scan
// and of a cleaning, and the numbers of the finished page. The page windows
// only read, call these and draw.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace scan_flow {

// ---- Scanning page ----------------------------------------------------------

// Display modes of the scanning page.
enum ScanningMode : int {
  kModeNone = 0,
  kModeWaitingForUpdate = 1,
  kModeStarting = 2,
  kModeDownloading = 3,
  kModeInstalling = 4,
  kModeScanning = 5,
  kModePaused = 6,
};

// A control property a mode sets, or leaves as it is.
enum class Change { Keep, On, Off };

// What one display mode does to the page.
struct ScanningModeView {
  UINT statusText = 0;   // string-table ID of the status line; 0 leaves it
  UINT messageText = 0;  // string-table ID of label 1008; 0 empties it (unless keepMessage)
  bool keepMessage = false;
  bool countToZero = false;       // label 1010 becomes "0"
  Change countAndAnimation = Change::Keep;  // labels 1009-1011 and the animation shown
  bool restartAnimation = false;
  bool stopAnimation = false;
  bool glow = false;             // the progress control's glow mode
  bool barToZero = false;        // the bar's position becomes 0
  Change pauseShown = Change::Keep;
  Change pauseEnabled = Change::Keep;
  Change resumeShown = Change::Keep;
  bool resetsList = false;       // threat list emptied, banner and updating flags cleared
  Change updating = Change::Keep;  // the updating flag
};

// The view of a mode (1 to 6); nothing for any other value.
std::optional<ScanningModeView> ViewForMode(int mode);
// Modes 3, 4 and 5 take effect only when the page is not already in them.
bool ModeChangeApplies(int current, int requested);
// Modes in which the count labels and the animation take part in the layout.
bool ModeShowsCount(int mode);

// What the scanning page's layout depends on.
struct ScanningLayoutInput {
  int width = 0, height = 0;
  bool banner = false;
  SIZE bannerPicture{};
  int mode = kModeNone;
  int statusWidth = 0;   // label 1007 as wide as its text
  int messageHeight = 18;  // label 1008 keeps its own height
  SIZE countCaption{};   // label 1009's own size (its width is kept)
  int countWidth = 0;    // label 1010 as wide as its text
  int progressCaptionWidth = 0;  // label 1021 as wide as its text
};

struct ScanningLayout {
  RECT banner{};  // empty without the banner
  POINT bannerPicture{};
  RECT title{}, status{}, message{};
  bool countShown = false;
  RECT countCaption{}, count{}, countTrailer{};
  RECT progressCaption{}, progress{};
  RECT animation{};  // empty when the mode hides it
  RECT stop{}, pause{}, resume{};
  RECT list{};
};
ScanningLayout ComputeScanningLayout(const ScanningLayoutInput& in);

inline constexpr int kAnimationWidth = 408;
inline constexpr int kAnimationHeight = 96;

// The worst threat level of a list: the lowest of all levels, starting from 6,
// taken as a signed 8-bit value.
class LowestLevel {
 public:
  void Add(int level) {
    if (level < m_value) m_value = level;
  }
  int Value() const { return static_cast<int8_t>(m_value); }

 private:
  int m_value = 6;
};

// The page a finished scan moves to.
enum class ScanNext { Overview, Results, Finished };

struct ScanEndInput {
  bool failed = false;
  bool stoppedByUser = false;
  LONG scanType = 0;
  int records = 0;
  int traces = 0;
  int lowestLevel = 6;
};

struct ScanEndPlan {
  bool failed = false;  // cancel, reset, message 248, back to the overview
  bool countScan = false;  // "SCANCOUNT" + 1
  bool writePairs = false;
  int threatCount = 0, itemCount = 0, threatLevel = 6;  // the pairs when written
  ScanNext next = ScanNext::Overview;
};
ScanEndPlan PlanScanEnd(const ScanEndInput& in);

// ---- Cleaning page ----------------------------------------------------------

struct CleaningLayout {
  RECT banner{};
  POINT computer{};
  RECT label{}, progress{}, stop{}, list{};
};
CleaningLayout ComputeCleaningLayout(int width, int height, SIZE bannerPicture, SIZE computer);

// The name/value pairs a cleaning leaves (when the scan type is not 4).
struct CleaningPairs {
  int threatCount, itemCount, threatLevel;
};
CleaningPairs PairsAfterCleaning(int records, int handledRecords, int traces, int handledTraces);

// ---- Finished page ----------------------------------------------------------

enum FinishedState : int { kNothingFound = 0, kCleaned = 1, kCleanedRestart = 2 };

struct FinishedView {
  UINT bannerTitle = 0;  // string-table IDs
  UINT headline = 0;
  bool numbersShown = false;
  bool orange = false;
  bool offerRestart = false;
};
FinishedView ViewForFinishedState(int state);

// State 2 when the engine needs a restart or "AlwaysRebootAfterClean" is not 0.
int ChooseFinishedState(bool rebootRequired, int alwaysRebootAfterClean);

// The cleaner's counts of the engine's results file.
struct CleanerCounts {
  uint32_t total = 0, deleted = 0, quarantined = 0, ignored = 0;
};
// What the borrowed list says.
struct ListCounts {
  int records = 0, handledRecords = 0, traces = 0, handledTraces = 0;
};
// "%d\n%d\n%d\n%d": from the cleaner counts when the results file was read,
// from the list otherwise.
std::wstring FinishedNumbers(const std::optional<CleanerCounts>& cleaner, const ListCounts& list);

struct FinishedLayout {
  RECT banner{};
  POINT computer{};
  RECT headline{}, captions{}, numbers{}, close{}, list{};
};
FinishedLayout ComputeFinishedLayout(int width, int height, SIZE bannerPicture, SIZE computer);

// "AlwaysRebootAfterClean" read with the probing default: any other value
// means the value exists (and is reset to 0 before the restart).
bool AlwaysRebootValueExists(int readWithProbeDefault);

// ---- Engine death -------------------------------------------------------------

// A failure that means the engine's process is gone (the call never reached a
// live server): the scan or cleaning it ran is over.
bool IsEngineGone(HRESULT hr);

}  // namespace scan_flow

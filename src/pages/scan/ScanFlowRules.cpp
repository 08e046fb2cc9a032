#include "pages/scan/ScanFlowRules.h"
#include "themedata/resource.h"

#include <cstdio>

namespace scan_flow {

namespace {

RECT Rect(int left, int top, int width, int height) {
  return RECT{left, top, left + width, top + height};
}

// Banner and computer picture shared by the cleaning and finished pages.
RECT BannerRect(int width, SIZE picture) { return RECT{10, 10, width - 10, picture.cy + 20}; }
POINT ComputerOrigin(int width, SIZE computer) { return POINT{width - 15 - computer.cx, 15}; }

}  // namespace

std::optional<ScanningModeView> ViewForMode(int mode) {
  ScanningModeView v;
  switch (mode) {
    case kModeWaitingForUpdate:
    case kModeStarting:
      v.statusText = IDS_SCAN_PREPARING;
      v.countToZero = true;
      v.countAndAnimation = mode == kModeStarting ? Change::On : Change::Off;
      v.restartAnimation = mode == kModeStarting;
      v.glow = true;
      v.pauseShown = v.pauseEnabled = Change::On;
      v.resumeShown = Change::Off;
      v.resetsList = true;
      return v;
    case kModeDownloading:
    case kModeInstalling:
      v.statusText = IDS_SCAN_UPDATING;
      v.messageText = mode == kModeDownloading ? IDS_SCAN_DOWNLOADING : IDS_SCAN_INSTALLING;
      v.countAndAnimation = Change::Off;
      v.glow = mode == kModeInstalling;
      v.pauseEnabled = Change::Off;
      v.updating = Change::On;
      return v;
    case kModeScanning:
      v.statusText = IDS_SCAN_SCANNING;
      v.countAndAnimation = Change::On;
      v.restartAnimation = true;
      v.glow = true;
      v.pauseShown = v.pauseEnabled = Change::On;
      v.resumeShown = Change::Off;
      v.updating = Change::Off;
      return v;
    case kModePaused:
      v.messageText = IDS_SCAN_PAUSED;
      v.stopAnimation = true;
      v.glow = false;
      v.barToZero = true;
      v.pauseShown = Change::Off;
      v.resumeShown = Change::On;
      return v;
    default:
      return std::nullopt;
  }
}

bool ModeChangeApplies(int current, int requested) {
  const bool once = requested == kModeDownloading || requested == kModeInstalling ||
                    requested == kModeScanning;
  return !once || current != requested;
}

bool ModeShowsCount(int mode) {
  return mode == kModeStarting || mode == kModeScanning || mode == kModePaused;
}

ScanningLayout ComputeScanningLayout(const ScanningLayoutInput& in) {
  ScanningLayout l;
  const int w = in.width, h = in.height;
  int y0 = 10;
  if (in.banner) {
    l.banner = RECT{10, 10, w - 10, in.bannerPicture.cy + 20};
    l.bannerPicture = POINT{20, 15};
    y0 = l.banner.bottom + 10;
  }
  l.title = RECT{20, y0, w - 20, y0 + 30};
  l.status = Rect(20, y0 + 30, in.statusWidth, 18);
  l.message = RECT{l.status.right + 20, y0 + 30, w - 20, y0 + 30 + in.messageHeight};
  int y1 = y0 + 50;
  l.countShown = ModeShowsCount(in.mode);
  if (l.countShown) {
    l.countCaption = Rect(20, y1, in.countCaption.cx, 18);
    l.count = Rect(l.countCaption.right, y1, in.countWidth, 18);
    l.countTrailer = RECT{l.count.right, y1, w - 20, y1 + 18};
    y1 = y0 + 70;
  }
  l.progressCaption = Rect(20, y1, in.progressCaptionWidth, 18);
  l.progress = RECT{l.progressCaption.right + 20, y1, w - 20, y1 + 17};
  int y2 = y1 + 20;
  if (l.countShown) {
    l.animation = Rect((w - kAnimationWidth) / 2, y2, kAnimationWidth, kAnimationHeight);
    y2 = y1 + 116;
  }
  l.stop = Rect(15, h - 39, 80, 24);
  l.pause = l.resume = Rect(w - 95, h - 39, 80, 24);
  l.list = Rect(15, y2 + 5, w - 30, h - y2 - 59);
  return l;
}

ScanEndPlan PlanScanEnd(const ScanEndInput& in) {
  ScanEndPlan p;
  if (in.failed) {
    p.failed = true;
    p.next = ScanNext::Overview;
    return p;
  }
  p.countScan = !in.stoppedByUser;
  p.writePairs = in.scanType != 4;
  p.threatCount = in.records;
  p.itemCount = in.traces;
  p.threatLevel = in.lowestLevel;
  p.next = in.records > 0 ? ScanNext::Results : ScanNext::Finished;
  return p;
}

CleaningLayout ComputeCleaningLayout(int width, int height, SIZE bannerPicture, SIZE computer) {
  CleaningLayout l;
  l.banner = BannerRect(width, bannerPicture);
  l.computer = ComputerOrigin(width, computer);
  const int computerBottom = l.computer.y + computer.cy;
  l.label = RECT{15, l.banner.bottom + 10, l.computer.x - 30, computerBottom};
  l.progress = Rect(15, computerBottom + 5, width - 30, 17);
  l.stop = Rect(15, height - 34, 80, 24);
  l.list = Rect(15, computerBottom + 27, width - 30, height - computerBottom - 71);
  return l;
}

CleaningPairs PairsAfterCleaning(int records, int handledRecords, int traces, int handledTraces) {
  return CleaningPairs{records - handledRecords, traces - handledTraces, 6};
}

FinishedView ViewForFinishedState(int state) {
  FinishedView v;
  switch (state) {
    case kCleaned:
      v.bannerTitle = IDS_TITLE_CLEANED;
      v.headline = IDS_FINISHED_CLEANED;
      v.numbersShown = true;
      return v;
    case kCleanedRestart:
      v.bannerTitle = IDS_TITLE_CLEANED_RESTART;
      v.headline = IDS_FINISHED_CLEANED;
      v.numbersShown = true;
      v.orange = true;
      v.offerRestart = true;
      return v;
    default:
      v.bannerTitle = IDS_TITLE_NOTHING_FOUND;
      v.headline = IDS_NOTHING_FOUND;
      return v;
  }
}

int ChooseFinishedState(bool rebootRequired, int alwaysRebootAfterClean) {
  return rebootRequired || alwaysRebootAfterClean != 0 ? kCleanedRestart : kCleaned;
}

std::wstring FinishedNumbers(const std::optional<CleanerCounts>& cleaner, const ListCounts& list) {
  long long n[4];
  if (cleaner) {
    n[0] = cleaner->total;
    n[1] = static_cast<long long>(cleaner->deleted) + cleaner->quarantined;
    n[2] = list.handledTraces;
    n[3] = cleaner->ignored;
  } else {
    n[0] = list.records;
    n[1] = list.handledRecords;
    n[2] = list.handledTraces;
    n[3] = 0;
  }
  // "%d" of each: the engine's unsigned counts show as the signed 32-bit values.
  wchar_t buf[64];
  swprintf(buf, 64, L"%d\n%d\n%d\n%d", static_cast<int>(n[0]), static_cast<int>(n[1]),
           static_cast<int>(n[2]), static_cast<int>(n[3]));
  return buf;
}

FinishedLayout ComputeFinishedLayout(int width, int height, SIZE bannerPicture, SIZE computer) {
  FinishedLayout l;
  l.banner = BannerRect(width, bannerPicture);
  l.computer = ComputerOrigin(width, computer);
  const int b = l.banner.bottom;
  l.headline = RECT{15, b + 10, l.computer.x - 30, b + 60};
  l.captions = Rect(15, b + 60, 100, 70);
  l.numbers = Rect(115, b + 60, 100, 70);
  l.close = Rect(width - 95, height - 34, 80, 24);
  l.list = Rect(15, b + 135, width - 30, height - b - 179);
  return l;
}

bool AlwaysRebootValueExists(int readWithProbeDefault) { return readWithProbeDefault != 5; }

bool IsEngineGone(HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case 0x800706BA:  // RPC server unavailable
    case 0x800706BE:  // remote procedure call failed
    case 0x800706BF:  // call failed and did not execute
    case 0x80010108:  // object disconnected from its clients
    case 0x80010007:  // server died
    case 0x80010012:  // server died, call not executed
    case 0x800401FD:  // object not connected to its server
      return true;
    default:
      return false;
  }
}

}  // namespace scan_flow

#include "alerts/AlertRules.h"
#include "themedata/resource.h"

namespace alerts {

std::optional<BalloonChoice> BalloonForResponse(int response) {
  switch (response) {
    case 5:
      return BalloonChoice{IDS_BALLOON_TITLE, IDS_BALLOON_QUARANTINED, kBalloonQuarantined};
    case 3:
      return BalloonChoice{IDS_BALLOON_TITLE, IDS_BALLOON_BLOCKED, kBalloonScanAdvised};
    case 1:
      return BalloonChoice{IDS_BALLOON_TITLE, IDS_BALLOON_DETECTED, kBalloonScanAdvised2};
    default:
      return std::nullopt;
  }
}

BalloonClickAction ActionForBalloonClick(int kind) {
  switch (kind) {
    case kBalloonQuarantined:
      return BalloonClickAction::OpenQuarantine;
    case kBalloonScanAdvised:
    case kBalloonScanAdvised2:
      return BalloonClickAction::QuickScan;
    default:
      return BalloonClickAction::None;
  }
}

}  // namespace alerts

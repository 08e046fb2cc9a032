#include "alerts/AlertRules.h"

namespace alerts {

std::optional<BalloonChoice> BalloonForResponse(int response) {
  switch (response) {
    case 5:
      return BalloonChoice{kBalloonTitleId, 189, kBalloonQuarantined};
    case 3:
      return BalloonChoice{kBalloonTitleId, 190, kBalloonScanAdvised};
    case 1:
      return BalloonChoice{kBalloonTitleId, 191, kBalloonScanAdvised2};
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

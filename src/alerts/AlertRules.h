#pragma once
// What an active-protection event shows: the balloon chosen by the user's
// response setting (KnownBadApplicationResponseEnum of the APConfig).
#include <optional>

namespace alerts {

inline constexpr int kEventTypeKnownBadBlocked = 2;

// Balloon kinds recorded by the main frame; a click acts on the latest one.
enum BalloonKind : int {
  kBalloonNone = 0,
  kBalloonQuarantined = 2,   // click opens the quarantine tab
  kBalloonScanAdvised = 3,   // click starts a quick scan
  kBalloonScanAdvised2 = 4,  // click starts a quick scan
};

struct BalloonChoice {
  unsigned titleId;
  unsigned textId;
  BalloonKind kind;
};

// The balloon for a response value, or none (values outside 5, 3, 1).
std::optional<BalloonChoice> BalloonForResponse(int response);

enum class BalloonClickAction { None, OpenQuarantine, QuickScan };
BalloonClickAction ActionForBalloonClick(int kind);

}  // namespace alerts

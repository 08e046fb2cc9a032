#include "app/CloseRules.h"

namespace close_rules {

CloseDecision DecideClose(const CloseState& s) {
  CloseDecision d;
  if (s.shutdownRequested) {
    // A forced close ends an open popup first and comes back; the running scan
    // is stopped once, on the pass that really closes.
    if (s.lightBoxOpen) {
      d.endLightBoxAndRetry = true;
      return d;
    }
    d.stopScan = s.navigationLocked;
    d.destroy = true;
    return d;
  }
  if (s.exitRequested) {
    d.clearExitRequested = true;
    d.destroy = true;
    return d;
  }
  if (s.showCloseDlg != 0)
    d.askFirst = true;
  else
    d.hide = true;
  return d;
}

}  // namespace close_rules

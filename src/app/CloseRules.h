#pragma once
// What WM_CLOSE means for the main window: a real close, a hide to the tray,
// or the close-to-tray question first.

namespace close_rules {

struct CloseState {
  bool shutdownRequested;  // "shutdown" command line or end of session
  bool navigationLocked;   // a scan or cleaning runs
  bool exitRequested;      // the tray menu's exit item
  bool lightBoxOpen;       // a modal popup of the frame is visible
  int showCloseDlg;        // the profile value ShowCloseDlg (default 1)
};

struct CloseDecision {
  bool stopScan = false;             // tell the scan controller to stop
  bool endLightBoxAndRetry = false;  // end the popup with 0, post WM_CLOSE again
  bool destroy = false;              // tray icon removed, sinks disconnected, window destroyed
  bool askFirst = false;             // restore, then the close-to-tray dialog 100 ms later
  bool hide = false;                 // hide silently; the application keeps running
  bool clearExitRequested = false;
};

CloseDecision DecideClose(const CloseState& s);

}  // namespace close_rules

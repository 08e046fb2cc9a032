#pragma once
// The codes the engine contract carries as plain numbers, named once for the
// client and the engine alike. The engine chooses them; the client only reads
// and passes them on.

namespace EngineCodes {

// Scan-and-clean state (GetScanState, ScanStateChanged, ScanProgress).
enum ScanState : long {
  kIdle = 0,
  kScanStarted = 1,
  kScanDone = 107,          // nothing found
  kScanDoneThreats = 109,   // threats found
  kCleaning = 110,
  kCleanDone = 111,
  kCleanStopped = 112,
  kScanFailed = 113,
  kScanPaused = 114,
  kCleanFailed = 115,
  kScanStopped = 116,
};

// Actions on a threat: the definitions' advice, the action a clean request
// asks for and the cleaner's result (kActionFailed: the action failed).
enum Action : int {
  kNoAction = 0,
  kDelete = 1,
  kReportOnly = 2,
  kQuarantine = 3,
  kAllow = 4,
  kIgnore = 5,
  kDeleteAtRestart = 6,
  kActionFailed = -1,
};

// Definitions update status (DefinitionsUpdateStatus). While running:
// checking, downloading, verifying, installing; the rest end the update.
enum UpdateStatus : long {
  kUpdateChecking = 0,
  kUpdateInstalling = 1,
  kUpdateUpToDate = 2,
  kUpdateInstalled = 3,  // also tells the settings page
  kUpdateDownloadFailed = 4,
  kUpdateDownloading = 5,
  kUpdateVerifying = 6,
  kUpdatesSwitchedOff = 7,
  kUpdateBadDefinitions = 100,
  kUpdateServerUnreachable = 101,
};

// Active protection's response to a known bad application
// (KnownBadApplicationResponseEnum).
enum ProtectionResponse : long {
  kProtectAllow = 0,
  kProtectReport = 1,
  kProtectDelete = 3,
  kProtectQuarantine = 5,
  kProtectQuarantineSilently = 6,
};

}  // namespace EngineCodes

// What the scanning, cleaning and finished pages share: questions and notices
// to the user, the frame's navigation, the scan summary pairs, and the watch on
// the engine while a scan or a cleaning runs.
#pragma once

#include <windows.h>

#include <string>

#include "engine/EngineError.h"
#include "engine/EngineSession.h"

class CWnd;

namespace scan_flow {

// Yes/No question with a string-table text; true for Yes.
bool AskYesNo(HWND page, UINT textId);
// A notice with a string-table text and an OK button.
void Tell(HWND page, UINT textId);

// Adds 1 to a profile integer (default 0).
void IncrementProfileInt(const wchar_t* name);
// The three scan summary pairs, fetched and stored once.
void RecordScanSummary(int threatCount, int itemCount, int threatLevel);

// Back to the overview with the tabs unlocked.
void ReturnToOverview();
// The main frame's reconnection timer.
void StopFrameReconnection();
void StartFrameReconnection();

// A failed engine call that means the engine is gone: the server vanished
// (RPC failures) or the session could not reach any engine (E_POINTER).
bool IsEngineLost(const EngineError& error);

// Watches the engine a scan or cleaning follows: a timer on the page probes
// it, and the engine counts as gone when the probe fails or the session has
// re-created its components since Start (the scan went with the old engine).
class CEngineWatch {
 public:
  static constexpr UINT kPeriodMs = 1000;

  void Start(CWnd& page, CEngineSession& session = Engine());
  void Stop(CWnd& page);
  bool Running() const { return m_running; }
  // The probe (what the timer does): true when the engine is gone.
  bool EngineGone(CEngineSession& session = Engine()) const;

 private:
  bool m_running = false;
  unsigned m_generation = 0;
};

// The engine a scan or cleaning followed is gone: the scan controller forgets
// its pending work, the tabs unlock on the overview, the frame's reconnection
// starts and the user is told.
void ReturnAfterEngineLoss(HWND page);

}  // namespace scan_flow

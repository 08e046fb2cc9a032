// CScanController: makes sure the threat definitions are current before a
// scan starts. A scan requested while they are out of date (or while an
// update runs) waits for the update's end, which the main frame learns from
// msg::kDefinitionsUpdated and answers with StartPendingScan.
#pragma once

#include <windows.h>

#include "engine/EngineSession.h"
#include "engine/EventSinks.h"

class CScanController : public CThreatDefinitionsSink {
 public:
  // The process's controller: created on first use, its sink connected to
  // IQVThreatDefinitions.
  static CScanController& Instance();
  // At exit, before the component runtime shuts down: disconnects the sink
  // of the process's controller if it was ever created.
  static void Shutdown();

  explicit CScanController(CEngineSession& session);

  // Connects the sink to the session's IQVThreatDefinitions (silent on failure).
  void ConnectSink();

  // Starts a scan of the given ScanType, after a definitions update when the
  // definitions are not current. Raises EngineError when an engine call fails.
  void RequestScan(LONG scanType);
  // Starts the pending scan, if any; the pending flag is cleared in every case.
  void StartPendingScan();
  // Clears the pending scan, then stops the engine's scan or cleaning.
  void CancelScan();
  // Marks an update running, then asks the engine for one.
  void BeginDefinitionsUpdate();

  // The engine went away while the controller followed it: no update will
  // report its end and no scan waits any more. The sink is let go and joins
  // the engine that answers the next request.
  void EngineLost();

  bool UpdateRunning() const { return m_updateRunning; }
  bool ScanPending() const { return m_scanPending; }
  LONG PendingScanType() const { return m_pendingScanType; }
  void SetNotifyWindow(HWND window) { m_notifyWindow = window; }
  HWND NotifyWindow() const { return m_notifyWindow; }

  // Running statuses set UpdateRunning; end statuses clear it and post
  // msg::kDefinitionsUpdated to the notify window.
  STDMETHODIMP DefinitionsUpdateStatus(LONG, LONG status, LONG, LONG) override;

 private:
  CEngineSession& m_session;
  bool m_updateRunning = false;
  bool m_scanPending = false;
  LONG m_pendingScanType = 0;
  HWND m_notifyWindow = nullptr;
  bool m_reconnectSink = false;
};

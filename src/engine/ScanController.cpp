#include "engine/ScanController.h"

#include <memory>

namespace {

std::unique_ptr<CScanController>& Slot() {
  static std::unique_ptr<CScanController> controller;
  return controller;
}

}  // namespace

CScanController& CScanController::Instance() {
  auto& controller = Slot();
  if (!controller) {
    controller = std::make_unique<CScanController>(Engine());
    controller->ConnectSink();
  }
  return *controller;
}

void CScanController::Shutdown() {
  if (auto& controller = Slot()) controller->Disconnect();
}

CScanController::CScanController(CEngineSession& session) : m_session(session) {}

void CScanController::ConnectSink() {
  auto definitions = m_session.ThreatDefinitions();
  if (definitions) Connect(definitions);
}

void CScanController::RequestScan(LONG scanType) {
  if (std::exchange(m_reconnectSink, false)) ConnectSink();
  m_scanPending = true;
  m_pendingScanType = scanType;
  if (!m_updateRunning) {
    auto definitions = Checked(m_session.ThreatDefinitions());
    LONG current = 0;
    EngineString date;
    CheckEngine(definitions->GetDefinitionsStatus(&current, date.Out()), definitions);
    if (current == 0) BeginDefinitionsUpdate();
  }
  if (!m_updateRunning) StartPendingScan();
}

void CScanController::StartPendingScan() {
  if (!std::exchange(m_scanPending, false)) return;
  auto control = Checked(m_session.ScanControl());
  CheckEngine(control->StartScan(m_pendingScanType), control);
}

void CScanController::CancelScan() {
  m_scanPending = false;
  auto control = Checked(m_session.ScanControl());
  CheckEngine(control->StopScan(), control);
}

void CScanController::EngineLost() {
  m_scanPending = false;
  m_updateRunning = false;
  Disconnect();
  m_reconnectSink = true;
}

void CScanController::BeginDefinitionsUpdate() {
  m_updateRunning = true;
  try {
    auto definitions = Checked(m_session.ThreatDefinitions());
    CheckEngine(definitions->UpdateDefinitions(), definitions);
  } catch (const EngineError&) {
    // No update was started, so none will report its end: a flag left set
    // would hold every later scan back for good.
    m_updateRunning = false;
    throw;
  }
}

STDMETHODIMP CScanController::DefinitionsUpdateStatus(LONG, LONG status, LONG, LONG) {
  if (EngineCodes::IsUpdateRunningStatus(status)) {
    m_updateRunning = true;
  } else if (EngineCodes::IsUpdateOverStatus(status)) {
    m_updateRunning = false;
    PostToWindow(m_notifyWindow, msg::kDefinitionsUpdated, 0, 0);
  }
  return S_OK;
}

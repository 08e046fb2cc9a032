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

CScanController::CScanController(CEngineSession& session) : session_(session) {}

void CScanController::ConnectSink() {
  auto definitions = session_.ThreatDefinitions();
  if (definitions) Connect(definitions);
}

void CScanController::RequestScan(LONG scanType) {
  if (std::exchange(reconnectSink_, false)) ConnectSink();
  scanPending_ = true;
  pendingScanType_ = scanType;
  if (!updateRunning_) {
    auto definitions = Checked(session_.ThreatDefinitions());
    LONG current = 0;
    EngineString date;
    CheckEngine(definitions->GetDefinitionsStatus(&current, date.Out()), definitions);
    if (current == 0) BeginDefinitionsUpdate();
  }
  if (!updateRunning_) StartPendingScan();
}

void CScanController::StartPendingScan() {
  if (!std::exchange(scanPending_, false)) return;
  auto control = Checked(session_.ScanControl());
  CheckEngine(control->StartScan(pendingScanType_), control);
}

void CScanController::CancelScan() {
  scanPending_ = false;
  auto control = Checked(session_.ScanControl());
  CheckEngine(control->StopScan(), control);
}

void CScanController::EngineLost() {
  scanPending_ = false;
  updateRunning_ = false;
  Disconnect();
  reconnectSink_ = true;
}

void CScanController::BeginDefinitionsUpdate() {
  updateRunning_ = true;
  try {
    auto definitions = Checked(session_.ThreatDefinitions());
    CheckEngine(definitions->UpdateDefinitions(), definitions);
  } catch (const EngineError&) {
    // No update was started, so none will report its end: a flag left set
    // would hold every later scan back for good.
    updateRunning_ = false;
    throw;
  }
}

STDMETHODIMP CScanController::DefinitionsUpdateStatus(LONG, LONG status, LONG, LONG) {
  if (EngineCodes::IsUpdateRunningStatus(status)) {
    updateRunning_ = true;
  } else if (EngineCodes::IsUpdateOverStatus(status)) {
    updateRunning_ = false;
    PostToWindow(notifyWindow_, msg::kDefinitionsUpdated, 0, 0);
  }
  return S_OK;
}

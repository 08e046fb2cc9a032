#include "app/SeedEngine.h"

#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ServiceConfig.h"
#include "engine/documents/ThreatDefinitionsConfig.h"

namespace {
// The definitions update service of the engine vendor.
constexpr wchar_t kDefinitionsBaseUrl[] = L"http://updates.roderedud.example/TROVE/trove.aspx";
}  // namespace

void SeedEngineConfigurationSteps() {
  // 1. No scan left over from an earlier run.
  auto control = Checked(Engine().ScanControl());
  CScanController& controller = CScanController::Instance();
  controller.CancelScan();
  CheckEngine(control->ResetScan(), control);

  // 2. Definitions updates every 4 hours from the vendor's service.
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig updates;
  if (SUCCEEDED(FetchDocument(updates, EngineDocuments::kDefinitionUpdateConfig))) {
    updates.Enabled.Set(true);
    updates.UpdateInterval.Set(4);
    auto& trove = updates.TROVEConfig.Create();
    trove.BaseURL.Set(kDefinitionsBaseUrl);
    trove.ProductID.Set(430);
    trove.Language.Set(L"EN");
    trove.Vendor.Set(L"Tessmark");
    trove.StageID.Set(0);
    StoreDocument(updates, EngineDocuments::kDefinitionUpdateConfig);
  }

  // 3. An update now, whatever became of the settings.
  try {
    controller.BeginDefinitionsUpdate();
  } catch (const EngineError&) {
    // No update this time; the options below are still worth setting.
  }

  // 4. Scan options.
  QVnsScanConfig::CScanConfig scan;
  if (SUCCEEDED(FetchDocument(scan, EngineDocuments::kScanConfig))) {
    scan.ShowUserScanResultsScheduled.Set(true);
    scan.ShowUserScanResultsManual.Set(true);
    scan.CheckForUpdatesBeforeScan.Set(true);
    scan.ScanDetailCBIntervalMS.Set(100);
    StoreDocument(scan, EngineDocuments::kScanConfig);
  }

  // 5. Service options.
  QVnsServiceConfig::CServiceConfig service;
  if (SUCCEEDED(FetchDocument(service, EngineDocuments::kServiceConfig))) {
    service.DefaultConfig.Set(false);
    service.LogLevel.Set(1);
    service.OptInToHiveWatchUploadFiles.Set(true);
    service.EmailAV.Set(true);
    StoreDocument(service, EngineDocuments::kServiceConfig);
  }
}

void SeedEngineConfiguration() {
  try {
    SeedEngineConfigurationSteps();
  } catch (const EngineError&) {
    // The engine refused the reset: the rest of the seeding is skipped.
  }
}

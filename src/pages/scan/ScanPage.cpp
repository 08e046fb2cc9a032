#include "pages/scan/ScanPage.h"

#include "app/MainFrame.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "pages/scan/ScanningPage.h"

void CScanPage::BeginScan(LONG scanType) {
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->ResetScan(), control);
  CScanController& controller = CScanController::Instance();
  if (CMainFrame* frame = GetMainFrame()) {
    CScanningPage* scanning = frame->ScanningPage();
    if (scanning) scanning->PrepareScanningPage(controller.UpdateRunning());
    frame->SetTabPage(CMainFrame::kTabScan, scanning);
    if (frame->GetTabCount() > 1) frame->SelectTab(CMainFrame::kTabScan, false);
    frame->SetTabsEnabled(false);
  }
  controller.RequestScan(scanType);
}

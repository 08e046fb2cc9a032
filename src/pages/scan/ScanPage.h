#pragma once
// The scan tab's first page: choice of the scan kind, and BeginScan, the one
// entry through which the user interface starts a scan.
#include <windows.h>

#include "controls/BaseDlg.h"

class CScanPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 310;
  CScanPage() : CBaseDlg(kTemplateId) {}

  // Resets the engine's scan session, puts the scanning page on the scan tab
  // with navigation locked and asks the scan controller for the scan.
  // A failed engine call raises EngineError.
  void BeginScan(LONG scanType);
};

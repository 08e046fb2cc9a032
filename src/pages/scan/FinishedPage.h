#pragma once
// The scan tab's page with the outcome of a scan or a cleaning.
#include "controls/BaseDlg.h"

class CFinishedPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 314;
  CFinishedPage() : CBaseDlg(kTemplateId) {}

  // Brings the page's texts up to date (main frame status refresh).
  void Refresh() {}
};

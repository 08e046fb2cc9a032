#pragma once
// The scan tab's page while a scan runs.
#include "controls/BaseDlg.h"

class CScanningPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 311;
  CScanningPage() : CBaseDlg(kTemplateId) {}

  // Gets the page ready for a scan: waiting for a definitions update first, or scanning.
  void PrepareScanningPage(bool updatePending) { m_updatePending = updatePending; }
  bool UpdatePending() const { return m_updatePending; }

 private:
  bool m_updatePending = false;
};

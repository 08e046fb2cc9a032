#pragma once
// The quarantine tab's page.
#include "controls/BaseDlg.h"

class CQuarantinePage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 328;
  CQuarantinePage() : CBaseDlg(kTemplateId) {}

  // Reads the quarantined items again.
  void ReloadList() {}
};

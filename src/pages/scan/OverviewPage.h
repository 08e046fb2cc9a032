#pragma once
// The overview tab's page: the protection state at a glance.
#include "controls/BaseDlg.h"

class COverviewPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 323;
  COverviewPage() : CBaseDlg(kTemplateId) {}
};

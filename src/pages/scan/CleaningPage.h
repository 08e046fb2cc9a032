#pragma once
// The scan tab's page while found threats are cleaned.
#include "controls/BaseDlg.h"

class CCleaningPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 313;
  CCleaningPage() : CBaseDlg(kTemplateId) {}
};

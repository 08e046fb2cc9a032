#pragma once
// The scan tab's page listing the threats a scan found.
#include "controls/BaseDlg.h"

class CResultsPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 312;
  CResultsPage() : CBaseDlg(kTemplateId) {}
};

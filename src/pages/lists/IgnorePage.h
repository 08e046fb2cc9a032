#pragma once
// The ignore list tab's page.
#include "controls/BaseDlg.h"

class CIgnorePage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 329;
  CIgnorePage() : CBaseDlg(kTemplateId) {}
};

#pragma once
// The about page, shown by the About frame button without a tab.
#include "controls/BaseDlg.h"

class CAboutDlg : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 100;
  CAboutDlg() : CBaseDlg(kTemplateId) {}
  // Brings the page's texts up to date (main frame status refresh).
  void Refresh() {}
};

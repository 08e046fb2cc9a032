#pragma once
// The scan tab's page while found threats are cleaned.
#include <string>

#include "controls/BaseDlg.h"

class CCleaningPage : public CBaseDlg {
 public:
  static constexpr UINT kTemplateId = 313;
  CCleaningPage() : CBaseDlg(kTemplateId) {}

  // Called by the results page's clean command before the engine is asked to
  // clean, with the path of the clean request (a results document).
  void PrepareCleaning(const std::wstring& requestPath) { m_requestPath = requestPath; }

 private:
  std::wstring m_requestPath;
};

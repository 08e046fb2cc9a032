#pragma once
// The quarantine tab's page: the items the engine holds in quarantine, newest
// first, read from the record files of the engine's quarantine folder on every
// show. The user ticks items and restores or deletes them through the engine;
// the count label shows how many traces the quarantine holds.
//
// Keyboard: Tab moves between the list's rows, its select-all box and the two
// buttons; in the rows the arrow keys move, Space ticks, Enter expands.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "controls/BaseDlg.h"
#include "controls/ThemeLabel.h"
#include "pages/scan/ScanResultsList.h"

// Where the page's controls go in a client area of width x height, with the
// count label as wide as its text.
struct QuarantinePageLayout {
  RECT count;
  RECT caption;
  RECT explanation;
  RECT deleteButton;
  RECT restoreButton;
  RECT list;
};
QuarantinePageLayout ComputeQuarantinePageLayout(int width, int height, int countWidth);

class CQuarantinePage : public CBaseDlg {
 public:
  // Controls.

  CQuarantinePage();
  ~CQuarantinePage() override;

  // Reads the quarantine folder again (the page does so whenever it is shown).
  void ReloadList() { LoadQuarantineList(); }
  void LoadQuarantineList();
  // The restore and delete commands.
  void RestoreChecked();
  void DeleteChecked();

  // The time zone the record stamps are shown in (nothing: the system's).
  void SetTimeZone(std::optional<TIME_ZONE_INFORMATION> zone) { m_zone = zone; }

  CScanResultsList& List() { return m_list; }
  std::wstring CountText() const { return m_count.m_text; }

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  void OnShowWindow(BOOL show, UINT status) override;
  void OnSize(UINT type, int cx, int cy) override;

 private:
  void Layout();
  void ShowTraceCount();
  // The quarantine identifiers of the ticked rows, in list order.
  std::vector<std::wstring> CheckedIds() const;
  // Runs the engine call for every identifier, taking each row away as it
  // goes, then reads the folder again.
  void ApplyToEach(const std::vector<std::wstring>& ids,
                   const std::function<void(const std::wstring& id)>& call);

  CThemeLabel m_count;
  CThemeLabel m_caption;
  CThemeLabel m_explanation;
  CScanResultsList m_list;
  std::optional<TIME_ZONE_INFORMATION> m_zone;
};

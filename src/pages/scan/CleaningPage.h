#pragma once
// CCleaningPage: the scan tab's page while the engine carries out the actions
// chosen on the results page. Each threat turns handled as its traces are
// reported cleaned; when the engine reports the end (or the check two seconds
// after the start finds it over, or the user stops), the finished page takes
// the list over and shows the outcome.
#include <windows.h>

#include <memory>
#include <string>

#include "controls/BaseDlg.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeLabel.h"
#include "engine/EventSinks.h"
#include "engine/documents/ScanResults.h"
#include "pages/scan/ScanFlowPages.h"
#include "pages/scan/ScanFlowRules.h"
#include "pages/scan/ScanResultsList.h"

class CCleaningPage : public CBaseDlg {
 public:
  // The one-shot check for a cleaning that ended before the sink was connected.
  static constexpr UINT kCheckMs = 2000;

  CCleaningPage();
  ~CCleaningPage() override;

  // Called by the results page before the engine is asked to clean: the list
  // is rebuilt from the clean request at `requestPath`, the sink connected and
  // the check started. A failed engine call raises EngineError.
  void PrepareCleaning(const std::wstring& requestPath);

  bool Cleaning() const { return m_cleaning; }
  CScanResultsList& ThreatList() { return m_list; }
  CRoundProgressCtrl& Progress() { return m_progress; }
  const scan_flow::CleaningLayout& Layout() const { return m_layout; }
  // A cleaned trace, as the sink hands it over.
  void OnTraceCleaned(const CleanProgressEvent& event);

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  void LayOut();
  // Rebuilds the list from a results document read into `read` (collapsed).
  void RebuildList(QVnsScanResults::CARDOThreatEngineResults&& read);
  void CollapseAll();
  void OnCheck();
  void OnStop();
  void OnCleaningOver();
  void StopFollowing();
  void OnEngineLost();
  template <class F>
  void Guarded(F&& handler);

  CThemeLabel m_label;
  CRoundProgressCtrl m_progress;
  CScanResultsList m_list;
  CCleaningScanSink m_sink;
  scan_flow::CEngineWatch m_watch;
  // The records' sources point into this document: it lives as long as they do.
  QVnsScanResults::CARDOThreatEngineResults m_results;
  std::unique_ptr<Gdiplus::Bitmap> m_bannerPicture, m_computer;
  scan_flow::CleaningLayout m_layout;
  bool m_cleaning = false;
};

#pragma once
// CScanningPage: the scan tab's page while a scan runs. It shows the status
// line and the object being scanned, the count of objects scanned, a progress
// bar and an animation, and the threats found so far under a red banner; it
// follows a definitions update that comes first, lets the user pause, resume
// and stop, and at the end records the outcome and moves on to the results
// page (threats found) or the finished page (nothing found).
#include <windows.h>

#include <memory>
#include <vector>

#include "controls/AnimationCtrl.h"
#include "controls/BaseDlg.h"
#include "controls/RoundProgressCtrl.h"
#include "controls/ThemeLabel.h"
#include "engine/EventSinks.h"
#include "pages/scan/ScanFlowPages.h"
#include "pages/scan/ScanFlowRules.h"
#include "pages/scan/ScanResultsList.h"

class CScanningPage : public CBaseDlg {
 public:
  // Controls of the template and those the page makes.
  // The watchdog: fires once, 60 s after the page was prepared.
  static constexpr UINT kWatchdogMs = 60000;
  // What scan events change is painted at most this often while a scan runs:
  // the engine sends an event for every threat found, and waits for each.
  static constexpr UINT kRepaintMs = 100;

  CScanningPage();
  ~CScanningPage() override;

  // Gets the page ready for a scan: waiting for a definitions update first
  // (mode 1), or starting (mode 2); connects the sinks, starts the watchdog
  // and the engine watch. A failed engine call raises EngineError.
  void PrepareScanningPage(bool updatePending);

  // The view model (tests, snapshots).
  int Mode() const { return m_mode; }
  bool Updating() const { return m_updating; }
  bool ThreatBanner() const { return m_banner; }
  bool StoppedByUser() const { return m_stoppedByUser; }
  bool FollowingScan() const { return m_following; }
  int BannerCount() const { return m_bannerCount; }
  CScanResultsList& ThreatList() { return m_list; }
  CRoundProgressCtrl& Progress() { return m_progress; }
  CAnimationCtrl& Animation() { return m_animation; }
  const scan_flow::ScanningLayout& Layout() const { return m_layout; }
  // The progress event's work, as the scan sink hands it over (tests and
  // snapshots feed it directly).
  void OnScanProgress(const ScanProgressEvent& event);

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnTimer(UINT_PTR id) override;
  void OnSize(UINT type, int cx, int cy) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void DrawContent(Gdiplus::Graphics& g) override;

 private:
  void SetMode(int mode);
  void LayOut();
  void ShowCount(bool show);
  void OnScanEnded(bool failed);
  void OnPause();
  void OnResume();
  void OnStop();
  void OnWatchdog();
  void OnEngineProbe();
  // Ends following the scan: watchdog, engine watch and both sinks.
  void StopFollowing();
  // A label's new text, painted now or (held) by the repaint timer.
  void SetLabelText(CThemeLabel& label, const std::wstring& text, bool held);
  // Takes back the pending paint of a window that a scan event changed; the
  // repaint timer paints it. The banner is a part of the page.
  void HoldRepaint(HWND window);
  void AddHeld(HWND window);
  void HoldBannerRepaint();
  void RepaintHeld();
  void OnEngineLost();
  // Runs a handler; a failure that means the engine is gone ends the scan as
  // lost instead of escaping.
  template <class F>
  void Guarded(F&& handler);

  CThemeLabel m_title, m_status, m_object, m_countCaption, m_count, m_countTrailer,
      m_progressCaption;
  CRoundProgressCtrl m_progress;
  CAnimationCtrl m_animation;
  CScanResultsList m_list;
  CScanningScanSink m_scanSink;
  CScanningDefinitionsSink m_definitionsSink;
  scan_flow::CEngineWatch m_watch;
  std::unique_ptr<Gdiplus::Bitmap> m_bannerPicture;
  std::unique_ptr<Gdiplus::Font> m_bannerFont;
  scan_flow::ScanningLayout m_layout;
  SIZE m_countCaptionSize{};
  int m_mode = scan_flow::kModeNone;
  bool m_updating = false;
  bool m_banner = false;
  bool m_stoppedByUser = false;
  bool m_following = false;
  int m_bannerCount = 0;
  size_t m_countTextLength = 0;
  std::vector<HWND> m_heldRepaints;
  bool m_bannerRepaintHeld = false;
};

#include "pages/scan/ScanningPage.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "engine/ThreatInfo.h"
#include "framework/Messages.h"
#include "framework/WinAppEx.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/ResultsPage.h"
#include "theme/TextFormat.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace scan_flow;

namespace {

constexpr wchar_t kBannerPicture[] = L"Images/overview/status_red.png";
constexpr wchar_t kAnimationFrames[] = L"Images/scan/scan_anim/";
constexpr int kFirstFrame = 1, kLastFrame = 12;

void Show(HWND control, bool show) {
  if (control) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

void Apply(Change change, HWND control, BOOL (*set)(HWND, bool)) {
  if (change != Change::Keep && control) set(control, change == Change::On);
}

BOOL SetShown(HWND control, bool on) { return ::ShowWindow(control, on ? SW_SHOW : SW_HIDE); }
BOOL SetEnabled(HWND control, bool on) { return ::EnableWindow(control, on); }

}  // namespace

CScanningPage::CScanningPage()
    : CBaseDlg(IDD_SCANNING),
      m_progress(L"Images/scan/progressbar_middle.png", L"Images/scan/progress_glow.png"),
      m_bannerPicture(LoadThemeImage(kBannerPicture)) {
  m_scanSink.SetProgress(
      [this](const ScanProgressEvent& event) { Guarded([&] { OnScanProgress(event); }); });
}

CScanningPage::~CScanningPage() {
  // The handlers below must still run while the window goes.
  DestroyWindow();
}

BOOL CScanningPage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  m_title.SubclassDlgItem(IDC_SCANNING_TITLE, m_hWnd);
  m_status.SubclassDlgItem(IDC_SCANNING_STATUS, m_hWnd);
  m_object.SubclassDlgItem(IDC_SCANNING_OBJECT, m_hWnd);
  m_countCaption.SubclassDlgItem(IDC_SCANNING_COUNT_CAPTION, m_hWnd);
  m_count.SubclassDlgItem(IDC_SCANNING_COUNT, m_hWnd);
  m_countTrailer.SubclassDlgItem(IDC_SCANNING_COUNT_TRAILER, m_hWnd);
  m_progressCaption.SubclassDlgItem(IDC_SCANNING_PROGRESS_CAPTION, m_hWnd);
  m_progress.SubclassDlgItem(IDC_SCANNING_PROGRESS, m_hWnd);
  // The object's path is shortened in its middle when it is too long.
  m_object.m_trimming = Gdiplus::StringTrimmingEllipsisPath;
  m_list.CreateThreatList(m_hWnd, RECT{15, 200, 400, 300});
  m_banner = false;
  m_title.SetFont(CreateThemeFont(true, 13, false, false));
  m_count.SetFont(CreateThemeFont(true, 9, false, false));
  m_count.m_textColor = Theme().GetColor(L"pages/scan/count");
  m_countCaptionSize = MeasureLabelText(nullptr, m_countCaption);
  m_countCaptionSize.cy = 18;
  m_animation.Create(m_hWnd, IDC_SCANNING_ANIMATION);
  m_animation.LoadFrames(kAnimationFrames, kFirstFrame, kLastFrame, L"png");
  if (m_animation.FrameCount() > 0) m_animation.StartAnimation();
  m_scanSink.SetWindow(m_hWnd);
  m_definitionsSink.SetWindow(m_hWnd);
  SetMode(kModeStarting);
  return TRUE;
}

void CScanningPage::OnDestroy() {
  KillTimer(IDT_SCAN_WATCHDOG);
  KillTimer(IDT_SCAN_REPAINT);
  m_heldRepaints.clear();
  m_watch.Stop(*this);
  m_scanSink.Disconnect();
  m_definitionsSink.Disconnect();
  CBaseDlg::OnDestroy();
}

// ---- display modes -----------------------------------------------------------

void CScanningPage::SetMode(int mode) {
  std::optional<ScanningModeView> view = ViewForMode(mode);
  if (!view || !ModeChangeApplies(m_mode, mode)) return;
  m_mode = mode;
  CThemeResources& t = Theme();
  if (view->resetsList) {
    m_list.ClearThreats();
    m_list.SetEmptyText(L"");
    if (m_list.m_hWnd && m_list.GetParent() != m_hWnd) m_list.AttachTo(m_hWnd, m_layout.list);
    m_updating = false;
    m_banner = false;
    m_bannerCount = 0;
  }
  if (view->statusText) m_status.SetText(t.LoadResString(view->statusText));
  if (view->messageText)
    m_object.SetText(t.LoadResString(view->messageText));
  else if (mode != kModePaused)
    m_object.SetText(L"");
  if (view->countToZero) {
    m_count.SetText(L"0");
    m_countTextLength = 1;
  }
  if (view->countAndAnimation != Change::Keep) ShowCount(view->countAndAnimation == Change::On);
  if (view->restartAnimation) m_animation.StartAnimation();
  if (view->stopAnimation && m_animation.m_hWnd) m_animation.KillTimer(IDT_ANIMATION);
  if (m_progress.m_hWnd) {
    m_progress.SetGlowMode(view->glow);
    if (view->barToZero) m_progress.SetPos(0);
    m_progress.Invalidate(FALSE);
  }
  Apply(view->pauseShown, GetDlgItem(IDC_SCANNING_PAUSE), SetShown);
  Apply(view->pauseEnabled, GetDlgItem(IDC_SCANNING_PAUSE), SetEnabled);
  Apply(view->resumeShown, GetDlgItem(IDC_SCANNING_RESUME), SetShown);
  if (view->updating != Change::Keep) m_updating = view->updating == Change::On;
  LayOut();
}

void CScanningPage::ShowCount(bool show) {
  Show(m_countCaption.m_hWnd, show);
  Show(m_count.m_hWnd, show);
  Show(m_countTrailer.m_hWnd, show);
  Show(m_animation.m_hWnd, show);
}

// ---- layout and painting --------------------------------------------------------

void CScanningPage::LayOut() {
  if (!m_hWnd) return;
  const RECT client = GetClientRect();
  ScanningLayoutInput in;
  in.width = client.right;
  in.height = client.bottom;
  in.banner = m_banner;
  in.bannerPicture = ImageSize(m_bannerPicture.get());
  in.mode = m_mode;
  in.statusWidth = MeasureLabelText(nullptr, m_status).cx;
  in.messageHeight = 18;
  in.countCaption = m_countCaptionSize;
  in.countWidth = MeasureLabelText(nullptr, m_count).cx;
  in.progressCaptionWidth = MeasureLabelText(nullptr, m_progressCaption).cx;
  m_layout = ComputeScanningLayout(in);
  const ScanningLayout& l = m_layout;
  const std::pair<CWnd*, RECT> placed[] = {
      {&m_title, l.title},       {&m_status, l.status},
      {&m_object, l.message},    {&m_progressCaption, l.progressCaption},
      {&m_progress, l.progress},
  };
  for (const auto& [control, rect] : placed)
    if (control->m_hWnd) control->MoveWindow(rect, FALSE);
  // The count and the animation keep their places while hidden.
  if (l.countShown) {
    const std::pair<CWnd*, RECT> counted[] = {{&m_countCaption, l.countCaption},
                                              {&m_count, l.count},
                                              {&m_countTrailer, l.countTrailer},
                                              {&m_animation, l.animation}};
    for (const auto& [control, rect] : counted)
      if (control->m_hWnd) control->MoveWindow(rect, FALSE);
  }
  for (UINT id : {IDC_SCANNING_STOP, IDC_SCANNING_PAUSE, IDC_SCANNING_RESUME}) {
    const RECT& r = id == IDC_SCANNING_STOP    ? l.stop
                    : id == IDC_SCANNING_PAUSE ? l.pause
                                               : l.resume;
    if (HWND button = GetDlgItem(id))
      ::MoveWindow(button, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  }
  if (m_list.m_hWnd) m_list.MoveList(l.list);
  Invalidate(FALSE);
}

void CScanningPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  LayOut();
}

void CScanningPage::DrawContent(Gdiplus::Graphics& g) {
  if (m_list.RecordCount() == 0 || m_layout.banner.right <= m_layout.banner.left) return;
  CThemeResources& t = Theme();
  const RECT& b = m_layout.banner;
  DrawStatusBanner(
      g, m_bannerPicture.get(),
      FormatCounted(t, threat::kStrResultsTitle, {m_list.RecordCount(), m_bannerCount}),
      t.GetFont(L"client/header"), t.GetColor(L"general/header/red_top"),
      t.GetColor(L"general/header/red_bottom"), t.GetColor(L"general/header/title"), b.left, b.top,
      b.right - b.left, b.bottom - b.top);
}

// ---- the scan ---------------------------------------------------------------------

void CScanningPage::PrepareScanningPage(bool updatePending) {
  // A stop during an update is followed by no scan end: it must not hold back
  // the count of the next scan.
  m_stoppedByUser = false;
  SetMode(updatePending ? kModeWaitingForUpdate : kModeStarting);
  CEngineSession& engine = Engine();
  m_definitionsSink.Connect(engine.ThreatDefinitions());
  m_scanSink.Connect(engine.ScanControl());
  m_following = true;
  if (m_hWnd) {
    SetTimer(IDT_SCAN_WATCHDOG, kWatchdogMs);
    SetTimer(IDT_SCAN_REPAINT, kRepaintMs);
  }
  m_watch.Start(*this);
  auto control = Checked(engine.ScanControl());
  LONG state = 0;
  unsigned char reboot = 0;
  CheckEngine(control->GetScanState(&state, &reboot), control);
  if (state == EngineCodes::kScanPaused) {
    Show(GetDlgItem(IDC_SCANNING_RESUME), true);
    Show(GetDlgItem(IDC_SCANNING_PAUSE), false);
  }
}

void CScanningPage::OnScanProgress(const ScanProgressEvent& e) {
  // Progress the engine sent before it paused must not end the pause.
  const int modeBefore = m_mode;
  if (m_mode != kModePaused) SetMode(kModeScanning);
  // An event that changes only texts and the list is painted by the repaint
  // timer; one that lays the page out is painted at once.
  const bool paced = m_following && m_mode == modeBefore;
  SetLabelText(m_object, std::wstring(e.objectName), paced);
  const std::wstring count = std::to_wstring(e.objectsScanned);
  SetLabelText(m_count, count, paced);
  // The count's label grows with its digits only.
  if (count.size() != m_countTextLength) {
    m_countTextLength = count.size();
    if (MeasureLabelText(nullptr, m_count).cx > m_layout.count.right - m_layout.count.left) {
      LayOut();
      RepaintHeld();
    }
  }
  if (e.threatName.empty()) return;
  threat::ScanThreat found;
  found.name = e.threatName;
  found.category = e.threatCategory;
  found.traceText = e.objectName;
  // The engine waits for this handler: a further trace of a listed threat only
  // adds to its record, so the threat's texts are asked for once per record.
  if (!m_list.HasThreat(found.name)) {
    EngineThreatInfo info = QueryThreatInfo(e.threatId);
    found.adviceText = info.texts[0];
    found.descriptionText = info.texts[1];
    found.adviseType = info.value;
    found.level = info.flagBytes[2];
  }
  m_list.AddScanThreat(found);
  m_bannerCount = e.threatCount;
  if (!m_banner) {
    m_banner = true;
    LayOut();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  } else if (paced) {
    HoldRepaint(m_list.Rows().m_hWnd);
    HoldBannerRepaint();
  } else {
    ::InvalidateRect(m_hWnd, &m_layout.banner, FALSE);
  }
}

void CScanningPage::SetLabelText(CThemeLabel& label, const std::wstring& text, bool held) {
  if (!held) {
    label.SetText(text);
    return;
  }
  label.SetTextUnpainted(text);
  AddHeld(label.m_hWnd);
}

void CScanningPage::HoldRepaint(HWND window) {
  if (!window) return;
  ::ValidateRect(window, nullptr);
  AddHeld(window);
}

void CScanningPage::AddHeld(HWND window) {
  if (window &&
      std::find(m_heldRepaints.begin(), m_heldRepaints.end(), window) == m_heldRepaints.end())
    m_heldRepaints.push_back(window);
}

void CScanningPage::HoldBannerRepaint() { m_bannerRepaintHeld = true; }

void CScanningPage::RepaintHeld() {
  for (HWND window : m_heldRepaints)
    if (::IsWindow(window)) ::InvalidateRect(window, nullptr, FALSE);
  m_heldRepaints.clear();
  if (std::exchange(m_bannerRepaintHeld, false) && m_hWnd)
    ::InvalidateRect(m_hWnd, &m_layout.banner, FALSE);
}

void CScanningPage::StopFollowing() {
  KillTimer(IDT_SCAN_WATCHDOG);
  KillTimer(IDT_SCAN_REPAINT);
  RepaintHeld();
  m_watch.Stop(*this);
  m_scanSink.Disconnect();
  m_definitionsSink.Disconnect();
  m_following = false;
}

void CScanningPage::OnScanEnded(bool failed) {
  // An end reported twice (a state event and the watchdog) is handled once.
  if (!m_following) return;
  StopFollowing();
  StopFrameReconnection();
  CMainFrame* frame = GetMainFrame();
  LowestLevel lowest;
  for (const ThreatRecord& record : m_list.Records()) lowest.Add(record.level);
  ScanEndInput in;
  in.failed = failed;
  in.stoppedByUser = m_stoppedByUser;
  in.records = m_list.RecordCount();
  in.traces = m_list.TotalTraces();
  in.lowestLevel = lowest.Value();
  if (failed) {
    CScanController::Instance().CancelScan();
    auto control = Checked(Engine().ScanControl());
    CheckEngine(control->ResetScan(), control);
    Tell(m_hWnd, IDS_SCAN_FAILED);
    ReturnToOverview();
    return;
  }
  if (!m_stoppedByUser) IncrementProfileInt(settings::kScanCount);
  m_stoppedByUser = false;
  auto control = Checked(Engine().ScanControl());
  unsigned char fromSchedule = 0;
  CheckEngine(control->GetScanInfo(&in.scanType, &fromSchedule), control);
  const ScanEndPlan plan = PlanScanEnd(in);
  if (plan.writePairs) RecordScanSummary(plan.threatCount, plan.itemCount, plan.threatLevel);
  if (!frame) return;
  if (plan.next == ScanNext::Results) {
    CResultsPage* results = frame->ResultsPage();
    if (results) results->ImportScanResults();
    frame->SetTabPage(CMainFrame::kTabScan, results);
  } else {
    CFinishedPage* finished = frame->FinishedPage();
    if (finished) {
      finished->AdoptThreatList(&m_list);
      finished->ShowFinishedState(kNothingFound);
    }
    frame->SetTabPage(CMainFrame::kTabScan, finished);
  }
}

// ---- commands ----------------------------------------------------------------------

void CScanningPage::OnPause() {
  if (m_updating) return;
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->PauseScan(), control);
  SetMode(kModePaused);
}

void CScanningPage::OnResume() {
  if (m_updating) return;
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->ResumeScan(), control);
  SetMode(kModeScanning);
}

void CScanningPage::OnStop() {
  if (!AskYesNo(m_hWnd, IDS_STOP_SCAN_QUESTION)) return;
  StopFrameReconnection();
  CScanController::Instance().CancelScan();
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->ResetScan(), control);
  if (m_updating) {
    // No scan end follows an update that was stopped.
    StopFollowing();
    if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(settings::kFromSchedule, 0);
    ReturnToOverview();
  }
  m_stoppedByUser = true;
}

void CScanningPage::OnWatchdog() {
  KillTimer(IDT_SCAN_WATCHDOG);
  auto control = Checked(Engine().ScanControl());
  LONG state = 0;
  unsigned char reboot = 0;
  CheckEngine(control->GetScanState(&state, &reboot), control);
  const bool updateRunning = m_updating || CScanController::Instance().UpdateRunning();
  if (EngineCodes::IsWatchdogAbnormalEnd(state) && !updateRunning && IsWindowVisible())
    Post(msg::kScanEnded, 1, 0);
}

void CScanningPage::OnEngineProbe() {
  if (m_watch.Running() && m_watch.EngineGone()) OnEngineLost();
}

void CScanningPage::OnEngineLost() {
  StopFollowing();
  m_stoppedByUser = false;
  if (m_animation.m_hWnd) m_animation.KillTimer(IDT_ANIMATION);
  if (m_progress.m_hWnd) m_progress.SetGlowMode(false);
  ReturnAfterEngineLoss(m_hWnd);
}

template <class F>
void CScanningPage::Guarded(F&& handler) {
  try {
    handler();
  } catch (const EngineError& error) {
    if (!IsEngineLost(error)) throw;
    OnEngineLost();
  }
}

bool CScanningPage::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case IDC_SCANNING_PAUSE:
      Guarded([this] { OnPause(); });
      return true;
    case IDC_SCANNING_RESUME:
      Guarded([this] { OnResume(); });
      return true;
    case IDC_SCANNING_STOP:
      Guarded([this] { OnStop(); });
      return true;
    default:
      return CBaseDlg::OnCommand(id, code, control);
  }
}

void CScanningPage::OnTimer(UINT_PTR id) {
  if (id == IDT_SCAN_WATCHDOG)
    Guarded([this] { OnWatchdog(); });
  else if (id == IDT_SCAN_REPAINT)
    RepaintHeld();
  else if (id == IDT_ENGINE_WATCH)
    OnEngineProbe();
  else
    CBaseDlg::OnTimer(id);
}

LRESULT CScanningPage::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case msg::kFollowScan:
      Guarded([this] { PrepareScanningPage(false); });
      return 0;
    case msg::kScanningMode:
      SetMode(static_cast<int>(wp));
      return 0;
    case msg::kScanEnded:
      Guarded([this, wp] { OnScanEnded(wp != 0); });
      return 0;
    default:
      return CBaseDlg::WindowProc(message, wp, lp);
  }
}

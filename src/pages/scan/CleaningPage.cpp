#include "pages/scan/CleaningPage.h"

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/ScanController.h"
#include "engine/ScanResultsFile.h"
#include "framework/Messages.h"
#include "framework/WinAppEx.h"
#include "pages/scan/FinishedPage.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace scan_flow;

CCleaningPage::CCleaningPage()
    : CBaseDlg(IDD_CLEANING),
      m_progress(L"Images/scan/progressbar_middle.png", L"Images/scan/progress_glow.png"),
      m_bannerPicture(LoadThemeImage(L"Images/overview/status_green.png")),
      m_computer(LoadThemeImage(L"Images/scan/computer_green.png")) {
  m_sink.SetCleaned([this](const CleanProgressEvent& event) { OnTraceCleaned(event); });
}

CCleaningPage::~CCleaningPage() { DestroyWindow(); }

BOOL CCleaningPage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  m_label.SubclassDlgItem(IDC_CLEANING_LABEL, m_hWnd);
  m_label.SetText(Theme().LoadResString(IDS_CLEANING_WAIT));
  m_progress.SubclassDlgItem(IDC_CLEANING_PROGRESS, m_hWnd);
  m_progress.SetRange32(0, 100);
  m_list.CreateThreatList(m_hWnd, RECT{15, 120, 400, 300});
  m_sink.SetWindow(m_hWnd);
  LayOut();
  return TRUE;
}

void CCleaningPage::OnDestroy() {
  KillTimer(IDT_CLEANING_CHECK);
  m_watch.Stop(*this);
  m_sink.Disconnect();
  CBaseDlg::OnDestroy();
}

void CCleaningPage::LayOut() {
  if (!m_hWnd) return;
  const RECT c = GetClientRect();
  m_layout = ComputeCleaningLayout(c.right, c.bottom, ImageSize(m_bannerPicture.get()),
                                   ImageSize(m_computer.get()));
  if (m_label.m_hWnd) m_label.MoveWindow(m_layout.label, FALSE);
  if (m_progress.m_hWnd) m_progress.MoveWindow(m_layout.progress, FALSE);
  if (HWND stop = GetDlgItem(IDC_CLEANING_STOP))
    ::MoveWindow(stop, m_layout.stop.left, m_layout.stop.top, fw::Width(m_layout.stop),
                 fw::Height(m_layout.stop), FALSE);
  if (m_list.m_hWnd && m_list.GetParent() == m_hWnd) m_list.MoveList(m_layout.list);
  Invalidate(FALSE);
}

void CCleaningPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  LayOut();
}

void CCleaningPage::DrawContent(Gdiplus::Graphics& g) {
  CThemeResources& t = Theme();
  const RECT& b = m_layout.banner;
  DrawStatusBanner(g, m_bannerPicture.get(), t.LoadResString(IDS_CLEANING_TITLE),
                   t.GetFont(L"client/header"), t.GetColor(L"general/header/green_top"),
                   t.GetColor(L"general/header/green_bottom"), t.GetColor(L"general/header/title"),
                   b.left, b.top, fw::Width(b), fw::Height(b));
  if (m_computer) {
    const SIZE s = ImageSize(m_computer.get());
    g.DrawImage(m_computer.get(), static_cast<INT>(m_layout.computer.x),
                static_cast<INT>(m_layout.computer.y), static_cast<INT>(s.cx),
                static_cast<INT>(s.cy));
  }
}

// ---- the cleaning ------------------------------------------------------------

void CCleaningPage::CollapseAll() {
  for (int row = 0; row < m_list.RecordCount(); ++row)
    if (m_list.Records()[static_cast<size_t>(row)].expanded) m_list.SetExpanded(row, false);
}

void CCleaningPage::RebuildList(QVnsScanResults::CARDOThreatEngineResults&& read) {
  // The old records point into the old document: they go before it does.
  m_list.ClearThreats();
  m_results = std::move(read);
  if (auto* threats = m_results.threats.Get())
    for (auto& threat : threats->threat) m_list.AddResultThreat(threat);
  m_list.RefreshRows();
}

void CCleaningPage::PrepareCleaning(const std::wstring& requestPath) {
  if (m_list.m_hWnd && m_list.GetParent() != m_hWnd) m_list.AttachTo(m_hWnd, m_layout.list);
  QVnsScanResults::CARDOThreatEngineResults read;
  if (read.ReadFromFile(requestPath) == 0) RebuildList(std::move(read));
  CollapseAll();
  CEngineSession& engine = Engine();
  m_sink.Connect(engine.ScanControl());
  m_cleaning = true;
  m_watch.Start(*this);
  if (m_progress.m_hWnd) m_progress.SetPos(0);
  auto control = Checked(engine.ScanControl());
  LONG state = 0;
  unsigned char reboot = 0;
  CheckEngine(control->GetScanState(&state, &reboot), control);
  if (!EngineCodes::CleaningNeedsNoCheck(state) && m_hWnd) SetTimer(IDT_CLEANING_CHECK, kCheckMs);
}

void CCleaningPage::OnTraceCleaned(const CleanProgressEvent& event) {
  m_list.MarkTraceCleaned(std::wstring(event.threatName), std::wstring(event.trace));
  IncrementProfileInt(settings::kCleanCount);
}

void CCleaningPage::OnCheck() {
  KillTimer(IDT_CLEANING_CHECK);
  auto control = Checked(Engine().ScanControl());
  LONG state = 0;
  unsigned char reboot = 0;
  CheckEngine(control->GetScanState(&state, &reboot), control);
  if (EngineCodes::IsCleaningEndState(state)) Post(msg::kCleaningEnded);
}

void CCleaningPage::OnStop() {
  if (!AskYesNo(m_hWnd, IDS_STOP_CLEANING_QUESTION)) return;
  CScanController::Instance().CancelScan();
  Post(msg::kCleaningEnded);
}

void CCleaningPage::StopFollowing() {
  KillTimer(IDT_CLEANING_CHECK);
  m_watch.Stop(*this);
  m_sink.Disconnect();
  m_cleaning = false;
}

void CCleaningPage::OnCleaningOver() {
  // The end may be reported more than once (an event, the check, the stop).
  if (!m_cleaning) return;
  StopFollowing();
  QVnsScanResults::CARDOThreatEngineResults read;
  if (SUCCEEDED(FetchScanResults(read))) RebuildList(std::move(read));
  CollapseAll();
  CMainFrame* frame = GetMainFrame();
  CFinishedPage* finished = frame ? frame->FinishedPage() : nullptr;
  if (finished) finished->AdoptThreatList(&m_list);
  auto control = Checked(Engine().ScanControl());
  LONG scanType = 0;
  unsigned char fromSchedule = 0;
  CheckEngine(control->GetScanInfo(&scanType, &fromSchedule), control);
  if (scanType != kScanUnrecorded) {
    const CleaningPairs pairs = PairsAfterCleaning(m_list.RecordCount(), m_list.HandledRecords(),
                                                   m_list.TotalTraces(), m_list.HandledTraces());
    RecordScanSummary(pairs.threatCount, pairs.itemCount, pairs.threatLevel);
  }
  LONG state = 0;
  unsigned char reboot = 0;
  CheckEngine(control->GetScanState(&state, &reboot), control);
  CWinAppEx* app = AfxGetApp();
  const int always = app ? app->ReadProfileInt(settings::kAlwaysRebootAfterClean,
                                               settings::kDefaultAlwaysRebootAfterClean)
                         : 0;
  if (finished) finished->ShowFinishedState(ChooseFinishedState(reboot != 0, always));
  if (frame) frame->SetTabPage(CMainFrame::kTabScan, finished);
}

void CCleaningPage::OnEngineLost() {
  StopFollowing();
  ReturnAfterEngineLoss(m_hWnd);
}

template <class F>
void CCleaningPage::Guarded(F&& handler) {
  try {
    handler();
  } catch (const EngineError& error) {
    if (!IsEngineLost(error)) throw;
    OnEngineLost();
  }
}

bool CCleaningPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_CLEANING_STOP) {
    Guarded([this] { OnStop(); });
    return true;
  }
  return CBaseDlg::OnCommand(id, code, control);
}

void CCleaningPage::OnTimer(UINT_PTR id) {
  if (id == IDT_CLEANING_CHECK) {
    Guarded([this] { OnCheck(); });
  } else if (id == IDT_ENGINE_WATCH) {
    if (m_watch.Running() && m_watch.EngineGone()) OnEngineLost();
  } else {
    CBaseDlg::OnTimer(id);
  }
}

LRESULT CCleaningPage::WindowProc(UINT message, WPARAM wp, LPARAM lp) {
  if (message == msg::kCleaningEnded) {
    Guarded([this] { OnCleaningOver(); });
    return 0;
  }
  return CBaseDlg::WindowProc(message, wp, lp);
}

#include "pages/scan/FinishedPage.h"

#include "app/AppFunctions.h"
#include "app/MainFrame.h"
#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/ScanResultsFile.h"
#include "framework/WinAppEx.h"
#include "pages/scan/ScanFlowPages.h"
#include "pages/scan/ScanResultsList.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace scan_flow;

namespace {

// The cleaner's counts of the engine's results file; nothing when it cannot be read.
std::optional<CleanerCounts> ReadCleanerCounts() {
  QVnsScanResults::CARDOThreatEngineResults results;
  if (FAILED(FetchScanResults(results))) return std::nullopt;
  CleanerCounts counts;
  const auto* summary = results.summary.Get();
  const auto* cleaner = summary ? summary->cleanerResults.Get() : nullptr;
  if (const auto* n = cleaner ? cleaner->numThreats.Get() : nullptr) {
    counts.total = n->total.Get();
    counts.deleted = n->deleted.Get();
    counts.quarantined = n->quarantined.Get();
    counts.ignored = n->ignored.Get();
  }
  return counts;
}

}  // namespace

CFinishedPage::CFinishedPage()
    : CBaseDlg(IDD_FINISHED),
      m_statusGreen(LoadThemeImage(L"Images/overview/status_green.png")),
      m_statusOrange(LoadThemeImage(L"Images/overview/status_orange.png")),
      m_computerGreen(LoadThemeImage(L"Images/scan/computer_green.png")),
      m_computerOrange(LoadThemeImage(L"Images/scan/computer_orange.png")) {}

CFinishedPage::~CFinishedPage() { DestroyWindow(); }

BOOL CFinishedPage::OnInitDialog() {
  CBaseDlg::OnInitDialog();
  m_headline.SubclassDlgItem(IDC_FINISHED_HEADLINE, m_hWnd);
  m_captions.SubclassDlgItem(IDC_FINISHED_CAPTIONS, m_hWnd);
  m_numbers.SubclassDlgItem(IDC_FINISHED_NUMBERS, m_hWnd);
  ShowFinishedState(kNothingFound);
  return TRUE;
}

void CFinishedPage::OnDestroy() {
  KillTimer(IDT_RESTART);
  // The borrowed list belongs to another page: it must not go with this one.
  if (m_list && m_list->m_hWnd && m_list->GetParent() == m_hWnd) {
    m_list->ShowWindow(SW_HIDE);
    ::SetParent(m_list->m_hWnd, GetParent());
  }
  CBaseDlg::OnDestroy();
}

void CFinishedPage::AdoptThreatList(CScanResultsList* list) {
  m_list = list;
  if (!list) return;
  if (list->m_hWnd && m_hWnd) list->AttachTo(m_hWnd, m_layout.list);
  list->SetLinkMode(false);
  list->SetEmptyText(Theme().LoadResString(IDS_TITLE_NOTHING_FOUND));
  LayOut();
}

void CFinishedPage::ShowFinishedState(int state) {
  const FinishedView view = ViewForFinishedState(state);
  CThemeResources& t = Theme();
  m_state = state;
  m_bannerTitle = t.LoadResString(view.bannerTitle);
  m_headline.SetText(t.LoadResString(view.headline));
  if (view.numbersShown) {
    ListCounts counts;
    if (m_list)
      counts = ListCounts{m_list->RecordCount(), m_list->HandledRecords(), m_list->TotalTraces(),
                          m_list->HandledTraces()};
    m_numbers.SetText(FinishedNumbers(ReadCleanerCounts(), counts));
  }
  if (m_captions.m_hWnd) m_captions.ShowWindow(view.numbersShown ? SW_SHOW : SW_HIDE);
  if (m_numbers.m_hWnd) m_numbers.ShowWindow(view.numbersShown ? SW_SHOW : SW_HIDE);
  m_restartOffer = view.offerRestart;
  m_orange = view.orange;
  LayOut();
}

void CFinishedPage::Refresh() {
  if (m_hWnd) Invalidate(FALSE);
}

void CFinishedPage::LayOut() {
  if (!m_hWnd) return;
  const RECT c = GetClientRect();
  m_layout = ComputeFinishedLayout(c.right, c.bottom, ImageSize(m_statusGreen.get()),
                                   ImageSize(m_computerGreen.get()));
  if (m_headline.m_hWnd) m_headline.MoveWindow(m_layout.headline, FALSE);
  if (m_captions.m_hWnd) m_captions.MoveWindow(m_layout.captions, FALSE);
  if (m_numbers.m_hWnd) m_numbers.MoveWindow(m_layout.numbers, FALSE);
  if (HWND close = GetDlgItem(IDC_FINISHED_CLOSE))
    ::MoveWindow(close, m_layout.close.left, m_layout.close.top, fw::Width(m_layout.close),
                 fw::Height(m_layout.close), FALSE);
  if (m_list && m_list->m_hWnd && m_list->GetParent() == m_hWnd) m_list->MoveList(m_layout.list);
  Invalidate(FALSE);
}

void CFinishedPage::OnSize(UINT type, int cx, int cy) {
  CBaseDlg::OnSize(type, cx, cy);
  LayOut();
}

void CFinishedPage::DrawContent(Gdiplus::Graphics& g) {
  CThemeResources& t = Theme();
  const RECT& b = m_layout.banner;
  Gdiplus::Bitmap* status = m_orange ? m_statusOrange.get() : m_statusGreen.get();
  Gdiplus::Bitmap* computer = m_orange ? m_computerOrange.get() : m_computerGreen.get();
  DrawStatusBanner(g, status, m_bannerTitle, t.GetFont(L"client/header"),
                   t.GetColor(m_orange ? L"general/header/orange_top" : L"general/header/green_top"),
                   t.GetColor(m_orange ? L"general/header/orange_bottom"
                                       : L"general/header/green_bottom"),
                   t.GetColor(L"general/header/title"), b.left, b.top, fw::Width(b), fw::Height(b));
  if (computer) {
    const SIZE s = ImageSize(computer);
    g.DrawImage(computer, static_cast<INT>(m_layout.computer.x),
                static_cast<INT>(m_layout.computer.y), static_cast<INT>(s.cx),
                static_cast<INT>(s.cy));
  }
}

void CFinishedPage::OnShowWindow(BOOL show, UINT status) {
  CBaseDlg::OnShowWindow(show, status);
  if (!show) return;
  if (CMainFrame* frame = GetMainFrame()) frame->SetTabsEnabled(true);
  if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(settings::kFromSchedule, 0);
  if (m_restartOffer) {
    m_restartOffer = false;
    SetTimer(IDT_RESTART, kRestartDelayMs);
  }
}

void CFinishedPage::AskRestart() {
  KillTimer(IDT_RESTART);
  if (!AskYesNo(m_hWnd, IDS_RESTART_QUESTION)) return;
  if (CWinAppEx* app = AfxGetApp()) {
    const int value = app->ReadProfileInt(settings::kAlwaysRebootAfterClean,
                                          settings::kProbeAlwaysRebootAfterClean);
    if (AlwaysRebootValueExists(value)) app->WriteProfileInt(settings::kAlwaysRebootAfterClean, 0);
  }
  RestartComputer();
}

void CFinishedPage::OnTimer(UINT_PTR id) {
  if (id == IDT_RESTART)
    AskRestart();
  else
    CBaseDlg::OnTimer(id);
}

bool CFinishedPage::OnCommand(UINT id, UINT code, HWND control) {
  if (id == IDC_FINISHED_CLOSE) {
    if (CMainFrame* frame = GetMainFrame()) {
      frame->SetTabsEnabled(true);
      frame->SelectTab(CMainFrame::kTabOverview, false);
    }
    return true;
  }
  return CBaseDlg::OnCommand(id, code, control);
}

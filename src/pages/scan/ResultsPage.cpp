#include "pages/scan/ResultsPage.h"

#include <ctime>

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "controls/Drawing.h"
#include "engine/EngineDateTime.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "engine/EngineString.h"
#include "engine/ScanResultsFile.h"
#include "framework/WinAppEx.h"
#include "pages/scan/CleaningPage.h"
#include "theme/TextFormat.h"
#include "themedata/resource.h"

using namespace Gdiplus;

namespace {

constexpr wchar_t kCleanImage[] = L"images/scan/clean.png";
constexpr wchar_t kCleanOverImage[] = L"images/scan/clean_over.png";
constexpr wchar_t kCleanDownImage[] = L"images/scan/clean_down.png";

RECT RectAt(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

int SeverityIndex(threat::Severity s) { return static_cast<int>(s); }

// Deletes a file when the scope ends, whatever way it ends.
class FileRemover {
 public:
  explicit FileRemover(std::wstring path) : m_path(std::move(path)) {}
  ~FileRemover() {
    if (!m_path.empty()) ::DeleteFileW(m_path.c_str());
  }
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;

 private:
  std::wstring m_path;
};

std::wstring LocalNowText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return FormatEngineDateTime(now);
}

}  // namespace

ResultsLayout ComputeResultsLayout(SIZE client, SIZE statusPicture, SIZE computerPicture,
                                   SIZE cleanButton) {
  const int W = client.cx, H = client.cy;
  ResultsLayout l{};
  l.banner = RECT{10, 10, W - 10, statusPicture.cy + 20};
  l.computer = RectAt(W - 15 - computerPicture.cx, 15, computerPicture.cx, computerPicture.cy);
  const int belowBanner = l.banner.bottom + 10;
  l.cleanTop = RectAt(l.computer.left - 15 - cleanButton.cx, belowBanner, cleanButton.cx,
                    cleanButton.cy);
  l.summary = RECT{15, belowBanner, std::max<LONG>(l.cleanTop.left - 30, 15),
                   std::max<LONG>(l.computer.bottom, belowBanner)};
  l.close = RectAt(15, H - 34, 80, 24);
  l.cleanBottom = RectAt(W - 15 - cleanButton.cx, H - 10 - cleanButton.cy, cleanButton.cx,
                       cleanButton.cy);
  const int listTop = l.computer.bottom + 5;
  l.list = RECT{15, listTop, W - 15, std::max<int>(H - 25 - cleanButton.cy, listTop)};
  return l;
}

int AddIgnoredThreats(QVnsScanConfig::CScanConfig& config,
                      const QVnsScanResults::CARDOThreatEngineResults& results,
                      const std::wstring& localDateTime) {
  int added = 0;
  const QVnsScanResults::Cthreats* threats = results.threats.Get();
  if (threats) {
    for (const QVnsScanResults::Cthreat_2& t : threats->threat) {
      if (t.actionRequested.Get() != threat::kActionIgnore) continue;
      QVnsScanConfig::CIgnoredThreat& ignored = config.IgnoredThreats.Create().IgnoredThreat.Append();
      ignored.Source.Set(1);
      ignored.Id.Set(t.id.Get());
      ignored.DateTimeAdded.Set(localDateTime);
      ++added;
    }
  }
  config.IgnoredThreats.Create().IsDirty.Set(true);
  return added;
}

CResultsPage::CResultsPage() : CBaseDlg(IDD_RESULTS) {
  m_textColor = Theme().GetColor(L"pages/title");
  for (threat::Severity s : {threat::Severity::Red, threat::Severity::Orange,
                             threat::Severity::Green}) {
    const threat::SeverityLook& look = threat::LookOf(s);
    m_statusPictures[static_cast<size_t>(SeverityIndex(s))] = LoadThemeImage(look.statusPicture);
    m_computerPictures[static_cast<size_t>(SeverityIndex(s))] =
        LoadThemeImage(look.computerPicture);
  }
}

CResultsPage::~CResultsPage() { DestroyWindow(); }

Bitmap* CResultsPage::StatusPicture(threat::Severity s) {
  return m_statusPictures[static_cast<size_t>(SeverityIndex(s))].get();
}

Bitmap* CResultsPage::ComputerPicture(threat::Severity s) {
  return m_computerPictures[static_cast<size_t>(SeverityIndex(s))].get();
}

BOOL CResultsPage::OnInitDialog() {
  m_cleanBottom.SubclassDlgItem(IDC_RESULTS_CLEAN_BOTTOM, m_hWnd);
  m_cleanBottom.SetImages(kCleanImage, kCleanOverImage, kCleanDownImage, L"");
  m_cleanTop.SubclassDlgItem(IDC_RESULTS_CLEAN_TOP, m_hWnd);
  m_cleanTop.SetImages(kCleanImage, kCleanOverImage, kCleanDownImage, L"");
  m_summaryLabel.SubclassDlgItem(IDC_RESULTS_SUMMARY, m_hWnd);
  m_summaryLabel.m_textColor = Theme().GetColor(L"pages/title");
  ResultsLayout l = CurrentLayout();
  m_list.CreateThreatList(m_hWnd, l.list);
  m_list.SetLinkMode(true);
  // Tab order: the top clean button, the list, the close and bottom clean buttons.
  ::SetWindowPos(m_list.m_hWnd, m_cleanTop.m_hWnd, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Layout();
  UpdateSummary();
  return FALSE;
}

ResultsLayout CResultsPage::CurrentLayout() {
  RECT rc = m_hWnd ? GetClientRect() : RECT{};
  const threat::Severity s = threat::SeverityOf(m_list.LowestLevel());
  SIZE button{74, 20};
  if (m_cleanBottom.m_hWnd) {
    RECT b = m_cleanBottom.GetClientRect();
    button = SIZE{b.right, b.bottom};
  }
  return ComputeResultsLayout(SIZE{rc.right, rc.bottom}, ImageSize(StatusPicture(s)),
                              ImageSize(ComputerPicture(s)), button);
}

void CResultsPage::Layout() {
  if (!m_hWnd) return;
  ResultsLayout l = CurrentLayout();
  auto place = [](HWND w, const RECT& r) {
    if (w) ::MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  };
  place(m_cleanTop.m_hWnd, l.cleanTop);
  place(m_cleanBottom.m_hWnd, l.cleanBottom);
  place(m_summaryLabel.m_hWnd, l.summary);
  place(GetDlgItem(IDC_RESULTS_CLOSE), l.close);
  if (m_list.m_hWnd && ::GetParent(m_list.m_hWnd) == m_hWnd) m_list.MoveList(l.list);
  Invalidate(FALSE);
}

void CResultsPage::OnSize(UINT, int, int) { Layout(); }

std::wstring CResultsPage::BannerTitle() {
  return FormatCounted(Theme(), threat::kStrResultsTitle,
                       {m_list.RecordCount(), m_list.TotalTraces()});
}

void CResultsPage::UpdateSummary() {
  m_summary = FormatCounted(Theme(), threat::kStrResultsSummary,
                            {m_list.RecordCount(), m_list.TotalTraces()});
  if (m_summaryLabel.m_hWnd) {
    m_summaryLabel.m_text = m_summary;
    m_summaryLabel.SetText(m_summary);
    m_summaryLabel.Invalidate(FALSE);
  }
  if (m_hWnd) Invalidate(FALSE);
}

void CResultsPage::ImportScanResults() {
  if (m_hWnd) m_list.AttachTo(m_hWnd, CurrentLayout().list);
  m_list.SetLinkMode(true);
  if (SUCCEEDED(FetchScanResults(m_results))) {
    m_list.ClearThreats();
    if (QVnsScanResults::Cthreats* threats = m_results.threats.Get())
      for (QVnsScanResults::Cthreat_2& t : threats->threat) m_list.AddResultThreat(t);
    m_list.RefreshRows();
  } else {
    ::OutputDebugStringW(L"results page: the engine's results file could not be read\n");
  }
  Layout();  // the pictures follow the lowest level
  UpdateSummary();
}

void CResultsPage::CleanSelectedThreats() {
  // Threats to ignore from now on go to the scan configuration first.
  QVnsScanConfig::CScanConfig config;
  if (SUCCEEDED(FetchDocument(config, EngineDocuments::kScanConfig))) {
    AddIgnoredThreats(config, m_results, LocalNowText());
    if (FAILED(StoreDocument(config, EngineDocuments::kScanConfig)))
      ::OutputDebugStringW(L"results page: the ignored threats could not be stored\n");
  } else {
    ::OutputDebugStringW(L"results page: the scan configuration could not be read\n");
  }

  auto control = Checked(Engine().ScanControl());
  EngineString enginePath;
  CheckEngine(control->GetScanResultsFile(enginePath.Out()), control);
  std::wstring requestPath;
  if (FAILED(WriteCleanRequest(m_results, enginePath.View(), requestPath)))
    ::OutputDebugStringW(L"results page: the clean request could not be written\n");
  CMainFrame* frame = GetMainFrame();
  CCleaningPage* cleaning = frame ? frame->CleaningPage() : nullptr;
  {
    // The request is the engine's to read during the call only; it goes also
    // when the call fails.
    FileRemover remover(requestPath);
    if (cleaning) cleaning->PrepareCleaning(requestPath);
    EngineString request(requestPath);
    CheckEngine(control->CleanThreats(request.Get()), control);
  }
  if (frame) frame->SetTabPage(CMainFrame::kTabScan, cleaning);
}

void CResultsPage::CloseResults() {
  if (CWinAppEx* app = AfxGetApp()) app->WriteProfileInt(settings::kFromSchedule, 0);
  CMainFrame* frame = GetMainFrame();
  if (frame) frame->SetTabsEnabled(true);
  auto control = Checked(Engine().ScanControl());
  CheckEngine(control->ResetScan(), control);
  if (frame) frame->SelectTab(CMainFrame::kTabOverview, false);
}

bool CResultsPage::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case IDC_RESULTS_CLEAN_BOTTOM:
    case IDC_RESULTS_CLEAN_TOP:
      CleanSelectedThreats();
      return true;
    case IDC_RESULTS_CLOSE:
      if (code == BN_CLICKED) CloseResults();
      return true;
    default:
      return CBaseDlg::OnCommand(id, code, control);
  }
}

void CResultsPage::DrawContent(Graphics& g) {
  ResultsLayout l = CurrentLayout();
  const threat::Severity s = threat::SeverityOf(m_list.LowestLevel());
  const threat::SeverityLook& look = threat::LookOf(s);
  CThemeResources& theme = Theme();
  DrawStatusBanner(g, StatusPicture(s), BannerTitle(), theme.GetFont(L"client/header"),
                   theme.GetColor(look.bannerTop), theme.GetColor(look.bannerBottom),
                   theme.GetColor(L"general/header/title"), l.banner.left, l.banner.top,
                   l.banner.right - l.banner.left, l.banner.bottom - l.banner.top);
  if (Bitmap* computer = ComputerPicture(s))
    g.DrawImage(computer, static_cast<INT>(l.computer.left), static_cast<INT>(l.computer.top),
                static_cast<INT>(l.computer.right - l.computer.left),
                static_cast<INT>(l.computer.bottom - l.computer.top));
}

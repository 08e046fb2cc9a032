#include "app/MainFrame.h"

#include <shlwapi.h>

#include "alerts/AlertRules.h"
#include "alerts/LightBoxWnd.h"
#include "app/AppFunctions.h"
#include "app/CloseRules.h"
#include "app/CommandLineParser.h"
#include "app/ContextScan.h"
#include "app/MainFrameSinks.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "engine/EventSinks.h"
#include "framework/Messages.h"
#include "pages/lists/IgnorePage.h"
#include "pages/lists/QuarantinePage.h"
#include "app/AboutDlg.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/OverviewPage.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanningPage.h"
#include "pages/settings/SettingsPage.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

CMainFrame* GetMainFrame() {
  auto* app = dynamic_cast<CRodeRedudApp*>(AfxGetApp());
  return app ? app->MainFrame() : nullptr;
}

CMainFrame::CMainFrame() : m_sinks(std::make_unique<CMainFrameSinks>(*this)) {
  m_sinks->ConnectAtConstruction();
}

CMainFrame::~CMainFrame() {
  // Pages and sinks must go while the window still exists.
  DestroyWindow();
  DestroyPages();
}

bool CMainFrame::CreateMainWindow() {
  const std::wstring cls = Theme().GetString(L"ucn");
  HICON icon = ::LoadIconW(Theme().ResourceModule(), MAKEINTRESOURCEW(IDI_APP));
  const RECT r{0, 0, 800, 600};
  return CreateFrame(cls.c_str(), Theme().LoadResString(IDS_APP_TITLE).c_str(), kWindowStyle, 0, r,
                     nullptr, icon);
}

void CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
  cs.style = static_cast<LONG>(kWindowStyle);
  cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs) {
  if (CBaseFrameWnd::OnCreate(cs) == -1) return -1;
  if (auto* app = dynamic_cast<CRodeRedudApp*>(AfxGetApp())) app->SetMainFrame(this);
  CreatePages();
  CThemeResources& t = Theme();
  AddTab(t.LoadResString(IDS_TAB_OVERVIEW), L"Images\\tabs\\overview.png", m_overview.get());
  AddTab(t.LoadResString(IDS_TAB_SCAN), L"Images\\tabs\\scan.png", m_scan.get());
  AddTab(t.LoadResString(IDS_TAB_QUARANTINE), L"Images\\tabs\\quarantine.png", m_quarantine.get());
  AddTab(t.LoadResString(IDS_TAB_IGNORE), L"Images\\tabs\\ignore.png", m_ignore.get());
  AddTab(t.LoadResString(IDS_TAB_SETTINGS), L"Images\\tabs\\settings.png", m_settings.get());
  AddFrameButton(ID_FRAME_ABOUT, t.LoadResString(IDS_ABOUT), L"Images\\frame\\about.png");
  AddFrameButton(ID_FRAME_HELP, t.LoadResString(IDS_HELP), L"Images\\frame\\help.png");
  m_tray.Attach(m_hWnd);
  m_tray.SetMenu(t.ResourceModule(), IDR_TRAY_MENU);
  // The notification area is slow to answer: the icon is added right after the
  // window's first paint rather than before it.
  Post(kMsgAddTrayIcon);
  m_sinks->ConnectAtWindowCreation(m_hWnd);
  SelectTab(kTabOverview, false);
  return 0;
}

void CMainFrame::CreatePages() {
  m_overview = std::make_unique<COverviewPage>();
  m_scan = std::make_unique<CScanPage>();
  m_scanning = std::make_unique<CScanningPage>();
  m_results = std::make_unique<CResultsPage>();
  m_cleaning = std::make_unique<CCleaningPage>();
  m_finished = std::make_unique<CFinishedPage>();
  m_about = std::make_unique<CAboutDlg>();
  m_settings = std::make_unique<CSettingsPage>();
  m_quarantine = std::make_unique<CQuarantinePage>();
  m_ignore = std::make_unique<CIgnorePage>();
  EnsurePageWindow(m_overview.get());
  // The other pages are not seen before the first paint and some are slow to
  // make (drop-down lists): they follow right after it.
  Post(kMsgCreatePages);
}

std::array<CBaseDlg*, 10> CMainFrame::Pages() const {
  return {m_overview.get(), m_scan.get(),  m_scanning.get(), m_results.get(),    m_cleaning.get(),
          m_finished.get(), m_about.get(), m_settings.get(), m_quarantine.get(), m_ignore.get()};
}

void CMainFrame::EnsurePageWindow(CWnd* page) {
  if (!page || page->m_hWnd || !m_hWnd) return;
  for (CBaseDlg* p : Pages()) {
    if (static_cast<CWnd*>(p) != page) continue;
    p->Create(m_hWnd);
    if (p->m_hWnd) {
      p->ShowWindow(SW_HIDE);
      PlacePage(p);
    }
    return;
  }
}

void CMainFrame::CreatePageWindows() {
  for (CBaseDlg* p : Pages()) EnsurePageWindow(p);
}

COverviewPage* CMainFrame::OverviewPage() { return Ensured(m_overview.get()); }
CScanPage* CMainFrame::ScanPage() { return Ensured(m_scan.get()); }
CScanningPage* CMainFrame::ScanningPage() { return Ensured(m_scanning.get()); }
CResultsPage* CMainFrame::ResultsPage() { return Ensured(m_results.get()); }
CCleaningPage* CMainFrame::CleaningPage() { return Ensured(m_cleaning.get()); }
CFinishedPage* CMainFrame::FinishedPage() { return Ensured(m_finished.get()); }
CAboutDlg* CMainFrame::AboutPage() { return Ensured(m_about.get()); }
CSettingsPage* CMainFrame::SettingsPage() { return Ensured(m_settings.get()); }
CQuarantinePage* CMainFrame::QuarantinePage() { return Ensured(m_quarantine.get()); }
CIgnorePage* CMainFrame::IgnorePage() { return Ensured(m_ignore.get()); }

void CMainFrame::DestroyPages() {
  m_ignore.reset();
  m_quarantine.reset();
  m_settings.reset();
  m_about.reset();
  m_finished.reset();
  m_cleaning.reset();
  m_results.reset();
  m_scanning.reset();
  m_scan.reset();
  m_overview.reset();
}

void CMainFrame::OnDestroy() {
  m_tray.Remove();
  m_sinks->DisconnectAll();
  // Event texts posted but not yet handled would be lost with the window.
  DiscardEventTexts(m_hWnd, msg::kActiveProtectionEvent);
  KillTimer(IDT_RECONNECT);
  KillTimer(IDT_CLOSE_DIALOG);
  if (auto* app = dynamic_cast<CRodeRedudApp*>(AfxGetApp()); app && app->MainFrame() == this)
    app->SetMainFrame(nullptr);
  CBaseFrameWnd::OnDestroy();
}

// ---- navigation ---------------------------------------------------------------

void CMainFrame::SetTabsEnabled(bool enabled) {
  m_navigationLocked = !enabled;
  CBaseFrameWnd::SetTabsEnabled(enabled);
}

void CMainFrame::OnGoToStartPage(int tab, bool userInitiated) {
  if (!userInitiated) return;
  if (tab == kTabOverview)
    SetTabPage(kTabOverview, m_overview.get());
  else if (tab == kTabScan)
    SetTabPage(kTabScan, m_scan.get());
}

void CMainFrame::GoToStartPage(int tab, bool userInitiated) { OnGoToStartPage(tab, userInitiated); }

void CMainFrame::RequestShutdown() {
  m_shutdownRequested = true;
  Post(WM_CLOSE);
}

void CMainFrame::MainFrameStatusRefresh() {
  InvalidateChrome();
  RepaintNow();
  if (CSettingsPage* settings = SettingsPage()) settings->ApplyActiveProtectionDefaults();
  if (CAboutDlg* about = AboutPage()) about->Refresh();
  if (CFinishedPage* finished = FinishedPage()) finished->Refresh();
  UpdateTrayIcon();
}

void CMainFrame::UpdateTrayIcon() {
  CThemeResources& t = Theme();
  m_tray.SetMenu(t.ResourceModule(), IDR_TRAY_MENU);
  m_tray.SetIconAndTip(::LoadIconW(t.ResourceModule(), MAKEINTRESOURCEW(IDI_APP)),
                       EscapeTrayTip(t.LoadResString(IDS_PRODUCT_NAME)).c_str());
}

void CMainFrame::BringUp() {
  m_startHidden = false;
  if (::IsIconic(m_hWnd)) ShowWindow(SW_RESTORE);
  ShowWindow(SW_SHOW);
  ::SetForegroundWindow(m_hWnd);
}

void CMainFrame::BeginScan(LONG scanType) {
  if (CScanPage* scan = ScanPage()) scan->BeginScan(scanType);
}

void CMainFrame::CheckForProgramUpdates() {
  if (!m_navigationLocked) RunUpdater();
}

void CMainFrame::OnWindowPosChanging(WINDOWPOS* pos) {
  if (m_startHidden) pos->flags &= ~SWP_SHOWWINDOW;
  CBaseFrameWnd::OnWindowPosChanging(pos);
}

// ---- messages -----------------------------------------------------------------

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case msg::kHandOver:
      OnHandOver();
      return 0;
    case msg::kScanStarted:
      OnScanStateChanged(static_cast<LONG>(wp));
      return 0;
    case msg::kActiveProtectionEvent:
      OnActiveProtectionEvent(lp);
      return 0;
    case msg::kTrayCallback:
      OnTrayNotification(wp, lp);
      return 0;
    case msg::kDefinitionsUpdated:
      OnDefinitionsUpdated();
      return 0;
    case kMsgAddTrayIcon:
      UpdateTrayIcon();
      return 0;
    case kMsgCreatePages:
      CreatePageWindows();
      return 0;
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wp));
      return 0;
    default:
      return CBaseFrameWnd::WindowProc(msg, wp, lp);
  }
}

void CMainFrame::OnHandOver() {
  if (!m_startHidden) {
    if (::IsIconic(m_hWnd)) ShowWindow(SW_RESTORE);
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
  }
  m_startHidden = false;
  std::wstring line;
  if (CWinAppEx* app = AfxGetApp()) line = app->ReadProfileText(settings::kCommandLine, L"");
  CCommandLineParser parser;
  parser.ParseCommandLine(line);
  if (parser.HasSwitch(L"shutdown")) {
    RequestShutdown();
    return;
  }
  if (std::optional<ContextScanRequest> request = ContextScanFromCommandLine(parser)) {
    OnContextScanRequest(*request);
    return;
  }
  // Like the tray's scan items: a running scan is left alone.
  if (parser.GetSwitchValue(L"scan") == L"quick" && !m_navigationLocked) BeginScan(0);
}

void CMainFrame::OnContextScanRequest(const ContextScanRequest& request) {
  BringUp();
  // Explorer may start one process per selected item; the requests that come
  // in together make one scan.
  MergeContextScanRequest(m_pendingContextScan, request);
  SetTimer(IDT_CONTEXT_SCAN, kContextScanGatherMs);
}

void CMainFrame::StartContextScan() {
  KillTimer(IDT_CONTEXT_SCAN);
  ContextScanRequest request = std::move(m_pendingContextScan);
  m_pendingContextScan = {};
  if (request.paths.empty()) return;
  CThemeResources& t = Theme();
  const std::wstring caption = t.GetString(L"app_name");
  if (m_navigationLocked) {
    AppMessageBox(m_hWnd, t.LoadResString(IDS_CONTEXT_SCAN_RUNNING), caption,
                  MB_OK | MB_ICONINFORMATION);
    return;
  }
  ContextScanPaths split = SplitContextScanPaths(request.paths, [](const std::wstring& path) {
    return PathFileExistsW(path.c_str()) != FALSE;
  });
  if (!split.missing.empty())
    AppMessageBox(m_hWnd,
                  MissingPathsMessage(t.LoadResString(IDS_CONTEXT_ITEMS_NOT_FOUND), split.missing),
                  caption, MB_OK | MB_ICONWARNING);
  if (split.existing.empty()) return;
  if (CScanPage* scan = ScanPage()) scan->BeginScanOfPaths(split.existing);
}

void CMainFrame::OnTrayNotification(WPARAM, LPARAM event) {
  if (event != NIN_BALLOONUSERCLICK) return;
  BringUp();
  const bool canAct = !m_navigationLocked && IsWindowEnabled();
  switch (alerts::ActionForBalloonClick(m_balloonKind)) {
    case alerts::BalloonClickAction::OpenQuarantine:
      if (canAct) {
        const bool wasVisible = m_quarantine && m_quarantine->IsWindowVisible();
        SetTabsEnabled(true);
        if (GetTabCount() > kTabQuarantine) SelectTab(kTabQuarantine, false);
        RepaintNow();
        if (wasVisible && m_quarantine) m_quarantine->ReloadList();
      }
      break;
    case alerts::BalloonClickAction::QuickScan:
      if (canAct) BeginScan(0);
      break;
    case alerts::BalloonClickAction::None:
      break;
  }
}

bool CMainFrame::IsTrayCommandEnabled(UINT command) const {
  switch (command) {
    case ID_TRAY_QUICK_SCAN:
    case ID_TRAY_FULL_SCAN:
    case ID_TRAY_UPDATE:
      return !m_navigationLocked;
    case ID_TRAY_EXIT:
      return IsWindowEnabled() != FALSE;
    default:
      return true;
  }
}

void CMainFrame::OnInitMenuPopup(HMENU menu) {
  static constexpr UINT kQueried[] = {ID_TRAY_STATUS, ID_TRAY_QUICK_SCAN, ID_TRAY_FULL_SCAN,
                                      ID_TRAY_UPDATE, ID_TRAY_EXIT};
  for (UINT id : kQueried)
    ::EnableMenuItem(menu, id, MF_BYCOMMAND | (IsTrayCommandEnabled(id) ? MF_ENABLED : MF_GRAYED));
}

bool CMainFrame::OnCommand(UINT id, UINT code, HWND control) {
  switch (id) {
    case ID_FRAME_ABOUT:
      SetTabsEnabled(true);
      ShowStandalonePage(m_about.get());
      return true;
    case ID_FRAME_HELP:
      AppShellExecute(L"open", Theme().GetString(L"urls/help"), L"", SW_SHOW);
      return true;
    case ID_TRAY_OPEN:
    case ID_TRAY_STATUS:
      BringUp();
      return true;
    case ID_TRAY_QUICK_SCAN:
    case ID_TRAY_FULL_SCAN:
      if (!IsTrayCommandEnabled(id)) return true;
      BringUp();
      if (!m_navigationLocked && IsWindowEnabled()) BeginScan(id == ID_TRAY_QUICK_SCAN ? 0 : 1);
      return true;
    case ID_TRAY_UPDATE:
      CheckForProgramUpdates();
      return true;
    case ID_TRAY_EXIT:
      if (IsWindowEnabled()) {
        m_exitRequested = true;
        Post(WM_CLOSE);
      }
      return true;
    default:
      return CBaseFrameWnd::OnCommand(id, code, control);
  }
}

// ---- closing ------------------------------------------------------------------

HWND CMainFrame::FindOpenLightBox() const {
  // The popups are owned windows of the frame: they sit above it in z-order.
  for (HWND h = ::GetWindow(m_hWnd, GW_HWNDPREV); h; h = ::GetWindow(h, GW_HWNDPREV)) {
    if (::GetAncestor(h, GA_ROOTOWNER) != m_hWnd || !::IsWindowVisible(h)) continue;
    if (dynamic_cast<CLightBoxWnd*>(CWnd::FromHandle(h))) return h;
  }
  return nullptr;
}

void CMainFrame::OnClose() {
  if (auto* app = AfxGetApp()) m_showCloseDlg = app->ReadProfileInt(settings::kShowCloseDlg, 1);
  HWND lightBox = m_shutdownRequested ? FindOpenLightBox() : nullptr;
  const close_rules::CloseDecision d =
      close_rules::DecideClose({m_shutdownRequested, m_navigationLocked, m_exitRequested,
                                lightBox != nullptr, m_showCloseDlg});
  if (d.endLightBoxAndRetry) {
    if (auto* box = dynamic_cast<CLightBoxWnd*>(CWnd::FromHandle(lightBox))) box->EndDialog(0);
    Post(WM_CLOSE);
    return;
  }
  if (d.clearExitRequested) m_exitRequested = false;
  if (d.askFirst) {
    ShowWindow(SW_RESTORE);
    SetTimer(IDT_CLOSE_DIALOG, 100);
    return;
  }
  if (d.hide) {
    ShowWindow(SW_HIDE);
    return;
  }
  if (d.stopScan) StopScanForShutdown();
  // Really closing: the tray icon and the sinks go with the window (OnDestroy).
  DestroyWindow();
}

void CMainFrame::OnTimer(UINT_PTR id) {
  if (id == IDT_RECONNECT)
    OnReconnectTick();
  else if (id == IDT_CLOSE_DIALOG)
    OnCloseDialogTick();
  else if (id == IDT_CONTEXT_SCAN)
    StartContextScan();
  else
    CBaseFrameWnd::OnTimer(id);
}

void CMainFrame::OnCloseDialogTick() {
  KillTimer(IDT_CLOSE_DIALOG);
  if (ShowCloseDialog() == IDOK) ShowWindow(SW_HIDE);
}

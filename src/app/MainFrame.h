#pragma once
// CMainFrame: the one top-level window of the interactive program. It owns
// every page, the tray icon and the engine event sinks, switches pages,
// receives the command line of later starts and decides what closing means.
#include <windows.h>

#include <array>
#include <memory>

#include "app/BaseFrameWnd.h"
#include "app/ContextScan.h"
#include "app/TrayIcon.h"
#include "themedata/resource.h"

class CBaseDlg;
class CMainFrameSinks;
class COverviewPage;
class CScanPage;
class CScanningPage;
class CResultsPage;
class CCleaningPage;
class CFinishedPage;
class CAboutDlg;
class CSettingsPage;
class CQuarantinePage;
class CIgnorePage;

class CMainFrame : public CBaseFrameWnd {
 public:
  enum TabIndex {
    kTabOverview = 0,
    kTabScan = 1,
    kTabQuarantine = 2,
    kTabIgnore = 3,
    kTabSettings = 4
  };
  // A context-menu scan starts once the requests of one selection are in.
  static constexpr UINT kContextScanGatherMs = 300;
  static constexpr DWORD kWindowStyle = 0x828F0000;
  // Frame-private: add the tray icon once the window has been created.
  static constexpr UINT kMsgAddTrayIcon = WM_APP + 2;
  // Frame-private: make the page windows not made yet (posted at creation, so it
  // runs after the first paint).
  static constexpr UINT kMsgCreatePages = WM_APP + 3;

  CMainFrame();
  ~CMainFrame() override;

  // Creates the window: class = the theme string "ucn", a captionless pop-up.
  bool CreateMainWindow();

  // "minimize": the window must not become visible until brought up.
  void SetStartHidden(bool hidden) { m_startHidden = hidden; }
  bool StartHidden() const { return m_startHidden; }
  // Restore if minimised, show, foreground; clears StartHidden.
  void BringUp();
  // A context-menu scan request is gathered and not acted on yet.
  bool ContextScanPending() const { return !m_pendingContextScan.paths.empty(); }

  // Navigation offered to the pages.
  void SetTabsEnabled(bool enabled) override;
  bool NavigationLocked() const { return m_navigationLocked; }
  void GoToStartPage(int tab, bool userInitiated);
  void RequestShutdown() override;
  void MainFrameStatusRefresh();
  // The one entry for starting a scan from the user interface.
  void BeginScan(LONG scanType);
  // Runs the updater's check with its own user interface, unless a scan or a
  // cleaning runs (the tray's update item and the about page's button).
  void CheckForProgramUpdates();

  // The pages. Only the first page's window is made before the first paint; the
  // others are made right after it, or here when asked for earlier.
  COverviewPage* OverviewPage();
  CScanPage* ScanPage();
  CScanningPage* ScanningPage();
  CResultsPage* ResultsPage();
  CCleaningPage* CleaningPage();
  CFinishedPage* FinishedPage();
  CAboutDlg* AboutPage();
  CSettingsPage* SettingsPage();
  CQuarantinePage* QuarantinePage();
  CIgnorePage* IgnorePage();

  CTrayIcon& Tray() { return m_tray; }
  int BalloonKind() const { return m_balloonKind; }
  bool ExitRequested() const { return m_exitRequested; }
  bool ShutdownRequested() const { return m_shutdownRequested; }
  int LastShowCloseDlg() const { return m_showCloseDlg; }
  // The frame's visible modal popup (a CLightBoxWnd), if any.
  HWND FindOpenLightBox() const;

  // Whether a tray command is enabled now (the menu's enable-state queries).
  bool IsTrayCommandEnabled(UINT command) const;

 protected:
  void OnGoToStartPage(int tab, bool userInitiated) override;
  void EnsurePageWindow(CWnd* page) override;
  bool IsNavigationLocked() const override { return m_navigationLocked; }
  void PreCreateWindow(CREATESTRUCTW& cs) override;
  int OnCreate(CREATESTRUCTW* cs) override;
  void OnDestroy() override;
  void OnClose() override;
  void OnTimer(UINT_PTR id) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;
  void OnWindowPosChanging(WINDOWPOS* pos) override;
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

  // Message handlers.
  void OnHandOver();
  // "scan" = "custom" with "path" values: brings the window up and gathers
  // the request; StartContextScan runs when the requests are in.
  void OnContextScanRequest(const ContextScanRequest& request);
  void StartContextScan();
  void OnScanStateChanged(LONG state);
  void OnActiveProtectionEvent(LPARAM text);
  void OnTrayNotification(WPARAM id, LPARAM event);
  void OnDefinitionsUpdated();
  void OnReconnectTick();
  void OnCloseDialogTick();
  void OnInitMenuPopup(HMENU menu);

  // Seams for tests: the close-to-tray dialog and the updater.
  virtual INT_PTR ShowCloseDialog();
  virtual void RunUpdater();

 private:
  // Makes the page objects and the first page's window.
  void CreatePages();
  // Makes every page window not made yet, in creation order.
  void CreatePageWindows();
  // The ten pages in their creation order.
  std::array<CBaseDlg*, 10> Pages() const;
  template <class Page>
  Page* Ensured(Page* page) {
    EnsurePageWindow(page);
    return page;
  }
  // Tip, icon and menu of the tray icon from the theme (adds the icon when absent).
  void UpdateTrayIcon();
  // A forced close while a scan runs: the scan controller stops the scan.
  void StopScanForShutdown();
  void DestroyPages();

  std::unique_ptr<CMainFrameSinks> m_sinks;
  std::unique_ptr<COverviewPage> m_overview;
  std::unique_ptr<CScanPage> m_scan;
  std::unique_ptr<CScanningPage> m_scanning;
  std::unique_ptr<CResultsPage> m_results;
  std::unique_ptr<CCleaningPage> m_cleaning;
  std::unique_ptr<CFinishedPage> m_finished;
  std::unique_ptr<CAboutDlg> m_about;
  std::unique_ptr<CSettingsPage> m_settings;
  std::unique_ptr<CQuarantinePage> m_quarantine;
  std::unique_ptr<CIgnorePage> m_ignore;
  CTrayIcon m_tray;
  int m_balloonKind = 0;
  bool m_navigationLocked = false;
  bool m_exitRequested = false;
  bool m_shutdownRequested = false;
  int m_showCloseDlg = 1;
  bool m_startHidden = false;
  int m_reconnectCountdown = 10;
  ContextScanRequest m_pendingContextScan;
};

// The process's main frame (held by the application object), or null.
CMainFrame* GetMainFrame();

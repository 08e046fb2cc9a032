// The main frame as a real window under Wine, with the fake engine.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "alerts/CloseDlg.h"
#include "alerts/LightBoxWnd.h"
#include "app/SeedEngine.h"
#include "theme/ThemeResources.h"
#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/EventSinks.h"
#include "engine/ScanController.h"
#include "engine/documents/NVPairs.h"
#include "framework/Messages.h"
#include "app/AboutDlg.h"
#include "pages/lists/IgnorePage.h"
#include "pages/lists/QuarantinePage.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/OverviewPage.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanningPage.h"
#include "pages/settings/SettingsPage.h"
#include "support/FrameHarness.h"
#include "support/Capture.h"
#include "support/DialogTemplate.h"
#include "support/FakeEngine.h"
#include "support/shipped_theme.h"
#include "themedata/resource.h"

namespace {

constexpr wchar_t kCompany[] = L"RodeRedudFrameTest";
constexpr wchar_t kTitle[] = L"Frame";

const wchar_t kNVPairs[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
    L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_full_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_count\" Value=\"7\"/>"
    L"<NVPair Name=\"last_scan_threat_level\" Value=\"2\"/>"
    L"</NVPairs>";

std::wstring APConfigWithResponse(int response) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><APConfig "
         L"KnownBadApplicationResponseEnum=\"" +
         std::to_wstring(response) + L"\"/>";
}

std::wstring APEventOfType(int type) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><APEvent EventTypeEnum=\"" +
         std::to_wstring(type) + L"\"/>";
}

// Runs queued messages, timers included, for a while.
void Pump(DWORD ms = 50) { PumpFor(ms); }

// A frame whose close-to-tray dialog and updater are observed instead of shown.
class TestFrame : public CMainFrame {
 public:
  int closeDialogs = 0;
  INT_PTR closeAnswer = IDCANCEL;
  int updaterRuns = 0;

 protected:
  INT_PTR ShowCloseDialog() override {
    ++closeDialogs;
    return closeAnswer;
  }
  void RunUpdater() override { ++updaterRuns; }
};

// A lightbox from an in-memory template (independent of the shipped templates).
class TestLightBox : public CLightBoxWnd {
 public:
  TestLightBox() : CLightBoxWnd(0, nullptr) { SetBoxSize(510, 360); }
};

// The application object of the test process, with the interactive start reachable.
class TestableApp : public CRodeRedudApp {
 public:
  using CRodeRedudApp::StartInteractive;
  using CRodeRedudApp::StopInteractive;
};

TestableApp& TestApp() {
  static TestableApp app;
  return app;
}

class MainFrameTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(LoadShippedTheme());
    CRodeRedudApp& app = TestApp();
    app.SetRegistryKey(kCompany);
    app.SetAppTitle(kTitle);
  }

  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kCompany).c_str());
    engine = std::make_unique<FakeEngine>();
    engine->SetText(L"GetConfigDocument", kNVPairs);
    ASSERT_TRUE(Engine().EnsureEngine());
    // The process's scan controller listens to this test's engine.
    CScanController::Shutdown();
    CScanController::Instance().ConnectSink();
    frame = std::make_unique<TestFrame>();
  }

  void TearDown() override {
    frame.reset();
    Engine().ReleaseAll();
    engine.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kCompany).c_str());
  }

  void CreateFrame(bool show = true) {
    ASSERT_TRUE(frame->CreateMainWindow());
    // A client area of exactly 800 x 600.
    RECT r{0, 0, 800, 600};
    AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
    SetWindowPos(frame->m_hWnd, nullptr, 10, 10, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
    if (show) frame->ShowWindow(SW_SHOW);
    Pump();
  }

  void Click(POINT pt) {
    frame->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    frame->Send(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
  }

  void HandOver(const wchar_t* commandLine) {
    TestApp().WriteProfileText(settings::kCommandLine, commandLine);
    frame->Post(msg::kHandOver, 0, 0);
    Pump();
  }

  RECT PageRectInFrame(CWnd* page) {
    RECT r = page->GetWindowRect();
    MapWindowPoints(nullptr, frame->m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  // A pair of the engine's name/value document as it stands now.
  int64_t Pair(const wchar_t* name) {
    int64_t value = -12345;
    QVnsNVPairs::ReadPairInt64(engine->Text(L"GetConfigDocument"), name, value);
    return value;
  }

  std::unique_ptr<FakeEngine> engine;
  std::unique_ptr<TestFrame> frame;
};

}  // namespace

TEST_F(MainFrameTest, CreatesTabsPagesAndButtonsInTheirPlaces) {
  CreateFrame();
  EXPECT_EQ(5, frame->GetTabCount());
  EXPECT_EQ(CMainFrame::kTabOverview, frame->GetActiveTab());
  EXPECT_EQ(frame.get(), GetMainFrame());
  const RECT client = frame->GetClientRect();
  ASSERT_EQ(800, client.right);
  ASSERT_EQ(600, client.bottom);
  CWnd* page = frame->GetVisiblePage();
  ASSERT_TRUE(page && page->m_hWnd);
  EXPECT_TRUE(page->IsWindowVisible());
  const RECT r = PageRectInFrame(page);
  EXPECT_EQ(147, r.left);
  EXPECT_EQ(94, r.top);
  EXPECT_EQ(792, r.right);
  EXPECT_EQ(592, r.bottom);
  // Every page exists, only one is visible.
  int visible = 0;
  CWnd* pages[] = {frame->OverviewPage(), frame->ScanPage(),     frame->ScanningPage(),
                   frame->ResultsPage(),  frame->CleaningPage(), frame->FinishedPage(),
                   frame->AboutPage(),    frame->SettingsPage(), frame->QuarantinePage(),
                   frame->IgnorePage()};
  for (CWnd* p : pages) {
    ASSERT_TRUE(p && p->m_hWnd);
    visible += p->IsWindowVisible() ? 1 : 0;
  }
  EXPECT_EQ(1, visible);
  // The header drags the window; the caption group closes, maximises, minimises.
  auto hit = [&](int x, int y) {
    POINT pt{x, y};
    ClientToScreen(frame->m_hWnd, &pt);
    return frame->Send(WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
  };
  EXPECT_EQ(HTCAPTION, hit(300, 40));
  EXPECT_EQ(HTCLIENT, hit(400, 300));
  const SIZE g = frame_layout::kDefaultCaptionGroup;
  const RECT closePart = frame_layout::CaptionPartRect(800, g, frame_layout::CaptionPart::Close);
  EXPECT_EQ(HTCLOSE, hit(closePart.left + 2, 5));
}

// Only the first page's window is made before the first paint; the other pages get
// theirs right after it, and whatever needs a page before then makes and places it.
TEST_F(MainFrameTest, PagesNotSeenAtTheFirstPaintFollowItOrComeWhenNeeded) {
  ASSERT_TRUE(frame->CreateMainWindow());
  RECT r{0, 0, 800, 600};
  AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
  SetWindowPos(frame->m_hWnd, nullptr, 10, 10, r.right - r.left, r.bottom - r.top, SWP_NOZORDER);
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  const RECT pageRect{147, 94, 792, 592};
  auto expectPlaced = [&](CWnd* page) {
    const RECT p = PageRectInFrame(page);
    EXPECT_EQ(pageRect.left, p.left);
    EXPECT_EQ(pageRect.top, p.top);
    EXPECT_EQ(pageRect.right, p.right);
    EXPECT_EQ(pageRect.bottom, p.bottom);
  };
  CWnd* overview = frame->GetTabPage(CMainFrame::kTabOverview);
  ASSERT_TRUE(overview && overview->m_hWnd);
  EXPECT_TRUE(overview->IsWindowVisible());
  CWnd* settings = frame->GetTabPage(CMainFrame::kTabSettings);
  CWnd* quarantine = frame->GetTabPage(CMainFrame::kTabQuarantine);
  ASSERT_TRUE(settings && quarantine);
  EXPECT_EQ(nullptr, settings->m_hWnd);
  EXPECT_EQ(nullptr, quarantine->m_hWnd);

  // Selecting a tab makes its page, in the page area, shown instead of the old one.
  frame->SelectTab(CMainFrame::kTabSettings, true);
  ASSERT_NE(nullptr, settings->m_hWnd);
  EXPECT_EQ(frame->m_hWnd, GetParent(settings->m_hWnd));
  EXPECT_TRUE(settings->IsWindowVisible());
  EXPECT_FALSE(overview->IsWindowVisible());
  expectPlaced(settings);
  // Setting a page on a tab that is not shown makes it hidden and placed.
  frame->SetTabPage(CMainFrame::kTabQuarantine, quarantine);
  ASSERT_NE(nullptr, quarantine->m_hWnd);
  EXPECT_FALSE(quarantine->IsWindowVisible());
  expectPlaced(quarantine);
  // The about page is made when the About button shows it.
  frame->Send(WM_COMMAND, ID_FRAME_ABOUT, 0);
  CWnd* about = frame->GetStandalonePage();
  ASSERT_TRUE(about && about->m_hWnd);
  EXPECT_TRUE(about->IsWindowVisible());
  expectPlaced(about);
  // A page asked for by name comes with its window.
  ASSERT_NE(nullptr, frame->ScanningPage()->m_hWnd);

  // The rest follow with the next messages: ten page windows, one of them visible.
  Pump();
  int pages = 0, visible = 0;
  for (HWND h = GetWindow(frame->m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (std::wstring(cls) != L"#32770") continue;
    ++pages;
    visible += IsWindowVisible(h) ? 1 : 0;
  }
  EXPECT_EQ(10, pages);
  EXPECT_EQ(1, visible);
  for (int tab = 0; tab < frame->GetTabCount(); ++tab) {
    CWnd* page = frame->GetTabPage(tab);
    ASSERT_TRUE(page && page->m_hWnd) << tab;
    expectPlaced(page);
  }
}

TEST_F(MainFrameTest, PlacementIsSavedAndRestored) {
  CreateFrame();
  SetWindowPos(frame->m_hWnd, nullptr, 33, 44, 900, 650, SWP_NOZORDER);
  Pump();
  EXPECT_EQ(33, TestApp().ReadProfileInt(settings::kXPos, -1));
  EXPECT_EQ(44, TestApp().ReadProfileInt(settings::kYPos, -1));
  EXPECT_EQ(900, TestApp().ReadProfileInt(settings::kWidth, -1));
  EXPECT_EQ(650, TestApp().ReadProfileInt(settings::kHeight, -1));
  // Minimising does not overwrite the placement with the far-off icon position.
  frame->ShowWindow(SW_MINIMIZE);
  Pump();
  EXPECT_EQ(33, TestApp().ReadProfileInt(settings::kXPos, -1));
  EXPECT_EQ(900, TestApp().ReadProfileInt(settings::kWidth, -1));
  frame.reset();
  // A new frame opens where the old one was; negative positions become 0.
  TestApp().WriteProfileInt(settings::kXPos, -50);
  frame = std::make_unique<TestFrame>();
  ASSERT_TRUE(frame->CreateMainWindow());
  const RECT w = frame->GetWindowRect();
  EXPECT_EQ(0, w.left);
  EXPECT_EQ(44, w.top);
  EXPECT_EQ(900, w.right - w.left);
}

TEST_F(MainFrameTest, TabsAndFrameButtonsIgnoreTheMouseWhileNavigationIsLocked) {
  CreateFrame();
  const RECT quarantineTab = frame_layout::TabRect(CMainFrame::kTabQuarantine);
  const POINT onQuarantine{quarantineTab.left + 20, quarantineTab.top + 10};
  const RECT about = frame_layout::FrameButtonRect(800, 0);  // About is the rightmost
  const POINT onAbout{about.left + 10, about.top + 10};

  frame->SetTabsEnabled(false);
  EXPECT_TRUE(frame->NavigationLocked());
  Click(onQuarantine);
  Click(onAbout);
  EXPECT_EQ(CMainFrame::kTabOverview, frame->GetActiveTab());
  EXPECT_EQ(nullptr, frame->GetStandalonePage());
  // The tray's scan and update items are greyed, exit is not.
  EXPECT_FALSE(frame->IsTrayCommandEnabled(ID_TRAY_QUICK_SCAN));
  EXPECT_FALSE(frame->IsTrayCommandEnabled(ID_TRAY_FULL_SCAN));
  EXPECT_FALSE(frame->IsTrayCommandEnabled(ID_TRAY_UPDATE));
  EXPECT_TRUE(frame->IsTrayCommandEnabled(ID_TRAY_EXIT));
  frame->Send(WM_COMMAND, ID_TRAY_UPDATE, 0);
  EXPECT_EQ(0, frame->updaterRuns);

  frame->SetTabsEnabled(true);
  Click(onQuarantine);
  EXPECT_EQ(CMainFrame::kTabQuarantine, frame->GetActiveTab());
  EXPECT_TRUE(frame->QuarantinePage()->IsWindowVisible());
  Click(onAbout);
  EXPECT_EQ(static_cast<CWnd*>(frame->AboutPage()), frame->GetStandalonePage());
  EXPECT_TRUE(frame->AboutPage()->IsWindowVisible());
  EXPECT_FALSE(frame->QuarantinePage()->IsWindowVisible());
  // A press on one tab released over another selects nothing.
  const RECT settingsTab = frame_layout::TabRect(CMainFrame::kTabSettings);
  frame->Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(onQuarantine.x, onQuarantine.y));
  frame->Send(WM_LBUTTONUP, 0, MAKELPARAM(settingsTab.left + 5, settingsTab.top + 5));
  EXPECT_EQ(static_cast<CWnd*>(frame->AboutPage()), frame->GetStandalonePage());
}

TEST_F(MainFrameTest, ClickOnScanTabReturnsToTheScanPage) {
  CreateFrame();
  frame->SetTabPage(CMainFrame::kTabScan, frame->FinishedPage());
  frame->SelectTab(CMainFrame::kTabScan, false);
  EXPECT_EQ(static_cast<CWnd*>(frame->FinishedPage()), frame->GetTabPage(CMainFrame::kTabScan));
  const RECT scanTab = frame_layout::TabRect(CMainFrame::kTabScan);
  Click(POINT{scanTab.left + 20, scanTab.top + 10});
  EXPECT_EQ(static_cast<CWnd*>(frame->ScanPage()), frame->GetTabPage(CMainFrame::kTabScan));
  EXPECT_TRUE(frame->ScanPage()->IsWindowVisible());
  EXPECT_FALSE(frame->FinishedPage()->IsWindowVisible());
}

TEST_F(MainFrameTest, CloseGoesToTheTrayAsTheSettingSays) {
  struct Case {
    const char* name;
    int showCloseDlg;  // -1: absent
    INT_PTR answer;
    bool dialogShown;
    bool visibleAfter;
  } cases[] = {
      {"absent, OK", -1, IDOK, true, false},
      {"1, Cancel", 1, IDCANCEL, true, true},
      {"0", 0, IDOK, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    frame = std::make_unique<TestFrame>();
    CreateFrame();
    if (c.showCloseDlg >= 0) TestApp().WriteProfileInt(settings::kShowCloseDlg, c.showCloseDlg);
    frame->closeAnswer = c.answer;
    frame->Post(WM_CLOSE);
    Pump(300);  // the dialog follows 100 ms later
    ASSERT_TRUE(IsWindow(frame->m_hWnd)) << "closing only hides the window";
    EXPECT_EQ(c.dialogShown ? 1 : 0, frame->closeDialogs);
    EXPECT_EQ(c.visibleAfter, frame->IsWindowVisible() != FALSE);
    EXPECT_TRUE(frame->Tray().HasIcon());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, TestApp().ProfileKeyPath().c_str(),
                       settings::kShowCloseDlg);
  }
  // The tray's exit item really closes, even with ShowCloseDlg 1.
  TestApp().WriteProfileInt(settings::kShowCloseDlg, 1);
  const HWND hwnd = frame->m_hWnd;
  frame->Send(WM_COMMAND, ID_TRAY_EXIT, 0);
  Pump(200);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(frame->Tray().HasIcon());
}

TEST_F(MainFrameTest, ShutdownHandOverClosesAnOpenLightBoxFirst) {
  CreateFrame();
  TestApp().WriteProfileText(settings::kCommandLine, L"/shutdown");
  const HWND hwnd = frame->m_hWnd;
  frame->Post(msg::kHandOver, 0, 0);
  TestLightBox box;
  testsupport::DialogTemplate t(WS_POPUP | DS_MODALFRAME, 100, 60);
  // The hand-over arrives while the popup runs its modal loop.
  const INT_PTR result = box.DoModalIndirect(t.get(), hwnd);
  EXPECT_EQ(0, result);
  Pump(200);
  EXPECT_FALSE(IsWindow(hwnd)) << "the frame closes after the popup";
  EXPECT_TRUE(frame->ShutdownRequested());
}

TEST_F(MainFrameTest, LightBoxCoversTheFrameAndClosesOnlyOnAFullClick) {
  CreateFrame();
  TestLightBox box;
  testsupport::DialogTemplate t(WS_POPUP, 100, 60);
  bool checked = false;
  SetTimer(frame->m_hWnd, 7777, 50, nullptr);
  // Checked from a timer inside the modal loop.
  struct Ctx {
    TestLightBox* box;
    HWND frame;
    bool* checked;
  };
  static Ctx* s_ctx;
  Ctx ctx{&box, frame->m_hWnd, &checked};
  s_ctx = &ctx;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Ctx& c = *s_ctx;
    RECT w = c.box->GetWindowRect();
    POINT origin{0, 0};
    ClientToScreen(c.frame, &origin);
    EXPECT_EQ(origin.x + 3, w.left);
    EXPECT_EQ(origin.y + 3, w.top);
    EXPECT_EQ(794, w.right - w.left);
    EXPECT_EQ(594, w.bottom - w.top);
    EXPECT_EQ(142.f, c.box->BoxRect().x);
    EXPECT_EQ(117.f, c.box->BoxRect().y);
    const RECT cr = c.box->CloseButtonRect();
    const LPARAM inside = MAKELPARAM(cr.left + 4, cr.top + 4);
    // Press inside, release outside: stays open.
    c.box->Send(WM_LBUTTONDOWN, MK_LBUTTON, inside);
    c.box->Send(WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(c.box->IsWindowVisible());
    *c.checked = true;
    // Press and release inside: closes with 8.
    c.box->Send(WM_LBUTTONDOWN, MK_LBUTTON, inside);
    c.box->Send(WM_LBUTTONUP, 0, inside);
  });
  EXPECT_EQ(CLightBoxWnd::kCloseResult, box.DoModalIndirect(t.get(), frame->m_hWnd));
  EXPECT_TRUE(checked);
  KillTimer(frame->m_hWnd, 7777);
}

TEST_F(MainFrameTest, LightBoxPictureIsTheFrameItselfNotTheScreen) {
  CreateFrame();
  // The frame partly off the screen, and partly under another program's window.
  SetWindowPos(frame->m_hWnd, nullptr, -200, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND cover = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"STATIC", L"",
                               WS_POPUP | WS_VISIBLE | SS_WHITERECT, 300, 20, 200, 200, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_TRUE(cover);
  Pump(200);
  auto own = testsupport::PrintClient(frame->m_hWnd);
  // Points the frame paints itself (no child window there): one off the screen, one covered.
  auto frameOwn = [&](POINT pt) {
    return ChildWindowFromPointEx(frame->m_hWnd, pt, CWP_SKIPINVISIBLE) == frame->m_hWnd;
  };
  auto find = [&](int x0, int x1, int y0, int y1, POINT& out) {
    for (int y = y0; y < y1; y += 7)
      for (int x = x0; x < x1; x += 7)
        if (frameOwn(POINT{x, y})) {
          out = POINT{x, y};
          return true;
        }
    return false;
  };
  POINT screenOrigin{0, 0};
  ClientToScreen(frame->m_hWnd, &screenOrigin);
  POINT offScreen{}, covered{};
  ASSERT_TRUE(find(0, -screenOrigin.x, 0, 200, offScreen));
  ASSERT_TRUE(find(310 - screenOrigin.x, 490 - screenOrigin.x, 30 - screenOrigin.y,
                   210 - screenOrigin.y, covered));

  TestLightBox box;
  testsupport::DialogTemplate t(WS_POPUP, 100, 60);
  static TestLightBox* s_box;
  s_box = &box;
  static COLORREF s_seen[2];
  static POINT s_points[2];
  s_points[0] = offScreen;
  s_points[1] = covered;
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    for (int i = 0; i < 2; ++i) s_seen[i] = s_box->Snapshot().GetPixel(s_points[i].x, s_points[i].y);
    EndDialog(s_box->m_hWnd, 0);
  });
  box.DoModalIndirect(t.get(), frame->m_hWnd);
  DestroyWindow(cover);
  const char* names[] = {"off the screen", "under another window"};
  for (int i = 0; i < 2; ++i) {
    const COLORREF c = s_seen[i];
    const std::uint32_t rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    EXPECT_EQ(own->at(s_points[i].x, s_points[i].y), rgb)
        << names[i] << " at " << s_points[i].x << "," << s_points[i].y;
  }
}

TEST_F(MainFrameTest, MaximisedClientAreaIsTheWorkArea) {
  CreateFrame();
  MINMAXINFO info{};
  frame->Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  MONITORINFO mi{sizeof(mi)};
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(frame->m_hWnd, MONITOR_DEFAULTTONEAREST), &mi));
  // The borders as the window really has them.
  RECT window = frame->GetWindowRect();
  RECT client = frame->GetClientRect();
  MapWindowPoints(frame->m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const int left = client.left - window.left, top = client.top - window.top;
  const int right = window.right - client.right, bottom = window.bottom - client.bottom;
  const RECT maxClient{mi.rcMonitor.left + info.ptMaxPosition.x + left,
                       mi.rcMonitor.top + info.ptMaxPosition.y + top,
                       mi.rcMonitor.left + info.ptMaxPosition.x + info.ptMaxSize.x - right,
                       mi.rcMonitor.top + info.ptMaxPosition.y + info.ptMaxSize.y - bottom};
  EXPECT_EQ(mi.rcWork.left, maxClient.left);
  EXPECT_EQ(mi.rcWork.top, maxClient.top);
  EXPECT_EQ(mi.rcWork.right, maxClient.right);
  EXPECT_EQ(mi.rcWork.bottom, maxClient.bottom);
}

TEST_F(MainFrameTest, ScanStartWhileHiddenBringsUpTheScanningPageLocked) {
  CreateFrame(false);
  ASSERT_FALSE(frame->IsWindowVisible());
  engine->values().scanInfoType = kScanFull;
  engine->values().fromSchedule = 1;
  ASSERT_GT(engine->FireScanStateChanged(1), 0) << "the frame's sink is connected";
  Pump(200);
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_EQ(CMainFrame::kTabScan, frame->GetActiveTab());
  EXPECT_EQ(static_cast<CWnd*>(frame->ScanningPage()), frame->GetTabPage(CMainFrame::kTabScan));
  EXPECT_TRUE(frame->ScanningPage()->IsWindowVisible());
  EXPECT_TRUE(frame->NavigationLocked());
  EXPECT_EQ(1, TestApp().ReadProfileInt(settings::kFromSchedule, 0));
  EXPECT_FALSE(TestApp().ReadProfileText(settings::kScanTime, L"").empty());
  // last_full_scan got the start time, last_quick_scan did not; the counters were reset.
  EXPECT_GT(Pair(L"last_full_scan"), 0);
  EXPECT_EQ(0, Pair(L"last_quick_scan"));
  EXPECT_EQ(0, Pair(L"last_scan_threat_count"));
  EXPECT_EQ(-1, Pair(L"last_scan_threat_level"));
}

TEST_F(MainFrameTest, ScanStartWhileVisibleOnlyRecords) {
  struct Case {
    LONG type;
    bool quickWritten, fullWritten, countsWritten;
  } cases[] = {{kScanQuick, true, false, true},
               {kScanQuickOther, true, false, true},
               {kScanCustom, false, false, true},
               {kScanUnrecorded, false, false, false}};
  CreateFrame();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    engine->SetText(L"GetConfigDocument", kNVPairs);
    engine->ClearCalls();
    engine->values().scanInfoType = c.type;
    frame->Post(msg::kScanStarted, 1, 0);
    frame->Post(msg::kScanStarted, 110, 0);  // any other state is ignored
    Pump();
    EXPECT_EQ(c.quickWritten, Pair(L"last_quick_scan") > 0);
    EXPECT_EQ(c.fullWritten, Pair(L"last_full_scan") > 0);
    EXPECT_EQ(c.countsWritten ? 0 : 7, Pair(L"last_scan_threat_count"));
    EXPECT_EQ(c.countsWritten ? -1 : 2, Pair(L"last_scan_threat_level"));
    EXPECT_EQ(1, engine->CallCount(L"GetScanInfo"));
    EXPECT_EQ(CMainFrame::kTabOverview, frame->GetActiveTab());
    EXPECT_FALSE(frame->NavigationLocked());
  }
}

TEST_F(MainFrameTest, QuickScanHandOverStartsAScanAndOtherValuesDoNot) {
  CreateFrame();
  HandOver(L"/scan:Quick");
  HandOver(L"/scan");
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  EXPECT_FALSE(frame->NavigationLocked());
  HandOver(L"/scan:quick");
  ASSERT_EQ(1, engine->CallCount(L"StartScan"));
  EXPECT_EQ(L"0", engine->Calls(L"StartScan")[0].args[0]);
  EXPECT_TRUE(frame->NavigationLocked());
  EXPECT_EQ(static_cast<CWnd*>(frame->ScanningPage()), frame->GetTabPage(CMainFrame::kTabScan));
}

TEST_F(MainFrameTest, QuickScanHandOverLeavesARunningScanAlone) {
  CreateFrame();
  HandOver(L"/scan:quick");
  ASSERT_EQ(1, engine->CallCount(L"StartScan"));
  const int resets = engine->CallCount(L"ResetScan");
  // A second start of the program hands over the same switch while the scan runs.
  HandOver(L"/scan:quick");
  EXPECT_EQ(1, engine->CallCount(L"StartScan"));
  EXPECT_EQ(resets, engine->CallCount(L"ResetScan"));
  EXPECT_TRUE(frame->NavigationLocked());
  EXPECT_EQ(static_cast<CWnd*>(frame->ScanningPage()), frame->GetTabPage(CMainFrame::kTabScan));
}

TEST_F(MainFrameTest, MinimizedStartStaysHiddenUntilBroughtUp) {
  frame->SetStartHidden(true);
  CreateFrame();  // shows, but the frame refuses while StartHidden is set
  EXPECT_FALSE(frame->IsWindowVisible());
  HandOver(L"/minimize");  // the own command line, handled like a hand-over
  EXPECT_FALSE(frame->IsWindowVisible());
  EXPECT_FALSE(frame->StartHidden());
  HandOver(L"");  // a later start brings it up
  EXPECT_TRUE(frame->IsWindowVisible());
}

TEST_F(MainFrameTest, BalloonKindsAndClicks) {
  CreateFrame();
  struct Case {
    int response;
    int kind;
  } cases[] = {{5, 2}, {3, 3}, {1, 4}, {0, 4}};  // 0 shows nothing: the kind stays
  for (const auto& c : cases) {
    SCOPED_TRACE(c.response);
    engine->SetText(L"GetAPConfig", APConfigWithResponse(c.response));
    frame->Post(msg::kActiveProtectionEvent, 0,
                reinterpret_cast<LPARAM>(new std::wstring(APEventOfType(2))));
    Pump();
    EXPECT_EQ(c.kind, frame->BalloonKind());
  }
  // Other event types never show a balloon, and an unparsable event neither.
  engine->SetText(L"GetAPConfig", APConfigWithResponse(5));
  frame->Post(msg::kActiveProtectionEvent, 0,
              reinterpret_cast<LPARAM>(new std::wstring(APEventOfType(1))));
  frame->Post(msg::kActiveProtectionEvent, 0,
              reinterpret_cast<LPARAM>(new std::wstring(L"<APEvent")));
  frame->Post(msg::kActiveProtectionEvent, 0, 0);
  Pump();
  EXPECT_EQ(4, frame->BalloonKind());
  // The engine's event reaches the frame through its sink.
  engine->FireActiveProtectionEvent(APEventOfType(2));
  Pump();
  EXPECT_EQ(2, frame->BalloonKind());

  // A click on the quarantine balloon opens the quarantine tab, even from a hidden window.
  frame->ShowWindow(SW_HIDE);
  frame->Post(msg::kTrayCallback, 0, NIN_BALLOONUSERCLICK);
  Pump();
  EXPECT_TRUE(frame->IsWindowVisible());
  EXPECT_EQ(CMainFrame::kTabQuarantine, frame->GetActiveTab());
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));

  // A click on a scan-advice balloon starts a quick scan.
  engine->SetText(L"GetAPConfig", APConfigWithResponse(1));
  frame->Post(msg::kActiveProtectionEvent, 0,
              reinterpret_cast<LPARAM>(new std::wstring(APEventOfType(2))));
  Pump();
  frame->Post(msg::kTrayCallback, 0, WM_LBUTTONUP);  // not a balloon click
  Pump();
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  frame->Post(msg::kTrayCallback, 0, NIN_BALLOONUSERCLICK);
  Pump();
  ASSERT_EQ(1, engine->CallCount(L"StartScan"));
  EXPECT_EQ(L"0", engine->Calls(L"StartScan")[0].args[0]);
  // While the scan runs, another click starts nothing.
  frame->Post(msg::kTrayCallback, 0, NIN_BALLOONUSERCLICK);
  Pump();
  EXPECT_EQ(1, engine->CallCount(L"StartScan"));
}

TEST_F(MainFrameTest, ActiveProtectionEventReadInPartGoesOnWithWhatWasRead) {
  CreateFrame();
  struct Case {
    const wchar_t* text;
    int response;
    int kind;  // the kind after the event (unchanged when no balloon shows)
  };
  const Case cases[] = {
      // The read stops after the event type: an attribute APEvent does not define.
      {L"<APEvent EventTypeEnum=\"2\" Colour=\"red\"/>", 3, 3},
      // ... or the text ends early.
      {L"<APEvent EventTypeEnum=\"2\"><ParentProcess", 1, 4},
      // Stopped before the event type: its default alerts nothing.
      {L"<APEvent Colour=\"red\" EventTypeEnum=\"2\"/>", 5, 4},
      {L"<APEvent EventTypeEnum=\"1\" Colour=\"red\"/>", 5, 4},
  };
  for (const Case& c : cases) {
    engine->SetText(L"GetAPConfig", APConfigWithResponse(c.response));
    frame->Post(msg::kActiveProtectionEvent, 0, reinterpret_cast<LPARAM>(new std::wstring(c.text)));
    Pump();
    EXPECT_EQ(c.kind, frame->BalloonKind()) << c.text;
  }
}

TEST_F(MainFrameTest, EventTextsQueuedWhenTheFrameGoesAreFreed) {
  CreateFrame();
  const long before = PendingEventTexts();
  ASSERT_TRUE(PostEventText(frame->m_hWnd, msg::kActiveProtectionEvent, APEventOfType(2)));
  ASSERT_TRUE(PostEventText(frame->m_hWnd, msg::kActiveProtectionEvent, APEventOfType(1)));
  EXPECT_EQ(before + 2, PendingEventTexts());
  // The window goes before its queue is pumped.
  ::DestroyWindow(frame->m_hWnd);
  EXPECT_EQ(before, PendingEventTexts());
  // Handled texts are taken by the frame as before.
  frame = std::make_unique<TestFrame>();
  CreateFrame();
  ASSERT_TRUE(PostEventText(frame->m_hWnd, msg::kActiveProtectionEvent, APEventOfType(1)));
  Pump();
  EXPECT_EQ(before, PendingEventTexts());
}

TEST_F(MainFrameTest, ServiceStopStartsReconnection) {
  CreateFrame();
  engine->ClearCalls();
  engine->FireServiceStatusChanged(1);
  Pump();
  EXPECT_FALSE(KillTimer(frame->m_hWnd, IDT_RECONNECT)) << "flag 1: no timer";
  engine->FireServiceStatusChanged(0);
  Pump();
  EXPECT_TRUE(KillTimer(frame->m_hWnd, IDT_RECONNECT));
}

TEST_F(MainFrameTest, FailedEngineCallInAHandlerDoesNotEndTheProgram) {
  CreateFrame();
  engine->Fail(L"GetScanInfo", E_FAIL);
  frame->Post(msg::kScanStarted, 1, 0);
  // After the failing handler, the loop goes on to the next message.
  frame->Post(WM_COMMAND, ID_TRAY_UPDATE, 0);
  PostQuitMessage(0);
  EXPECT_NO_THROW(TestApp().Run());
  EXPECT_EQ(1, frame->updaterRuns);
}

TEST_F(MainFrameTest, CloseDialogStoresTheCheckBoxOnOkAndCancel) {
  CreateFrame();
  struct Case {
    bool tick;
    UINT button;
    int stored;
  } cases[] = {{true, IDCANCEL, 0}, {false, IDOK, 1}, {true, IDOK, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    static const Case* s_case;
    s_case = &c;
    CCloseDlg dlg(Theme().ResourceModule());
    // Inside the modal loop: tick (or not) and press the button.
    SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      HWND popup = GetActiveWindow();
      HWND check = GetDlgItem(popup, IDC_CLOSE_DONT_SHOW);
      ASSERT_TRUE(check);
      SendMessageW(check, BM_SETCHECK, s_case->tick ? BST_CHECKED : BST_UNCHECKED, 0);
      PostMessageW(popup, WM_COMMAND, s_case->button, 0);
    });
    EXPECT_EQ(static_cast<INT_PTR>(c.button), dlg.DoModal(frame->m_hWnd));
    EXPECT_EQ(c.stored, TestApp().ReadProfileInt(settings::kShowCloseDlg, -1));
  }
  // After "do not show again" and Cancel, the next close hides the window silently.
  TestApp().WriteProfileInt(settings::kShowCloseDlg, 0);
  frame->Post(WM_CLOSE);
  Pump(300);
  EXPECT_FALSE(frame->IsWindowVisible());
  EXPECT_EQ(0, frame->closeDialogs);
}

TEST_F(MainFrameTest, SeedingSetsTheEngineConfiguration) {
  engine->SetText(L"GetDefinitionUpdateConfig",
                  L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><DefinitionUpdateConfig "
                  L"Enabled=\"false\" UpdateInterval=\"24\"/>");
  engine->SetText(L"GetScanConfig", L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig/>");
  engine->SetText(L"GetServiceConfig",
                  L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ServiceConfig LogLevel=\"3\"/>");
  engine->ClearCalls();
  SeedEngineConfiguration();
  const auto order =
      engine->CallOrder({L"StopScan", L"ResetScan", L"SetDefinitionUpdateConfig",
                         L"UpdateDefinitions", L"SetScanConfig", L"SetServiceConfig"});
  EXPECT_EQ(
      (std::vector<std::wstring>{L"StopScan", L"ResetScan", L"SetDefinitionUpdateConfig",
                                 L"UpdateDefinitions", L"SetScanConfig", L"SetServiceConfig"}),
      order);
  const std::wstring updates = engine->Text(L"GetDefinitionUpdateConfig");
  for (const wchar_t* part :
       {L"Enabled=\"true\"", L"UpdateInterval=\"4\"", L"/TROVE/trove.aspx", L"ProductID=\"430\"",
        L"Language=\"EN\"", L"Vendor=\"Tessmark\"", L"StageID=\"0\"", L"BaseURL=\"http://"})
    EXPECT_NE(std::wstring::npos, updates.find(part)) << part;
  const std::wstring scan = engine->Text(L"GetScanConfig");
  for (const wchar_t* part :
       {L"ShowUserScanResultsScheduled=\"true\"", L"ShowUserScanResultsManual=\"true\"",
        L"CheckForUpdatesBeforeScan=\"true\"", L"ScanDetailCBIntervalMS=\"100\""})
    EXPECT_NE(std::wstring::npos, scan.find(part)) << part;
  const std::wstring service = engine->Text(L"GetServiceConfig");
  for (const wchar_t* part : {L"DefaultConfig=\"false\"", L"LogLevel=\"1\"",
                              L"OptInToHiveWatchUploadFiles=\"true\"", L"EmailAV=\"true\""})
    EXPECT_NE(std::wstring::npos, service.find(part)) << part;

  // A document that cannot be read is skipped; the update still starts.
  engine->SetText(L"GetDefinitionUpdateConfig", L"not xml");
  engine->ClearCalls();
  SeedEngineConfiguration();
  EXPECT_EQ(0, engine->CallCount(L"SetDefinitionUpdateConfig"));
  EXPECT_EQ(1, engine->CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(1, engine->CallCount(L"SetServiceConfig"));

  // A refused reset ends the seeding there, without harm.
  engine->Fail(L"ResetScan", E_FAIL);
  engine->ClearCalls();
  EXPECT_NO_THROW(SeedEngineConfiguration());
  EXPECT_EQ(0, engine->CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));
  engine->FireDefinitionsUpdateStatus(101);  // the process's controller is idle again
}

TEST_F(MainFrameTest, InteractiveStartCountsRunsAndScansOnTheFirstOnly) {
  frame.reset();  // the application object creates its own
  ASSERT_TRUE(TestApp().StartInteractive());
  CMainFrame* mf = GetMainFrame();
  ASSERT_TRUE(mf && mf->m_hWnd);
  Pump(200);
  EXPECT_EQ(1, TestApp().ReadProfileInt(settings::kRunCount, 0));
  EXPECT_FALSE(TestApp().ReadProfileText(settings::kInstallDate, L"").empty());
  EXPECT_FALSE(TestApp().ReadProfileText(settings::kInstallDateLocal, L"").empty());
  EXPECT_TRUE(mf->IsWindowVisible());
  EXPECT_TRUE(mf->NavigationLocked()) << "the first run starts a quick scan";
  // The seeding started a definitions update: the scan waits for its end.
  EXPECT_EQ(1, engine->CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  engine->FireDefinitionsUpdateStatus(101);
  Pump(100);
  ASSERT_EQ(1, engine->CallCount(L"StartScan"));
  EXPECT_EQ(L"0", engine->Calls(L"StartScan")[0].args[0]);
  EXPECT_TRUE(mf->Tray().HasIcon());
  TestApp().StopInteractive();
  EXPECT_EQ(nullptr, GetMainFrame());

  ASSERT_TRUE(Engine().EnsureEngine());
  CScanController::Instance().ConnectSink();
  engine->ClearCalls();
  TestApp().WriteProfileText(settings::kInstallDate, L"kept");
  ASSERT_TRUE(TestApp().StartInteractive());
  Pump(200);
  EXPECT_EQ(2, TestApp().ReadProfileInt(settings::kRunCount, 0));
  EXPECT_EQ(L"kept", TestApp().ReadProfileText(settings::kInstallDate, L""));
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  ASSERT_TRUE(GetMainFrame());
  EXPECT_FALSE(GetMainFrame()->NavigationLocked());
  engine->FireDefinitionsUpdateStatus(101);  // the seeding's update ends
  Pump(100);
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  TestApp().StopInteractive();
  Pump(10);  // the main window's end posted WM_QUIT: not for the next test
}

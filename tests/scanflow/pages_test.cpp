// The scanning, cleaning and finished pages as real windows in the main frame,
// driven by the fake engine through every state path.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/EventSinks.h"
#include "engine/ScanController.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanResults.h"
#include "fixture.h"
#include "framework/Messages.h"
#include "framework/Wnd.h"
#include "support/Capture.h"
#include "support/FakeEngine.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

using namespace scanflow_test;

namespace {

const wchar_t kNVPairs[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
    L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_full_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_count\" Value=\"9\"/>"
    L"<NVPair Name=\"last_scan_item_count\" Value=\"9\"/>"
    L"<NVPair Name=\"last_scan_threat_level\" Value=\"-1\"/>"
    L"</NVPairs>";

// A threat of a results document.
struct ThreatSpec {
  std::wstring name;
  std::vector<std::wstring> traces;
  int level = 2;
  int cleanerResult = 0;
  int action = 3;
};

struct CleanerSpec {
  uint32_t total = 0, deleted = 0, quarantined = 0, ignored = 0;
};

// Writes a results document with these threats (and cleaner counts) to a file.
std::wstring WriteResults(const std::wstring& fileName, const std::vector<ThreatSpec>& threats,
                          const CleanerSpec& cleaner = {}) {
  QVnsScanResults::CARDOThreatEngineResults doc;
  auto& n = doc.summary.Create().cleanerResults.Create().numThreats.Create();
  n.total.Set(cleaner.total);
  n.deleted.Set(cleaner.deleted);
  n.quarantined.Set(cleaner.quarantined);
  n.ignored.Set(cleaner.ignored);
  auto& list = doc.threats.Create();
  uint32_t id = 1;
  for (const ThreatSpec& t : threats) {
    auto& e = list.threat.Append();
    e.id.Set(id++);
    e.name.Set(t.name);
    e.category.Set(L"Trojan");
    e.level.Set(static_cast<uint32_t>(t.level));
    e.adviseType.Set(static_cast<uint32_t>(t.action));
    e.actionRequested.Set(t.action);
    e.canQuarantine.Set(true);
    e.cleanerResult.Set(t.cleanerResult);
    auto& traces = e.traces.Create();
    for (const std::wstring& text : t.traces) {
      auto& trace = traces.trace.Append();
      trace.type.Set(1);
      trace.dispValue.Set(text);
    }
  }
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  const std::wstring path = std::wstring(tmp) + fileName;
  std::string utf8;
  EXPECT_EQ(0, doc.WriteToText(utf8));
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(f);
  return path;
}

class FakeFlowTest : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    engine = std::make_unique<FakeEngine>();
    engine->SetText(L"GetConfigDocument", kNVPairs);
    engine->values().scanInfoType = 2;
    engine->values().scanState = 1;
    ASSERT_TRUE(Engine().EnsureEngine());
    CScanningDefinitionsSink::ResetThrottle();
    CreateFrame();
  }
  void TearDown() override {
    FlowTest::TearDown();
    Engine().ReleaseAll();
    engine.reset();
    for (const std::wstring& f : files) DeleteFileW(f.c_str());
  }

  // The scan tab's page after a scan starts from the user interface.
  void BeginScan(LONG type = 2) {
    Frame().BeginScan(type);
    Pump();
  }

  void Threat(const std::wstring& name, const std::wstring& object, LONG id, int level,
              LONG bannerCount, LONG scanned = 10) {
    FakeEngine::ThreatInfo info;
    info.texts[0] = L"Remove it";
    info.texts[1] = L"A " + name;
    info.flags[2] = static_cast<unsigned char>(level);
    info.value = 3;
    engine->values().threats[id] = info;
    FakeEngine::ScanProgressArgs a;
    a.threatName = name;
    a.objectName = object;
    a.threatCategory = L"Trojan";
    a.threatId = id;
    a.threatCount = bannerCount;
    a.objectsScanned = scanned;
    engine->FireScanProgress(a);
  }

  void Progress(const std::wstring& object, LONG scanned) {
    FakeEngine::ScanProgressArgs a;
    a.objectName = object;
    a.objectsScanned = scanned;
    engine->FireScanProgress(a);
  }

  // Ends the scan with an engine state and lets the page act on it.
  void EndWith(LONG state) {
    engine->FireScanStateChanged(state);
    Pump();
  }

  int64_t Pair(const wchar_t* name) {
    int64_t value = -12345;
    QVnsNVPairs::ReadPairInt64(engine->Text(L"GetConfigDocument"), name, value);
    return value;
  }

  // The control's own visibility (its page may be hidden).
  bool Visible(HWND control) {
    return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  HWND Control(CWnd& page, UINT id) { return GetDlgItem(page.m_hWnd, id); }

  // Starts a cleaning of the given threats as the results page does.
  void StartCleaning(const std::vector<ThreatSpec>& threats) {
    const std::wstring request = WriteResults(L"scanflow_request.xml", threats);
    files.push_back(request);
    Cleaning().PrepareCleaning(request);
    Frame().SetTabPage(CMainFrame::kTabScan, &Cleaning());
    Frame().SelectTab(CMainFrame::kTabScan, false);
    Frame().SetTabsEnabled(false);
    Pump();
  }

  // The engine's results file after the cleaning.
  void EngineResults(const std::vector<ThreatSpec>& threats, const CleanerSpec& cleaner = {}) {
    const std::wstring path = WriteResults(L"scanflow_results.xml", threats, cleaner);
    files.push_back(path);
    engine->SetText(L"GetScanResultsFile", path);
  }

  std::unique_ptr<FakeEngine> engine;
  std::vector<std::wstring> files;
};

// ---- scanning page ---------------------------------------------------------------

TEST_F(FakeFlowTest, ScanShowsProgressThreatsLiveAndTheBannerFromTheFirstThreat) {
  BeginScan();
  CScanningPage& page = Scanning();
  EXPECT_EQ(&page, ScanTabPage());
  EXPECT_TRUE(Frame().NavigationLocked());
  EXPECT_EQ(scan_flow::kModeStarting, page.Mode());
  EXPECT_EQ(1, engine->CallCount(L"StartScan"));

  Progress(L"C:\\a\\clean.txt", 5);
  EXPECT_EQ(scan_flow::kModeScanning, page.Mode());
  EXPECT_FALSE(page.ThreatBanner());
  wchar_t count[16] = {};
  GetDlgItemTextW(page.m_hWnd, IDC_SCANNING_COUNT, count, 16);
  EXPECT_STREQ(L"5", count);

  // Three events for one threat and one for another: two records, the first
  // with three traces; the banner from the first event on.
  Threat(L"Trojan.X", L"C:\\a\\x1.exe", 7, 3, 1, 6);
  EXPECT_TRUE(page.ThreatBanner());
  EXPECT_GT(page.Layout().banner.bottom, 0);
  EXPECT_GT(page.Layout().title.top, page.Layout().banner.bottom);
  Threat(L"Trojan.X", L"C:\\a\\x2.exe", 7, 3, 2, 7);
  Threat(L"Trojan.X", L"C:\\a\\x3.exe", 7, 3, 3, 8);
  Threat(L"Adware.Y", L"C:\\a\\y.exe", 8, 5, 4, 9);
  ASSERT_EQ(2, page.ThreatList().RecordCount());
  const ThreatRecord& x = page.ThreatList().Records()[0];
  EXPECT_EQ(L"Trojan.X", x.name);
  EXPECT_EQ(3, x.traceCount);
  EXPECT_EQ(3, x.level);
  EXPECT_EQ(3, x.adviseType);
  EXPECT_NE(std::wstring::npos, x.descriptionText.find(L"A Trojan.X"));
  EXPECT_EQ(4, page.BannerCount());
  EXPECT_EQ(4, page.ThreatList().TotalTraces());
  // The engine waits for each event: a listed threat's texts are not asked again.
  EXPECT_EQ(2, engine->CallCount(L"GetThreatInfo"));
}

// What a window shows now, read from its place on the screen without asking
// it to paint.
std::unique_ptr<testsupport::Pixels> Shown(HWND hwnd) {
  RECT rc{};
  ::GetClientRect(hwnd, &rc);
  auto p = std::make_unique<testsupport::Pixels>(rc.right, rc.bottom);
  HDC dc = ::GetDC(hwnd);
  ::BitBlt(p->dc(), 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
  ::ReleaseDC(hwnd, dc);
  return p;
}

int DifferingPixels(const testsupport::Pixels& a, const testsupport::Pixels& b) {
  if (a.width() != b.width() || a.height() != b.height()) return -1;
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.at(x, y) != b.at(x, y);
  return n;
}

// Scan events stream in faster than a person reads; the page paints what they
// changed on its repaint timer, and nothing they changed may stay unpainted.
TEST_F(FakeFlowTest, WhatScanEventsChangeIsOnTheScreenWithinTheRepaintPeriod) {
  BeginScan();
  CScanningPage& page = Scanning();
  Progress(L"C:\\a\\first.txt", 5);
  Threat(L"Trojan.X", L"C:\\a\\x1.exe", 7, 3, 1, 6);
  Pump(3 * CScanningPage::kRepaintMs);
  // A burst: new texts, a further trace and a new threat.
  Progress(L"C:\\a\\second.txt", 777);
  Threat(L"Trojan.X", L"C:\\a\\x2.exe", 7, 3, 2, 778);
  Threat(L"Adware.Y", L"C:\\a\\y.exe", 8, 2, 3, 779);
  Progress(L"C:\\a\\third.txt", 780);
  Pump(3 * CScanningPage::kRepaintMs);
  const struct {
    const char* name;
    HWND window;
  } shown[] = {
      {"scanned object", Control(page, IDC_SCANNING_OBJECT)},
      {"count", Control(page, IDC_SCANNING_COUNT)},
      {"threat rows", page.ThreatList().Rows().m_hWnd},
  };
  for (const auto& row : shown) {
    ASSERT_NE(nullptr, row.window) << row.name;
    auto painted = testsupport::PrintClient(row.window);
    auto onScreen = Shown(row.window);
    EXPECT_EQ(0, DifferingPixels(*painted, *onScreen))
        << row.name << ": the screen does not show what the window now paints";
  }
  // The banner's count is part of the page.
  RECT b = page.Layout().banner;
  auto pagePainted = testsupport::PrintClient(page.m_hWnd);
  auto pageShown = Shown(page.m_hWnd);
  int differing = 0;
  for (int y = b.top; y < b.bottom; ++y)
    for (int x = b.left; x < b.right; ++x)
      differing += pagePainted->at(x, y) != pageShown->at(x, y);
  EXPECT_EQ(0, differing) << "banner " << b.left << "," << b.top << "-" << b.right << ","
                          << b.bottom;
}

TEST_F(FakeFlowTest, AThreatUnknownToTheDefinitionsIsStillListed) {
  BeginScan();
  FakeEngine::ScanProgressArgs a;
  a.threatName = L"Mystery";
  a.objectName = L"C:\\m.bin";
  a.threatId = 999;  // not in the fake's definitions
  a.threatCount = 1;
  engine->FireScanProgress(a);
  ASSERT_EQ(1, Scanning().ThreatList().RecordCount());
  EXPECT_EQ(L"Mystery", Scanning().ThreatList().Records()[0].name);
}

// Every state the scan-control event can report, and what the page does.
TEST_F(FakeFlowTest, EveryScanStateEndsFailsOrIsIgnored) {
  struct Row {
    LONG state;
    enum { Ends, Fails, Ignored } reaction;
  } rows[] = {{0, Row::Ends},    {107, Row::Ends},    {109, Row::Ends},    {111, Row::Ends},
              {112, Row::Ends},  {115, Row::Ends},    {116, Row::Ends},    {113, Row::Fails},
              {1, Row::Ignored}, {110, Row::Ignored}, {114, Row::Ignored}, {108, Row::Ignored}};
  for (const Row& row : rows) {
    SCOPED_TRACE("state " + std::to_string(row.state));
    seams.messages.clear();
    SetProfile(settings::kScanCount, 0);
    BeginScan();
    ASSERT_TRUE(Scanning().FollowingScan());
    EndWith(row.state);
    switch (row.reaction) {
      case Row::Ends:
        EXPECT_FALSE(Scanning().FollowingScan());
        EXPECT_EQ(&Finished(), ScanTabPage());
        EXPECT_EQ(1, Profile(settings::kScanCount, 0));
        EXPECT_FALSE(Told(IDS_SCAN_FAILED));
        break;
      case Row::Fails:
        EXPECT_FALSE(Scanning().FollowingScan());
        EXPECT_TRUE(Told(IDS_SCAN_FAILED));
        EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
        EXPECT_FALSE(Frame().NavigationLocked());
        EXPECT_EQ(0, Profile(settings::kScanCount, 0));
        break;
      case Row::Ignored:
        EXPECT_TRUE(Scanning().FollowingScan());
        EXPECT_EQ(&Scanning(), ScanTabPage());
        EXPECT_TRUE(Frame().NavigationLocked());
        EXPECT_TRUE(seams.messages.empty());
        break;
    }
    // Whatever happened, the next scan starts from a clean page.
    Frame().SetTabsEnabled(true);
  }
}

TEST_F(FakeFlowTest, AFailedScanCancelsAndResetsTheEngine) {
  BeginScan();
  engine->ClearCalls();
  EndWith(113);
  EXPECT_EQ((std::vector<std::wstring>{L"StopScan", L"ResetScan"}),
            engine->CallOrder({L"StopScan", L"ResetScan"}));
  EXPECT_FALSE(CScanController::Instance().ScanPending());
  // Only the frame's own scan sink stays connected.
  EXPECT_EQ(1, engine->SinkCount(3, IID__IQVScanControlEvents));
}

// The outcome of a scan: pairs, the scan count and the next page.
TEST_F(FakeFlowTest, ScanEndRecordsTheOutcomeAndMovesOn) {
  struct Row {
    const char* name;
    LONG scanType;
    bool stopFirst;
    std::vector<std::pair<std::wstring, int>> threats;  // name, level
    int scanCountAfter;
    int64_t count, items, level;  // -12345: the pair is left as it was
    bool resultsPage;
  } rows[] = {
      {"nothing found", 2, false, {}, 1, 0, 0, 6, false},
      {"stopped with two threats", 1, true, {{L"A", 4}, {L"B", 2}}, 0, 2, 2, 2, true},
      {"type 4 writes no pairs", 4, false, {{L"A", 3}}, 1, 9, 9, -1, true},
      {"type 4 with nothing found", 4, false, {}, 1, 9, 9, -1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    engine->SetText(L"GetConfigDocument", kNVPairs);
    engine->values().scanInfoType = row.scanType;
    SetProfile(settings::kScanCount, 0);
    seams.answer = IDYES;
    BeginScan(row.scanType);
    LONG id = 1;
    for (const auto& [name, level] : row.threats) {
      Threat(name, L"C:\\t\\" + name, id, level, id);
      ++id;
    }
    if (row.stopFirst) {
      Scanning().Send(WM_COMMAND, IDC_SCANNING_STOP, 0);
      EXPECT_TRUE(Told(IDS_STOP_SCAN_QUESTION));
      EXPECT_TRUE(Scanning().StoppedByUser());
    }
    EndWith(row.stopFirst ? 112 : 0);
    EXPECT_EQ(row.scanCountAfter, Profile(settings::kScanCount, 0));
    EXPECT_EQ(row.count, Pair(L"last_scan_threat_count"));
    EXPECT_EQ(row.items, Pair(L"last_scan_item_count"));
    EXPECT_EQ(row.level, Pair(L"last_scan_threat_level"));
    EXPECT_EQ(row.resultsPage ? static_cast<CWnd*>(&Results()) : &Finished(), ScanTabPage());
    if (!row.resultsPage) {
      EXPECT_EQ(scan_flow::kNothingFound, Finished().State());
      EXPECT_FALSE(Frame().NavigationLocked());  // the finished page unlocks
      EXPECT_EQ(&Scanning().ThreatList(), Finished().BorrowedList());
    }
    Frame().SetTabsEnabled(true);
  }
}

TEST_F(FakeFlowTest, PauseAndResumeFollowTheEngineButNotDuringAnUpdate) {
  BeginScan();
  CScanningPage& page = Scanning();
  Progress(L"C:\\x", 1);
  page.Send(WM_COMMAND, IDC_SCANNING_PAUSE, 0);
  EXPECT_EQ(1, engine->CallCount(L"PauseScan"));
  EXPECT_EQ(scan_flow::kModePaused, page.Mode());
  EXPECT_TRUE(Visible(Control(page, IDC_SCANNING_RESUME)));
  EXPECT_FALSE(Visible(Control(page, IDC_SCANNING_PAUSE)));
  EXPECT_FALSE(page.Progress().GetGlowMode());
  // Progress the engine sent before it paused does not end the pause.
  Progress(L"C:\\late", 2);
  EXPECT_EQ(scan_flow::kModePaused, page.Mode());
  EXPECT_TRUE(Visible(Control(page, IDC_SCANNING_RESUME)));
  page.Send(WM_COMMAND, IDC_SCANNING_RESUME, 0);
  EXPECT_EQ(1, engine->CallCount(L"ResumeScan"));
  EXPECT_EQ(scan_flow::kModeScanning, page.Mode());
  EXPECT_TRUE(Visible(Control(page, IDC_SCANNING_PAUSE)));
  EXPECT_TRUE(page.Progress().GetGlowMode());

  for (LONG status : {0L, 1L}) {
    SCOPED_TRACE("definitions status " + std::to_string(status));
    CScanningDefinitionsSink::ResetThrottle();
    engine->FireDefinitionsUpdateStatus(status, 200, 50);
    Pump();
    EXPECT_TRUE(page.Updating());
    EXPECT_EQ(status == 0 ? scan_flow::kModeDownloading : scan_flow::kModeInstalling, page.Mode());
    EXPECT_FALSE(IsWindowEnabled(Control(page, IDC_SCANNING_PAUSE)));
    page.Send(WM_COMMAND, IDC_SCANNING_PAUSE, 0);
    page.Send(WM_COMMAND, IDC_SCANNING_RESUME, 0);
    EXPECT_EQ(1, engine->CallCount(L"PauseScan"));
    EXPECT_EQ(1, engine->CallCount(L"ResumeScan"));
  }
  // The download shows its own progress: done / 2 of total / 2, without the glow.
  CScanningDefinitionsSink::ResetThrottle();
  engine->FireDefinitionsUpdateStatus(0, 200, 50);
  Pump();
  EXPECT_FALSE(page.Progress().GetGlowMode());
  EXPECT_EQ(25, page.Progress().Send(PBM_GETPOS));
  EXPECT_EQ(100, page.Progress().Send(PBM_GETRANGE, FALSE));
  // The scan starts: mode 5 leaves the update behind.
  Progress(L"C:\\y", 2);
  EXPECT_FALSE(page.Updating());
  EXPECT_TRUE(IsWindowEnabled(Control(page, IDC_SCANNING_PAUSE)));
}

TEST_F(FakeFlowTest, DefinitionsProgressUpdatesTheBarAtMostOncePerSecond) {
  BeginScan();
  CScanningPage& page = Scanning();
  // Events about 300 ms apart; the bar must move on the first and then never
  // twice within a second.
  std::vector<DWORD> moves;
  LRESULT last = -1;
  for (int i = 0; i < 7; ++i) {
    const DWORD now = GetTickCount();
    engine->FireDefinitionsUpdateStatus(5, 400, 20 * (i + 1));
    Pump(20);
    const LRESULT pos = page.Progress().Send(PBM_GETPOS);
    if (pos != last) {
      moves.push_back(now);
      EXPECT_EQ(10 * (i + 1), pos) << "event " << i;
    }
    last = pos;
    Sleep(300);
  }
  ASSERT_GE(moves.size(), 2u);
  EXPECT_LT(moves.size(), 7u);
  for (size_t i = 1; i < moves.size(); ++i)
    EXPECT_GT(moves[i] - moves[i - 1], 950u) << "moves " << i - 1 << " and " << i;
}

TEST_F(FakeFlowTest, APausedScanFoundAtPreparationShowsResume) {
  engine->values().scanState = EngineCodes::kScanPaused;
  Scanning().Post(msg::kFollowScan);
  Pump();
  EXPECT_TRUE(Visible(Control(Scanning(), IDC_SCANNING_RESUME)));
  EXPECT_FALSE(Visible(Control(Scanning(), IDC_SCANNING_PAUSE)));
}

TEST_F(FakeFlowTest, WatchdogFailsAScanFoundIdleOrEndedWithoutAnUpdate) {
  struct Row {
    LONG state;
    bool updating;
    bool fails;
  } rows[] = {{0, false, true},  {113, false, true},  {115, false, true},  {116, false, true},
              {1, false, false}, {114, false, false}, {111, false, false}, {0, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE("state " + std::to_string(row.state) + (row.updating ? " updating" : ""));
    seams.messages.clear();
    engine->values().scanState = 1;
    BeginScan();
    if (row.updating) {
      engine->FireDefinitionsUpdateStatus(1);
      Pump();
    }
    engine->values().scanState = row.state;
    Scanning().Send(WM_TIMER, IDT_SCAN_WATCHDOG, 0);
    Pump();
    EXPECT_EQ(row.fails, Told(IDS_SCAN_FAILED));
    EXPECT_EQ(!row.fails, Scanning().FollowingScan());
    if (row.fails) {
      EXPECT_FALSE(Frame().NavigationLocked());
    }
    // End whatever is left before the next row.
    engine->values().scanState = 0;
    if (Scanning().FollowingScan()) EndWith(0);
    Frame().SetTabsEnabled(true);
  }
}

TEST_F(FakeFlowTest, StopDuringAnUpdateReturnsToTheOverviewAndTheNextScanCounts) {
  engine->values().definitionsCurrent = 0;
  BeginScan();
  EXPECT_EQ(1, engine->CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));
  engine->FireDefinitionsUpdateStatus(0, 100, 10);
  Pump();
  ASSERT_TRUE(Scanning().Updating());
  SetProfile(settings::kFromSchedule, 1);
  Scanning().Send(WM_COMMAND, IDC_SCANNING_STOP, 0);
  EXPECT_EQ(1, engine->CallCount(L"StopScan"));
  EXPECT_EQ(0, Profile(settings::kFromSchedule, 1));
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
  EXPECT_FALSE(Frame().NavigationLocked());
  // The end of the update starts nothing: the pending scan was cancelled.
  engine->FireDefinitionsUpdateStatus(101);
  Pump();
  EXPECT_EQ(0, engine->CallCount(L"StartScan"));

  // The next scan is counted although the last one was stopped.
  engine->values().definitionsCurrent = 1;
  SetProfile(settings::kScanCount, 0);
  BeginScan();
  EndWith(0);
  EXPECT_EQ(1, Profile(settings::kScanCount, 0));
}

TEST_F(FakeFlowTest, DecliningTheStopQuestionChangesNothing) {
  BeginScan();
  seams.answer = IDNO;
  Scanning().Send(WM_COMMAND, IDC_SCANNING_STOP, 0);
  EXPECT_EQ(0, engine->CallCount(L"StopScan"));
  EXPECT_FALSE(Scanning().StoppedByUser());
  EXPECT_TRUE(Scanning().FollowingScan());
}

// ---- cleaning and finished pages -------------------------------------------------------

TEST_F(FakeFlowTest, CleanEventsMarkTracesAndTheRecordOnlyWhenAllAreDone) {
  StartCleaning({{L"Trojan.X", {L"C:\\x1", L"C:\\x2"}}, {L"Adware.Y", {L"C:\\y"}}});
  CCleaningPage& page = Cleaning();
  ASSERT_EQ(2, page.ThreatList().RecordCount());
  SetProfile(settings::kCleanCount, 0);

  engine->FireCleanProgress(1, L"Trojan.X", 1, L"C:\\x1", 30);
  EXPECT_FALSE(page.ThreatList().Records()[0].handled);
  EXPECT_EQ(1, page.ThreatList().Records()[0].traceCount);
  EXPECT_EQ(30, page.Progress().Send(PBM_GETPOS));
  // The same trace again: nothing changes but the bar and the count.
  engine->FireCleanProgress(1, L"Trojan.X", 1, L"C:\\x1", 40);
  EXPECT_FALSE(page.ThreatList().Records()[0].handled);
  EXPECT_EQ(1, page.ThreatList().Records()[0].traceCount);
  EXPECT_EQ(40, page.Progress().Send(PBM_GETPOS));
  engine->FireCleanProgress(1, L"Trojan.X", 1, L"C:\\x2", 70);
  EXPECT_TRUE(page.ThreatList().Records()[0].handled);
  EXPECT_EQ(0, page.ThreatList().Records()[0].traceCount);
  // A handled record: still the bar and the count.
  engine->FireCleanProgress(1, L"Trojan.X", 1, L"C:\\x2", 80);
  EXPECT_EQ(80, page.Progress().Send(PBM_GETPOS));
  EXPECT_EQ(4, Profile(settings::kCleanCount, 0));
  EXPECT_FALSE(page.ThreatList().Records()[1].handled);
}

TEST_F(FakeFlowTest, CleaningOverShowsTheOutcomeAndLeavesThePairs) {
  StartCleaning({{L"Trojan.X", {L"C:\\x1", L"C:\\x2"}}, {L"Adware.Y", {L"C:\\y"}}});
  EngineResults({{L"Trojan.X", {L"C:\\x1", L"C:\\x2"}, 2, 3}, {L"Adware.Y", {L"C:\\y"}, 5, 1}},
                CleanerSpec{2, 1, 1, 0});
  engine->FireScanStateChanged(0);
  Pump();
  EXPECT_FALSE(Cleaning().Cleaning());
  EXPECT_EQ(&Finished(), ScanTabPage());
  EXPECT_EQ(scan_flow::kCleaned, Finished().State());
  EXPECT_EQ(Theme().LoadResString(IDS_TITLE_CLEANED), Finished().BannerTitle());
  // total; deleted + quarantined; handled traces of the list; ignored.
  EXPECT_EQ(L"2\n2\n3\n0", Finished().Numbers());
  EXPECT_EQ(0, Pair(L"last_scan_threat_count"));
  EXPECT_EQ(0, Pair(L"last_scan_item_count"));
  EXPECT_EQ(6, Pair(L"last_scan_threat_level"));
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_TRUE(seams.messages.empty());  // no restart question
  EXPECT_EQ(&Cleaning().ThreatList(), Finished().BorrowedList());
}

TEST_F(FakeFlowTest, AnUnreadableResultsFileLeavesTheListAndNumbersComeFromIt) {
  StartCleaning({{L"Trojan.X", {L"C:\\x1"}}, {L"Adware.Y", {L"C:\\y"}}});
  engine->FireCleanProgress(1, L"Trojan.X", 1, L"C:\\x1", 50);
  engine->SetText(L"GetScanResultsFile", L"C:\\no\\such\\results.xml");
  engine->FireScanStateChanged(112);
  Pump();
  ASSERT_EQ(&Finished(), ScanTabPage());
  EXPECT_EQ(2, Cleaning().ThreatList().RecordCount());
  EXPECT_EQ(L"2\n1\n1\n0", Finished().Numbers());
  EXPECT_EQ(1, Pair(L"last_scan_threat_count"));
  EXPECT_EQ(1, Pair(L"last_scan_item_count"));
}

TEST_F(FakeFlowTest, RestartIsOfferedWhenTheEngineOrTheSettingAsks) {
  struct Row {
    const char* name;
    bool reboot;
    int always;  // -1: absent
    int answer;
    int state;
    bool asked, restarted;
    int alwaysAfter;  // -1: absent
  } rows[] = {
      {"nothing asks", false, 0, IDYES, 1, false, false, 0},
      {"setting, yes", false, 1, IDYES, 2, true, true, 0},
      {"setting, no", false, 1, IDNO, 2, true, false, 1},
      {"engine, yes, no setting", true, -1, IDYES, 2, true, true, -1},
      {"engine, no", true, 0, IDNO, 2, true, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    seams = SeamLog{};
    seams.answer = row.answer;
    RegDeleteKeyValueW(HKEY_CURRENT_USER, App().ProfileKeyPath().c_str(),
                       settings::kAlwaysRebootAfterClean);
    if (row.always >= 0) SetProfile(settings::kAlwaysRebootAfterClean, row.always);
    engine->values().rebootRequired = row.reboot ? 1 : 0;
    StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
    EngineResults({{L"Trojan.X", {L"C:\\x1"}, 2, 1}}, CleanerSpec{1, 1, 0, 0});
    engine->FireScanStateChanged(111);
    WaitFor([&] { return !seams.messages.empty(); }, row.asked ? 3000 : 400);
    EXPECT_EQ(row.state, Finished().State());
    EXPECT_EQ(row.state == 2, Finished().Orange());
    EXPECT_EQ(row.asked, Told(IDS_RESTART_QUESTION));
    EXPECT_EQ(row.restarted ? 1 : 0, seams.restarts);
    EXPECT_EQ(row.alwaysAfter, Profile(settings::kAlwaysRebootAfterClean, -1));
    // Shown again later: the offer is made once.
    seams.messages.clear();
    Frame().SelectTab(CMainFrame::kTabOverview, false);
    Frame().SelectTab(CMainFrame::kTabScan, false);
    Pump(300);
    EXPECT_FALSE(Told(IDS_RESTART_QUESTION));
  }
}

TEST_F(FakeFlowTest, ACleaningThatEndedBeforeTheSinkIsFoundByTheCheck) {
  struct Row {
    LONG state;
    bool over;
  } rows[] = {{0, true},   {111, true}, {112, true},  {113, true}, {115, true},
              {116, true}, {1, false},  {114, false}, {107, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE("state " + std::to_string(row.state));
    engine->values().scanState = 1;
    StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
    engine->values().scanState = row.state;
    Cleaning().Send(WM_TIMER, IDT_CLEANING_CHECK, 0);
    Pump();
    EXPECT_EQ(!row.over, Cleaning().Cleaning());
    EXPECT_EQ(row.over ? static_cast<CWnd*>(&Finished()) : &Cleaning(), ScanTabPage());
    if (Cleaning().Cleaning()) {
      engine->FireScanStateChanged(0);
      Pump();
    }
  }
  // A cleaning that the engine reports as already over needs no check.
  for (LONG state : {109L, 111L}) {
    engine->values().scanState = state;
    StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
    engine->ClearCalls();
    Pump(2600);
    EXPECT_EQ(0, engine->CallCount(L"GetScanState")) << "state " << state;
    engine->FireScanStateChanged(0);
    Pump();
  }
}

TEST_F(FakeFlowTest, TheRealCheckTimerFiresAfterTwoSeconds) {
  engine->values().scanState = 1;
  StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
  engine->values().scanState = 0;
  EXPECT_TRUE(WaitFor([&] { return !Cleaning().Cleaning(); }, 6000));
  EXPECT_EQ(&Finished(), ScanTabPage());
}

TEST_F(FakeFlowTest, StoppingTheCleaningAsksThenEndsIt) {
  StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
  seams.answer = IDNO;
  Cleaning().Send(WM_COMMAND, IDC_CLEANING_STOP, 0);
  Pump();
  EXPECT_TRUE(Told(IDS_STOP_CLEANING_QUESTION));
  EXPECT_TRUE(Cleaning().Cleaning());
  EXPECT_EQ(0, engine->CallCount(L"StopScan"));
  seams.answer = IDYES;
  Cleaning().Send(WM_COMMAND, IDC_CLEANING_STOP, 0);
  Pump();
  EXPECT_EQ(1, engine->CallCount(L"StopScan"));
  EXPECT_FALSE(Cleaning().Cleaning());
  EXPECT_EQ(&Finished(), ScanTabPage());
}

TEST_F(FakeFlowTest, FinishedCloseReturnsToTheOverview) {
  BeginScan();
  EndWith(0);
  ASSERT_EQ(&Finished(), ScanTabPage());
  SetProfile(settings::kFromSchedule, 1);
  Frame().SelectTab(CMainFrame::kTabOverview, false);
  Frame().SelectTab(CMainFrame::kTabScan, false);
  EXPECT_EQ(0, Profile(settings::kFromSchedule, 1));
  Finished().Send(WM_COMMAND, IDC_FINISHED_CLOSE, 0);
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
  EXPECT_FALSE(Frame().NavigationLocked());
}

// ---- keyboard --------------------------------------------------------------------------

// Tab as the program's message loop handles it (pre-translation first).
void PressTab(HWND target) {
  MSG m{target, WM_KEYDOWN, VK_TAB, 0};
  if (!fw::PreTranslate(m)) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  m.message = WM_KEYUP;
  if (!fw::PreTranslate(m)) DispatchMessageW(&m);
}

TEST_F(FakeFlowTest, EveryButtonOfThePagesIsReachedWithTab) {
  BeginScan();
  Progress(L"C:\\x", 1);
  StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
  struct Row {
    const char* name;
    CWnd* page;
    std::vector<UINT> buttons;
  } rows[] = {
      {"scanning", &Scanning(), {IDC_SCANNING_STOP, IDC_SCANNING_PAUSE}},
      {"cleaning", &Cleaning(), {IDC_CLEANING_STOP}},
      {"finished", &Finished(), {IDC_FINISHED_CLOSE}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Frame().SetTabPage(CMainFrame::kTabScan, row.page);
    Frame().SelectTab(CMainFrame::kTabScan, false);
    SetForegroundWindow(Frame().m_hWnd);
    SetFocus(row.page->m_hWnd);
    Pump();
    std::vector<UINT> reached;
    for (int i = 0; i < 12; ++i) {
      HWND focus = GetFocus();
      PressTab(focus ? focus : row.page->m_hWnd);
      Pump(10);
      if (HWND now = GetFocus(); now && GetParent(now) == row.page->m_hWnd)
        reached.push_back(static_cast<UINT>(GetDlgCtrlID(now)));
    }
    for (UINT id : row.buttons)
      EXPECT_NE(reached.end(), std::find(reached.begin(), reached.end(), id))
          << "button " << id << " never took the focus";
  }
}

// ---- the engine goes away --------------------------------------------------------------

TEST_F(FakeFlowTest, AnEngineThatDiesMidScanUnlocksTellsAndStartsReconnection) {
  BeginScan();
  Progress(L"C:\\x", 3);
  ASSERT_TRUE(Frame().NavigationLocked());
  // The engine's process goes: every call on what the session holds fails,
  // although another engine answers new creations at once.
  engine.reset();
  engine = std::make_unique<FakeEngine>();
  engine->SetText(L"GetConfigDocument", kNVPairs);
  engine->values().scanState = 1;
  ASSERT_TRUE(WaitFor([&] { return !Scanning().FollowingScan(); }, 8000));
  EXPECT_TRUE(Told(IDS_ENGINE_STOPPED));
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
  EXPECT_FALSE(CScanController::Instance().ScanPending());
  EXPECT_FALSE(CScanController::Instance().UpdateRunning());
  // The session reaches the new engine and a scan works again.
  ASSERT_TRUE(WaitFor([&] { return SUCCEEDED(Engine().PingHeld()); }, 12000));
  EXPECT_GT(engine->CallCount(L"Create"), 0);
  SetProfile(settings::kScanCount, 0);
  BeginScan();
  EXPECT_EQ(1, engine->CallCount(L"StartScan"));
  Threat(L"Trojan.X", L"C:\\x1", 3, 2, 1);
  EndWith(0);
  EXPECT_EQ(&Results(), ScanTabPage());
  EXPECT_EQ(1, Profile(settings::kScanCount, 0));
}

TEST_F(FakeFlowTest, AnEngineThatDiesMidCleanUnlocksAndTells) {
  StartCleaning({{L"Trojan.X", {L"C:\\x1"}}});
  ASSERT_TRUE(Cleaning().Cleaning());
  engine.reset();
  ASSERT_TRUE(WaitFor([&] { return !Cleaning().Cleaning(); }, 8000));
  EXPECT_TRUE(Told(IDS_ENGINE_STOPPED));
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
}

TEST_F(FakeFlowTest, APauseClickOnADeadEngineEndsTheScanAsLost) {
  BeginScan();
  Progress(L"C:\\x", 3);
  engine->Fail(L"PauseScan", HRESULT(0x800706BE));
  Scanning().Send(WM_COMMAND, IDC_SCANNING_PAUSE, 0);
  EXPECT_FALSE(Scanning().FollowingScan());
  EXPECT_TRUE(Told(IDS_ENGINE_STOPPED));
  EXPECT_FALSE(Frame().NavigationLocked());
}

}  // namespace

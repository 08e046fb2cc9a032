#include <windows.h>
#include <commctrl.h>
#include <olectl.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/EventSinks.h"
#include "support/FakeEngine.h"
#include "support/MessageRecorder.h"
#include "themedata/resource.h"

namespace {

class SinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrainPostedMessages();
    ASSERT_TRUE(IsWindow(window.hwnd())) << "no window: is there a display?";
    ASSERT_TRUE(session.CreateAll());
  }
  void TearDown() override {
    session.ReleaseAll();
    DrainPostedMessages();
  }
  FakeEngine engine;
  CEngineSession session;
  RecordingWindow window;
};

// ---- Connection

TEST_F(SinkTest, ConnectAdvisesOnceAndDisconnectUnadvises) {
  CFrameScanControlSink sink;
  sink.Connect(session.ScanControl());
  EXPECT_TRUE(sink.IsConnected());
  sink.Connect(session.ScanControl());
  EXPECT_EQ(1, engine.CallCount(L"Advise"));
  EXPECT_EQ(1, engine.SinkCount(CEngineSession::kScanControlSlot, IID__IQVScanControlEvents));

  sink.Disconnect();
  EXPECT_FALSE(sink.IsConnected());
  EXPECT_EQ(1, engine.CallCount(L"Unadvise"));
  EXPECT_EQ(0, engine.SinkCount(CEngineSession::kScanControlSlot, IID__IQVScanControlEvents));
  sink.Disconnect();
  EXPECT_EQ(1, engine.CallCount(L"Unadvise"));
  // The engine dropped every reference it took.
  EXPECT_EQ(1u, sink.RefCount());
}

TEST_F(SinkTest, ConnectFailuresAreSilent) {
  CFrameActiveProtectionSink sink;
  sink.Connect(session.Quarantine());  // no connection point container
  EXPECT_FALSE(sink.IsConnected());
  sink.Connect(static_cast<IUnknown*>(nullptr));
  EXPECT_FALSE(sink.IsConnected());

  engine.RefuseConnectionPoint(0, IID__IQVActiveProtectionEvents);
  sink.Connect(session.Service());
  EXPECT_FALSE(sink.IsConnected());
  EXPECT_EQ(0, engine.CallCount(L"Advise"));

  engine.FailNext(L"Advise", CONNECT_E_ADVISELIMIT);
  sink.Connect(session.ActiveProtection());
  EXPECT_FALSE(sink.IsConnected());
  EXPECT_EQ(0u, sink.Cookie());
  // The fallback the main frame uses works once the engine accepts.
  sink.Connect(session.ActiveProtection());
  EXPECT_TRUE(sink.IsConnected());
  EXPECT_EQ(1, engine.SinkCount(2, IID__IQVActiveProtectionEvents));
}

TEST_F(SinkTest, SinkAnswersOnlyItsInterfaceAndIsNeverDestroyed) {
  CFrameServiceSink sink;
  void* p = nullptr;
  EXPECT_EQ(S_OK, sink.QueryInterface(IID__IQVServiceEvents, &p));
  EXPECT_EQ(static_cast<_IQVServiceEvents*>(&sink), p);
  EXPECT_EQ(S_OK, sink.QueryInterface(IID_IUnknown, &p));
  EXPECT_EQ(E_NOINTERFACE, sink.QueryInterface(IID__IQVScanControlEvents, &p));
  EXPECT_EQ(nullptr, p);
  EXPECT_EQ(E_NOINTERFACE, sink.QueryInterface(IID_IDispatch, &p));
  EXPECT_EQ(3u, sink.RefCount());
  for (int i = 0; i < 5; ++i) sink.Release();
  EXPECT_EQ(0u, sink.RefCount());
}

TEST_F(SinkTest, SinkDisconnectsWhenDestroyed) {
  {
    CScanningScanSink sink;
    sink.Connect(session.ScanControl());
    ASSERT_TRUE(sink.IsConnected());
  }
  EXPECT_EQ(0, engine.SinkCount(CEngineSession::kScanControlSlot, IID__IQVScanControlEvents));
  EXPECT_EQ(0, engine.FireScanStateChanged(0));
}

// ---- Main frame reactions

TEST_F(SinkTest, FrameScanSinkPostsEveryState) {
  CFrameScanControlSink sink;
  sink.SetWindow(window.hwnd());
  sink.Connect(session.ScanControl());
  for (LONG state : {1, 0, 110, 113}) engine.FireScanStateChanged(state, 7);
  std::vector<RecordedMessage> expected;
  for (LONG state : {1, 0, 110, 113})
    expected.push_back({window.hwnd(), 1042, static_cast<WPARAM>(state), 0});
  EXPECT_EQ(expected, DrainPostedMessages());
}

TEST_F(SinkTest, FrameServiceSinkStartsReconnectionOnlyForZero) {
  CFrameServiceSink sink;
  sink.SetWindow(window.hwnd());
  sink.Connect(session.Service());
  engine.FireServiceStatusChanged(1);
  EXPECT_FALSE(KillTimer(window.hwnd(), IDT_RECONNECT));
  engine.FireServiceStatusChanged(0);
  EXPECT_TRUE(KillTimer(window.hwnd(), IDT_RECONNECT));
  EXPECT_EQ(100u, IDT_RECONNECT);
  EXPECT_EQ(5000u, kReconnectPeriodMs);
}

TEST_F(SinkTest, FrameActiveProtectionSinkPostsAnOwnedCopy) {
  CFrameActiveProtectionSink sink;
  sink.SetWindow(window.hwnd());
  sink.Connect(session.Service());
  engine.FireActiveProtectionEvent(L"<APEvent Name=\"x\"/>");
  auto posted = DrainPostedMessages();
  ASSERT_EQ(1u, posted.size());
  EXPECT_EQ(1039u, posted[0].message);
  EXPECT_EQ(0u, posted[0].wParam);
  auto text = TakeEventText(posted[0].lParam);
  ASSERT_TRUE(text);
  EXPECT_EQ(L"<APEvent Name=\"x\"/>", *text);

  // No window: nothing posted, nothing leaked.
  sink.SetWindow(nullptr);
  engine.FireActiveProtectionEvent(L"<APEvent/>");
  EXPECT_TRUE(DrainPostedMessages().empty());
}

TEST_F(SinkTest, FrameDefinitionsSinkTellsTheSettingsPageOnlyForThree) {
  RecordingWindow settings;
  CFrameDefinitionsSink sink;
  sink.SetSettingsWindow([&] { return settings.hwnd(); });
  sink.Connect(session.ThreatDefinitions());
  for (LONG status : {0, 1, 2, 3, 4, 5, 6, 7, 100, 101, 110})
    engine.FireDefinitionsUpdateStatus(status);
  EXPECT_EQ((std::vector<RecordedMessage>{{settings.hwnd(), 1135, 0, 0}}), DrainPostedMessages());
}

TEST_F(SinkTest, OverviewSinkRefreshesOnAnyStatusAndAnswersZero) {
  int refreshes = 0;
  COverviewDefinitionsSink sink;
  sink.SetRefresh([&] { ++refreshes; });
  sink.Connect(session.Service());  // the overview page listens on the service component
  for (LONG status : {0, 3, 42}) engine.FireDefinitionsUpdateStatus(status, 0, 0, 0);
  EXPECT_EQ(3, refreshes);
  EXPECT_EQ(0, engine.FireDefinitionsEvent5(9, 0));
  // Other sinks leave the value alone.
  CFrameDefinitionsSink other;
  other.Connect(session.ThreatDefinitions());
  EXPECT_EQ(9, engine.FireDefinitionsEvent5(9, CEngineSession::kThreatDefinitionsSlot));
}

// ---- Scanning page reactions

TEST_F(SinkTest, ScanningSinkStateTable) {
  CScanningScanSink sink;
  sink.SetWindow(window.hwnd());
  sink.Connect(session.ScanControl());
  struct Case {
    LONG state;
    std::optional<WPARAM> posted;
  } cases[] = {{0, 0},   {107, 0}, {109, 0}, {111, 0},  {112, 0},  {115, 0},
               {116, 0}, {113, 1}, {1, {}},  {114, {}}, {110, {}}, {108, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    engine.FireScanStateChanged(c.state);
    auto posted = DrainPostedMessages();
    if (c.posted) {
      EXPECT_EQ((std::vector<RecordedMessage>{{window.hwnd(), 1025, *c.posted, 0}}), posted);
    } else {
      EXPECT_TRUE(posted.empty());
    }
  }
}

TEST_F(SinkTest, ScanningSinkHandsProgressToItsOwner) {
  CScanningScanSink sink;
  std::vector<std::wstring> seen;
  sink.SetProgress([&](const ScanProgressEvent& e) {
    seen.push_back(std::wstring(e.threatName) + L"|" + std::wstring(e.objectName) + L"|" +
                   std::wstring(e.threatCategory) + L"|" + std::to_wstring(e.threatId) + L"|" +
                   std::to_wstring(e.threatCount) + L"|" + std::to_wstring(e.objectsScanned));
  });
  sink.Connect(session.ScanControl());
  FakeEngine::ScanProgressArgs args;
  args.threatName = L"Trojan.X";
  args.objectName = L"C:\\a.exe";
  args.threatCategory = L"Trojan";
  args.threatId = 77;
  args.threatCount = 2;
  args.objectsScanned = 1234;
  engine.FireScanProgress(args);
  EXPECT_EQ(std::vector<std::wstring>{L"Trojan.X|C:\\a.exe|Trojan|77|2|1234"}, seen);
}

TEST_F(SinkTest, ScanningDefinitionsSinkThrottlesDownloadProgress) {
  RecordingWindow bar(window.hwnd(), IDC_SCANNING_PROGRESS);
  DWORD now = 50000;
  CScanningDefinitionsSink::ResetThrottle();
  CScanningDefinitionsSink sink, secondPage;
  sink.SetWindow(window.hwnd());
  sink.SetTickSource([&] { return now; });
  secondPage.SetTickSource([&] { return now; });
  sink.Connect(session.ThreatDefinitions());

  engine.FireDefinitionsUpdateStatus(5, 1000, 300);
  EXPECT_EQ((std::vector<RecordedMessage>{{window.hwnd(), 1028, 3, 0},
                                          {bar.hwnd(), PBM_SETRANGE32, 0, 500},
                                          {bar.hwnd(), PBM_SETPOS, 150, 0}}),
            DrainPostedMessages());

  now += 1000;  // not more than a second: dropped
  engine.FireDefinitionsUpdateStatus(0, 1000, 400);
  EXPECT_TRUE(DrainPostedMessages().empty());

  now += 1;
  engine.FireDefinitionsUpdateStatus(6, 1000, 500);
  EXPECT_EQ(3u, DrainPostedMessages().size());

  // The tick is shared: another page's event right after is dropped too.
  now += 10;
  secondPage.SetWindow(window.hwnd());
  secondPage.DefinitionsUpdateStatus(0, 0, 10, 5);
  EXPECT_TRUE(DrainPostedMessages().empty());

  // Installing is never throttled; other statuses do nothing.
  engine.FireDefinitionsUpdateStatus(1);
  EXPECT_EQ((std::vector<RecordedMessage>{{window.hwnd(), 1028, 4, 0}}), DrainPostedMessages());
  for (LONG status : {2, 3, 4, 7, 100, 101, 110}) engine.FireDefinitionsUpdateStatus(status);
  EXPECT_TRUE(DrainPostedMessages().empty());
}

// ---- Cleaning page reactions

TEST_F(SinkTest, CleaningSinkEndsOnItsStatesAndSetsProgressAtOnce) {
  RecordingWindow bar(window.hwnd(), IDC_CLEANING_PROGRESS);
  CCleaningScanSink sink;
  sink.SetWindow(window.hwnd());
  std::vector<std::wstring> cleaned;
  sink.SetCleaned([&](const CleanProgressEvent& e) {
    // The bar already shows the progress when the owner hears of the trace.
    EXPECT_FALSE(bar.sent().empty());
    cleaned.push_back(std::wstring(e.threatName) + L"|" + std::wstring(e.trace) + L"|" +
                      std::to_wstring(e.progress));
  });
  sink.Connect(session.ScanControl());

  for (LONG state : {0, 111, 112, 113, 115, 116, 1, 107, 109, 110, 114}) {
    SCOPED_TRACE(state);
    engine.FireScanStateChanged(state);
    auto posted = DrainPostedMessages();
    if (EngineCodes::IsCleaningEndState(state)) {
      EXPECT_EQ((std::vector<RecordedMessage>{{window.hwnd(), 32798, 0, 0}}), posted);
    } else {
      EXPECT_TRUE(posted.empty());
    }
  }

  engine.FireCleanProgress(5, L"Adware.Y", 1, L"C:\\y.dll", 40);
  EXPECT_EQ((std::vector<RecordedMessage>{{bar.hwnd(), PBM_SETPOS, 40, 0}}), bar.sent());
  EXPECT_EQ(std::vector<std::wstring>{L"Adware.Y|C:\\y.dll|40"}, cleaned);
  EXPECT_TRUE(DrainPostedMessages().empty());
}

TEST_F(SinkTest, UnknownStateReachesNoSink) {
  RecordingWindow page;
  CFrameScanControlSink frame;  // the frame passes every state on; only 1 means something there
  CScanningScanSink scanning;
  CCleaningScanSink cleaning;
  scanning.SetWindow(page.hwnd());
  cleaning.SetWindow(page.hwnd());
  scanning.Connect(session.ScanControl());
  cleaning.Connect(session.ScanControl());
  EXPECT_EQ(2, engine.FireScanStateChanged(110));
  EXPECT_TRUE(DrainPostedMessages().empty());
}

TEST(EngineCodesTest, GetScanStateChecks) {
  for (LONG s : {0, 113, 115, 116}) EXPECT_TRUE(EngineCodes::IsWatchdogAbnormalEnd(s)) << s;
  for (LONG s : {1, 107, 109, 111, 112, 114, 110})
    EXPECT_FALSE(EngineCodes::IsWatchdogAbnormalEnd(s)) << s;
  for (LONG s : {109, 111}) EXPECT_TRUE(EngineCodes::CleaningNeedsNoCheck(s)) << s;
  for (LONG s : {0, 112, 113, 1}) EXPECT_FALSE(EngineCodes::CleaningNeedsNoCheck(s)) << s;
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ScanController.h"
#include "support/FakeEngine.h"
#include "support/MessageRecorder.h"

namespace {

class ScanControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DrainPostedMessages();
    ASSERT_TRUE(session.CreateAll());
    controller.ConnectSink();
    ASSERT_TRUE(controller.IsConnected());
    ASSERT_TRUE(IsWindow(frame.hwnd())) << "no window: is there a display?";
    controller.SetNotifyWindow(frame.hwnd());
  }
  void TearDown() override {
    controller.Disconnect();
    session.ReleaseAll();
    DrainPostedMessages();
  }

  // What the main frame does on msg::kDefinitionsUpdated.
  int DeliverUpdateOver() {
    int delivered = 0;
    for (const auto& m : DrainPostedMessages()) {
      if (m.hwnd == frame.hwnd() && m.message == msg::kDefinitionsUpdated) {
        EXPECT_EQ(0u, m.wParam);
        EXPECT_EQ(0, m.lParam);
        ++delivered;
        controller.StartPendingScan();
      }
    }
    return delivered;
  }

  std::vector<std::wstring> StartedTypes() const {
    std::vector<std::wstring> types;
    for (const auto& c : engine.Calls(L"StartScan")) types.push_back(c.args[0]);
    return types;
  }

  FakeEngine engine;
  CEngineSession session;
  CScanController controller{session};
  RecordingWindow frame;
};

TEST_F(ScanControllerTest, CurrentDefinitionsStartTheScanAtOnce) {
  controller.RequestScan(kScanFull);
  EXPECT_EQ((std::vector<std::wstring>{L"GetDefinitionsStatus", L"StartScan"}),
            engine.CallOrder({L"GetDefinitionsStatus", L"UpdateDefinitions", L"StartScan"}));
  EXPECT_EQ(std::vector<std::wstring>{L"1"}, StartedTypes());
  EXPECT_FALSE(controller.ScanPending());
  EXPECT_FALSE(controller.UpdateRunning());
}

TEST_F(ScanControllerTest, OutOfDateDefinitionsUpdateFirstThenScan) {
  engine.values().definitionsCurrent = 0;
  controller.RequestScan(kScanCustom);
  EXPECT_EQ(1, engine.CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(0, engine.CallCount(L"StartScan"));
  EXPECT_TRUE(controller.UpdateRunning());
  EXPECT_TRUE(controller.ScanPending());

  // Running statuses keep it waiting.
  for (LONG status : {0, 5, 6, 1}) engine.FireDefinitionsUpdateStatus(status, 100, 50);
  EXPECT_EQ(0, DeliverUpdateOver());
  EXPECT_EQ(0, engine.CallCount(L"StartScan"));

  engine.FireDefinitionsUpdateStatus(101);
  EXPECT_FALSE(controller.UpdateRunning());
  EXPECT_EQ(1, DeliverUpdateOver());
  EXPECT_EQ(std::vector<std::wstring>{L"2"}, StartedTypes());
  EXPECT_FALSE(controller.ScanPending());
}

TEST_F(ScanControllerTest, RequestDuringUpdateReplacesThePendingType) {
  engine.values().definitionsCurrent = 0;
  controller.RequestScan(kScanQuick);
  engine.ClearCalls();
  controller.RequestScan(kScanFull);
  EXPECT_EQ(0, engine.CallCount(L"GetDefinitionsStatus"));  // an update is running
  EXPECT_EQ(0, engine.CallCount(L"UpdateDefinitions"));
  EXPECT_EQ(1, controller.PendingScanType());

  engine.FireDefinitionsUpdateStatus(2);
  DeliverUpdateOver();
  EXPECT_EQ(std::vector<std::wstring>{L"1"}, StartedTypes());
  // A second end report starts nothing more.
  engine.FireDefinitionsUpdateStatus(2);
  DeliverUpdateOver();
  EXPECT_EQ(1, engine.CallCount(L"StartScan"));
}

TEST_F(ScanControllerTest, CancelDuringUpdateStartsNothingAfterIt) {
  engine.values().definitionsCurrent = 0;
  controller.RequestScan(kScanQuick);
  controller.CancelScan();
  EXPECT_FALSE(controller.ScanPending());
  EXPECT_EQ(1, engine.CallCount(L"StopScan"));

  engine.FireDefinitionsUpdateStatus(4);
  EXPECT_EQ(1, DeliverUpdateOver());
  EXPECT_EQ(0, engine.CallCount(L"StartScan"));
}

TEST_F(ScanControllerTest, UpdateStatusTable) {
  struct Case {
    LONG status;
    bool runningAfter;
    bool posts;
  } cases[] = {{0, true, false},   {1, true, false},   {5, true, false}, {6, true, false},
               {2, false, true},   {3, false, true},   {4, false, true}, {7, false, true},
               {100, false, true}, {101, false, true}, {8, true, false}, {99, true, false},
               {-1, true, false},  {110, true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    controller.DefinitionsUpdateStatus(0, 0, 0, 0);  // running
    controller.DefinitionsUpdateStatus(0, c.status, 0, 0);
    EXPECT_EQ(c.runningAfter, controller.UpdateRunning());
    EXPECT_EQ(c.posts ? 1 : 0, DeliverUpdateOver());
  }
  // Other statuses change nothing when no update runs either.
  controller.DefinitionsUpdateStatus(0, 2, 0, 0);
  DeliverUpdateOver();
  controller.DefinitionsUpdateStatus(0, 8, 0, 0);
  EXPECT_FALSE(controller.UpdateRunning());
}

TEST_F(ScanControllerTest, UpdateOverWithoutWindowPostsNothing) {
  controller.SetNotifyWindow(nullptr);
  controller.DefinitionsUpdateStatus(0, 3, 0, 0);
  EXPECT_TRUE(DrainPostedMessages().empty());  // not even to the thread
}

TEST_F(ScanControllerTest, FailingStatusQueryRaisesAndLeavesTheScanPending) {
  engine.FailNext(L"GetDefinitionsStatus", E_FAIL);
  try {
    controller.RequestScan(kScanFull);
    ADD_FAILURE() << "no EngineError";
  } catch (const EngineError& e) {
    EXPECT_EQ(E_FAIL, e.Result());
    EXPECT_EQ(IID_IQVThreatDefinitions, e.Interface());
  }
  EXPECT_TRUE(controller.ScanPending());
  EXPECT_EQ(0, engine.CallCount(L"StartScan"));
  EXPECT_EQ(0, engine.CallCount(L"UpdateDefinitions"));
}

TEST_F(ScanControllerTest, FailingUpdateRequestDoesNotHoldLaterScansBack) {
  engine.values().definitionsCurrent = 0;
  engine.FailNext(L"UpdateDefinitions", E_FAIL);
  EXPECT_THROW(controller.RequestScan(kScanQuick), EngineError);
  EXPECT_FALSE(controller.UpdateRunning());
  EXPECT_TRUE(controller.ScanPending());

  engine.values().definitionsCurrent = 1;
  controller.RequestScan(kScanFull);
  EXPECT_EQ(std::vector<std::wstring>{L"1"}, StartedTypes());
}

TEST_F(ScanControllerTest, FailingStartClearsThePendingScan) {
  engine.FailNext(L"StartScan", E_UNEXPECTED);
  EXPECT_THROW(controller.RequestScan(kScanQuick), EngineError);
  EXPECT_FALSE(controller.ScanPending());
  controller.StartPendingScan();
  EXPECT_EQ(1, engine.CallCount(L"StartScan"));
}

TEST_F(ScanControllerTest, NoEngineRaisesPointerError) {
  session.ReleaseAll();
  engine.FailCreate(9, E_FAIL);
  try {
    controller.CancelScan();
    ADD_FAILURE() << "no EngineError";
  } catch (const EngineError& e) {
    EXPECT_EQ(E_POINTER, e.Result());
    EXPECT_EQ(IID_IQVScanControl, e.Interface());
  }
}

TEST(ScanControllerInstanceTest, FirstUseConnectsToTheDefinitionsComponent) {
  FakeEngine engine;
  ASSERT_TRUE(Engine().CreateAll());
  CScanController& controller = CScanController::Instance();
  EXPECT_EQ(&controller, &CScanController::Instance());
  EXPECT_FALSE(controller.UpdateRunning());
  EXPECT_FALSE(controller.ScanPending());
  EXPECT_EQ(0, controller.PendingScanType());
  EXPECT_EQ(
      1, engine.SinkCount(CEngineSession::kThreatDefinitionsSlot, IID__IQVThreatDefinitionsEvents));
  EXPECT_EQ(1, engine.CallCount(L"Advise"));
  CScanController::Shutdown();
  EXPECT_EQ(
      0, engine.SinkCount(CEngineSession::kThreatDefinitionsSlot, IID__IQVThreatDefinitionsEvents));
  Engine().ReleaseAll();
}

}  // namespace

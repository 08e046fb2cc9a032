#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineSession.h"
#include "engine/ThreatInfo.h"
#include "support/FakeEngine.h"

namespace {

class EngineSessionTest : public ::testing::Test {
 protected:
  void TearDown() override { session.ReleaseAll(); }

  std::vector<std::wstring> CreatedSlots() const {
    std::vector<std::wstring> slots;
    for (const auto& c : engine.Calls(L"Create")) slots.push_back(c.args[0]);
    return slots;
  }

  FakeEngine engine;
  CEngineSession session;
};

TEST_F(EngineSessionTest, CreatesAllFifteenWithSlotNineLast) {
  ASSERT_TRUE(session.CreateAll());
  EXPECT_EQ(15, session.HeldSlotCount());
  EXPECT_EQ(15, engine.LiveComponents());
  const std::vector<std::wstring> order = {L"0", L"1",  L"2",  L"3",  L"4",  L"5",  L"6", L"7",
                                           L"8", L"10", L"11", L"12", L"13", L"14", L"9"};
  EXPECT_EQ(order, CreatedSlots());
}

TEST_F(EngineSessionTest, FailureOfAnySlotLeavesTheSessionEmpty) {
  for (int failing : {9, 0, 7, 14}) {
    SCOPED_TRACE(failing);
    engine.FailCreate(failing, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(session.CreateAll());
    EXPECT_EQ(0, session.HeldSlotCount());
    EXPECT_EQ(0, engine.LiveComponents());
    engine.FailCreate(failing, S_OK);
  }
  engine.FailCreate(9, E_FAIL);
  engine.ClearCalls();
  // The accessor tries to create everything, and hands back nothing.
  EXPECT_FALSE(session.ScanControl());
  EXPECT_EQ(15, engine.CallCount(L"Create"));
  EXPECT_EQ(0, engine.LiveComponents());
  try {
    Checked(session.ScanControl());
    ADD_FAILURE() << "no EngineError";
  } catch (const EngineError& e) {
    EXPECT_EQ(E_POINTER, e.Result());
    EXPECT_EQ(IID_IQVScanControl, e.Interface());
  }
}

TEST_F(EngineSessionTest, MissingInterfaceCountsAsFailedCreation) {
  engine.RefuseInterface(9);
  EXPECT_FALSE(session.CreateAll());
  EXPECT_EQ(0, session.HeldSlotCount());
  EXPECT_EQ(0, engine.LiveComponents());
}

TEST_F(EngineSessionTest, CreateAllWithSlotZeroHeldChangesNothing) {
  ASSERT_TRUE(session.CreateAll());
  engine.ClearCalls();
  EXPECT_FALSE(session.CreateAll());
  EXPECT_EQ(0, engine.CallCount(L"Create"));
  EXPECT_EQ(15, session.HeldSlotCount());
}

TEST_F(EngineSessionTest, AccessorProbesWithPingSetToTwo) {
  ASSERT_TRUE(session.CreateAll());
  engine.ClearCalls();
  auto service = session.Service();
  ASSERT_TRUE(service);
  ASSERT_EQ(1, engine.CallCount(L"Ping"));
  EXPECT_EQ(L"2", engine.Calls(L"Ping")[0].args[0]);
  EXPECT_EQ(0, engine.CallCount(L"Create"));
}

TEST_F(EngineSessionTest, AGroupOfCallsProbesOnce) {
  ASSERT_TRUE(session.CreateAll());
  engine.ClearCalls();
  {
    CEngineSession::ProbeGroup group(session);
    EXPECT_TRUE(session.Service());
    {
      CEngineSession::ProbeGroup inner(session);  // nested: still the one probe
      EXPECT_TRUE(session.ScanControl());
    }
    EXPECT_TRUE(session.ThreatDefinitions());
    EXPECT_EQ(1, engine.CallCount(L"Ping"));
  }
  // After the group every accessor probes again.
  EXPECT_TRUE(session.Service());
  EXPECT_TRUE(session.Quarantine());
  EXPECT_EQ(3, engine.CallCount(L"Ping"));

  // A group whose probe finds the engine gone and cannot make a new one gets
  // nothing from every accessor, without trying again per accessor.
  engine.ClearCalls();
  engine.Fail(L"Ping", RPC_E_DISCONNECTED);
  for (int slot = 0; slot < CEngineSession::kSlotCount; ++slot)
    engine.FailCreate(slot, CO_E_SERVER_EXEC_FAILURE);
  {
    CEngineSession::ProbeGroup group(session);
    EXPECT_FALSE(session.Service());
    EXPECT_FALSE(session.ScanControl());
    EXPECT_EQ(1, engine.CallCount(L"Ping"));
  }
  for (int slot = 0; slot < CEngineSession::kSlotCount; ++slot) engine.FailCreate(slot, 0);
  engine.ClearFailure(L"Ping");
  EXPECT_TRUE(session.Service()) << "the next use outside the group makes the engine anew";
}

TEST_F(EngineSessionTest, PingFailureRecreatesEveryComponent) {
  ASSERT_TRUE(session.CreateAll());
  auto before = session.ThreatDefinitions();  // an earlier reference stays valid
  engine.ClearCalls();
  engine.FailNext(L"Ping", RPC_E_DISCONNECTED);
  auto after = session.ThreatDefinitions();
  ASSERT_TRUE(after);
  EXPECT_NE(before.Get(), after.Get());
  EXPECT_EQ(15, engine.CallCount(L"Create"));
  EXPECT_EQ(15, session.HeldSlotCount());
  // The old components are gone but for the one still held here.
  EXPECT_EQ(16, engine.LiveComponents());
  EXPECT_EQ(2, engine.LiveComponents(CEngineSession::kThreatDefinitionsSlot));
  before.Reset();
  EXPECT_EQ(15, engine.LiveComponents());
}

TEST_F(EngineSessionTest, ProbeOnEmptySessionReleasesNothingAndReportsDead) {
  EXPECT_FALSE(session.IsAlive());
  EXPECT_EQ(0, engine.CallCount(L"Ping"));
  EXPECT_TRUE(session.EnsureEngine());
  EXPECT_EQ(15, session.HeldSlotCount());
  engine.ClearCalls();
  EXPECT_TRUE(session.EnsureEngine());
  EXPECT_EQ(0, engine.CallCount(L"Create"));
}

TEST_F(EngineSessionTest, ReleaseAllReleasesEveryComponent) {
  ASSERT_TRUE(session.CreateAll());
  session.ReleaseAll();
  EXPECT_EQ(0, session.HeldSlotCount());
  EXPECT_EQ(0, engine.LiveComponents());
}

TEST_F(EngineSessionTest, DestructionReleasesEverything) {
  {
    CEngineSession local;
    ASSERT_TRUE(local.CreateAll());
  }
  EXPECT_EQ(0, engine.LiveComponents());
}

TEST_F(EngineSessionTest, EngineErrorCarriesResultInterfaceAndMessage) {
  engine.Fail(L"StartScan", E_ACCESSDENIED);
  auto control = Checked(session.ScanControl());
  try {
    CheckEngine(control->StartScan(kScanFull), control);
    ADD_FAILURE() << "no EngineError";
  } catch (const EngineError& e) {
    EXPECT_EQ(E_ACCESSDENIED, e.Result());
    EXPECT_EQ(IID_IQVScanControl, e.Interface());
    EXPECT_TRUE(e.Description().empty());  // the fake supplies no error information
    std::string what = e.what();
    EXPECT_NE(std::string::npos, what.find("0x80070005")) << what;
    EXPECT_NE(std::string::npos, what.find("BBED8229-EB89-4853-B66A-391DA146CECE")) << what;
  }
  EXPECT_NO_THROW(CheckEngine(S_FALSE, IID_IQVScanControl));
}

TEST_F(EngineSessionTest, EngineErrorTakesTheEnginesDescriptionWhenThereIsOne) {
  engine.Fail(L"DeleteItem", E_INVALIDARG);
  engine.SetErrorDescription(L"DeleteItem", L"no such item");
  auto quarantine = Checked(session.Quarantine());
  EngineString id(L"q1");
  try {
    CheckEngine(quarantine->DeleteItem(id.Get()), quarantine);
    ADD_FAILURE() << "no EngineError";
  } catch (const EngineError& e) {
    EXPECT_EQ(E_INVALIDARG, e.Result());
    EXPECT_EQ(L"no such item", e.Description());
    EXPECT_NE(std::string::npos, std::string(e.what()).find("no such item"));
  }
  // The description is consumed: a later failure without one has none.
  engine.Fail(L"RestoreItem", E_FAIL);
  try {
    CheckEngine(quarantine->RestoreItem(id.Get(), nullptr, 1, 4), quarantine);
  } catch (const EngineError& e) {
    EXPECT_TRUE(e.Description().empty());
  }
}

// Start-up: the clock advances only when the session sleeps.
struct FakeClock {
  ULONGLONG now = 5000;
  int sleeps = 0;
  EngineClock Clock() {
    return {[this] { return now; },
            [this](DWORD ms) {
              ++sleeps;
              now += ms;
            }};
  }
};

TEST_F(EngineSessionTest, StartupRetriesEverySecondUntilTheEngineAnswers) {
  FakeClock clock;
  engine.FailCreate(0, CO_E_SERVER_EXEC_FAILURE);
  int attempts = 0;
  engine.OnCall(L"Create", [&] {
    if (engine.Calls().back().args[0] == L"0" && ++attempts == 5) engine.FailCreate(0, S_OK);
  });
  EXPECT_TRUE(session.ConnectAtStartup(clock.Clock()));
  EXPECT_EQ(4, clock.sleeps);
  EXPECT_EQ(15, session.HeldSlotCount());
}

TEST_F(EngineSessionTest, StartupGivesUpAfterSixtySeconds) {
  FakeClock clock;
  engine.FailCreate(9, CO_E_SERVER_EXEC_FAILURE);
  EXPECT_FALSE(session.ConnectAtStartup(clock.Clock()));
  EXPECT_EQ(60, clock.sleeps);
  EXPECT_EQ(0, session.HeldSlotCount());
  EXPECT_EQ(0, engine.LiveComponents());
}

TEST_F(EngineSessionTest, StartupWithAFailingPingKeepsTrying) {
  FakeClock clock;
  engine.FailNext(L"Ping", E_FAIL, 3);
  EXPECT_TRUE(session.ConnectAtStartup(clock.Clock()));
  EXPECT_EQ(3, clock.sleeps);
}

}  // namespace

namespace {

TEST_F(EngineSessionTest, ThreatInfoCarriesEveryOutput) {
  FakeEngine::ThreatInfo scripted;
  for (int i = 0; i < 8; ++i) scripted.texts[i] = L"text" + std::to_wstring(i + 1);
  scripted.flags[2] = 1;
  scripted.value = 4;
  engine.values().threats[77] = scripted;

  EngineThreatInfo info = QueryThreatInfo(77, session);
  EXPECT_TRUE(info.known);
  EXPECT_EQ(L"text1", info.texts[0]);
  EXPECT_EQ(L"text5", info.texts[4]);
  EXPECT_EQ(L"text8", info.texts[7]);
  EXPECT_FALSE(info.flags[0]);
  EXPECT_TRUE(info.flags[2]);
  EXPECT_EQ(4, info.value);
  EXPECT_EQ(L"77", engine.Calls(L"GetThreatInfo")[0].args[0]);

  EXPECT_FALSE(QueryThreatInfo(5, session).known);
  engine.FailNext(L"GetThreatInfo", E_FAIL);
  EXPECT_THROW(QueryThreatInfo(77, session), EngineError);
}

}  // namespace

namespace {

TEST(FakeEngineLifetimeTest, SessionMovesOnToTheNextFakeEngine) {
  CEngineSession session;
  {
    FakeEngine first;
    ASSERT_TRUE(session.CreateAll());
  }
  FakeEngine second;
  auto control = session.ScanControl();
  ASSERT_TRUE(control);
  control->ResetScan();
  EXPECT_EQ(15, second.CallCount(L"Create"));
  EXPECT_EQ(1, second.CallCount(L"ResetScan"));
  control.Reset();
  session.ReleaseAll();
}

}  // namespace

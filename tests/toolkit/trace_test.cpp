// The trace channel: one line per failed call, with its place; successes and
// S_FALSE write nothing. Failed engine calls and failed sink connections leave
// their line.
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>

#include "TraceCapture.h"
#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "engine/EventSinks.h"
#include "support/FakeEngine.h"

namespace {

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

TEST(Trace, OnlyFailuresWriteALineWithFileLineWhatAndCode) {
  struct Case {
    HRESULT hr;
    bool failed;
    const char* code;
  } cases[] = {
      {S_OK, false, ""},
      {S_FALSE, false, ""},
      {E_FAIL, true, "0x80004005"},
      {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), true, "0x80070002"},
      {RPC_E_DISCONNECTED, true, "0x80010108"},
  };
  for (const auto& c : cases) {
    TraceCapture capture;
    const int line = __LINE__ + 1;
    bool failed = TraceHr(c.hr, L"Probe");
    auto lines = capture.Lines();
    SCOPED_TRACE(c.code);
    EXPECT_EQ(c.failed, failed);
    if (!c.failed) {
      EXPECT_TRUE(lines.empty());
      continue;
    }
    ASSERT_EQ(1u, lines.size());
    std::string text = Narrow(lines[0]);
    EXPECT_NE(std::string::npos, text.find("trace_test.cpp(" + std::to_string(line) + ")")) << text;
    EXPECT_NE(std::string::npos, text.find("Probe failed")) << text;
    EXPECT_NE(std::string::npos, text.find(c.code)) << text;
    EXPECT_EQ('\n', text.back()) << text;
  }
}

TEST(Trace, LastErrorBecomesTheHresult) {
  TraceCapture capture;
  SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), TraceLastError(L"OpenThing"));
  SetLastError(0);
  EXPECT_EQ(E_FAIL, TraceLastError(L"OpenOther"));
  auto lines = capture.Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_NE(std::wstring::npos, lines[0].find(L"OpenThing failed: 0x80070005")) << Narrow(lines[0]);
  EXPECT_NE(std::wstring::npos, lines[1].find(L"OpenOther failed: 0x80004005")) << Narrow(lines[1]);
}

class EngineTrace : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session.CreateAll()); }
  void TearDown() override { session.ReleaseAll(); }
  FakeEngine engine;
  CEngineSession session;
};

TEST_F(EngineTrace, FailedEngineCallLeavesALineBeforeItRaises) {
  engine.Fail(L"StartScan", E_ACCESSDENIED);
  TraceCapture capture;
  auto control = session.ScanControl();
  EXPECT_THROW(CheckEngine(control->StartScan(0), control), EngineError);
  auto lines = capture.With(L"engine call failed: 0x80070005");
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::wstring::npos, lines[0].find(L"trace_test.cpp(")) << Narrow(lines[0]);
}

TEST_F(EngineTrace, DeadEngineLeavesALine) {
  engine.Fail(L"Ping", RPC_E_DISCONNECTED);
  TraceCapture capture;
  EXPECT_FALSE(session.IsAlive());
  EXPECT_EQ(1u, capture.With(L"Ping failed: 0x80010108").size());
}

TEST_F(EngineTrace, SinkConnectFailuresLeaveALineEach) {
  struct Case {
    const char* name;
    std::function<void()> script;
    std::function<IUnknown*(CEngineSession&)> component;
    const wchar_t* expected;
  };
  std::vector<Case> cases = {
      {"no container", [] {},
       [](CEngineSession& s) -> IUnknown* { return s.Quarantine().Get(); },
       L"QueryInterface(IConnectionPointContainer) failed: 0x80004002"},
      {"no point", [&] { engine.RefuseConnectionPoint(2, IID__IQVActiveProtectionEvents); },
       [](CEngineSession& s) -> IUnknown* { return s.ActiveProtection().Get(); },
       L"FindConnectionPoint failed: 0x80040200"},
      {"advise refused", [&] { engine.FailNext(L"Advise", CONNECT_E_ADVISELIMIT); },
       [](CEngineSession& s) -> IUnknown* { return s.Service().Get(); },
       L"Advise failed: 0x80040201"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.script();
    TraceCapture capture;
    CFrameActiveProtectionSink sink;
    sink.Connect(c.component(session));
    EXPECT_FALSE(sink.IsConnected());
    auto lines = capture.Lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::wstring::npos, lines[0].find(c.expected)) << Narrow(lines[0]);
  }
}

}  // namespace

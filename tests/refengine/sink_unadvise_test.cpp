// The client's sinks against the real engine, which here fires an event at a
// sink during its Unadvise (as an event already on its way would arrive).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "EngineHarness.h"
#include "engine/EventSinks.h"

using namespace rrtest;

namespace {

constexpr wchar_t kEcho[] = L"RODEREDUD_ENGINE_ECHO_ON_UNADVISE";

// A sink the way a page is one: it derives from the ready-made sink and keeps
// what it hears in members of its own, which go before the base does.
class PageLikeSink : public CScanControlSink {
 public:
  PageLikeSink(int& heard, bool disconnectsItself)
      : m_heard(heard), m_disconnects(disconnectsItself) {}
  ~PageLikeSink() override {
    if (m_disconnects) Disconnect();
  }
  STDMETHODIMP ScanEvent7() override {
    m_log.push_back(L"event");
    ++m_heard;
    return S_OK;
  }

 private:
  int& m_heard;
  bool m_disconnects;
  std::vector<std::wstring> m_log;
};

// An engine started for this test, with the echo switched on.
class EchoingEngine : public testing::Test {
 protected:
  void SetUp() override {
    Folders();  // the test folders, before the engine starts
    ASSERT_TRUE(StopEngines());
    SetEnvironmentVariableW(kEcho, L"1");
    client = std::make_unique<EngineClient>();
    ASSERT_TRUE(client->ok()) << std::hex << client->hr();
  }
  void TearDown() override {
    client.reset();
    SetEnvironmentVariableW(kEcho, nullptr);
    StopEngines();
  }
  std::unique_ptr<EngineClient> client;
};

}  // namespace

TEST_F(EchoingEngine, NoEventReachesASinkOnceItsDisconnectBegins) {
  int heard = 0;
  PageLikeSink sink(heard, true);
  sink.Connect(static_cast<IUnknown*>(client->scan.Get()));
  ASSERT_TRUE(sink.IsConnected());
  sink.Disconnect();
  EXPECT_FALSE(sink.IsConnected());
  EXPECT_EQ(0, heard) << "an event came in while Unadvise ran";
}

TEST_F(EchoingEngine, PageThatDisconnectsInItsDestructorHearsNothingMore) {
  int heard = 0;
  {
    PageLikeSink page(heard, true);
    page.Connect(static_cast<IUnknown*>(client->scan.Get()));
    ASSERT_TRUE(page.IsConnected());
  }
  EXPECT_EQ(0, heard);
  long v = 2;
  EXPECT_EQ(S_OK, client->service->Ping(&v)) << "the engine goes on";
}

TEST_F(EchoingEngine, SinkLeftConnectedByItsOwnerIsDisconnectedSafely) {
  // Its owner forgot to disconnect: the sink disconnects as it goes, and no
  // event may reach it half-destroyed.
  int heard = 0;
  {
    PageLikeSink forgetful(heard, false);
    forgetful.Connect(static_cast<IUnknown*>(client->scan.Get()));
    ASSERT_TRUE(forgetful.IsConnected());
  }
  EXPECT_EQ(0, heard);
  // The engine serves new sinks.
  int later = 0;
  PageLikeSink next(later, true);
  next.Connect(static_cast<IUnknown*>(client->scan.Get()));
  EXPECT_TRUE(next.IsConnected());
  EXPECT_EQ(S_OK, client->scan->ResetScan());
  next.Disconnect();
  long v = 2;
  EXPECT_EQ(S_OK, client->service->Ping(&v));
}

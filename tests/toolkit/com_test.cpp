// The COM toolkit: the object base answers its listed interfaces with one
// identity, heap objects go with their last reference, members never go, and
// no C++ exception crosses a method of the fake engine.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "TraceCapture.h"
#include "engine/ComObject.h"
#include "engine/ComRef.h"
#include "engine/EngineSession.h"
#include "engine/EngineString.h"
#include "support/FakeEngine.h"

namespace {

int g_alive = 0;

class Probe final : public ComObject<IConnectionPoint, IConnectionPointContainer> {
 public:
  Probe() { ++g_alive; }
  ~Probe() override { --g_alive; }
  STDMETHODIMP GetConnectionInterface(IID*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) noexcept override {
    return E_NOTIMPL;
  }
  STDMETHODIMP Advise(IUnknown*, DWORD*) noexcept override {
    return ComGuard([]() -> HRESULT { throw std::runtime_error("advise"); });
  }
  STDMETHODIMP Unadvise(DWORD) noexcept override {
    return ComGuard([]() -> HRESULT { throw std::bad_alloc(); });
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) noexcept override {
    return ComGuard([] { return S_OK; });
  }
};

TEST(ComObject, AnswersListedInterfacesWithOneIdentityAndGoesWithTheLastReference) {
  {
    auto probe = ComRef<IConnectionPoint>::Adopt(new Probe());
    EXPECT_EQ(1, g_alive);
    auto container = probe.As<IConnectionPointContainer>();
    ASSERT_TRUE(container);
    auto a = probe.As<IUnknown>();
    auto b = container.As<IUnknown>();
    EXPECT_EQ(a.Get(), b.Get());  // one identity whichever interface asks
    EXPECT_FALSE(probe.As<IDispatch>());
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, probe->QueryInterface(IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, probe->QueryInterface(IID_IUnknown, nullptr));
    EXPECT_EQ(1, g_alive);
  }
  EXPECT_EQ(0, g_alive);  // the last reference went, so did the object
}

TEST(ComObject, GuardTurnsExceptionsIntoResultsWithATraceLine) {
  TraceCapture capture;
  auto probe = ComRef<IConnectionPoint>::Adopt(new Probe());
  DWORD cookie = 0;
  EXPECT_EQ(E_UNEXPECTED, probe->Advise(nullptr, &cookie));
  EXPECT_EQ(E_OUTOFMEMORY, probe->Unadvise(1));
  EXPECT_EQ(1u, capture.With(L"COM method (C++ exception) failed: 0x8000FFFF").size());
  EXPECT_EQ(1u, capture.With(L"COM method (out of memory) failed: 0x8007000E").size());
  EXPECT_EQ(2u, capture.With(L"com_test.cpp(").size());
}

class Member final : public ComMember<IConnectionPointContainer> {
 public:
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint**) noexcept override {
    return E_NOTIMPL;
  }
};

TEST(ComObject, MemberCountNeverDestroysAndStopsAtZero) {
  Member member;
  EXPECT_EQ(1u, member.RefCount());
  EXPECT_EQ(2u, member.AddRef());
  EXPECT_EQ(1u, member.Release());
  EXPECT_EQ(0u, member.Release());
  EXPECT_EQ(0u, member.Release());
  EXPECT_EQ(0u, member.RefCount());
}

TEST(ComObject, FakeEngineStopsAScriptedExceptionAtItsBoundary) {
  FakeEngine engine;
  CEngineSession session;
  ASSERT_TRUE(session.CreateAll());
  engine.OnCall(L"StartScan", [] { throw std::runtime_error("scripted"); });
  TraceCapture capture;
  auto control = session.ScanControl();
  ASSERT_TRUE(control);
  EXPECT_EQ(E_UNEXPECTED, control->StartScan(0));
  EXPECT_EQ(1, engine.CallCount(L"StartScan"));
  EXPECT_EQ(1u, capture.With(L"FakeEngine.cpp(").size());
  control = nullptr;
  session.ReleaseAll();
  EXPECT_EQ(0, engine.LiveComponents());  // every component went with its last reference
}

TEST(EngineString, OwnsAndHandsOutText) {
  BSTR out = nullptr;
  EXPECT_EQ(S_OK, OutText(&out, L"abc"));
  auto owned = EngineString::Adopt(out);
  EXPECT_EQ(L"abc", owned.Str());
  EXPECT_EQ(L"abc", BstrText(owned.Get()));
  EXPECT_EQ(L"", BstrText(nullptr));
  EXPECT_EQ(E_POINTER, OutText(nullptr, L"x"));
  EngineString moved(std::move(owned));
  EXPECT_TRUE(owned.IsNull());
  EXPECT_EQ(3u, moved.Length());
}

}  // namespace

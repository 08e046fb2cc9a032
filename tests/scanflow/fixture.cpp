#include "fixture.h"

#include <functional>

#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "framework/WinAppEx.h"
#include "support/shipped_theme.h"
#include "theme/ThemeResources.h"

namespace scanflow_test {

namespace {
constexpr wchar_t kCompany[] = L"RodeRedudScanFlowTest";
constexpr wchar_t kTitle[] = L"ScanFlow";

std::wstring CompanyKey() { return std::wstring(L"Software\\") + kCompany; }
}  // namespace

void FlowTest::SetUpTestSuite() { ASSERT_TRUE(LoadShippedTheme()); }

void FlowTest::SetUp() {
  RegDeleteTreeW(HKEY_CURRENT_USER, CompanyKey().c_str());
  app = std::make_unique<CRodeRedudApp>();
  ASSERT_EQ(app.get(), AfxGetApp());
  app->SetRegistryKey(kCompany);
  app->SetAppTitle(kTitle);
  CAppSeams& s = app->Seams();
  s.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT type) {
    seams.messages.push_back(text);
    return (type & MB_TYPEMASK) == MB_OK ? IDOK : seams.answer;
  };
  s.exitWindows = [this](UINT, DWORD) {
    ++seams.restarts;
    return TRUE;
  };
}

void FlowTest::TearDown() {
  DestroyFrame();
  // The process's scan controller forgets this test's engine and whatever
  // update it reported (later tests and fixtures start from a clean one).
  CScanController::Instance().EngineLost();
  app.reset();
  RegDeleteTreeW(HKEY_CURRENT_USER, CompanyKey().c_str());
}

void FlowTest::CreateFrame() {
  // The process's scan controller starts afresh and listens to this test's engine.
  CScanController::Instance().EngineLost();
  CScanController::Instance().ConnectSink();
  frame = std::make_unique<CMainFrame>();
  ASSERT_TRUE(frame->CreateMainWindow());
  RECT r{0, 0, 800, 600};
  AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
  SetWindowPos(frame->m_hWnd, HWND_TOP, 10, 10, r.right - r.left, r.bottom - r.top, 0);
  frame->ShowWindow(SW_SHOW);
  Pump();
  ASSERT_NE(nullptr, frame->ScanningPage()->m_hWnd);
}

void FlowTest::DestroyFrame() {
  if (!frame) return;
  frame.reset();
  Pump(20);
}

int FlowTest::Profile(const wchar_t* name, int fallback) const {
  return app->ReadProfileInt(name, fallback);
}

void FlowTest::SetProfile(const wchar_t* name, int value) const {
  app->WriteProfileInt(name, value);
}

bool FlowTest::Told(UINT textId) const {
  const std::wstring text = Theme().LoadResString(textId);
  for (const std::wstring& m : seams.messages)
    if (m == text) return true;
  return false;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

void Pump(DWORD ms) {
  WaitFor([] { return false; }, ms);
}

}  // namespace scanflow_test

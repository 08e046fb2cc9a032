#include "support/EnginePageFixture.h"

#include <objbase.h>

#include <algorithm>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "engine/EngineSession.h"
#include "engine/EngineString.h"
#include "engine/EventSinks.h"
#include "engine/ScanController.h"
#include "support/EngineProcess.h"
#include "support/shipped_theme.h"

namespace {

std::wstring ShortGuid() {
  GUID g{};
  CoCreateGuid(&g);
  wchar_t text[40];
  StringFromGUID2(g, text, 40);
  return std::wstring(text + 1, 8);
}

}  // namespace

// Records every ScanStateChanged the engine fires.
class EnginePageFixture::StateSink : public CScanControlSink {
 public:
  explicit StateSink(std::vector<long>& states) : m_states(states) {}
  STDMETHODIMP ScanStateChanged(LONG state, LONG) override {
    m_states.push_back(state);
    return S_OK;
  }

 private:
  std::vector<long>& m_states;
};

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const ULONGLONG spent = GetTickCount64() - start;
    if (spent >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(50, timeoutMs - spent)),
                              QS_ALLINPUT);
  }
}

EnginePageFixture::EnginePageFixture() : m_sink(std::make_unique<StateSink>(m_states)) {}

EnginePageFixture::~EnginePageFixture() {
  m_sink->Disconnect();
  // A definitions update the test started ends on its own (no update address is
  // set); the process's scan controller must not carry it into the next test.
  if (m_frame) PumpUntil([] { return !CScanController::Instance().UpdateRunning(); }, 15000);
  m_frame.reset();
  CScanController::Shutdown();
  Engine().ReleaseAll();
  rrtest::StopEngines();
  if (m_app) {
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\" + m_profileCompany).c_str());
    m_app.reset();
  }
  RemoveFolders();
}

void EnginePageFixture::RemoveFolders() {
  if (!m_root.empty()) rrtest::RemoveFolderTree(m_root);
}

bool EnginePageFixture::PlantTestFile(const std::wstring& path) {
  // Written in two pieces so that this source file itself is not the test file.
  const std::string bytes = std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" +
                            "TEST-FILE!$H+H*";
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

::testing::AssertionResult EnginePageFixture::Start(int clientWidth, int clientHeight) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  m_root = std::wstring(tmp) + L"rrpage_" + ShortGuid();
  m_data = m_root + L"\\data";
  m_scan = m_root + L"\\scan";
  m_custom = m_root + L"\\custom";
  m_watch = m_root + L"\\watch";
  for (const auto& p : {m_root, m_data, m_scan, m_custom, m_watch})
    if (!CreateDirectoryW(p.c_str(), nullptr))
      return ::testing::AssertionFailure() << "cannot create folder " << ::testing::PrintToString(p);
  m_testFile = m_scan + L"\\eicar.com";
  if (!PlantTestFile(m_testFile)) return ::testing::AssertionFailure() << "cannot plant the test file";

  // The engine COM starts inherits these from the creating client.
  SetEnvironmentVariableW(L"RODEREDUD_ENGINE_DATA", m_data.c_str());
  SetEnvironmentVariableW(L"RODEREDUD_ENGINE_QUICK_PATHS", m_scan.c_str());
  SetEnvironmentVariableW(L"RODEREDUD_ENGINE_FULL_PATHS", m_scan.c_str());
  SetEnvironmentVariableW(L"RODEREDUD_ENGINE_WATCH_PATHS", m_watch.c_str());
  Engine().ReleaseAll();
  if (!rrtest::StopEngines(20000)) return ::testing::AssertionFailure() << "an engine from before does not stop";
  static const DWORD registered = rrtest::RunEngine(L"/regserver");
  if (registered != 0)
    return ::testing::AssertionFailure() << "engine /regserver exit code " << registered;

  if (!LoadShippedTheme()) return ::testing::AssertionFailure() << "shipped theme not loaded";
  m_app = std::make_unique<CRodeRedudApp>();
  m_profileCompany = L"RodeRedudPageTest_" + ShortGuid();
  m_app->SetRegistryKey(m_profileCompany);
  m_app->SetAppTitle(L"PageTest");
  m_app->Seams().messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption,
                                     UINT type) {
    m_boxes.push_back({text, caption, type});
    if (!m_boxAnswers.empty()) {
      const int answer = m_boxAnswers.front();
      m_boxAnswers.erase(m_boxAnswers.begin());
      return answer;
    }
    const UINT buttons = type & MB_TYPEMASK;
    return buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDYES : IDOK;
  };
  m_app->Seams().browseForFolder = [this](const BROWSEINFOW&) -> std::optional<std::wstring> {
    ++m_browseOpenings;
    if (m_browseAnswers.empty()) return std::nullopt;
    auto answer = m_browseAnswers.front();
    m_browseAnswers.erase(m_browseAnswers.begin());
    return answer;
  };
  m_app->Seams().shellExecute = [](const std::wstring&, const std::wstring&, const std::wstring&,
                                   int) -> INT_PTR { return 33; };

  if (auto connected = ConnectEngine(); !connected) return connected;

  m_frame = std::make_unique<CMainFrame>();
  if (!m_frame->CreateMainWindow()) return ::testing::AssertionFailure() << "main frame not created";
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
  SetWindowPos(m_frame->m_hWnd, HWND_TOP, 0, 0, r.right - r.left, r.bottom - r.top, 0);
  m_frame->ShowWindow(SW_SHOW);
  m_frame->UpdateWindow();
  // The pages made after the first paint.
  PumpUntil([] { return false; }, 100);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EnginePageFixture::ConnectEngine() {
  // An engine that has just been asked to stop may still refuse a client for a
  // moment: try again, as the program's start-up does.
  bool connected = false;
  for (int attempt = 0; attempt < 10 && !connected; ++attempt) {
    connected = Engine().EnsureEngine();
    if (!connected) PumpUntil([] { return false; }, 1000);
  }
  if (!connected) return ::testing::AssertionFailure() << "the reference engine cannot be reached";
  // The process's controller may still listen to an engine of an earlier test.
  CScanController::Shutdown();
  CScanController::Instance().ConnectSink();
  m_sink->Connect(Engine().ScanControl());
  if (!m_sink->IsConnected())
    return ::testing::AssertionFailure() << "cannot listen to the engine's scan events";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EnginePageFixture::RestartEngine(
    const std::function<void()>& whileStopped) {
  m_sink->Disconnect();
  CScanController::Shutdown();
  Engine().ReleaseAll();
  if (!StopEngines()) return ::testing::AssertionFailure() << "the engine does not stop";
  if (whileStopped) whileStopped();
  return ConnectEngine();
}

std::wstring EnginePageFixture::ScanConfigText() {
  auto control = Engine().ScanControl();
  EngineString text;
  if (!control || FAILED(control->GetScanConfig(text.Out()))) return {};
  return text.Str();
}

std::wstring EnginePageFixture::NVPairsText() {
  auto service = Engine().Service();
  EngineString name(L"config_file.xml");
  EngineString text;
  if (!service || FAILED(service->GetConfigDocument(name.Get(), text.Out()))) return {};
  return text.Str();
}

bool EnginePageFixture::WaitScanState(std::initializer_list<long> states, DWORD timeoutMs) {
  return PumpUntil(
      [&] {
        for (long s : m_states)
          if (std::find(states.begin(), states.end(), s) != states.end()) return true;
        return false;
      },
      timeoutMs);
}

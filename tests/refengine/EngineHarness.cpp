#include "EngineHarness.h"

#include <gtest/gtest.h>

#include "TempDir.h"

namespace rrtest {

const EngineFolders& Folders() {
  static EngineFolders f = [] {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring id = rre::NewGuidText().substr(1, 8);
    std::wstring base = std::wstring(tmp) + L"rrengine_" + id;
    EngineFolders e{base + L"\\data", base + L"\\watch", base + L"\\quick"};
    for (const auto& p : {base, e.data, e.watch, e.quick}) CreateDirectoryW(p.c_str(), nullptr);
    return e;
  }();
  return f;
}

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    DWORD spent = GetTickCount() - start;
    if (spent >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - spent),
                              QS_ALLINPUT);
  }
}

// ---------------------------------------------------------------------------

void Sink::Record(Event e) {
  std::lock_guard lock(m_mu);
  if (GetCurrentThreadId() != m_home) m_offThread = true;
  m_events.push_back(std::move(e));
}

STDMETHODIMP Sink::ScanStateChanged(long state, long) {
  Record({Event::State, {state}, {}});
  return S_OK;
}

STDMETHODIMP Sink::ScanProgress(long, long, BSTR threatName, BSTR objectName, BSTR category,
                                long threatId, long, long threatCount, long, long, long, long, long,
                                long tracesFound, long, long, long objects, long, long) {
  Record({Event::Progress,
          {threatId, threatCount, objects, tracesFound},
          {BstrText(threatName), BstrText(objectName), BstrText(category)}});
  return S_OK;
}

STDMETHODIMP Sink::CleanProgress(long threatId, BSTR threatName, long, BSTR trace, long progress) {
  Record({Event::Clean, {threatId, progress}, {BstrText(threatName), BstrText(trace)}});
  return S_OK;
}

STDMETHODIMP Sink::ServiceStatusChanged(long flag) {
  Record({Event::Service, {flag}, {}});
  return S_OK;
}

STDMETHODIMP Sink::ActiveProtectionEvent(BSTR text) {
  Record({Event::Protection, {}, {BstrText(text)}});
  return S_OK;
}

STDMETHODIMP Sink::DefinitionsUpdateStatus(long, long status, long total, long done) {
  Record({Event::Definitions, {status, total, done}, {}});
  return S_OK;
}

std::vector<Event> Sink::Events() const {
  std::lock_guard lock(m_mu);
  return m_events;
}

std::vector<Event> Sink::Of(Event::Kind kind) const {
  std::vector<Event> out;
  for (auto& e : Events())
    if (e.kind == kind) out.push_back(e);
  return out;
}

void Sink::Clear() {
  std::lock_guard lock(m_mu);
  m_events.clear();
}

long Sink::FirstState(std::initializer_list<long> states) const {
  for (const auto& e : Of(Event::State))
    for (long s : states)
      if (e.n[0] == s) return s;
  return -1;
}

bool Sink::WaitState(std::initializer_list<long> states, DWORD timeoutMs) {
  return PumpUntil([&] { return FirstState(states) != -1; }, timeoutMs);
}

// ---------------------------------------------------------------------------

template <class I>
static HRESULT Create(const CLSID& clsid, const IID& iid, ComRef<I>& out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, iid,
                          out.PutVoid());
}

EngineClient::EngineClient() {
  // Like the program, try again for a moment: an engine that is just ending
  // refuses new clients and the next creation starts a new one.
  for (int attempt = 0; attempt < 5; ++attempt) {
    m_hr = Create(CLSID_QVService, IID_IQVService, service);
    if (SUCCEEDED(m_hr)) break;
    Pump(1000);
  }
  if (SUCCEEDED(m_hr)) m_hr = Create(CLSID_QVActiveProtection, IID_IQVActiveProtection, protection);
  if (SUCCEEDED(m_hr)) m_hr = Create(CLSID_QVScanControl, IID_IQVScanControl, scan);
  if (SUCCEEDED(m_hr)) m_hr = Create(CLSID_QVQuarantine, IID_IQVQuarantine, quarantine);
  if (SUCCEEDED(m_hr))
    m_hr = Create(CLSID_QVThreatDefinitions, IID_IQVThreatDefinitions, definitions);
}

EngineClient::~EngineClient() { Disconnect(); }

bool EngineClient::Connect() {
  sink.SetHomeThread();
  auto advise = [this](IUnknown* obj, const IID& iid) {
    ComRef<IConnectionPointContainer> cpc;
    if (!obj || FAILED(obj->QueryInterface(IID_IConnectionPointContainer,
                                           cpc.PutVoid())))
      return false;
    Advised a{};
    if (FAILED(cpc->FindConnectionPoint(iid, a.cp.Put()))) return false;
    if (FAILED(a.cp->Advise(static_cast<_IQVScanControlEvents*>(&sink), &a.cookie))) return false;
    m_advised.push_back(std::move(a));
    return true;
  };
  return advise(scan.Get(), IID__IQVScanControlEvents) &&
         advise(service.Get(), IID__IQVServiceEvents) &&
         advise(protection.Get(), IID__IQVActiveProtectionEvents) &&
         advise(definitions.Get(), IID__IQVThreatDefinitionsEvents);
}

void EngineClient::Disconnect() {
  for (auto& a : m_advised) a.cp->Unadvise(a.cookie);
  if (!m_advised.empty()) CoDisconnectObject(static_cast<_IQVScanControlEvents*>(&sink), 0);
  m_advised.clear();
}

std::wstring EngineClient::ScanConfig() {
  EngineString text;
  if (FAILED(scan->GetScanConfig(text.Out()))) return {};
  return text.Str();
}

HRESULT EngineClient::SetScanConfig(const std::wstring& text) {
  EngineString b(text);
  return scan->SetScanConfig(b.Get());
}

std::wstring EngineClient::ResultsFile() {
  EngineString path;
  scan->GetScanResultsFile(path.Out());
  return path.Str();
}

long EngineClient::State() {
  long state = -1;
  unsigned char reboot = 0;
  scan->GetScanState(&state, &reboot);
  return state;
}

// ---------------------------------------------------------------------------

namespace {

// Registers the engine in the prefix and points it at the test's folders.
class EngineEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const EngineFolders& f = Folders();
    SetEnvironmentVariableW(L"RODEREDUD_ENGINE_DATA", f.data.c_str());
    SetEnvironmentVariableW(L"RODEREDUD_ENGINE_WATCH_PATHS", f.watch.c_str());
    SetEnvironmentVariableW(L"RODEREDUD_ENGINE_QUICK_PATHS", f.quick.c_str());
    SetEnvironmentVariableW(L"RODEREDUD_ENGINE_FULL_PATHS", f.quick.c_str());
    // An engine left over from an earlier run would serve other folders.
    StopEngines();
    ASSERT_EQ(RunEngine(L"/regserver"), 0u);
  }
  void TearDown() override {
    StopEngines();
    TempDir::Remove(Folders().data.substr(0, Folders().data.size() - 5));
  }
};

const auto* g_environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

}  // namespace

}  // namespace rrtest

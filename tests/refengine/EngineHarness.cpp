#include "EngineHarness.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include "TempDir.h"

namespace rrtest {

std::wstring EngineExe() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring self(buf, n);
  return self.substr(0, self.find_last_of(L'\\') + 1) + L"RodeRedudEngine.exe";
}

DWORD RunEngine(const std::wstring& args) {
  std::wstring cmd = L"\"" + EngineExe() + L"\" " + args;
  STARTUPINFOW si{sizeof si};
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return DWORD(-1);
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = DWORD(-1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}

std::vector<DWORD> EngineProcesses() {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{sizeof pe};
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
    if (!_wcsicmp(pe.szExeFile, L"RodeRedudEngine.exe")) out.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return out;
}

bool StopEngines(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!EngineProcesses().empty()) {
    RunEngine(L"/stop");
    Pump(200);
    if (GetTickCount() - start > timeoutMs) return false;
  }
  return true;
}

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

STDMETHODIMP Sink::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID__IQVScanControlEvents))
    *out = static_cast<_IQVScanControlEvents*>(this);
  else if (IsEqualIID(iid, IID__IQVServiceEvents))
    *out = static_cast<_IQVServiceEvents*>(this);
  else if (IsEqualIID(iid, IID__IQVActiveProtectionEvents))
    *out = static_cast<_IQVActiveProtectionEvents*>(this);
  else if (IsEqualIID(iid, IID__IQVThreatDefinitionsEvents))
    *out = static_cast<_IQVThreatDefinitionsEvents*>(this);
  else
    return E_NOINTERFACE;
  return S_OK;
}

void Sink::Record(Event e) {
  std::lock_guard lock(mu_);
  if (GetCurrentThreadId() != home_) offThread_ = true;
  events_.push_back(std::move(e));
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
          {rre::FromBstr(threatName), rre::FromBstr(objectName), rre::FromBstr(category)}});
  return S_OK;
}

STDMETHODIMP Sink::CleanProgress(long threatId, BSTR threatName, long, BSTR trace, long progress) {
  Record({Event::Clean, {threatId, progress}, {rre::FromBstr(threatName), rre::FromBstr(trace)}});
  return S_OK;
}

STDMETHODIMP Sink::ServiceStatusChanged(long flag) {
  Record({Event::Service, {flag}, {}});
  return S_OK;
}

STDMETHODIMP Sink::ActiveProtectionEvent(BSTR text) {
  Record({Event::Protection, {}, {rre::FromBstr(text)}});
  return S_OK;
}

STDMETHODIMP Sink::DefinitionsUpdateStatus(long, long status, long total, long done) {
  Record({Event::Definitions, {status, total, done}, {}});
  return S_OK;
}

std::vector<Event> Sink::Events() const {
  std::lock_guard lock(mu_);
  return events_;
}

std::vector<Event> Sink::Of(Event::Kind kind) const {
  std::vector<Event> out;
  for (auto& e : Events())
    if (e.kind == kind) out.push_back(e);
  return out;
}

void Sink::Clear() {
  std::lock_guard lock(mu_);
  events_.clear();
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
static HRESULT Create(const CLSID& clsid, const IID& iid, rre::ComPtr<I>& out) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, iid,
                          reinterpret_cast<void**>(out.put()));
}

EngineClient::EngineClient() {
  // Like the program, try again for a moment: an engine that is just ending
  // refuses new clients and the next creation starts a new one.
  for (int attempt = 0; attempt < 5; ++attempt) {
    hr_ = Create(CLSID_QVService, IID_IQVService, service);
    if (SUCCEEDED(hr_)) break;
    Pump(1000);
  }
  if (SUCCEEDED(hr_)) hr_ = Create(CLSID_QVActiveProtection, IID_IQVActiveProtection, protection);
  if (SUCCEEDED(hr_)) hr_ = Create(CLSID_QVScanControl, IID_IQVScanControl, scan);
  if (SUCCEEDED(hr_)) hr_ = Create(CLSID_QVQuarantine, IID_IQVQuarantine, quarantine);
  if (SUCCEEDED(hr_))
    hr_ = Create(CLSID_QVThreatDefinitions, IID_IQVThreatDefinitions, definitions);
}

EngineClient::~EngineClient() { Disconnect(); }

bool EngineClient::Connect() {
  sink.SetHomeThread();
  auto advise = [this](IUnknown* obj, const IID& iid) {
    rre::ComPtr<IConnectionPointContainer> cpc;
    if (!obj || FAILED(obj->QueryInterface(IID_IConnectionPointContainer,
                                           reinterpret_cast<void**>(cpc.put()))))
      return false;
    Advised a{};
    if (FAILED(cpc->FindConnectionPoint(iid, a.cp.put()))) return false;
    if (FAILED(a.cp->Advise(static_cast<_IQVScanControlEvents*>(&sink), &a.cookie))) return false;
    advised_.push_back(std::move(a));
    return true;
  };
  return advise(scan.get(), IID__IQVScanControlEvents) &&
         advise(service.get(), IID__IQVServiceEvents) &&
         advise(protection.get(), IID__IQVActiveProtectionEvents) &&
         advise(definitions.get(), IID__IQVThreatDefinitionsEvents);
}

void EngineClient::Disconnect() {
  for (auto& a : advised_) a.cp->Unadvise(a.cookie);
  if (!advised_.empty()) CoDisconnectObject(static_cast<_IQVScanControlEvents*>(&sink), 0);
  advised_.clear();
}

std::wstring EngineClient::ScanConfig() {
  rre::Bstr text;
  if (FAILED(scan->GetScanConfig(text.put()))) return {};
  return text.str();
}

HRESULT EngineClient::SetScanConfig(const std::wstring& text) {
  rre::Bstr b(text);
  return scan->SetScanConfig(b.get());
}

std::wstring EngineClient::ResultsFile() {
  rre::Bstr path;
  scan->GetScanResultsFile(path.put());
  return path.str();
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

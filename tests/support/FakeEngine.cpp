#include "support/FakeEngine.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <set>
#include <utility>

#include "engine/ComObject.h"
#include "engine/ComRef.h"
#include "engine/EngineSession.h"

namespace {

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return memcmp(&a, &b, sizeof(GUID)) < 0; }
};

std::wstring ArgText(LONG v) { return std::to_wstring(v); }
std::wstring ArgText(unsigned char v) { return std::to_wstring(static_cast<int>(v)); }
std::wstring ArgText(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

template <class... A>
std::vector<std::wstring> ArgList(A... a) {
  return {ArgText(a)...};
}

// Which event interfaces each slot fires.
std::vector<IID> SourcesOf(int slot) {
  switch (slot) {
    case 0:
      return {IID__IQVServiceEvents, IID__IQVActiveProtectionEvents,
              IID__IQVThreatDefinitionsEvents};
    case 2:
      return {IID__IQVActiveProtectionEvents};
    case 3:
      return {IID__IQVScanControlEvents};
    case 7:
      return {IID__IQVThreatDefinitionsEvents};
    default:
      return {};
  }
}

class FakeConnectionPoint;

}  // namespace

struct FakeEngine::State {
  struct Failure {
    HRESULT hr;
    int remaining;  // -1: always
  };
  Values values;
  std::map<std::wstring, std::wstring> texts;
  std::set<std::wstring> nullTexts;
  std::map<std::wstring, Failure> failures;
  std::map<std::wstring, std::vector<std::function<void()>>> actions;
  std::map<std::wstring, std::wstring> stored;
  std::map<std::wstring, std::wstring> errorTexts;
  std::vector<Call> calls;
  HRESULT createFailure[15] = {};
  bool refuseInterface[15] = {};
  std::set<std::pair<int, GUID>, bool (*)(const std::pair<int, GUID>&, const std::pair<int, GUID>&)>
      refusedPoints{[](const std::pair<int, GUID>& a, const std::pair<int, GUID>& b) {
        if (a.first != b.first) return a.first < b.first;
        return GuidLess()(a.second, b.second);
      }};
  int live[15] = {};
  std::map<std::pair<int, GUID>, ComRef<IConnectionPoint>,
           bool (*)(const std::pair<int, GUID>&, const std::pair<int, GUID>&)>
      points{[](const std::pair<int, GUID>& a, const std::pair<int, GUID>& b) {
        if (a.first != b.first) return a.first < b.first;
        return GuidLess()(a.second, b.second);
      }};
  DWORD nextCookie = 1;
  bool gone = false;  // the FakeEngine was destroyed: its components act like a dead server

  HRESULT Record(const std::wstring& op, std::vector<std::wstring> args = {}) {
    if (gone) return RPC_E_DISCONNECTED;
    calls.push_back({op, std::move(args)});
    HRESULT hr = S_OK;
    auto f = failures.find(op);
    if (f != failures.end()) {
      hr = f->second.hr;
      if (f->second.remaining > 0 && --f->second.remaining == 0) failures.erase(f);
      auto e = errorTexts.find(op);
      if (FAILED(hr) && e != errorTexts.end()) SetError(e->second);
    }
    auto a = actions.find(op);
    if (a != actions.end()) {
      auto copy = a->second;  // an action may script further actions
      for (auto& action : copy) action();
    }
    return hr;
  }

  static void SetError(const std::wstring& text) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) return;
    create->SetDescription(const_cast<LPOLESTR>(text.c_str()));
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }

  void Out(const std::wstring& getter, BSTR* out) {
    if (!out) return;
    if (nullTexts.count(getter)) {
      *out = nullptr;
      return;
    }
    const std::wstring& t = texts[getter];
    *out = SysAllocStringLen(t.data(), static_cast<UINT>(t.size()));
  }

  void Keep(const std::wstring& setter, BSTR text) {
    std::wstring value = ArgText(text);
    if (!text) value.clear();
    stored[setter] = value;
    std::wstring getter = L"G" + setter.substr(1);
    texts[getter] = value;
    nullTexts.erase(getter);
  }

  IConnectionPoint* Point(int slot, const IID& iid);
};

namespace {

class FakeConnectionPoint final : public ComObject<IConnectionPoint> {
 public:
  FakeConnectionPoint(FakeEngine::State* state, int slot, const IID& iid)
      : m_state(state), m_slot(slot), m_iid(iid) {}

  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *iid = m_iid;
      return S_OK;
    });
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** c) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *c = nullptr;
      return E_NOTIMPL;
    });
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *cookie = 0;
      HRESULT hr = m_state ? m_state->Record(L"Advise", {std::to_wstring(m_slot)}) : E_UNEXPECTED;
      if (FAILED(hr)) return hr;
      ComRef<IUnknown> events;
      if (!sink || FAILED(sink->QueryInterface(m_iid, events.PutVoid())) || !events)
        return CONNECT_E_CANNOTCONNECT;
      *cookie = m_state->nextCookie++;
      m_sinks.emplace_back(*cookie, std::move(events));
      return S_OK;
    });
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (m_state) m_state->Record(L"Unadvise", {std::to_wstring(m_slot)});
      auto it = std::find_if(m_sinks.begin(), m_sinks.end(),
                             [&](const auto& s) { return s.first == cookie; });
      if (it == m_sinks.end()) return CONNECT_E_NOCONNECTION;
      m_sinks.erase(it);
      return S_OK;
    });
  }
  STDMETHODIMP EnumConnections(IEnumConnections** e) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *e = nullptr;
      return E_NOTIMPL;
    });
  }

  int slot() const { return m_slot; }
  const IID& iid() const { return m_iid; }
  size_t SinkCount() const { return m_sinks.size(); }
  std::vector<ComRef<IUnknown>> Snapshot() const {
    std::vector<ComRef<IUnknown>> r;
    for (const auto& s : m_sinks) r.push_back(s.second);
    return r;
  }
  void Detach() { m_state = nullptr; }

 private:
  ~FakeConnectionPoint() override = default;
  FakeEngine::State* m_state;
  int m_slot;
  IID m_iid;
  std::vector<std::pair<DWORD, ComRef<IUnknown>>> m_sinks;
};

// One engine component; answers only the interfaces of its slot.
class FakeComponent final
    : public ComObject<IQVService, IQVActiveProtection, IQVScanControl, IQVQuarantine,
                       IQVThreatDefinitions, IQVComponent1, IQVComponent5, IQVComponent6,
                       IQVComponent8, IQVComponent9, IQVComponent10, IQVComponent11,
                       IQVComponent12, IQVComponent13, IQVComponent14, IConnectionPointContainer,
                       ISupportErrorInfo> {
 public:
  FakeComponent(std::shared_ptr<FakeEngine::State> state, int slot)
      : m_state(std::move(state)), m_slot(slot) {
    ++m_state->live[m_slot];
  }

  IUnknown* SlotInterface() {
    switch (m_slot) {
      case 0:
        return static_cast<IQVService*>(this);
      case 1:
        return static_cast<IQVComponent1*>(this);
      case 2:
        return static_cast<IQVActiveProtection*>(this);
      case 3:
        return static_cast<IQVScanControl*>(this);
      case 4:
        return static_cast<IQVQuarantine*>(this);
      case 5:
        return static_cast<IQVComponent5*>(this);
      case 6:
        return static_cast<IQVComponent6*>(this);
      case 7:
        return static_cast<IQVThreatDefinitions*>(this);
      case 8:
        return static_cast<IQVComponent8*>(this);
      case 9:
        return static_cast<IQVComponent9*>(this);
      case 10:
        return static_cast<IQVComponent10*>(this);
      case 11:
        return static_cast<IQVComponent11*>(this);
      case 12:
        return static_cast<IQVComponent12*>(this);
      case 13:
        return static_cast<IQVComponent13*>(this);
      default:
        return static_cast<IQVComponent14*>(this);
    }
  }

  // Placeholders
  STDMETHODIMP Reserved3() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved11() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved13() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved14() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved17() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved18() noexcept override { return E_NOTIMPL; }

  // IQVService
  STDMETHODIMP GetDataFolder(BSTR* folder) noexcept override {
    return ComGuard([&] { return Get(L"GetDataFolder", folder); });
  }
  STDMETHODIMP GetServiceConfig(BSTR* text) noexcept override {
    return ComGuard([&] { return Get(L"GetServiceConfig", text); });
  }
  STDMETHODIMP SetServiceConfig(BSTR text) noexcept override {
    return ComGuard([&] { return Set(L"SetServiceConfig", text); });
  }
  STDMETHODIMP Ping(LONG* value) noexcept override {
    return ComGuard(
        [&]() -> HRESULT { return m_state->Record(L"Ping", ArgList(value ? *value : -1)); });
  }
  STDMETHODIMP GetConfigDocument(BSTR name, BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (text) *text = nullptr;
      HRESULT hr = m_state->Record(L"GetConfigDocument", ArgList(name));
      if (SUCCEEDED(hr)) m_state->Out(L"GetConfigDocument", text);
      return hr;
    });
  }
  STDMETHODIMP SetConfigDocument(BSTR name, BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      HRESULT hr = m_state->Record(L"SetConfigDocument", ArgList(name, text));
      if (SUCCEEDED(hr)) m_state->Keep(L"SetConfigDocument", text);
      return hr;
    });
  }

  // IQVActiveProtection
  STDMETHODIMP GetAPConfig(BSTR* text) noexcept override {
    return ComGuard([&] { return Get(L"GetAPConfig", text); });
  }
  STDMETHODIMP SetAPConfig(BSTR text) noexcept override {
    return ComGuard([&] { return Set(L"SetAPConfig", text); });
  }

  // IQVScanControl
  STDMETHODIMP StartScan(LONG type) noexcept override {
    return ComGuard([&] { return m_state->Record(L"StartScan", ArgList(type)); });
  }
  STDMETHODIMP GetScanResultsFile(BSTR* path) noexcept override {
    return ComGuard([&] { return Get(L"GetScanResultsFile", path); });
  }
  STDMETHODIMP PauseScan() noexcept override {
    return ComGuard([&] { return m_state->Record(L"PauseScan"); });
  }
  STDMETHODIMP ResumeScan() noexcept override {
    return ComGuard([&] { return m_state->Record(L"ResumeScan"); });
  }
  STDMETHODIMP StopScan() noexcept override {
    return ComGuard([&] { return m_state->Record(L"StopScan"); });
  }
  STDMETHODIMP CleanThreats(BSTR path) noexcept override {
    return ComGuard([&]() -> HRESULT {
      HRESULT hr = m_state->Record(L"CleanThreats", ArgList(path));
      // Keep what the request file held while it exists (the caller deletes it).
      if (path) {
        HANDLE f =
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
          std::string bytes(GetFileSize(f, nullptr), '\0');
          DWORD read = 0;
          ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
          CloseHandle(f);
          m_state->stored[L"CleanThreats"] =
              std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), read / 2);
        }
      }
      return hr;
    });
  }
  STDMETHODIMP GetScanState(LONG* state, unsigned char* reboot) noexcept override {
    return ComGuard([&]() -> HRESULT {
      HRESULT hr = m_state->Record(L"GetScanState");
      if (SUCCEEDED(hr)) {
        if (state) *state = m_state->values.scanState;
        if (reboot) *reboot = m_state->values.rebootRequired;
      }
      return hr;
    });
  }
  STDMETHODIMP GetScanConfig(BSTR* text) noexcept override {
    return ComGuard([&] { return Get(L"GetScanConfig", text); });
  }
  STDMETHODIMP SetScanConfig(BSTR text) noexcept override {
    return ComGuard([&] { return Set(L"SetScanConfig", text); });
  }
  STDMETHODIMP GetScanInfo(LONG* type, unsigned char* fromSchedule) noexcept override {
    return ComGuard([&]() -> HRESULT {
      HRESULT hr = m_state->Record(L"GetScanInfo");
      if (SUCCEEDED(hr)) {
        if (type) *type = m_state->values.scanInfoType;
        if (fromSchedule) *fromSchedule = m_state->values.fromSchedule;
      }
      return hr;
    });
  }
  STDMETHODIMP ResetScan() noexcept override {
    return ComGuard([&] { return m_state->Record(L"ResetScan"); });
  }
  STDMETHODIMP GetLastScan(LONG* type, BSTR* date) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (date) *date = nullptr;
      HRESULT hr = m_state->Record(L"GetLastScan");
      if (FAILED(hr)) return hr;
      if (type) *type = m_state->values.lastScanType;
      m_state->Out(L"GetLastScan", date);
      return m_state->values.lastScanResult;
    });
  }

  // IQVQuarantine
  STDMETHODIMP RestoreItem(BSTR id, BSTR target, unsigned char flag, LONG pid) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return m_state->Record(L"RestoreItem", ArgList(id, target, flag, pid));
    });
  }
  STDMETHODIMP DeleteItem(BSTR id) noexcept override {
    return ComGuard([&] { return m_state->Record(L"DeleteItem", ArgList(id)); });
  }

  // IQVThreatDefinitions
  STDMETHODIMP GetDefinitionsStatus(LONG* current, BSTR* date) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (date) *date = nullptr;
      HRESULT hr = m_state->Record(L"GetDefinitionsStatus");
      if (FAILED(hr)) return hr;
      if (current) *current = m_state->values.definitionsCurrent;
      m_state->Out(L"GetDefinitionsStatus", date);
      return hr;
    });
  }
  STDMETHODIMP UpdateDefinitions() noexcept override {
    return ComGuard([&] { return m_state->Record(L"UpdateDefinitions"); });
  }
  STDMETHODIMP GetThreatInfo(LONG id, unsigned char* known, BSTR* t1, BSTR* t2, BSTR* t3, BSTR* t4,
                             BSTR* t5, BSTR* t6, BSTR* t7, BSTR* t8, unsigned char* f1,
                             unsigned char* f2, unsigned char* f3, unsigned char* f4,
                             LONG* value) noexcept override {
    return ComGuard([&]() -> HRESULT {
      BSTR* texts[8] = {t1, t2, t3, t4, t5, t6, t7, t8};
      for (BSTR* t : texts)
        if (t) *t = nullptr;
      HRESULT hr = m_state->Record(L"GetThreatInfo", ArgList(id));
      if (FAILED(hr)) return hr;
      FakeEngine::ThreatInfo info;
      auto it = m_state->values.threats.find(id);
      if (it != m_state->values.threats.end()) {
        info = it->second;
      } else {
        info.known = 0;
      }
      if (known) *known = info.known;
      for (int i = 0; i < 8; ++i)
        if (texts[i])
          *texts[i] =
              SysAllocStringLen(info.texts[i].data(), static_cast<UINT>(info.texts[i].size()));
      unsigned char* flags[4] = {f1, f2, f3, f4};
      for (int i = 0; i < 4; ++i)
        if (flags[i]) *flags[i] = info.flags[i];
      if (value) *value = info.value;
      return hr;
    });
  }
  STDMETHODIMP GetDefinitionUpdateConfig(BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return Get(L"GetDefinitionUpdateConfig", text);
    });
  }
  STDMETHODIMP SetDefinitionUpdateConfig(BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return Set(L"SetDefinitionUpdateConfig", text);
    });
  }

  // ISupportErrorInfo
  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return riid == CEngineSession::SlotInterface(m_slot) ? S_OK : S_FALSE;
    });
  }

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** e) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *e = nullptr;
      return E_NOTIMPL;
    });
  }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** cp) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *cp = nullptr;
      IConnectionPoint* point = m_state->Point(m_slot, riid);
      if (!point) return CONNECT_E_NOCONNECTION;
      point->AddRef();
      *cp = point;
      return S_OK;
    });
  }

 private:
  ~FakeComponent() override { --m_state->live[m_slot]; }

  // Only the slot's interface (unless refused), error information, and a
  // connection point container when the slot fires events.
  IUnknown* FindInterface(REFIID riid) override {
    if (riid == IID_IUnknown) return Identity();
    if (riid == CEngineSession::SlotInterface(m_slot))
      return m_state->refuseInterface[m_slot] ? nullptr : SlotInterface();
    if (riid == IID_ISupportErrorInfo) return static_cast<ISupportErrorInfo*>(this);
    if (riid == IID_IConnectionPointContainer && !SourcesOf(m_slot).empty())
      return static_cast<IConnectionPointContainer*>(this);
    return nullptr;
  }

  HRESULT Get(const wchar_t* op, BSTR* out) {
    if (out) *out = nullptr;
    HRESULT hr = m_state->Record(op);
    if (SUCCEEDED(hr)) m_state->Out(op, out);
    return hr;
  }
  HRESULT Set(const wchar_t* op, BSTR text) {
    HRESULT hr = m_state->Record(op, ArgList(text));
    if (SUCCEEDED(hr)) m_state->Keep(op, text);
    return hr;
  }

  std::shared_ptr<FakeEngine::State> m_state;
  int m_slot;
};

class FakeClassFactory final : public ComObject<IClassFactory> {
 public:
  FakeClassFactory(std::shared_ptr<FakeEngine::State> state, int slot)
      : m_state(std::move(state)), m_slot(slot) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) noexcept override {
    return ComGuard([&]() -> HRESULT {
      *ppv = nullptr;
      if (outer) return CLASS_E_NOAGGREGATION;
      HRESULT hr = m_state->Record(L"Create", {std::to_wstring(m_slot)});
      if (FAILED(hr)) return hr;
      if (FAILED(m_state->createFailure[m_slot])) return m_state->createFailure[m_slot];
      auto* component = new FakeComponent(m_state, m_slot);
      hr = component->QueryInterface(riid, ppv);
      component->Release();
      return hr;
    });
  }
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  ~FakeClassFactory() override = default;
  std::shared_ptr<FakeEngine::State> m_state;
  int m_slot;
};

}  // namespace

IConnectionPoint* FakeEngine::State::Point(int slot, const IID& iid) {
  auto sources = SourcesOf(slot);
  if (std::find(sources.begin(), sources.end(), iid) == sources.end()) return nullptr;
  if (refusedPoints.count({slot, iid})) return nullptr;
  auto& point = points[{slot, iid}];
  if (!point) point = ComRef<IConnectionPoint>::Adopt(new FakeConnectionPoint(this, slot, iid));
  return point.Get();
}

namespace {

// Calls `fire` on the event interface E of every sink advised on a matching point.
template <class E, class F>
int FireAll(FakeEngine::State& state, const IID& iid, int slot, F fire) {
  std::vector<ComRef<IUnknown>> sinks;
  for (auto& [key, point] : state.points) {
    if (key.second != iid || (slot >= 0 && key.first != slot)) continue;
    auto snapshot = static_cast<FakeConnectionPoint*>(point.Get())->Snapshot();
    sinks.insert(sinks.end(), snapshot.begin(), snapshot.end());
  }
  for (auto& sink : sinks) fire(static_cast<E*>(static_cast<IUnknown*>(sink.Get())));
  return static_cast<int>(sinks.size());
}

}  // namespace

FakeEngine::FakeEngine() : m_state(std::make_shared<State>()) {
  for (int slot = 0; slot < 15; ++slot) {
    auto* factory = new FakeClassFactory(m_state, slot);
    CoRegisterClassObject(CEngineSession::SlotClass(slot), factory, CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &m_cookies[slot]);
    factory->Release();
  }
}

FakeEngine::~FakeEngine() {
  // Components still held (by the process's session, say) now fail every
  // call, so the next accessor re-creates them from whatever engine is current.
  m_state->gone = true;
  m_state->actions.clear();
  for (DWORD cookie : m_cookies)
    if (cookie) CoRevokeClassObject(cookie);
  // Connection points still held by sinks outlive the engine's record.
  for (auto& [key, point] : m_state->points)
    static_cast<FakeConnectionPoint*>(point.Get())->Detach();
}

FakeEngine::Values& FakeEngine::values() { return m_state->values; }

void FakeEngine::SetText(const std::wstring& getter, const std::wstring& text) {
  m_state->texts[getter] = text;
  m_state->nullTexts.erase(getter);
}
std::wstring FakeEngine::Text(const std::wstring& getter) const {
  auto it = m_state->texts.find(getter);
  return it == m_state->texts.end() ? std::wstring() : it->second;
}
void FakeEngine::SetNullText(const std::wstring& getter) { m_state->nullTexts.insert(getter); }
void FakeEngine::Fail(const std::wstring& op, HRESULT hr) { m_state->failures[op] = {hr, -1}; }
void FakeEngine::FailNext(const std::wstring& op, HRESULT hr, int times) {
  m_state->failures[op] = {hr, times};
}
void FakeEngine::ClearFailure(const std::wstring& op) { m_state->failures.erase(op); }
void FakeEngine::SetErrorDescription(const std::wstring& op, const std::wstring& text) {
  m_state->errorTexts[op] = text;
}
void FakeEngine::FailCreate(int slot, HRESULT hr) { m_state->createFailure[slot] = hr; }
void FakeEngine::RefuseInterface(int slot, bool refuse) { m_state->refuseInterface[slot] = refuse; }
void FakeEngine::RefuseConnectionPoint(int slot, const IID& events, bool refuse) {
  if (refuse)
    m_state->refusedPoints.insert({slot, events});
  else
    m_state->refusedPoints.erase({slot, events});
}
void FakeEngine::OnCall(const std::wstring& op, std::function<void()> action) {
  m_state->actions[op].push_back(std::move(action));
}

const std::vector<FakeEngine::Call>& FakeEngine::Calls() const { return m_state->calls; }
std::vector<FakeEngine::Call> FakeEngine::Calls(const std::wstring& op) const {
  std::vector<Call> r;
  for (const Call& c : m_state->calls)
    if (c.op == op) r.push_back(c);
  return r;
}
int FakeEngine::CallCount(const std::wstring& op) const {
  return static_cast<int>(std::count_if(m_state->calls.begin(), m_state->calls.end(),
                                        [&](const Call& c) { return c.op == op; }));
}
std::vector<std::wstring> FakeEngine::CallOrder(const std::vector<std::wstring>& only) const {
  std::vector<std::wstring> r;
  for (const Call& c : m_state->calls)
    if (only.empty() || std::find(only.begin(), only.end(), c.op) != only.end()) r.push_back(c.op);
  return r;
}
void FakeEngine::ClearCalls() { m_state->calls.clear(); }
std::wstring FakeEngine::Stored(const std::wstring& setter) const {
  auto it = m_state->stored.find(setter);
  return it == m_state->stored.end() ? std::wstring() : it->second;
}
int FakeEngine::LiveComponents() const {
  int n = 0;
  for (int c : m_state->live) n += c;
  return n;
}
int FakeEngine::LiveComponents(int slot) const { return m_state->live[slot]; }
int FakeEngine::SinkCount(int slot, const IID& events) const {
  auto it = m_state->points.find({slot, events});
  if (it == m_state->points.end()) return 0;
  return static_cast<int>(static_cast<FakeConnectionPoint*>(it->second.Get())->SinkCount());
}

int FakeEngine::FireScanStateChanged(LONG state, LONG detail) {
  return FireAll<_IQVScanControlEvents>(*m_state, IID__IQVScanControlEvents, -1,
                                        [&](auto* s) { s->ScanStateChanged(state, detail); });
}

int FakeEngine::FireScanProgress(const ScanProgressArgs& a) {
  return FireAll<_IQVScanControlEvents>(*m_state, IID__IQVScanControlEvents, -1, [&](auto* s) {
    BSTR name = SysAllocStringLen(a.threatName.data(), static_cast<UINT>(a.threatName.size()));
    BSTR object = SysAllocStringLen(a.objectName.data(), static_cast<UINT>(a.objectName.size()));
    BSTR category =
        SysAllocStringLen(a.threatCategory.data(), static_cast<UINT>(a.threatCategory.size()));
    s->ScanProgress(a.scanType, a.scanState, name, object, category, a.threatId, a.threatLevel,
                    a.threatCount, a.filesScanned, a.foldersScanned, a.registryScanned,
                    a.memoryScanned, a.cookiesScanned, a.tracesFound, a.percentDone,
                    a.elapsedSeconds, a.objectsScanned, a.objectType, a.reserved);
    SysFreeString(name);
    SysFreeString(object);
    SysFreeString(category);
  });
}

int FakeEngine::FireCleanProgress(LONG threatId, const std::wstring& threatName, LONG traceType,
                                  const std::wstring& trace, LONG progress) {
  return FireAll<_IQVScanControlEvents>(*m_state, IID__IQVScanControlEvents, -1, [&](auto* s) {
    BSTR name = SysAllocStringLen(threatName.data(), static_cast<UINT>(threatName.size()));
    BSTR text = SysAllocStringLen(trace.data(), static_cast<UINT>(trace.size()));
    s->CleanProgress(threatId, name, traceType, text, progress);
    SysFreeString(name);
    SysFreeString(text);
  });
}

int FakeEngine::FireServiceStatusChanged(LONG flag) {
  return FireAll<_IQVServiceEvents>(*m_state, IID__IQVServiceEvents, -1,
                                    [&](auto* s) { s->ServiceStatusChanged(flag); });
}

int FakeEngine::FireActiveProtectionEvent(const std::wstring& text, int slot) {
  return FireAll<_IQVActiveProtectionEvents>(
      *m_state, IID__IQVActiveProtectionEvents, slot, [&](auto* s) {
        BSTR b = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        s->ActiveProtectionEvent(b);
        SysFreeString(b);
      });
}

int FakeEngine::FireDefinitionsUpdateStatus(LONG status, LONG total, LONG done, int slot) {
  return FireAll<_IQVThreatDefinitionsEvents>(
      *m_state, IID__IQVThreatDefinitionsEvents, slot,
      [&](auto* s) { s->DefinitionsUpdateStatus(0, status, total, done); });
}

unsigned char FakeEngine::FireDefinitionsEvent5(unsigned char value, int slot) {
  FireAll<_IQVThreatDefinitionsEvents>(*m_state, IID__IQVThreatDefinitionsEvents, slot,
                                       [&](auto* s) { s->DefinitionsEvent5(&value); });
  return value;
}

#include "Objects.h"

#include <olectl.h>

#include <vector>

#include "ComBase.h"
#include "Engine.h"
#include "EngineContract.h"

namespace rre {
namespace {

// ---------------------------------------------------------------------------
// Connection points: every sink goes to the engine's event hub, so a sink
// advised on any object hears every event of its interface.

class ConnectionPoint final : public IConnectionPoint, public RefCounted {
 public:
  ConnectionPoint(IConnectionPointContainer* owner, REFIID iid) : owner_(owner), iid_(iid) {
    owner_->AddRef();
  }
  ~ConnectionPoint() override { owner_->Release(); }
  RRE_IUNKNOWN_REFS
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = owner_;
    owner_->AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    return Engine::Instance().Events().Advise(iid_, sink, cookie);
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    return Engine::Instance().Events().Unadvise(iid_, cookie);
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  IConnectionPointContainer* owner_;
  IID iid_;
};

// Base of the five working classes: the main interface, a connection point
// container for the listed event interfaces.
template <class Itf>
class EngineObject : public Itf, public IConnectionPointContainer, public RefCounted {
 public:
  EngineObject(const IID& iid, std::vector<IID> events) : iid_(iid), events_(std::move(events)) {}
  RRE_IUNKNOWN_REFS
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, iid_))
      *out = static_cast<Itf*>(this);
    else if (IsEqualIID(iid, IID_IConnectionPointContainer) && !events_.empty())
      *out = static_cast<IConnectionPointContainer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const auto& e : events_)
      if (IsEqualIID(e, iid)) {
        *out = new ConnectionPoint(this, iid);
        return S_OK;
      }
    return CONNECT_E_NOCONNECTION;
  }

 private:
  IID iid_;
  std::vector<IID> events_;
};

Engine& E() { return Engine::Instance(); }

HRESULT Text(HRESULT hr, const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  return FAILED(hr) ? hr : OutText(out, text);
}

class Service final : public EngineObject<IQVService> {
 public:
  Service()
      : EngineObject(IID_IQVService, {IID__IQVServiceEvents, IID__IQVActiveProtectionEvents,
                                      IID__IQVThreatDefinitionsEvents}) {}
  STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP GetDataFolder(BSTR* folder) override { return Text(S_OK, E().DataFolder(), folder); }
  STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
  STDMETHODIMP GetServiceConfig(BSTR* text) override {
    std::wstring t;
    return Text(E().GetDocument(Engine::kServiceConfig, t), t, text);
  }
  STDMETHODIMP SetServiceConfig(BSTR text) override {
    return E().SetDocument(Engine::kServiceConfig, FromBstr(text));
  }
  STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
  STDMETHODIMP Ping(long* value) override {
    if (value) *value = 1;
    return S_OK;
  }
  STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
  STDMETHODIMP GetConfigDocument(BSTR name, BSTR* text) override {
    std::wstring t;
    return Text(E().GetNamedDocument(FromBstr(name), t), t, text);
  }
  STDMETHODIMP SetConfigDocument(BSTR name, BSTR text) override {
    return E().SetNamedDocument(FromBstr(name), FromBstr(text));
  }
};

class ActiveProtection final : public EngineObject<IQVActiveProtection> {
 public:
  ActiveProtection() : EngineObject(IID_IQVActiveProtection, {IID__IQVActiveProtectionEvents}) {}
  STDMETHODIMP Reserved3() override { return E_NOTIMPL; }
  STDMETHODIMP GetAPConfig(BSTR* text) override {
    std::wstring t;
    return Text(E().GetDocument(Engine::kAPConfig, t), t, text);
  }
  STDMETHODIMP SetAPConfig(BSTR text) override {
    return E().SetDocument(Engine::kAPConfig, FromBstr(text));
  }
};

class ScanControlObject final : public EngineObject<IQVScanControl> {
 public:
  ScanControlObject() : EngineObject(IID_IQVScanControl, {IID__IQVScanControlEvents}) {}
  STDMETHODIMP StartScan(long scanType) override { return E().StartScan(scanType, false); }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() override { return E_NOTIMPL; }
  STDMETHODIMP GetScanResultsFile(BSTR* path) override {
    return Text(S_OK, E().ResultsFile(), path);
  }
  STDMETHODIMP PauseScan() override { return E().PauseScan(); }
  STDMETHODIMP ResumeScan() override { return E().ResumeScan(); }
  STDMETHODIMP StopScan() override { return E().StopScan(); }
  STDMETHODIMP CleanThreats(BSTR path) override { return E().CleanThreats(FromBstr(path)); }
  STDMETHODIMP GetScanState(long* state, unsigned char* reboot) override {
    if (!state || !reboot) return E_POINTER;
    bool r = false;
    E().GetScanState(*state, r);
    *reboot = r;
    return S_OK;
  }
  STDMETHODIMP Reserved13() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved14() override { return E_NOTIMPL; }
  STDMETHODIMP GetScanConfig(BSTR* text) override {
    std::wstring t;
    return Text(E().GetDocument(Engine::kScanConfig, t), t, text);
  }
  STDMETHODIMP SetScanConfig(BSTR text) override {
    return E().SetDocument(Engine::kScanConfig, FromBstr(text));
  }
  STDMETHODIMP Reserved17() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved18() override { return E_NOTIMPL; }
  STDMETHODIMP GetScanInfo(long* scanType, unsigned char* fromSchedule) override {
    if (!scanType || !fromSchedule) return E_POINTER;
    bool f = false;
    E().GetScanInfo(*scanType, f);
    *fromSchedule = f;
    return S_OK;
  }
  STDMETHODIMP ResetScan() override { return E().ResetScan(); }
  STDMETHODIMP GetLastScan(long* scanType, BSTR* dateTime) override {
    if (!scanType || !dateTime) return E_POINTER;
    *dateTime = nullptr;
    *scanType = 0;
    std::wstring when;
    if (!E().GetLastScan(*scanType, when)) return S_FALSE;
    return OutText(dateTime, when);
  }
};

class Quarantine final : public EngineObject<IQVQuarantine> {
 public:
  Quarantine() : EngineObject(IID_IQVQuarantine, {}) {}
  STDMETHODIMP RestoreItem(BSTR itemId, BSTR targetPath, unsigned char flag, long) override {
    return E().RestoreItem(FromBstr(itemId), FromBstr(targetPath), flag != 0);
  }
  STDMETHODIMP DeleteItem(BSTR itemId) override { return E().DeleteItem(FromBstr(itemId)); }
};

class ThreatDefinitions final : public EngineObject<IQVThreatDefinitions> {
 public:
  ThreatDefinitions() : EngineObject(IID_IQVThreatDefinitions, {IID__IQVThreatDefinitionsEvents}) {}
  STDMETHODIMP GetDefinitionsStatus(long* current, BSTR* dateTime) override {
    if (!current || !dateTime) return E_POINTER;
    *dateTime = nullptr;
    bool c = false;
    std::wstring when;
    HRESULT hr = E().GetDefinitionsStatus(c, when);
    *current = c ? 1 : 0;
    return Text(hr, when, dateTime);
  }
  STDMETHODIMP Reserved4() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() override { return E_NOTIMPL; }
  STDMETHODIMP UpdateDefinitions() override { return E().UpdateDefinitions(); }
  STDMETHODIMP Reserved7() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9() override { return E_NOTIMPL; }
  // Texts: advice, description, category, type, name, author, author address,
  // definitions version. Flags: can quarantine, hook threat, level, low risk.
  // Value: the advised action.
  STDMETHODIMP GetThreatInfo(long threatId, unsigned char* known, BSTR* t1, BSTR* t2, BSTR* t3,
                             BSTR* t4, BSTR* t5, BSTR* t6, BSTR* t7, BSTR* t8, unsigned char* f1,
                             unsigned char* f2, unsigned char* f3, unsigned char* f4,
                             long* value) override {
    BSTR* texts[] = {t1, t2, t3, t4, t5, t6, t7, t8};
    unsigned char* flags[] = {known, f1, f2, f3, f4};
    for (auto* t : texts)
      if (!t) return E_POINTER;
    for (auto* f : flags)
      if (!f) return E_POINTER;
    if (!value) return E_POINTER;
    ThreatInfo info = E().GetThreatInfo(uint32_t(threatId));
    const ThreatDef& d = info.def;
    std::wstring values[] = {d.advice, d.description, d.category,  d.type,
                             d.name,   d.author,      d.authorUrl, std::to_wstring(info.version)};
    for (int i = 0; i < 8; ++i) {
      HRESULT hr = OutText(texts[i], values[i]);
      if (FAILED(hr)) return hr;
    }
    *known = info.known;
    *f1 = info.known && d.canQuarantine;
    *f2 = 0;
    *f3 = info.known ? (unsigned char)d.level : 0;
    *f4 = info.known && d.level >= 5;
    *value = info.known ? d.advise : 0;
    return info.known ? S_OK : S_FALSE;
  }
  STDMETHODIMP Reserved11() override { return E_NOTIMPL; }
  STDMETHODIMP GetDefinitionUpdateConfig(BSTR* text) override {
    std::wstring t;
    return Text(E().GetDocument(Engine::kUpdateConfig, t), t, text);
  }
  STDMETHODIMP SetDefinitionUpdateConfig(BSTR text) override {
    return E().SetDocument(Engine::kUpdateConfig, FromBstr(text));
  }
};

// The ten components that carry no operation of their own.
template <class Itf>
class Placeholder final : public Itf, public RefCounted {
 public:
  explicit Placeholder(const IID& iid) : iid_(iid) {}
  RRE_IUNKNOWN_REFS
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, iid_)) return E_NOINTERFACE;
    *out = static_cast<Itf*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Reserved3() override { return E_NOTIMPL; }

 private:
  IID iid_;
};

using Creator = IUnknown* (*)();
template <class T>
IUnknown* Make() {
  return static_cast<IConnectionPointContainer*>(new T());
}
template <class Itf, const IID* Iid>
IUnknown* MakePlaceholder() {
  return static_cast<Itf*>(new Placeholder<Itf>(*Iid));
}

struct ClassEntry {
  EngineClass cls;
  Creator create;
};

const ClassEntry kClasses[] = {
    {{&CLSID_QVService, L"RodeRedud engine service"}, &Make<Service>},
    {{&CLSID_QVComponent1, L"RodeRedud engine component 1"},
     &MakePlaceholder<IQVComponent1, &IID_IQVComponent1>},
    {{&CLSID_QVActiveProtection, L"RodeRedud engine active protection"}, &Make<ActiveProtection>},
    {{&CLSID_QVScanControl, L"RodeRedud engine scan control"}, &Make<ScanControlObject>},
    {{&CLSID_QVQuarantine, L"RodeRedud engine quarantine"}, &Make<Quarantine>},
    {{&CLSID_QVComponent5, L"RodeRedud engine component 5"},
     &MakePlaceholder<IQVComponent5, &IID_IQVComponent5>},
    {{&CLSID_QVComponent6, L"RodeRedud engine component 6"},
     &MakePlaceholder<IQVComponent6, &IID_IQVComponent6>},
    {{&CLSID_QVThreatDefinitions, L"RodeRedud engine threat definitions"},
     &Make<ThreatDefinitions>},
    {{&CLSID_QVComponent8, L"RodeRedud engine component 8"},
     &MakePlaceholder<IQVComponent8, &IID_IQVComponent8>},
    {{&CLSID_QVComponent9, L"RodeRedud engine component 9"},
     &MakePlaceholder<IQVComponent9, &IID_IQVComponent9>},
    {{&CLSID_QVComponent10, L"RodeRedud engine component 10"},
     &MakePlaceholder<IQVComponent10, &IID_IQVComponent10>},
    {{&CLSID_QVComponent11, L"RodeRedud engine component 11"},
     &MakePlaceholder<IQVComponent11, &IID_IQVComponent11>},
    {{&CLSID_QVComponent12, L"RodeRedud engine component 12"},
     &MakePlaceholder<IQVComponent12, &IID_IQVComponent12>},
    {{&CLSID_QVComponent13, L"RodeRedud engine component 13"},
     &MakePlaceholder<IQVComponent13, &IID_IQVComponent13>},
    {{&CLSID_QVComponent14, L"RodeRedud engine component 14"},
     &MakePlaceholder<IQVComponent14, &IID_IQVComponent14>},
};

// Class objects do not keep the server alive, so they keep their own count.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(Creator c) : create_(c) {}
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG r = --refs_;
    if (!r) delete this;
    return r;
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IUnknown* obj = create_();
    HRESULT hr = obj->QueryInterface(iid, out);
    obj->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock)
      ServerLifetime::Add();
    else
      ServerLifetime::Release();
    return S_OK;
  }

 private:
  Creator create_;
  std::atomic<ULONG> refs_{1};
};

}  // namespace

const EngineClass* EngineClasses(size_t& count) {
  static EngineClass list[std::size(kClasses)];
  for (size_t i = 0; i < std::size(kClasses); ++i) list[i] = kClasses[i].cls;
  count = std::size(kClasses);
  return list;
}

IClassFactory* NewClassFactory(size_t index) { return new ClassFactory(kClasses[index].create); }

}  // namespace rre

#include "Objects.h"

#include <olectl.h>

#include <vector>

#include "Engine.h"
#include "EngineClasses.h"
#include "EngineContract.h"
#include "ServerLifetime.h"
#include "engine/ComObject.h"
#include "engine/ComRef.h"
#include "engine/EngineString.h"

namespace rre {
namespace {

// ---------------------------------------------------------------------------
// Connection points: every sink goes to the engine's event hub, so a sink
// advised on any object hears every event of its interface.

class ConnectionPoint final : public ComObject<IConnectionPoint> {
 public:
  ConnectionPoint(IConnectionPointContainer* owner, REFIID iid)
      : m_owner(ComRef<IConnectionPointContainer>::Share(owner)), m_iid(iid) {}
  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override {
    if (!iid) return E_POINTER;
    *iid = m_iid;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) noexcept override {
    if (!out) return E_POINTER;
    *out = ComRef<IConnectionPointContainer>(m_owner).Detach();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override {
    return ComGuard([&] { return Engine::Instance().Events().Advise(m_iid, sink, cookie); });
  }
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override {
    return ComGuard([&] { return Engine::Instance().Events().Unadvise(m_iid, cookie); });
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) noexcept override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  ServerLock m_lock;
  ComRef<IConnectionPointContainer> m_owner;
  IID m_iid;
};

// Base of the five working classes: the main interface, a connection point
// container for the listed event interfaces.
template <class Itf>
class EngineObject : public ComObject<Itf, IConnectionPointContainer> {
 public:
  explicit EngineObject(std::vector<IID> events) : m_events(std::move(events)) {}
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) noexcept override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    return ComGuard([&]() -> HRESULT {
      for (const auto& e : m_events)
        if (IsEqualIID(e, iid)) {
          *out = new ConnectionPoint(this, iid);
          return S_OK;
        }
      return CONNECT_E_NOCONNECTION;
    });
  }

 protected:
  // A class without events offers no connection point container.
  IUnknown* FindInterface(REFIID iid) override {
    if (IsEqualIID(iid, IID_IConnectionPointContainer) && m_events.empty()) return nullptr;
    return this->ListedInterface(iid);
  }

 private:
  ServerLock m_lock;
  std::vector<IID> m_events;
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
      : EngineObject({IID__IQVServiceEvents, IID__IQVActiveProtectionEvents,
                                      IID__IQVThreatDefinitionsEvents}) {}
  STDMETHODIMP Reserved3() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetDataFolder(BSTR* folder) noexcept override {
    return ComGuard([&] { return Text(S_OK, E().DataFolder(), folder); });
  }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved7() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetServiceConfig(BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      std::wstring t;
      return Text(E().GetDocument(Engine::kServiceConfig, t), t, text);
    });
  }
  STDMETHODIMP SetServiceConfig(BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().SetDocument(Engine::kServiceConfig, BstrText(text));
    });
  }
  STDMETHODIMP Reserved11() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Ping(long* value) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (value) *value = 1;
      return S_OK;
    });
  }
  STDMETHODIMP Reserved13() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetConfigDocument(BSTR name, BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      std::wstring t;
      return Text(E().GetNamedDocument(BstrText(name), t), t, text);
    });
  }
  STDMETHODIMP SetConfigDocument(BSTR name, BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().SetNamedDocument(BstrText(name), BstrText(text));
    });
  }
};

class ActiveProtection final : public EngineObject<IQVActiveProtection> {
 public:
  ActiveProtection() : EngineObject({IID__IQVActiveProtectionEvents}) {}
  STDMETHODIMP Reserved3() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetAPConfig(BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      std::wstring t;
      return Text(E().GetDocument(Engine::kAPConfig, t), t, text);
    });
  }
  STDMETHODIMP SetAPConfig(BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().SetDocument(Engine::kAPConfig, BstrText(text));
    });
  }
};

class ScanControlObject final : public EngineObject<IQVScanControl> {
 public:
  ScanControlObject() : EngineObject({IID__IQVScanControlEvents}) {}
  STDMETHODIMP StartScan(long scanType) noexcept override {
    return ComGuard([&] { return E().StartScan(scanType, false); });
  }
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved6() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetScanResultsFile(BSTR* path) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return Text(S_OK, E().ResultsFile(), path);
    });
  }
  STDMETHODIMP PauseScan() noexcept override {
    return ComGuard([&] { return E().PauseScan(); });
  }
  STDMETHODIMP ResumeScan() noexcept override {
    return ComGuard([&] { return E().ResumeScan(); });
  }
  STDMETHODIMP StopScan() noexcept override {
    return ComGuard([&] { return E().StopScan(); });
  }
  STDMETHODIMP CleanThreats(BSTR path) noexcept override {
    return ComGuard([&] { return E().CleanThreats(BstrText(path)); });
  }
  STDMETHODIMP GetScanState(long* state, unsigned char* reboot) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (!state || !reboot) return E_POINTER;
      bool r = false;
      E().GetScanState(*state, r);
      *reboot = r;
      return S_OK;
    });
  }
  STDMETHODIMP Reserved13() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved14() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetScanConfig(BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      std::wstring t;
      return Text(E().GetDocument(Engine::kScanConfig, t), t, text);
    });
  }
  STDMETHODIMP SetScanConfig(BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().SetDocument(Engine::kScanConfig, BstrText(text));
    });
  }
  STDMETHODIMP Reserved17() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved18() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetScanInfo(long* scanType, unsigned char* fromSchedule) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (!scanType || !fromSchedule) return E_POINTER;
      bool f = false;
      E().GetScanInfo(*scanType, f);
      *fromSchedule = f;
      return S_OK;
    });
  }
  STDMETHODIMP ResetScan() noexcept override {
    return ComGuard([&] { return E().ResetScan(); });
  }
  STDMETHODIMP GetLastScan(long* scanType, BSTR* dateTime) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (!scanType || !dateTime) return E_POINTER;
      *dateTime = nullptr;
      *scanType = 0;
      std::wstring when;
      if (!E().GetLastScan(*scanType, when)) return S_FALSE;
      return OutText(dateTime, when);
    });
  }
};

class Quarantine final : public EngineObject<IQVQuarantine> {
 public:
  Quarantine() : EngineObject({}) {}
  STDMETHODIMP RestoreItem(BSTR itemId, BSTR targetPath, unsigned char flag, long) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().RestoreItem(BstrText(itemId), BstrText(targetPath), flag != 0);
    });
  }
  STDMETHODIMP DeleteItem(BSTR itemId) noexcept override {
    return ComGuard([&] { return E().DeleteItem(BstrText(itemId)); });
  }
};

class ThreatDefinitions final : public EngineObject<IQVThreatDefinitions> {
 public:
  ThreatDefinitions() : EngineObject({IID__IQVThreatDefinitionsEvents}) {}
  STDMETHODIMP GetDefinitionsStatus(long* current, BSTR* dateTime) noexcept override {
    return ComGuard([&]() -> HRESULT {
      if (!current || !dateTime) return E_POINTER;
      *dateTime = nullptr;
      bool c = false;
      std::wstring when;
      HRESULT hr = E().GetDefinitionsStatus(c, when);
      *current = c ? 1 : 0;
      return Text(hr, when, dateTime);
    });
  }
  STDMETHODIMP Reserved4() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved5() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP UpdateDefinitions() noexcept override {
    return ComGuard([&] { return E().UpdateDefinitions(); });
  }
  STDMETHODIMP Reserved7() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved8() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Reserved9() noexcept override { return E_NOTIMPL; }
  // Texts: advice, description, category, type, name, author, author address,
  // definitions version. Flags: can quarantine, hook threat, level, low risk.
  // Value: the advised action.
  STDMETHODIMP GetThreatInfo(long threatId, unsigned char* known, BSTR* t1, BSTR* t2, BSTR* t3,
                             BSTR* t4, BSTR* t5, BSTR* t6, BSTR* t7, BSTR* t8, unsigned char* f1,
                             unsigned char* f2, unsigned char* f3, unsigned char* f4,
                             long* value) noexcept override {
    return ComGuard([&]() -> HRESULT {
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
    });
  }
  STDMETHODIMP Reserved11() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetDefinitionUpdateConfig(BSTR* text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      std::wstring t;
      return Text(E().GetDocument(Engine::kUpdateConfig, t), t, text);
    });
  }
  STDMETHODIMP SetDefinitionUpdateConfig(BSTR text) noexcept override {
    return ComGuard([&]() -> HRESULT {
      return E().SetDocument(Engine::kUpdateConfig, BstrText(text));
    });
  }
};

// The ten components that carry no operation of their own.
template <class Itf>
class Placeholder final : public ComObject<Itf> {
 public:
  STDMETHODIMP Reserved3() noexcept override { return E_NOTIMPL; }

 private:
  ServerLock m_lock;
};

using Creator = IUnknown* (*)();
template <class T>
IUnknown* Make() {
  return static_cast<IConnectionPointContainer*>(new T());
}
template <class Itf>
IUnknown* MakePlaceholder() {
  return static_cast<Itf*>(new Placeholder<Itf>());
}

// The object behind each class of the contract: a component with operations
// of its own, or a placeholder.
template <class Itf>
IUnknown* MakeObject() {
  return MakePlaceholder<Itf>();
}
template <>
IUnknown* MakeObject<IQVService>() {
  return Make<Service>();
}
template <>
IUnknown* MakeObject<IQVActiveProtection>() {
  return Make<ActiveProtection>();
}
template <>
IUnknown* MakeObject<IQVScanControl>() {
  return Make<ScanControlObject>();
}
template <>
IUnknown* MakeObject<IQVQuarantine>() {
  return Make<Quarantine>();
}
template <>
IUnknown* MakeObject<IQVThreatDefinitions>() {
  return Make<ThreatDefinitions>();
}

struct ClassEntry {
  EngineClass cls;
  Creator create;
};

const ClassEntry kClasses[] = {
#define ENGINE_CLASS_ENTRY(cls, itf, description) {{&CLSID_##cls, description}, &MakeObject<itf>},
    ENGINE_CLASSES(ENGINE_CLASS_ENTRY)
#undef ENGINE_CLASS_ENTRY
};

// Class objects do not keep the server alive: they count only their own references.
class ClassFactory final : public ComObject<IClassFactory> {
 public:
  explicit ClassFactory(Creator c) : m_create(c) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return ComGuard([&] {
      auto obj = ComRef<IUnknown>::Adopt(m_create());
      return obj->QueryInterface(iid, out);
    });
  }
  STDMETHODIMP LockServer(BOOL lock) noexcept override {
    if (lock)
      ServerLifetime::Add();
    else
      ServerLifetime::Release();
    return S_OK;
  }

 private:
  Creator m_create;
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

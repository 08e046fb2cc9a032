#include "EventHub.h"

#include <olectl.h>

#include "EngineContract.h"
#include "framework/Trace.h"

namespace rre {

namespace {

// The event without arguments of each event interface (its clients do nothing on it).
HRESULT FireEcho(REFIID iid, IUnknown* sink) {
  if (IsEqualIID(iid, IID__IQVScanControlEvents))
    return static_cast<_IQVScanControlEvents*>(sink)->ScanEvent7();
  if (IsEqualIID(iid, IID__IQVServiceEvents))
    return static_cast<_IQVServiceEvents*>(sink)->ServiceEvent5();
  if (IsEqualIID(iid, IID__IQVActiveProtectionEvents))
    return static_cast<_IQVActiveProtectionEvents*>(sink)->APEvent7();
  if (IsEqualIID(iid, IID__IQVThreatDefinitionsEvents))
    return static_cast<_IQVThreatDefinitionsEvents*>(sink)->DefinitionsEvent4();
  return E_NOINTERFACE;
}

}  // namespace

EventHub::EventHub() {
  m_echoOnUnadvise = GetEnvironmentVariableW(L"RODEREDUD_ENGINE_ECHO_ON_UNADVISE", nullptr, 0) > 0;
  TraceHr(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IGlobalInterfaceTable, reinterpret_cast<void**>(&m_git)),
          L"CoCreateInstance(GlobalInterfaceTable)");
}

EventHub::~EventHub() {
  Clear();
  if (m_git) m_git->Release();
}

HRESULT EventHub::Advise(REFIID iid, IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  if (!m_git) return E_UNEXPECTED;
  IUnknown* typed = nullptr;
  if (FAILED(sink->QueryInterface(iid, reinterpret_cast<void**>(&typed))))
    return CONNECT_E_CANNOTCONNECT;
  DWORD g = 0;
  HRESULT hr = m_git->RegisterInterfaceInGlobal(typed, iid, &g);
  typed->Release();
  if (FAILED(hr)) return hr;
  // The engine's threads all live in the multithreaded apartment: the sink
  // is unmarshalled from the table once and used from any of them.
  IUnknown* proxy = nullptr;
  hr = m_git->GetInterfaceFromGlobal(g, iid, reinterpret_cast<void**>(&proxy));
  if (FAILED(hr)) {
    m_git->RevokeInterfaceFromGlobal(g);
    return hr;
  }
  std::lock_guard lock(m_mu);
  *cookie = m_next++;
  m_entries.push_back({iid, *cookie, g, proxy});
  return S_OK;
}

HRESULT EventHub::Unadvise(REFIID iid, DWORD cookie) {
  if (m_echoOnUnadvise) {
    IUnknown* leaving = nullptr;
    {
      std::lock_guard lock(m_mu);
      for (const auto& e : m_entries)
        if (e.cookie == cookie && IsEqualIID(e.iid, iid)) {
          leaving = e.proxy;
          leaving->AddRef();
        }
    }
    // Outside the lock, like every event; a refused call changes nothing.
    if (leaving) {
      FireEcho(iid, leaving);
      leaving->Release();
    }
  }
  DWORD g = 0;
  IUnknown* proxy = nullptr;
  {
    std::lock_guard lock(m_mu);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
      if (it->cookie == cookie && IsEqualIID(it->iid, iid)) {
        g = it->git;
        proxy = it->proxy;
        m_entries.erase(it);
        break;
      }
    }
  }
  if (!g) return CONNECT_E_NOCONNECTION;
  if (proxy) proxy->Release();
  m_git->RevokeInterfaceFromGlobal(g);
  return S_OK;
}

size_t EventHub::Count(REFIID iid) {
  std::lock_guard lock(m_mu);
  size_t n = 0;
  for (const auto& e : m_entries) n += IsEqualIID(e.iid, iid);
  return n;
}

void EventHub::Fire(REFIID iid, const std::function<HRESULT(IUnknown*)>& call) {
  std::vector<Entry> targets;
  {
    std::lock_guard lock(m_mu);
    for (const auto& e : m_entries)
      if (IsEqualIID(e.iid, iid)) {
        e.proxy->AddRef();
        targets.push_back(e);
      }
  }
  for (const auto& e : targets) {
    HRESULT hr = call(e.proxy);
    e.proxy->Release();
    if (!TraceHr(hr, L"event call")) continue;
    // The client has gone: forget its sink.
    if (hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
        hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || hr == CO_E_OBJNOTCONNECTED ||
        hr == RPC_E_SERVER_DIED || hr == RPC_E_SERVER_DIED_DNE)
      Unadvise(iid, e.cookie);
  }
}

void EventHub::Clear() {
  std::vector<Entry> all;
  {
    std::lock_guard lock(m_mu);
    all.swap(m_entries);
  }
  for (const auto& e : all) {
    if (e.proxy) e.proxy->Release();
    if (m_git) m_git->RevokeInterfaceFromGlobal(e.git);
  }
}

}  // namespace rre

#include "engine/EngineSession.h"

#include "framework/Trace.h"

namespace {

struct SlotIds {
  const CLSID* clsid;
  const IID* iid;
};

const SlotIds kSlots[CEngineSession::kSlotCount] = {
    {&CLSID_QVService, &IID_IQVService},
    {&CLSID_QVComponent1, &IID_IQVComponent1},
    {&CLSID_QVActiveProtection, &IID_IQVActiveProtection},
    {&CLSID_QVScanControl, &IID_IQVScanControl},
    {&CLSID_QVQuarantine, &IID_IQVQuarantine},
    {&CLSID_QVComponent5, &IID_IQVComponent5},
    {&CLSID_QVComponent6, &IID_IQVComponent6},
    {&CLSID_QVThreatDefinitions, &IID_IQVThreatDefinitions},
    {&CLSID_QVComponent8, &IID_IQVComponent8},
    {&CLSID_QVComponent9, &IID_IQVComponent9},
    {&CLSID_QVComponent10, &IID_IQVComponent10},
    {&CLSID_QVComponent11, &IID_IQVComponent11},
    {&CLSID_QVComponent12, &IID_IQVComponent12},
    {&CLSID_QVComponent13, &IID_IQVComponent13},
    {&CLSID_QVComponent14, &IID_IQVComponent14},
};

}  // namespace

EngineClock EngineClock::System() {
  EngineClock clock;
  clock.nowMs = [] {
    LARGE_INTEGER freq, now;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&now);
    return static_cast<ULONGLONG>(now.QuadPart / (freq.QuadPart / 1000));
  };
  clock.sleep = [](DWORD ms) { Sleep(ms); };
  return clock;
}

CEngineSession& CEngineSession::Instance() {
  static CEngineSession session;
  return session;
}

CEngineSession::~CEngineSession() {
  ReleaseAll();
}

const CLSID& CEngineSession::SlotClass(int slot) { return *kSlots[slot].clsid; }
const IID& CEngineSession::SlotInterface(int slot) { return *kSlots[slot].iid; }

const std::array<int, CEngineSession::kSlotCount>& CEngineSession::CreationOrder() {
  static const std::array<int, kSlotCount> order = {0, 1,  2,  3,  4,  5,  6, 7,
                                                    8, 10, 11, 12, 13, 14, 9};
  return order;
}

HRESULT CEngineSession::CreateSlot(int slot) {
  slots_[slot].Reset();
  ComRef<IUnknown> object;
  HRESULT hr =
      CoCreateInstance(SlotClass(slot), nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
  if (SUCCEEDED(hr) && !object) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = OleRun(object.Get());
  if (SUCCEEDED(hr)) {
    ComRef<IUnknown> kept;
    hr = object->QueryInterface(SlotInterface(slot), kept.PutVoid());
    if (SUCCEEDED(hr) && !kept) hr = E_NOINTERFACE;
    if (SUCCEEDED(hr)) slots_[slot] = std::move(kept);
  }
  return hr;
}

bool CEngineSession::CreateAll() {
  if (slots_[kServiceSlot]) return false;
  ReleaseAll();
  for (int slot : CreationOrder()) {
    if (TraceHr(CreateSlot(slot), L"CreateSlot " + std::to_wstring(slot))) {
      ReleaseAll();
      return false;
    }
  }
  ++generation_;
  return true;
}

void CEngineSession::ReleaseAll() {
  for (auto& slot : slots_) slot.Reset();
}

bool CEngineSession::IsAlive() {
  if (!slots_[kServiceSlot]) return false;
  LONG value = 2;
  HRESULT hr = static_cast<IQVService*>(slots_[kServiceSlot].Get())->Ping(&value);
  if (TraceHr(hr, L"Ping")) {
    ReleaseAll();
    return false;
  }
  return true;
}

HRESULT CEngineSession::PingHeld() {
  if (!slots_[kServiceSlot]) return E_POINTER;
  try {
    LONG value = 2;
    return static_cast<IQVService*>(slots_[kServiceSlot].Get())->Ping(&value);
  } catch (...) {
    return E_FAIL;
  }
}

bool CEngineSession::EnsureEngine() { return IsAlive() || CreateAll(); }

bool CEngineSession::ConnectAtStartup(const EngineClock& clock) {
  const ULONGLONG start = clock.nowMs();
  for (;;) {
    CreateAll();
    if (IsAlive()) break;
    clock.sleep(kStartupRetryMs);
    if (clock.nowMs() - start >= kStartupTimeoutMs) break;
  }
  return EnsureEngine();
}

int CEngineSession::HeldSlotCount() const {
  int n = 0;
  for (const auto& slot : slots_) n += slot ? 1 : 0;
  return n;
}

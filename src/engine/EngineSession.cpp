#include "engine/EngineSession.h"

#include "EngineClasses.h"
#include "framework/Trace.h"

namespace {

struct SlotIds {
  const CLSID* clsid;
  const IID* iid;
};

static_assert(ENGINE_CLASS_COUNT == CEngineSession::kSlotCount);
const SlotIds kSlots[CEngineSession::kSlotCount] = {
#define ENGINE_SLOT(cls, itf, description) {&CLSID_##cls, &IID_##itf},
    ENGINE_CLASSES(ENGINE_SLOT)
#undef ENGINE_SLOT
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
  m_slots[slot].Reset();
  ComRef<IUnknown> object;
  HRESULT hr =
      CoCreateInstance(SlotClass(slot), nullptr, CLSCTX_ALL, IID_IUnknown, object.PutVoid());
  if (SUCCEEDED(hr) && !object) hr = E_POINTER;
  if (SUCCEEDED(hr)) hr = OleRun(object.Get());
  if (SUCCEEDED(hr)) {
    ComRef<IUnknown> kept;
    hr = object->QueryInterface(SlotInterface(slot), kept.PutVoid());
    if (SUCCEEDED(hr) && !kept) hr = E_NOINTERFACE;
    if (SUCCEEDED(hr)) m_slots[slot] = std::move(kept);
  }
  return hr;
}

bool CEngineSession::CreateAll() {
  if (m_slots[kServiceSlot]) return false;
  ReleaseAll();
  for (int slot : CreationOrder()) {
    if (TraceHr(CreateSlot(slot), L"CreateSlot " + std::to_wstring(slot))) {
      ReleaseAll();
      return false;
    }
  }
  ++m_generation;
  return true;
}

void CEngineSession::ReleaseAll() {
  for (auto& slot : m_slots) slot.Reset();
}

bool CEngineSession::IsAlive() {
  if (!m_slots[kServiceSlot]) return false;
  LONG value = 2;
  HRESULT hr = static_cast<IQVService*>(m_slots[kServiceSlot].Get())->Ping(&value);
  if (TraceHr(hr, L"Ping")) {
    ReleaseAll();
    return false;
  }
  return true;
}

HRESULT CEngineSession::PingHeld() {
  if (!m_slots[kServiceSlot]) return E_POINTER;
  try {
    LONG value = 2;
    return static_cast<IQVService*>(m_slots[kServiceSlot].Get())->Ping(&value);
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
  for (const auto& slot : m_slots) n += slot ? 1 : 0;
  return n;
}

// CEngineSession: the process-wide connection to the scan engine. It holds one
// reference to each of the engine's fifteen components, creates them all or
// none, probes the engine before every use (once for a group of calls made
// together) and re-creates everything when the probe fails.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "EngineContract.h"
#include "engine/ComRef.h"
#include "engine/EngineError.h"
#include "engine/EngineString.h"

// ScanType: what StartScan is asked for and what the engine reports back.
enum ScanType : LONG {
  kScanQuick = 0,
  kScanFull = 1,
  kScanCustom = 2,
  kScanQuickOther = 3,  // recorded like a quick scan
  kScanUnrecorded = 4,  // no scan statistics are recorded
};

// EngineScanState: the engine's scan-and-clean state code (reactions in EventSinks.h).
using EngineScanState = LONG;

// The engine's date-time text format.
inline constexpr const wchar_t* kEngineDateTimeFormat = L"%Y-%m-%dT%H:%M:%S";

// Time source and sleep of the start-up connection; tests inject their own.
struct EngineClock {
  std::function<ULONGLONG()> nowMs;  // a monotonic millisecond counter
  std::function<void(DWORD)> sleep;
  static EngineClock System();
};

class CEngineSession {
 public:
  static constexpr int kSlotCount = 15;
  static constexpr int kServiceSlot = 0;
  static constexpr int kActiveProtectionSlot = 2;
  static constexpr int kScanControlSlot = 3;
  static constexpr int kQuarantineSlot = 4;
  static constexpr int kThreatDefinitionsSlot = 7;
  static constexpr DWORD kStartupTimeoutMs = 60000;
  static constexpr DWORD kStartupRetryMs = 1000;

  // The one session of the process.
  static CEngineSession& Instance();

  CEngineSession() = default;
  ~CEngineSession();
  CEngineSession(const CEngineSession&) = delete;
  CEngineSession& operator=(const CEngineSession&) = delete;

  static const CLSID& SlotClass(int slot);
  static const IID& SlotInterface(int slot);
  // Slots in creation order: 0..8, 10..14, then 9.
  static const std::array<int, kSlotCount>& CreationOrder();

  // Creates every component, all or nothing. False without touching anything
  // when slot 0 already holds a reference.
  bool CreateAll();
  // Releases every slot, 0 to 14; errors raised by a release are swallowed.
  void ReleaseAll();
  // Liveness probe: Ping on slot 0. A failure releases everything.
  bool IsAlive();
  // Probe, and create all when the engine is not alive.
  bool EnsureEngine();
  // The start-up connection: create and probe every second for up to 60 s,
  // then EnsureEngine. False: the engine is unavailable.
  bool ConnectAtStartup(const EngineClock& clock = EngineClock::System());

  // Accessors: probe (re-creating all when not alive), then the slot's
  // reference with a count of its own, or nothing. Wrap in Checked() to
  // raise EngineError(E_POINTER) on nothing.
  ComRef<IQVService> Service() { return Access<IQVService>(kServiceSlot); }
  ComRef<IQVActiveProtection> ActiveProtection() {
    return Access<IQVActiveProtection>(kActiveProtectionSlot);
  }
  ComRef<IQVScanControl> ScanControl() { return Access<IQVScanControl>(kScanControlSlot); }
  ComRef<IQVQuarantine> Quarantine() { return Access<IQVQuarantine>(kQuarantineSlot); }
  ComRef<IQVThreatDefinitions> ThreatDefinitions() {
    return Access<IQVThreatDefinitions>(kThreatDefinitionsSlot);
  }

  // One probe for a group of calls made together (a page reading everything it
  // shows): while an object of this class lives, only the first accessor
  // probes. A call on an engine that went away since then fails like any call
  // on a dead engine. Groups may nest; the outermost one counts.
  class ProbeGroup {
   public:
    explicit ProbeGroup(CEngineSession& session) : m_session(session) { ++m_session.m_probeGroups; }
    ~ProbeGroup() {
      if (--m_session.m_probeGroups == 0) m_session.m_probedInGroup = false;
    }
    ProbeGroup(const ProbeGroup&) = delete;
    ProbeGroup& operator=(const ProbeGroup&) = delete;

   private:
    CEngineSession& m_session;
  };

  // Ping on the engine held now, without re-creating anything: the engine's
  // result, E_POINTER when the session is empty. For watchers that must notice
  // that the engine they follow went away (a re-created engine is another one).
  HRESULT PingHeld();
  // Counts the successful creations: a watcher that saw another value follows
  // an engine that is gone, even when a new one answers now.
  unsigned Generation() const { return m_generation; }

  bool HoldsSlot(int slot) const { return static_cast<bool>(m_slots[slot]); }
  int HeldSlotCount() const;

 private:
  HRESULT CreateSlot(int slot);
  template <class I>
  ComRef<I> Access(int slot) {
    if (!m_probedInGroup) {
      if (!IsAlive()) CreateAll();
      m_probedInGroup = m_probeGroups > 0;
    }
    return ComRef<I>::Share(static_cast<I*>(m_slots[slot].Get()));
  }

  std::array<ComRef<IUnknown>, kSlotCount> m_slots;
  unsigned m_generation = 0;
  int m_probeGroups = 0;
  bool m_probedInGroup = false;
};

// The process's session.
inline CEngineSession& Engine() { return CEngineSession::Instance(); }

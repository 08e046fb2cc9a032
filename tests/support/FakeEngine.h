// FakeEngine: an in-process stand-in for the scan engine. While one exists, its
// class objects (registered with CoRegisterClassObject) answer every creation
// of the fifteen engine classes, so the real session, sink and controller code
// runs against it. It records every call, returns scripted results and texts,
// and fires scripted events through its connection points.
//
//   FakeEngine engine;                                  // registers the classes
//   engine.SetText(L"GetScanConfig", L"<?xml ...");     // what a getter returns
//   engine.Fail(L"StartScan", E_FAIL);                  // every StartScan fails
//   engine.FailNext(L"Ping", E_FAIL);                   // only the next Ping fails
//   engine.FailCreate(9, REGDB_E_CLASSNOTREG);          // creation of slot 9 fails
//   engine.OnCall(L"StartScan", [&] { engine.FireScanStateChanged(1); });
//   ... run the code under test ...
//   engine.CallCount(L"StartScan"); engine.Calls(L"SetScanConfig")[0].args[0];
//   engine.Stored(L"SetScanConfig");                    // last text a setter received
//
// Components that outlive their FakeEngine fail every call with
// RPC_E_DISCONNECTED, like a server that went away: a session still holding
// them re-creates everything from the next FakeEngine on its next access.
//
// Operations are named as in the contract ("Ping", "GetScanConfig", ...);
// creations are recorded as "Create" with the slot number as argument,
// connection-point use as "Advise" and "Unadvise".
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EngineContract.h"

class FakeEngine {
 public:
  struct Call {
    std::wstring op;
    std::vector<std::wstring> args;  // in order; numbers as decimal text, null strings as "<null>"
  };

  // Arguments of ScanProgress, in order (see the contract).
  struct ScanProgressArgs {
    LONG scanType = 0;
    LONG scanState = 1;
    std::wstring threatName;
    std::wstring objectName;
    std::wstring threatCategory;
    LONG threatId = 0;
    LONG threatLevel = 0;
    LONG threatCount = 0;
    LONG filesScanned = 0;
    LONG foldersScanned = 0;
    LONG registryScanned = 0;
    LONG memoryScanned = 0;
    LONG cookiesScanned = 0;
    LONG tracesFound = 0;
    LONG percentDone = 0;
    LONG elapsedSeconds = 0;
    LONG objectsScanned = 0;
    LONG objectType = 0;
    LONG reserved = 0;
  };

  // What GetThreatInfo hands back.
  struct ThreatInfo {
    unsigned char known = 1;
    std::wstring texts[8];
    unsigned char flags[4] = {};
    LONG value = 0;
  };

  // Values the engine reports. Texts of getters are set with SetText.
  struct Values {
    LONG definitionsCurrent = 1;  // GetDefinitionsStatus current
    LONG scanState = 0;           // GetScanState
    unsigned char rebootRequired = 0;
    LONG scanInfoType = 0;  // GetScanInfo
    unsigned char fromSchedule = 0;
    HRESULT lastScanResult = S_OK;  // GetLastScan's success value (S_FALSE: none)
    LONG lastScanType = 0;
    std::map<LONG, ThreatInfo> threats;  // GetThreatInfo by id (unknown ids: known = 0)
  };

  FakeEngine();
  ~FakeEngine();
  FakeEngine(const FakeEngine&) = delete;
  FakeEngine& operator=(const FakeEngine&) = delete;

  // ---- Scripting
  Values& values();
  // Text returned by a getter: "GetDataFolder", "GetServiceConfig",
  // "GetConfigDocument", "GetAPConfig", "GetScanResultsFile", "GetScanConfig",
  // "GetDefinitionUpdateConfig", "GetDefinitionsStatus" (date), "GetLastScan" (date).
  // Setters replace their getter's text ("SetScanConfig" -> "GetScanConfig").
  void SetText(const std::wstring& getter, const std::wstring& text);
  std::wstring Text(const std::wstring& getter) const;
  // A null string instead of text.
  void SetNullText(const std::wstring& getter);
  // Every call of op returns hr (until Clear), or only the next `times` calls.
  void Fail(const std::wstring& op, HRESULT hr);
  void FailNext(const std::wstring& op, HRESULT hr, int times = 1);
  void ClearFailure(const std::wstring& op);
  // A failing op also sets the thread's error information with this text
  // (components answer ISupportErrorInfo, as an in-process engine could).
  void SetErrorDescription(const std::wstring& op, const std::wstring& text);
  // Class-object creation of a slot fails with hr (0 = succeeds again).
  void FailCreate(int slot, HRESULT hr);
  // The component of a slot answers no QueryInterface for its interface.
  void RefuseInterface(int slot, bool refuse = true);
  // The component of a slot offers no connection point for an event interface.
  void RefuseConnectionPoint(int slot, const IID& events, bool refuse = true);
  // Runs after op is recorded, inside the call (before it returns).
  void OnCall(const std::wstring& op, std::function<void()> action);

  // ---- Observation
  const std::vector<Call>& Calls() const;
  std::vector<Call> Calls(const std::wstring& op) const;
  int CallCount(const std::wstring& op) const;
  // Ops in call order (optionally only those in `only`).
  std::vector<std::wstring> CallOrder(const std::vector<std::wstring>& only = {}) const;
  void ClearCalls();
  // Last text a setter received ("SetScanConfig", ...), empty when never called.
  std::wstring Stored(const std::wstring& setter) const;
  // Components alive (held by anyone).
  int LiveComponents() const;
  int LiveComponents(int slot) const;
  // Sinks advised on a slot's connection point for an event interface.
  int SinkCount(int slot, const IID& events) const;

  // ---- Events (to the sinks of every slot that fires the interface, or of
  // one slot when slot >= 0). Each returns the number of sinks called.
  int FireScanStateChanged(LONG state, LONG detail = 0);
  int FireScanProgress(const ScanProgressArgs& args);
  int FireCleanProgress(LONG threatId, const std::wstring& threatName, LONG traceType,
                        const std::wstring& trace, LONG progress);
  int FireServiceStatusChanged(LONG flag);
  int FireActiveProtectionEvent(const std::wstring& text, int slot = -1);
  int FireDefinitionsUpdateStatus(LONG status, LONG total = 0, LONG done = 0, int slot = -1);
  // The third definitions event: value goes in, the last sink's answer comes out.
  unsigned char FireDefinitionsEvent5(unsigned char value, int slot = -1);

  struct State;

 private:
  std::shared_ptr<State> m_state;
  DWORD m_cookies[15] = {};
};

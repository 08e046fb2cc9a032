#pragma once
// The engine session: the one state every client shares. It keeps the
// configuration documents in the data folder, the threat definitions, the
// scan-and-clean session, the quarantine, the definitions update, the
// scheduled scans and active protection, and fires the events.
//
// Its codes (states, actions, update status, protection responses) are
// EngineCodes, shared with the client.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Definitions.h"
#include "EventHub.h"
#include "Scanner.h"
#include "idl/EngineCodes.h"
#include "framework/Handles.h"
#include "Schedule.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "engine/documents/ServiceConfig.h"
#include "engine/documents/ThreatDefinitionsConfig.h"

namespace rre {

using namespace EngineCodes;

struct ThreatInfo {
  bool known = false;
  ThreatDef def;
  uint32_t version = 0;
};

class Engine {
 public:
  static Engine& Instance();

  void Start();
  // Fires the service stop to every client and ends the worker threads.
  void Shutdown();

  EventHub& Events() { return m_events; }
  std::wstring DataFolder() const { return m_data; }

  // Configuration documents (XML text).
  enum Doc { kScanConfig, kAPConfig, kServiceConfig, kUpdateConfig };
  HRESULT GetDocument(Doc which, std::wstring& text);
  HRESULT SetDocument(Doc which, const std::wstring& text);
  HRESULT GetNamedDocument(const std::wstring& name, std::wstring& text);
  HRESULT SetNamedDocument(const std::wstring& name, const std::wstring& text);

  // Scanning and cleaning.
  HRESULT StartScan(long type, bool fromSchedule);
  HRESULT PauseScan();
  HRESULT ResumeScan();
  HRESULT StopScan();
  HRESULT ResetScan();
  HRESULT CleanThreats(const std::wstring& requestPath);
  void GetScanState(long& state, bool& reboot);
  void GetScanInfo(long& type, bool& fromSchedule);
  bool GetLastScan(long& type, std::wstring& when);
  std::wstring ResultsFile() const { return m_data + L"ScanResults.xml"; }

  // Quarantine.
  HRESULT RestoreItem(const std::wstring& id, const std::wstring& target, bool trust);
  HRESULT DeleteItem(const std::wstring& id);
  std::wstring QuarantineFolder() const { return m_data + L"Quarantine\\"; }

  // Definitions.
  HRESULT GetDefinitionsStatus(bool& current, std::wstring& date);
  HRESULT UpdateDefinitions();
  ThreatInfo GetThreatInfo(uint32_t id);

 private:
  Engine() = default;
  struct Found {
    uint32_t threat = 0;
    std::vector<std::wstring> traces;
  };
  struct CleanItem {
    size_t threatIndex;  // into the results' threat list
    int action;
  };

  void LoadConfiguration();
  void LoadDefinitions();
  template <class D>
  bool LoadDoc(const wchar_t* file, D& doc);
  template <class D>
  HRESULT StoreDoc(const wchar_t* file, const D& doc);
  std::wstring DocFile(const wchar_t* name) const { return m_data + L"Config\\" + name; }

  ScanOptions OptionsFor(long type, const QVnsScanConfig::CScanSetting* own);
  void ScanWorker(ScanOptions options, uint32_t intervalMs, std::shared_ptr<ScanControl> control);
  void CleanWorker(std::vector<CleanItem> items, std::shared_ptr<ScanControl> control);
  void UpdateWorker();
  // Installs a signature container from the definitions server; returns the
  // update's end status (2 up to date, 3 updated, 4 not stored, 100 bad).
  long InstallContainer(const std::string& bytes);
  void SchedulerLoop();
  void ProtectionLoop();
  void ApplyProtectionSettings();
  void OnProtectedFile(const std::wstring& path);
  void PurgeQuarantine();
  void RefreshSchedules();

  // Quarantines the traces of one threat; returns the item id ("" on failure).
  std::wstring QuarantineTraces(const ThreatDef& def, const std::vector<std::wstring>& traces,
                                const std::wstring& scanGuid, uint32_t defsVersion, bool& reboot,
                                std::vector<std::wstring>* failed);
  bool RemoveFile(const std::wstring& path, bool& reboot);
  HRESULT WriteResults();
  void SetState(long state);
  void FireState(long state);
  void FireProgress(const std::wstring& object, const Found* threat, uint64_t elapsedMs);
  void FireDefinitionsStatus(long status, long total, long done);

  EventHub m_events;
  std::wstring m_data;

  std::mutex m_mu;  // guards everything below
  QVnsScanConfig::CScanConfig m_scanConfig;
  QVnsAPConfig::CAPConfig m_apConfig;
  QVnsServiceConfig::CServiceConfig m_serviceConfig;
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig m_updateConfig;
  std::shared_ptr<const Definitions> m_defs;
  std::shared_ptr<const Matcher> m_matcher;
  std::vector<ScheduleSpec> m_schedules;

  long m_state = kIdle;
  long m_scanType = 0;
  bool m_fromSchedule = false;
  bool m_reboot = false;
  std::wstring m_scanGuid;
  std::vector<Found> m_found;
  ScanStats m_stats;
  std::unique_ptr<QVnsScanResults::CARDOThreatEngineResults> m_results;
  std::shared_ptr<ScanControl> m_control;
  std::condition_variable m_stateChanged;  // with m_mu
  std::atomic<bool> m_updating{false};

  // Worker threads of sessions and updates. They are never joined from a
  // client's call (a worker may be inside an event call to that very client),
  // only reaped once finished and joined at shutdown.
  void Launch(std::function<void()> work);
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::mutex m_workersMu;
  std::vector<Worker> m_workers;
  std::mutex m_fileMu;     // quarantine files and the results file
  std::mutex m_controlMu;  // serialises starting, cleaning and resetting sessions

  std::thread m_scheduler, m_protection;
  std::atomic<bool> m_quit{false};
  UniqueEvent m_wake;  // wakes the protection loop on setting changes
};

}  // namespace rre

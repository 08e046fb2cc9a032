// Scanning: the scan session, its progress events and the results file.

#include "EngineParts.h"

#include <knownfolders.h>

#include "engine/EngineString.h"
#include "EngineContract.h"

namespace rre {
namespace {

// A small set of user and temporary folders.
std::vector<std::wstring> QuickScanFolders() {
  std::wstring env = EnvText(L"RODEREDUD_ENGINE_QUICK_PATHS");
  if (!env.empty()) return SplitPaths(env);
  std::vector<std::wstring> out;
  for (auto id : {&FOLDERID_Desktop, &FOLDERID_Downloads, &FOLDERID_Documents, &FOLDERID_Startup,
                  &FOLDERID_CommonStartup})
    if (auto p = KnownFolder(*id); !p.empty()) out.push_back(p);
  wchar_t tmp[MAX_PATH];
  if (GetTempPathW(MAX_PATH, tmp)) out.push_back(tmp);
  return out;
}

std::vector<std::wstring> FullScanRoots() {
  std::wstring env = EnvText(L"RODEREDUD_ENGINE_FULL_PATHS");
  if (!env.empty()) return SplitPaths(env);
  std::vector<std::wstring> out;
  wchar_t drives[512];
  DWORD n = GetLogicalDriveStringsW(511, drives);
  for (const wchar_t* d = drives; n && d < drives + n && *d; d += wcslen(d) + 1)
    if (GetDriveTypeW(d) == DRIVE_FIXED) out.push_back(d);
  return out;
}

const wchar_t* ScanName(long type) {
  switch (type) {
    case 0:
      return L"Quick scan";
    case 1:
      return L"Full scan";
    default:
      return L"Custom scan";
  }
}

}  // namespace

ScanOptions Engine::OptionsFor(long type, const SC::CScanSetting* own) {
  ScanOptions o;
  const SC::CScanSetting* setting = own;
  if (const auto* all = m_scanConfig.ScanSettings.Get(); all && !setting)
    for (const auto& s : all->ScanSetting)
      if (long(s.ScanType.Get()) == type) setting = &s;
  if (type == 0) o.roots = QuickScanFolders();  // type -1: exclusions only
  if (type == 1) o.roots = FullScanRoots();
  if (setting) {
    if (type == 2)
      if (const auto* p = setting->PathsToScan.Get())
        for (const auto& x : p->Paths) o.roots.push_back(x.Path.Get());
    if (const auto* p = setting->PathsToExclude.Get())
      for (const auto& x : p->Paths) o.excluded.push_back(x.Path.Get());
  }
  if (const auto* k = m_scanConfig.KnownApps.Get())
    for (const auto& a : k->KnownApp) o.excluded.push_back(a.FilePath.Get());
  if (const auto* i = m_scanConfig.IgnoredThreats.Get())
    for (const auto& t : i->IgnoredThreat) o.ignoredThreats.insert(t.Id.Get());
  o.excluded.push_back(m_data);  // the engine's own files
  return o;
}

void Engine::SetState(long state) {
  std::lock_guard lock(m_mu);
  m_state = state;
  m_stateChanged.notify_all();
}

void Engine::FireState(long state) {
  m_events.FireAs<_IQVScanControlEvents>(IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
    return s->ScanStateChanged(state, 0);
  });
}

void Engine::FireProgress(const std::wstring& object, const Found* threat, uint64_t elapsedMs) {
  long type, state, threats = 0, traces = 0;
  ScanStats st;
  ThreatDef def;
  {
    std::lock_guard lock(m_mu);
    type = m_scanType;
    state = m_state;
    st = m_stats;
    threats = long(m_found.size());
    for (const auto& f : m_found) traces += long(f.traces.size());
    if (threat)
      if (const ThreatDef* d = m_defs->Find(threat->threat)) def = *d;
  }
  EngineString name(threat ? def.name : std::wstring()), obj(object),
      cat(threat ? def.category : std::wstring());
  long id = threat ? long(threat->threat) : 0, level = threat ? long(def.level) : 0;
  m_events.FireAs<_IQVScanControlEvents>(IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
    // The count of threats found so far, then (later) the count of their traces.
    return s->ScanProgress(type, state, name.Get(), obj.Get(), cat.Get(), id, level, threats,
                           long(st.files), long(st.folders), 0, 0, 0, traces, 0,
                           long(elapsedMs / 1000), long(st.files), 1, 0);
  });
}

HRESULT Engine::StartScan(long type, bool fromSchedule) {
  if (type < 0 || type > 2) return E_INVALIDARG;
  std::lock_guard serial(m_controlMu);
  std::unique_lock lock(m_mu);
  if (m_state == kScanStarted || m_state == kScanPaused || m_state == kCleaning)
    return HRESULT_FROM_WIN32(ERROR_BUSY);
  const SC::CScanSetting* own = nullptr;
  if (fromSchedule)
    if (const auto* list = m_scanConfig.ScanSchedules.Get())
      for (const auto& s : list->ScanSchedule)
        if (long(s.ScanType.Get()) == type && s.ScanSetting.Get()) own = s.ScanSetting.Get();
  ScanOptions options = OptionsFor(type, own);
  uint32_t interval = m_scanConfig.ScanDetailCBIntervalMS.Get();
  m_state = kScanStarted;
  m_scanType = type;
  m_fromSchedule = fromSchedule;
  m_reboot = false;
  m_scanGuid = NewGuidText();
  m_found.clear();
  m_stats = ScanStats{};
  m_results.reset();
  auto control = m_control = std::make_shared<ScanControl>();
  Launch([this, options, interval, control] {
    ScanWorker(options, interval ? interval : kDefaultProgressMs, control);
  });
  return S_OK;
}

void Engine::ScanWorker(ScanOptions options, uint32_t intervalMs,
                        std::shared_ptr<ScanControl> control) {
  std::shared_ptr<const Matcher> matcher;
  std::shared_ptr<const Definitions> defs;
  {
    std::lock_guard lock(m_mu);
    matcher = m_matcher;
    defs = m_defs;
  }
  FireState(kScanStarted);
  std::wstring started = NowUtcText();
  DWORD t0 = GetTickCount(), last = t0;
  Scanner scanner(*matcher, options, *control);
  scanner.onFile = [&](const std::wstring& path, const ScanStats& st) {
    {
      std::lock_guard lock(m_mu);
      m_stats = st;
    }
    DWORD now = GetTickCount();
    if (now - last >= intervalMs) {
      last = now;
      FireProgress(path, nullptr, now - t0);
    }
  };
  scanner.onDetection = [&](const Detection& d, const ScanStats& st) {
    Found copy;
    {
      std::lock_guard lock(m_mu);
      m_stats = st;
      auto it = std::find_if(m_found.begin(), m_found.end(),
                             [&](const Found& f) { return f.threat == d.threatId; });
      if (it == m_found.end()) it = m_found.insert(m_found.end(), Found{d.threatId, {}});
      it->traces.push_back(d.path);
      copy = *it;
    }
    FireProgress(d.path, &copy, GetTickCount() - t0);
  };
  bool completed = false;
  try {
    completed = scanner.Run();
  } catch (...) {
    completed = false;
  }
  bool failed = !completed && !control->Stopped();
  long final;
  {
    std::lock_guard lock(m_mu);
    m_stats = scanner.Stats();
    auto doc = std::make_unique<SR::CARDOThreatEngineResults>();
    doc->version.Set(L"4.0.0");
    auto& sum = doc->summary.Create();
    sum.scanGUID.Set(m_scanGuid);
    sum.scanDescription.Set(ScanName(m_scanType));
    sum.threatDefinitionVersion.Set(defs->version);
    sum.scannerAborted.Set(!completed);
    sum.cleanerAborted.Set(false);
    auto& sr = sum.scannerResults.Create();
    auto& nt = sr.numThreats.Create();
    nt.found.Set(uint32_t(m_found.size()));
    nt.ignored.Set(uint32_t(m_stats.ignored));
    auto& scanned = sr.numTracesScanned.Create();
    scanned.files.Set(uint32_t(m_stats.files));
    scanned.folders.Set(uint32_t(m_stats.folders));
    scanned.total.Set(uint32_t(m_stats.files + m_stats.folders));
    uint32_t traces = 0;
    for (const auto& f : m_found) traces += uint32_t(f.traces.size());
    auto& foundTraces = sr.numTracesFound.Create();
    foundTraces.files.Set(traces);
    foundTraces.total.Set(traces);
    auto& when = sr.dateTimeStampUTC.Create();
    when.start.Set(started);
    when.end.Set(NowUtcText());
    auto& errs = sr.errors.Create();
    for (const auto& e : scanner.Errors()) {
      auto& x = errs.error.Append();
      x.action.Set(0);
      x.item.Set(e.item);
      x.code.Set(e.code);
      x.time.Set(when.end.Get());
    }
    auto& opts = doc->scannerOptions.Create();
    opts.scanFiles.Set(true);
    opts.recursiveFileScan.Set(options.recursive);
    opts.scanAllLocalDrives.Set(m_scanType == 1);
    if (m_scanType == 2) {
      auto& inc = opts.userIncludedPaths.Create();
      for (const auto& r : options.roots) inc.path.Append().value.Set(r);
    }
    if (!options.ignoredThreats.empty()) {
      auto& ign = opts.ignoredThreats.Create();
      for (uint32_t id : options.ignoredThreats) ign.threat.Append().id.Set(id);
    }
    auto& threats = doc->threats.Create();
    for (const auto& f : m_found) {
      const ThreatDef* d = defs->Find(f.threat);
      ThreatDef def = d ? *d : ThreatDef{};
      auto& t = threats.threat.Append();
      t.id.Set(f.threat);
      t.name.Set(def.name);
      t.level.Set(def.level);
      t.category.Set(def.category);
      t.type.Set(def.type);
      t.quarantineId.Set(L"");
      t.adviseType.Set(uint32_t(def.advise));
      t.canQuarantine.Set(def.canQuarantine);
      t.author.Set(def.author);
      t.optionalScan.Set(0);
      t.actionRequested.Set(-1);
      t.cleanerResult.Set(0);
      t.isHookThreat.Set(false);
      t.CategoryID.Set(def.categoryId);
      t.authorURL.Set(def.authorUrl);
      t.desc.Set(def.description);
      t.threatAdviceDetails.Set(def.advice);
      auto& tr = t.traces.Create();
      for (const auto& path : f.traces) {
        auto& x = tr.trace.Append();
        x.type.Set(1);
        x.dispValue.Set(path);
      }
    }
    m_results = std::move(doc);
    final = failed            ? kScanFailed
            : !completed      ? kScanStopped
            : m_found.empty() ? kScanDone
                              : kScanDoneThreats;
    if (completed) {
      m_scanConfig.LastScanDateTime.Set(NowLocalText());
      m_scanConfig.LastScanType.Set(m_scanType);
      StoreDoc(L"ScanConfig.xml", m_scanConfig);
    }
  }
  WriteResults();
  FireProgress(L"", nullptr, GetTickCount() - t0);
  SetState(final);
  FireState(final);
}

HRESULT Engine::WriteResults() {
  std::string text;
  {
    std::lock_guard lock(m_mu);
    if (!m_results || m_results->WriteToText(text) != 0) return E_FAIL;
  }
  std::lock_guard lock(m_fileMu);
  return WriteFileAtomic(ResultsFile(), text) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT Engine::PauseScan() {
  {
    std::lock_guard lock(m_mu);
    if (m_state != kScanStarted || !m_control) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    m_control->Pause();
    m_state = kScanPaused;
  }
  FireState(kScanPaused);
  return S_OK;
}

HRESULT Engine::ResumeScan() {
  std::lock_guard lock(m_mu);
  if (m_state != kScanPaused || !m_control) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
  m_state = kScanStarted;
  m_control->Resume();
  return S_OK;
}

HRESULT Engine::StopScan() {
  std::lock_guard lock(m_mu);
  if (m_control) m_control->Stop();
  return S_OK;
}

HRESULT Engine::ResetScan() {
  std::lock_guard serial(m_controlMu);
  std::shared_ptr<ScanControl> control;
  {
    std::lock_guard lock(m_mu);
    control = m_control;
  }
  if (control) control->Stop();
  // The stopped session records its end first (it may be telling clients).
  std::unique_lock lock(m_mu);
  m_stateChanged.wait_for(lock, std::chrono::seconds(30), [this] {
    return m_state != kScanStarted && m_state != kScanPaused && m_state != kCleaning;
  });
  m_state = kIdle;
  m_found.clear();
  m_results.reset();
  m_control.reset();
  m_reboot = false;
  return S_OK;
}

void Engine::GetScanState(long& state, bool& reboot) {
  std::lock_guard lock(m_mu);
  state = m_state;
  reboot = m_reboot;
}

void Engine::GetScanInfo(long& type, bool& fromSchedule) {
  std::lock_guard lock(m_mu);
  type = m_scanType;
  fromSchedule = m_fromSchedule;
}

bool Engine::GetLastScan(long& type, std::wstring& when) {
  std::lock_guard lock(m_mu);
  SYSTEMTIME st;
  if (!ParseEngineTime(m_scanConfig.LastScanDateTime.Get(), st)) return false;
  type = m_scanConfig.LastScanType.Get();
  when = m_scanConfig.LastScanDateTime.Get();
  return true;
}

}  // namespace rre

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
  if (const auto* all = scanConfig_.ScanSettings.Get(); all && !setting)
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
  if (const auto* k = scanConfig_.KnownApps.Get())
    for (const auto& a : k->KnownApp) o.excluded.push_back(a.FilePath.Get());
  if (const auto* i = scanConfig_.IgnoredThreats.Get())
    for (const auto& t : i->IgnoredThreat) o.ignoredThreats.insert(t.Id.Get());
  o.excluded.push_back(data_);  // the engine's own files
  return o;
}

void Engine::SetState(long state) {
  std::lock_guard lock(mu_);
  state_ = state;
  stateChanged_.notify_all();
}

void Engine::FireState(long state) {
  events_.FireAs<_IQVScanControlEvents>(IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
    return s->ScanStateChanged(state, 0);
  });
}

void Engine::FireProgress(const std::wstring& object, const Found* threat, uint64_t elapsedMs) {
  long type, state, threats = 0, traces = 0;
  ScanStats st;
  ThreatDef def;
  {
    std::lock_guard lock(mu_);
    type = scanType_;
    state = state_;
    st = stats_;
    threats = long(found_.size());
    for (const auto& f : found_) traces += long(f.traces.size());
    if (threat)
      if (const ThreatDef* d = defs_->Find(threat->threat)) def = *d;
  }
  EngineString name(threat ? def.name : std::wstring()), obj(object),
      cat(threat ? def.category : std::wstring());
  long id = threat ? long(threat->threat) : 0, level = threat ? long(def.level) : 0;
  events_.FireAs<_IQVScanControlEvents>(IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
    // The count of threats found so far, then (later) the count of their traces.
    return s->ScanProgress(type, state, name.Get(), obj.Get(), cat.Get(), id, level, threats,
                           long(st.files), long(st.folders), 0, 0, 0, traces, 0,
                           long(elapsedMs / 1000), long(st.files), 1, 0);
  });
}

HRESULT Engine::StartScan(long type, bool fromSchedule) {
  if (type < 0 || type > 2) return E_INVALIDARG;
  std::lock_guard serial(controlMu_);
  std::unique_lock lock(mu_);
  if (state_ == kScanStarted || state_ == kScanPaused || state_ == kCleaning)
    return HRESULT_FROM_WIN32(ERROR_BUSY);
  const SC::CScanSetting* own = nullptr;
  if (fromSchedule)
    if (const auto* list = scanConfig_.ScanSchedules.Get())
      for (const auto& s : list->ScanSchedule)
        if (long(s.ScanType.Get()) == type && s.ScanSetting.Get()) own = s.ScanSetting.Get();
  ScanOptions options = OptionsFor(type, own);
  uint32_t interval = scanConfig_.ScanDetailCBIntervalMS.Get();
  state_ = kScanStarted;
  scanType_ = type;
  fromSchedule_ = fromSchedule;
  reboot_ = false;
  scanGuid_ = NewGuidText();
  found_.clear();
  stats_ = ScanStats{};
  results_.reset();
  auto control = control_ = std::make_shared<ScanControl>();
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
    std::lock_guard lock(mu_);
    matcher = matcher_;
    defs = defs_;
  }
  FireState(kScanStarted);
  std::wstring started = NowUtcText();
  DWORD t0 = GetTickCount(), last = t0;
  Scanner scanner(*matcher, options, *control);
  scanner.onFile = [&](const std::wstring& path, const ScanStats& st) {
    {
      std::lock_guard lock(mu_);
      stats_ = st;
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
      std::lock_guard lock(mu_);
      stats_ = st;
      auto it = std::find_if(found_.begin(), found_.end(),
                             [&](const Found& f) { return f.threat == d.threatId; });
      if (it == found_.end()) it = found_.insert(found_.end(), Found{d.threatId, {}});
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
    std::lock_guard lock(mu_);
    stats_ = scanner.Stats();
    auto doc = std::make_unique<SR::CARDOThreatEngineResults>();
    doc->version.Set(L"4.0.0");
    auto& sum = doc->summary.Create();
    sum.scanGUID.Set(scanGuid_);
    sum.scanDescription.Set(ScanName(scanType_));
    sum.threatDefinitionVersion.Set(defs->version);
    sum.scannerAborted.Set(!completed);
    sum.cleanerAborted.Set(false);
    auto& sr = sum.scannerResults.Create();
    auto& nt = sr.numThreats.Create();
    nt.found.Set(uint32_t(found_.size()));
    nt.ignored.Set(uint32_t(stats_.ignored));
    auto& scanned = sr.numTracesScanned.Create();
    scanned.files.Set(uint32_t(stats_.files));
    scanned.folders.Set(uint32_t(stats_.folders));
    scanned.total.Set(uint32_t(stats_.files + stats_.folders));
    uint32_t traces = 0;
    for (const auto& f : found_) traces += uint32_t(f.traces.size());
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
    opts.scanAllLocalDrives.Set(scanType_ == 1);
    if (scanType_ == 2) {
      auto& inc = opts.userIncludedPaths.Create();
      for (const auto& r : options.roots) inc.path.Append().value.Set(r);
    }
    if (!options.ignoredThreats.empty()) {
      auto& ign = opts.ignoredThreats.Create();
      for (uint32_t id : options.ignoredThreats) ign.threat.Append().id.Set(id);
    }
    auto& threats = doc->threats.Create();
    for (const auto& f : found_) {
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
    results_ = std::move(doc);
    final = failed           ? kScanFailed
            : !completed     ? kScanStopped
            : found_.empty() ? kScanDone
                             : kScanDoneThreats;
    if (completed) {
      scanConfig_.LastScanDateTime.Set(NowLocalText());
      scanConfig_.LastScanType.Set(scanType_);
      StoreDoc(L"ScanConfig.xml", scanConfig_);
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
    std::lock_guard lock(mu_);
    if (!results_ || results_->WriteToText(text) != 0) return E_FAIL;
  }
  std::lock_guard lock(fileMu_);
  return WriteFileAtomic(ResultsFile(), text) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT Engine::PauseScan() {
  {
    std::lock_guard lock(mu_);
    if (state_ != kScanStarted || !control_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    control_->Pause();
    state_ = kScanPaused;
  }
  FireState(kScanPaused);
  return S_OK;
}

HRESULT Engine::ResumeScan() {
  std::lock_guard lock(mu_);
  if (state_ != kScanPaused || !control_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
  state_ = kScanStarted;
  control_->Resume();
  return S_OK;
}

HRESULT Engine::StopScan() {
  std::lock_guard lock(mu_);
  if (control_) control_->Stop();
  return S_OK;
}

HRESULT Engine::ResetScan() {
  std::lock_guard serial(controlMu_);
  std::shared_ptr<ScanControl> control;
  {
    std::lock_guard lock(mu_);
    control = control_;
  }
  if (control) control->Stop();
  // The stopped session records its end first (it may be telling clients).
  std::unique_lock lock(mu_);
  stateChanged_.wait_for(lock, std::chrono::seconds(30), [this] {
    return state_ != kScanStarted && state_ != kScanPaused && state_ != kCleaning;
  });
  state_ = kIdle;
  found_.clear();
  results_.reset();
  control_.reset();
  reboot_ = false;
  return S_OK;
}

void Engine::GetScanState(long& state, bool& reboot) {
  std::lock_guard lock(mu_);
  state = state_;
  reboot = reboot_;
}

void Engine::GetScanInfo(long& type, bool& fromSchedule) {
  std::lock_guard lock(mu_);
  type = scanType_;
  fromSchedule = fromSchedule_;
}

bool Engine::GetLastScan(long& type, std::wstring& when) {
  std::lock_guard lock(mu_);
  SYSTEMTIME st;
  if (!ParseEngineTime(scanConfig_.LastScanDateTime.Get(), st)) return false;
  type = scanConfig_.LastScanType.Get();
  when = scanConfig_.LastScanDateTime.Get();
  return true;
}

}  // namespace rre

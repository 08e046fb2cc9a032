#include "Engine.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <map>

#include "ComBase.h"
#include "EngineContract.h"
#include "Http.h"
#include "Text.h"
#include "Vault.h"
#include "engine/documents/APEvent.h"
#include "engine/documents/QuarantineFile.h"

namespace rre {
namespace {

namespace SC = QVnsScanConfig;
namespace SR = QVnsScanResults;
namespace QF = QVnsQuarantineFile;

constexpr uint32_t kDefaultProgressMs = 250;
constexpr uint64_t kMaxDefinitionsBytes = 32ull * 1024 * 1024;

std::wstring EnvText(const wchar_t* name) {
  wchar_t buf[4096];
  DWORD n = GetEnvironmentVariableW(name, buf, 4096);
  return n && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

std::vector<std::wstring> SplitPaths(const std::wstring& s) {
  std::vector<std::wstring> out;
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t end = s.find(L';', pos);
    if (end == std::wstring::npos) end = s.size();
    if (end > pos) out.push_back(s.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR p = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &p)) && p) out = p;
  CoTaskMemFree(p);
  return out;
}

std::wstring WithSlash(std::wstring s) {
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

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

std::vector<std::wstring> WatchFolders() {
  std::wstring env = EnvText(L"RODEREDUD_ENGINE_WATCH_PATHS");
  if (!env.empty()) return SplitPaths(env);
  std::vector<std::wstring> out;
  for (auto id : {&FOLDERID_Downloads, &FOLDERID_Desktop})
    if (auto p = KnownFolder(*id); !p.empty()) out.push_back(p);
  return out;
}

// Document text as handed to clients: UTF-16, so the declaration says so.
template <class D>
std::wstring DocText(const D& doc) {
  std::wstring text;
  if (doc.WriteToString(text) != 0) return {};
  size_t decl = text.find(L"?>");
  size_t enc = text.find(L"UTF-8");
  if (enc != std::wstring::npos && decl != std::wstring::npos && enc < decl)
    text.replace(enc, 5, L"UTF-16");
  return text;
}

bool WriteFileAtomic(const std::wstring& path, const std::string& bytes) {
  std::wstring tmp = path + L".tmp";
  HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD w = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &w, nullptr);
  ok = ok && w == bytes.size() && FlushFileBuffers(h);
  CloseHandle(h);
  if (ok &&
      MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(tmp.c_str());
  return false;
}

// Keeps an unreadable file aside instead of overwriting it.
void SetAside(const std::wstring& path) {
  std::wstring aside = path + L".unreadable-" + std::to_wstring(NowUtcTicks() / kTicksPerSecond);
  MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool ValidDocName(const std::wstring& name) {
  if (name.empty() || name.size() > 64 || name[0] == L'.') return false;
  for (wchar_t c : name)
    if (!(iswalnum(c) || c == L'_' || c == L'-' || c == L'.')) return false;
  return name.size() > 4 && Lower(name.substr(name.size() - 4)) == L".xml";
}

void Attr(DocBinding::List<QF::Cattr>& list, const wchar_t* n, const std::wstring& v) {
  auto& a = list.Append();
  a.n.Set(n);
  a.v.Set(v);
}

std::wstring AttrValue(const QF::CoriginalAttributes* a, const wchar_t* n) {
  if (a)
    for (const auto& x : a->attr)
      if (x.n.Get() == n) return x.v.Get();
  return {};
}

std::wstring AttrValue(const QF::CquarantineAttributes* a, const wchar_t* n) {
  if (a)
    for (const auto& x : a->attr)
      if (x.n.Get() == n) return x.v.Get();
  return {};
}

std::wstring FileName(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
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

Engine& Engine::Instance() {
  static Engine engine;
  return engine;
}

// ---------------------------------------------------------------------------
// Start and stop

void Engine::Start() {
  std::wstring folder = EnvText(L"RODEREDUD_ENGINE_DATA");
  if (folder.empty()) {
    wchar_t common[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common);
    folder = std::wstring(common) + L"\\RodeRedud\\Engine";
  }
  data_ = WithSlash(folder);
  for (const wchar_t* sub : {L"", L"Config", L"Quarantine", L"Quarantine\\Data", L"Definitions"})
    CreateFolders(data_ + sub);
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  LoadConfiguration();
  LoadDefinitions();
  PurgeQuarantine();
  scheduler_ = std::thread([this] { SchedulerLoop(); });
  protection_ = std::thread([this] { ProtectionLoop(); });
}

void Engine::Launch(std::function<void()> work) {
  std::lock_guard lock(workersMu_);
  for (auto it = workers_.begin(); it != workers_.end();) {
    if (*it->done) {
      it->thread.join();
      it = workers_.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  workers_.push_back({std::thread([work = std::move(work), done] {
                        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                        work();
                        CoUninitialize();
                        *done = true;
                      }),
                      done});
}

void Engine::Shutdown() {
  events_.FireAs<_IQVServiceEvents>(
      IID__IQVServiceEvents, [](_IQVServiceEvents* s) { return s->ServiceStatusChanged(0); });
  if (control_) control_->Stop();
  quit_ = true;
  if (wake_) SetEvent(wake_);
  {
    std::lock_guard lock(workersMu_);
    for (auto& w : workers_) w.thread.join();
    workers_.clear();
  }
  if (scheduler_.joinable()) scheduler_.join();
  if (protection_.joinable()) protection_.join();
  events_.Clear();
  if (wake_) CloseHandle(wake_);
  wake_ = nullptr;
}

// ---------------------------------------------------------------------------
// Configuration documents

template <class D>
bool Engine::LoadDoc(const wchar_t* file, D& doc) {
  std::wstring path = DocFile(file);
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (doc.ReadFromFile(path) == 0) return true;
  SetAside(path);
  doc = D();
  return false;
}

template <class D>
HRESULT Engine::StoreDoc(const wchar_t* file, const D& doc) {
  std::string text;
  if (doc.WriteToText(text) != 0) return E_INVALIDARG;
  return WriteFileAtomic(DocFile(file), text) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void Engine::LoadConfiguration() {
  std::lock_guard lock(mu_);
  if (!LoadDoc(L"ScanConfig.xml", scanConfig_)) {
    auto& settings = scanConfig_.ScanSettings.Create();
    for (uint32_t type : {0u, 1u, 2u}) {
      auto& s = settings.ScanSetting.Append();
      s.ScanType.Set(type);
      s.ARDO_OPT_SCAN_FILES.Set(true);
      s.ARDO_OPT_RECURSIVE_FILE_SCAN.Set(true);
    }
    scanConfig_.ScanDetailCBIntervalMS.Set(kDefaultProgressMs);
    StoreDoc(L"ScanConfig.xml", scanConfig_);
  }
  if (!LoadDoc(L"APConfig.xml", apConfig_)) {
    apConfig_.Enabled.Set(false);
    apConfig_.KnownBadApplicationResponseEnum.Set(0);
    StoreDoc(L"APConfig.xml", apConfig_);
  }
  if (!LoadDoc(L"ServiceConfig.xml", serviceConfig_))
    StoreDoc(L"ServiceConfig.xml", serviceConfig_);
  if (!LoadDoc(L"DefinitionUpdateConfig.xml", updateConfig_)) {
    updateConfig_.Enabled.Set(true);
    updateConfig_.UpdateInterval.Set(4);
    StoreDoc(L"DefinitionUpdateConfig.xml", updateConfig_);
  }
  QVnsNVPairs::CNVPairs pairs;
  if (!LoadDoc(L"config_file.xml", pairs)) {
    pairs.SchemaVersion.Set(L"4.0.0");
    StoreDoc(L"config_file.xml", pairs);
  }
  RefreshSchedules();
}

HRESULT Engine::GetDocument(Doc which, std::wstring& text) {
  std::lock_guard lock(mu_);
  switch (which) {
    case kScanConfig:
      text = DocText(scanConfig_);
      break;
    case kAPConfig:
      text = DocText(apConfig_);
      break;
    case kServiceConfig:
      text = DocText(serviceConfig_);
      break;
    case kUpdateConfig:
      text = DocText(updateConfig_);
      break;
  }
  return text.empty() ? E_FAIL : S_OK;
}

HRESULT Engine::SetDocument(Doc which, const std::wstring& text) {
  // Parse first: a malformed document changes nothing.
  HRESULT hr = E_INVALIDARG;
  switch (which) {
    case kScanConfig: {
      SC::CScanConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(mu_);
      if (SUCCEEDED(hr = StoreDoc(L"ScanConfig.xml", doc))) {
        scanConfig_ = std::move(doc);
        RefreshSchedules();
      }
      break;
    }
    case kAPConfig: {
      QVnsAPConfig::CAPConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(mu_);
      if (SUCCEEDED(hr = StoreDoc(L"APConfig.xml", doc))) apConfig_ = std::move(doc);
      break;
    }
    case kServiceConfig: {
      QVnsServiceConfig::CServiceConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(mu_);
      if (SUCCEEDED(hr = StoreDoc(L"ServiceConfig.xml", doc))) serviceConfig_ = std::move(doc);
      break;
    }
    case kUpdateConfig: {
      QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig doc;
      if (doc.ReadFromString(text) != 0) return E_INVALIDARG;
      std::lock_guard lock(mu_);
      if (SUCCEEDED(hr = StoreDoc(L"DefinitionUpdateConfig.xml", doc)))
        updateConfig_ = std::move(doc);
      break;
    }
  }
  if (SUCCEEDED(hr) && which == kAPConfig) ApplyProtectionSettings();
  if (SUCCEEDED(hr) && which == kScanConfig) PurgeQuarantine();
  return hr;
}

HRESULT Engine::GetNamedDocument(const std::wstring& name, std::wstring& text) {
  if (!ValidDocName(name)) return E_INVALIDARG;
  std::lock_guard lock(mu_);
  QVnsNVPairs::CNVPairs pairs;
  std::wstring path = DocFile(name.c_str());
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (pairs.ReadFromFile(path) != 0) return E_FAIL;
  text = DocText(pairs);
  return text.empty() ? E_FAIL : S_OK;
}

HRESULT Engine::SetNamedDocument(const std::wstring& name, const std::wstring& text) {
  if (!ValidDocName(name)) return E_INVALIDARG;
  QVnsNVPairs::CNVPairs pairs;
  if (pairs.ReadFromString(text) != 0) return E_INVALIDARG;
  std::lock_guard lock(mu_);
  return StoreDoc(name.c_str(), pairs);
}

void Engine::RefreshSchedules() {
  schedules_.clear();
  const auto* list = scanConfig_.ScanSchedules.Get();
  if (!list) return;
  for (const auto& s : list->ScanSchedule) {
    ScheduleSpec entry;
    entry.id = s.ScheduleID.Get();
    entry.scanType = s.ScanType.Get();
    entry.enabled = s.Enabled.Get() &&
                    ParseStartTime(s.StartTime.Get(), entry.hour, entry.minute, entry.second);
    bool days[7] = {s.EnableSun.Get(), s.EnableMon.Get(), s.EnableTue.Get(), s.EnableWed.Get(),
                    s.EnableThu.Get(), s.EnableFri.Get(), s.EnableSat.Get()};
    std::copy(days, days + 7, entry.days);
    schedules_.push_back(entry);
  }
}

// ---------------------------------------------------------------------------
// Definitions

void Engine::LoadDefinitions() {
  std::wstring path = data_ + L"Definitions\\current.rrdefs";
  auto defs = std::make_shared<Definitions>();
  std::string error;
  if (!LoadDefinitionsFile(path, *defs, error)) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) SetAside(path);
    *defs = BuiltInDefinitions();
    WriteFileAtomic(path, SerializeDefinitions(*defs));
  }
  auto matcher = std::make_shared<Matcher>(*defs);
  std::lock_guard lock(mu_);
  defs_ = defs;
  matcher_ = matcher;
}

HRESULT Engine::GetDefinitionsStatus(bool& current, std::wstring& date) {
  std::lock_guard lock(mu_);
  date = defs_->date;
  SYSTEMTIME st;
  uint64_t newest = ParseEngineTime(defs_->date, st) ? Ticks(st) : 0;
  if (ParseEngineTime(updateConfig_.LastUpdateDateTime.Get(), st))
    newest = std::max(newest, Ticks(st));
  uint64_t interval = uint64_t(updateConfig_.UpdateInterval.Get()) * 3600 * kTicksPerSecond;
  uint64_t now = NowLocalTicks();
  current = newest && now >= newest ? now - newest < interval : newest > 0;
  return S_OK;
}

ThreatInfo Engine::GetThreatInfo(uint32_t id) {
  std::lock_guard lock(mu_);
  ThreatInfo info;
  info.version = defs_->version;
  if (const ThreatDef* d = defs_->Find(id)) {
    info.known = true;
    info.def = *d;
  }
  return info;
}

void Engine::FireDefinitionsStatus(long status, long total, long done) {
  events_.FireAs<_IQVThreatDefinitionsEvents>(
      IID__IQVThreatDefinitionsEvents, [&](_IQVThreatDefinitionsEvents* s) {
        return s->DefinitionsUpdateStatus(0, status, total, done);
      });
}

HRESULT Engine::UpdateDefinitions() {
  std::lock_guard lock(mu_);
  if (updating_) return S_FALSE;  // already running; its events follow
  updating_ = true;
  Launch([this] { UpdateWorker(); });
  return S_OK;
}

void Engine::UpdateWorker() {
  FireDefinitionsStatus(0, 0, 0);
  bool enabled;
  std::wstring url;
  uint32_t version;
  {
    std::lock_guard lock(mu_);
    enabled = updateConfig_.Enabled.Get();
    version = defs_->version;
    if (const auto* t = updateConfig_.TROVEConfig.Get()) {
      url = t->BaseURL.Get();
      if (!url.empty()) {
        url += url.find(L'?') == std::wstring::npos ? L'?' : L'&';
        url += L"product=" + std::to_wstring(t->ProductID.Get()) + L"&stage=" +
               std::to_wstring(t->StageID.Get()) + L"&version=" + std::to_wstring(version);
      }
    }
  }
  auto stamp = [this] {
    std::lock_guard lock(mu_);
    updateConfig_.LastUpdateDateTime.Set(NowLocalText());
    StoreDoc(L"DefinitionUpdateConfig.xml", updateConfig_);
  };
  long end = 0;
  HttpResponse resp;
  if (!enabled) {
    end = 7;
  } else if (url.empty()) {
    end = 101;
  } else {
    DWORD last = 0;
    bool ok = HttpGet(
        url,
        [&](uint64_t total, uint64_t done) {
          DWORD now = GetTickCount();
          if (done == 0 || now - last >= 100 || (total && done == total)) {
            last = now;
            FireDefinitionsStatus(5, long(total), long(done));
          }
          return !quit_;
        },
        kMaxDefinitionsBytes, resp);
    long size = long(resp.body.size());
    if (!ok) {
      end = resp.status ? 4 : 101;
    } else if (resp.status == 204 || resp.status == 304) {
      stamp();
      end = 2;
    } else if (resp.status != 200) {
      end = 4;
    } else {
      FireDefinitionsStatus(6, size, size);
      auto fresh = std::make_shared<Definitions>();
      std::string error;
      if (!ParseDefinitions(resp.body, *fresh, error)) {
        end = 100;
      } else if (fresh->version <= version) {
        stamp();
        end = 2;
      } else {
        FireDefinitionsStatus(1, size, size);
        auto matcher = std::make_shared<Matcher>(*fresh);
        if (!WriteFileAtomic(data_ + L"Definitions\\current.rrdefs", resp.body)) {
          end = 4;
        } else {
          {
            std::lock_guard lock(mu_);
            defs_ = fresh;
            matcher_ = matcher;
          }
          stamp();
          end = 3;
        }
      }
    }
  }
  updating_ = false;
  FireDefinitionsStatus(end, long(resp.body.size()), long(resp.body.size()));
}

// ---------------------------------------------------------------------------
// Scanning

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
  long type, state, traces = 0;
  ScanStats st;
  ThreatDef def;
  {
    std::lock_guard lock(mu_);
    type = scanType_;
    state = state_;
    st = stats_;
    for (const auto& f : found_) traces += long(f.traces.size());
    if (threat)
      if (const ThreatDef* d = defs_->Find(threat->threat)) def = *d;
  }
  Bstr name(threat ? def.name : std::wstring()), obj(object),
      cat(threat ? def.category : std::wstring());
  long id = threat ? long(threat->threat) : 0, level = threat ? long(def.level) : 0;
  events_.FireAs<_IQVScanControlEvents>(IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
    return s->ScanProgress(type, state, name.get(), obj.get(), cat.get(), id, level, traces,
                           long(st.files), long(st.folders), 0, 0, 0, traces, 0,
                           long(elapsedMs / 1000), long(st.files), 1, 0);
  });
}

HRESULT Engine::StartScan(long type, bool fromSchedule) {
  if (type < 0 || type > 2) return E_INVALIDARG;
  std::lock_guard serial(controlMu_);
  std::unique_lock lock(mu_);
  if (state_ == kScanning || state_ == kPaused || state_ == kCleaning)
    return HRESULT_FROM_WIN32(ERROR_BUSY);
  const SC::CScanSetting* own = nullptr;
  if (fromSchedule)
    if (const auto* list = scanConfig_.ScanSchedules.Get())
      for (const auto& s : list->ScanSchedule)
        if (long(s.ScanType.Get()) == type && s.ScanSetting.Get()) own = s.ScanSetting.Get();
  ScanOptions options = OptionsFor(type, own);
  uint32_t interval = scanConfig_.ScanDetailCBIntervalMS.Get();
  state_ = kScanning;
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
  FireState(kScanning);
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
    if (state_ != kScanning || !control_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    control_->Pause();
    state_ = kPaused;
  }
  FireState(kPaused);
  return S_OK;
}

HRESULT Engine::ResumeScan() {
  std::lock_guard lock(mu_);
  if (state_ != kPaused || !control_) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
  state_ = kScanning;
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
    return state_ != kScanning && state_ != kPaused && state_ != kCleaning;
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

// ---------------------------------------------------------------------------
// Cleaning

HRESULT Engine::CleanThreats(const std::wstring& requestPath) {
  SR::CARDOThreatEngineResults request;
  if (requestPath.empty()) return E_INVALIDARG;
  if (GetFileAttributesW(requestPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (request.ReadFromFile(requestPath) != 0) return E_INVALIDARG;

  std::lock_guard serial(controlMu_);
  std::unique_lock lock(mu_);
  if (state_ == kScanning || state_ == kPaused || state_ == kCleaning)
    return HRESULT_FROM_WIN32(ERROR_BUSY);
  if (!results_) {
    // No session in memory (the engine was restarted): take the last results.
    auto doc = std::make_unique<SR::CARDOThreatEngineResults>();
    if (doc->ReadFromFile(ResultsFile()) != 0) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    results_ = std::move(doc);
  }
  auto* threats = results_->threats.Get();
  const auto* asked = request.threats.Get();
  if (!threats || !asked) return E_INVALIDARG;
  // Only threats this engine found, with the traces it recorded, are acted on:
  // a request cannot name files of its own.
  std::vector<CleanItem> items;
  for (const auto& r : asked->threat) {
    for (size_t i = 0; i < threats->threat.Count(); ++i) {
      auto& t = threats->threat[i];
      if (t.id.Get() != r.id.Get() || t.name.Get() != r.name.Get()) continue;
      int done = t.cleanerResult.Get();
      if (done == kDelete || done == kQuarantine || done == kDeleteAtRestart) break;
      int action =
          r.actionRequested.Get() == -1 ? int(t.adviseType.Get()) : r.actionRequested.Get();
      t.actionRequested.Set(r.actionRequested.Get());
      if (std::none_of(items.begin(), items.end(),
                       [i](const CleanItem& c) { return c.threatIndex == i; }))
        items.push_back({i, action});
      break;
    }
  }
  state_ = kCleaning;
  reboot_ = false;
  auto control = control_ = std::make_shared<ScanControl>();
  Launch([this, items, control] { CleanWorker(items, control); });
  return S_OK;
}

bool Engine::RemoveFile(const std::wstring& path, bool& reboot) {
  DWORD attrs = GetFileAttributesW(path.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES) return true;  // already gone
  if (attrs & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(path.c_str())) return true;
  DWORD e = GetLastError();
  if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND) return true;
  if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
    reboot = true;
    return true;
  }
  return false;
}

std::wstring Engine::QuarantineTraces(const ThreatDef& def, const std::vector<std::wstring>& traces,
                                      const std::wstring& scanGuid, uint32_t defsVersion,
                                      bool& reboot, std::vector<std::wstring>* failed) {
  std::lock_guard lock(fileMu_);
  std::wstring guid = NewGuidText();
  std::wstring id = Lower(guid.substr(1, 36));
  std::wstring store = QuarantineFolder() + L"Data\\";
  CreateFolders(store);
  QF::CARDOQuarantineRecordXML rec;
  rec.scanGUID.Set(scanGuid);
  rec.quarantineLocation.Set(store);
  rec.name.Set(def.name);
  rec.type.Set(def.type);
  rec.quarantineId.Set(id);
  rec.author.Set(def.author);
  rec.category.Set(def.category);
  rec.dateTimeStampUTC.Set(NowUtcText());
  rec.threatId.Set(def.id);
  rec.level.Set(def.level);
  rec.CategoryID.Set(def.categoryId);
  rec.adviseType.Set(uint32_t(def.advise));
  rec.optionalScan.Set(0);
  rec.removalType.Set(1);
  rec.Source.Set(scanGuid.empty() ? 1 : 0);
  rec.isHookThreat.Set(false);
  rec.canQuarantine.Set(true);
  rec.BufferOnly.Set(false);
  rec.threatDefinitionVersion.Set(defsVersion);
  rec.authorURL.Set(def.authorUrl);
  rec.desc.Set(def.description);
  rec.threatAdviceDetails.Set(def.advice);
  rec.customData.Set(L"");
  auto& fixes = rec.fixes.Create();
  std::vector<std::wstring> stored;
  auto rollback = [&] {
    for (const auto& s : stored) DeleteFileW(s.c_str());
  };
  for (size_t i = 0; i < traces.size(); ++i) {
    std::wstring dataName = id + L"-" + std::to_wstring(i) + L".dat";
    Digest hash;
    uint64_t size = 0;
    uint32_t err = 0;
    if (!VaultStore(traces[i], store + dataName, hash, size, err)) {
      if (failed) failed->push_back(traces[i]);
      rollback();
      return {};
    }
    stored.push_back(store + dataName);
    auto& fix = fixes.fix.Append();
    fix.traceType.Set(1);
    fix.dispValue.Set(traces[i]);
    fix.actionType.Set(kQuarantine);
    fix.isTransient.Set(false);
    auto& orig = fix.originalAttributes.Create();
    Attr(orig.attr, L"path", traces[i]);
    Attr(orig.attr, L"size", std::to_wstring(size));
    Attr(orig.attr, L"sha256", Widen(ToHex(hash)));
    Attr(fix.quarantineAttributes.Create().attr, L"storage", dataName);
  }
  std::string text;
  if (rec.WriteToText(text) != 0 || !WriteFileAtomic(QuarantineFolder() + id + L".xml", text)) {
    rollback();
    return {};
  }
  // Stored safely: now take the originals away.
  bool allGone = true;
  for (const auto& t : traces)
    if (!RemoveFile(t, reboot)) {
      allGone = false;
      if (failed) failed->push_back(t);
    }
  if (!allGone) {
    rollback();
    DeleteFileW((QuarantineFolder() + id + L".xml").c_str());
    return {};
  }
  return id;
}

void Engine::CleanWorker(std::vector<CleanItem> items, std::shared_ptr<ScanControl> control) {
  std::shared_ptr<const Definitions> defs;
  std::wstring scanGuid;
  size_t total = 0;
  struct Work {
    CleanItem item;
    ThreatDef def;
    std::vector<std::wstring> traces;
  };
  std::vector<Work> work;
  {
    std::lock_guard lock(mu_);
    defs = defs_;
    if (!results_ || !results_->threats) items.clear();  // the session was reset meanwhile
    if (results_)
      if (const auto* s = results_->summary.Get()) scanGuid = s->scanGUID.Get();
    for (const auto& it : items) {
      const auto& t = results_->threats->threat[it.threatIndex];
      Work w{it, {}, {}};
      if (const ThreatDef* d = defs->Find(t.id.Get())) w.def = *d;
      w.def.id = t.id.Get();
      w.def.name = t.name.Get();
      w.def.category = t.category.Get();
      w.def.level = t.level.Get();
      w.def.canQuarantine = t.canQuarantine.Get();
      if (const auto* tr = t.traces.Get())
        for (const auto& x : tr->trace) w.traces.push_back(x.dispValue.Get());
      total += w.traces.size();
      work.push_back(std::move(w));
    }
  }
  FireState(kCleaning);
  std::wstring started = NowUtcText();
  size_t done = 0;
  uint32_t deleted = 0, quarantined = 0, ignored = 0, reported = 0, handledTotal = 0;
  bool aborted = false, reboot = false;
  for (auto& w : work) {
    if (!control->Checkpoint()) {
      aborted = true;
      break;
    }
    int result = w.item.action;
    std::wstring qid;
    switch (w.item.action) {
      case kQuarantine: {
        if (!w.def.canQuarantine) {
          result = kActionFailed;
          break;
        }
        bool pending = false;
        qid = QuarantineTraces(w.def, w.traces, scanGuid, defs->version, pending, nullptr);
        result = qid.empty() ? kActionFailed : pending ? kDeleteAtRestart : kQuarantine;
        reboot = reboot || pending;
        break;
      }
      case kDelete:
      case kDeleteAtRestart: {
        bool pending = false, ok = true;
        for (const auto& t : w.traces) {
          if (w.item.action == kDeleteAtRestart) {
            ok = MoveFileExW(t.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && ok;
            pending = true;
          } else {
            ok = RemoveFile(t, pending) && ok;
          }
        }
        result = !ok ? kActionFailed : pending ? kDeleteAtRestart : kDelete;
        reboot = reboot || (ok && pending);
        break;
      }
      case kReportOnly:
      case kAllow:
      case kIgnore:
      case kNoAction:
        break;
      default:
        result = kActionFailed;
    }
    switch (result) {
      case kDelete:
      case kDeleteAtRestart:
        ++deleted;
        break;
      case kQuarantine:
        ++quarantined;
        break;
      case kAllow:
      case kIgnore:
        ++ignored;
        break;
      case kReportOnly:
        ++reported;
        break;
      default:
        break;
    }
    ++handledTotal;
    {
      std::lock_guard lock(mu_);
      if (results_ && results_->threats && w.item.threatIndex < results_->threats->threat.Count()) {
        auto& t = results_->threats->threat[w.item.threatIndex];
        t.cleanerResult.Set(result);
        if (!qid.empty()) t.quarantineId.Set(qid);
      }
      reboot_ = reboot;
    }
    Bstr name(w.def.name);
    for (const auto& trace : w.traces) {
      ++done;
      Bstr tb(trace);
      long percent = total ? long(done * 100 / total) : 100;
      long id = long(w.def.id);
      events_.FireAs<_IQVScanControlEvents>(
          IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
            return s->CleanProgress(id, name.get(), 1, tb.get(), percent);
          });
    }
  }
  long final = aborted ? kCleanStopped : kCleanDone;
  {
    std::lock_guard lock(mu_);
    if (!results_) results_ = std::make_unique<SR::CARDOThreatEngineResults>();
    auto& sum = results_->summary.Create();
    sum.cleanerAborted.Set(aborted);
    auto& cr = sum.cleanerResults.Create();
    auto& n = cr.numThreats.Create();
    n.deleted.Set(deleted);
    n.quarantined.Set(quarantined);
    n.ignored.Set(ignored);
    n.reportonly.Set(reported);
    n.total.Set(handledTotal);
    auto& when = cr.dateTimeStampUTC.Create();
    when.start.Set(started);
    when.end.Set(NowUtcText());
    reboot_ = reboot;
  }
  if (FAILED(WriteResults())) final = kCleanFailed;
  SetState(final);
  FireState(final);
}

// ---------------------------------------------------------------------------
// Quarantine

HRESULT Engine::DeleteItem(const std::wstring& rawId) {
  std::wstring id = Lower(rawId);
  if (!IsQuarantineId(id)) return E_INVALIDARG;
  std::lock_guard lock(fileMu_);
  std::wstring recordPath = QuarantineFolder() + id + L".xml";
  QF::CARDOQuarantineRecordXML rec;
  if (GetFileAttributesW(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  if (rec.ReadFromFile(recordPath) == 0)
    if (const auto* fixes = rec.fixes.Get())
      for (const auto& f : fixes->fix) {
        std::wstring storage = AttrValue(f.quarantineAttributes.Get(), L"storage");
        if (!storage.empty() && storage.find_first_of(L"\\/:") == std::wstring::npos)
          DeleteFileW((QuarantineFolder() + L"Data\\" + storage).c_str());
      }
  if (!DeleteFileW(recordPath.c_str())) return HRESULT_FROM_WIN32(GetLastError());
  return S_OK;
}

HRESULT Engine::RestoreItem(const std::wstring& rawId, const std::wstring& target, bool trust) {
  std::wstring id = Lower(rawId);
  if (!IsQuarantineId(id)) return E_INVALIDARG;
  std::vector<std::wstring> restored;
  {
    std::lock_guard lock(fileMu_);
    std::wstring recordPath = QuarantineFolder() + id + L".xml";
    if (GetFileAttributesW(recordPath.c_str()) == INVALID_FILE_ATTRIBUTES)
      return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    QF::CARDOQuarantineRecordXML rec;
    if (rec.ReadFromFile(recordPath) != 0 || !rec.fixes.Get())
      return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
    std::vector<std::wstring> dataFiles;
    for (const auto& f : rec.fixes->fix) {
      std::wstring storage = AttrValue(f.quarantineAttributes.Get(), L"storage");
      std::wstring original = f.dispValue.Get();
      if (storage.empty() || storage.find_first_of(L"\\/:") != std::wstring::npos ||
          original.empty()) {
        for (const auto& r : restored) DeleteFileW(r.c_str());
        return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
      }
      std::wstring to = target.empty() ? original : WithSlash(target) + FileName(original);
      std::string raw;
      Digest hash{};
      bool haveHash = FromHex(Narrow(AttrValue(f.originalAttributes.Get(), L"sha256")), raw) &&
                      raw.size() == 32;
      if (haveHash) std::copy(raw.begin(), raw.end(), hash.begin());
      uint32_t err = 0;
      std::wstring data = QuarantineFolder() + L"Data\\" + storage;
      if (!VaultRestore(data, to, haveHash ? &hash : nullptr, err)) {
        for (const auto& r : restored) DeleteFileW(r.c_str());
        return HRESULT_FROM_WIN32(err);
      }
      restored.push_back(to);
      dataFiles.push_back(data);
    }
    for (const auto& d : dataFiles) DeleteFileW(d.c_str());
    DeleteFileW(recordPath.c_str());
  }
  if (trust) {
    // Trusted: the restored files are left alone by later scans.
    std::lock_guard lock(mu_);
    auto& apps = scanConfig_.KnownApps.Create();
    for (const auto& r : restored) {
      auto& a = apps.KnownApp.Append();
      a.KnownTypeEnum.Set(1);
      a.Signature.Set(L"");
      a.FilePath.Set(r);
      a.FilePathType.Set(2);
      a.Dirty.Set(false);
      a.Source.Set(2);
      a.DateTimeAdded.Set(NowLocalText());
    }
    StoreDoc(L"ScanConfig.xml", scanConfig_);
  }
  return S_OK;
}

void Engine::PurgeQuarantine() {
  uint32_t days;
  {
    std::lock_guard lock(mu_);
    days = scanConfig_.DaysToKeepQuarantinedItems.Get();
  }
  if (!days) return;
  uint64_t limit = uint64_t(days) * 86400 * kTicksPerSecond, now = NowUtcTicks();
  std::vector<std::wstring> old;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((QuarantineFolder() + L"*.xml").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring name = fd.cFileName;
    std::wstring id = name.substr(0, name.size() - 4);
    if (!IsQuarantineId(id)) continue;
    QF::CARDOQuarantineRecordXML rec;
    SYSTEMTIME st;
    if (rec.ReadFromFile(QuarantineFolder() + name) == 0 &&
        ParseEngineTime(rec.dateTimeStampUTC.Get(), st) && now > Ticks(st) &&
        now - Ticks(st) > limit)
      old.push_back(id);
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  for (const auto& id : old) DeleteItem(id);
}

// ---------------------------------------------------------------------------
// Scheduled scans

void Engine::SchedulerLoop() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  uint64_t last = NowLocalTicks();
  DWORD lastPurge = GetTickCount();
  while (!quit_) {
    Sleep(250);
    uint64_t now = NowLocalTicks();
    std::optional<uint32_t> type;
    {
      std::lock_guard lock(mu_);
      if (auto due = DueSchedule(schedules_, last, now)) type = schedules_[*due].scanType;
    }
    last = now;
    if (type && *type <= 2) StartScan(long(*type), true);
    if (GetTickCount() - lastPurge > 3600 * 1000) {
      lastPurge = GetTickCount();
      PurgeQuarantine();
    }
  }
  CoUninitialize();
}

// ---------------------------------------------------------------------------
// Active protection

void Engine::ApplyProtectionSettings() {
  if (wake_) SetEvent(wake_);
}

void Engine::ProtectionLoop() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  while (!quit_) {
    bool enabled;
    {
      std::lock_guard lock(mu_);
      enabled = apConfig_.Enabled.Get();
    }
    if (!enabled) {
      WaitForSingleObject(wake_, INFINITE);
      continue;
    }
    struct Watch {
      std::wstring folder;
      HANDLE dir = INVALID_HANDLE_VALUE;
      HANDLE event = nullptr;
      OVERLAPPED ov{};
      std::vector<BYTE> buf = std::vector<BYTE>(64 * 1024);
    };
    std::vector<std::unique_ptr<Watch>> watches;
    auto arm = [](Watch& w) {
      ResetEvent(w.event);
      w.ov = OVERLAPPED{};
      w.ov.hEvent = w.event;
      return ReadDirectoryChangesW(
          w.dir, w.buf.data(), DWORD(w.buf.size()), TRUE,
          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE,
          nullptr, &w.ov, nullptr);
    };
    for (const auto& folder : WatchFolders()) {
      auto w = std::make_unique<Watch>();
      w->folder = WithSlash(folder);
      w->dir =
          CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
      if (w->dir == INVALID_HANDLE_VALUE) continue;
      w->event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      if (!arm(*w)) {
        CloseHandle(w->event);
        CloseHandle(w->dir);
        continue;
      }
      watches.push_back(std::move(w));
    }
    std::map<std::wstring, DWORD> pending;  // path -> tick of its last change
    for (;;) {
      std::vector<HANDLE> handles{wake_};
      for (const auto& w : watches) handles.push_back(w->event);
      DWORD r = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE,
                                       pending.empty() ? INFINITE : 100);
      if (r == WAIT_OBJECT_0 || quit_) break;  // settings changed or shutting down
      if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + handles.size()) {
        Watch& w = *watches[r - WAIT_OBJECT_0 - 1];
        DWORD got = 0;
        if (GetOverlappedResult(w.dir, &w.ov, &got, FALSE) && got) {
          for (auto* p = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(w.buf.data());;) {
            if (p->Action == FILE_ACTION_ADDED || p->Action == FILE_ACTION_MODIFIED ||
                p->Action == FILE_ACTION_RENAMED_NEW_NAME)
              pending[w.folder + std::wstring(p->FileName, p->FileNameLength / sizeof(wchar_t))] =
                  GetTickCount();
            if (!p->NextEntryOffset) break;
            p = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(reinterpret_cast<BYTE*>(p) +
                                                           p->NextEntryOffset);
          }
        }
        arm(w);
      }
      // A file is looked at once it has been quiet for a moment.
      DWORD now = GetTickCount();
      for (auto it = pending.begin(); it != pending.end();) {
        if (now - it->second < 300) {
          ++it;
          continue;
        }
        std::wstring path = it->first;
        it = pending.erase(it);
        DWORD a = GetFileAttributesW(path.c_str());
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) OnProtectedFile(path);
      }
    }
    for (auto& w : watches) {
      CancelIo(w->dir);
      DWORD got;
      GetOverlappedResult(w->dir, &w->ov, &got, TRUE);
      CloseHandle(w->event);
      CloseHandle(w->dir);
    }
  }
  CoUninitialize();
}

void Engine::OnProtectedFile(const std::wstring& path) {
  std::shared_ptr<const Matcher> matcher;
  std::shared_ptr<const Definitions> defs;
  ScanOptions options;
  uint32_t response;
  {
    std::lock_guard lock(mu_);
    matcher = matcher_;
    defs = defs_;
    options = OptionsFor(-1, nullptr);
    response = apConfig_.KnownBadApplicationResponseEnum.Get();
  }
  ScanControl ctl;
  ScanOptions one;
  one.roots = {path};
  one.excluded = options.excluded;
  one.ignoredThreats = options.ignoredThreats;
  Scanner scanner(*matcher, one, ctl);
  std::vector<Detection> hits;
  scanner.onDetection = [&](const Detection& d, const ScanStats&) { hits.push_back(d); };
  scanner.Run();
  for (const auto& hit : hits) {
    const ThreatDef* d = defs->Find(hit.threatId);
    ThreatDef def = d ? *d : ThreatDef{};
    def.id = hit.threatId;
    uint32_t disposition = 0;
    std::wstring qid;
    bool reboot = false;
    switch (response) {
      case 1:
        disposition = 1;
        break;
      case 3:
        disposition = RemoveFile(hit.path, reboot) ? 3 : 0;
        break;
      case 5:
      case 6:
        qid = QuarantineTraces(def, {hit.path}, L"", defs->version, reboot, nullptr);
        disposition = qid.empty() ? 0 : 5;
        break;
      default:
        disposition = 0;
        break;
    }
    QVnsAPEvent::CAPEvent ev;
    ev.SchemaVersion.Set(L"4.0.0");
    ev.EventTypeEnum.Set(2);
    ev.MonitorTypeEnum.Set(3);
    ev.RecommendScan.Set(response == 1 || response == 3);
    ev.ThreatDefVersion.Set(std::to_wstring(defs->version));
    ev.APEventID.Set(NewGuidText());
    ev.EventDateTime.Set(NowLocalText());
    auto& fm = ev.FileMonitor.Create();
    fm.FilePath.Set(hit.path);
    fm.KnownAsEnum.Set(2);
    fm.ThreatID.Set(hit.threatId);
    auto& fd = ev.FinalDispositionInfo.Create();
    fd.DispositionEnum.Set(disposition);
    fd.AuthorityEnum.Set(1);
    fd.QID.Set(qid);
    Bstr text(DocText(ev));
    events_.FireAs<_IQVActiveProtectionEvents>(
        IID__IQVActiveProtectionEvents,
        [&](_IQVActiveProtectionEvents* s) { return s->ActiveProtectionEvent(text.get()); });
  }
}

}  // namespace rre

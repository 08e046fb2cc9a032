// Cleaning: the actions asked for the threats of the last scan.

#include "EngineParts.h"

#include "engine/EngineString.h"
#include "EngineContract.h"
#include "Vault.h"

namespace rre {
namespace {

void Attr(DocBinding::List<QF::Cattr>& list, const wchar_t* n, const std::wstring& v) {
  auto& a = list.Append();
  a.n.Set(n);
  a.v.Set(v);
}

}  // namespace

HRESULT Engine::CleanThreats(const std::wstring& requestPath) {
  SR::CARDOThreatEngineResults request;
  if (requestPath.empty()) return E_INVALIDARG;
  if (GetFileAttributesW(requestPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (request.ReadFromFile(requestPath) != 0) return E_INVALIDARG;

  std::lock_guard serial(m_controlMu);
  std::unique_lock lock(m_mu);
  if (m_state == kScanStarted || m_state == kScanPaused || m_state == kCleaning)
    return HRESULT_FROM_WIN32(ERROR_BUSY);
  if (!m_results) {
    // No session in memory (the engine was restarted): take the last results.
    auto doc = std::make_unique<SR::CARDOThreatEngineResults>();
    if (doc->ReadFromFile(ResultsFile()) != 0) return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    m_results = std::move(doc);
  }
  auto* threats = m_results->threats.Get();
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
  m_state = kCleaning;
  m_reboot = false;
  auto control = m_control = std::make_shared<ScanControl>();
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
  std::lock_guard lock(m_fileMu);
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
    Attr(orig.attr, L"sha256", ToWide(ToHex(hash)));
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
    std::lock_guard lock(m_mu);
    defs = m_defs;
    if (!m_results || !m_results->threats) items.clear();  // the session was reset meanwhile
    if (m_results)
      if (const auto* s = m_results->summary.Get()) scanGuid = s->scanGUID.Get();
    for (const auto& it : items) {
      const auto& t = m_results->threats->threat[it.threatIndex];
      Work w{it, {}, {}};
      if (const ThreatDef* d = defs->Find(t.id.Get())) w.def = *d;
      w.def.id = t.id.Get();
      w.def.name = t.name.Get();
      w.def.category = t.category.Get();
      w.def.level = t.level.Get();
      w.def.canQuarantine = t.canQuarantine.Get();
      // A trace inside an archive stands for the whole archive file.
      if (const auto* tr = t.traces.Get())
        for (const auto& x : tr->trace)
          if (std::wstring file = TraceFile(x.dispValue.Get());
              std::find(w.traces.begin(), w.traces.end(), file) == w.traces.end())
            w.traces.push_back(file);
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
      std::lock_guard lock(m_mu);
      if (m_results && m_results->threats &&
          w.item.threatIndex < m_results->threats->threat.Count()) {
        auto& t = m_results->threats->threat[w.item.threatIndex];
        t.cleanerResult.Set(result);
        if (!qid.empty()) t.quarantineId.Set(qid);
      }
      m_reboot = reboot;
    }
    EngineString name(w.def.name);
    for (const auto& trace : w.traces) {
      ++done;
      EngineString tb(trace);
      long percent = total ? long(done * 100 / total) : 100;
      long id = long(w.def.id);
      m_events.FireAs<_IQVScanControlEvents>(
          IID__IQVScanControlEvents, [&](_IQVScanControlEvents* s) {
            return s->CleanProgress(id, name.Get(), 1, tb.Get(), percent);
          });
    }
  }
  long final = aborted ? kCleanStopped : kCleanDone;
  {
    std::lock_guard lock(m_mu);
    if (!m_results) m_results = std::make_unique<SR::CARDOThreatEngineResults>();
    auto& sum = m_results->summary.Create();
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
    m_reboot = reboot;
  }
  if (FAILED(WriteResults())) final = kCleanFailed;
  SetState(final);
  FireState(final);
}

}  // namespace rre

// Threat definitions: the installed file, its status and the update from
// the definitions server.

#include "EngineParts.h"

#include "EngineContract.h"
#include "Http.h"

namespace rre {
namespace {

constexpr uint64_t kMaxDefinitionsBytes = 256ull * 1024 * 1024;
constexpr wchar_t kImportReport[] = L"imported-signatures.txt";
// A signature container delivered by the definitions server.
constexpr wchar_t kDeliveredContainer[] = L"delivered.cvd";

// Signature databases of other scanners in the definitions folder; what was
// read and what was skipped is written beside them.
std::shared_ptr<const SignatureSet> LoadImported(const std::wstring& folder) {
  SignatureReport report;
  auto set = LoadSignatureFolder(folder, report);
  std::string text = "hash signatures " + std::to_string(report.hashes) + ", body signatures " +
                     std::to_string(report.bodies) + ", unreadable lines " +
                     std::to_string(report.skippedLines) + ", unsupported lines " +
                     std::to_string(report.unsupportedLines) + "\r\n";
  for (const auto& n : report.notes) text += n + "\r\n";
  if (set || !report.notes.empty()) WriteFileAtomic(folder + kImportReport, text);
  return set;
}

}  // namespace

void Engine::LoadDefinitions() {
  std::wstring path = m_data + L"Definitions\\current.rrdefs";
  auto defs = std::make_shared<Definitions>();
  std::string error;
  if (!LoadDefinitionsFile(path, *defs, error)) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) SetAside(path);
    *defs = BuiltInDefinitions();
    WriteFileAtomic(path, SerializeDefinitions(*defs));
  }
  defs->Import(LoadImported(m_data + L"Definitions\\"));
  auto matcher = std::make_shared<Matcher>(*defs);
  std::lock_guard lock(m_mu);
  m_defs = defs;
  m_matcher = matcher;
}

HRESULT Engine::GetDefinitionsStatus(bool& current, std::wstring& date) {
  std::lock_guard lock(m_mu);
  date = m_defs->date;
  SYSTEMTIME st;
  uint64_t newest = ParseEngineTime(m_defs->date, st) ? Ticks(st) : 0;
  if (ParseEngineTime(m_updateConfig.LastUpdateDateTime.Get(), st))
    newest = std::max(newest, Ticks(st));
  uint64_t interval = uint64_t(m_updateConfig.UpdateInterval.Get()) * 3600 * kTicksPerSecond;
  uint64_t now = NowLocalTicks();
  current = newest && now >= newest ? now - newest < interval : newest > 0;
  return S_OK;
}

ThreatInfo Engine::GetThreatInfo(uint32_t id) {
  std::lock_guard lock(m_mu);
  ThreatInfo info;
  info.version = m_defs->version;
  if (const ThreatDef* d = m_defs->Find(id)) {
    info.known = true;
    info.def = *d;
  }
  return info;
}

void Engine::FireDefinitionsStatus(long status, long total, long done) {
  m_events.FireAs<_IQVThreatDefinitionsEvents>(
      IID__IQVThreatDefinitionsEvents, [&](_IQVThreatDefinitionsEvents* s) {
        return s->DefinitionsUpdateStatus(0, status, total, done);
      });
}

HRESULT Engine::UpdateDefinitions() {
  std::lock_guard lock(m_mu);
  if (m_updating) return S_FALSE;  // already running; its events follow
  m_updating = true;
  Launch([this] { UpdateWorker(); });
  return S_OK;
}

void Engine::UpdateWorker() {
  FireDefinitionsStatus(kUpdateChecking, 0, 0);
  bool enabled;
  std::wstring url;
  uint32_t version;
  {
    std::lock_guard lock(m_mu);
    enabled = m_updateConfig.Enabled.Get();
    version = m_defs->version;
    if (const auto* t = m_updateConfig.TROVEConfig.Get()) {
      url = t->BaseURL.Get();
      if (!url.empty()) {
        url += url.find(L'?') == std::wstring::npos ? L'?' : L'&';
        url += L"product=" + std::to_wstring(t->ProductID.Get()) + L"&stage=" +
               std::to_wstring(t->StageID.Get()) + L"&version=" + std::to_wstring(version);
      }
    }
  }
  auto stamp = [this] {
    std::lock_guard lock(m_mu);
    m_updateConfig.LastUpdateDateTime.Set(NowLocalText());
    StoreDoc(L"DefinitionUpdateConfig.xml", m_updateConfig);
  };
  long end = kUpdateChecking;
  HttpResponse resp;
  if (!enabled) {
    end = kUpdatesSwitchedOff;
  } else if (url.empty()) {
    end = kUpdateServerUnreachable;
  } else {
    DWORD last = 0;
    bool ok = HttpGet(
        url,
        [&](uint64_t total, uint64_t done) {
          DWORD now = GetTickCount();
          if (done == 0 || now - last >= 100 || (total && done == total)) {
            last = now;
            FireDefinitionsStatus(kUpdateDownloading, long(total), long(done));
          }
          return !m_quit;
        },
        kMaxDefinitionsBytes, resp);
    long size = long(resp.body.size());
    if (!ok) {
      end = resp.status ? kUpdateDownloadFailed : kUpdateServerUnreachable;
    } else if (resp.status == 204 || resp.status == 304) {
      stamp();
      end = kUpdateUpToDate;
    } else if (resp.status != 200) {
      end = kUpdateDownloadFailed;
    } else {
      FireDefinitionsStatus(kUpdateVerifying, size, size);
      auto fresh = std::make_shared<Definitions>();
      std::string error;
      if (resp.body.rfind("ClamAV-VDB:", 0) == 0) {
        end = InstallContainer(resp.body);
        if (end == kUpdateInstalled || end == kUpdateUpToDate) stamp();
      } else if (!ParseDefinitions(resp.body, *fresh, error)) {
        end = kUpdateBadDefinitions;
      } else if (fresh->version <= version) {
        stamp();
        end = kUpdateUpToDate;
      } else {
        FireDefinitionsStatus(kUpdateInstalling, size, size);
        {
          std::lock_guard lock(m_mu);
          fresh->Import(m_defs->imported);
        }
        auto matcher = std::make_shared<Matcher>(*fresh);
        if (!WriteFileAtomic(m_data + L"Definitions\\current.rrdefs", resp.body)) {
          end = kUpdateDownloadFailed;
        } else {
          {
            std::lock_guard lock(m_mu);
            m_defs = fresh;
            m_matcher = matcher;
          }
          stamp();
          end = kUpdateInstalled;
        }
      }
    }
  }
  m_updating = false;
  FireDefinitionsStatus(end, long(resp.body.size()), long(resp.body.size()));
}

long Engine::InstallContainer(const std::string& bytes) {
  ContainerHeader head;
  std::string error;
  SignatureSet check;
  SignatureReport report;
  if (!ParseContainerHeader(bytes, head, error) || !check.AddContainer("update", bytes, report))
    return kUpdateBadDefinitions;
  std::wstring folder = m_data + L"Definitions\\", path = folder + kDeliveredContainer;
  std::string installed;
  ContainerHeader old;
  if (ReadWholeFile(path, kMaxDefinitionsBytes, installed) &&
      ParseContainerHeader(installed, old, error) && old.version >= head.version)
    return kUpdateUpToDate;
  long size = long(bytes.size());
  FireDefinitionsStatus(kUpdateInstalling, size, size);
  if (!WriteFileAtomic(path, bytes)) return kUpdateDownloadFailed;
  std::shared_ptr<Definitions> fresh;
  {
    std::lock_guard lock(m_mu);
    fresh = std::make_shared<Definitions>(*m_defs);
  }
  fresh->Import(LoadImported(folder));
  auto matcher = std::make_shared<Matcher>(*fresh);
  std::lock_guard lock(m_mu);
  m_defs = fresh;
  m_matcher = matcher;
  return kUpdateInstalled;
}

}  // namespace rre

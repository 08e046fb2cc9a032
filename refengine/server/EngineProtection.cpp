// Active protection: watched folders and the response to a known bad file.

#include "EngineParts.h"

#include <knownfolders.h>

#include "engine/EngineString.h"
#include "EngineContract.h"
#include "engine/documents/APEvent.h"

namespace rre {
namespace {

std::vector<std::wstring> WatchFolders() {
  std::wstring env = EnvText(L"RODEREDUD_ENGINE_WATCH_PATHS");
  if (!env.empty()) return SplitPaths(env);
  std::vector<std::wstring> out;
  for (auto id : {&FOLDERID_Downloads, &FOLDERID_Desktop})
    if (auto p = KnownFolder(*id); !p.empty()) out.push_back(p);
  return out;
}

}  // namespace

void Engine::ApplyProtectionSettings() {
  if (m_wake) SetEvent(m_wake.get());
}

void Engine::ProtectionLoop() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  while (!m_quit) {
    bool enabled;
    {
      std::lock_guard lock(m_mu);
      enabled = m_apConfig.Enabled.Get();
    }
    if (!enabled) {
      WaitForSingleObject(m_wake.get(), INFINITE);
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
      std::vector<HANDLE> handles{m_wake.get()};
      for (const auto& w : watches) handles.push_back(w->event);
      DWORD r = WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE,
                                       pending.empty() ? INFINITE : 100);
      if (r == WAIT_OBJECT_0 || m_quit) break;  // settings changed or shutting down
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
    std::lock_guard lock(m_mu);
    matcher = m_matcher;
    defs = m_defs;
    options = OptionsFor(-1, nullptr);
    response = m_apConfig.KnownBadApplicationResponseEnum.Get();
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
      case kProtectReport:
        disposition = kProtectReport;
        break;
      case kProtectDelete:
        disposition = RemoveFile(TraceFile(hit.path), reboot) ? kProtectDelete : kProtectAllow;
        break;
      case kProtectQuarantine:
      case kProtectQuarantineSilently:
        qid = QuarantineTraces(def, {TraceFile(hit.path)}, L"", defs->version, reboot, nullptr);
        disposition = qid.empty() ? kProtectAllow : kProtectQuarantine;
        break;
      default:
        disposition = kProtectAllow;
        break;
    }
    QVnsAPEvent::CAPEvent ev;
    ev.SchemaVersion.Set(L"4.0.0");
    ev.EventTypeEnum.Set(2);
    ev.MonitorTypeEnum.Set(3);
    ev.RecommendScan.Set(response == kProtectReport || response == kProtectDelete);
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
    EngineString text(DocText(ev));
    m_events.FireAs<_IQVActiveProtectionEvents>(
        IID__IQVActiveProtectionEvents,
        [&](_IQVActiveProtectionEvents* s) { return s->ActiveProtectionEvent(text.Get()); });
  }
}

}  // namespace rre

// The engine session's lifetime: the data folder, the worker threads and
// the shutdown every client is told about.

#include "EngineParts.h"

#include <shlobj.h>

#include "EngineContract.h"
#include "Vault.h"
#include "framework/Trace.h"

namespace rre {

Engine& Engine::Instance() {
  static Engine engine;
  return engine;
}

void Engine::Start() {
  std::wstring folder = EnvText(L"RODEREDUD_ENGINE_DATA");
  if (folder.empty()) {
    wchar_t common[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common);
    folder = std::wstring(common) + L"\\RodeRedud\\Engine";
  }
  m_data = WithSlash(folder);
  for (const wchar_t* sub : {L"", L"Config", L"Quarantine", L"Quarantine\\Data", L"Definitions"})
    CreateFolders(m_data + sub);
  m_wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!m_wake) TraceLastError(L"CreateEventW");
  LoadConfiguration();
  LoadDefinitions();
  PurgeQuarantine();
  m_scheduler = std::thread([this] { SchedulerLoop(); });
  m_protection = std::thread([this] { ProtectionLoop(); });
}

void Engine::Launch(std::function<void()> work) {
  std::lock_guard lock(m_workersMu);
  for (auto it = m_workers.begin(); it != m_workers.end();) {
    if (*it->done) {
      it->thread.join();
      it = m_workers.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  m_workers.push_back({std::thread([work = std::move(work), done] {
                         CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                         work();
                         CoUninitialize();
                         *done = true;
                       }),
                       done});
}

void Engine::Shutdown() {
  m_events.FireAs<_IQVServiceEvents>(
      IID__IQVServiceEvents, [](_IQVServiceEvents* s) { return s->ServiceStatusChanged(0); });
  if (m_control) m_control->Stop();
  m_quit = true;
  if (m_wake) SetEvent(m_wake.get());
  {
    std::lock_guard lock(m_workersMu);
    for (auto& w : m_workers) w.thread.join();
    m_workers.clear();
  }
  if (m_scheduler.joinable()) m_scheduler.join();
  if (m_protection.joinable()) m_protection.join();
  m_events.Clear();
  m_wake.reset();
}

}  // namespace rre

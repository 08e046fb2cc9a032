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
  data_ = WithSlash(folder);
  for (const wchar_t* sub : {L"", L"Config", L"Quarantine", L"Quarantine\\Data", L"Definitions"})
    CreateFolders(data_ + sub);
  wake_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (!wake_) TraceLastError(L"CreateEventW");
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
  if (wake_) SetEvent(wake_.get());
  {
    std::lock_guard lock(workersMu_);
    for (auto& w : workers_) w.thread.join();
    workers_.clear();
  }
  if (scheduler_.joinable()) scheduler_.join();
  if (protection_.joinable()) protection_.join();
  events_.Clear();
  wake_.reset();
}

}  // namespace rre

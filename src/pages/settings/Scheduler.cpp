#include "pages/settings/Scheduler.h"

#include <objbase.h>

#include <cstdio>

namespace {

// The identifiers are defined here so the program does not depend on an
// import library that carries them.
// {148BD52A-A2AB-11CE-B11F-00AA00530503}
const CLSID kClsidTaskScheduler = {
    0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
// {148BD527-A2AB-11CE-B11F-00AA00530503}
const IID kIidTaskScheduler = {
    0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
// {148BD520-A2AB-11CE-B11F-00AA00530503}
const CLSID kClsidTask = {
    0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
// {148BD524-A2AB-11CE-B11F-00AA00530503}
const IID kIidTask = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

// An owned interface pointer.
template <typename T>
class TaskRef {
 public:
  TaskRef() = default;
  ~TaskRef() { Reset(); }
  TaskRef(const TaskRef&) = delete;
  TaskRef& operator=(const TaskRef&) = delete;
  T* operator->() const { return m_p; }
  T* Get() const { return m_p; }
  T** Put() {
    Reset();
    return &m_p;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  void Reset() {
    if (m_p) m_p->Release();
    m_p = nullptr;
  }

 private:
  T* m_p = nullptr;
};

HRESULT CreateScheduler(TaskRef<ITaskScheduler>& scheduler) {
  return CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskScheduler,
                          scheduler.PutVoid());
}

}  // namespace

TASK_TRIGGER LogonTrigger() {
  TASK_TRIGGER trigger{};
  trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
  trigger.wBeginYear = 2006;
  trigger.wBeginMonth = 1;
  trigger.wBeginDay = 1;
  trigger.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
  return trigger;
}

bool Scheduler::TaskExists(const std::wstring& name) {
  m_result = CoInitialize(nullptr);
  if (FAILED(m_result)) return false;
  bool exists = false;
  {
    TaskRef<ITaskScheduler> scheduler;
    m_result = CreateScheduler(scheduler);
    if (SUCCEEDED(m_result)) {
      TaskRef<ITask> task;
      m_result =
          scheduler->Activate(name.c_str(), kIidTask, reinterpret_cast<IUnknown**>(task.Put()));
      exists = m_result == S_OK;
    }
  }
  CoUninitialize();
  return exists;
}

bool Scheduler::CreateTask(const std::wstring& name, const std::wstring& comment,
                           const std::wstring& executablePath,
                           const std::wstring& workingDirectory) {
  bool saved = false;
  {
    TaskRef<ITaskScheduler> scheduler;
    m_result = CreateScheduler(scheduler);
    if (FAILED(m_result)) {
      CoUninitialize();
      return false;
    }
    // Some schedulers hand out a new work item over an existing task of the
    // same name; an existing name is refused here instead of being replaced.
    {
      TaskRef<ITask> existing;
      if (scheduler->Activate(name.c_str(), kIidTask,
                              reinterpret_cast<IUnknown**>(existing.Put())) == S_OK) {
        m_result = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
        scheduler.Reset();
        CoUninitialize();
        return false;
      }
    }
    TaskRef<ITask> task;
    m_result = scheduler->NewWorkItem(name.c_str(), kClsidTask, kIidTask,
                                      reinterpret_cast<IUnknown**>(task.Put()));
    if (FAILED(m_result)) {
      scheduler.Reset();
      CoUninitialize();
      return false;
    }
    task->SetApplicationName(executablePath.c_str());
    task->SetParameters(L"/minimize");
    task->SetWorkingDirectory(workingDirectory.c_str());
    task->SetFlags(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);
    wchar_t user[1000] = L"";
    DWORD size = 1000;
    GetUserNameW(user, &size);
    task->SetAccountInformation(user, nullptr);

    m_result = task->SetComment(comment.c_str());
    if (FAILED(m_result)) {
      task.Reset();
      scheduler.Reset();
      CoUninitialize();
      return false;
    }
    TaskRef<IPersistFile> file;
    m_result = task->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(m_result)) {
      task.Reset();
      scheduler.Reset();
      CoUninitialize();
      std::fprintf(stderr, "Failed calling QueryInterface, error = 0x%lx\n",
                   static_cast<unsigned long>(m_result));
      return false;
    }
    m_result = file->Save(nullptr, TRUE);
    file.Reset();
    if (FAILED(m_result)) {
      task.Reset();
      scheduler.Reset();
      CoUninitialize();
      std::fprintf(stderr, "Failed calling Save, error = 0x%lx\n",
                   static_cast<unsigned long>(m_result));
      return false;
    }
    saved = true;
  }
  CoUninitialize();
  return saved;
}

bool Scheduler::AddTaskTrigger(const std::wstring& name, const TASK_TRIGGER* trigger) {
  if (!trigger) return false;
  m_result = CoInitialize(nullptr);
  if (FAILED(m_result)) return false;
  bool added = false;
  {
    TaskRef<ITask> task;
    {
      TaskRef<ITaskScheduler> scheduler;
      m_result = CreateScheduler(scheduler);
      if (FAILED(m_result)) {
        scheduler.Reset();
        CoUninitialize();
        return false;
      }
      m_result =
          scheduler->Activate(name.c_str(), kIidTask, reinterpret_cast<IUnknown**>(task.Put()));
    }
    if (FAILED(m_result)) {
      std::printf("Failed calling ITaskScheduler::Activate: ");
      std::printf("error = 0x%lx\n", static_cast<unsigned long>(m_result));
    } else {
      WORD index = 0;
      TaskRef<ITaskTrigger> taskTrigger;
      m_result = task->CreateTrigger(&index, taskTrigger.Put());
      if (FAILED(m_result)) {
        std::printf("Failed calling ITask::CreatTrigger: ");
        std::printf("error = 0x%lx\n", static_cast<unsigned long>(m_result));
      } else {
        TASK_TRIGGER copy = *trigger;
        m_result = taskTrigger->SetTrigger(&copy);
        if (FAILED(m_result)) {
          std::printf("Failed calling ITaskTrigger::SetTrigger: ");
          std::printf("error = 0x%lx\n", static_cast<unsigned long>(m_result));
        } else {
          TaskRef<IPersistFile> file;
          if (SUCCEEDED(task->QueryInterface(IID_IPersistFile, file.PutVoid())))
            file->Save(nullptr, TRUE);
          std::printf("The trigger was created and IPersistFile::Save was \n");
          std::printf("called to save the new trigger to disk.\n");
          added = true;
        }
      }
    }
  }
  std::fflush(stdout);
  CoUninitialize();
  return added;
}

bool Scheduler::DeleteTask(const std::wstring& name) {
  m_result = CoInitialize(nullptr);
  if (FAILED(m_result)) return false;
  {
    TaskRef<ITaskScheduler> scheduler;
    m_result = CreateScheduler(scheduler);
    if (SUCCEEDED(m_result)) {
      // A task file that was saved a moment ago may still be held open by the
      // scheduler: a sharing violation is retried for a short while.
      for (int attempt = 0; attempt < 40; ++attempt) {
        m_result = scheduler->Delete(name.c_str());
        if (m_result != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)) break;
        Sleep(50);
      }
    }
  }
  CoUninitialize();
  return m_result == S_OK;
}

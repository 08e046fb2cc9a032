#include "support/ScheduledTasks.h"

#include <windows.h>

namespace {

struct ServiceHandle {
  SC_HANDLE handle;
  ~ServiceHandle() {
    if (handle) CloseServiceHandle(handle);
  }
};

DWORD WaitForState(SC_HANDLE service, DWORD wanted, DWORD timeoutMs) {
  SERVICE_STATUS status{};
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (!QueryServiceStatus(service, &status)) return 0;
    if (status.dwCurrentState == wanted || GetTickCount64() > deadline)
      return status.dwCurrentState;
    Sleep(50);
  }
}

}  // namespace

bool RestartTaskSchedulerService() {
  ServiceHandle manager{OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
  if (!manager.handle) return false;
  ServiceHandle service{OpenServiceW(manager.handle, L"Schedule",
                                     SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS)};
  if (!service.handle) return false;
  SERVICE_STATUS_PROCESS process{};
  DWORD needed = 0;
  QueryServiceStatusEx(service.handle, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&process),
                       sizeof(process), &needed);
  SERVICE_STATUS status{};
  if (ControlService(service.handle, SERVICE_CONTROL_STOP, &status))
    WaitForState(service.handle, SERVICE_STOPPED, 3000);
  // A service host cut off from the endpoint mapper may not answer the stop
  // request; ending its process stops it as well.
  if (WaitForState(service.handle, SERVICE_STOPPED, 0) != SERVICE_STOPPED &&
      process.dwProcessId != 0) {
    if (HANDLE host = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.dwProcessId)) {
      TerminateProcess(host, 1);
      WaitForSingleObject(host, 10000);
      CloseHandle(host);
    }
    WaitForState(service.handle, SERVICE_STOPPED, 10000);
  }
  StartServiceW(service.handle, 0, nullptr);
  return WaitForState(service.handle, SERVICE_RUNNING, 10000) == SERVICE_RUNNING;
}

std::vector<TASK_TRIGGER> TaskDetails::Logon() const {
  std::vector<TASK_TRIGGER> out;
  for (const auto& t : all)
    if (t.TriggerType == TASK_EVENT_TRIGGER_AT_LOGON) out.push_back(t);
  return out;
}

TaskDetails ReadTask(const std::wstring& name) {
  TaskDetails details;
  ITaskScheduler* scheduler = nullptr;
  if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler))))
    return details;
  ITask* task = nullptr;
  if (scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(&task)) == S_OK) {
    details.found = true;
    LPWSTR text = nullptr;
    if (SUCCEEDED(task->GetApplicationName(&text))) details.application = text, CoTaskMemFree(text);
    if (SUCCEEDED(task->GetParameters(&text))) details.parameters = text, CoTaskMemFree(text);
    if (SUCCEEDED(task->GetWorkingDirectory(&text))) details.directory = text, CoTaskMemFree(text);
    if (SUCCEEDED(task->GetComment(&text))) details.comment = text, CoTaskMemFree(text);
    task->GetFlags(&details.flags);
    task->GetTriggerCount(&details.triggers);
    for (WORD i = 0; i < details.triggers; ++i) {
      ITaskTrigger* trigger = nullptr;
      if (FAILED(task->GetTrigger(i, &trigger))) continue;
      TASK_TRIGGER record{};
      record.cbTriggerSize = sizeof(TASK_TRIGGER);
      trigger->GetTrigger(&record);
      trigger->Release();
      details.all.push_back(record);
    }
    task->Release();
  }
  scheduler->Release();
  return details;
}

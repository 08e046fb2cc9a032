#include "support/TaskSchedulerService.h"

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
  SERVICE_STATUS status{};
  if (ControlService(service.handle, SERVICE_CONTROL_STOP, &status))
    WaitForState(service.handle, SERVICE_STOPPED, 10000);
  StartServiceW(service.handle, 0, nullptr);
  return WaitForState(service.handle, SERVICE_RUNNING, 10000) == SERVICE_RUNNING;
}

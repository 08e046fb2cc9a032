// The logon task in the system task scheduler: one task per name, created,
// triggered, looked up and deleted through the Task Scheduler 1.0 interfaces.
#pragma once

#include <windows.h>
#include <mstask.h>

#include <string>

class Scheduler {
 public:
  virtual ~Scheduler() = default;

  // True when a task of that name can be opened.
  bool TaskExists(const std::wstring& name);
  // Creates and saves a task that runs executablePath with "/minimize", only
  // while the user is logged on. The caller has initialised COM on this thread;
  // this call uninitialises it once before returning, on every path.
  bool CreateTask(const std::wstring& name, const std::wstring& comment,
                  const std::wstring& executablePath, const std::wstring& workingDirectory);
  // Adds the trigger to the existing task and saves it; false without a trigger.
  bool AddTaskTrigger(const std::wstring& name, const TASK_TRIGGER* trigger);
  // True when the platform reports the task deleted.
  bool DeleteTask(const std::wstring& name);

  // The result code of the last task-scheduler call.
  HRESULT LastResult() const { return m_result; }

 private:
  HRESULT m_result = S_OK;
};

// The trigger of the logon task: at user logon, from 2006-01-01.
TASK_TRIGGER LogonTrigger();

// Test access to the system task scheduler: the service behind it and a plain
// read-back of a stored task.
#pragma once

#include <windows.h>
#include <mstask.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The emulated task scheduler serves its clients over RPC from a service. A test
// elsewhere in the run may restart the prefix's endpoint mapper, after which the
// running service is no longer reachable; restarting the service registers it
// again. True when the service is running afterwards.
bool RestartTaskSchedulerService();

// Groups that use the task scheduler register this once, so that the service
// is reachable before their first test.
struct SchedulerServiceEnvironment : testing::Environment {
  void SetUp() override { RestartTaskSchedulerService(); }
};

// What the task scheduler holds for one task.
struct TaskDetails {
  bool found = false;
  std::wstring application, parameters, directory, comment;
  DWORD flags = 0;
  WORD triggers = 0;
  std::vector<TASK_TRIGGER> all;  // every trigger, in order
  // The logon triggers among them.
  std::vector<TASK_TRIGGER> Logon() const;
};

// Reads the named task straight from the task scheduler; found is false when
// there is no such task.
TaskDetails ReadTask(const std::wstring& name);

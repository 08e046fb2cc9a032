// The logon task operations against the system task scheduler.
#include <windows.h>
#include <mstask.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/settings/Scheduler.h"
#include "support/ScheduledTasks.h"

namespace {

std::wstring UniqueTaskName(const wchar_t* what) {
  return L"RRSchedulerTest_" + std::wstring(what) + L"_" + std::to_wstring(GetCurrentProcessId());
}

// Deletes the named task when the test ends, whatever happened.
struct TaskGuard {
  std::wstring name;
  explicit TaskGuard(std::wstring n) : name(std::move(n)) { Remove(); }
  ~TaskGuard() { Remove(); }
  void Remove() const {
    Scheduler scheduler;
    if (scheduler.TaskExists(name)) scheduler.DeleteTask(name);
  }
};

// CreateTask releases one COM initialisation that its caller made.
bool CreateWithInit(Scheduler& scheduler, const std::wstring& name) {
  if (FAILED(CoInitialize(nullptr))) return false;
  return scheduler.CreateTask(name, L"A comment", L"C:\\Program Files\\RR\\RodeRedud.exe",
                              L"C:\\Program Files\\RR");
}

}  // namespace

TEST(LogonTrigger, IsTheFortyEightByteAtLogonRecordFrom2006) {
  TASK_TRIGGER trigger = LogonTrigger();
  EXPECT_EQ(48u, sizeof(TASK_TRIGGER));
  EXPECT_EQ(48, trigger.cbTriggerSize);
  EXPECT_EQ(2006, trigger.wBeginYear);
  EXPECT_EQ(1, trigger.wBeginMonth);
  EXPECT_EQ(1, trigger.wBeginDay);
  EXPECT_EQ(TASK_EVENT_TRIGGER_AT_LOGON, trigger.TriggerType);
  EXPECT_EQ(0, trigger.wStartHour);
  EXPECT_EQ(0u, trigger.rgFlags);
  EXPECT_EQ(0u, trigger.MinutesDuration);
}

TEST(Scheduler, CreatesTriggersFindsAndDeletesATask) {
  TaskGuard guard(UniqueTaskName(L"life"));
  Scheduler scheduler;
  EXPECT_FALSE(scheduler.TaskExists(guard.name));
  ASSERT_TRUE(CreateWithInit(scheduler, guard.name));
  EXPECT_TRUE(scheduler.TaskExists(guard.name));

  TaskDetails created = ReadTask(guard.name);
  ASSERT_TRUE(created.found);
  EXPECT_EQ(L"C:\\Program Files\\RR\\RodeRedud.exe", created.application);
  EXPECT_EQ(L"/minimize", created.parameters);
  EXPECT_EQ(L"C:\\Program Files\\RR", created.directory);
  EXPECT_EQ(L"A comment", created.comment);
  EXPECT_TRUE(created.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);
  // (The emulated scheduler reads a task saved without triggers back with a
  // default one; only the logon triggers are counted below.)
  EXPECT_TRUE(created.Logon().empty());

  TASK_TRIGGER trigger = LogonTrigger();
  testing::internal::CaptureStdout();
  EXPECT_TRUE(scheduler.AddTaskTrigger(guard.name, &trigger));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, out.find("The trigger was created and IPersistFile::Save was \n"
                                        "called to save the new trigger to disk.\n"))
      << out;
  TaskDetails triggered = ReadTask(guard.name);
  ASSERT_EQ(1u, triggered.Logon().size());
  EXPECT_EQ(2006, triggered.Logon()[0].wBeginYear);
  EXPECT_EQ(1, triggered.Logon()[0].wBeginMonth);
  EXPECT_EQ(1, triggered.Logon()[0].wBeginDay);

  // Deleted right after the save above.
  EXPECT_TRUE(scheduler.DeleteTask(guard.name));
  EXPECT_FALSE(scheduler.TaskExists(guard.name));
  EXPECT_FALSE(ReadTask(guard.name).found);
}

TEST(Scheduler, RefusesToCreateOverAnExistingTask) {
  TaskGuard guard(UniqueTaskName(L"twice"));
  Scheduler scheduler;
  ASSERT_TRUE(CreateWithInit(scheduler, guard.name));
  TASK_TRIGGER trigger = LogonTrigger();
  testing::internal::CaptureStdout();
  scheduler.AddTaskTrigger(guard.name, &trigger);
  testing::internal::GetCapturedStdout();

  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  testing::internal::CaptureStderr();
  EXPECT_FALSE(scheduler.CreateTask(guard.name, L"Other", L"C:\\other.exe", L"C:\\"));
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_TRUE(FAILED(scheduler.LastResult()));
  // The existing task, trigger included, is untouched.
  TaskDetails kept = ReadTask(guard.name);
  EXPECT_EQ(L"A comment", kept.comment);
  EXPECT_EQ(1u, kept.Logon().size());
}

TEST(Scheduler, MissingTasksAndMissingTriggersFail) {
  const std::wstring missing = UniqueTaskName(L"missing");
  Scheduler scheduler;
  TASK_TRIGGER trigger = LogonTrigger();
  testing::internal::CaptureStdout();
  EXPECT_FALSE(scheduler.AddTaskTrigger(missing, &trigger));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(0u, out.rfind("Failed calling ITaskScheduler::Activate: error = 0x", 0)) << out;

  const HRESULT before = scheduler.LastResult();
  EXPECT_FALSE(scheduler.AddTaskTrigger(missing, nullptr));
  EXPECT_EQ(before, scheduler.LastResult()) << "no trigger: no scheduler call";

  EXPECT_FALSE(scheduler.DeleteTask(missing));
  EXPECT_FALSE(scheduler.TaskExists(missing));
}

namespace {
const auto* const kSchedulerService =
    testing::AddGlobalTestEnvironment(new SchedulerServiceEnvironment);
}  // namespace

// The executable's non-interactive purposes, run as real child processes.
#include <windows.h>
#include <mstask.h>

#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "app/CommandLineParser.h"
#include "app/ContextScan.h"
#include "app/RodeRedudApp.h"
#include "framework/RegistryKey.h"
#include "pages/settings/Scheduler.h"
#include "support/ScheduledTasks.h"
#include "startup_support.h"
#include "support/HttpServer.h"

using startup::Child;
using startup::Installation;

namespace {

// The test process plays the running instance: the named mutex plus a window
// of the "ucn" class that records what it receives.
class StandInInstance {
 public:
  explicit StandInInstance(const Installation& install) : m_class(install.WindowClass()) {
    m_mutex = CreateMutexW(nullptr, TRUE, Installation::MutexName().c_str());
    WNDCLASSW wc{};
    wc.lpfnWndProc = &StandInInstance::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = m_class.c_str();
    RegisterClassW(&wc);
    m_window = CreateWindowExW(0, m_class.c_str(), L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                               nullptr, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  ~StandInInstance() {
    if (m_window) DestroyWindow(m_window);
    UnregisterClassW(m_class.c_str(), GetModuleHandleW(nullptr));
    ReleaseMutexAndClose();
  }
  void ReleaseMutexAndClose() {
    if (m_mutex) {
      ReleaseMutex(m_mutex);
      CloseHandle(m_mutex);
      m_mutex = nullptr;
    }
  }
  bool Ready() const { return m_mutex && m_window; }
  int HandOvers() const { return m_handovers; }
  bool Restored() const { return m_restored; }
  bool HandOverParamsZero() const { return m_paramsZero; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<StandInInstance*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_APP + 1) {
      ++self->m_handovers;
      self->m_paramsZero = self->m_paramsZero && wp == 0 && lp == 0;
      return 0;
    }
    if (self && msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_RESTORE) self->m_restored = true;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }

  std::wstring m_class;
  HANDLE m_mutex = nullptr;
  HWND m_window = nullptr;
  int m_handovers = 0;
  bool m_restored = false;
  bool m_paramsZero = true;
};

std::wstring ProfileString(const Installation& install, const wchar_t* name) {
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, install.ProfileKey())) return L"<no key>";
  return key.ReadString(name).value_or(L"<absent>");
}

std::optional<DWORD> ProfileDword(const Installation& install, const wchar_t* name) {
  CRegistryKey key;
  if (!key.Open(HKEY_CURRENT_USER, install.ProfileKey())) return std::nullopt;
  return key.ReadDword(name);
}

// Removes the test resource library's logon task before and after each test.
struct TaskCleanup {
  TaskCleanup() { Remove(); }
  ~TaskCleanup() { Remove(); }
  static void Remove() {
    Scheduler scheduler;
    if (scheduler.TaskExists(Installation::TaskName()))
      scheduler.DeleteTask(Installation::TaskName());
  }
};

ULONGLONG NowFiletime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void ExpectScanTime(const std::wstring& text) {
  std::wsmatch match;
  ASSERT_TRUE(std::regex_match(text, match, std::wregex(L"(\\d\\d):(\\d\\d)"))) << text;
  EXPECT_LT(std::stoi(match[1].str()), 24) << text;
  EXPECT_LT(std::stoi(match[2].str()), 60) << text;
}

}  // namespace

TEST(StartupInstall, InstallNoapWritesFirstInstallValuesAndCreatesLogonTask) {
  TaskCleanup tasks;
  Installation install;
  const ULONGLONG before = NowFiletime();
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/install /noap"));
  const ULONGLONG after = NowFiletime();

  CRegistryKey machine;
  ASSERT_TRUE(machine.Open(HKEY_LOCAL_MACHINE, install.MachineKey()));
  auto installTime = machine.ReadQword(L"InstallTime");
  ASSERT_TRUE(installTime.has_value()) << "InstallTime must be a REG_QWORD";
  EXPECT_GE(*installTime, before - 10'000'000);
  EXPECT_LE(*installTime, after + 10'000'000);
  EXPECT_EQ(0u, machine.ReadDword(L"AutoActiveProtection").value_or(99));
  ExpectScanTime(machine.ReadString(L"quickScanTime").value_or(L"absent"));
  ExpectScanTime(machine.ReadString(L"fullScanTime").value_or(L"absent"));
  auto day = machine.ReadDword(L"fullScanDay");
  ASSERT_TRUE(day.has_value());
  EXPECT_LE(*day, 6u);

  EXPECT_EQ(1u, ProfileDword(install, L"LaunchOnStartup").value_or(99));
  EXPECT_EQ(L"/install /noap", ProfileString(install, L"CommandLine"));

  TaskDetails task = ReadTask(Installation::TaskName());
  ASSERT_TRUE(task.found);
  EXPECT_EQ(install.Folder() + L"\\RodeRedud.exe", task.application);
  EXPECT_EQ(L"/minimize", task.parameters);
  EXPECT_EQ(install.Folder(), task.directory);
  EXPECT_EQ(Installation::TaskComment(), task.comment);
  EXPECT_TRUE(task.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);
  ASSERT_EQ(1u, task.Logon().size());
  EXPECT_EQ(2006, task.Logon()[0].wBeginYear);
  EXPECT_EQ(1, task.Logon()[0].wBeginMonth);
  EXPECT_EQ(1, task.Logon()[0].wBeginDay);
}

TEST(StartupInstall, InstallWithoutNoapLeavesActiveProtectionAlone) {
  TaskCleanup tasks;
  Installation install;
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/install"));
  CRegistryKey machine;
  ASSERT_TRUE(machine.Open(HKEY_LOCAL_MACHINE, install.MachineKey()));
  EXPECT_TRUE(machine.ReadQword(L"InstallTime").has_value());
  EXPECT_FALSE(machine.ReadDword(L"AutoActiveProtection").has_value());
  // A second install finds the task and leaves it as it is.
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/install"));
  EXPECT_EQ(1u, ReadTask(Installation::TaskName()).Logon().size());
}

TEST(StartupInstall, UninstallDeletesTheTaskAndRecordsTheWish) {
  TaskCleanup tasks;
  Installation install;
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/install"));
  ASSERT_TRUE(ReadTask(Installation::TaskName()).found);
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/uninstall"));
  EXPECT_FALSE(ReadTask(Installation::TaskName()).found);
  EXPECT_EQ(0u, ProfileDword(install, L"LaunchOnStartup").value_or(99));
  // Uninstalling again with no task is harmless.
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/uninstall"));
  EXPECT_EQ(0u, ProfileDword(install, L"LaunchOnStartup").value_or(99));
}

TEST(StartupInstall, InstallAndUninstallTogetherRunOnlyTheInstallHook) {
  TaskCleanup tasks;
  Installation install;
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/install /uninstall"));
  EXPECT_TRUE(ReadTask(Installation::TaskName()).found);
  EXPECT_EQ(1u, ProfileDword(install, L"LaunchOnStartup").value_or(99));
}

TEST(StartupHandOver, SecondStartHandsItsCommandLineToTheRunningInstance) {
  Installation install;
  StandInInstance instance(install);
  ASSERT_TRUE(instance.Ready());
  Child child(install.Exe(), L"/scan:quick");
  ASSERT_TRUE(child.Wait(30000));
  EXPECT_EQ(0u, child.ExitCode());
  startup::Pump(200);  // the posted message
  EXPECT_EQ(1, instance.HandOvers());
  EXPECT_TRUE(instance.HandOverParamsZero());
  EXPECT_TRUE(instance.Restored());
  EXPECT_EQ(L"/scan:quick", ProfileString(install, L"CommandLine"));

  // A start without switches still overwrites the stored command line.
  Child plain(install.Exe(), L"");
  ASSERT_TRUE(plain.Wait(30000));
  startup::Pump(200);
  EXPECT_EQ(2, instance.HandOvers());
  EXPECT_EQ(L"", ProfileString(install, L"CommandLine"));
}

// Explorer's verb starts a second process; its paths reach the running
// instance whole, spaces, commas and letters beyond ASCII included.
TEST(StartupHandOver, ContextScanPathsCrossToTheRunningInstanceWhole) {
  Installation install;
  StandInInstance instance(install);
  ASSERT_TRUE(instance.Ready());
  const std::wstring line =
      L"/scan:custom /path:\"C:\\Users\\Zo\u00eb\\Old files, 2019\" /path:\"C:\\Temp\\a b.exe\"";
  Child child(install.Exe(), line);
  ASSERT_TRUE(child.Wait(30000));
  EXPECT_EQ(0u, child.ExitCode());
  startup::Pump(200);
  EXPECT_EQ(1, instance.HandOvers());
  const std::wstring stored = ProfileString(install, L"CommandLine");
  CCommandLineParser parser;
  parser.ParseCommandLine(stored);
  std::optional<ContextScanRequest> request = ContextScanFromCommandLine(parser);
  ASSERT_TRUE(request.has_value()) << "stored: " << std::string(stored.begin(), stored.end());
  const std::vector<std::wstring> expected = {L"C:\\Users\\Zo\u00eb\\Old files, 2019",
                                              L"C:\\Temp\\a b.exe"};
  EXPECT_EQ(expected, request->paths);
}

TEST(StartupHandOver, ShutdownWaitsUntilTheRunningInstanceHasEnded) {
  Installation install;
  StandInInstance instance(install);
  ASSERT_TRUE(instance.Ready());
  Child child(install.Exe(), L"/shutdown");
  ASSERT_TRUE(child.Started());
  const ULONGLONG deadline = GetTickCount64() + 30000;
  while (instance.HandOvers() == 0 && GetTickCount64() < deadline) startup::Pump(50);
  ASSERT_EQ(1, instance.HandOvers());
  EXPECT_EQ(L"/shutdown", ProfileString(install, L"CommandLine"));
  // The instance is still there: the second process keeps waiting.
  EXPECT_FALSE(child.Wait(1500));
  EXPECT_TRUE(child.Running());
  instance.ReleaseMutexAndClose();
  ASSERT_TRUE(child.Wait(10000));
  EXPECT_EQ(0u, child.ExitCode());
}

TEST(StartupHandOver, ShutdownWithoutRunningInstanceEndsAtOnce) {
  Installation install;
  Child child(install.Exe(), L"/shutdown");
  ASSERT_TRUE(child.Wait(15000));
  EXPECT_EQ(0u, child.ExitCode());
  EXPECT_EQ(nullptr, FindWindowExW(nullptr, nullptr, install.WindowClass().c_str(), nullptr));
}

TEST(StartupHandOver, MutexWithoutWindowEndsQuietly) {
  Installation install;
  HANDLE mutex = CreateMutexW(nullptr, TRUE, Installation::MutexName().c_str());
  ASSERT_NE(nullptr, mutex);
  Child child(install.Exe(), L"/shutdown /x");
  const bool ended = child.Wait(15000);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  ASSERT_TRUE(ended) << "without a window there is nobody to wait for";
  EXPECT_EQ(0u, child.ExitCode());
  EXPECT_EQ(L"/shutdown /x", ProfileString(install, L"CommandLine"));
}

TEST(StartupRelaunch, UnelevateStartsTheProgramAgainWithoutTheSwitch) {
  Installation install;
  ASSERT_EQ(0u, startup::Run(install.Exe(), L"/unelevate /shutdown /x:1", 60000));
  // The new process records its own command line; it ends at once (/shutdown).
  const ULONGLONG deadline = GetTickCount64() + 20000;
  std::wstring seen;
  while (GetTickCount64() < deadline) {
    seen = ProfileString(install, L"CommandLine");
    if (seen != L"/unelevate /shutdown /x:1") break;
    Sleep(100);
  }
  EXPECT_EQ(L"/shutdown /x:\"1\"", seen);
  Sleep(500);  // let the re-launched process end before the folder goes
}

namespace {

// Finds a message box of the child process, returns its text and closes it.
std::wstring TakeMessageBox(Child& child, DWORD timeoutMs) {
  struct Search {
    DWORD pid;
    HWND found = nullptr;
  } search{child.Id()};
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < deadline && !search.found) {
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD pid = 0;
          GetWindowThreadProcessId(hwnd, &pid);
          wchar_t cls[64] = L"";
          GetClassNameW(hwnd, cls, 64);
          if (pid == s->pid && std::wstring(cls) == L"#32770") {
            s->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (!search.found) Sleep(100);
  }
  if (!search.found) return L"<no message box>";
  // The box may be found before its text control exists.
  wchar_t text[512] = L"";
  while (GetTickCount64() < deadline &&
         (GetDlgItemTextW(search.found, 0xFFFF, text, 512) == 0 || !IsWindowVisible(search.found)))
    Sleep(50);
  PostMessageW(search.found, WM_COMMAND, IDOK, 0);
  return text;
}

}  // namespace

TEST(StartupFailures, MissingResourceLibraryShowsTheErrorCodeAndEnds) {
  Installation install;
  install.RemoveFile(L"res.dll");
  Child child(install.Exe(), L"");
  EXPECT_EQ(L"Error (126): Please reinstall the application", TakeMessageBox(child, 20000));
  ASSERT_TRUE(child.Wait(10000));
  EXPECT_EQ(0u, child.ExitCode());
}

TEST(StartupFailures, UnreadableThemeShowsTheReinstallMessageAndEnds) {
  for (const char* document : {"<ui><strings>", ""}) {
    Installation install;
    if (*document)
      install.WriteTheme({}, document);
    else
      install.RemoveFile(L"ui.xml");
    Child child(install.Exe(), L"/install");
    EXPECT_EQ(L"Failed to initialize UI: Please reinstall the application",
              TakeMessageBox(child, 20000));
    ASSERT_TRUE(child.Wait(10000));
    EXPECT_EQ(0u, child.ExitCode());
    // Nothing was written: the start ended before the command line was recorded.
    CRegistryKey key;
    EXPECT_FALSE(key.Open(HKEY_CURRENT_USER, install.ProfileKey()));
  }
}

namespace {
const auto* const kSchedulerService =
    testing::AddGlobalTestEnvironment(new SchedulerServiceEnvironment);
}  // namespace

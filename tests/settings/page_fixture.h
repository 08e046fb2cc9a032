// The main window with the fake engine, for the settings and about pages: the
// shipped theme, an application object with a scratch profile key whose message
// box and shell seams answer from a script and record what they were asked, and
// the page's machine key values saved and put back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/ScanConfig.h"
#include "settings_support.h"
#include "support/FakeEngine.h"

namespace settings_test {

// A frame whose updater is counted instead of run.
class TestFrame : public CMainFrame {
 public:
  int updaterRuns = 0;

 protected:
  void RunUpdater() override { ++updaterRuns; }
};

// Engine documents the fixture starts with.
extern const wchar_t kPairsWithMarker[];     // summary pairs and set_schedule_defaults = 1
extern const wchar_t kPairsWithoutMarker[];  // summary pairs only
extern const wchar_t kScanConfigNoSchedules[];
extern const wchar_t kAPConfigQuarantine[];  // on, response 5, two monitors off

class PageTest : public testing::Test {
 protected:
  struct Box {
    std::wstring text;
    UINT type;
  };
  struct Shell {
    std::wstring verb, file;
  };

  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Creates and shows the frame (client 800 x 600), selects the settings tab.
  void MakeFrame();
  // Destroys the frame (the engine keeps its documents).
  void DropFrame();
  CSettingsPage& Page();
  // Hides and shows the settings page again (it re-reads the engine).
  void ShowAgain();

  HWND Item(int id);
  int Selection(int id);
  bool Enabled(int id);
  bool Checked(int id);
  // A user's choice in a drop-down list (selection and its change notification).
  void Choose(int id, int index);
  // A click on a button or check box.
  void Click(int id);

  QVnsScanConfig::CScanConfig EngineScanConfig();
  QVnsAPConfig::CAPConfig EngineAPConfig();

  std::unique_ptr<MachineValues> machine;
  std::unique_ptr<CRodeRedudApp> app;
  std::unique_ptr<FakeEngine> engine;
  std::unique_ptr<TestFrame> frame;
  std::vector<Box> boxes;
  std::deque<int> answers;  // message box answers; IDYES once they run out
  std::vector<Shell> shells;
};

// Runs queued messages, timers included, for a while.
void Pump(DWORD ms = 50);

}  // namespace settings_test

// The scan flow under test: the shipped theme, an application object with a
// scratch profile key, the main frame shown on screen, and the message box and
// restart seams answered and recorded. The engine is the fake one or the
// reference engine, chosen by the test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanningPage.h"

namespace scanflow_test {

// What the seams saw.
struct SeamLog {
  std::vector<std::wstring> messages;  // texts of the message boxes, in order
  int answer = IDYES;                  // what every question is answered
  int restarts = 0;                    // ExitWindowsEx calls
};

// Frame, seams and profile; the engine is set up by the derived fixture
// before CreateFrame.
class FlowTest : public testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Creates and shows the frame (client 800 x 600) and makes every page.
  void CreateFrame();
  // Drops the frame (pages and sinks go with it).
  void DestroyFrame();

  CMainFrame& Frame() { return *frame; }
  CRodeRedudApp& App() { return *app; }
  CScanningPage& Scanning() { return *frame->ScanningPage(); }
  CResultsPage& Results() { return *frame->ResultsPage(); }
  CCleaningPage& Cleaning() { return *frame->CleaningPage(); }
  CFinishedPage& Finished() { return *frame->FinishedPage(); }
  CWnd* ScanTabPage() { return frame->GetTabPage(CMainFrame::kTabScan); }

  int Profile(const wchar_t* name, int fallback) const;
  void SetProfile(const wchar_t* name, int value) const;
  // Whether a message box with this string-table text was shown.
  bool Told(UINT textId) const;

  SeamLog seams;
  // The test's own application object (the frame registers with it).
  std::unique_ptr<CRodeRedudApp> app;
  std::unique_ptr<CMainFrame> frame;
};

// Pumps messages (timers included) until done() or the time is up.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs);
void Pump(DWORD ms = 50);

}  // namespace scanflow_test

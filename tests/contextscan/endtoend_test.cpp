// A context-menu scan against the reference engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "framework/Messages.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanResultsList.h"
#include "support/EnginePageFixture.h"
#include "support/TextFile.h"

TEST(ContextScanEndToEnd, FolderWithTheTestFileIsScannedAndTheThreatFound) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  const std::wstring folder = engine.CustomFolder() + L"\\picked, by hand";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(EnginePageFixture::PlantTestFile(folder + L"\\sample.com"));

  engine.App().WriteProfileText(settings::kCommandLine, L"/scan:custom /path:\"" + folder + L"\"");
  engine.Frame().Post(msg::kHandOver, 0, 0);

  // 109: the scan is done and found threats.
  ASSERT_TRUE(engine.WaitScanState({109, 107, 113}, 120000));
  const std::vector<long> states = engine.ScanStates();
  EXPECT_EQ(109, states.back()) << "the picked folder's test file was not found";
  // The window ends on the results page, listing the threat of the picked file.
  CMainFrame& frame = engine.Frame();
  ASSERT_TRUE(PumpUntil(
      [&] { return frame.GetTabPage(CMainFrame::kTabScan) == frame.ResultsPage(); }, 60000))
      << "the scan tab did not move on to the results page";
  CScanResultsList& listed = frame.ResultsPage()->List();
  ASSERT_EQ(1, listed.RecordCount());
  const std::wstring& traces = listed.Records()[0].tracesText;
  EXPECT_NE(std::wstring::npos, traces.find(L"sample.com"))
      << "the listed threat's traces: " << std::string(traces.begin(), traces.end());
  EXPECT_TRUE(engine.MessageBoxes().empty());
  const std::string results = ReadTextFileAsUtf8(engine.DataFolder() + L"\\ScanResults.xml");
  EXPECT_NE(std::string::npos, results.find("picked, by hand\\sample.com")) << results;
  // The picked folder is not kept as one of the user's custom folders.
  const std::wstring config = engine.ScanConfigText();
  EXPECT_EQ(std::wstring::npos, config.find(L"picked, by hand"));
}

// The results page against the reference engine: a quick scan of the scan
// folder finds the planted test file, the page lists it from the engine's
// results file, and cleaning it with the quarantine action removes the file
// and leaves a record in the engine's quarantine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/MainFrame.h"
#include "engine/EngineSession.h"
#include "fixture.h"
#include "pages/scan/ResultsPage.h"
#include "support/EnginePageFixture.h"
#include "themedata/resource.h"

namespace {

int QuarantineRecords(const std::wstring& dataFolder) {
  WIN32_FIND_DATAW fd;
  HANDLE f = ::FindFirstFileW((dataFolder + L"\\Quarantine\\*.xml").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
  } while (::FindNextFileW(f, &fd));
  ::FindClose(f);
  return n;
}

TEST(ResultsPageWithEngine, ListsTheFoundFileAndCleansItToQuarantine) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  CMainFrame& frame = engine.Frame();
  frame.BeginScan(kScanQuick);
  ASSERT_TRUE(engine.WaitScanState({107, 109, 113, 116})) << "the scan ends";
  ASSERT_EQ(engine.ScanStates().back(), 109) << "the scan found a threat";

  CResultsPage* page = frame.ResultsPage();
  page->ImportScanResults();
  frame.SetTabPage(CMainFrame::kTabScan, page);
  CScanResultsList& list = page->List();
  ASSERT_EQ(list.RecordCount(), 1);
  const ThreatRecord& found = list.Records()[0];
  ASSERT_EQ(found.traces.size(), 1u);
  EXPECT_EQ(_wcsicmp(found.traces[0].text.c_str(), engine.TestFile().c_str()), 0)
      << "trace " << testing::PrintToString(found.traces[0].text);
  EXPECT_FALSE(found.handled);
  ASSERT_TRUE(found.canQuarantine);
  EXPECT_NE(page->SummaryText().find(L"1"), std::wstring::npos);

  // Quarantine it, from the list's drop-down choice, with the page's button.
  list.SetRecordAction(16, 0);
  EXPECT_EQ(list.Records()[0].action, 3);
  engine.ClearScanStates();
  ::PostMessageW(page->m_hWnd, WM_COMMAND, IDC_RESULTS_CLEAN_BOTTOM, 0);
  ASSERT_TRUE(engine.WaitScanState({0, 111, 112, 113, 115, 116})) << "the clean ends";
  EXPECT_EQ(engine.ScanStates().back(), 111);
  EXPECT_FALSE(tl::FileExists(engine.TestFile()));
  EXPECT_EQ(QuarantineRecords(engine.DataFolder()), 1);

  // The engine's results file now says the threat was handled.
  page->ImportScanResults();
  ASSERT_EQ(list.RecordCount(), 1);
  EXPECT_TRUE(list.Records()[0].handled);
  EXPECT_EQ(list.Records()[0].traceCount, 0);
  EXPECT_TRUE(engine.MessageBoxes().empty());
}

}  // namespace

// The results page in the main frame with the fake engine: the import of the
// engine's results file (readable and not), the summary, the clean request
// with ignored threats, closing, and the keyboard path through the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/Settings.h"
#include "engine/EngineError.h"
#include "engine/ScanResultsFile.h"
#include "fixture.h"
#include "framework/WinAppEx.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/ResultsPage.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"
#include "theme/TextFormat.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

const wchar_t kScanConfig[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig SchemaVersion=\"4.0.0\"/>";

const std::vector<tl::ThreatSpec> kThreats = {
    {31, L"Trojan.Alpha", 2, L"Trojan", 2, true, -1, 0, {L"C:\\a.exe", L"C:\\b.exe"}},
    {32, L"Adware.Beta", 4, L"Adware", 3, false, -1, 0, {L"C:\\ad.dll"}},
};

class ResultsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(harness.Start(800, 600, true));
    engine().SetText(L"GetScanConfig", kScanConfig);
    resultsFile = scratch.Write(L"scanresults.xml", tl::ResultsXml(kThreats));
    engine().SetText(L"GetScanResultsFile", resultsFile);
    page = frame().ResultsPage();
    ASSERT_TRUE(page && page->m_hWnd);
    frame().SetTabPage(CMainFrame::kTabScan, page);
    frame().SelectTab(CMainFrame::kTabScan, false);
    frame().SetTabsEnabled(false);
    tl::PumpKeys(20);
  }
  FakeEngine& engine() { return harness.Engine(); }
  CMainFrame& frame() { return harness.Frame(); }
  std::wstring Summary(int records, int traces) {
    return FormatIntegers(Theme().LoadResString(IDS_RESULTS_SUMMARY), {records, traces});
  }

  FrameHarness harness;
  tl::ScratchFolder scratch;
  std::wstring resultsFile;
  CResultsPage* page = nullptr;
};

TEST_F(ResultsPageTest, ImportFillsTheListInLinkMode) {
  page->ImportScanResults();
  CScanResultsList& list = page->List();
  EXPECT_TRUE(list.LinkMode());
  ASSERT_EQ(list.RecordCount(), 2);
  EXPECT_EQ(list.Records()[0].name, L"Trojan.Alpha");
  EXPECT_EQ(list.Records()[1].action, 3);
  EXPECT_EQ(page->SummaryText(), Summary(2, 3));
  EXPECT_EQ(page->BannerTitle(), FormatIntegers(Theme().LoadResString(IDS_THREATS_BANNER), {2, 3}));
  EXPECT_EQ(::GetParent(list.m_hWnd), page->m_hWnd);
  // A second import rebuilds rather than appends.
  page->ImportScanResults();
  EXPECT_EQ(list.RecordCount(), 2);
}

TEST_F(ResultsPageTest, OneThreatInOneItemReadsInTheSingular) {
  scratch.Write(L"scanresults.xml", tl::ResultsXml({kThreats[1]}));
  page->ImportScanResults();
  ASSERT_EQ(page->List().RecordCount(), 1);
  EXPECT_EQ(page->BannerTitle(), L"1 threat detected in 1 item");
  EXPECT_EQ(page->SummaryText(),
            L"The scan found 1 threat in 1 item. Choose what to do with it, then click Clean.");
}

TEST_F(ResultsPageTest, UnreadableResultsLeaveTheListAsItWas) {
  page->ImportScanResults();
  struct Row {
    const char* what;
    std::wstring text;  // empty: the file is missing
  };
  const Row rows[] = {
      {"missing file", L""},
      {"not XML", L"this is not a document"},
      {"another root", L"<?xml version=\"1.0\"?><ScanConfig/>"},
      {"threat id out of range", L"<?xml version=\"1.0\"?><ARDOThreatEngineResults><threats>"
                                 L"<threat id=\"-1\" name=\"X\"/></threats></ARDOThreatEngineResults>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ::DeleteFileW(resultsFile.c_str());
    if (!row.text.empty()) scratch.Write(L"scanresults.xml", row.text);
    QVnsScanResults::CARDOThreatEngineResults probe;
    EXPECT_EQ(FetchScanResults(probe), E_FAIL);
    EXPECT_NO_THROW(page->ImportScanResults());
    ASSERT_EQ(page->List().RecordCount(), 2);
    EXPECT_EQ(page->SummaryText(), Summary(2, 3));
    // The records still point into a live document: a choice reaches it.
    page->List().SetRecordAction(64, 0);
    EXPECT_EQ(page->Results().threats->threat[0].actionRequested.Get(), 5);
    page->List().SetRecordAction(1, 0);
  }
}

TEST_F(ResultsPageTest, EngineFailureOnTheResultsPathIsReportedNotRaised) {
  page->ImportScanResults();
  engine().Fail(L"GetScanResultsFile", E_UNEXPECTED);
  QVnsScanResults::CARDOThreatEngineResults probe;
  std::wstring path = L"x";
  EXPECT_EQ(FetchScanResults(probe, &path), E_UNEXPECTED);
  EXPECT_TRUE(path.empty());
  EXPECT_NO_THROW(page->ImportScanResults());
  EXPECT_EQ(page->List().RecordCount(), 2);
}

TEST_F(ResultsPageTest, CleanWritesTheRequestStoresIgnoredThreatsAndMovesOn) {
  page->ImportScanResults();
  page->List().SetRecordAction(64, 0);  // always ignore Trojan.Alpha (id 31)
  page->List().SetRecordAction(4, 1);   // action 1 for Adware.Beta
  std::vector<unsigned char> request;
  std::wstring requestPath;
  engine().OnCall(L"CleanThreats", [&] {
    requestPath = engine().Calls(L"CleanThreats").back().args.at(0);
    request = tl::ReadBytes(requestPath);
  });
  ::PostMessageW(page->m_hWnd, WM_COMMAND, IDC_RESULTS_CLEAN_BOTTOM, 0);
  tl::PumpKeys(30);

  ASSERT_EQ(engine().CallCount(L"CleanThreats"), 1);
  // The request: the engine's file name in the temporary folder, UTF-16 with
  // its byte order mark, the chosen actions inside; gone after the call.
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  EXPECT_EQ(requestPath, std::wstring(temp) + L"scanresults.xml");
  ASSERT_GE(request.size(), 2u);
  EXPECT_EQ(request[0], 0xFF);
  EXPECT_EQ(request[1], 0xFE);
  std::wstring text(reinterpret_cast<const wchar_t*>(request.data() + 2), (request.size() - 2) / 2);
  EXPECT_NE(text.find(L"actionRequested=\"5\""), std::wstring::npos);
  EXPECT_NE(text.find(L"actionRequested=\"1\""), std::wstring::npos);
  EXPECT_NE(text.find(L"encoding=\"UTF-16\""), std::wstring::npos);
  EXPECT_FALSE(tl::FileExists(requestPath));

  // Exactly one ignored threat, stored before the clean.
  std::vector<std::wstring> order = engine().CallOrder({L"SetScanConfig", L"CleanThreats"});
  EXPECT_EQ(order, (std::vector<std::wstring>{L"SetScanConfig", L"CleanThreats"}));
  QVnsScanConfig::CScanConfig stored;
  ASSERT_EQ(stored.ReadFromString(engine().Stored(L"SetScanConfig")), 0);
  ASSERT_TRUE(stored.IgnoredThreats.Get());
  ASSERT_EQ(stored.IgnoredThreats->IgnoredThreat.Count(), 1u);
  EXPECT_EQ(stored.IgnoredThreats->IgnoredThreat[0].Source.Get(), 1u);
  EXPECT_EQ(stored.IgnoredThreats->IgnoredThreat[0].Id.Get(), 31u);
  EXPECT_EQ(stored.IgnoredThreats->IgnoredThreat[0].DateTimeAdded.Get().size(), 19u);
  EXPECT_TRUE(stored.IgnoredThreats->IsDirty.Get());

  // The cleaning page takes over the scan tab.
  EXPECT_EQ(frame().GetTabPage(CMainFrame::kTabScan), frame().CleaningPage());
}

TEST_F(ResultsPageTest, FailedCleanRaisesAndStillRemovesTheRequest) {
  page->ImportScanResults();
  engine().Fail(L"CleanThreats", E_FAIL);
  EXPECT_THROW(page->CleanSelectedThreats(), EngineError);
  ASSERT_EQ(engine().CallCount(L"CleanThreats"), 1);
  EXPECT_FALSE(tl::FileExists(engine().Calls(L"CleanThreats")[0].args.at(0)));
  EXPECT_EQ(frame().GetTabPage(CMainFrame::kTabScan), page);
}

TEST_F(ResultsPageTest, UnreadableScanConfigStoresNothingButStillCleans) {
  page->ImportScanResults();
  page->List().SetRecordAction(64, 0);
  engine().SetText(L"GetScanConfig", L"not a document");
  page->CleanSelectedThreats();
  EXPECT_EQ(engine().CallCount(L"SetScanConfig"), 0);
  EXPECT_EQ(engine().CallCount(L"CleanThreats"), 1);
}

TEST_F(ResultsPageTest, CloseUnlocksResetsAndShowsTheOverview) {
  page->ImportScanResults();
  AfxGetApp()->WriteProfileInt(settings::kFromSchedule, 1);
  ::SendMessageW(page->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_RESULTS_CLOSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(page->GetDlgItem(IDC_RESULTS_CLOSE)));
  tl::PumpKeys(20);
  EXPECT_EQ(AfxGetApp()->ReadProfileInt(settings::kFromSchedule, 7), 0);
  EXPECT_TRUE(frame().TabsEnabled());
  EXPECT_EQ(engine().CallCount(L"ResetScan"), 1);
  EXPECT_EQ(frame().GetActiveTab(), CMainFrame::kTabOverview);
}

TEST_F(ResultsPageTest, EveryButtonAndTheListAreReachedWithTab) {
  page->ImportScanResults();
  tl::PumpKeys(20);
  const HWND wanted[] = {page->GetDlgItem(IDC_RESULTS_CLEAN_TOP), page->List().Rows().m_hWnd,
                         page->GetDlgItem(IDC_RESULTS_CLOSE),
                         page->GetDlgItem(IDC_RESULTS_CLEAN_BOTTOM)};
  ::SetFocus(wanted[0]);
  tl::PumpKeys(5);
  std::vector<HWND> seen{::GetFocus()};
  for (int i = 0; i < 8; ++i) {
    tl::PressKey(::GetFocus(), VK_TAB);
    seen.push_back(::GetFocus());
  }
  for (HWND w : wanted) {
    EXPECT_NE(std::find(seen.begin(), seen.end(), w), seen.end())
        << "control " << ::GetDlgCtrlID(w) << " never took the focus";
  }
  // Enter on the list expands the focused record rather than pressing a button.
  ::SetFocus(page->List().Rows().m_hWnd);
  page->List().SetFocusRow(1);
  tl::PressKey(::GetFocus(), VK_RETURN);
  EXPECT_TRUE(page->List().Records()[1].expanded);
  EXPECT_EQ(engine().CallCount(L"CleanThreats"), 0);
}

}  // namespace

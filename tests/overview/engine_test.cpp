// The overview and scan pages against the reference engine, a real COM server
// with a data folder of the test's own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "engine/EngineSession.h"
#include "engine/EngineString.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanConfig.h"
#include "framework/TextConvert.h"
#include "pages/scan/OverviewPage.h"
#include "pages/scan/ScanPage.h"
#include "support/EnginePageFixture.h"
#include "themedata/resource.h"

namespace SC = QVnsScanConfig;

namespace {

// A mouse click in the middle of a themed button, through its own handlers.
void ClickThemeButton(HWND button) {
  RECT r{};
  GetClientRect(button, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
  SendMessageW(button, WM_MOUSEMOVE, 0, at);
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(button, WM_LBUTTONUP, 0, at);
}

std::vector<std::wstring> CustomFoldersOf(const std::wstring& text) {
  SC::CScanConfig config;
  std::vector<std::wstring> out;
  if (config.ReadFromMemory(text.data(), text.size() * sizeof(wchar_t)) != 0) return {L"<unreadable>"};
  if (const auto* settings = config.ScanSettings.Get())
    for (const auto& s : settings->ScanSetting)
      if (s.ScanType.Get() == 2 && s.PathsToScan.Get())
        for (const auto& p : s.PathsToScan.Get()->Paths) out.push_back(p.Path.Get());
  return out;
}

std::wstring Lower(std::wstring s) {
  CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::wstring ResultsText() {
  auto control = Engine().ScanControl();
  EngineString path;
  if (!control || FAILED(control->GetScanResultsFile(path.Out()))) return {};
  HANDLE f = CreateFileW(path.Str().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(f);
  return Lower(ToWide(bytes));
}

}  // namespace

TEST(OverviewWithEngine, QuickScanFromTheOverviewButtonStartsInTheEngine) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  COverviewPage* overview = engine.Frame().OverviewPage();
  ASSERT_TRUE(overview->IsWindowVisible());
  // A fresh engine: the page says there was no scan yet, and the engine's
  // definitions date is read.
  EXPECT_EQ(overview->Status(), kStatusOrange);
  EXPECT_FALSE(overview->DefinitionsDateText().empty());

  ClickThemeButton(overview->GetDlgItem(IDC_OVERVIEW_START_SCAN));
  ASSERT_TRUE(engine.WaitScanState({1})) << "the engine reports the scan as started";
  EXPECT_TRUE(engine.Frame().NavigationLocked());
  EXPECT_EQ(engine.Frame().GetActiveTab(), CMainFrame::kTabScan);
  // The scan of the scan folder finds the planted file.
  ASSERT_TRUE(engine.WaitScanState({107, 109, 113, 116}));
  EXPECT_EQ(engine.ScanStates().back(), 109);
  EXPECT_NE(ResultsText().find(Lower(engine.TestFile())), std::wstring::npos);

  // The frame recorded the start in the engine's pairs; the overview shows it.
  QVnsNVPairs::CNVPairs pairs;
  const std::wstring text = engine.NVPairsText();
  ASSERT_EQ(pairs.ReadFromMemory(text.data(), text.size() * sizeof(wchar_t)), 0);
  int64_t quick = 0;
  EXPECT_TRUE(QVnsNVPairs::ReadPairInt64(pairs, L"last_quick_scan", quick));
  EXPECT_GT(quick, 0);
  engine.Frame().SetTabsEnabled(true);
  engine.Frame().SelectTab(CMainFrame::kTabOverview, true);
  EXPECT_NE(overview->LastQuickScanText(), overview->LastFullScanText());
  EXPECT_TRUE(engine.MessageBoxes().empty());
}

TEST(OverviewWithEngine, CustomScanOfATestFolderStartsWithExactlyThatFolder) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  const std::wstring folder = engine.CustomFolder() + L"\\Picked";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(EnginePageFixture::PlantTestFile(folder + L"\\sample.com"));

  COverviewPage* overview = engine.Frame().OverviewPage();
  ClickThemeButton(overview->GetDlgItem(IDC_OVERVIEW_CUSTOM_SCAN));
  PumpUntil([&] { return engine.Frame().GetActiveTab() == CMainFrame::kTabScan; }, 5000);
  CScanPage* scan = engine.Frame().ScanPage();
  ASSERT_EQ(engine.Frame().GetTabPage(CMainFrame::kTabScan), scan);
  ASSERT_EQ(scan->ChosenScanKind(), 2);

  // The user picks the folder (written in capitals) in the browser.
  std::wstring typed = folder;
  CharUpperBuffW(typed.data(), static_cast<DWORD>(typed.size()));
  engine.AnswerNextFolderBrowser(typed);
  SendMessageW(scan->GetDlgItem(IDC_SCAN_ADD_FOLDER), BM_CLICK, 0, 0);
  PumpUntil([&] { return !scan->CustomPaths().empty(); }, 5000);
  ASSERT_EQ(scan->CustomPaths(), (std::vector<std::wstring>{Lower(folder)}));

  ClickThemeButton(scan->GetDlgItem(IDC_SCAN_START));
  ASSERT_TRUE(engine.WaitScanState({1})) << "the engine reports the scan as started";
  EXPECT_EQ(CustomFoldersOf(engine.ScanConfigText()), (std::vector<std::wstring>{Lower(folder)}));
  ASSERT_TRUE(engine.WaitScanState({107, 109, 113, 116}));
  EXPECT_EQ(engine.ScanStates().back(), 109);
  const std::wstring results = ResultsText();
  EXPECT_NE(results.find(Lower(folder + L"\\sample.com")), std::wstring::npos);
  EXPECT_EQ(results.find(Lower(engine.TestFile())), std::wstring::npos)
      << "only the picked folder is scanned";
  EXPECT_TRUE(engine.MessageBoxes().empty());
}

// The quarantine and ignore list pages end to end: the main window against the
// reference engine with a data folder of the test's own and the standard
// antivirus test file where quick scans look.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "lists/PageHost.h"
#include "pages/lists/IgnorePage.h"
#include "support/EnginePageFixture.h"

namespace SR = QVnsScanResults;
namespace SC = QVnsScanConfig;

namespace lists {
namespace {

// Engine scan states.
constexpr long kScanDoneClean = 107;
constexpr long kScanDoneThreats = 109;
constexpr long kScanEnded[] = {107, 109, 113, 116};

// Runs a quick scan in the engine and waits for its end; returns the state.
long QuickScan(EnginePageFixture& engine) {
  auto control = Checked(::Engine().ScanControl());
  CheckEngine(control->ResetScan(), control);
  engine.ClearScanStates();
  CheckEngine(control->StartScan(kScanQuick), control);
  if (!engine.WaitScanState({107, 109, 113, 116})) return -1;
  for (long s : engine.ScanStates())
    for (long end : kScanEnded)
      if (s == end) return s;
  return -1;
}

bool ReadResults(SR::CARDOThreatEngineResults& results, std::wstring& enginePath) {
  auto control = Checked(::Engine().ScanControl());
  EngineString path;
  CheckEngine(control->GetScanResultsFile(path.Out()), control);
  enginePath = path.Str();
  return results.ReadFromFile(enginePath) == 0;
}

void ClickButton(CWnd& page, UINT id) {
  page.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(page.GetDlgItem(static_cast<int>(id))));
  Pump();
}

TEST(ListsWithEngine, IgnoredThreatsAndKnownFoldersAreLeftAloneByTheNextScan) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  CMainFrame& frame = engine.Frame();

  // A threat ignored at cleaning (action 5): the clean adds it to the
  // configuration as the results page does.
  ASSERT_EQ(QuickScan(engine), kScanDoneThreats);
  SR::CARDOThreatEngineResults results;
  std::wstring enginePath;
  ASSERT_TRUE(ReadResults(results, enginePath));
  ASSERT_TRUE(results.threats && results.threats->threat.Count() > 0);
  const auto& threat = results.threats->threat[0];
  {
    SC::CScanConfig config;
    ASSERT_EQ(FetchDocument(config, EngineDocuments::kScanConfig), S_OK);
    auto& ignored = config.IgnoredThreats.Create();
    auto& added = ignored.IgnoredThreat.Append();
    added.Source.Set(1);
    added.Id.Set(threat.id.Get());
    added.DateTimeAdded.Set(L"2026-12-10T10:00:00");
    ignored.IsDirty.Set(true);
    ASSERT_EQ(StoreDocument(config, EngineDocuments::kScanConfig), S_OK);
  }

  frame.SelectTab(CMainFrame::kTabIgnore, true);
  Pump();
  CIgnorePage* page = frame.IgnorePage();
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(page->Entries().size(), 1u);
  EXPECT_TRUE(page->Entries()[0].isThreat);
  EXPECT_EQ(page->Entries()[0].text, threat.name.Get());
  EXPECT_EQ(QuickScan(engine), kScanDoneClean) << "the ignored threat is not reported";

  // Removed here: the next scan reports it again.
  page->RemoveIgnoreEntry(0);
  Pump();
  EXPECT_TRUE(page->Entries().empty());
  EXPECT_FALSE(page->List().IsWindowVisible());
  EXPECT_EQ(QuickScan(engine), kScanDoneThreats);

  // The scan folder added as a known folder: the next scan skips it.
  engine.AnswerNextFolderBrowser(engine.ScanFolder());
  ClickButton(*page, CIgnorePage::kIdAddFolder);
  ASSERT_EQ(page->Entries().size(), 1u);
  EXPECT_EQ(page->Entries()[0].text, engine.ScanFolder());
  EXPECT_NE(engine.ScanConfigText().find(L"FilePathType=\"6\""), std::wstring::npos);
  EXPECT_EQ(QuickScan(engine), kScanDoneClean) << "the known folder is skipped";
  EXPECT_TRUE(engine.MessageBoxes().empty());
}

}  // namespace
}  // namespace lists

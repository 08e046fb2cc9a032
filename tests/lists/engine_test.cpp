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
#include "pages/lists/QuarantinePage.h"
#include "support/EnginePageFixture.h"
#include "themedata/resource.h"

namespace SR = QVnsScanResults;
namespace SC = QVnsScanConfig;

namespace lists {
namespace {

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// Engine scan states.
constexpr long kScanDoneClean = 107;
constexpr long kScanDoneThreats = 109;
constexpr long kCleanDone = 111;
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

// Scans, then cleans every threat found with the given action; returns the
// threats' identifiers.
std::vector<std::uint32_t> ScanAndClean(EnginePageFixture& engine, int action) {
  if (QuickScan(engine) != kScanDoneThreats) return {};
  SR::CARDOThreatEngineResults results;
  std::wstring enginePath;
  if (!ReadResults(results, enginePath) || !results.threats) return {};
  std::vector<std::uint32_t> ids;
  for (auto& t : results.threats->threat) {
    t.actionRequested.Set(action);
    ids.push_back(t.id.Get());
  }
  std::wstring request;
  if (FAILED(WriteCleanRequest(results, enginePath, request))) return {};
  auto control = Checked(::Engine().ScanControl());
  engine.ClearScanStates();
  EngineString path(request);
  CheckEngine(control->CleanThreats(path.Get()), control);
  ::DeleteFileW(request.c_str());
  if (!engine.WaitScanState({kCleanDone, 112, 115})) return {};
  return ids;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE f = ::FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(fd.cFileName);
  } while (::FindNextFileW(f, &fd));
  ::FindClose(f);
  return names;
}

void ClickButton(CWnd& page, UINT id) {
  page.Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
            reinterpret_cast<LPARAM>(page.GetDlgItem(static_cast<int>(id))));
  Pump();
}

TEST(ListsWithEngine, QuarantinedTestFileIsListedRestoredAndDeleted) {
  EnginePageFixture engine;
  ASSERT_TRUE(engine.Start());
  CMainFrame& frame = engine.Frame();
  const std::string original = ReadFileBytes(engine.TestFile());
  ASSERT_EQ(original.size(), 68u);

  // Quarantined through a scan and a clean: the page lists it.
  ASSERT_FALSE(ScanAndClean(engine, 3).empty());
  ASSERT_FALSE(FileExists(engine.TestFile())) << "the clean took the file away";
  frame.SelectTab(CMainFrame::kTabQuarantine, true);
  Pump();
  CQuarantinePage* page = frame.QuarantinePage();
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(page->List().RecordCount(), 1);
  const ThreatRecord& row = page->List().Records()[0];
  EXPECT_FALSE(row.name.empty());
  EXPECT_EQ(row.dateText.size(), 10u) << Narrow(row.dateText);
  EXPECT_EQ(page->CountText(), std::to_wstring(row.traceCount));

  // Restore (answer No: restore only): the file is back byte for byte, the list empties.
  page->List().SetAllChecked(true);
  engine.AnswerNextMessageBox(IDNO);
  ClickButton(*page, IDC_QUARANTINE_RESTORE);
  EXPECT_EQ(ReadFileBytes(engine.TestFile()), original);
  EXPECT_EQ(page->List().RecordCount(), 0);
  EXPECT_EQ(page->CountText(), L"0");

  // A second item: quarantined, then deleted; its stored bytes leave the data folder.
  ASSERT_FALSE(ScanAndClean(engine, 3).empty());
  const std::wstring store = engine.DataFolder() + L"\\Quarantine\\Data";
  ASSERT_FALSE(FilesIn(store).empty());
  frame.SelectTab(CMainFrame::kTabOverview, true);
  frame.SelectTab(CMainFrame::kTabQuarantine, true);
  Pump();
  ASSERT_EQ(page->List().RecordCount(), 1);
  page->List().SetAllChecked(true);
  engine.AnswerNextMessageBox(IDYES);
  ClickButton(*page, IDC_QUARANTINE_DELETE);
  EXPECT_EQ(page->List().RecordCount(), 0);
  EXPECT_TRUE(FilesIn(store).empty());
  EXPECT_TRUE(FilesIn(engine.DataFolder() + L"\\Quarantine").empty());
  EXPECT_FALSE(FileExists(engine.TestFile()));
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
  ClickButton(*page, IDC_IGNORE_ADD_FOLDER);
  ASSERT_EQ(page->Entries().size(), 1u);
  EXPECT_EQ(page->Entries()[0].text, engine.ScanFolder());
  EXPECT_NE(engine.ScanConfigText().find(L"FilePathType=\"6\""), std::wstring::npos);
  EXPECT_EQ(QuickScan(engine), kScanDoneClean) << "the known folder is skipped";
  EXPECT_TRUE(engine.MessageBoxes().empty());
}

}  // namespace
}  // namespace lists

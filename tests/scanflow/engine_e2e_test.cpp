// The scan flow end to end against the reference engine: a custom scan that
// finds the standard antivirus test file, the results, the clean into the
// quarantine, the finished page; pause, resume and stop mid-scan; and an
// engine killed mid-scan and mid-clean.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "engine/EngineDocuments.h"
#include "engine/EngineSession.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanConfig.h"
#include "framework/Messages.h"
#include "pages/scan/CleaningPage.h"
#include "pages/scan/FinishedPage.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanningPage.h"
#include "support/EnginePageFixture.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace {

std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{sizeof pe};
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
    if (!_wcsicmp(pe.szExeFile, name)) out.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return out;
}

bool Kill(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  if (!h) return false;
  const bool ok = TerminateProcess(h, 9) != FALSE;
  WaitForSingleObject(h, 10000);
  CloseHandle(h);
  return ok;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

int CountFiles(const std::wstring& pattern) {
  int n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(pattern.c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  return n;
}

LONG EngineState() {
  auto control = Engine().ScanControl();
  LONG state = -1;
  unsigned char reboot = 0;
  if (!control || FAILED(control->GetScanState(&state, &reboot))) return -1;
  return state;
}

int64_t PairOf(const std::wstring& nvpairs, const wchar_t* name) {
  int64_t value = -12345;
  QVnsNVPairs::ReadPairInt64(nvpairs, name, value);
  return value;
}

class ScanFlowEngineTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fixture.Start()); }

  CMainFrame& Frame() { return fixture.Frame(); }
  CWnd* ScanTab() { return Frame().GetTabPage(CMainFrame::kTabScan); }
  CScanningPage& Scanning() { return *Frame().ScanningPage(); }

  // A folder under the fixture's custom folder with `clean` harmless files and
  // `threats` copies of the test file.
  std::wstring MakeFolder(const wchar_t* name, int clean, int threats, size_t cleanSize = 200) {
    const std::wstring dir = fixture.CustomFolder() + L"\\" + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    for (int i = 0; i < clean; ++i)
      WriteFileBytes(dir + L"\\clean" + std::to_wstring(i) + L".txt",
                     std::string(cleanSize, static_cast<char>('a' + i % 26)));
    for (int i = 0; i < threats; ++i)
      EXPECT_TRUE(EnginePageFixture::PlantTestFile(dir + L"\\t" + std::to_wstring(i) + L".com"));
    return dir;
  }

  // The custom scan's folder is chosen on the scan page, as the user does.
  void ChooseFolder(const std::wstring& dir) {
    Frame().SelectTab(CMainFrame::kTabScan, true);  // the scan page loads its folders
    fixture.AnswerNextFolderBrowser(dir);
    Frame().ScanPage()->OnAddFolder();
  }

  // How often the engine reports progress (smaller: a scan is followed closely).
  void SetProgressInterval(uint32_t ms) {
    QVnsScanConfig::CScanConfig cfg;
    ASSERT_EQ(0, cfg.ReadFromString(fixture.ScanConfigText()));
    cfg.ScanDetailCBIntervalMS.Set(ms);
    ASSERT_TRUE(SUCCEEDED(StoreDocument(cfg, EngineDocuments::kScanConfig)));
  }

  // What the flow shows now, for failure messages.
  std::string Where() {
    std::string out = "states:";
    for (long st : fixture.ScanStates()) out += " " + std::to_string(st);
    out += "; mode " + std::to_string(Scanning().Mode());
    out += Scanning().FollowingScan() ? ", following" : ", not following";
    out += "; records " + std::to_string(Scanning().ThreatList().RecordCount());
    CWnd* tab = ScanTab();
    out += tab == Frame().ResultsPage()    ? "; results page"
           : tab == Frame().FinishedPage() ? "; finished page"
           : tab == &Scanning()            ? "; scanning page"
                                           : "; other page";
    out += "; boxes " + std::to_string(fixture.MessageBoxes().size());
    for (const auto& box : fixture.MessageBoxes())
      out += " [" + std::string(box.text.begin(), box.text.end()) + "]";
    return out;
  }

  bool Told(UINT textId) {
    const std::wstring text = Theme().LoadResString(textId);
    for (const auto& box : fixture.MessageBoxes())
      if (box.text == text) return true;
    return false;
  }

  int Profile(const wchar_t* name) { return fixture.App().ReadProfileInt(name, 0); }

  EnginePageFixture fixture;
};

TEST_F(ScanFlowEngineTest, CustomScanFindsTheTestFileCleansItToQuarantineThenFindsNothing) {
  const std::wstring dir = MakeFolder(L"case", 5, 1);
  const std::wstring threatFile = dir + L"\\t0.com";
  ChooseFolder(dir);
  Frame().BeginScan(kScanCustom);
  EXPECT_EQ(&Scanning(), ScanTab());
  EXPECT_TRUE(Frame().NavigationLocked());

  // The scan ends on the results page, after the threat showed on the
  // scanning page under its red banner.
  ASSERT_TRUE(PumpUntil([&] { return ScanTab() == Frame().ResultsPage(); }, 60000)) << Where();
  EXPECT_TRUE(Scanning().ThreatBanner());
  ASSERT_EQ(1, Scanning().ThreatList().RecordCount());
  EXPECT_EQ(L"EICAR-Test-File", Scanning().ThreatList().Records()[0].name);
  EXPECT_EQ(1, Profile(settings::kScanCount));
  std::wstring pairs = fixture.NVPairsText();
  EXPECT_EQ(1, PairOf(pairs, L"last_scan_threat_count"));
  EXPECT_EQ(1, PairOf(pairs, L"last_scan_item_count"));

  // Clean: the engine's advice for the test file is the quarantine.
  CResultsPage& results = *Frame().ResultsPage();
  results.Send(WM_COMMAND, MAKEWPARAM(IDC_RESULTS_CLEAN_BOTTOM, BN_CLICKED), 0);
  ASSERT_TRUE(PumpUntil([&] { return ScanTab() == Frame().FinishedPage(); }, 60000));
  CFinishedPage& finished = *Frame().FinishedPage();
  EXPECT_EQ(scan_flow::kCleaned, finished.State());
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_FALSE(Exists(threatFile));
  EXPECT_EQ(1, CountFiles(fixture.DataFolder() + L"\\Quarantine\\*.xml"));
  EXPECT_EQ(L"1\n1\n1\n0", finished.Numbers());
  EXPECT_GE(Profile(settings::kCleanCount), 1);
  ASSERT_NE(nullptr, finished.BorrowedList());
  EXPECT_EQ(1, finished.BorrowedList()->HandledRecords());
  pairs = fixture.NVPairsText();
  EXPECT_EQ(0, PairOf(pairs, L"last_scan_threat_count"));
  EXPECT_EQ(6, PairOf(pairs, L"last_scan_threat_level"));

  // A second scan finds nothing and ends on the finished page.
  Frame().BeginScan(kScanCustom);
  ASSERT_TRUE(PumpUntil(
      [&] { return !Scanning().FollowingScan() && ScanTab() == Frame().FinishedPage(); }, 60000));
  EXPECT_EQ(scan_flow::kNothingFound, finished.State());
  EXPECT_EQ(0, Scanning().ThreatList().RecordCount());
  EXPECT_EQ(2, Profile(settings::kScanCount));
  pairs = fixture.NVPairsText();
  EXPECT_EQ(0, PairOf(pairs, L"last_scan_threat_count"));
  EXPECT_EQ(0, PairOf(pairs, L"last_scan_item_count"));
  EXPECT_EQ(6, PairOf(pairs, L"last_scan_threat_level"));
  EXPECT_TRUE(fixture.MessageBoxes().empty());
}

TEST_F(ScanFlowEngineTest, PauseResumeAndStopMidScan) {
  const std::wstring dir = MakeFolder(L"big", 3000, 1, 4096);
  SetProgressInterval(20);
  ChooseFolder(dir);
  Frame().BeginScan(kScanCustom);
  ASSERT_TRUE(PumpUntil([&] { return Scanning().Mode() == scan_flow::kModeScanning; }, 60000));

  Scanning().Send(WM_COMMAND, MAKEWPARAM(IDC_SCANNING_PAUSE, BN_CLICKED), 0);
  ASSERT_EQ(scan_flow::kModePaused, Scanning().Mode()) << Where();
  ASSERT_TRUE(PumpUntil([] { return EngineState() == 114; }, 10000)) << Where();
  EXPECT_EQ(scan_flow::kModePaused, Scanning().Mode()) << "progress already on its way";
  // Paused: the count stays where it is.
  wchar_t before[32] = {}, after[32] = {};
  PumpUntil([] { return false; }, 300);
  GetDlgItemTextW(Scanning().m_hWnd, IDC_SCANNING_COUNT, before, 32);
  PumpUntil([] { return false; }, 700);
  GetDlgItemTextW(Scanning().m_hWnd, IDC_SCANNING_COUNT, after, 32);
  EXPECT_STREQ(before, after);

  fixture.ClearScanStates();
  Scanning().Send(WM_COMMAND, MAKEWPARAM(IDC_SCANNING_RESUME, BN_CLICKED), 0);
  ASSERT_TRUE(PumpUntil([] { return EngineState() == 1; }, 10000)) << Where();
  EXPECT_EQ(scan_flow::kModeScanning, Scanning().Mode());
  EXPECT_TRUE(Scanning().FollowingScan());

  // Stop (answered Yes): the scan ends without being counted.
  fixture.AnswerNextMessageBox(IDYES);
  Scanning().Send(WM_COMMAND, MAKEWPARAM(IDC_SCANNING_STOP, BN_CLICKED), 0);
  ASSERT_TRUE(PumpUntil([&] { return !Scanning().FollowingScan(); }, 30000));
  EXPECT_EQ(0, Profile(settings::kScanCount));
  EXPECT_TRUE(ScanTab() == Frame().ResultsPage() || ScanTab() == Frame().FinishedPage());
  EXPECT_FALSE(Told(IDS_SCAN_FAILED));
}

// The engine's process ends while the window follows its work: the window
// stays usable, unlocks and says so; the frame's reconnection finds a new
// engine (once the prefix's rpcss has forgotten the dead one), a new scan works
// and nothing stored is lost.
TEST_F(ScanFlowEngineTest, EngineKilledMidScanThenANewScanWorks) {
  const std::wstring big = MakeFolder(L"big", 3000, 0, 4096);
  const std::wstring small = MakeFolder(L"small", 3, 1);
  SetProgressInterval(20);
  ChooseFolder(big);
  fixture.App().WriteProfileInt(settings::kShowCloseDlg, 0);
  Frame().BeginScan(kScanCustom);
  ASSERT_TRUE(PumpUntil([&] { return Scanning().Mode() == scan_flow::kModeScanning; }, 60000));
  // Paused first, so that the engine certainly dies mid-scan.
  Scanning().Send(WM_COMMAND, MAKEWPARAM(IDC_SCANNING_PAUSE, BN_CLICKED), 0);
  ASSERT_TRUE(Scanning().FollowingScan()) << Where();
  const std::vector<DWORD> engines = ProcessesNamed(L"RodeRedudEngine.exe");
  ASSERT_EQ(1u, engines.size());
  ASSERT_TRUE(Kill(engines[0]));

  ASSERT_TRUE(PumpUntil([&] { return !Scanning().FollowingScan(); }, 15000)) << Where();
  EXPECT_TRUE(Told(IDS_ENGINE_STOPPED));
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
  EXPECT_TRUE(IsWindow(Frame().m_hWnd));

  // The prefix's rpcss keeps the dead server's registration until it restarts.
  for (DWORD pid : ProcessesNamed(L"rpcss.exe")) Kill(pid);
  ASSERT_TRUE(PumpUntil([] { return SUCCEEDED(Engine().PingHeld()); }, 30000));
  EXPECT_EQ(1u, ProcessesNamed(L"RodeRedudEngine.exe").size());

  // Nothing stored was lost: the custom folder and the profile are as they were.
  EXPECT_NE(std::wstring::npos, fixture.ScanConfigText().find(big.substr(big.rfind(L'\\') + 1)));
  EXPECT_EQ(0, fixture.App().ReadProfileInt(settings::kShowCloseDlg, 1));

  ChooseFolder(small);
  Frame().ScanPage()->RemoveFolderAt(0);
  Frame().BeginScan(kScanCustom);
  ASSERT_TRUE(PumpUntil([&] { return ScanTab() == Frame().ResultsPage(); }, 60000));
  EXPECT_EQ(1, Scanning().ThreatList().RecordCount());
}

TEST_F(ScanFlowEngineTest, EngineKilledMidCleanUnlocksAndTells) {
  const std::wstring dir = MakeFolder(L"many", 0, 400);
  ChooseFolder(dir);
  Frame().BeginScan(kScanCustom);
  ASSERT_TRUE(PumpUntil([&] { return ScanTab() == Frame().ResultsPage(); }, 120000)) << Where();
  CCleaningPage& cleaning = *Frame().CleaningPage();
  Frame().ResultsPage()->Send(WM_COMMAND, MAKEWPARAM(IDC_RESULTS_CLEAN_BOTTOM, BN_CLICKED), 0);
  ASSERT_EQ(&cleaning, ScanTab());
  ASSERT_TRUE(PumpUntil([&] { return cleaning.ThreatList().HandledTraces() > 0; }, 30000));
  ASSERT_TRUE(cleaning.Cleaning()) << "the cleaning ended before the engine could be killed";
  const std::vector<DWORD> engines = ProcessesNamed(L"RodeRedudEngine.exe");
  ASSERT_EQ(1u, engines.size());
  ASSERT_TRUE(Kill(engines[0]));

  ASSERT_TRUE(PumpUntil([&] { return !cleaning.Cleaning(); }, 15000));
  EXPECT_TRUE(Told(IDS_ENGINE_STOPPED));
  EXPECT_FALSE(Frame().NavigationLocked());
  EXPECT_EQ(CMainFrame::kTabOverview, Frame().GetActiveTab());
  for (DWORD pid : ProcessesNamed(L"rpcss.exe")) Kill(pid);
  ASSERT_TRUE(PumpUntil([] { return SUCCEEDED(Engine().PingHeld()); }, 30000));
}

}  // namespace

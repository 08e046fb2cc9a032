// The overview and scan pages as real windows in the main frame, against the
// fake engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/NVPairsEngine.h"
#include "engine/documents/ScanConfig.h"
#include "framework/Wnd.h"
#include "pages/scan/OverviewPage.h"
#include "pages/scan/ScanPage.h"
#include "pages/scan/ScanningPage.h"
#include "support/EnginePageFixture.h"
#include "support/FakeEngine.h"
#include "support/FrameHarness.h"
#include "support/ScanConfigText.h"
#include "theme/ThemeResources.h"
#include "themedata/resource.h"

namespace SC = QVnsScanConfig;

namespace {

std::string Show(const std::wstring& s) { return ::testing::PrintToString(s); }

std::wstring PairsDoc(const std::wstring& pairs) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">" + pairs +
         L"</NVPairs>";
}

std::wstring Pair(const std::wstring& name, const std::wstring& value) {
  return L"<NVPair Name=\"" + name + L"\" Value=\"" + value + L"\"/>";
}

// FILETIME ticks of a local wall-clock time, as decimal text.
std::wstring LocalTicksText(WORD y, WORD mo, WORD d, WORD h, WORD mi) {
  SYSTEMTIME local{y, mo, 0, d, h, mi, 0, 0}, utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return std::to_wstring((static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

std::wstring Res(UINT id) { return Theme().LoadResString(id); }

std::wstring Upper(std::wstring s) {
  CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

SC::CScanConfig ParseScanConfig(const std::wstring& text) {
  SC::CScanConfig config;
  EXPECT_EQ(config.ReadFromMemory(text.data(), text.size() * sizeof(wchar_t)), 0) << Show(text);
  return config;
}

std::vector<std::wstring> StoredCustomFolders(const std::wstring& text) {
  std::vector<std::wstring> out;
  SC::CScanConfig config = ParseScanConfig(text);
  if (const auto* settings = config.ScanSettings.Get())
    for (const auto& s : settings->ScanSetting)
      if (s.ScanType.Get() == 2 && s.PathsToScan.Get()) {
        for (const auto& p : s.PathsToScan.Get()->Paths) out.push_back(p.Path.Get());
        break;
      }
  return out;
}

// A scratch folder with sub-folders that exist on disk.
class ScratchFolders {
 public:
  ScratchFolders() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    GUID g{};
    CoCreateGuid(&g);
    m_root = std::wstring(tmp) + L"RrOverview_" + std::to_wstring(g.Data1);
    CreateDirectoryW(m_root.c_str(), nullptr);
  }
  ~ScratchFolders() {
    for (auto it = m_made.rbegin(); it != m_made.rend(); ++it) RemoveDirectoryW(it->c_str());
    RemoveDirectoryW(m_root.c_str());
  }
  std::wstring Make(const std::wstring& name) {
    std::wstring path = m_root + L"\\" + name;
    CreateDirectoryW(path.c_str(), nullptr);
    m_made.push_back(path);
    return path;
  }

 private:
  std::wstring m_root;
  std::vector<std::wstring> m_made;
};

// Pumps with the message loop's keyboard pre-translation (Tab, Enter, Space).
void PumpKeys(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  MSG m;
  do {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (fw::PreTranslate(m)) continue;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(1);
  } while (GetTickCount64() < end);
}

// A key pressed and released on the focused window, through the loop.
void PressKey(WORD vk) {
  HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, vk, 1);
  PostMessageW(focus, WM_KEYUP, vk, 0xC0000001);
  PumpKeys(30);
}

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.Start(800, 600));
    auto& seams = h.App().Seams();
    seams.messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
      boxes.push_back(text);
      return IDOK;
    };
    seams.browseForFolder = [this](const BROWSEINFOW& info) -> std::optional<std::wstring> {
      ++browsed;
      browseFlags = info.ulFlags;
      if (answers.empty()) return std::nullopt;
      auto a = answers.front();
      answers.erase(answers.begin());
      return a;
    };
    PumpFor(50);
  }
  void TearDown() override {
    // A scan left pending must not reach the next test.
    try {
      CScanController::Instance().CancelScan();
    } catch (const EngineError&) {
    }
  }

  FakeEngine& E() { return h.Engine(); }
  COverviewPage& Overview() { return *h.Frame().OverviewPage(); }
  CScanPage& Scan() { return *h.Frame().ScanPage(); }
  void ShowScanPage() {
    h.Frame().SelectTab(CMainFrame::kTabScan, true);
    PumpFor(20);
  }
  void ShowOverview() {
    h.Frame().SelectTab(CMainFrame::kTabOverview, true);
    PumpFor(20);
  }

  FrameHarness h;
  std::vector<std::wstring> boxes;
  std::vector<std::optional<std::wstring>> answers;
  int browsed = 0;
  UINT browseFlags = 0;
};

}  // namespace

// ---- overview ----------------------------------------------------------------------

TEST_F(PagesTest, StatusBannerFromThePairsAsShown) {
  const std::wstring may12 = LocalTicksText(2009, 5, 12, 14, 5);
  struct Row {
    const char* name;
    std::wstring pairs;
    OverviewStatus status;
    UINT message;
    const wchar_t* quick;  // null: text 233
    const wchar_t* full;
  } rows[] = {
      {"fresh install", L"", kStatusOrange, 229, nullptr, nullptr},
      {"fresh install, pairs at start values",
       Pair(L"last_full_scan", L"0") + Pair(L"last_quick_scan", L"0") +
           Pair(L"last_scan_threat_count", L"0") + Pair(L"last_scan_threat_level", L"-1"),
       kStatusOrange, 229, nullptr, nullptr},
      {"count 0 with a quick scan",
       Pair(L"last_quick_scan", may12) + Pair(L"last_scan_threat_count", L"0"), kStatusGreen, 230,
       L"Tuesday, 12 May 2009", nullptr},
      {"count 3 level 2",
       Pair(L"last_full_scan", may12) + Pair(L"last_scan_threat_count", L"3") +
           Pair(L"last_scan_threat_level", L"2"),
       kStatusRed, 231, nullptr, L"Tuesday, 12 May 2009"},
      {"count 3 level 6",
       Pair(L"last_quick_scan", may12) + Pair(L"last_scan_threat_count", L"3") +
           Pair(L"last_scan_threat_level", L"6"),
       kStatusGreen, 230, L"Tuesday, 12 May 2009", nullptr},
      {"count 3 level -1",
       Pair(L"last_quick_scan", may12) + Pair(L"last_scan_threat_count", L"3") +
           Pair(L"last_scan_threat_level", L"-1"),
       kStatusOrange, 232, L"Tuesday, 12 May 2009", nullptr},
      {"garbled times and count",
       Pair(L"last_full_scan", L"yesterday") + Pair(L"last_quick_scan", L"-77") +
           Pair(L"last_scan_threat_count", L"lots") + Pair(L"last_scan_threat_level", L"x"),
       kStatusGreen, 230, nullptr, nullptr},
      {"times out of range",
       Pair(L"last_full_scan", L"99999999999999999999999") +
           Pair(L"last_quick_scan", L"9223372036854775807") +
           Pair(L"last_scan_threat_count", L"99999999999") + Pair(L"last_scan_threat_level", L"1"),
       kStatusRed, 231, nullptr, nullptr},
  };
  for (const Row& r : rows) {
    E().SetText(L"GetConfigDocument", PairsDoc(r.pairs));
    Overview().RefreshScanSummary();
    EXPECT_EQ(Overview().Status(), r.status) << r.name;
    EXPECT_EQ(Overview().Message(), Res(r.message)) << r.name;
    EXPECT_EQ(Overview().LastQuickScanText(), r.quick ? r.quick : Res(233)) << r.name;
    EXPECT_EQ(Overview().LastFullScanText(), r.full ? r.full : Res(233)) << r.name;
  }
}

TEST_F(PagesTest, PairsFoundWithoutRegardToCaseAndEnsuredExactly) {
  const std::wstring may12 = LocalTicksText(2009, 5, 12, 14, 5);
  E().SetText(L"GetConfigDocument", PairsDoc(Pair(L"LAST_FULL_SCAN", may12)));
  int64_t full = 0;
  EXPECT_TRUE(ReadPairInt64(L"last_full_scan", full));
  EXPECT_EQ(std::to_wstring(full), may12);

  // The exact comparison appends a lower-case pair after the capitalised one.
  EXPECT_TRUE(EnsureScanSummaryPairs());
  QVnsNVPairs::CNVPairs doc;
  const std::wstring stored = E().Text(L"GetConfigDocument");
  ASSERT_EQ(doc.ReadFromMemory(stored.data(), stored.size() * sizeof(wchar_t)), 0);
  ASSERT_EQ(doc.NVPair.Count(), 6u);
  EXPECT_EQ(doc.NVPair[0].Name.Get(), L"LAST_FULL_SCAN");
  EXPECT_EQ(doc.NVPair[1].Name.Get(), L"last_full_scan");
  EXPECT_EQ(doc.NVPair[1].Value.Get(), L"0");
  EXPECT_EQ(doc.NVPair[5].Name.Get(), L"last_scan_threat_level");
  EXPECT_EQ(doc.NVPair[5].Value.Get(), L"-1");
  EXPECT_FALSE(EnsureScanSummaryPairs()) << "nothing more to append";

  // Reads and writes keep finding the earlier, capitalised pair; so does the page.
  Overview().RefreshScanSummary();
  EXPECT_EQ(Overview().LastFullScanText(), L"Tuesday, 12 May 2009");
  EXPECT_TRUE(WritePairInt64(L"last_full_scan", 42));
  ASSERT_TRUE(ReadPairInt64(L"Last_Full_Scan", full));
  EXPECT_EQ(full, 42);
  const std::wstring rewritten = E().Text(L"GetConfigDocument");
  QVnsNVPairs::CNVPairs after;
  ASSERT_EQ(after.ReadFromMemory(rewritten.data(), rewritten.size() * sizeof(wchar_t)), 0);
  ASSERT_EQ(after.NVPair.Count(), 6u);
  EXPECT_EQ(after.NVPair[0].Value.Get(), L"42") << Show(rewritten);
  EXPECT_EQ(after.NVPair[1].Value.Get(), L"0") << Show(rewritten);

  // Writing a pair the document lacks changes nothing and stores nothing.
  E().SetText(L"GetConfigDocument", PairsDoc(Pair(L"other", L"1")));
  E().ClearCalls();
  EXPECT_FALSE(WritePairInt64(L"last_full_scan", 7));
  EXPECT_EQ(E().CallCount(L"SetConfigDocument"), 0);
  EXPECT_EQ(E().Text(L"GetConfigDocument"), PairsDoc(Pair(L"other", L"1")));
}

TEST_F(PagesTest, DefinitionsDateTexts) {
  struct Row {
    const wchar_t* engine;
    std::wstring date;
    const wchar_t* time;
  } rows[] = {
      {L"2009-05-12T14:05:00", L"12 May 2009", L"02:05 PM"},
      {L"1990-05-01T10:00:00", Res(195), L""},
      {L"", Res(195), L""},
      {L"2009-05-12T14:05", L"12 May 2009", L"02:05 PM"},
      {L"tomorrow", Res(195), L""},
  };
  for (const Row& r : rows) {
    E().SetText(L"GetDefinitionsStatus", r.engine);
    Overview().RefreshDefinitionsDate();
    EXPECT_EQ(Overview().DefinitionsDateText(), r.date) << Show(r.engine);
    EXPECT_EQ(Overview().DefinitionsTimeText(), r.time) << Show(r.engine);
  }
}

TEST_F(PagesTest, DefinitionsTheEngineCannotAnswer) {
  // Known once; a later failure keeps the date, the error escapes the refresh.
  E().SetText(L"GetDefinitionsStatus", L"2009-05-12T14:05:00");
  Overview().RefreshDefinitionsDate();
  E().Fail(L"GetDefinitionsStatus", E_FAIL);
  EXPECT_THROW(Overview().RefreshDefinitionsDate(), EngineError);
  EXPECT_EQ(Overview().DefinitionsDateText(), L"12 May 2009");
  // A page that never got an answer says the date is unknown, and the other
  // facts are still read when the page is shown.
  E().Fail(L"GetDefinitionsStatus", E_FAIL);
  h.App().WriteProfileInt(settings::kCleanCount, 4);
  COverviewPage page;
  ASSERT_TRUE(page.Create(h.Frame().m_hWnd));
  EXPECT_EQ(page.DefinitionsDateText(), Res(195));
  EXPECT_EQ(page.DefinitionsTimeText(), L"");
  EXPECT_EQ(page.CleanCountText(), L"4 threats removed");
  EXPECT_EQ(page.Message(), Res(229));
}

TEST_F(PagesTest, DefinitionsEventRefreshesTheDate) {
  EXPECT_TRUE(Overview().ListensForDefinitions());
  E().SetText(L"GetDefinitionsStatus", L"2011-02-03T04:05:06");
  for (LONG status : {0L, 3L, 42L}) {
    E().SetText(L"GetDefinitionsStatus",
                status == 3 ? L"2012-03-04T16:00:00" : L"2011-02-03T04:05:06");
    EXPECT_GE(E().FireDefinitionsUpdateStatus(status, 0, 0, CEngineSession::kServiceSlot), 1);
    PumpFor(10);
    EXPECT_EQ(Overview().DefinitionsDateText(),
              status == 3 ? L"04 March 2012" : L"03 February 2011")
        << "status " << status;
  }
  EXPECT_EQ(E().FireDefinitionsEvent5(7, CEngineSession::kServiceSlot), 0);
  // A failing engine inside the event is kept out of the engine's call.
  E().Fail(L"GetDefinitionsStatus", E_FAIL);
  EXPECT_GE(E().FireDefinitionsUpdateStatus(2, 0, 0, CEngineSession::kServiceSlot), 1);
  EXPECT_EQ(Overview().DefinitionsDateText(), L"03 February 2011");
}

TEST_F(PagesTest, LastScanLineByKind) {
  struct Row {
    LONG type;
    HRESULT result;
    const wchar_t* when;
    std::wstring line;
  } rows[] = {
      {1, S_OK, L"2009-05-12T14:05:00", L"Tuesday, 12 May 2009 at 02:05 PM  [" + Res(224) + L"]"},
      {0, S_OK, L"2009-05-12T14:05:00", L"Tuesday, 12 May 2009 at 02:05 PM  [" + Res(225) + L"]"},
      {2, S_OK, L"2009-05-12T14:05:00", L"Tuesday, 12 May 2009 at 02:05 PM  [" + Res(226) + L"]"},
      {3, S_OK, L"2009-05-12T14:05:00", L"Tuesday, 12 May 2009 at 02:05 PM"},
      {1, S_OK, L"1601-05-12T14:05:00", Res(227)},
      // No finished scan: the line stays as it was.
      {1, S_FALSE, L"2010-01-01T00:00:00", Res(227)},
  };
  for (const Row& r : rows) {
    E().values().lastScanType = r.type;
    E().values().lastScanResult = r.result;
    E().SetText(L"GetLastScan", r.when);
    Overview().RefreshLastScan();
    EXPECT_EQ(Overview().LastScanLine(), r.line) << r.type << " " << Show(r.when);
  }
}

TEST_F(PagesTest, CleanCountAndInstallationDate) {
  h.App().WriteProfileInt(settings::kCleanCount, 17);
  // The installation time lives in the machine key; keep what was there.
  const std::wstring key = settings::MachineKeyPathFromTheme();
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &k, nullptr),
            ERROR_SUCCESS);
  ULONGLONG saved = 0;
  DWORD size = sizeof saved, type = 0;
  const bool had = RegQueryValueExW(k, settings::kInstallTime, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&saved), &size) == ERROR_SUCCESS;
  const ULONGLONG installed = std::stoull(LocalTicksText(2026, 3, 4, 12, 0));
  RegSetValueExW(k, settings::kInstallTime, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&installed),
                 sizeof installed);
  Overview().RefreshCleanCount();
  EXPECT_EQ(Overview().CleanCountText(), L"17 threats removed");
  EXPECT_EQ(Overview().InstallDateText(), L"04 March 2026");
  // A value of the wrong type keeps the previous text.
  RegSetValueExW(k, settings::kInstallTime, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 4);
  Overview().RefreshCleanCount();
  EXPECT_EQ(Overview().InstallDateText(), L"04 March 2026");
  if (had)
    RegSetValueExW(k, settings::kInstallTime, 0, type, reinterpret_cast<const BYTE*>(&saved), size);
  else
    RegDeleteValueW(k, settings::kInstallTime);
  RegCloseKey(k);
}

TEST_F(PagesTest, ShowingTheTabReadsEverythingAgain) {
  ShowScanPage();
  E().SetText(
      L"GetConfigDocument",
      PairsDoc(Pair(L"last_quick_scan", LocalTicksText(2009, 5, 12, 14, 5)) +
               Pair(L"last_scan_threat_count", L"2") + Pair(L"last_scan_threat_level", L"1")));
  E().SetText(L"GetDefinitionsStatus", L"2020-01-02T03:04:05");
  ShowOverview();
  EXPECT_EQ(Overview().Status(), kStatusRed);
  EXPECT_EQ(Overview().LastQuickScanText(), L"Tuesday, 12 May 2009");
  EXPECT_EQ(Overview().DefinitionsDateText(), L"02 January 2020");
}

TEST_F(PagesTest, ARefreshAsksTheEngineOnceForEachFact) {
  E().ClearCalls();
  Overview().RefreshAll();  // as when the page is shown
  EXPECT_EQ(E().CallCount(L"Ping"), 1) << "one liveness probe for every read";
  EXPECT_EQ(E().CallCount(L"GetConfigDocument"), 1) << "one name/value fetch for every pair";
  EXPECT_EQ(E().CallCount(L"GetDefinitionsStatus"), 1);
  EXPECT_EQ(E().CallCount(L"GetLastScan"), 1);
}

TEST_F(PagesTest, SwitchingFromTheScanTabAsksOnlyForTheOverviewsFacts) {
  ScratchFolders dirs;
  E().SetText(L"GetScanConfig", ScanConfigDoc({LowerPath(dirs.Make(L"a"))}));
  ShowScanPage();
  E().ClearCalls();
  h.Frame().SelectTab(CMainFrame::kTabOverview, true);
  PumpFor(20);
  EXPECT_EQ(E().CallOrder(), (std::vector<std::wstring>{L"Ping", L"GetDefinitionsStatus",
                                                        L"GetLastScan", L"GetConfigDocument"}));
}

TEST_F(PagesTest, EngineDownWhenShownLeavesThePageUsable) {
  E().SetText(L"GetDefinitionsStatus", L"2020-01-02T03:04:05");
  Overview().RefreshAll();
  ShowScanPage();
  // The engine goes away and cannot be created again for now.
  for (int slot = 0; slot < CEngineSession::kSlotCount; ++slot)
    E().FailCreate(slot, CO_E_SERVER_EXEC_FAILURE);
  E().Fail(L"Ping", RPC_E_DISCONNECTED);
  ShowOverview();
  EXPECT_TRUE(Overview().IsWindowVisible());
  EXPECT_EQ(Overview().DefinitionsDateText(), L"02 January 2020");
  EXPECT_EQ(Overview().Message(), Res(229)) << "pairs read as missing";
  EXPECT_GT(Overview().Layout().banner.Width, 0);
  EXPECT_TRUE(IsWindowVisible(Overview().GetDlgItem(IDC_OVERVIEW_START_SCAN)));
  // The engine reports its stop: the frame retries by its reconnection timer.
  E().FireServiceStatusChanged(0);
  PumpFor(20);
  // Back again: the next show reads everything.
  for (int slot = 0; slot < CEngineSession::kSlotCount; ++slot) E().FailCreate(slot, 0);
  E().ClearFailure(L"Ping");
  E().SetText(L"GetDefinitionsStatus", L"2021-01-02T03:04:05");
  ShowScanPage();
  ShowOverview();
  EXPECT_EQ(Overview().DefinitionsDateText(), L"02 January 2021");
}

TEST_F(PagesTest, StartButtonBeginsAQuickScan) {
  E().SetText(L"GetScanConfig", ScanConfigDoc({L"c:\\kept"}));
  E().ClearCalls();
  PostMessageW(Overview().m_hWnd, WM_COMMAND, IDC_OVERVIEW_START_SCAN, 0);
  PumpFor(30);
  EXPECT_EQ(E().CallCount(L"ResetScan"), 1);
  ASSERT_EQ(E().CallCount(L"StartScan"), 1);
  EXPECT_EQ(E().Calls(L"StartScan")[0].args[0], L"0");
  EXPECT_EQ(h.Frame().GetTabPage(CMainFrame::kTabScan), h.Frame().ScanningPage());
  EXPECT_EQ(h.Frame().GetActiveTab(), CMainFrame::kTabScan);
  EXPECT_TRUE(h.Frame().NavigationLocked());
  // The scan page was never shown: the stored custom folders stay as they were.
  const std::wstring stored = E().Stored(L"SetScanConfig");
  EXPECT_EQ(StoredCustomFolders(stored), (std::vector<std::wstring>{L"c:\\kept"}));
  EXPECT_TRUE(ParseScanConfig(stored).ShowUserScanResultsManual.Get());
}

TEST_F(PagesTest, CustomButtonLeadsToTheScanPageWithoutScanning) {
  E().ClearCalls();
  PostMessageW(Overview().m_hWnd, WM_COMMAND, IDC_OVERVIEW_CUSTOM_SCAN, 0);
  PumpFor(30);
  EXPECT_EQ(h.Frame().GetActiveTab(), CMainFrame::kTabScan);
  EXPECT_EQ(h.Frame().GetTabPage(CMainFrame::kTabScan), &Scan());
  EXPECT_EQ(Scan().ChosenScanKind(), 2);
  EXPECT_TRUE(IsWindowEnabled(Scan().GetDlgItem(IDC_SCAN_ADD_FOLDER)));
  EXPECT_TRUE(Scan().FolderList().IsWindowEnabled());
  EXPECT_EQ(E().CallCount(L"StartScan"), 0);
  EXPECT_EQ(E().CallCount(L"ResetScan"), 0);
  EXPECT_FALSE(h.Frame().NavigationLocked());
}

TEST_F(PagesTest, OverviewButtonsByKeyboard) {
  ShowOverview();
  HWND custom = Overview().GetDlgItem(IDC_OVERVIEW_CUSTOM_SCAN);
  HWND start = Overview().GetDlgItem(IDC_OVERVIEW_START_SCAN);
  SetFocus(custom);
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), start) << "Tab moves from the custom button to the start button";
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), custom);
  // Space on the custom scan button.
  PressKey(VK_SPACE);
  PumpKeys(30);
  EXPECT_EQ(h.Frame().GetActiveTab(), CMainFrame::kTabScan);
  // Enter on the start button.
  ShowOverview();
  SetFocus(start);
  E().ClearCalls();
  PressKey(VK_RETURN);
  PumpKeys(30);
  EXPECT_EQ(E().CallCount(L"StartScan"), 1);
}

// ---- scan page ----------------------------------------------------------------------

TEST_F(PagesTest, ChoicesEnableTheFolderListOnlyForCustom) {
  ShowScanPage();
  EXPECT_EQ(Scan().ChosenScanKind(), 0);
  EXPECT_FALSE(Scan().FolderList().IsWindowEnabled());
  struct Row {
    UINT option;
    LONG kind;
    bool listEnabled;
  } rows[] = {{IDC_SCAN_CUSTOM, 2, true},
              {IDC_SCAN_FULL, 1, false},
              {IDC_SCAN_CUSTOM, 2, true},
              {IDC_SCAN_QUICK, 0, false}};
  for (const Row& r : rows) {
    SendMessageW(Scan().m_hWnd, WM_COMMAND, MAKEWPARAM(r.option, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Scan().GetDlgItem(r.option)));
    EXPECT_EQ(Scan().ChosenScanKind(), r.kind) << r.option;
    EXPECT_EQ(Scan().FolderList().IsWindowEnabled() != FALSE, r.listEnabled) << r.option;
    EXPECT_EQ(IsWindowEnabled(Scan().GetDlgItem(IDC_SCAN_ADD_FOLDER)) != FALSE, r.listEnabled)
        << r.option;
    int checked = 0;
    for (UINT id : {IDC_SCAN_QUICK, IDC_SCAN_FULL, IDC_SCAN_CUSTOM})
      checked += SendMessageW(Scan().GetDlgItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    EXPECT_EQ(checked, 1) << "exactly one choice checked after " << r.option;
  }
}

TEST_F(PagesTest, AddingFoldersThroughTheBrowser) {
  ScratchFolders dirs;
  const std::wstring data = dirs.Make(L"Data");
  E().SetText(L"GetScanConfig", ScanConfigDoc({}));
  ShowScanPage();
  Scan().ChooseCustomScan();
  struct Row {
    const char* name;
    std::vector<std::optional<std::wstring>> answers;
    int openings;
    size_t boxes;
    std::vector<std::wstring> listed;
  } rows[] = {
      {"cancel adds nothing, says nothing", {std::nullopt}, 1, 0, {}},
      {"a new folder is stored in lower case", {data}, 1, 0, {LowerPath(data)}},
      {"the same folder in capitals is refused", {Upper(data)}, 1, 1, {LowerPath(data)}},
      {"an item without a folder opens the browser again, then cancel",
       {L"", L"z:\\no\\such\\folder", std::nullopt},
       3,
       0,
       {LowerPath(data)}},
  };
  for (Row& r : rows) {
    answers = r.answers;
    browsed = 0;
    boxes.clear();
    SendMessageW(Scan().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SCAN_ADD_FOLDER, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Scan().GetDlgItem(IDC_SCAN_ADD_FOLDER)));
    EXPECT_EQ(browsed, r.openings) << r.name;
    EXPECT_EQ(boxes.size(), r.boxes) << r.name;
    if (r.boxes) {
      EXPECT_EQ(boxes[0], Res(197)) << r.name;
    }
    EXPECT_EQ(Scan().CustomPaths(), r.listed) << r.name;
    EXPECT_EQ(Scan().FolderList().GetItemCount(), static_cast<int>(r.listed.size())) << r.name;
    EXPECT_EQ(Scan().FolderList().IsWindowVisible() != FALSE, !r.listed.empty()) << r.name;
  }
  EXPECT_EQ(browseFlags, 0x261u);
}

TEST_F(PagesTest, ShownPageDropsFoldersThatNoLongerExist) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a")), c = LowerPath(dirs.Make(L"c"));
  const std::wstring gone = a.substr(0, a.size() - 1) + L"gone";
  E().SetText(L"GetScanConfig", ScanConfigDoc({a, gone, c}));
  ShowScanPage();
  EXPECT_EQ(Scan().CustomPaths(), (std::vector<std::wstring>{a, c}));
  EXPECT_EQ(StoredCustomFolders(E().Text(L"GetScanConfig")), (std::vector<std::wstring>{a, c}));
  EXPECT_EQ(Scan().FolderList().GetItemCount(), 2);
}

TEST_F(PagesTest, RemovingAFolderThatNoLongerExists) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a"));
  const std::wstring b = LowerPath(dirs.Make(L"b"));
  E().SetText(L"GetScanConfig", ScanConfigDoc({a, b}));
  ShowScanPage();
  Scan().ChooseCustomScan();
  ASSERT_EQ(Scan().CustomPaths().size(), 2u);
  RemoveDirectoryW(b.c_str());
  // The remove button of the second row, clicked with the mouse.
  const RECT button = Scan().FolderList().ButtonRect(1, CScanPage::kRemoveColumn);
  const LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
  SendMessageW(Scan().FolderList().m_hWnd, WM_MOUSEMOVE, 0, at);
  SendMessageW(Scan().FolderList().m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(Scan().FolderList().m_hWnd, WM_LBUTTONUP, 0, at);
  EXPECT_EQ(Scan().CustomPaths(), (std::vector<std::wstring>{a}));
  EXPECT_TRUE(boxes.empty());
  // The last one: the list is hidden and its empty frame shows instead.
  Scan().RemoveFolderAt(0);
  EXPECT_TRUE(Scan().CustomPaths().empty());
  EXPECT_FALSE(Scan().FolderList().IsWindowVisible());
  // Hiding the page writes the (empty) list back.
  ShowOverview();
  EXPECT_TRUE(StoredCustomFolders(E().Text(L"GetScanConfig")).empty());
}

TEST_F(PagesTest, CustomStartWithAnEmptyListShowsTextAndStartsNothing) {
  E().SetText(L"GetScanConfig", ScanConfigDoc({}));
  ShowScanPage();
  Scan().ChooseCustomScan();
  E().ClearCalls();
  SendMessageW(Scan().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SCAN_START, BN_CLICKED), 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], Res(256));
  EXPECT_EQ(E().CallCount(L"ResetScan"), 0);
  EXPECT_EQ(E().CallCount(L"StartScan"), 0);
  EXPECT_EQ(h.Frame().GetTabPage(CMainFrame::kTabScan), &Scan());
  EXPECT_FALSE(h.Frame().NavigationLocked());
  EXPECT_EQ(Scan().ChosenScanKind(), 2);
}

TEST_F(PagesTest, EveryStartWritesTheConfiguration) {
  ScratchFolders dirs;
  const std::wstring folder = LowerPath(dirs.Make(L"f"));
  struct Row {
    const char* name;
    UINT option;
    LONG type;
  } rows[] = {
      {"quick", IDC_SCAN_QUICK, 0}, {"full", IDC_SCAN_FULL, 1}, {"custom", IDC_SCAN_CUSTOM, 2}};
  for (const Row& r : rows) {
    E().SetText(L"GetScanConfig",
                L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig ShowUserScanResultsManual="
                L"\"false\" CheckForUpdatesBeforeScan=\"false\" ScanDetailCBIntervalMS=\"250\">"
                L"<ScanSettings><ScanSetting ScanType=\"2\"><PathsToScan><Paths Path=\"" +
                    folder + L"\"/></PathsToScan></ScanSetting></ScanSettings></ScanConfig>");
    h.Frame().SetTabsEnabled(true);
    ShowScanPage();
    SendMessageW(Scan().m_hWnd, WM_COMMAND, MAKEWPARAM(r.option, BN_CLICKED), 0);
    E().ClearCalls();
    SendMessageW(Scan().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SCAN_START, BN_CLICKED), 0);
    PumpFor(20);
    ASSERT_EQ(E().CallCount(L"StartScan"), 1) << r.name;
    EXPECT_EQ(E().Calls(L"StartScan")[0].args[0], std::to_wstring(r.type)) << r.name;
    const std::vector<std::wstring> order = E().CallOrder({L"SetScanConfig", L"ResetScan"});
    ASSERT_GE(order.size(), 2u) << r.name;
    EXPECT_EQ(order[0], L"SetScanConfig") << r.name << ": saved before the reset";
    const SC::CScanConfig stored = ParseScanConfig(E().Calls(L"SetScanConfig")[0].args[0]);
    EXPECT_TRUE(stored.ShowUserScanResultsManual.Get()) << r.name;
    EXPECT_TRUE(stored.CheckForUpdatesBeforeScan.Get()) << r.name;
    EXPECT_EQ(stored.ScanDetailCBIntervalMS.Get(), 100u) << r.name;
    EXPECT_EQ(StoredCustomFolders(E().Calls(L"SetScanConfig")[0].args[0]),
              (std::vector<std::wstring>{folder}))
        << r.name;
    EXPECT_TRUE(h.Frame().NavigationLocked()) << r.name;
    CScanController::Instance().CancelScan();
  }
}

TEST_F(PagesTest, ScanPageByKeyboard) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a"));
  E().SetText(L"GetScanConfig", ScanConfigDoc({a}));
  ShowScanPage();
  HWND quick = Scan().GetDlgItem(IDC_SCAN_QUICK);
  HWND full = Scan().GetDlgItem(IDC_SCAN_FULL);
  HWND custom = Scan().GetDlgItem(IDC_SCAN_CUSTOM);
  HWND list = Scan().FolderList().m_hWnd;
  HWND add = Scan().GetDlgItem(IDC_SCAN_ADD_FOLDER);
  HWND start = Scan().GetDlgItem(IDC_SCAN_START);
  SetFocus(quick);
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), full);
  PressKey(VK_SPACE);
  EXPECT_EQ(Scan().ChosenScanKind(), 1) << "Space chooses the full scan";
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), custom);
  PressKey(VK_RETURN);
  EXPECT_EQ(Scan().ChosenScanKind(), 2) << "Enter chooses the custom scan";
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), list) << "the folder list follows the choices";
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), add);
  answers = {std::nullopt};
  PressKey(VK_RETURN);
  EXPECT_EQ(browsed, 1) << "Enter on the add button opens the browser";
  PressKey(VK_TAB);
  EXPECT_EQ(GetFocus(), start);
  // Back to the list: Delete removes the selected folder.
  SetFocus(list);
  ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  PressKey(VK_DELETE);
  EXPECT_TRUE(Scan().CustomPaths().empty());
}

TEST_F(PagesTest, LeavingTheScanPageStoresOnlyAnEditedList) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a"));
  const std::wstring b = LowerPath(dirs.Make(L"b"));
  // Start options unlike those a start writes: a save would always store.
  const std::wstring stored =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig ShowUserScanResultsManual="
      L"\"false\" CheckForUpdatesBeforeScan=\"false\" ScanDetailCBIntervalMS=\"250\">"
      L"<ScanSettings><ScanSetting ScanType=\"2\"><PathsToScan><Paths Path=\"" +
      a + L"\"/></PathsToScan></ScanSetting></ScanSettings></ScanConfig>";
  struct Row {
    const char* name;
    std::function<void()> edit;
    int stores;
    std::vector<std::wstring> folders;  // stored, when stored
  } rows[] = {
      {"unchanged", [] {}, 0, {}},
      {"a folder added",
       [&] {
         answers = {b};
         Scan().OnAddFolder();
       },
       1,
       {a, b}},
      {"a folder removed", [&] { Scan().RemoveFolderAt(0); }, 1, {}},
      {"a folder removed and added again",
       [&] {
         Scan().RemoveFolderAt(0);
         answers = {a};
         Scan().OnAddFolder();
       },
       1,
       {a}},
      {"an add refused as a duplicate",
       [&] {
         answers = {Upper(a)};
         Scan().OnAddFolder();
       },
       0,
       {}},
  };
  for (const Row& r : rows) {
    E().SetText(L"GetScanConfig", stored);
    ShowScanPage();
    Scan().ChooseCustomScan();
    r.edit();
    E().ClearCalls();
    ShowOverview();
    EXPECT_EQ(E().CallCount(L"GetScanConfig"), r.stores) << r.name;
    ASSERT_EQ(E().CallCount(L"SetScanConfig"), r.stores) << r.name;
    if (r.stores) {
      EXPECT_EQ(StoredCustomFolders(E().Stored(L"SetScanConfig")), r.folders) << r.name;
    }
    // Stored once: the next visit without an edit stores nothing again.
    ShowScanPage();
    E().ClearCalls();
    ShowOverview();
    EXPECT_EQ(E().CallCount(L"SetScanConfig"), 0) << r.name << ", left again";
  }
}

TEST_F(PagesTest, ScanOfOtherPathsFromTheShownScanPage) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a"));
  const std::wstring b = LowerPath(dirs.Make(L"b"));
  const std::wstring picked = LowerPath(dirs.Make(L"picked"));
  struct Row {
    const char* name;
    bool edited;
    std::vector<std::wstring> restored;
  } rows[] = {
      {"list as loaded", false, {a, b}},
      {"list edited", true, {b}},
  };
  // The custom folders the engine holds when it is asked for the scan.
  std::vector<std::wstring> atStart;
  E().OnCall(L"StartScan", [&] { atStart = StoredCustomFolders(E().Text(L"GetScanConfig")); });
  for (const Row& r : rows) {
    h.Frame().SetTabsEnabled(true);
    E().SetText(L"GetScanConfig", ScanConfigDoc({a, b}));
    ShowScanPage();
    if (r.edited) Scan().RemoveFolderAt(0);
    ASSERT_TRUE(Scan().BeginScanOfPaths({picked})) << r.name;
    PumpFor(20);
    ASSERT_EQ(E().CallCount(L"StartScan"), 1) << r.name;
    // Leaving the page for the scanning page must not put the user's folders
    // back before the engine has the scan.
    EXPECT_EQ(atStart, (std::vector<std::wstring>{picked})) << r.name;
    E().FireScanStateChanged(1);
    PumpFor(20);
    EXPECT_EQ(StoredCustomFolders(E().Text(L"GetScanConfig")), r.restored) << r.name;
    CScanController::Instance().CancelScan();
    E().ClearCalls();
  }
}

TEST_F(PagesTest, ListTheEngineCouldNotGiveIsNotStored) {
  ScratchFolders dirs;
  const std::wstring a = LowerPath(dirs.Make(L"a"));
  E().SetText(L"GetScanConfig", ScanConfigDoc({a}));
  E().FailNext(L"GetScanConfig", RPC_E_DISCONNECTED);
  ShowScanPage();
  EXPECT_TRUE(Scan().CustomPaths().empty());
  // The engine answers again: a quick scan keeps the user's folders.
  ShowOverview();
  E().ClearCalls();
  SendMessageW(Overview().m_hWnd, WM_COMMAND, IDC_OVERVIEW_START_SCAN, 0);
  PumpFor(20);
  ASSERT_EQ(E().CallCount(L"StartScan"), 1);
  EXPECT_EQ(StoredCustomFolders(E().Text(L"GetScanConfig")), (std::vector<std::wstring>{a}));
}

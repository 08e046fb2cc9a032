// The settings page end to end with the reference engine: a schedule applied on
// the page is started by the engine itself, the page's changes live in the
// engine's documents across a restart, and documents the engine cannot read
// fall back to its defaults without touching the others.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/RodeRedudApp.h"
#include "app/Settings.h"
#include "engine/EngineDocuments.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/ScanConfig.h"
#include "pages/scan/ScanningPage.h"
#include "pages/settings/SettingsPage.h"
#include "pages/settings/SettingsRules.h"
#include "settings_support.h"
#include "support/EnginePageFixture.h"
#include "support/shipped_theme.h"
#include "themedata/resource.h"

using namespace settings_page;
using namespace settings_test;

namespace {

class SettingsEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadShippedTheme());
    machine = std::make_unique<MachineValues>();
    machine->SetSchedule(std::nullopt, std::nullopt, std::nullopt);
    fixture = std::make_unique<EnginePageFixture>();
    ASSERT_TRUE(fixture->Start());
    ShowSettings();
  }
  void TearDown() override {
    fixture.reset();
    machine.reset();
  }

  // Shows the settings tab (again: the page re-reads the engine).
  void ShowSettings() {
    CMainFrame& frame = fixture->Frame();
    frame.SelectTab(CMainFrame::kTabOverview, true);
    frame.SelectTab(CMainFrame::kTabSettings, true);
    PumpUntil([] { return false; }, 20);
    page = frame.SettingsPage();
    ASSERT_TRUE(page && page->m_hWnd && page->IsWindowVisible());
  }
  HWND Item(int id) { return GetDlgItem(page->m_hWnd, id); }
  int Selection(int id) { return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0)); }
  bool Checked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void Click(int id) {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    PumpUntil([] { return false; }, 5);
  }
  void Choose(int id, int index) {
    SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(page->m_hWnd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(id)));
    PumpUntil([] { return false; }, 5);
  }

  QVnsAPConfig::CAPConfig EngineAPConfig() {
    QVnsAPConfig::CAPConfig c;
    EXPECT_HRESULT_SUCCEEDED(FetchDocument(c, EngineDocuments::kAPConfig));
    return c;
  }
  QVnsScanConfig::CScanConfig EngineScanConfig() {
    QVnsScanConfig::CScanConfig c;
    EXPECT_HRESULT_SUCCEEDED(FetchDocument(c, EngineDocuments::kScanConfig));
    return c;
  }
  // Replaces a document file of the engine's data folder (the engine stopped).
  void WriteConfigFile(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = fixture->DataFolder() + L"\\Config\\" + name;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << Narrow(path);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
  int SetAsideCount(const wchar_t* name) {
    WIN32_FIND_DATAW fd;
    const std::wstring pattern =
        fixture->DataFolder() + L"\\Config\\" + name + L".unreadable-*";
    HANDLE f = FindFirstFileW(pattern.c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileW(f, &fd));
    FindClose(f);
    return n;
  }

  std::unique_ptr<MachineValues> machine;
  std::unique_ptr<EnginePageFixture> fixture;
  CSettingsPage* page = nullptr;
};

// A start time the page can produce (whole hour plus a spread) a little ahead of
// the clock: at least 20 seconds ahead, at most two minutes.
struct ScheduleTarget {
  int hourEntry;  // index of the hour list
  int offset;     // spread in minutes
  std::wstring time;
};
ScheduleTarget TargetAhead() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  int minutes = now.wHour * 60 + now.wMinute + (now.wSecond <= 40 ? 1 : 2);
  if (minutes % 60 == 0) ++minutes;  // a spread never lands on a whole hour
  minutes %= 24 * 60;
  const int hour = minutes / 60, minute = minutes % 60;
  ScheduleTarget t;
  if (minute <= 30) {
    t.hourEntry = hour;
    t.offset = minute;
  } else {
    t.hourEntry = (hour + 1) % 24;
    t.offset = minute - 60;
  }
  wchar_t text[8];
  swprintf(text, 8, L"%02d:%02d", hour, minute);
  t.time = text;
  return t;
}

}  // namespace

TEST_F(SettingsEngineTest, AppliedDailyQuickScanIsStartedByTheEngineAndShownFromTheTray) {
  const ScheduleTarget target = TargetAhead();
  Click(IDC_SETTINGS_QUICK_CHECK);
  Choose(IDC_SETTINGS_QUICK_FREQUENCY, 0);
  Choose(IDC_SETTINGS_QUICK_HOUR, target.hourEntry);
  const int draw = DrawForOffset(target.offset);
  page->m_randomDraw = [draw] { return draw; };
  Click(IDC_SETTINGS_APPLY);
  ASSERT_EQ(std::vector<std::wstring>{L"id=0 'quick scan' type=0 " + target.time +
                                      L" days=1111111 on nocache"},
            DescribeSchedules(EngineScanConfig()));

  // The window goes to the tray; the engine starts the scan at the time.
  CMainFrame& frame = fixture->Frame();
  frame.ShowWindow(SW_HIDE);
  fixture->ClearScanStates();
  ASSERT_TRUE(fixture->WaitScanState({1}, 180000)) << "no scheduled start at " << Narrow(target.time);
  EXPECT_TRUE(PumpUntil(
      [&] {
        return frame.IsWindowVisible() && frame.GetActiveTab() == CMainFrame::kTabScan &&
               frame.GetTabPage(CMainFrame::kTabScan) == frame.ScanningPage() &&
               frame.NavigationLocked();
      },
      30000))
      << "visible " << frame.IsWindowVisible() << " tab " << frame.GetActiveTab();
  EXPECT_TRUE(frame.ScanningPage()->IsWindowVisible());
  EXPECT_EQ(1, fixture->App().ReadProfileInt(settings::kFromSchedule, 0));
}

TEST_F(SettingsEngineTest, ChangesLiveInTheEngineAcrossARestart) {
  // Made anew with installer values: the page's first initialisation writes them.
  fixture.reset();
  machine->SetSchedule(L"03:00", L"21:00", 2);
  fixture = std::make_unique<EnginePageFixture>();
  ASSERT_TRUE(fixture->Start());
  ShowSettings();
  EXPECT_EQ((std::vector<std::wstring>{L"id=0 'quick scan' type=0 03:00 days=1111111 on nocache",
                                       L"id=1 'full scan' type=1 21:00 days=0010000 on nocache"}),
            DescribeSchedules(EngineScanConfig()));
  {
    QVnsNVPairs::CNVPairs pairs;
    ASSERT_HRESULT_SUCCEEDED(FetchDocument(pairs, EngineDocuments::kNVPairs));
    const auto* marker = FindExactPair(pairs, kScheduleDefaultsMarker);
    ASSERT_TRUE(marker);
    EXPECT_EQ(L"1", marker->Value.Get());
  }
  EXPECT_EQ(0, Selection(IDC_SETTINGS_RESPONSE)) << "the engine starts with protection off";

  Choose(IDC_SETTINGS_RESPONSE, 1);
  Click(IDC_SETTINGS_RETENTION);
  Click(IDC_SETTINGS_FULL_CHECK);  // off
  Click(IDC_SETTINGS_APPLY);
  auto ap = EngineAPConfig();
  EXPECT_TRUE(ap.Enabled.Get());
  EXPECT_EQ(1u, ap.KnownBadApplicationResponseEnum.Get());

  ASSERT_TRUE(fixture->RestartEngine());
  ap = EngineAPConfig();
  EXPECT_TRUE(ap.Enabled.Get());
  EXPECT_EQ(1u, ap.KnownBadApplicationResponseEnum.Get());
  EXPECT_EQ(15u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
  ShowSettings();
  EXPECT_EQ(1, Selection(IDC_SETTINGS_RESPONSE));
  EXPECT_TRUE(Checked(IDC_SETTINGS_RETENTION));
  EXPECT_TRUE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_FALSE(Checked(IDC_SETTINGS_FULL_CHECK));
  EXPECT_EQ(1u, DescribeSchedules(EngineScanConfig()).size());
}

TEST_F(SettingsEngineTest, UnreadableDocumentsFallBackToTheEngineDefaultsAlone) {
  Choose(IDC_SETTINGS_RESPONSE, 2);
  Click(IDC_SETTINGS_RETENTION);
  Click(IDC_SETTINGS_QUICK_CHECK);
  page->m_randomDraw = [] { return DrawForOffset(10); };
  Click(IDC_SETTINGS_APPLY);
  ASSERT_TRUE(Checked(IDC_SETTINGS_RETENTION));
  ASSERT_EQ(2, Selection(IDC_SETTINGS_RESPONSE));

  // A scan configuration the engine cannot read: the page shows the engine's
  // defaults for it; the response the user chose stays.
  ASSERT_TRUE(fixture->RestartEngine(
      [&] { WriteConfigFile(L"ScanConfig.xml", "<ScanConfig DaysToKeepQuarantinedItems=\"x\"/>"); }));
  EXPECT_EQ(1, SetAsideCount(L"ScanConfig.xml")) << "the unreadable file is kept aside";
  ShowSettings();
  EXPECT_FALSE(Checked(IDC_SETTINGS_RETENTION));
  EXPECT_FALSE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_FALSE(Checked(IDC_SETTINGS_FULL_CHECK));
  EXPECT_EQ(2, Selection(IDC_SETTINGS_RESPONSE));
  auto ap = EngineAPConfig();
  EXPECT_TRUE(ap.Enabled.Get());
  EXPECT_EQ(3u, ap.KnownBadApplicationResponseEnum.Get());

  // The user checks the retention again: only the scan configuration is stored.
  Click(IDC_SETTINGS_RETENTION);
  EXPECT_EQ(15u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
  EXPECT_EQ(3u, EngineAPConfig().KnownBadApplicationResponseEnum.Get());

  // A protection configuration the engine cannot read: its defaults show (off,
  // so the first entry), the retention stays.
  ASSERT_TRUE(fixture->RestartEngine([&] { WriteConfigFile(L"APConfig.xml", "\xff\xfe<"); }));
  EXPECT_EQ(1, SetAsideCount(L"APConfig.xml"));
  ShowSettings();
  EXPECT_EQ(0, Selection(IDC_SETTINGS_RESPONSE));
  EXPECT_TRUE(Checked(IDC_SETTINGS_RETENTION));
  EXPECT_FALSE(EngineAPConfig().Enabled.Get());
  EXPECT_EQ(15u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
}

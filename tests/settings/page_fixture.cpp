#include "page_fixture.h"

#include "app/Settings.h"
#include "engine/EngineSession.h"
#include "engine/ScanController.h"
#include "pages/settings/SettingsPage.h"
#include "support/FrameHarness.h"
#include "support/shipped_theme.h"

namespace settings_test {

namespace {
constexpr wchar_t kCompany[] = L"RodeRedudSettingsTest";
}

// Every scan summary pair exists, so that no other page adds one.
const wchar_t kPairsWithMarker[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
    L"<NVPair Name=\"last_full_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_count\" Value=\"4\"/>"
    L"<NVPair Name=\"last_scan_item_count\" Value=\"10\"/>"
    L"<NVPair Name=\"last_scan_threat_level\" Value=\"-1\"/>"
    L"<NVPair Name=\"set_schedule_defaults\" Value=\"1\"/>"
    L"</NVPairs>";

const wchar_t kPairsWithoutMarker[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs SchemaVersion=\"4.0.0\">"
    L"<NVPair Name=\"last_full_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
    L"<NVPair Name=\"last_scan_threat_count\" Value=\"4\"/>"
    L"<NVPair Name=\"last_scan_item_count\" Value=\"10\"/>"
    L"<NVPair Name=\"last_scan_threat_level\" Value=\"-1\"/>"
    L"</NVPairs>";

const wchar_t kScanConfigNoSchedules[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig SchemaVersion=\"4.0.0\" "
    L"DaysToKeepQuarantinedItems=\"0\" LastScanType=\"1\"><ScanSchedules/>"
    L"<IgnoredThreats IsDirty=\"false\"><IgnoredThreat Source=\"1\" Id=\"77\" "
    L"DateTimeAdded=\"2026-01-02T03:04:05\"/></IgnoredThreats><SSD>kept</SSD></ScanConfig>";

const wchar_t kAPConfigQuarantine[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><APConfig SchemaVersion=\"4.0.0\" "
    L"Enabled=\"true\" KnownBadApplicationResponseEnum=\"5\" "
    L"SuspiciousApplicationResponseEnum=\"2\"><Monitors><Monitor Type=\"1\" Enabled=\"false\"/>"
    L"<Monitor Type=\"2\" Enabled=\"false\"/></Monitors><SSD>ap</SSD></APConfig>";

void Pump(DWORD ms) { PumpFor(ms); }

void PageTest::SetUpTestSuite() { ASSERT_TRUE(LoadShippedTheme()); }

void PageTest::SetUp() {
  machine = std::make_unique<MachineValues>();
  machine->SetSchedule(std::nullopt, std::nullopt, std::nullopt);
  machine->SetDword(settings::kAutoActiveProtection, std::nullopt);
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kCompany).c_str());
  app = std::make_unique<CRodeRedudApp>();
  app->SetRegistryKey(kCompany);
  app->SetAppTitle(L"Settings");
  app->Seams().messageBox = [this](HWND, const std::wstring& text, const std::wstring&, UINT type) {
    boxes.push_back({text, type});
    if (answers.empty()) return IDYES;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  };
  app->Seams().shellExecute = [this](const std::wstring& verb, const std::wstring& file,
                                     const std::wstring&, int) -> INT_PTR {
    shells.push_back({verb, file});
    return 42;
  };
  engine = std::make_unique<FakeEngine>();
  engine->SetText(L"GetConfigDocument", kPairsWithMarker);
  engine->SetText(L"GetScanConfig", kScanConfigNoSchedules);
  engine->SetText(L"GetAPConfig", kAPConfigQuarantine);
  ASSERT_TRUE(Engine().EnsureEngine());
  CScanController::Shutdown();
  CScanController::Instance().ConnectSink();
}

void PageTest::TearDown() {
  DropFrame();
  CScanController::Shutdown();
  Engine().ReleaseAll();
  engine.reset();
  app.reset();
  RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\") + kCompany).c_str());
  machine.reset();
}

void PageTest::MakeFrame() {
  frame = std::make_unique<TestFrame>();
  ASSERT_TRUE(frame->CreateMainWindow());
  RECT r{0, 0, 800, 600};
  AdjustWindowRectEx(&r, CMainFrame::kWindowStyle, FALSE, 0);
  SetWindowPos(frame->m_hWnd, HWND_TOP, 0, 0, r.right - r.left, r.bottom - r.top, 0);
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  Pump();
  ASSERT_TRUE(frame->SettingsPage() && frame->SettingsPage()->m_hWnd);
  frame->SelectTab(CMainFrame::kTabSettings, true);
  Pump();
}

void PageTest::DropFrame() {
  if (!frame) return;
  frame.reset();
  Pump(10);
}

CSettingsPage& PageTest::Page() { return *frame->SettingsPage(); }

void PageTest::ShowAgain() {
  frame->SelectTab(CMainFrame::kTabOverview, true);
  frame->SelectTab(CMainFrame::kTabSettings, true);
  Pump(10);
}

HWND PageTest::Item(int id) { return GetDlgItem(Page().m_hWnd, id); }
int PageTest::Selection(int id) {
  return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}
bool PageTest::Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
bool PageTest::Checked(int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void PageTest::Choose(int id, int index) {
  SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(Page().m_hWnd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Item(id)));
  Pump(5);
}

void PageTest::Click(int id) {
  SendMessageW(Item(id), BM_CLICK, 0, 0);
  Pump(5);
}

QVnsScanConfig::CScanConfig PageTest::EngineScanConfig() {
  QVnsScanConfig::CScanConfig c;
  EXPECT_EQ(0, c.ReadFromString(engine->Text(L"GetScanConfig")));
  return c;
}

QVnsAPConfig::CAPConfig PageTest::EngineAPConfig() {
  QVnsAPConfig::CAPConfig c;
  EXPECT_EQ(0, c.ReadFromString(engine->Text(L"GetAPConfig")));
  return c;
}

}  // namespace settings_test

// The settings page as a real window in the main frame, with the fake engine:
// what it shows from the engine's documents and what each control stores.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "engine/documents/NVPairs.h"
#include "framework/Messages.h"
#include "page_fixture.h"
#include "pages/settings/SettingsPage.h"
#include "pages/settings/SettingsRules.h"
#include "themedata/resource.h"

using namespace settings_page;
using namespace settings_test;

namespace {

const wchar_t kDocHead[] = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>";

std::wstring ScanConfigWith(const std::wstring& schedules, int retentionDays = 0) {
  return std::wstring(kDocHead) + L"<ScanConfig DaysToKeepQuarantinedItems=\"" +
         std::to_wstring(retentionDays) + L"\"><ScanSchedules>" + schedules +
         L"</ScanSchedules><IgnoredThreats><IgnoredThreat Id=\"77\"/></IgnoredThreats>"
         L"<SSD>kept</SSD></ScanConfig>";
}

std::wstring APConfigWith(bool enabled, int response) {
  return std::wstring(kDocHead) + L"<APConfig Enabled=\"" + (enabled ? L"true" : L"false") +
         L"\" KnownBadApplicationResponseEnum=\"" + std::to_wstring(response) +
         L"\" IncludeQuarantineOption=\"true\"><Monitors><Monitor Type=\"1\" Enabled=\"false\"/>"
         L"</Monitors><SSD>ap</SSD></APConfig>";
}

std::wstring PairsWith(const std::wstring& pairs) {
  return std::wstring(kDocHead) +
         L"<NVPairs SchemaVersion=\"4.0.0\"><NVPair Name=\"last_full_scan\" Value=\"0\"/>"
         L"<NVPair Name=\"last_quick_scan\" Value=\"0\"/>"
         L"<NVPair Name=\"last_scan_threat_count\" Value=\"4\"/>"
         L"<NVPair Name=\"last_scan_item_count\" Value=\"10\"/>"
         L"<NVPair Name=\"last_scan_threat_level\" Value=\"-1\"/>" +
         pairs + L"</NVPairs>";
}

// The value of a pair (exact name), or "<none>".
std::wstring PairValue(const std::wstring& text, const wchar_t* name) {
  QVnsNVPairs::CNVPairs pairs;
  if (pairs.ReadFromString(text) != 0) return L"<unreadable>";
  const QVnsNVPairs::CNVPair* p = FindExactPair(pairs, name);
  return p ? p->Value.Get() : L"<none>";
}

const wchar_t kDailyQuickWeeklyFull[] =
    L"<ScanSchedule ScheduleID=\"0\" ScanScheduleName=\"quick scan\" ScanType=\"0\" "
    L"StartTime=\"02:47\" EnableSun=\"true\" EnableMon=\"true\" EnableTue=\"true\" "
    L"EnableWed=\"true\" EnableThu=\"true\" EnableFri=\"true\" EnableSat=\"true\" Enabled=\"true\"/>"
    L"<ScanSchedule ScheduleID=\"1\" ScanScheduleName=\"full scan\" ScanType=\"1\" "
    L"StartTime=\"21:30\" EnableThu=\"true\" Enabled=\"true\"/>";

class SettingsPageTest : public PageTest {};

}  // namespace

TEST_F(SettingsPageTest, FirstInitialisationStoresTheInstallerSchedulesOnce) {
  machine->SetSchedule(L"03:00", L"21:00", 2);
  engine->SetText(L"GetConfigDocument", kPairsWithoutMarker);
  MakeFrame();
  ASSERT_EQ(1, engine->CallCount(L"SetScanConfig"));
  EXPECT_EQ((std::vector<std::wstring>{L"id=0 'quick scan' type=0 03:00 days=1111111 on nocache",
                                       L"id=1 'full scan' type=1 21:00 days=0010000 on nocache"}),
            DescribeSchedules(engine->Stored(L"SetScanConfig")));
  const auto config = EngineScanConfig();
  EXPECT_TRUE(config.MissedScanActionEnum.IsPresent());
  EXPECT_EQ(0, config.MissedScanActionEnum.Get());
  EXPECT_EQ(L"kept", config.SSD.Get()) << "the rest of the document is carried through";
  ASSERT_TRUE(config.IgnoredThreats.Get());
  EXPECT_EQ(1u, config.IgnoredThreats->IgnoredThreat.Count());
  ASSERT_EQ(1, engine->CallCount(L"SetConfigDocument"));
  const std::wstring pairs = engine->Text(L"GetConfigDocument");
  EXPECT_EQ(L"1", PairValue(pairs, kScheduleDefaultsMarker));
  EXPECT_EQ(L"4", PairValue(pairs, L"last_scan_threat_count")) << "the other pairs stay";

  // The page shows what it stored.
  EXPECT_TRUE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_EQ(0, Selection(IDC_SETTINGS_QUICK_FREQUENCY));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_QUICK_WEEKDAY));
  EXPECT_EQ(3, Selection(IDC_SETTINGS_QUICK_HOUR));
  EXPECT_TRUE(Checked(IDC_SETTINGS_FULL_CHECK));
  EXPECT_EQ(1, Selection(IDC_SETTINGS_FULL_FREQUENCY));
  EXPECT_TRUE(Enabled(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_EQ(2, Selection(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_EQ(21, Selection(IDC_SETTINGS_FULL_HOUR));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY));

  // A second initialisation (a new window) changes nothing.
  DropFrame();
  engine->ClearCalls();
  MakeFrame();
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));
  EXPECT_EQ(0, engine->CallCount(L"SetConfigDocument"));
  EXPECT_TRUE(Checked(IDC_SETTINGS_FULL_CHECK));
}

TEST_F(SettingsPageTest, InitialisationWritesDefaultsOnlyWithoutTheExactMarker) {
  struct Row {
    const char* name;
    std::optional<std::wstring> quick, full;
    std::optional<DWORD> day;
    std::wstring pairs;  // NVPair elements besides the summary pair
    int scanConfigStores;
    std::wstring markerAfter;
  } rows[] = {
      {"no fullScanTime: no schedules, the marker still recorded", L"03:00", std::nullopt, 2, L"",
       0, L"1"},
      {"empty quickScanTime", L"", L"21:00", 2, L"", 0, L"1"},
      {"no machine values at all", std::nullopt, std::nullopt, std::nullopt, L"", 0, L"1"},
      {"marker of any value counts", L"03:00", L"21:00", 2,
       L"<NVPair Name=\"set_schedule_defaults\" Value=\"0\"/>", 0, L"0"},
      {"marker in other letters does not", L"03:00", L"21:00", 2,
       L"<NVPair Name=\"SET_SCHEDULE_DEFAULTS\" Value=\"1\"/>", 1, L"1"},
      {"no day: Sunday", L"04:00", L"22:00", std::nullopt, L"", 1, L"1"},
  };
  for (const Row& r : rows) {
    machine->SetSchedule(r.quick, r.full, r.day);
    engine->SetText(L"GetScanConfig", kScanConfigNoSchedules);
    engine->SetText(L"GetConfigDocument", PairsWith(r.pairs));
    engine->ClearCalls();
    MakeFrame();
    EXPECT_EQ(r.scanConfigStores, engine->CallCount(L"SetScanConfig")) << r.name;
    EXPECT_EQ(r.markerAfter, PairValue(engine->Text(L"GetConfigDocument"), kScheduleDefaultsMarker))
        << r.name;
    EXPECT_EQ(L"4", PairValue(engine->Text(L"GetConfigDocument"), L"last_scan_threat_count"))
        << r.name;
    DropFrame();
  }
  EXPECT_EQ((std::vector<std::wstring>{L"id=0 'quick scan' type=0 04:00 days=1111111 on nocache",
                                       L"id=1 'full scan' type=1 22:00 days=1000000 on nocache"}),
            DescribeSchedules(engine->Text(L"GetScanConfig")));
}

TEST_F(SettingsPageTest, PairsThatCannotBeReadAreNeverReplaced) {
  machine->SetSchedule(L"03:00", L"21:00", 2);
  const wchar_t* unreadable[] = {L"<NVPairs><NVPair Name=", L""};
  for (const wchar_t* text : unreadable) {
    engine->SetText(L"GetConfigDocument", text);
    engine->ClearCalls();
    MakeFrame();
    EXPECT_EQ(0, engine->CallCount(L"SetConfigDocument")) << Narrow(text);
    EXPECT_EQ(0, engine->CallCount(L"SetScanConfig")) << Narrow(text);
    // Active-protection defaults without the pairs: protection on, nothing else.
    engine->SetText(L"GetAPConfig", APConfigWith(false, 3));
    Page().Send(msg::kSettingsDefinitionsChanged);
    EXPECT_EQ(0, engine->CallCount(L"SetConfigDocument")) << Narrow(text);
    const auto ap = EngineAPConfig();
    EXPECT_TRUE(ap.Enabled.Get()) << Narrow(text);
    EXPECT_EQ(3u, ap.KnownBadApplicationResponseEnum.Get()) << Narrow(text);
    DropFrame();
  }
  engine->Fail(L"GetConfigDocument", E_FAIL);
  engine->ClearCalls();
  MakeFrame();
  EXPECT_EQ(0, engine->CallCount(L"SetConfigDocument"));
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));
  EXPECT_EQ(24, static_cast<int>(SendMessageW(Item(IDC_SETTINGS_QUICK_HOUR), CB_GETCOUNT, 0, 0)))
      << "the lists are filled all the same";
}

TEST_F(SettingsPageTest, ListsHoldTheirEntries) {
  MakeFrame();
  struct Row {
    int id;
    std::vector<std::wstring> entries;
  } rows[] = {
      {IDC_SETTINGS_RESPONSE,
       {L"Log the threat only", L"Alert me and suggest a scan", L"Block the threat and alert me",
        L"Quarantine the threat automatically (recommended)"}},
      {IDC_SETTINGS_QUICK_FREQUENCY, {L"Daily", L"Weekly"}},
      {IDC_SETTINGS_FULL_WEEKDAY,
       {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"}},
  };
  for (const Row& r : rows) {
    std::vector<std::wstring> got;
    const int n = static_cast<int>(SendMessageW(Item(r.id), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[128] = L"";
      SendMessageW(Item(r.id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      got.push_back(text);
    }
    EXPECT_EQ(r.entries, got) << "list " << r.id;
  }
  wchar_t text[16] = L"";
  SendMessageW(Item(IDC_SETTINGS_FULL_HOUR), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(L"00:00"), text);
  SendMessageW(Item(IDC_SETTINGS_FULL_HOUR), CB_GETLBTEXT, 23, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(L"23:00"), text);
  // No schedules: both unchecked, their lists disabled, index 0 everywhere.
  for (const ScheduleColumnIds& c : {kQuickColumn, kFullColumn}) {
    EXPECT_FALSE(Checked(c.check));
    for (int id : {c.frequency, c.weekday, c.hour}) {
      EXPECT_FALSE(Enabled(id)) << id;
      EXPECT_EQ(0, Selection(id)) << id;
    }
  }
  EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY));
  EXPECT_EQ(3, Selection(IDC_SETTINGS_RESPONSE));
  EXPECT_FALSE(Checked(IDC_SETTINGS_RETENTION));
}

TEST_F(SettingsPageTest, SchedulesShowRoundedEveryTimeThePageIsShown) {
  engine->SetText(L"GetScanConfig", ScanConfigWith(kDailyQuickWeeklyFull));
  MakeFrame();
  EXPECT_TRUE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_EQ(3, Selection(IDC_SETTINGS_QUICK_HOUR)) << "02:47 shows 03:00";
  EXPECT_EQ(0, Selection(IDC_SETTINGS_QUICK_FREQUENCY));
  EXPECT_TRUE(Checked(IDC_SETTINGS_FULL_CHECK));
  EXPECT_EQ(1, Selection(IDC_SETTINGS_FULL_FREQUENCY));
  EXPECT_EQ(4, Selection(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_EQ(21, Selection(IDC_SETTINGS_FULL_HOUR)) << "21:30 shows 21:00";
  EXPECT_TRUE(Enabled(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_QUICK_WEEKDAY));

  // The engine's schedules changed meanwhile: the page follows on its next showing,
  // and unsaved edits are gone.
  Click(IDC_SETTINGS_QUICK_CHECK);
  EXPECT_TRUE(Enabled(IDC_SETTINGS_APPLY));
  engine->SetText(L"GetScanConfig", ScanConfigWith(
                                        L"<ScanSchedule ScanType=\"1\" StartTime=\"23:45\" "
                                        L"EnableSat=\"true\" Enabled=\"true\"/>"));
  ShowAgain();
  EXPECT_FALSE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_QUICK_FREQUENCY));
  EXPECT_EQ(6, Selection(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_EQ(0, Selection(IDC_SETTINGS_FULL_HOUR)) << "23:45 shows 00:00";
  EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY));
}

TEST_F(SettingsPageTest, EditsEnableTheirListsAndTheApplyButton) {
  MakeFrame();
  ASSERT_FALSE(Enabled(IDC_SETTINGS_APPLY));
  Click(IDC_SETTINGS_QUICK_CHECK);
  EXPECT_TRUE(Checked(IDC_SETTINGS_QUICK_CHECK));
  EXPECT_TRUE(Enabled(IDC_SETTINGS_QUICK_FREQUENCY));
  EXPECT_TRUE(Enabled(IDC_SETTINGS_QUICK_HOUR));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_QUICK_WEEKDAY)) << "daily needs no weekday";
  EXPECT_TRUE(Enabled(IDC_SETTINGS_APPLY));
  Choose(IDC_SETTINGS_QUICK_FREQUENCY, 1);
  EXPECT_TRUE(Enabled(IDC_SETTINGS_QUICK_WEEKDAY));
  EXPECT_FALSE(Enabled(IDC_SETTINGS_FULL_FREQUENCY)) << "the other scan is untouched";
  Click(IDC_SETTINGS_QUICK_CHECK);
  for (int id : {IDC_SETTINGS_QUICK_FREQUENCY, IDC_SETTINGS_QUICK_WEEKDAY, IDC_SETTINGS_QUICK_HOUR})
    EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig")) << "nothing is stored before apply";

  // A weekday or hour change alone enables apply too.
  ShowAgain();
  ASSERT_FALSE(Enabled(IDC_SETTINGS_APPLY));
  Choose(IDC_SETTINGS_FULL_HOUR, 5);
  EXPECT_TRUE(Enabled(IDC_SETTINGS_APPLY));
}

TEST_F(SettingsPageTest, ApplyStoresTheCheckedSchedulesSpreadOverTheHour) {
  MakeFrame();
  struct Row {
    const char* name;
    bool quick;
    int quickFrequency, quickDay, quickHour;
    bool full;
    int fullFrequency, fullDay, fullHour;
    std::vector<int> offsets;
    std::vector<std::wstring> stored;
    int shownQuickHour, shownFullHour;
  } rows[] = {
      {"only the full scan: one schedule with ID 0", false, 0, 0, 0, true, 1, 5, 12, {7},
       {L"id=0 'full scan' type=1 12:07 days=0000010 on nocache"}, 0, 12},
      {"both", true, 0, 0, 9, true, 1, 0, 22, {-5, 20},
       {L"id=0 'quick scan' type=0 08:55 days=1111111 on nocache",
        L"id=1 'full scan' type=1 22:20 days=1000000 on nocache"},
       9, 22},
      {"midnight back to 23:30 shows 23:00", true, 1, 3, 0, false, 0, 0, 0, {-30},
       {L"id=0 'quick scan' type=0 23:30 days=0001000 on nocache"}, 23, 0},
      {"midnight back to 23:59 shows 00:00", true, 0, 0, 0, false, 0, 0, 0, {0},
       {L"id=0 'quick scan' type=0 23:59 days=1111111 on nocache"}, 0, 0},
      {"none", false, 0, 0, 0, false, 0, 0, 0, {}, {}, 0, 0},
  };
  for (const Row& r : rows) {
    ShowAgain();
    auto set = [&](const ScheduleColumnIds& c, bool on, int frequency, int day, int hour) {
      if (Checked(c.check) != on) Click(c.check);
      if (!on) return;
      Choose(c.frequency, frequency);
      Choose(c.weekday, day);
      Choose(c.hour, hour);
    };
    set(kQuickColumn, r.quick, r.quickFrequency, r.quickDay, r.quickHour);
    set(kFullColumn, r.full, r.fullFrequency, r.fullDay, r.fullHour);
    if (!r.quick && !r.full)
      Choose(IDC_SETTINGS_QUICK_HOUR, 1);  // an edit, so that apply is enabled
    ASSERT_TRUE(Enabled(IDC_SETTINGS_APPLY)) << r.name;
    size_t next = 0;
    Page().m_randomDraw = [&] { return DrawForOffset(r.offsets.at(next++)); };
    engine->ClearCalls();
    Click(IDC_SETTINGS_APPLY);
    ASSERT_EQ(1, engine->CallCount(L"SetScanConfig")) << r.name;
    EXPECT_EQ(r.offsets.size(), next) << r.name;
    EXPECT_EQ(r.stored, DescribeSchedules(engine->Stored(L"SetScanConfig"))) << r.name;
    EXPECT_EQ(L"kept", EngineScanConfig().SSD.Get()) << r.name;
    EXPECT_FALSE(Enabled(IDC_SETTINGS_APPLY)) << r.name;
    EXPECT_EQ(r.quick, Checked(IDC_SETTINGS_QUICK_CHECK)) << r.name;
    EXPECT_EQ(r.full, Checked(IDC_SETTINGS_FULL_CHECK)) << r.name;
    if (r.quick) {
      EXPECT_EQ(r.shownQuickHour, Selection(IDC_SETTINGS_QUICK_HOUR)) << r.name;
    }
    if (r.full) {
      EXPECT_EQ(r.shownFullHour, Selection(IDC_SETTINGS_FULL_HOUR)) << r.name;
    }
  }
}

TEST_F(SettingsPageTest, RestoreDefaultSchedulesAsksFirst) {
  machine->SetSchedule(L"05:00", L"19:00", 4);
  engine->SetText(L"GetScanConfig", ScanConfigWith(kDailyQuickWeeklyFull));
  MakeFrame();
  answers = {IDNO};
  Click(IDC_SETTINGS_RESTORE_SCHEDULES);
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(L"Do you want to restore the recommended settings?", boxes[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO), boxes[0].type & MB_TYPEMASK);
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));

  answers = {IDYES};
  Click(IDC_SETTINGS_RESTORE_SCHEDULES);
  EXPECT_EQ((std::vector<std::wstring>{L"id=0 'quick scan' type=0 05:00 days=1111111 on nocache",
                                       L"id=1 'full scan' type=1 19:00 days=0000100 on nocache"}),
            DescribeSchedules(engine->Text(L"GetScanConfig")));
  EXPECT_EQ(5, Selection(IDC_SETTINGS_QUICK_HOUR));
  EXPECT_EQ(4, Selection(IDC_SETTINGS_FULL_WEEKDAY));
  EXPECT_EQ(0, engine->CallCount(L"SetConfigDocument")) << "the marker exists already";
}

TEST_F(SettingsPageTest, ResponseListShowsAndStoresTheResponse) {
  MakeFrame();
  struct Shown {
    bool enabled;
    int stored;
    int selection;  // -1: none
  } shown[] = {
      {true, 3, 2}, {false, 5, 0}, {true, 1, 1}, {true, 0, 0}, {true, 5, 3}, {true, 6, -1},
  };
  for (const Shown& s : shown) {
    engine->SetText(L"GetAPConfig", APConfigWith(s.enabled, s.stored));
    ShowAgain();
    EXPECT_EQ(s.selection, Selection(IDC_SETTINGS_RESPONSE))
        << "enabled " << s.enabled << " stored " << s.stored;
  }
  // A response the list does not know leaves the selection as it was.
  engine->SetText(L"GetAPConfig", APConfigWith(true, 1));
  ShowAgain();
  engine->SetText(L"GetAPConfig", APConfigWith(true, 2));
  ShowAgain();
  EXPECT_EQ(1, Selection(IDC_SETTINGS_RESPONSE));

  struct Chosen {
    int index;
    uint32_t stored;
  } chosen[] = {{0, 0}, {1, 1}, {2, 3}, {3, 5}};
  for (const Chosen& c : chosen) {
    engine->SetText(L"GetAPConfig", APConfigWith(false, 6));
    Choose(IDC_SETTINGS_RESPONSE, c.index);
    const auto ap = EngineAPConfig();
    EXPECT_TRUE(ap.Enabled.Get()) << "index " << c.index;
    EXPECT_EQ(c.stored, ap.KnownBadApplicationResponseEnum.Get()) << "index " << c.index;
    EXPECT_TRUE(ap.IncludeQuarantineOption.Get()) << "untouched values stay";
    EXPECT_EQ(L"ap", ap.SSD.Get());
    ASSERT_TRUE(ap.Monitors.Get());
    EXPECT_FALSE(ap.Monitors->Monitor[0].Enabled.Get()) << "monitors are not the list's business";
  }
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));
}

TEST_F(SettingsPageTest, RetentionBoxStoresFifteenDaysOrNone) {
  engine->SetText(L"GetScanConfig", ScanConfigWith(kDailyQuickWeeklyFull, 7));
  MakeFrame();
  EXPECT_TRUE(Checked(IDC_SETTINGS_RETENTION)) << "any retention shows checked";
  Click(IDC_SETTINGS_RETENTION);
  EXPECT_EQ(0u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
  EXPECT_TRUE(EngineScanConfig().DaysToKeepQuarantinedItems.IsPresent());
  Click(IDC_SETTINGS_RETENTION);
  const auto config = EngineScanConfig();
  EXPECT_EQ(15u, config.DaysToKeepQuarantinedItems.Get());
  EXPECT_EQ(2u, DescribeSchedules(config).size()) << "the schedules are left alone";
  EXPECT_EQ(L"kept", config.SSD.Get());
  EXPECT_EQ(0, engine->CallCount(L"SetAPConfig"));
}

TEST_F(SettingsPageTest, RestoreRecommendedProtectionAsksThenStoresBothDocuments) {
  engine->SetText(L"GetAPConfig", APConfigWith(true, 1));
  MakeFrame();
  answers = {IDNO};
  Click(IDC_SETTINGS_RESTORE_PROTECTION);
  EXPECT_EQ(1u, boxes.size());
  EXPECT_EQ(0, engine->CallCount(L"SetScanConfig"));
  EXPECT_EQ(0, engine->CallCount(L"SetAPConfig"));

  Click(IDC_SETTINGS_RESTORE_PROTECTION);
  EXPECT_EQ(15u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
  EXPECT_EQ(5u, EngineAPConfig().KnownBadApplicationResponseEnum.Get());
  EXPECT_TRUE(Checked(IDC_SETTINGS_RETENTION));
  EXPECT_EQ(3, Selection(IDC_SETTINGS_RESPONSE));

  // A ScanConfig that cannot be read skips both; an APConfig that cannot be
  // read skips only the second.
  struct Row {
    const char* name;
    const wchar_t* failing;
    int scanStores, apStores;
  } rows[] = {{"scan config unreadable", L"GetScanConfig", 0, 0},
              {"ap config unreadable", L"GetAPConfig", 1, 0}};
  for (const Row& r : rows) {
    engine->Fail(r.failing, E_FAIL);
    engine->ClearCalls();
    Click(IDC_SETTINGS_RESTORE_PROTECTION);
    EXPECT_EQ(r.scanStores, engine->CallCount(L"SetScanConfig")) << r.name;
    EXPECT_EQ(r.apStores, engine->CallCount(L"SetAPConfig")) << r.name;
    engine->ClearFailure(r.failing);
  }
}

TEST_F(SettingsPageTest, DefinitionsMessageAppliesProtectionDefaults) {
  struct Row {
    const char* name;
    bool enabled;
    int response;
    std::wstring marker;  // NVPair element, or empty
    std::optional<DWORD> autoProtection;
    int apStores, pairStores;
    bool enabledAfter;
    uint32_t responseAfter;
  } rows[] = {
      {"first time, protection off", false, 1, L"", std::nullopt, 1, 1, true, 5},
      {"first time, installer said no", false, 1, L"", 0, 1, 1, false, 5},
      {"marker 0 is not set", true, 3,
       L"<NVPair Name=\"set_activeprotections_registereddefaults\" Value=\"0\"/>", 1, 1, 1, true,
       5},
      {"set and on: nothing stored", true, 3,
       L"<NVPair Name=\"set_activeprotections_registereddefaults\" Value=\"1\"/>", std::nullopt,
       0, 0, true, 3},
      {"set and found off: on again with its response", false, 3,
       L"<NVPair Name=\"set_activeprotections_registereddefaults\" Value=\"1\"/>", 7, 1, 0, true,
       3},
  };
  MakeFrame();
  for (const Row& r : rows) {
    machine->SetDword(settings::kAutoActiveProtection, r.autoProtection);
    engine->SetText(L"GetAPConfig", APConfigWith(r.enabled, r.response));
    engine->SetText(L"GetConfigDocument", PairsWith(r.marker));
    engine->ClearCalls();
    Page().Post(msg::kSettingsDefinitionsChanged);
    Pump(20);
    EXPECT_EQ(r.apStores, engine->CallCount(L"SetAPConfig")) << r.name;
    EXPECT_EQ(r.pairStores, engine->CallCount(L"SetConfigDocument")) << r.name;
    const auto ap = EngineAPConfig();
    EXPECT_EQ(r.enabledAfter, ap.Enabled.Get()) << r.name;
    EXPECT_EQ(r.responseAfter, ap.KnownBadApplicationResponseEnum.Get()) << r.name;
    if (r.apStores) {
      EXPECT_TRUE(ap.Monitors->Monitor[0].Enabled.Get()) << r.name;
      EXPECT_TRUE(ap.SuspiciousApplicationResponseEnum.IsPresent()) << r.name;
      EXPECT_EQ(L"ap", ap.SSD.Get()) << r.name;
    }
    const std::wstring pairs = engine->Text(L"GetConfigDocument");
    EXPECT_EQ(L"1", PairValue(pairs, kProtectionDefaultsMarker)) << r.name;
    EXPECT_EQ(L"4", PairValue(pairs, L"last_scan_threat_count")) << r.name;
    // The list shows what was stored.
    if (r.apStores) {
      EXPECT_EQ(ResponseIndex(r.enabledAfter, r.responseAfter).value_or(-1),
                Selection(IDC_SETTINGS_RESPONSE))
          << r.name;
    }
  }
}

TEST_F(SettingsPageTest, UnreadableDocumentsChangeNothingTheUserDidNotChange) {
  engine->SetText(L"GetScanConfig", ScanConfigWith(kDailyQuickWeeklyFull, 15));
  MakeFrame();
  // The scan configuration becomes unreadable: its steps store nothing, and the
  // protection response still goes to its own document.
  const wchar_t* broken[] = {L"<ScanConfig DaysToKeepQuarantinedItems=\"x\"/>",
                             L"<ScanConfig><Unknown/></ScanConfig>", L"not xml at all"};
  for (const wchar_t* text : broken) {
    engine->SetText(L"GetScanConfig", text);
    engine->ClearCalls();
    ShowAgain();
    Click(IDC_SETTINGS_RETENTION);
    Click(IDC_SETTINGS_QUICK_CHECK);
    Click(IDC_SETTINGS_APPLY);
    answers = {IDYES};
    Click(IDC_SETTINGS_RESTORE_SCHEDULES);
    EXPECT_EQ(0, engine->CallCount(L"SetScanConfig")) << Narrow(text);
    Choose(IDC_SETTINGS_RESPONSE, 1);
    EXPECT_EQ(1, engine->CallCount(L"SetAPConfig")) << Narrow(text);
    EXPECT_EQ(1u, EngineAPConfig().KnownBadApplicationResponseEnum.Get()) << Narrow(text);
  }
  // The protection configuration becomes unreadable: a response choice stores
  // nothing, the retention box only its own document.
  engine->SetText(L"GetScanConfig", ScanConfigWith(kDailyQuickWeeklyFull, 15));
  engine->SetText(L"GetAPConfig", L"<APConfig Enabled=\"maybe\"/>");
  engine->ClearCalls();
  ShowAgain();
  Choose(IDC_SETTINGS_RESPONSE, 2);
  EXPECT_EQ(0, engine->CallCount(L"SetAPConfig"));
  Click(IDC_SETTINGS_RETENTION);
  EXPECT_EQ(1, engine->CallCount(L"SetScanConfig"));
  EXPECT_EQ(0u, EngineScanConfig().DaysToKeepQuarantinedItems.Get());
  EXPECT_EQ(2u, DescribeSchedules(EngineScanConfig()).size());
  EXPECT_EQ(L"<APConfig Enabled=\"maybe\"/>", engine->Text(L"GetAPConfig"));
}

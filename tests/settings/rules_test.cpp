// The settings page's rules without windows: the response list, start-time
// spread, how a schedule shows, what apply and the defaults write, the
// active-protection defaults and the layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pages/settings/SettingsLayout.h"
#include "pages/settings/SettingsRules.h"
#include "settings_support.h"
#include "themedata/resource.h"

using namespace settings_page;
using settings_test::Describe;
using settings_test::DescribeSchedules;
using settings_test::DrawForOffset;
using settings_test::Narrow;

namespace {

QVnsScanConfig::CScanConfig ConfigFrom(const std::wstring& body) {
  QVnsScanConfig::CScanConfig c;
  EXPECT_EQ(0, c.ReadFromString(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body))
      << Narrow(body);
  return c;
}

}  // namespace

TEST(SettingsRules, ResponseListMapsStoredValuesBothWays) {
  struct Row {
    bool enabled;
    uint32_t stored;
    std::optional<int> shown;
  } rows[] = {
      {true, 0, 0},  {true, 1, 1},  {true, 3, 2},  {true, 5, 3},  {true, 6, 4},
      {false, 3, 0}, {false, 6, 0}, {false, 9, 0}, {true, 2, std::nullopt},
      {true, 4, std::nullopt},      {true, 7, std::nullopt},    {true, 0xFFFFFFFFu, std::nullopt},
  };
  for (const Row& r : rows)
    EXPECT_EQ(r.shown, ResponseIndex(r.enabled, r.stored))
        << "enabled " << r.enabled << " stored " << r.stored;

  const std::optional<uint32_t> stored[] = {0u, 1u, 3u, 5u, 6u};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(stored[i], ResponseForIndex(i)) << "index " << i;
  EXPECT_EQ(std::nullopt, ResponseForIndex(-1)) << "no selection stores nothing";
  EXPECT_EQ(std::nullopt, ResponseForIndex(5));
}

TEST(SettingsRules, StartTimeSpreadsOverTheHourAroundTheChosenOne) {
  struct Row {
    const wchar_t* time;
    int offset;
    const wchar_t* spread;
  } rows[] = {
      {L"12:00", 1, L"12:01"},   {L"12:00", 30, L"12:30"},  {L"12:00", 10, L"12:10"},
      {L"12:00", -1, L"11:59"},  {L"12:00", -30, L"11:30"},
      // An offset of 0 falls into the hour before at 60 minutes, clamped to 59.
      {L"12:00", 0, L"11:59"},
      // Around midnight the start stays on the same weekday, late that day.
      {L"00:00", -30, L"23:30"}, {L"00:00", 0, L"23:59"},   {L"00:00", -12, L"23:48"},
      // Given minutes count only forwards; going back drops them.
      {L"07:20", 25, L"07:45"},  {L"07:20", 30, L"07:50"},  {L"07:50", 20, L"07:59"},
      {L"07:20", -5, L"06:55"},  {L"23:00", 30, L"23:30"},
  };
  for (const Row& r : rows) {
    const int draw = DrawForOffset(r.offset);
    ASSERT_GE(draw, 0) << r.offset;
    EXPECT_EQ(std::wstring(r.spread), SpreadStartTime(r.time, draw))
        << Narrow(r.time) << " offset " << r.offset << " draw " << draw;
  }
  // The whole range of the generator stays within half an hour either side.
  for (int draw : {0, 1, 16383, 32766, 32767}) {
    const std::wstring t = SpreadStartTime(L"05:00", draw);
    EXPECT_TRUE(t >= L"04:30" && t <= L"05:30") << draw << " gave " << Narrow(t);
  }
}

TEST(SettingsRules, ScheduleShowsRoundedToTheListedHours) {
  struct Row {
    const wchar_t* schedule;  // attributes of one ScanSchedule, or nullptr for none
    bool checked, hasSchedule;
    int frequency;
    bool weekdayEnabled;
    int weekday;
    std::optional<int> hour;
  } rows[] = {
      {nullptr, false, false, 0, false, 0, std::nullopt},
      {L"Enabled='true' StartTime='02:47' EnableSun='true' EnableMon='true' EnableTue='true' "
       L"EnableWed='true' EnableThu='true' EnableFri='true' EnableSat='true'",
       true, true, 0, false, 0, 3},
      {L"Enabled='true' StartTime='02:30' EnableWed='true'", true, true, 1, true, 3, 2},
      {L"Enabled='true' StartTime='02:31' EnableSat='true'", true, true, 1, true, 6, 3},
      {L"Enabled='true' StartTime='23:59' EnableTue='true' EnableFri='true'", true, true, 1, true,
       2, 0},
      {L"Enabled='true' StartTime='23:30' EnableMon='true'", true, true, 1, true, 1, 23},
      // Weekly without any day: the first weekday is shown.
      {L"Enabled='true' StartTime='10:00'", true, true, 1, true, 0, 10},
      // A switched-off schedule shows unchecked, its lists disabled.
      {L"Enabled='false' StartTime='10:00' EnableMon='true'", false, true, 1, false, 1, 10},
      // A time that does not read shows as midnight; one out of range leaves the list.
      {L"Enabled='true' StartTime='soon' EnableMon='true'", true, true, 1, true, 1, 0},
      {L"Enabled='true' StartTime='25:00' EnableMon='true'", true, true, 1, true, 1, std::nullopt},
  };
  for (const Row& r : rows) {
    std::wstring body = L"<ScanConfig><ScanSchedules>";
    if (r.schedule) body += L"<ScanSchedule ScanType='0' " + std::wstring(r.schedule) + L"/>";
    body += L"</ScanSchedules></ScanConfig>";
    const auto config = ConfigFrom(body);
    const ScheduleView v = ViewOfSchedule(LastScheduleOfType(config, 0));
    const std::string row = r.schedule ? Narrow(r.schedule) : "no schedule";
    EXPECT_EQ(r.checked, v.checked) << row;
    EXPECT_EQ(r.hasSchedule, v.hasSchedule) << row;
    if (!r.hasSchedule) continue;
    EXPECT_EQ(r.frequency, v.frequency) << row;
    EXPECT_EQ(r.weekdayEnabled, v.weekdayEnabled) << row;
    EXPECT_EQ(r.weekday, v.weekday) << row;
    EXPECT_EQ(r.hour, v.hour) << row;
  }
}

TEST(SettingsRules, TheLastScheduleOfEachTypeIsTheOneShown) {
  const auto config = ConfigFrom(
      L"<ScanConfig><ScanSchedules>"
      L"<ScanSchedule ScheduleID='0' ScanType='0' StartTime='01:00'/>"
      L"<ScanSchedule ScheduleID='1' ScanType='1' StartTime='02:00'/>"
      L"<ScanSchedule ScheduleID='2' ScanType='0' StartTime='03:00'/>"
      L"<ScanSchedule ScheduleID='3' ScanType='2' StartTime='04:00'/>"
      L"</ScanSchedules></ScanConfig>");
  ASSERT_TRUE(LastScheduleOfType(config, 0));
  EXPECT_EQ(L"03:00", LastScheduleOfType(config, 0)->StartTime.Get());
  ASSERT_TRUE(LastScheduleOfType(config, 1));
  EXPECT_EQ(L"02:00", LastScheduleOfType(config, 1)->StartTime.Get());
  EXPECT_EQ(nullptr, LastScheduleOfType(ConfigFrom(L"<ScanConfig/>"), 0));
}

TEST(SettingsRules, ApplyReplacesTheSchedulesWithTheCheckedOnes) {
  const int plus5 = DrawForOffset(5), minus30 = DrawForOffset(-30), zero = DrawForOffset(0);
  struct Row {
    const char* name;
    std::optional<ScheduleChoice> quick, full;
    std::vector<int> draws;
    std::vector<std::wstring> stored;
  } rows[] = {
      {"both daily and weekly",
       ScheduleChoice{false, 3, L"09:00"},
       ScheduleChoice{true, 2, L"21:00"},
       {plus5, minus30},
       {L"id=0 'quick scan' type=0 09:05 days=1111111 on nocache",
        L"id=1 'full scan' type=1 20:30 days=0010000 on nocache"}},
      {"only the full scan takes ID 0",
       std::nullopt,
       ScheduleChoice{true, 6, L"12:00"},
       {plus5},
       {L"id=0 'full scan' type=1 12:05 days=0000001 on nocache"}},
      {"midnight moves back to the end of the same day",
       ScheduleChoice{true, 0, L"00:00"},
       std::nullopt,
       {zero},
       {L"id=0 'quick scan' type=0 23:59 days=1000000 on nocache"}},
      {"nothing checked leaves no schedule", std::nullopt, std::nullopt, {}, {}},
  };
  for (const Row& r : rows) {
    auto config = ConfigFrom(
        L"<ScanConfig DaysToKeepQuarantinedItems='15'><ScanSchedules>"
        L"<ScanSchedule ScheduleID='7' ScanType='2' StartTime='04:00' Enabled='true'/>"
        L"</ScanSchedules><IgnoredThreats><IgnoredThreat Id='9'/></IgnoredThreats></ScanConfig>");
    size_t next = 0;
    ApplySchedules(config, r.quick, r.full, [&] { return r.draws.at(next++); });
    EXPECT_EQ(r.draws.size(), next) << r.name;
    EXPECT_EQ(r.stored, DescribeSchedules(config)) << r.name;
    // The rest of the document stays as it was.
    EXPECT_EQ(15u, config.DaysToKeepQuarantinedItems.Get()) << r.name;
    ASSERT_TRUE(config.IgnoredThreats.Get()) << r.name;
    EXPECT_EQ(1u, config.IgnoredThreats->IgnoredThreat.Count()) << r.name;
  }
  // A document without the schedules element gets one.
  auto bare = ConfigFrom(L"<ScanConfig/>");
  ApplySchedules(bare, ScheduleChoice{false, 0, L"06:00"}, std::nullopt, [&] { return plus5; });
  EXPECT_EQ(std::vector<std::wstring>{L"id=0 'quick scan' type=0 06:05 days=1111111 on nocache"},
            DescribeSchedules(bare));
}

TEST(SettingsRules, InstallerDefaultsAreADailyQuickAndAWeeklyFullScan) {
  struct Row {
    MachineScheduleDefaults defaults;
    std::vector<std::wstring> stored;
  } rows[] = {
      {{L"03:00", L"21:00", 2},
       {L"id=0 'quick scan' type=0 03:00 days=1111111 on nocache",
        L"id=1 'full scan' type=1 21:00 days=0010000 on nocache"}},
      {{L"13:37", L"04:15", 6},
       {L"id=0 'quick scan' type=0 13:37 days=1111111 on nocache",
        L"id=1 'full scan' type=1 04:15 days=0000001 on nocache"}},
      // A day outside the week leaves the full scan without days.
      {{L"03:00", L"21:00", 7},
       {L"id=0 'quick scan' type=0 03:00 days=1111111 on nocache",
        L"id=1 'full scan' type=1 21:00 days=0000000 on nocache"}},
  };
  for (const Row& r : rows) {
    auto config = ConfigFrom(
        L"<ScanConfig MissedScanActionEnum='2'><ScanSchedules>"
        L"<ScanSchedule ScanType='0' StartTime='08:00'/></ScanSchedules></ScanConfig>");
    ASSERT_TRUE(r.defaults.Complete());
    ApplyScheduleDefaults(config, r.defaults);
    EXPECT_EQ(r.stored, DescribeSchedules(config)) << Narrow(r.defaults.quickTime);
    EXPECT_TRUE(config.MissedScanActionEnum.IsPresent());
    EXPECT_EQ(0, config.MissedScanActionEnum.Get());
  }
  EXPECT_FALSE((MachineScheduleDefaults{L"03:00", L"", 2}.Complete()));
  EXPECT_FALSE((MachineScheduleDefaults{L"", L"21:00", 2}.Complete()));
}

TEST(SettingsRules, ActiveProtectionDefaultsStoreOnlyTheFirstTimeOrWhenFoundOff) {
  struct Row {
    const char* name;
    const wchar_t* apconfig;
    bool autoProtection, firstTime;
    bool store;
    bool enabled;
    uint32_t response;
  } rows[] = {
      {"first time, off", L"<APConfig Enabled='false' KnownBadApplicationResponseEnum='1'/>", true,
       true, true, true, 5},
      {"first time, installer said no", L"<APConfig Enabled='false'/>", false, true, true, false,
       5},
      {"first time, already on", L"<APConfig Enabled='true' KnownBadApplicationResponseEnum='3'/>",
       true, true, true, true, 5},
      {"later, on", L"<APConfig Enabled='true' KnownBadApplicationResponseEnum='3'/>", true, false,
       false, true, 3},
      {"later, found off: back on with its response",
       L"<APConfig Enabled='false' KnownBadApplicationResponseEnum='3'/>", true, false, true, true,
       3},
      {"later, found off, installer said no",
       L"<APConfig Enabled='false' KnownBadApplicationResponseEnum='1'/>", false, false, true,
       false, 1},
  };
  for (const Row& r : rows) {
    QVnsAPConfig::CAPConfig c;
    ASSERT_EQ(0, c.ReadFromString(
                     std::wstring(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>") +
                     std::wstring(r.apconfig).insert(std::wstring(r.apconfig).size() - 2,
                                                     L" SuspiciousApplicationResponseEnum='4'") +
                     L""))
        << r.name;
    EXPECT_EQ(r.store, ApplyActiveProtectionDefaults(c, r.autoProtection, r.firstTime)) << r.name;
    EXPECT_EQ(r.enabled, c.Enabled.Get()) << r.name;
    EXPECT_EQ(r.response, c.KnownBadApplicationResponseEnum.Get()) << r.name;
    EXPECT_EQ(r.store ? 0u : 4u, c.SuspiciousApplicationResponseEnum.Get()) << r.name;
  }
}

TEST(SettingsRules, MarkersAreFoundByTheirExactName) {
  QVnsNVPairs::CNVPairs pairs;
  ASSERT_EQ(0, pairs.ReadFromString(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><NVPairs>"
                                    L"<NVPair Name='Set_Schedule_Defaults' Value='1'/>"
                                    L"<NVPair Name='last_scan_threat_count' Value='4'/>"
                                    L"</NVPairs>"));
  EXPECT_EQ(nullptr, FindExactPair(pairs, kScheduleDefaultsMarker));
  SetMarker(pairs, kScheduleDefaultsMarker);
  ASSERT_EQ(3u, pairs.NVPair.Count());
  EXPECT_EQ(kScheduleDefaultsMarker, pairs.NVPair[2].Name.Get());
  EXPECT_EQ(L"1", pairs.NVPair[2].Value.Get());
  EXPECT_EQ(L"1", pairs.NVPair[0].Value.Get());
  // An existing marker is set, not doubled.
  pairs.NVPair[2].Value.Set(L"0");
  SetMarker(pairs, kScheduleDefaultsMarker);
  EXPECT_EQ(3u, pairs.NVPair.Count());
  EXPECT_EQ(L"1", pairs.NVPair[2].Value.Get());
}

TEST(SettingsLayout, BoxesColumnsAndButtonsFollowTheClientArea) {
  // Sizes as the shipped template gives them (pixels).
  const std::map<int, SIZE> sizes = {
      {IDC_SETTINGS_RESPONSE_CAPTION, {225, 15}},
      {IDC_SETTINGS_RESPONSE, {225, 21}},
      {IDC_SETTINGS_RETENTION, {225, 16}},
      {IDC_SETTINGS_RESTORE_PROTECTION, {180, 23}},
      {IDC_SETTINGS_QUARANTINE_TITLE, {180, 20}},
      {IDC_SETTINGS_QUARANTINE_TEXT, {180, 33}},
      {IDC_SETTINGS_QUICK_CHECK, {240, 20}},
      {IDC_SETTINGS_FULL_CHECK, {240, 20}},
      {IDC_SETTINGS_QUICK_FREQUENCY_CAPTION, {30, 15}},
      {IDC_SETTINGS_QUICK_FREQUENCY, {90, 21}},
      {IDC_SETTINGS_QUICK_WEEKDAY_CAPTION, {30, 15}},
      {IDC_SETTINGS_QUICK_WEEKDAY, {90, 21}},
      {IDC_SETTINGS_QUICK_HOUR_CAPTION, {21, 15}},
      {IDC_SETTINGS_QUICK_HOUR, {66, 21}},
      {IDC_SETTINGS_FULL_FREQUENCY_CAPTION, {30, 15}},
      {IDC_SETTINGS_FULL_FREQUENCY, {90, 21}},
      {IDC_SETTINGS_FULL_WEEKDAY_CAPTION, {30, 15}},
      {IDC_SETTINGS_FULL_WEEKDAY, {90, 21}},
      {IDC_SETTINGS_FULL_HOUR_CAPTION, {21, 15}},
      {IDC_SETTINGS_FULL_HOUR, {66, 21}},
      {IDC_SETTINGS_APPLY, {90, 23}},
      {IDC_SETTINGS_RESTORE_SCHEDULES, {105, 23}},
      {IDC_SETTINGS_SCHEDULE_NOTE, {255, 49}},
  };
  const SettingsLayout l = ComputeSettingsLayout(RECT{0, 0, 645, 498}, sizes, SIZE{64, 64});
  auto at = [&](int id) { return l.controls.at(id); };
  auto expectRect = [&](const char* what, RECT got, RECT want) {
    EXPECT_TRUE(EqualRect(&got, &want))
        << what << ": got " << got.left << "," << got.top << "," << got.right << ","
        << got.bottom << " want " << want.left << "," << want.top << "," << want.right << ","
        << want.bottom;
  };
  expectRect("upper box", l.upperBox, RECT{10, 80, 635, 255});
  expectRect("lower box", l.lowerBox, RECT{10, 265, 635, 488});
  // Upper left column from box top + 50, 7 pixels apart.
  expectRect("1033", at(IDC_SETTINGS_RESPONSE_CAPTION), RECT{30, 130, 255, 145});
  expectRect("1028", at(IDC_SETTINGS_RESPONSE), RECT{30, 152, 255, 173});
  expectRect("1030", at(IDC_SETTINGS_RETENTION), RECT{30, 180, 255, 196});
  expectRect("1029", at(IDC_SETTINGS_RESTORE_PROTECTION), RECT{30, 203, 210, 226});
  // Picture in the right half; its labels beside it.
  EXPECT_EQ(10 + 312 + 10, l.picture.x);
  EXPECT_EQ(145, l.picture.y);
  expectRect("1031", at(IDC_SETTINGS_QUARANTINE_TITLE), RECT{403, 145, 583, 165});
  expectRect("1032", at(IDC_SETTINGS_QUARANTINE_TEXT), RECT{403, 172, 583, 205});
  // Quick column: check box half the box width less 30; rows 14 and 7 apart.
  expectRect("1034", at(IDC_SETTINGS_QUICK_CHECK), RECT{30, 315, 312, 335});
  expectRect("1036", at(IDC_SETTINGS_QUICK_FREQUENCY_CAPTION), RECT{30, 352, 60, 367});
  expectRect("1038", at(IDC_SETTINGS_QUICK_FREQUENCY), RECT{67, 349, 157, 370});
  expectRect("1040", at(IDC_SETTINGS_QUICK_WEEKDAY_CAPTION), RECT{30, 380, 60, 395});
  expectRect("1044", at(IDC_SETTINGS_QUICK_WEEKDAY), RECT{67, 377, 157, 398});
  expectRect("1042", at(IDC_SETTINGS_QUICK_HOUR_CAPTION), RECT{164, 380, 185, 395});
  expectRect("1046", at(IDC_SETTINGS_QUICK_HOUR), RECT{192, 377, 258, 398});
  // Full column from the lower box's middle + 10.
  expectRect("1035", at(IDC_SETTINGS_FULL_CHECK), RECT{332, 315, 614, 335});
  expectRect("1039", at(IDC_SETTINGS_FULL_FREQUENCY), RECT{369, 349, 459, 370});
  expectRect("1047", at(IDC_SETTINGS_FULL_HOUR), RECT{494, 377, 560, 398});
  // Buttons on the bottom line, the note beside them.
  expectRect("1048", at(IDC_SETTINGS_APPLY), RECT{30, 458, 120, 481});
  expectRect("1049", at(IDC_SETTINGS_RESTORE_SCHEDULES), RECT{127, 458, 232, 481});
  expectRect("1050", at(IDC_SETTINGS_SCHEDULE_NOTE), RECT{325, 442, 620, 481});

  // Without the picture its labels move to the half's start + 10.
  const SettingsLayout bare = ComputeSettingsLayout(RECT{0, 0, 645, 498}, sizes, SIZE{0, 0});
  EXPECT_EQ(10 + 312 + 10, bare.controls.at(IDC_SETTINGS_QUARANTINE_TITLE).left);
}

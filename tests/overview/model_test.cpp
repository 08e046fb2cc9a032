// The overview and scan pages' rules without windows: status, texts, layout,
// the custom folder list and the scan configuration edits.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/scan/OverviewModel.h"
#include "pages/scan/ScanPageModel.h"

namespace SC = QVnsScanConfig;

namespace {

// FILETIME ticks of a local wall-clock time.
int64_t LocalTicks(WORD y, WORD mo, WORD d, WORD h, WORD mi) {
  SYSTEMTIME local{y, mo, 0, d, h, mi, 0, 0}, utc{};
  TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc);
  FILETIME ft{};
  SystemTimeToFileTime(&utc, &ft);
  return (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::string Narrow(const std::wstring& s) { return ::testing::PrintToString(s); }

}  // namespace

TEST(OverviewStatusRules, TableOfCountsLevelsAndScanTimes) {
  struct Row {
    const char* name;
    ScanSummary summary;
    UINT message;
    OverviewStatus status;
    bool formatted;
  } rows[] = {
      {"fresh install", {0, 0, 0, -1}, 229, kStatusOrange, false},
      {"count 0 with a quick scan", {0, 5, 0, -1}, 230, kStatusGreen, false},
      {"count 0 with a full scan", {5, 0, 0, 6}, 230, kStatusGreen, false},
      {"count 0, no scans, but a level", {0, 0, 0, 2}, 229, kStatusOrange, false},
      {"count 3 level 1", {0, 5, 3, 1}, 231, kStatusRed, true},
      {"count 3 level 2", {0, 5, 3, 2}, 231, kStatusRed, true},
      {"count 3 level 3", {0, 5, 3, 3}, 231, kStatusRed, true},
      {"count 3 level 4", {0, 5, 3, 4}, 232, kStatusOrange, true},
      {"count 3 level 5", {0, 5, 3, 5}, 232, kStatusOrange, true},
      {"count 3 level 6", {0, 5, 3, 6}, 230, kStatusGreen, false},
      {"count 3 level -1", {0, 5, 3, -1}, 232, kStatusOrange, true},
      {"count 3 level 0", {0, 5, 3, 0}, 232, kStatusOrange, true},
      {"count 3 without any scan time", {0, 0, 3, 2}, 231, kStatusRed, true},
      {"negative count", {0, 5, -4, 2}, 231, kStatusRed, true},
  };
  for (const Row& r : rows) {
    const StatusChoice c = ChooseOverviewStatus(r.summary);
    EXPECT_EQ(c.messageId, r.message) << r.name;
    EXPECT_EQ(c.status, r.status) << r.name;
    EXPECT_EQ(c.formatted, r.formatted) << r.name;
  }
}

TEST(OverviewStatusRules, LookOfEachStatusAndUnknownValuesDrawnGreen) {
  EXPECT_STREQ(LookOfStatus(kStatusGreen).computer, L"comp_green");
  EXPECT_STREQ(LookOfStatus(kStatusOrange).bannerTop, L"general/header/orange_top");
  EXPECT_STREQ(LookOfStatus(kStatusRed).icon, L"status_red");
  EXPECT_STREQ(LookOfStatus(kStatusRed).bannerBottom, L"general/header/red_bottom");
  for (int other : {-1, 3, 77}) {
    EXPECT_STREQ(LookOfStatus(other).computer, L"comp_green") << other;
    EXPECT_STREQ(LookOfStatus(other).bannerTop, L"general/header/green_top") << other;
  }
}

TEST(OverviewTexts, EngineDateTimeSplitting) {
  struct Row {
    const wchar_t* text;
    std::array<int, 6> fields;
  } rows[] = {
      {L"2009-05-12T14:05:00", {2009, 5, 12, 14, 5, 0}},
      {L"2009-05-12", {2009, 5, 12, 0, 0, 0}},
      {L"", {0, 0, 0, 0, 0, 0}},
      {L"garbage", {0, 0, 0, 0, 0, 0}},
      {L"2009x-05-12T1", {2009, 5, 12, 1, 0, 0}},
      {L"1601-01-01T00:00:00", {1601, 1, 1, 0, 0, 0}},
      {L"99999999999999-1-1T0:0:0", {1000000000, 1, 1, 0, 0, 0}},
  };
  for (const Row& r : rows) EXPECT_EQ(SplitEngineDateTime(r.text), r.fields) << Narrow(r.text);
}

TEST(OverviewTexts, DefinitionsDateAndTime) {
  struct Row {
    const wchar_t* text;
    bool known;
    const wchar_t* date;
    const wchar_t* time;
  } rows[] = {
      {L"2009-05-12T14:05:00", true, L"12 May 2009", L"02:05 PM"},
      {L"2026-12-01T00:00:00", true, L"01 December 2026", L"12:00 AM"},
      {L"1991-01-01T09:30:00", true, L"01 January 1991", L"09:30 AM"},
      {L"1990-05-01T10:00:00", false, L"", L""},
      {L"1990-12-31T23:59:59", false, L"", L""},
      {L"", false, L"", L""},
      {L"not a date", false, L"", L""},
      {L"2009-13-12T14:05:00", false, L"", L""},
      {L"2009-02-30T14:05:00", false, L"", L""},
      {L"2009-05-12T25:05:00", false, L"", L""},
  };
  for (const Row& r : rows) {
    auto texts = FormatDefinitionsDate(r.text);
    ASSERT_EQ(texts.has_value(), r.known) << Narrow(r.text);
    if (!texts) continue;
    EXPECT_EQ(texts->date, r.date) << Narrow(r.text);
    EXPECT_EQ(texts->time, r.time) << Narrow(r.text);
  }
}

TEST(OverviewTexts, LastScanLineByKindAndRange) {
  struct Row {
    const wchar_t* text;
    const wchar_t* kind;
    const wchar_t* line;  // null: no line (text 227)
  } rows[] = {
      {L"2009-05-12T14:05:00", L"Full scan", L"Tuesday, 12 May 2009 at 02:05 PM  [Full scan]"},
      {L"2009-05-12T14:05:00", L"", L"Tuesday, 12 May 2009 at 02:05 PM"},
      {L"2009-05-12T09:00:00", L"Quick scan", L"Tuesday, 12 May 2009 at 09:00 AM  [Quick scan]"},
      {L"1601-05-12T14:05:00", L"Full scan", nullptr},
      {L"30827-01-01T00:00:00", L"", nullptr},
      {L"1602-01-01T00:00:00", L"", L"Tuesday, 01 January 1602 at 12:00 AM"},
      {L"", L"", nullptr},
      {L"rubbish", L"Full scan", nullptr},
  };
  for (const Row& r : rows) {
    auto line = FormatLastScanLine(r.text, r.kind);
    ASSERT_EQ(line.has_value(), r.line != nullptr) << Narrow(r.text);
    if (line) {
      EXPECT_EQ(*line, r.line) << Narrow(r.text);
    }
  }
  EXPECT_EQ(ScanKindTextId(0), 225u);
  EXPECT_EQ(ScanKindTextId(1), 224u);
  EXPECT_EQ(ScanKindTextId(2), 226u);
  EXPECT_EQ(ScanKindTextId(3), 0u);
  EXPECT_EQ(ScanKindTextId(4), 0u);
}

TEST(OverviewTexts, ScanPairTimesAndTheirGarbledValues) {
  EXPECT_EQ(FormatScanPairTime(LocalTicks(2009, 5, 12, 14, 5)).value_or(L"-"),
            L"Tuesday, 12 May 2009");
  struct Row {
    const char* name;
    int64_t value;
  } never[] = {
      {"zero", 0},
      {"negative", -5},
      {"most negative", INT64_MIN},
      {"beyond the convertible range", INT64_MAX},
  };
  for (const Row& r : never) EXPECT_FALSE(FormatScanPairTime(r.value).has_value()) << r.name;
}

TEST(OverviewTexts, InstallDateAndNeverComparison) {
  EXPECT_EQ(FormatInstallDate(static_cast<uint64_t>(LocalTicks(2026, 3, 4, 12, 0))).value_or(L"-"),
            L"04 March 2026");
  EXPECT_FALSE(FormatInstallDate(0).has_value());
  EXPECT_FALSE(FormatInstallDate(UINT64_MAX).has_value());

  EXPECT_TRUE(ScanTextsBothNever(L"Never", L"NEVER"));
  EXPECT_TRUE(ScanTextsBothNever(L"never", L"never"));
  EXPECT_FALSE(ScanTextsBothNever(L"Never", L"Tuesday, 12 May 2009"));
  EXPECT_FALSE(ScanTextsBothNever(L"Nie", L"Nie"));
}

TEST(OverviewTexts, PrintfStyleTextsFormattedSafely) {
  EXPECT_EQ(FormatTextNoArgs(L"100%% sure"), L"100% sure");
  EXPECT_EQ(FormatTextNoArgs(L"plain"), L"plain");
  EXPECT_EQ(FormatTextInt(L"%d threats removed", 4), L"4 threats removed");
  EXPECT_EQ(FormatTextInt(L"%i of %d", 7), L"7 of %d");
  // A translated text with a conversion that takes no integer must not read memory.
  EXPECT_EQ(FormatTextInt(L"%s removed: %d", 2), L"%s removed: 2");
  EXPECT_EQ(FormatTextInt(L"trailing %", 1), L"trailing %");
}

TEST(OverviewLayoutRules, RectanglesOfAnOrdinaryPage) {
  OverviewLayoutInput in{};
  in.client = RECT{0, 0, 800, 500};
  in.customButton = SIZE{150, 40};
  in.startButton = SIZE{120, 36};
  in.computerBg = SIZE{200, 180};
  in.computer = SIZE{160, 140};
  in.statFontHeight = 14.7f;
  const OverviewLayout l = ComputeOverviewLayout(in);
  EXPECT_EQ(l.banner.X, 15);
  EXPECT_EQ(l.banner.Y, 15);
  EXPECT_EQ(l.banner.Width, 770);
  EXPECT_EQ(l.banner.Height, 50);
  EXPECT_EQ(l.customButton.x, 20);
  EXPECT_EQ(l.customButton.y, 440);
  EXPECT_EQ(l.contentBottom, 412);
  EXPECT_EQ(l.schedule.X, 190);
  EXPECT_EQ(l.schedule.Y, 440);
  EXPECT_EQ(l.schedule.Width, 590);
  EXPECT_EQ(l.schedule.Height, 40);
  EXPECT_EQ(l.computerBg.X, 2);
  EXPECT_EQ(l.computerBg.Y, 80);
  EXPECT_EQ(l.computer.X, 22);
  EXPECT_EQ(l.computer.Y, 100);
  // Start: background right 202 + (800 - 200 - 120) / 2.
  EXPECT_EQ(l.startButton.x, 442);
  EXPECT_EQ(l.startButton.y, 412 - 36 - 20);
  // Statistics: 6 lines of 14 pixels, at most 525 wide, centred right of the computer.
  EXPECT_EQ(l.stats.Height, 84);
  EXPECT_EQ(l.stats.Width, 525);
  EXPECT_FLOAT_EQ(l.stats.X, 202 + (598 - 525) / 2.0f);
  // Centred between the banner (65) and the lower of start top (356) and background bottom (260).
  EXPECT_FLOAT_EQ(l.stats.Y, 65 + (260 - 65 - 84) / 2.0f);
  const Gdiplus::RectF cell = StatisticsCell(l.stats, 1, 1);
  EXPECT_FLOAT_EQ(cell.X, l.stats.X + 262.5f);
  EXPECT_FLOAT_EQ(cell.Y, l.stats.Y + 42);
}

TEST(OverviewLayoutRules, NarrowPagesShrinkTheStatisticsBlock) {
  struct Row {
    int width;
    float expected;
  } rows[] = {{1200, 525}, {757, 525}, {700, 468}, {400, 168}, {200, 0}};
  for (const Row& r : rows) {
    OverviewLayoutInput in{};
    in.client = RECT{0, 0, r.width, 500};
    in.customButton = SIZE{150, 40};
    in.startButton = SIZE{120, 36};
    in.computerBg = SIZE{200, 180};
    in.statFontHeight = 14;
    EXPECT_EQ(ComputeOverviewLayout(in).stats.Width, r.expected) << "width " << r.width;
  }
}

// ---- scan page ------------------------------------------------------------------

TEST(CustomFolderList, AddingRefusesDuplicatesInOtherLetterCase) {
  struct Row {
    const char* name;
    CustomPathList before;
    const wchar_t* added;
    AddPathResult result;
    CustomPathList after;
  } rows[] = {
      {"empty list stores lower case", {}, L"C:\\Data", AddPathResult::kAdded, {L"c:\\data"}},
      {"duplicate in capitals", {L"c:\\data"}, L"C:\\Data", AddPathResult::kDuplicate,
       {L"c:\\data"}},
      {"duplicate as is", {L"c:\\data"}, L"c:\\data", AddPathResult::kDuplicate, {L"c:\\data"}},
      {"second folder appended", {L"c:\\data"}, L"D:\\Other", AddPathResult::kAdded,
       {L"c:\\data", L"d:\\other"}},
      {"a prefix is another folder", {L"c:\\data"}, L"C:\\Data2", AddPathResult::kAdded,
       {L"c:\\data", L"c:\\data2"}},
      {"cancelled browser", {L"c:\\data"}, L"", AddPathResult::kEmpty, {L"c:\\data"}},
      {"non-ASCII letters", {}, L"C:\\ÄRGER", AddPathResult::kAdded, {L"c:\\ärger"}},
      {"non-ASCII duplicate", {L"c:\\ärger"}, L"C:\\ÄRGER", AddPathResult::kDuplicate,
       {L"c:\\ärger"}},
  };
  for (Row& r : rows) {
    CustomPathList list = r.before;
    EXPECT_EQ(AddCustomPath(list, r.added), r.result) << r.name;
    EXPECT_EQ(list, r.after) << r.name;
  }
}

TEST(CustomFolderList, RemovingByRow) {
  CustomPathList list{L"c:\\a", L"c:\\b", L"c:\\c"};
  EXPECT_TRUE(RemoveCustomPathAt(list, 1));
  EXPECT_EQ(list, (CustomPathList{L"c:\\a", L"c:\\c"}));
  EXPECT_FALSE(RemoveCustomPathAt(list, 2));
  EXPECT_FALSE(RemoveCustomPathAt(list, -1));
  EXPECT_TRUE(RemoveCustomPathAt(list, 0));
  EXPECT_TRUE(RemoveCustomPathAt(list, 0));
  EXPECT_TRUE(list.empty());
}

TEST(ScanStartRules, TypeOfEachChoice) {
  struct Row {
    const char* name;
    bool full, custom;
    size_t folders;
    std::optional<LONG> type;
  } rows[] = {
      {"quick", false, false, 0, 0},       {"quick with folders", false, false, 3, 0},
      {"full", true, false, 0, 1},         {"custom with a folder", false, true, 1, 2},
      {"custom, no folder", false, true, 0, std::nullopt},
  };
  for (const Row& r : rows) EXPECT_EQ(ScanTypeForStart(r.full, r.custom, r.folders), r.type) << r.name;
}

namespace {

SC::CScanConfig ParseConfig(const std::wstring& xml) {
  SC::CScanConfig config;
  EXPECT_EQ(config.ReadFromMemory(xml.data(), xml.size() * sizeof(wchar_t)), 0) << Narrow(xml);
  return config;
}

std::vector<std::wstring> CustomPathsOf(const SC::CScanConfig& config, size_t setting) {
  std::vector<std::wstring> out;
  const auto& s = config.ScanSettings.Get()->ScanSetting[setting];
  if (const auto* p = s.PathsToScan.Get())
    for (const auto& path : p->Paths) out.push_back(path.Path.Get());
  return out;
}

const wchar_t kConfig[] =
    L"<ScanConfig ShowUserScanResultsManual=\"false\" CheckForUpdatesBeforeScan=\"false\">"
    L"<ScanSettings>"
    L"<ScanSetting ScanType=\"0\"><PathsToScan><Paths Path=\"q:\\keep\"/></PathsToScan></ScanSetting>"
    L"<ScanSetting ScanType=\"2\"><PathsToScan><Paths Path=\"c:\\old\"/></PathsToScan></ScanSetting>"
    L"<ScanSetting ScanType=\"2\"/>"
    L"</ScanSettings></ScanConfig>";

}  // namespace

TEST(ScanStartConfig, OptionsAndCustomPathsWrittenOnEveryStart) {
  SC::CScanConfig config = ParseConfig(kConfig);
  const CustomPathList folders{L"c:\\one", L"d:\\two"};
  ApplyScanStartConfig(config, &folders);
  EXPECT_TRUE(config.ShowUserScanResultsManual.Get());
  EXPECT_TRUE(config.ShowUserScanResultsManual.IsPresent());
  EXPECT_TRUE(config.CheckForUpdatesBeforeScan.Get());
  EXPECT_TRUE(config.CheckForUpdatesBeforeScan.IsPresent());
  EXPECT_EQ(config.ScanDetailCBIntervalMS.Get(), 100u);
  EXPECT_TRUE(config.ScanDetailCBIntervalMS.IsPresent());
  // Every custom setting gets the list (the one without paths too); others stay.
  EXPECT_EQ(CustomPathsOf(config, 0), (std::vector<std::wstring>{L"q:\\keep"}));
  EXPECT_EQ(CustomPathsOf(config, 1), (std::vector<std::wstring>{L"c:\\one", L"d:\\two"}));
  EXPECT_EQ(CustomPathsOf(config, 2), (std::vector<std::wstring>{L"c:\\one", L"d:\\two"}));

  const CustomPathList none;
  ApplyScanStartConfig(config, &none);
  EXPECT_TRUE(CustomPathsOf(config, 1).empty());
}

TEST(ScanStartConfig, FoldersNeverLoadedLeaveTheStoredOnes) {
  SC::CScanConfig config = ParseConfig(kConfig);
  ApplyScanStartConfig(config, nullptr);
  EXPECT_TRUE(config.ShowUserScanResultsManual.Get());
  EXPECT_EQ(CustomPathsOf(config, 1), (std::vector<std::wstring>{L"c:\\old"}));
}

TEST(ScanStartConfig, MissingCustomSettingIsCreatedOnlyForFolders) {
  {
    SC::CScanConfig config = ParseConfig(L"<ScanConfig/>");
    const CustomPathList none;
    ApplyScanStartConfig(config, &none);
    EXPECT_EQ(config.ScanSettings.Get(), nullptr);
  }
  SC::CScanConfig config = ParseConfig(L"<ScanConfig/>");
  const CustomPathList folders{L"c:\\one"};
  ApplyScanStartConfig(config, &folders);
  ASSERT_NE(config.ScanSettings.Get(), nullptr);
  ASSERT_EQ(config.ScanSettings.Get()->ScanSetting.Count(), 1u);
  EXPECT_EQ(config.ScanSettings.Get()->ScanSetting[0].ScanType.Get(), 2u);
  EXPECT_EQ(CustomPathsOf(config, 0), (std::vector<std::wstring>{L"c:\\one"}));
}

TEST(ScanShowConfig, FoldersThatNoLongerExistAreDropped) {
  struct Row {
    const char* name;
    std::vector<std::wstring> stored;
    std::vector<std::wstring> gone;
    CustomPathList shown;
    bool removed;
    std::vector<std::wstring> kept;
  } rows[] = {
      {"all exist", {L"c:\\a", L"c:\\b"}, {}, {L"c:\\a", L"c:\\b"}, false, {L"c:\\a", L"c:\\b"}},
      {"second of three gone",
       {L"c:\\a", L"c:\\b", L"c:\\c"},
       {L"c:\\b"},
       {L"c:\\a", L"c:\\c"},
       true,
       {L"c:\\a", L"c:\\c"}},
      {"all gone", {L"c:\\a", L"c:\\b"}, {L"c:\\a", L"c:\\b"}, {}, true, {}},
      {"empty path gone", {L"", L"c:\\a"}, {L""}, {L"c:\\a"}, true, {L"c:\\a"}},
      {"stored in capitals", {L"C:\\A"}, {}, {L"c:\\a"}, false, {L"C:\\A"}},
      {"stored twice", {L"c:\\a", L"C:\\A"}, {}, {L"c:\\a"}, false, {L"c:\\a", L"C:\\A"}},
  };
  for (const Row& r : rows) {
    std::wstring xml = L"<ScanConfig><ScanSettings><ScanSetting ScanType=\"2\"><PathsToScan>";
    for (const auto& p : r.stored) xml += L"<Paths Path=\"" + p + L"\"/>";
    xml += L"</PathsToScan></ScanSetting></ScanSettings></ScanConfig>";
    SC::CScanConfig config = ParseConfig(xml);
    auto exists = [&](const std::wstring& p) {
      return std::find(r.gone.begin(), r.gone.end(), p) == r.gone.end();
    };
    const LoadedCustomPaths loaded = TakeCustomPaths(config, exists);
    EXPECT_EQ(loaded.folders, r.shown) << r.name;
    EXPECT_EQ(loaded.removedAny, r.removed) << r.name;
    EXPECT_EQ(CustomPathsOf(config, 0), r.kept) << r.name;
  }
}

TEST(ScanShowConfig, NoCustomSettingGivesAnEmptyList) {
  SC::CScanConfig config = ParseConfig(L"<ScanConfig><ScanSettings><ScanSetting ScanType=\"0\"/>"
                                       L"</ScanSettings></ScanConfig>");
  const LoadedCustomPaths loaded = TakeCustomPaths(config, [](const std::wstring&) { return true; });
  EXPECT_TRUE(loaded.folders.empty());
  EXPECT_FALSE(loaded.removedAny);
}

TEST(ScanPageLayoutRules, ControlRectangles) {
  const ScanPageLayout l = ComputeScanPageLayout(620, 470, 20, SIZE{120, 36});
  const int a = (620 - 120) / 2;  // 250
  EXPECT_EQ(l.quick.left, 40);
  EXPECT_EQ(l.quick.top, 90);
  EXPECT_EQ(l.quick.right, 40 + a);
  EXPECT_EQ(l.quick.bottom, 110);
  EXPECT_EQ(l.full.left, a + 80);
  EXPECT_EQ(l.quickLabel.top, 117);
  EXPECT_EQ(l.quickLabel.bottom, 177);
  EXPECT_EQ(l.fullLabel.left, a + 100);
  EXPECT_EQ(l.custom.top, 184);
  EXPECT_EQ(l.customLabel.top, 211);
  EXPECT_EQ(l.customLabel.bottom, 241);
  EXPECT_EQ(l.list.left, 60);
  EXPECT_EQ(l.list.top, 255);
  EXPECT_EQ(l.list.right, 560);
  EXPECT_EQ(l.list.bottom, 255 + 470 - 40 - 315);
  EXPECT_EQ(l.add.x, 60);
  EXPECT_EQ(l.add.y, 470 - 86);
  EXPECT_EQ(l.start.x, 620 - 120 - 7);
  EXPECT_EQ(l.start.y, 470 - 36 - 7);
}

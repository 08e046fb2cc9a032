// Threat records and the rules around them, without windows: levels, pictures,
// action texts, records from results documents and from scan events, trace
// bookkeeping, drop-down options, counts, row geometry and clicks, the results
// page's layout and ignored threats.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "fixture.h"
#include "pages/scan/ResultsPage.h"
#include "pages/scan/ScanResultsList.h"
#include "pages/scan/ThreatRecord.h"
#include "theme/TextFormat.h"

namespace {

using QVnsScanResults::CARDOThreatEngineResults;
using QVnsScanResults::Cthreat_2;

const threat::DetailTitles kTitles{L"Advice: ", L"Description: ", L"Traces:"};

CARDOThreatEngineResults Parse(const std::vector<tl::ThreatSpec>& threats) {
  CARDOThreatEngineResults doc;
  EXPECT_EQ(doc.ReadFromString(tl::ResultsXml(threats)), 0);
  return doc;
}

Cthreat_2& FirstThreat(CARDOThreatEngineResults& doc) { return doc.threats->threat[0]; }

ThreatRecord Level(int level, bool handled = false) {
  ThreatRecord r;
  r.level = level;
  r.handled = handled;
  return r;
}

TEST(ThreatLevels, SummaryColourAndPicturesFollowTheLowestLevel) {
  struct Row {
    std::vector<int> levels;
    threat::Severity severity;
    const wchar_t* computer;
  };
  const Row rows[] = {
      {{}, threat::Severity::Green, L"Images/scan/computer_green.png"},
      {{3}, threat::Severity::Red, L"Images/scan/computer_red.png"},
      {{5, 1}, threat::Severity::Red, L"Images/scan/computer_red.png"},
      {{4}, threat::Severity::Orange, L"Images/scan/computer_orange.png"},
      {{5, 6}, threat::Severity::Orange, L"Images/scan/computer_orange.png"},
      {{6}, threat::Severity::Green, L"Images/scan/computer_green.png"},
      {{9, 7}, threat::Severity::Green, L"Images/scan/computer_green.png"},
      // Level 0 is below 1 but outside the scale: no damage.
      {{0}, threat::Severity::Green, L"Images/scan/computer_green.png"},
  };
  for (const Row& row : rows) {
    std::vector<ThreatRecord> records;
    for (int l : row.levels) records.push_back(Level(l));
    const int lowest = threat::LowestLevel(records);
    SCOPED_TRACE(::testing::Message() << "levels " << ::testing::PrintToString(row.levels)
                                      << " lowest " << lowest);
    EXPECT_EQ(threat::SeverityOf(lowest), row.severity);
    EXPECT_STREQ(threat::LookOf(threat::SeverityOf(lowest)).computerPicture, row.computer);
  }
  EXPECT_EQ(threat::LowestLevel({}), 6);
  EXPECT_STREQ(threat::LookOf(threat::Severity::Red).bannerTop, L"general/header/red_top");
  EXPECT_STREQ(threat::LookOf(threat::Severity::Orange).statusPicture,
               L"Images/overview/status_orange.png");
}

TEST(ThreatLevels, DamagePictureByLevelAndHandledState) {
  struct Row {
    int level;
    bool handled;
    int index;
  };
  const Row rows[] = {{1, false, 5}, {2, false, 4}, {3, false, 3}, {4, false, 2}, {5, false, 1},
                      {6, false, 0}, {0, false, 0}, {-1, false, 0}, {3, true, 0}, {1, true, 0}};
  for (const Row& row : rows) {
    EXPECT_EQ(threat::DamageIndex(row.level, row.handled), row.index)
        << "level " << row.level << " handled " << row.handled;
  }
  EXPECT_EQ(threat::DamagePicturePath(3), L"Images\\Scan\\damage_level\\damage3.png");
}

TEST(ThreatActions, TextIdsOfActionCodes) {
  const std::pair<int, UINT> rows[] = {{-1, 600}, {0, 601}, {1, 602}, {2, 603}, {3, 604},
                                       {5, 606}, {6, 607}, {7, 0},   {-2, 0},  {100, 0}};
  for (auto [code, id] : rows) EXPECT_EQ(threat::ActionTextId(code), id) << "code " << code;
}

TEST(ThreatActions, HandledRecordShowsHandledWhateverItsActionAndLevel) {
  for (int action : {-1, 0, 3, 6}) {
    for (int level : {1, 3, 5}) {
      ThreatRecord r = Level(level, true);
      r.action = action;
      EXPECT_EQ(threat::ActionColumnTextId(r), 257u) << "action " << action;
      EXPECT_EQ(threat::DamageIndex(r.level, r.handled), 0) << "level " << level;
    }
  }
  ThreatRecord open = Level(2);
  open.action = 3;
  EXPECT_EQ(threat::ActionColumnTextId(open), 604u);
}

TEST(RecordFromThreat, FieldsOfTheThreatElement) {
  CARDOThreatEngineResults doc = Parse({{7, L"Trojan.X", 2, L"Trojan", 2, false, -1, 0,
                                         {L"C:\\a.exe", L"HKLM\\Run\\a"}}});
  Cthreat_2& t = FirstThreat(doc);
  ThreatRecord r = threat::RecordFromThreat(t, kTitles);
  EXPECT_EQ(r.source, &t);
  EXPECT_EQ(r.name, L"Trojan.X");
  EXPECT_EQ(r.category, L"Trojan");
  EXPECT_EQ(r.level, 2);
  EXPECT_EQ(r.adviseType, 2);
  // actionRequested -1 follows the advice: action 2 shows text 603.
  EXPECT_EQ(r.action, 2);
  EXPECT_EQ(threat::ActionColumnTextId(r), 603u);
  EXPECT_FALSE(r.canQuarantine);
  EXPECT_FALSE(r.handled);
  EXPECT_EQ(r.traceCount, 2);
  EXPECT_EQ(r.adviceText, L"Advice: Remove Trojan.X");
  EXPECT_EQ(r.descriptionText, L"Description: About Trojan.X");
  EXPECT_EQ(r.tracesText, L"Traces:\nC:\\a.exe\nHKLM\\Run\\a");
  ASSERT_EQ(r.traces.size(), 2u);
  EXPECT_FALSE(r.traces[1].handled);
}

TEST(RecordFromThreat, CleanerResultDecidesHandled) {
  struct Row {
    int cleanerResult;
    bool handled;
  };
  const Row rows[] = {{0, false}, {1, true}, {2, false}, {3, true}, {4, false}, {6, true}, {-1, false}};
  for (const Row& row : rows) {
    CARDOThreatEngineResults doc =
        Parse({{1, L"W", 3, L"Worm", 1, true, 4, row.cleanerResult, {L"a", L"b", L"c"}}});
    ThreatRecord r = threat::RecordFromThreat(FirstThreat(doc), kTitles);
    SCOPED_TRACE(::testing::Message() << "cleanerResult " << row.cleanerResult);
    EXPECT_EQ(r.handled, row.handled);
    EXPECT_EQ(r.traceCount, row.handled ? 0 : 3);
    EXPECT_EQ(r.action, 4);  // a requested action other than -1 is kept
    for (const ThreatTrace& trace : r.traces) EXPECT_EQ(trace.handled, row.handled);
  }
}

TEST(ScanThreats, EventsMergeByExactName) {
  CScanResultsList list;  // no window: records only
  auto event = [](const wchar_t* name, const wchar_t* trace) {
    threat::ScanThreat t;
    t.name = name;
    t.category = L"Cat";
    t.traceText = trace;
    t.adviseType = 3;
    t.level = 2;
    return t;
  };
  EXPECT_EQ(list.AddScanThreat(event(L"Trojan.X", L"C:\\one.exe")), 0);
  EXPECT_EQ(list.AddScanThreat(event(L"Adware.Y", L"C:\\ad.dll")), 1);
  EXPECT_EQ(list.AddScanThreat(event(L"Trojan.X", L"C:\\two.exe")), 0);
  EXPECT_EQ(list.RecordCount(), 2);
  const ThreatRecord& first = list.Records()[0];
  EXPECT_EQ(first.traceCount, 2);
  EXPECT_NE(first.tracesText.find(L"\nC:\\one.exe"), std::wstring::npos);
  EXPECT_NE(first.tracesText.find(L"\nC:\\two.exe"), std::wstring::npos);
  EXPECT_EQ(first.source, nullptr);
  EXPECT_EQ(first.action, 3);
  // A name differing only in letter case is another threat.
  EXPECT_EQ(list.AddScanThreat(event(L"trojan.x", L"C:\\three.exe")), 2);
  EXPECT_EQ(list.RecordCount(), 3);
  EXPECT_EQ(list.TotalTraces(), 4);
  // After clearing, the same name starts a new record again.
  list.ClearThreats();
  EXPECT_EQ(list.AddScanThreat(event(L"Trojan.X", L"C:\\one.exe")), 0);
  EXPECT_EQ(list.Records()[0].traceCount, 1);
}

TEST(ScanThreats, TracesCleanedOneByOne) {
  struct Row {
    const char* what;
    std::vector<std::wstring> cleaned;
    int traceCount;
    bool handled;
  };
  const Row rows[] = {
      {"nothing", {}, 3, false},
      {"one", {L"a"}, 2, false},
      {"unknown text", {L"zz"}, 3, false},
      {"letter case differs", {L"A"}, 3, false},
      {"twice the same", {L"a", L"a"}, 2, false},
      {"all", {L"a", L"b", L"c"}, 0, true},
  };
  for (const Row& row : rows) {
    ThreatRecord r;
    r.name = L"T";
    for (const wchar_t* t : {L"a", L"b", L"c"}) threat::AppendScanTrace(r, t);
    for (const std::wstring& t : row.cleaned) threat::MarkTraceCleaned(r, t);
    EXPECT_EQ(r.traceCount, row.traceCount) << row.what;
    EXPECT_EQ(r.handled, row.handled) << row.what;
  }
  // A handled record is left alone.
  ThreatRecord done;
  threat::AppendScanTrace(done, L"a");
  done.handled = true;
  EXPECT_FALSE(threat::MarkTraceCleaned(done, L"a"));
  EXPECT_EQ(done.traceCount, 1);
}

TEST(ScanThreats, DuplicateTraceTextsAreAllMarked) {
  ThreatRecord r;
  for (const wchar_t* t : {L"a", L"a", L"b"}) threat::AppendScanTrace(r, t);
  EXPECT_TRUE(threat::MarkTraceCleaned(r, L"a"));
  EXPECT_EQ(r.traceCount, 1);
  std::vector<ThreatRecord> records{r};
  EXPECT_EQ(threat::HandledTraces(records), 2);
  EXPECT_EQ(threat::HandledRecords(records), 0);
}

TEST(DropdownOptions, OptionsSetTheRequestedAction) {
  struct Row {
    int option;
    int requested;  // the element's actionRequested afterwards
    int action;     // the record's action afterwards
  };
  const Row rows[] = {{1, -1, 2}, {4, 1, 1}, {8, 2, 2}, {16, 3, 3},
                      {32, 4, 4}, {64, 5, 5}, {128, 6, 6}};
  for (const Row& row : rows) {
    CARDOThreatEngineResults doc = Parse({{1, L"T", 2, L"C", 2, true, 4, 0, {L"x"}}});
    Cthreat_2& t = FirstThreat(doc);
    ThreatRecord r = threat::RecordFromThreat(t, kTitles);
    t.actionRequested.ClearPresent();
    EXPECT_TRUE(threat::ApplyOption(r, row.option)) << "option " << row.option;
    EXPECT_EQ(t.actionRequested.Get(), row.requested) << "option " << row.option;
    EXPECT_TRUE(t.actionRequested.IsPresent()) << "option " << row.option;
    EXPECT_EQ(r.action, row.action) << "option " << row.option;
  }
}

TEST(DropdownOptions, IgnoredWithoutSourceOrForUnknownOptions) {
  ThreatRecord scanned;
  scanned.action = 2;
  EXPECT_FALSE(threat::ApplyOption(scanned, 4));
  EXPECT_EQ(scanned.action, 2);
  CARDOThreatEngineResults doc = Parse({{1, L"T", 2, L"C", 2, true, 4, 0, {L"x"}}});
  ThreatRecord r = threat::RecordFromThreat(FirstThreat(doc), kTitles);
  for (int option : {0, 2, 3, 256, -1}) {
    EXPECT_FALSE(threat::ApplyOption(r, option)) << option;
    EXPECT_EQ(r.action, 4) << option;
  }
  for (int code = -1; code <= 6; ++code) {
    if (code == 0) continue;
    EXPECT_EQ(threat::ActionOfOption(threat::OptionOfAction(code)), code) << code;
  }
}

TEST(DropdownOptions, HeightDependsOnQuarantine) {
  threat::DropdownLayout without = threat::ComputeDropdownLayout(false, 106);
  EXPECT_EQ(without.height, 179);
  EXPECT_FALSE(without.shown[3]);
  threat::DropdownLayout with = threat::ComputeDropdownLayout(true, 106);
  EXPECT_EQ(with.height, 204);
  // Options at x 1, client width - 2 wide, 24 high, every 25 pixels from y 25.
  for (size_t i = 0; i < with.options.size(); ++i) {
    EXPECT_EQ(with.options[i].left, 1);
    EXPECT_EQ(with.options[i].right, 105);
    EXPECT_EQ(with.options[i].top, 25 + 25 * static_cast<int>(i)) << i;
    EXPECT_EQ(with.options[i].bottom - with.options[i].top, 24);
  }
  // Without quarantine the later options move up by one step.
  EXPECT_EQ(without.options[4].top, with.options[3].top);
}

TEST(Counts, RecordsTracesAndHandled) {
  std::vector<ThreatRecord> records(3);
  for (const wchar_t* t : {L"a", L"b"}) threat::AppendScanTrace(records[0], t);
  threat::AppendScanTrace(records[1], L"c");
  for (const wchar_t* t : {L"d", L"e", L"f"}) threat::AppendScanTrace(records[2], t);
  records[1].handled = true;  // all its traces count
  threat::MarkTraceCleaned(records[2], L"e");
  EXPECT_EQ(threat::TotalTraces(records), 6);
  EXPECT_EQ(threat::HandledRecords(records), 1);
  EXPECT_EQ(threat::HandledTraces(records), 2);
}

TEST(RowGeometry, ColumnsAndHeights) {
  threat::ColumnWidths w = threat::ColumnWidthsFor(900);
  EXPECT_EQ(w, (threat::ColumnWidths{450, 130, 110, 110, 100}));
  EXPECT_EQ(threat::ColumnLeft(w, 0), 5);
  EXPECT_EQ(threat::ColumnLeft(w, 3), 5 + 450 + 130 + 110);

  ThreatRecord r;
  for (const wchar_t* t : {L"a", L"b", L"c"}) threat::AppendScanTrace(r, t);
  EXPECT_EQ(threat::RowHeight(r, 13, 40), 24);
  r.expanded = true;
  EXPECT_EQ(threat::RowHeight(r, 13, 40), 4 * 13 + 40 + 48);
  EXPECT_EQ(threat::DetailsMeasureWidth(500), 480);
  EXPECT_EQ(threat::DetailsMeasureWidth(5000), 2000);
}

TEST(RowGeometry, WhatAClickDoes) {
  threat::RowHit base;
  base.checkBox = RECT{2, 5, 15, 18};
  base.actionCell = RECT{300, 0, 410, 24};
  base.headBottom = 24;
  struct Row {
    const char* what;
    bool checkBoxMode, linkMode, expanded;
    POINT pt;
    threat::RowClick result;
  };
  const Row rows[] = {
      {"plain, collapsed", false, false, false, {100, 10}, threat::RowClick::Expand},
      {"plain, expanded head", false, false, true, {100, 10}, threat::RowClick::Collapse},
      {"plain, expanded details", false, false, true, {100, 60}, threat::RowClick::None},
      {"check box square", true, false, false, {8, 10}, threat::RowClick::ToggleCheck},
      {"check-box mode elsewhere", true, false, false, {100, 10}, threat::RowClick::Expand},
      {"check box of a plain list", false, false, false, {8, 10}, threat::RowClick::Expand},
      {"action link", false, true, false, {350, 10}, threat::RowClick::OpenDropdown},
      {"action link, expanded", false, true, true, {350, 10}, threat::RowClick::OpenDropdown},
      {"column 3 below the head", false, true, true, {350, 40}, threat::RowClick::None},
      {"column 3 without link mode", false, false, false, {350, 10}, threat::RowClick::Expand},
  };
  for (const Row& row : rows) {
    threat::RowHit hit = base;
    hit.checkBoxMode = row.checkBoxMode;
    hit.linkMode = row.linkMode;
    hit.expanded = row.expanded;
    EXPECT_EQ(static_cast<int>(threat::ClassifyRowClick(hit, row.pt)),
              static_cast<int>(row.result))
        << row.what;
  }
}

TEST(ResultsPageLayout, RectanglesForAClientSize) {
  ResultsLayout l = ComputeResultsLayout(SIZE{800, 500}, SIZE{40, 40}, SIZE{90, 70}, SIZE{100, 30});
  EXPECT_EQ(l.banner.left, 10);
  EXPECT_EQ(l.banner.right, 790);
  EXPECT_EQ(l.banner.bottom, 60);
  EXPECT_EQ(l.computer.right, 785);
  EXPECT_EQ(l.computer.left, 695);
  EXPECT_EQ(l.computer.top, 15);
  EXPECT_EQ(l.cleanTop.right, 680);
  EXPECT_EQ(l.cleanTop.top, 70);
  EXPECT_EQ(l.summary.left, 15);
  EXPECT_EQ(l.summary.right, 580 - 30);
  EXPECT_EQ(l.summary.bottom, 85);
  EXPECT_EQ(l.close.left, 15);
  EXPECT_EQ(l.close.top, 466);
  EXPECT_EQ(l.close.right - l.close.left, 80);
  EXPECT_EQ(l.cleanBottom.right, 785);
  EXPECT_EQ(l.cleanBottom.bottom, 490);
  EXPECT_EQ(l.list.left, 15);
  EXPECT_EQ(l.list.top, 90);
  EXPECT_EQ(l.list.right, 785);
  EXPECT_EQ(l.list.bottom, 500 - 25 - 30);
}

TEST(IgnoredThreats, OnlyActionFiveIsAddedAndTheListMarkedDirty) {
  CARDOThreatEngineResults doc = Parse({{11, L"A", 2, L"C", 2, true, 5, 0, {L"x"}},
                                        {12, L"B", 2, L"C", 2, true, 3, 0, {L"y"}},
                                        {13, L"C", 2, L"C", 5, true, -1, 0, {L"z"}}});
  QVnsScanConfig::CScanConfig config;
  EXPECT_EQ(AddIgnoredThreats(config, doc, L"2026-12-10T15:00:00"), 1);
  ASSERT_TRUE(config.IgnoredThreats.Get());
  ASSERT_EQ(config.IgnoredThreats->IgnoredThreat.Count(), 1u);
  const auto& added = config.IgnoredThreats->IgnoredThreat[0];
  EXPECT_EQ(added.Source.Get(), 1u);
  EXPECT_EQ(added.Id.Get(), 11u);
  EXPECT_EQ(added.DateTimeAdded.Get(), L"2026-12-10T15:00:00");
  EXPECT_TRUE(config.IgnoredThreats->IsDirty.Get());
  EXPECT_TRUE(config.IgnoredThreats->IsDirty.IsPresent());
}

TEST(TextFormat, NumbersGoOnlyIntoIntegerConversions) {
  struct Row {
    const wchar_t* format;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {L"%d threats in %d items", L"3 threats in 7 items"},
      {L"%d%% done", L"3% done"},
      {L"no numbers", L"no numbers"},
      {L"%s and %d", L"%s and 3"},  // a text conversion stays as written
      {L"%d %d %d", L"3 7 %d"},       // more conversions than numbers
      {L"100%", L"100%"},
      {L"", L""},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatIntegers(row.format, {3, 7}), row.expected) << "format " << row.format;
}

}  // namespace

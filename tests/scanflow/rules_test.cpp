// The scan flow's display modes, layouts and outcomes, checked without windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "pages/scan/ScanFlowRules.h"

using namespace scan_flow;

namespace {

std::string Str(const RECT& r) {
  return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + "}";
}

#define EXPECT_RECT(actual, l, t, r, b) \
  EXPECT_EQ(Str(actual), Str(RECT{l, t, r, b})) << #actual

// ---- display modes ------------------------------------------------------------

struct ModeRow {
  const char* name;
  int mode;
  UINT status;   // 0: unchanged
  UINT message;  // 0: emptied (or kept in mode 6)
  Change count;
  bool glow;
  Change pauseShown, pauseEnabled, resumeShown;
  bool resetsList;
  Change updating;
};

TEST(ScanningModes, EachModeSetsWhatItsRowSays) {
  const ModeRow rows[] = {
      {"waiting for update", 1, 249, 0, Change::Off, true, Change::On, Change::On, Change::Off,
       true, Change::Keep},
      {"starting", 2, 249, 0, Change::On, true, Change::On, Change::On, Change::Off, true,
       Change::Keep},
      {"downloading", 3, 250, 251, Change::Off, false, Change::Keep, Change::Off, Change::Keep,
       false, Change::On},
      {"installing", 4, 250, 252, Change::Off, true, Change::Keep, Change::Off, Change::Keep,
       false, Change::On},
      {"scanning", 5, 253, 0, Change::On, true, Change::On, Change::On, Change::Off, false,
       Change::Off},
      {"paused", 6, 0, 254, Change::Keep, false, Change::Off, Change::Keep, Change::On, false,
       Change::Keep},
  };
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto v = ViewForMode(row.mode);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->statusText, row.status);
    EXPECT_EQ(v->messageText, row.message);
    EXPECT_EQ(v->countAndAnimation, row.count);
    EXPECT_EQ(v->glow, row.glow);
    EXPECT_EQ(v->pauseShown, row.pauseShown);
    EXPECT_EQ(v->pauseEnabled, row.pauseEnabled);
    EXPECT_EQ(v->resumeShown, row.resumeShown);
    EXPECT_EQ(v->resetsList, row.resetsList);
    EXPECT_EQ(v->updating, row.updating);
  }
  EXPECT_TRUE(ViewForMode(6)->stopAnimation);
  EXPECT_TRUE(ViewForMode(6)->barToZero);
  EXPECT_FALSE(ViewForMode(0).has_value());
  EXPECT_FALSE(ViewForMode(7).has_value());
}

TEST(ScanningModes, DownloadInstallAndScanApplyOnlyOnChange) {
  for (int mode = 1; mode <= 6; ++mode) {
    const bool once = mode == 3 || mode == 4 || mode == 5;
    EXPECT_EQ(ModeChangeApplies(mode, mode), !once) << "mode " << mode << " again";
    EXPECT_TRUE(ModeChangeApplies(mode == 1 ? 2 : 1, mode)) << "into mode " << mode;
  }
}

// ---- scanning layout ----------------------------------------------------------

TEST(ScanningLayout, ScanningWithBannerStacksEverything) {
  ScanningLayoutInput in;
  in.width = 600;
  in.height = 500;
  in.banner = true;
  in.bannerPicture = SIZE{40, 40};
  in.mode = kModeScanning;
  in.statusWidth = 60;
  in.messageHeight = 16;
  in.countCaption = SIZE{90, 15};
  in.countWidth = 25;
  in.progressCaptionWidth = 50;
  ScanningLayout l = ComputeScanningLayout(in);
  EXPECT_RECT(l.banner, 10, 10, 590, 60);
  EXPECT_EQ(l.bannerPicture.x, 20);
  EXPECT_EQ(l.bannerPicture.y, 15);
  // y0 = 70
  EXPECT_RECT(l.title, 20, 70, 580, 100);
  EXPECT_RECT(l.status, 20, 100, 80, 118);
  EXPECT_RECT(l.message, 100, 100, 580, 116);
  ASSERT_TRUE(l.countShown);
  EXPECT_RECT(l.countCaption, 20, 120, 110, 138);
  EXPECT_RECT(l.count, 110, 120, 135, 138);
  EXPECT_RECT(l.countTrailer, 135, 120, 580, 138);
  // y1 = y0 + 70 = 140
  EXPECT_RECT(l.progressCaption, 20, 140, 70, 158);
  EXPECT_RECT(l.progress, 90, 140, 580, 157);
  EXPECT_RECT(l.animation, 96, 160, 504, 256);
  // y2 = y1 + 116 = 256
  EXPECT_RECT(l.list, 15, 261, 585, 261 + 500 - 256 - 59);
  EXPECT_RECT(l.stop, 15, 461, 95, 485);
  EXPECT_RECT(l.pause, 505, 461, 585, 485);
  EXPECT_RECT(l.resume, 505, 461, 585, 485);
}

TEST(ScanningLayout, UpdateModesHideCountAndAnimation) {
  for (int mode : {kModeWaitingForUpdate, kModeDownloading, kModeInstalling}) {
    SCOPED_TRACE(mode);
    ScanningLayoutInput in;
    in.width = 600;
    in.height = 500;
    in.mode = mode;
    in.statusWidth = 60;
    in.progressCaptionWidth = 50;
    ScanningLayout l = ComputeScanningLayout(in);
    EXPECT_RECT(l.banner, 0, 0, 0, 0);
    EXPECT_FALSE(l.countShown);
    EXPECT_RECT(l.title, 20, 10, 580, 40);
    // y1 = y0 + 50 = 60, y2 = 80
    EXPECT_RECT(l.progressCaption, 20, 60, 70, 78);
    EXPECT_RECT(l.animation, 0, 0, 0, 0);
    EXPECT_RECT(l.list, 15, 85, 585, 85 + 500 - 80 - 59);
  }
}

// ---- the outcome of a scan ------------------------------------------------------

TEST(LowestLevel, StartsAtSixAndReadsAsSigned8Bit) {
  struct Row {
    const char* name;
    std::initializer_list<int> levels;
    int expected;
  } rows[] = {
      {"no records", {}, 6},
      {"levels 4 and 2", {4, 2}, 2},
      {"only harmless", {6, 9}, 6},
      {"out of 8-bit range wraps", {-200}, 56},
      {"minus one", {3, -1}, -1},
  };
  for (const Row& row : rows) {
    LowestLevel l;
    for (int v : row.levels) l.Add(v);
    EXPECT_EQ(l.Value(), row.expected) << row.name;
  }
}

TEST(ScanEnd, PlansFollowFlagsTypeAndList) {
  struct Row {
    const char* name;
    ScanEndInput in;
    bool failed, countScan, writePairs;
    int count, items, level;
    ScanNext next;
  } rows[] = {
      {"clean scan", {false, false, 0, 0, 0, 6}, false, true, true, 0, 0, 6, ScanNext::Finished},
      {"stopped with two threats",
       {false, true, 1, 2, 5, 3},
       false,
       false,
       true,
       2,
       5,
       3,
       ScanNext::Results},
      {"type 4 writes no pairs", {false, false, 4, 1, 1, 2}, false, true, false, 1, 1, 2,
       ScanNext::Results},
      {"type 4 nothing found", {false, false, 4, 0, 0, 6}, false, true, false, 0, 0, 6,
       ScanNext::Finished},
      {"failed", {true, false, 0, 3, 3, 1}, true, false, false, 0, 0, 6, ScanNext::Overview},
      {"failed while stopping", {true, true, 2, 0, 0, 6}, true, false, false, 0, 0, 6,
       ScanNext::Overview},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScanEndPlan p = PlanScanEnd(row.in);
    EXPECT_EQ(p.failed, row.failed);
    EXPECT_EQ(p.countScan, row.countScan);
    EXPECT_EQ(p.writePairs, row.writePairs);
    if (p.writePairs) {
      EXPECT_EQ(p.threatCount, row.count);
      EXPECT_EQ(p.itemCount, row.items);
      EXPECT_EQ(p.threatLevel, row.level);
    }
    EXPECT_EQ(static_cast<int>(p.next), static_cast<int>(row.next));
  }
}

// ---- cleaning and finished -------------------------------------------------------

TEST(CleaningLayout, BannerComputerLabelBarList) {
  CleaningLayout l = ComputeCleaningLayout(600, 500, SIZE{40, 40}, SIZE{70, 60});
  EXPECT_RECT(l.banner, 10, 10, 590, 60);
  EXPECT_EQ(l.computer.x, 515);
  EXPECT_EQ(l.computer.y, 15);
  EXPECT_RECT(l.label, 15, 70, 485, 75);
  EXPECT_RECT(l.progress, 15, 80, 585, 97);
  EXPECT_RECT(l.stop, 15, 466, 95, 490);
  EXPECT_RECT(l.list, 15, 102, 585, 102 + 500 - 75 - 71);
}

TEST(CleaningPairs, WhatIsLeftAfterTheClean) {
  CleaningPairs all = PairsAfterCleaning(3, 3, 7, 7);
  EXPECT_EQ(all.threatCount, 0);
  EXPECT_EQ(all.itemCount, 0);
  EXPECT_EQ(all.threatLevel, 6);
  CleaningPairs some = PairsAfterCleaning(3, 1, 7, 2);
  EXPECT_EQ(some.threatCount, 2);
  EXPECT_EQ(some.itemCount, 5);
  EXPECT_EQ(some.threatLevel, 6);
}

TEST(FinishedStates, TitleHeadlineNumbersColourRestart) {
  struct Row {
    int state;
    UINT title, headline;
    bool numbers, orange, restart;
  } rows[] = {
      {0, 245, 201, false, false, false},
      {1, 246, 168, true, false, false},
      {2, 247, 168, true, true, true},
  };
  for (const Row& row : rows) {
    FinishedView v = ViewForFinishedState(row.state);
    EXPECT_EQ(v.bannerTitle, row.title) << "state " << row.state;
    EXPECT_EQ(v.headline, row.headline) << "state " << row.state;
    EXPECT_EQ(v.numbersShown, row.numbers) << "state " << row.state;
    EXPECT_EQ(v.orange, row.orange) << "state " << row.state;
    EXPECT_EQ(v.offerRestart, row.restart) << "state " << row.state;
  }
}

TEST(FinishedStates, RestartWhenTheEngineOrTheSettingAsks) {
  struct Row {
    bool reboot;
    int always;
    int state;
  } rows[] = {{false, 0, 1}, {true, 0, 2}, {false, 1, 2}, {false, -3, 2}, {true, 1, 2}};
  for (const Row& row : rows)
    EXPECT_EQ(ChooseFinishedState(row.reboot, row.always), row.state)
        << "reboot " << row.reboot << " always " << row.always;
  EXPECT_FALSE(AlwaysRebootValueExists(5));
  EXPECT_TRUE(AlwaysRebootValueExists(0));
  EXPECT_TRUE(AlwaysRebootValueExists(1));
}

TEST(FinishedNumbers, FromTheCleanerResultsOrFromTheList) {
  ListCounts list{4, 3, 9, 6};
  EXPECT_EQ(FinishedNumbers(CleanerCounts{5, 2, 1, 1}, list), L"5\n3\n6\n1");
  EXPECT_EQ(FinishedNumbers(std::nullopt, list), L"4\n3\n6\n0");
  EXPECT_EQ(FinishedNumbers(std::nullopt, ListCounts{}), L"0\n0\n0\n0");
}

TEST(FinishedLayout, BannerHeadlineNumbersCloseList) {
  FinishedLayout l = ComputeFinishedLayout(600, 500, SIZE{40, 40}, SIZE{70, 60});
  EXPECT_RECT(l.headline, 15, 70, 485, 120);
  EXPECT_RECT(l.captions, 15, 120, 115, 190);
  EXPECT_RECT(l.numbers, 115, 120, 215, 190);
  EXPECT_RECT(l.close, 505, 466, 585, 490);
  EXPECT_RECT(l.list, 15, 195, 585, 195 + 500 - 60 - 179);
}

TEST(EngineGone, OnlyFailuresOfAVanishedServer) {
  for (HRESULT hr : {HRESULT(0x800706BA), HRESULT(0x800706BE), HRESULT(0x80010108),
                     HRESULT(0x800706BF)})
    EXPECT_TRUE(IsEngineGone(hr)) << std::hex << hr;
  for (HRESULT hr : {S_OK, E_FAIL, E_POINTER, E_INVALIDARG, HRESULT(0x80070005)})
    EXPECT_FALSE(IsEngineGone(hr)) << std::hex << hr;
}

}  // namespace

// Time formatting, the restart of the computer and the default scan times.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "app/AppFunctions.h"
#include "app/Settings.h"
#include "framework/WinAppEx.h"

TEST(FormatTimeUtc, FormatsTheUtcBreakdown) {
  EXPECT_EQ(L"13:05:09 24-12-2011", FormatTimeUtc(1324731909));
  EXPECT_EQ(L"00:00:00 01-01-1970", FormatTimeUtc(0));
  EXPECT_EQ(L"", FormatTimeUtc(-1)) << "a time that cannot be broken down gives the empty text";
}

TEST(FormatTimeLocal, UsesTheSameFormat) {
  EXPECT_TRUE(std::regex_match(FormatTimeLocal(1324731909),
                               std::wregex(L"\\d\\d:\\d\\d:\\d\\d \\d\\d-\\d\\d-\\d{4}")));
}

TEST(RestartComputer, RebootsThroughTheSeamWithThePlannedSecurityFixReason) {
  CWinAppEx app;
  ASSERT_EQ(&app, AfxGetApp());
  UINT flags = 0;
  DWORD reason = 0;
  int calls = 0;
  app.Seams().exitWindows = [&](UINT f, DWORD r) {
    ++calls;
    flags = f;
    reason = r;
    return TRUE;
  };
  EXPECT_TRUE(RestartComputer());
  EXPECT_EQ(1, calls);
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG), flags);
  EXPECT_EQ(0x80030013u, reason);

  app.Seams().exitWindows = [&](UINT, DWORD) { return FALSE; };
  EXPECT_FALSE(RestartComputer()) << "a refused restart is not a success";
}

TEST(RestartComputer, PlainRebootOnlyOnVersionFivePointOne) {
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), RestartFlagsForVersion(5, 1));
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG), RestartFlagsForVersion(5, 0));
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG), RestartFlagsForVersion(5, 2));
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG), RestartFlagsForVersion(6, 1));
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT | EWX_FORCEIFHUNG), RestartFlagsForVersion(10, 0));
}

TEST(DefaultScanTimes, MapsDrawsToTimesOfDayAndWeekdays) {
  struct Case {
    int r1, r2, r3;
    const wchar_t* quick;
    const wchar_t* full;
    DWORD day;
  } cases[] = {
      {0, 0, 0, L"00:00", L"00:00", 0},
      {16384, 8192, 16384, L"12:00", L"06:00", 3},
      {2731, 30000, 2730, L"02:00", L"21:58", 0},
      {2731, 30000, 2731, L"02:00", L"21:58", 1},
      // The largest draw stays a valid time of day.
      {32767, 32767, 32767, L"23:59", L"23:59", 6},
  };
  for (const auto& c : cases) {
    settings::DefaultScanTimes times = settings::ComputeDefaultScanTimes(c.r1, c.r2, c.r3);
    EXPECT_EQ(c.quick, times.quickTime) << c.r1;
    EXPECT_EQ(c.full, times.fullTime) << c.r2;
    EXPECT_EQ(c.day, times.fullDay) << c.r3;
  }
  EXPECT_EQ(L"07:05", settings::FormatHoursMinutes(7.09));
  EXPECT_EQ(L"09:59", settings::FormatHoursMinutes(9.999));
}

TEST(DefaultWindowPlacement, CentresTheDefaultSize) {
  EXPECT_EQ(240, settings::DefaultXPos(1280));
  EXPECT_EQ(212, settings::DefaultYPos(1024));
  EXPECT_EQ(-41, settings::DefaultXPos(717));  // truncated toward zero; clamped later
}

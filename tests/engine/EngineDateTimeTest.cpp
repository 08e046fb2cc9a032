#include <gtest/gtest.h>

#include "engine/EngineDateTime.h"

namespace {

TEST(EngineDateTimeTest, ParsesSixFields) {
  auto t = ParseEngineDateTime(L"2026-12-10T08:05:09");
  ASSERT_TRUE(t);
  EXPECT_EQ(2026, t->wYear);
  EXPECT_EQ(12, t->wMonth);
  EXPECT_EQ(10, t->wDay);
  EXPECT_EQ(8, t->wHour);
  EXPECT_EQ(5, t->wMinute);
  EXPECT_EQ(9, t->wSecond);
  EXPECT_EQ(L"2026-12-10T08:05:09", FormatEngineDateTime(*t));
  // Any of the three separators anywhere: the text is only split at them.
  EXPECT_TRUE(ParseEngineDateTime(L"2026-1-2T3:4:5"));
}

TEST(EngineDateTimeTest, RefusesWhatIsNotADateTime) {
  for (const wchar_t* bad :
       {L"", L"false", L"2026-12-10", L"2026-12-10T08:05", L"2026-12-10T08:05:09:01",
        L"2026-12-10 08:05:09", L"2026-13-10T08:05:09", L"2026-12-10T24:00:00",
        L"2026-12-10T08:05:", L"-2026-12-10T08:05:09", L"2026-12-1xT08:05:09",
        L"99999999999-1-1T0:0:0"}) {
    EXPECT_FALSE(ParseEngineDateTime(bad)) << bad;
  }
}

TEST(EngineDateTimeTest, DayMustExistInItsMonth) {
  struct Case {
    const wchar_t* text;
    bool valid;
  };
  const Case cases[] = {
      {L"2026-02-28T00:00:00", true},  {L"2026-02-29T00:00:00", false},
      {L"2024-02-29T00:00:00", true},  {L"2024-02-30T00:00:00", false},
      {L"2026-02-31T12:00:00", false}, {L"1900-02-29T00:00:00", false},
      {L"2000-02-29T00:00:00", true},  {L"2026-04-30T00:00:00", true},
      {L"2026-04-31T00:00:00", false}, {L"2026-06-31T00:00:00", false},
      {L"2026-09-31T00:00:00", false}, {L"2026-11-31T00:00:00", false},
      {L"2026-12-31T23:59:59", true},  {L"2026-01-31T00:00:00", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.valid, ParseEngineDateTime(c.text).has_value()) << c.text;
}

}  // namespace

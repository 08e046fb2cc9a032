#include <gtest/gtest.h>

#include <string>

#include "engine/documents/NVPairs.h"
#include "engine/documents/NVPairsEngine.h"
#include "engine/EngineSession.h"
#include "support/FakeEngine.h"
#include "Fixtures.h"

using namespace QVnsNVPairs;

namespace {

CNVPairs Fixture() {
  CNVPairs doc;
  EXPECT_EQ(0, doc.ReadFromMemory(fixtures::kNVPairs, sizeof fixtures::kNVPairs - 1));
  return doc;
}

std::wstring Wide(const char* s) { return ToWide(s); }

}  // namespace

TEST(NVPairs, ReadsCompareNamesWithoutCase) {
  CNVPairs doc = Fixture();
  int64_t full = 0;
  EXPECT_TRUE(ReadPairInt64(doc, L"last_full_scan", full));
  EXPECT_EQ(128000000000000000, full);
  int32_t level = 0;
  EXPECT_TRUE(ReadPairInt(doc, L"Last_Scan_Threat_Level", level));
  EXPECT_EQ(-3, level);
  int32_t untouched = 42;
  EXPECT_FALSE(ReadPairInt(doc, L"last_quick_scan", untouched));
  EXPECT_EQ(42, untouched);
  int32_t empty = 42;
  EXPECT_TRUE(ReadPairInt(doc, L"EMPTY", empty));
  EXPECT_EQ(0, empty);
}

TEST(NVPairs, ValueTextConversion) {
  struct Case {
    const wchar_t* text;
    int32_t i32;
    int64_t i64;
  } cases[] = {
      {L"12", 12, 12},
      {L"  -7", -7, -7},
      {L"+5x", 5, 5},
      {L"x5", 0, 0},
      {L"", 0, 0},
      {L"-", 0, 0},
      {L"4294967296", 2147483647, 4294967296},
      {L"-2147483648", -2147483647 - 1, -2147483648LL},
      {L"-99999999999999999999999", -2147483647 - 1, INT64_MIN},
      {L"99999999999999999999999", 2147483647, INT64_MAX},
      {L"9223372036854775807", 2147483647, INT64_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.i32, PairTextToInt(c.text)) << c.text;
    EXPECT_EQ(c.i64, PairTextToInt64(c.text)) << c.text;
  }
}

TEST(NVPairs, WritesChangeOnlyExistingPairs) {
  CNVPairs doc = Fixture();
  EXPECT_TRUE(WritePairInt64(doc, L"last_full_scan", 5));
  EXPECT_EQ(L"LAST_FULL_SCAN", doc.NVPair[0].Name.Get());
  EXPECT_EQ(L"5", doc.NVPair[0].Value.Get());
  EXPECT_TRUE(WritePairInt(doc, L"EMPTY", -1));
  EXPECT_EQ(L"-1", doc.NVPair[2].Value.Get());

  std::string before, after;
  ASSERT_EQ(0, doc.WriteToText(before));
  EXPECT_FALSE(WritePairInt(doc, L"last_quick_scan", 9));
  EXPECT_FALSE(WritePairInt64(doc, L"last_quick_scan", 9));
  ASSERT_EQ(0, doc.WriteToText(after));
  EXPECT_EQ(before, after);
  EXPECT_EQ(3u, doc.NVPair.Count());
}

TEST(NVPairs, EnsureComparesExactlyAndAppendsInOrder) {
  CNVPairs doc = Fixture();
  EXPECT_TRUE(EnsureScanSummaryPairs(doc));
  ASSERT_EQ(7u, doc.NVPair.Count());
  const wchar_t* names[] = {
      L"LAST_FULL_SCAN",      L"last_scan_threat_level", L"empty",
      L"last_full_scan",      L"last_quick_scan",        L"last_scan_threat_count",
      L"last_scan_item_count"};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(names[i], doc.NVPair[i].Name.Get()) << i;
  EXPECT_EQ(L"0", doc.NVPair[3].Value.Get());
  // The reads keep finding the earlier, capitalised pair.
  int64_t full = 0;
  EXPECT_TRUE(ReadPairInt64(doc, L"last_full_scan", full));
  EXPECT_EQ(128000000000000000, full);
  // Nothing more to add the second time.
  EXPECT_FALSE(EnsureScanSummaryPairs(doc));

  CNVPairs fresh;
  EXPECT_TRUE(EnsureScanSummaryPairs(fresh));
  int32_t level = 0;
  EXPECT_TRUE(ReadPairInt(fresh, L"last_scan_threat_level", level));
  EXPECT_EQ(-1, level);
  std::string out;
  ASSERT_EQ(0, fresh.WriteToText(out));
  EXPECT_NE(std::string::npos,
            out.find("<NVPair Name=\"last_scan_threat_level\"\n\t\t\tValue=\"-1\"/>"));
}

TEST(NVPairs, TextLevelOperations) {
  std::wstring text = Wide(fixtures::kNVPairs);
  int32_t level = 0;
  EXPECT_TRUE(ReadPairInt(text, L"last_scan_threat_level", level));
  EXPECT_EQ(-3, level);
  std::string updated;
  EXPECT_FALSE(WritePairInt(text, L"missing", 1, updated));
  EXPECT_TRUE(updated.empty());
  EXPECT_TRUE(WritePairInt64(text, L"last_full_scan", 77, updated));
  EXPECT_NE(std::string::npos, updated.find("Value=\"77\""));
  EXPECT_NE(std::string::npos, updated.find("<SSD>x</SSD>"));
  EXPECT_FALSE(ReadPairInt(std::wstring(L"<NVPairs"), L"x", level));
  EXPECT_FALSE(EnsureScanSummaryPairs(std::wstring(L"not xml"), updated));
}

TEST(NVPairsEngine, RoundTripThroughTheEngine) {
  FakeEngine engine;
  CEngineSession session;
  engine.SetText(L"GetConfigDocument", Wide(fixtures::kNVPairs));

  int64_t full = 0;
  EXPECT_TRUE(ReadPairInt64(session, L"last_full_scan", full));
  EXPECT_EQ(128000000000000000, full);
  EXPECT_EQ(0, engine.CallCount(L"SetConfigDocument"));

  // A missing pair: nothing written, nothing stored.
  EXPECT_FALSE(WritePairInt(session, L"last_scan_item_count", 3));
  EXPECT_EQ(0, engine.CallCount(L"SetConfigDocument"));

  EXPECT_TRUE(WritePairInt(session, L"LAST_SCAN_THREAT_LEVEL", 2));
  ASSERT_EQ(1, engine.CallCount(L"SetConfigDocument"));
  auto call = engine.Calls(L"SetConfigDocument")[0];
  EXPECT_EQ(L"config_file.xml", call.args[0]);
  int32_t level = 0;
  EXPECT_TRUE(ReadPairInt(session, L"last_scan_threat_level", level));
  EXPECT_EQ(2, level);

  EXPECT_TRUE(EnsureScanSummaryPairs(session));
  EXPECT_EQ(2, engine.CallCount(L"SetConfigDocument"));
  EXPECT_FALSE(EnsureScanSummaryPairs(session));
  EXPECT_EQ(2, engine.CallCount(L"SetConfigDocument"));
  int32_t count = 5;
  EXPECT_TRUE(ReadPairInt(session, L"last_scan_item_count", count));
  EXPECT_EQ(0, count);
}

TEST(NVPairsEngine, FailuresReadAsMissingAndStoreNothing) {
  FakeEngine engine;
  CEngineSession session;
  engine.SetText(L"GetConfigDocument", Wide(fixtures::kNVPairs));
  engine.Fail(L"GetConfigDocument", E_FAIL);
  int32_t level = 9;
  EXPECT_FALSE(ReadPairInt(session, L"last_scan_threat_level", level));
  EXPECT_EQ(9, level);
  EXPECT_FALSE(WritePairInt(session, L"last_scan_threat_level", 1));
  EXPECT_FALSE(EnsureScanSummaryPairs(session));
  engine.ClearFailure(L"GetConfigDocument");

  // A document that does not parse is neither read nor overwritten.
  engine.SetText(L"GetConfigDocument", L"<NVPairs><NVPair Name=\"a\" Bogus=\"1\"/></NVPairs>");
  EXPECT_FALSE(WritePairInt(session, L"a", 1));
  EXPECT_FALSE(EnsureScanSummaryPairs(session));
  EXPECT_EQ(0, engine.CallCount(L"SetConfigDocument"));
}

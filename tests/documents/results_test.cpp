#include <gtest/gtest.h>

#include <string>

#include "engine/documents/ScanResults.h"
#include "Fixtures.h"

using namespace QVnsScanResults;
using DocBinding::ErrorCode;

namespace {}  // namespace

TEST(ScanResults, ReadsEveryLevelOfTheFixture) {
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kResults)) << doc.LastError().ToText().c_str();
  ASSERT_TRUE(doc.summary);
  EXPECT_EQ(3021u, doc.summary->threatDefinitionVersion.Get());
  EXPECT_FALSE(doc.summary->cleanerAborted.IsPresent());
  const auto& scanner = *doc.summary->scannerResults.Get();
  EXPECT_EQ(2u, scanner.numThreats->found.Get());
  EXPECT_EQ(5200u, scanner.numTracesScanned->total.Get());
  EXPECT_EQ(L"C:\\locked.sys", scanner.errors->error[0].item.Get());
  EXPECT_EQ(L"D:\\Data & more", doc.scannerOptions->userIncludedPaths->path[1].value.Get());
  EXPECT_EQ(4294967295u, doc.scannerOptions->maxCheckFileLen.Get());
  ASSERT_EQ(2u, doc.threats->threat.Count());
  const Cthreat_2& t = doc.threats->threat[0];
  EXPECT_EQ(L"Trojan.Fake <x> 'a'", t.name.Get());
  EXPECT_EQ(-1, t.actionRequested.Get());
  EXPECT_TRUE(t.canQuarantine.Get());
  EXPECT_EQ(L"A line\nand another ]]> done", t.desc.Get());
  EXPECT_TRUE(t.threatAdviceDetails.IsPresent());
  EXPECT_EQ(L"", t.threatAdviceDetails.Get());
  EXPECT_FALSE(t.customData.IsPresent());
  ASSERT_EQ(2u, t.traces->trace.Count());
  EXPECT_EQ(L"1024", t.traces->trace[0].attr[1].v.Get());
  EXPECT_EQ(0u, t.traces->trace[1].attr.Count());
  EXPECT_EQ(L"\u00dcn\u00efc\u00f6d\u00e9 \u2713 \U0001D11E", doc.threats->threat[1].name.Get());
}

TEST(ScanResults, RoundTripAddsNothingAndLosesNothing) {
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kResults)) << doc.LastError().ToText().c_str();
  EXPECT_EQ(std::string(fixtures::kResults), Write(doc));
}

TEST(ScanResults, NewDocumentIsWrittenWithoutVersion) {
  CARDOThreatEngineResults doc;
  EXPECT_EQ(L"4.0.0", doc.version.Get());
  EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults/>\n", Write(doc));
  doc.threats.Create().threat.Append().id.Set(7);
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults>\n"
      "\t<threats>\n\t\t<threat id=\"7\"/>\n\t</threats>\n</ARDOThreatEngineResults>\n",
      Write(doc));
}

TEST(ScanResults, ChosenActionsAreWrittenBack) {
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kResults));
  doc.threats->threat[0].actionRequested.Set(5);
  doc.threats->threat[1].actionRequested.Set(-1);
  CARDOThreatEngineResults again;
  ASSERT_EQ(0, ReadText(again, Write(doc)));
  EXPECT_EQ(5, again.threats->threat[0].actionRequested.Get());
  EXPECT_TRUE(again.threats->threat[1].actionRequested.IsPresent());
  EXPECT_EQ(-1, again.threats->threat[1].actionRequested.Get());
}

TEST(ScanResults, DeepCopyIsIndependent) {
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kResults));
  CARDOThreatEngineResults copy = doc;
  copy.threats->threat[0].name.Set(L"changed");
  copy.threats->threat[0].traces->trace[0].attr.Clear();
  copy.threats->threat.Remove(1);
  copy.summary.Reset();
  EXPECT_EQ(L"Trojan.Fake <x> 'a'", doc.threats->threat[0].name.Get());
  EXPECT_EQ(2u, doc.threats->threat[0].traces->trace[0].attr.Count());
  EXPECT_EQ(2u, doc.threats->threat.Count());
  EXPECT_TRUE(doc.summary);
  EXPECT_EQ(std::string(fixtures::kResults), Write(doc));

  CARDOThreatEngineResults assigned;
  assigned = doc;
  doc.threats.Reset();
  EXPECT_EQ(2u, assigned.threats->threat.Count());
}

TEST(ScanResults, ReadingReplacesEarlierContent) {
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kResults));
  ASSERT_EQ(0, ReadText(doc, "<ARDOThreatEngineResults/>"));
  EXPECT_FALSE(doc.threats);
  EXPECT_FALSE(doc.version.IsPresent());
}

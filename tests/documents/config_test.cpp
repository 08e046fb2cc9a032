#include <gtest/gtest.h>

#include <string>

#include "engine/documents/ScanConfig.h"
#include "Fixtures.h"

TEST(ScanConfig, DefaultsAreReadButNotWritten) {
  QVnsScanConfig::CScanConfig doc;
  ASSERT_EQ(0, ReadText(doc, "<ScanConfig DaysToKeepQuarantinedItems=\"7\"/>"));
  EXPECT_EQ(L"Malicious content removed", doc.RemovalText.Get());
  EXPECT_FALSE(doc.RemovalText.IsPresent());
  EXPECT_EQ(L"false", doc.NextScheduledScanDateTime.Get());
  EXPECT_EQ(L"4.0.0", doc.SchemaVersion.Get());
  EXPECT_TRUE(doc.DefaultConfig.Get());
  EXPECT_TRUE(doc.CheckForUpdatesBeforeScan.Get());
  EXPECT_TRUE(doc.WakeupOnScheduledScan.Get());
  EXPECT_TRUE(doc.ScanUSBDrivesUponInsertion.Get());
  EXPECT_TRUE(doc.AllowUsersToRightClickScan.Get());
  EXPECT_TRUE(doc.UseAdvancedDetectionEngine.Get());
  EXPECT_TRUE(doc.UseFileCacheManual.Get());
  EXPECT_FALSE(doc.ShowUserScanResultsManual.Get());
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanConfig "
      "DaysToKeepQuarantinedItems=\"7\"/>\n",
      Write(doc));
}

TEST(ScanConfig, ScanSettingDefaults) {
  QVnsScanConfig::CScanConfig doc;
  ASSERT_EQ(0, ReadText(doc,
                        "<ScanConfig><ScanSettings><ScanSetting ScanType=\"2\"/>"
                        "</ScanSettings></ScanConfig>"));
  const auto& s = doc.ScanSettings->ScanSetting[0];
  EXPECT_EQ(-1, s.MaxScanThreatLevel.Get());
  EXPECT_TRUE(s.ARDO_OPT_EXCLUDE_REMOVABLE_DRIVES.Get());
  EXPECT_FALSE(s.ARDO_OPT_EXCLUDE_REMOVABLE_DRIVES.IsPresent());
  EXPECT_FALSE(s.PathsToScan);
}

TEST(ScanConfig, RoundTripAddsNothingAndLosesNothing) {
  QVnsScanConfig::CScanConfig doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kScanConfig)) << doc.LastError().ToText().c_str();
  EXPECT_EQ(18446744073709551615ull, doc.MaxCheckFileLen.Get());
  EXPECT_EQ(-2, doc.MissedScanActionEnum.Get());
  EXPECT_EQ(L"opaque engine data", doc.SSD.Get());
  ASSERT_EQ(2u, doc.ScanSchedules->ScanSchedule.Count());
  EXPECT_EQ(3, doc.ScanSchedules->ScanSchedule[0].ScanSetting->MaxScanThreatLevel.Get());
  EXPECT_EQ(L"C:\\Two", doc.ScanSettings->ScanSetting[0].PathsToScan->Paths[1].Path.Get());
  EXPECT_EQ(std::string(fixtures::kScanConfig), Write(doc));
}

TEST(ScanConfig, EditKeepsEverythingElse) {
  QVnsScanConfig::CScanConfig doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kScanConfig));
  doc.ShowUserScanResultsManual.Set(true);
  auto& ignored = doc.IgnoredThreats.Create();
  auto& entry = ignored.IgnoredThreat.Append();
  entry.Id.Set(77);
  std::string expected = fixtures::kScanConfig;
  expected.replace(expected.find("\t\tCheckForUpdatesBeforeScan"), 0,
                   "\t\tShowUserScanResultsManual=\"true\"\n");
  expected.replace(expected.find("\t</IgnoredThreats>"), 0, "\t\t<IgnoredThreat Id=\"77\"/>\n");
  EXPECT_EQ(expected, Write(doc));
}

TEST(ScanConfig, UndefinedAttributeIsRefused) {
  QVnsScanConfig::CScanConfig doc;
  EXPECT_EQ(39, ReadText(doc, "<ScanConfig Colour=\"red\"/>"));
  EXPECT_EQ(16, ReadText(doc, "<ServiceConfig/>"));
}

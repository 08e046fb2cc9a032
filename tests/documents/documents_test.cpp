// Every document type: round trips of fixture documents, and the defaults and
// rules particular to each.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine/documents/APConfig.h"
#include "engine/documents/APEvent.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/QuarantineFile.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "engine/documents/ServiceConfig.h"
#include "engine/documents/ThreatDefinitionsConfig.h"
#include "Fixtures.h"

namespace {

// Reads the text and writes it back: the result, or the read's error text.
template <class Doc>
std::string RoundTrip(const std::string& text) {
  Doc doc;
  if (ReadText(doc, text) != 0) {
    std::wstring e = doc.LastError().ToText();
    return std::string(e.begin(), e.end());
  }
  Doc copy = doc;  // the copy writes the same document
  std::string a = Write(doc), b = Write(copy);
  return a == b ? a : "copy differs";
}

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

}  // namespace

TEST(Documents, FixturesRoundTripUnchanged) {
  struct Case {
    const char* name;
    const char* text;
    std::function<std::string(const std::string&)> roundTrip;
  } cases[] = {
      {"ScanResults", fixtures::kResults, RoundTrip<QVnsScanResults::CARDOThreatEngineResults>},
      {"ScanConfig", fixtures::kScanConfig, RoundTrip<QVnsScanConfig::CScanConfig>},
      {"APConfig", fixtures::kAPConfig, RoundTrip<QVnsAPConfig::CAPConfig>},
      {"ServiceConfig", fixtures::kServiceConfig, RoundTrip<QVnsServiceConfig::CServiceConfig>},
      {"DefinitionUpdateConfig", fixtures::kDefinitionUpdateConfig,
       RoundTrip<QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig>},
      {"NVPairs", fixtures::kNVPairs, RoundTrip<QVnsNVPairs::CNVPairs>},
      {"APEvent", fixtures::kAPEvent, RoundTrip<QVnsAPEvent::CAPEvent>},
      {"QuarantineFile", fixtures::kQuarantine,
       RoundTrip<QVnsQuarantineFile::CARDOQuarantineRecordXML>},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(c.text), c.roundTrip(c.text)) << c.name;
}

TEST(Documents, EachDocumentChecksItsRootAndNamesItsSource) {
  struct Case {
    const char* source;
    std::function<int(const std::string&, std::wstring&)> read;
  } cases[] = {
      {"ScanResults",
       [](const std::string& t, std::wstring& s) {
         QVnsScanResults::CARDOThreatEngineResults d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"ScanConfig",
       [](const std::string& t, std::wstring& s) {
         QVnsScanConfig::CScanConfig d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"APConfig",
       [](const std::string& t, std::wstring& s) {
         QVnsAPConfig::CAPConfig d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"ServiceConfig",
       [](const std::string& t, std::wstring& s) {
         QVnsServiceConfig::CServiceConfig d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"ThreatDefinitionsConfig",
       [](const std::string& t, std::wstring& s) {
         QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"NVPairs",
       [](const std::string& t, std::wstring& s) {
         QVnsNVPairs::CNVPairs d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"APEvent",
       [](const std::string& t, std::wstring& s) {
         QVnsAPEvent::CAPEvent d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
      {"QuarantineFile",
       [](const std::string& t, std::wstring& s) {
         QVnsQuarantineFile::CARDOQuarantineRecordXML d;
         int c = ReadText(d, t);
         s = d.LastError().source;
         return c;
       }},
  };
  for (const Case& c : cases) {
    std::wstring source;
    EXPECT_EQ(16, c.read("<SomethingElse/>", source)) << c.source;
    EXPECT_EQ(std::wstring(c.source, c.source + strlen(c.source)), source);
  }
}

TEST(APConfig, StoringAfterChangingEnabledWritesOnlyWhatWasSent) {
  QVnsAPConfig::CAPConfig doc;
  ASSERT_EQ(0, ReadText(doc, fixtures::kAPConfig));
  EXPECT_FALSE(doc.Enabled.Get());
  doc.Enabled.Set(true);
  std::string expected = fixtures::kAPConfig;
  expected.replace(expected.find("Enabled=\"false\""), 15, "Enabled=\"true\"");
  EXPECT_EQ(expected, Write(doc));
}

TEST(APConfig, Defaults) {
  QVnsAPConfig::CAPConfig doc;
  ASSERT_EQ(0, ReadText(doc,
                        "<APConfig><UserExtensions><UserExtension Extension=\".js\"/>"
                        "</UserExtensions></APConfig>"));
  EXPECT_EQ(2u, doc.UserExtensions->UserExtension[0].Source.Get());
  EXPECT_FALSE(doc.UserExtensions->UserExtension[0].Source.IsPresent());
  EXPECT_TRUE(doc.DefaultConfig.Get());
  EXPECT_FALSE(doc.Enabled.Get());
  EXPECT_FALSE(doc.Monitors);
  EXPECT_EQ(std::string(kDecl) +
                "<APConfig>\n\t<UserExtensions>\n\t\t<UserExtension Extension=\".js\"/>\n"
                "\t</UserExtensions>\n</APConfig>\n",
            Write(doc));
}

TEST(ServiceConfig, DefaultsAndUndefinedAttribute) {
  QVnsServiceConfig::CServiceConfig doc;
  EXPECT_EQ(1u, doc.LogLevel.Get());
  EXPECT_EQ(3u, doc.FileCount.Get());
  EXPECT_EQ(10u, doc.RollOverSizeMB.Get());
  EXPECT_TRUE(doc.EmailAV.Get());
  EXPECT_TRUE(doc.HasAntiSpyware.Get());
  EXPECT_FALSE(doc.HasFirewall.Get());
  EXPECT_EQ(39, ReadText(doc, "<ServiceConfig LogLevel=\"2\" Unknown=\"1\"/>"));
  EXPECT_EQ(L"Unknown", doc.LastError().item);
  EXPECT_EQ(39, ReadText(doc, "<ServiceConfig><ProxySettings Host=\"x\"/></ServiceConfig>"));
}

TEST(DefinitionUpdateConfig, DefaultsAndCarriedThroughMembers) {
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig doc;
  ASSERT_EQ(0, ReadText(doc, "<DefinitionUpdateConfig/>"));
  EXPECT_TRUE(doc.Enabled.Get());
  EXPECT_EQ(4u, doc.UpdateInterval.Get());
  EXPECT_FALSE(doc.CheckDefsOnStartup.Get());
  ASSERT_EQ(0, ReadText(doc, fixtures::kDefinitionUpdateConfig));
  doc.UpdateInterval.Set(4);
  doc.TROVEConfig->Vendor.Set(L"w");
  std::string out = Write(doc);
  EXPECT_NE(std::string::npos, out.find("RegistrationCode=\"secret\"/>"));
  EXPECT_NE(std::string::npos, out.find("UpdateInterval=\"4\""));
  EXPECT_NE(std::string::npos, out.find("\t<SSD/>\n"));
}

TEST(NVPairs, EmptyDocumentIsTheRootWithItsVersion) {
  QVnsNVPairs::CNVPairs doc;
  ASSERT_EQ(0, ReadText(doc, "<NVPairs SchemaVersion=\"4.0.0\"></NVPairs>"));
  EXPECT_EQ(std::string(kDecl) + "<NVPairs SchemaVersion=\"4.0.0\"/>\n", Write(doc));
  QVnsNVPairs::CNVPairs fresh;
  EXPECT_EQ(std::string(kDecl) + "<NVPairs/>\n", Write(fresh));
}

TEST(APEvent, DefaultsOfAbsentAttributes) {
  QVnsAPEvent::CAPEvent doc;
  ASSERT_EQ(0, ReadText(doc, "<APEvent EventTypeEnum=\"1\"/>"));
  EXPECT_TRUE(doc.IsBlockOk.Get());
  EXPECT_FALSE(doc.IsBlockOk.IsPresent());
  EXPECT_TRUE(doc.IsAllowOk.Get());
  EXPECT_TRUE(doc.IsAllowAlwaysOk.Get());
  EXPECT_TRUE(doc.IsBlockAlwaysOk.Get());
  EXPECT_TRUE(doc.IsQuarantineOk.Get());
  EXPECT_TRUE(doc.DefaultConfig.Get());
  EXPECT_FALSE(doc.RecommendScan.Get());
  EXPECT_EQ(L"4.0.0", doc.SchemaVersion.Get());
  EXPECT_FALSE(doc.ParentProcess);
}

TEST(APEvent, ReadsTheEventTextAsUtf16) {
  std::wstring text(fixtures::kAPEvent, fixtures::kAPEvent + sizeof fixtures::kAPEvent - 1);
  QVnsAPEvent::CAPEvent doc;
  ASSERT_EQ(0, doc.ReadFromMemory(text.data(), text.size() * 2))
      << doc.LastError().ToText().c_str();
  EXPECT_FALSE(doc.IsBlockOk.Get());
  EXPECT_EQ(18446744073709551615ull, doc.ParentProcess->FileSize.Get());
  EXPECT_EQ(99u, doc.LaunchMonitor->ThreatID.Get());
  EXPECT_EQ(L"{q}", doc.FinalDispositionInfo->QID.Get());
}

TEST(APEvent, FailedReadKeepsWhatCameBefore) {
  QVnsAPEvent::CAPEvent doc;
  ASSERT_EQ(35, ReadText(doc,
                         "<APEvent MonitorID=\"7\" IsBlockOk=\"false\">"
                         "<ParentProcess PID=\"x\"/></APEvent>"));
  EXPECT_EQ(7u, doc.MonitorID.Get());
  EXPECT_FALSE(doc.IsBlockOk.Get());
  EXPECT_TRUE(doc.IsQuarantineOk.Get());
  ASSERT_TRUE(doc.ParentProcess);
  EXPECT_EQ(0u, doc.ParentProcess->PID.Get());
}

TEST(QuarantineFile, MandatoryChildren) {
  const std::string head =
      "<ARDOQuarantineRecordXML threatId=\"1\">"
      "<authorURL>u</authorURL>";
  struct Case {
    const char* what;
    std::string text;
    int code;
  } cases[] = {
      {"all present",
       head + "<desc>d</desc><threatAdviceDetails/><customData/><fixes/>"
              "</ARDOQuarantineRecordXML>",
       0},
      {"without desc",
       head + "<threatAdviceDetails/><customData/><fixes/></ARDOQuarantineRecordXML>", 21},
      {"without fixes",
       head + "<desc/><threatAdviceDetails/><customData/></ARDOQuarantineRecordXML>", 21},
      {"empty root", "<ARDOQuarantineRecordXML/>", 21},
      {"without originalAttributes",
       head + "<desc/><threatAdviceDetails/><customData/><fixes><fix traceType=\"1\">"
              "<quarantineAttributes><attr n=\"a\" v=\"b\"/></quarantineAttributes></fix>"
              "</fixes></ARDOQuarantineRecordXML>",
       0},
  };
  for (const Case& c : cases) {
    QVnsQuarantineFile::CARDOQuarantineRecordXML doc;
    EXPECT_EQ(c.code, ReadText(doc, c.text)) << c.what;
  }
  QVnsQuarantineFile::CARDOQuarantineRecordXML doc;
  ASSERT_EQ(21, ReadText(doc, head + "<threatAdviceDetails/></ARDOQuarantineRecordXML>"));
  EXPECT_EQ(L"desc", doc.LastError().item);
}

TEST(QuarantineFile, DefaultsAndWriterRefusesMissingMandatoryChildren) {
  QVnsQuarantineFile::CARDOQuarantineRecordXML doc;
  EXPECT_TRUE(doc.canQuarantine.Get());
  EXPECT_TRUE(doc.BufferOnly.Get());
  EXPECT_FALSE(doc.isHookThreat.Get());
  std::string out = "left over";
  EXPECT_EQ(46, doc.WriteToText(out));
  EXPECT_EQ("", out);
  doc.authorURL.Set(L"");
  doc.desc.Set(L"");
  doc.threatAdviceDetails.Set(L"");
  doc.customData.Set(L"");
  doc.fixes.Create();
  EXPECT_EQ(0, doc.WriteToText(out));
}

#include <gtest/gtest.h>

#include <string>

#include "engine/documents/ScanResults.h"

using namespace QVnsScanResults;

namespace {

std::string ThreatLine(const std::wstring& name) {
  CARDOThreatEngineResults doc;
  doc.threats.Create().threat.Append().name.Set(name);
  std::string out;
  EXPECT_EQ(0, doc.WriteToText(out));
  size_t at = out.find("<threat ");
  return out.substr(at, out.find('\n', at) - at);
}

}  // namespace

TEST(Writer, EscapesTheFourCharactersAndGreaterThanOnlyAfterBracket) {
  EXPECT_EQ("<threat name=\"a&lt;b&amp;c&apos;d&apos;e\"/>", ThreatLine(L"a<b&c'd'e"));
  EXPECT_EQ("<threat name=\"x>y ]&gt; ]] >\"/>", ThreatLine(L"x>y ]> ]] >"));
  EXPECT_EQ("<threat name=\"&quot;q&quot;\"/>", ThreatLine(L"\"q\""));
}

TEST(Writer, WritesUtf8IncludingSurrogatePairs) {
  EXPECT_EQ("<threat name=\"\xC3\xA9\xE2\x9C\x93\xF0\x9D\x84\x9E\"/>",
            ThreatLine(L"\u00e9\u2713\U0001D11E"));
}

TEST(Writer, KeepsLineEndsAndTabsThroughARoundTrip) {
  // A literal line end or tab in an attribute value would come back as a
  // space, and a carriage return in text as a line feed.
  EXPECT_EQ("<threat name=\"a&#10;b&#13;c&#9;d\"/>", ThreatLine(L"a\nb\rc\td"));
  CARDOThreatEngineResults doc;
  Cthreat_2& t = doc.threats.Create().threat.Append();
  t.name.Set(L"l1\r\nl2\tx\x01");
  t.desc.Set(L"d1\r\nd2\td3");
  std::string out;
  ASSERT_EQ(0, doc.WriteToText(out));
  EXPECT_NE(std::string::npos, out.find("<desc>d1&#13;\nd2\td3</desc>"));
  CARDOThreatEngineResults back;
  ASSERT_EQ(0, back.ReadFromMemory(out.data(), out.size())) << back.LastError().ToText().c_str();
  EXPECT_EQ(L"l1\r\nl2\tx\x01", back.threats->threat[0].name.Get());
  EXPECT_EQ(L"d1\r\nd2\td3", back.threats->threat[0].desc.Get());
}

TEST(Writer, LayoutOfAttributesChildrenAndText) {
  CARDOThreatEngineResults doc;
  doc.version.Set(L"4.0.0");
  Cthreat_2& t = doc.threats.Create().threat.Append();
  t.id.Set(1);
  t.level.Set(2);
  t.canQuarantine.Set(true);
  t.desc.Set(L"text");
  t.customData.Set(L"");
  Ctrace& tr = t.traces.Create().trace.Append();
  tr.type.Set(3);
  doc.summary.Create();
  std::string out;
  ASSERT_EQ(0, doc.WriteToText(out));
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<ARDOThreatEngineResults version=\"4.0.0\">\n"
      "\t<summary/>\n"
      "\t<threats>\n"
      "\t\t<threat id=\"1\"\n"
      "\t\t\t\tlevel=\"2\"\n"
      "\t\t\t\tcanQuarantine=\"true\">\n"
      "\t\t\t<desc>text</desc>\n"
      "\t\t\t<customData/>\n"
      "\t\t\t<traces>\n"
      "\t\t\t\t<trace type=\"3\"/>\n"
      "\t\t\t</traces>\n"
      "\t\t</threat>\n"
      "\t</threats>\n"
      "</ARDOThreatEngineResults>\n",
      out);
}

TEST(Writer, BooleanOneReadsTrueAndIsWrittenAsTrue) {
  std::string text =
      "<ARDOThreatEngineResults><threats><threat canQuarantine=\"1\" isHookThreat=\"0\"/>"
      "</threats></ARDOThreatEngineResults>";
  CARDOThreatEngineResults doc;
  ASSERT_EQ(0, doc.ReadFromMemory(text.data(), text.size()));
  EXPECT_TRUE(doc.threats->threat[0].canQuarantine.Get());
  std::string out;
  ASSERT_EQ(0, doc.WriteToText(out));
  EXPECT_NE(std::string::npos, out.find("canQuarantine=\"true\""));
  EXPECT_NE(std::string::npos, out.find("isHookThreat=\"false\""));
}

TEST(Writer, ClearedFlagIsNotWritten) {
  CARDOThreatEngineResults doc;
  Cthreat_2& t = doc.threats.Create().threat.Append();
  t.id.Set(5);
  t.name.Set(L"n");
  t.name.ClearPresent();
  std::string out;
  ASSERT_EQ(0, doc.WriteToText(out));
  EXPECT_EQ(std::string::npos, out.find("name="));
  EXPECT_EQ(L"n", t.name.Get());
}

TEST(Writer, WideTextCarriesTheSameDocument) {
  CARDOThreatEngineResults doc;
  doc.threats.Create().threat.Append().name.Set(L"\u00e9");
  std::wstring wide;
  ASSERT_EQ(0, doc.WriteToString(wide));
  CARDOThreatEngineResults back;
  ASSERT_EQ(0, back.ReadFromString(wide)) << back.LastError().ToText().c_str();
  EXPECT_EQ(L"\u00e9", back.threats->threat[0].name.Get());
}

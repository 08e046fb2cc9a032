#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "engine/documents/ScanResults.h"

using namespace QVnsScanResults;

namespace {

struct CodeCase {
  const char* what;
  const char* text;
  int code;
};

std::string Threat(const char* attributes) {
  return std::string("<ARDOThreatEngineResults><threats><threat ") + attributes +
         "/></threats></ARDOThreatEngineResults>";
}

const CodeCase kCases[] = {
    {"wrong root", "<ARDOThreatEngineResult/>", 16},
    {"wrong root after declaration", "<?xml version=\"1.0\"?>\n<APEvent/>", 16},
    {"empty input", "", 34},
    {"only white space", "  \n ", 34},
    {"unclosed root", "<ARDOThreatEngineResults><threats>", 34},
    {"unterminated start tag", "<ARDOThreatEngineResults version=\"1\"", 34},
    {"mismatched end tag", "<ARDOThreatEngineResults><threats></summary></ARDOThreatEngineResults>",
     10},
    {"junk in end tag", "<ARDOThreatEngineResults></ARDOThreatEngineResults x>", 12},
    {"attributes run together",
     "<ARDOThreatEngineResults><threats><threat id=\"1\"name=\"x\"/></threats></"
     "ARDOThreatEngineResults>",
     11},
    {"attribute without quotes", "<ARDOThreatEngineResults version=4/>", 11},
    {"slash not closing the tag", "<ARDOThreatEngineResults / >", 11},
    {"less-than in attribute value", "<ARDOThreatEngineResults version=\"a<b\"/>", 5},
    {"text after the root", "<ARDOThreatEngineResults/>trailing", 5},
    {"second root", "<ARDOThreatEngineResults/><ARDOThreatEngineResults/>", 5},
    {"text before the root", "hello<ARDOThreatEngineResults/>", 5},
    {"bare ampersand", "<ARDOThreatEngineResults version=\"a & b\"/>", 5},
    {"bad character reference", "<ARDOThreatEngineResults version=\"&#xZZ;\"/>", 5},
    {"character reference to zero", "<ARDOThreatEngineResults version=\"&#0;\"/>", 5},
    {"declaration without version", "<?xml encoding=\"UTF-8\"?><ARDOThreatEngineResults/>", 13},
    {"declaration not closed", "<?xml version=\"1.0\" ><ARDOThreatEngineResults/>", 13},
    {"late declaration", "<!-- x --><?xml version=\"1.0\"?><ARDOThreatEngineResults/>", 13},
    {"version 2.0", "<?xml version=\"2.0\"?><ARDOThreatEngineResults/>", 14},
    {"unsupported encoding",
     "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><ARDOThreatEngineResults/>", 6},
    {"UTF-16 declared over 8-bit bytes",
     "<?xml version=\"1.0\" encoding=\"UTF-16\"?><ARDOThreatEngineResults/>", 15},
    {"invalid UTF-8", "<ARDOThreatEngineResults version=\"\xC3\x28\"/>", 15},
    {"overlong UTF-8", "<ARDOThreatEngineResults version=\"\xC0\xAF\"/>", 15},
    {"UTF-8 encoded surrogate", "<ARDOThreatEngineResults version=\"\xED\xA0\x80\"/>", 15},
    {"double hyphen in comment", "<!-- a -- b --><ARDOThreatEngineResults/>", 8},
    {"unterminated comment", "<ARDOThreatEngineResults><!-- never closed", 34},
    {"external DTD",
     "<!DOCTYPE ARDOThreatEngineResults SYSTEM \"x.dtd\"><ARDOThreatEngineResults/>", 17},
    {"external entity",
     "<!DOCTYPE r [<!ENTITY ext SYSTEM \"file:///c:/windows/win.ini\">]>"
     "<ARDOThreatEngineResults version=\"&ext;\"/>",
     17},
    {"public external entity",
     "<!DOCTYPE r [<!ENTITY ext PUBLIC \"-//x\" "
     "\"http://127.0.0.1/x\">]><ARDOThreatEngineResults/>",
     17},
    {"parameter entity reference",
     "<!DOCTYPE r [<!ENTITY % p \"x\"> %p;]><ARDOThreatEngineResults/>", 33},
    {"malformed DTD", "<!DOCTYPE r [ junk ]><ARDOThreatEngineResults/>", 9},
    {"two DTDs", "<!DOCTYPE r><!DOCTYPE r><ARDOThreatEngineResults/>", 9},
    {"undeclared entity", "<ARDOThreatEngineResults version=\"&nbsp;\"/>", 41},
    {"recursive entity",
     "<!DOCTYPE r [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><ARDOThreatEngineResults "
     "version=\"&a;\"/>",
     24},
    {"entity with markup",
     "<!DOCTYPE r [<!ENTITY m \"<x/>\">]><ARDOThreatEngineResults version=\"&m;\"/>", 33},
    {"duplicate attribute", "<ARDOThreatEngineResults version=\"1\" version=\"2\"/>", 3},
    {"unknown element", "<ARDOThreatEngineResults><threatz/></ARDOThreatEngineResults>", 31},
    {"element out of order",
     "<ARDOThreatEngineResults><threats/><summary/></ARDOThreatEngineResults>", 31},
    {"single child twice",
     "<ARDOThreatEngineResults><summary/><summary/></ARDOThreatEngineResults>", 26},
    {"text in a complex element", "<ARDOThreatEngineResults>words</ARDOThreatEngineResults>", 23},
    {"element inside a text element",
     "<ARDOThreatEngineResults><threats><threat><desc>a<b/></desc></threat></threats></"
     "ARDOThreatEngineResults>",
     29},
    {"attribute on a text element",
     "<ARDOThreatEngineResults><threats><threat><desc lang=\"en\">a</desc></threat></threats></"
     "ARDOThreatEngineResults>",
     39},
    {"]]> in text",
     "<ARDOThreatEngineResults><threats><threat><desc>a]]>b</desc></threat></threats></"
     "ARDOThreatEngineResults>",
     5},
    {"UTF-16 big endian", "\xFE\xFF\0<", 6},
};

}  // namespace

TEST(Reader, ReportsTheCodeOfEachFault) {
  for (const CodeCase& c : kCases) {
    CARDOThreatEngineResults doc;
    std::string text = c.text;
    if (std::string(c.what) == "UTF-16 big endian") text.assign(c.text, 4);
    EXPECT_EQ(c.code, doc.ReadFromMemory(text.data(), text.size())) << c.what;
    EXPECT_EQ(c.code, doc.LastError().code) << c.what;
  }
}

TEST(Reader, ValueRangesOfAttributes) {
  struct Case {
    const char* attributes;
    int code;
  } cases[] = {
      {"id=\"-1\"", 37},
      {"id=\"4294967296\"", 36},
      {"id=\"12a\"", 35},
      {"id=\"\"", 35},
      {"id=\"1 2\"", 35},
      {"id=\"+\"", 35},
      {"id=\"99999999999999999999999\"", 36},
      {"id=\" 12 \"", 0},
      {"id=\"+12\"", 0},
      {"id=\"-0\"", 0},
      {"id=\"4294967295\"", 0},
      {"actionRequested=\"-2147483648\"", 0},
      {"actionRequested=\"-2147483649\"", 37},
      {"actionRequested=\"2147483648\"", 36},
      {"canQuarantine=\"yes\"", 35},
      {"canQuarantine=\" 1 \"", 0},
      {"canQuarantine=\"TRUE\"", 35},
      {"color=\"red\"", 39},
      {"id=\"&#49;&#50;\"", 0},
  };
  for (const Case& c : cases) {
    CARDOThreatEngineResults doc;
    std::string text = Threat(c.attributes);
    EXPECT_EQ(c.code, doc.ReadFromMemory(text.data(), text.size())) << c.attributes;
  }
}

TEST(Reader, RecordsItemSourceAndLine) {
  CARDOThreatEngineResults doc;
  std::string text =
      "<?xml version=\"1.0\"?>\n<ARDOThreatEngineResults>\n<threats>\n<threat name=\"a\"\n "
      "id=\"-1\"/>\n</threats>\n</ARDOThreatEngineResults>";
  ASSERT_EQ(37, doc.ReadFromMemory(text.data(), text.size()));
  const DocBinding::ErrorRecord& e = doc.LastError();
  EXPECT_EQ(L"id", e.item);
  EXPECT_EQ(L"ScanResults", e.source);
  EXPECT_EQ(5, e.xmlLine);
  std::wstring shown = e.ToText();
  EXPECT_EQ(0u, shown.find(L"Error: Value less than specified minimum\nItem: id\n"
                           L"Program file: ScanResults\nProgram line: "));
  EXPECT_NE(std::wstring::npos, shown.find(L"\nXML line: 5"));
  // What was read before the failure stays.
  ASSERT_TRUE(doc.threats);
  EXPECT_EQ(L"a", doc.threats->threat[0].name.Get());
}

TEST(Reader, ErrorTextAndMessages) {
  DocBinding::ErrorRecord e;
  e.code = 1;
  e.item = L"x.xml";
  e.programLine = 12;
  EXPECT_EQ(
      L"Error: Unable to open file\nItem: x.xml\nProgram file: <unspecified>\nProgram line: 12",
      e.ToText());
  EXPECT_STREQ(L"No Error", DocBinding::ErrorMessage(0));
  EXPECT_STREQ(L"min/max occurs error on marshaling", DocBinding::ErrorMessage(46));
  EXPECT_STREQ(L"Unexpected attribute", DocBinding::ErrorMessage(39));
  EXPECT_STREQ(L"User defined error 1", DocBinding::ErrorMessage(1000));
  EXPECT_STREQ(L"User defined error 9", DocBinding::ErrorMessage(1008));
  EXPECT_STREQ(L"Undefined error", DocBinding::ErrorMessage(47));
}

TEST(Reader, SkipsNamespaceAndSchemaInstanceAttributes) {
  CARDOThreatEngineResults doc;
  std::string text =
      "<ARDOThreatEngineResults xmlns=\"urn:x\" xmlns:xsi=\"http://www.w3.org/2001/"
      "XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"r.xsd\" version=\"4.1\"/>";
  ASSERT_EQ(0, doc.ReadFromMemory(text.data(), text.size()));
  EXPECT_EQ(L"4.1", doc.version.Get());
  std::string out;
  doc.WriteToText(out);
  EXPECT_EQ(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults version=\"4.1\"/>\n",
      out);
}

TEST(Reader, AcceptsMarkupAroundTheData) {
  CARDOThreatEngineResults doc;
  std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.1\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
      "<!DOCTYPE ARDOThreatEngineResults [\r\n<!ELEMENT x ANY>\r\n"
      "<!ATTLIST x a CDATA \"]>\">\r\n<!ENTITY co \"Co &amp; &#x4B;G\">\r\n<!-- c -->]>\r\n"
      "<?pi data?><!-- before -->\r\n"
      "<ARDOThreatEngineResults version='v &co;'>\r\n<!-- inside -->"
      "<threats><?pi?><threat name=\"a&#9;b&#10;c&#13;d\r\ne\tf\">"
      "<desc>x<!-- c --><![CDATA[<&>]]>y\r\nz &co;</desc></threat>\r\n"
      "<![CDATA[  ]]></threats></ARDOThreatEngineResults>\r\n<!-- after -->\r\n";
  ASSERT_EQ(0, doc.ReadFromMemory(text.data(), text.size())) << doc.LastError().ToText().c_str();
  EXPECT_EQ(L"v Co & KG", doc.version.Get());
  // References keep the characters; literal line ends and tabs in attribute
  // values are normalised to spaces.
  EXPECT_EQ(L"a\tb\nc\rd e f", doc.threats->threat[0].name.Get());
  EXPECT_EQ(L"x<&>y\nz Co & KG", doc.threats->threat[0].desc.Get());
}

TEST(Reader, ReadsUtf16LittleEndian) {
  std::wstring text =
      L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults version=\"4.0.0\">"
      L"<threats><threat id=\"3\" name=\"\u00e9\u2713\U0001D11E\"/></threats>"
      L"</ARDOThreatEngineResults>";
  {
    CARDOThreatEngineResults doc;
    ASSERT_EQ(0, doc.ReadFromString(text)) << doc.LastError().ToText().c_str();
    EXPECT_EQ(L"\u00e9\u2713\U0001D11E", doc.threats->threat[0].name.Get());
  }
  {
    std::wstring withBom = L"\uFEFF" + text;
    CARDOThreatEngineResults doc;
    ASSERT_EQ(0, doc.ReadFromMemory(withBom.data(), withBom.size() * 2));
    EXPECT_EQ(3u, doc.threats->threat[0].id.Get());
  }
  {
    // A length that counts the terminating zero is tolerated.
    CARDOThreatEngineResults doc;
    EXPECT_EQ(0, doc.ReadFromMemory(text.c_str(), (text.size() + 1) * 2));
  }
  {
    CARDOThreatEngineResults doc;
    EXPECT_EQ(15, doc.ReadFromMemory(text.data(), text.size() * 2 - 1));
  }
  {
    std::wstring lone = L"<ARDOThreatEngineResults version=\"\xD800x\"/>";
    CARDOThreatEngineResults doc;
    EXPECT_EQ(15, doc.ReadFromString(lone));
  }
}

TEST(Reader, RefusesEntityExpansionBombs) {
  std::string text = "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">";
  const char* prev = "a";
  std::string names[8] = {"b", "c", "d", "e", "f", "g", "h", "i"};
  for (const std::string& n : names) {
    text += "<!ENTITY " + n + " \"";
    for (int k = 0; k < 10; ++k) text += std::string("&") + prev + ";";
    text += "\">";
    prev = n.c_str();
  }
  text += "]><ARDOThreatEngineResults version=\"&i;\"/>";
  CARDOThreatEngineResults doc;
  EXPECT_EQ(33, doc.ReadFromMemory(text.data(), text.size()));
}

TEST(Reader, FileThatCannotBeOpened) {
  CARDOThreatEngineResults doc;
  EXPECT_EQ(1, doc.ReadFromFile(L"C:\\no\\such\\folder\\results.xml"));
  EXPECT_EQ(1, doc.LastError().code);
  EXPECT_EQ(L"ScanResults", doc.LastError().source);
}

TEST(Reader, ReadsFromFileInEitherEncoding) {
  const std::string utf8 =
      "<ARDOThreatEngineResults><threats><threat id=\"9\" name=\"\xC3\xA9\"/></threats>"
      "</ARDOThreatEngineResults>";
  const std::wstring wide =
      L"\uFEFF<ARDOThreatEngineResults><threats><threat id=\"9\" "
      L"name=\"\u00e9\"/></threats></ARDOThreatEngineResults>";
  const std::string contents[] = {
      utf8, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)};
  for (const std::string& bytes : contents) {
    wchar_t dir[MAX_PATH], path[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, dir));
    ASSERT_NE(0u, GetTempFileNameW(dir, L"res", 0, path));
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    CARDOThreatEngineResults doc;
    EXPECT_EQ(0, doc.ReadFromFile(path));
    DeleteFileW(path);
    ASSERT_TRUE(doc.threats);
    EXPECT_EQ(9u, doc.threats->threat[0].id.Get());
    EXPECT_EQ(L"\u00e9", doc.threats->threat[0].name.Get());
  }
}

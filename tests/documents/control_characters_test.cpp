// Control characters in written documents: the text stays well-formed for a
// strict XML reader and reads back unchanged through ours.
#include <gtest/gtest.h>

#include <string>

#include "engine/documents/ScanResults.h"

using namespace QVnsScanResults;

namespace {

// Why the text is not well-formed XML of the version it declares; empty when it is.
std::string WellFormedFault(const std::string& text) {
  const bool eleven = text.starts_with("<?xml version=\"1.1\"");
  if (!eleven && !text.starts_with("<?xml version=\"1.0\"")) return "no declaration";
  auto restricted = [eleven](unsigned long c) {
    if (c == 0) return true;
    if (c < 0x20) return !eleven && c != 9 && c != 10 && c != 13;
    return false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 && b != 9 && b != 10 && b != 13) return "literal control " + std::to_string(b);
    if (eleven && b == 0x7F) return "literal 7F";
    if (eleven && b == 0xC2 && i + 1 < text.size() &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F)
      return "literal C1 control";
    if (eleven && text.compare(i, 3, "\xE2\x80\xA8") == 0) return "literal line separator";
    if (text.compare(i, 2, "&#") == 0) {
      size_t end = text.find(';', i);
      const bool hex = text[i + 2] == 'x';
      unsigned long c = std::stoul(text.substr(i + (hex ? 3 : 2), end), nullptr, hex ? 16 : 10);
      if (restricted(c)) return "reference to " + std::to_string(c);
    }
  }
  return "";
}

std::string Written(const std::wstring& name, const std::wstring& desc = L"") {
  CARDOThreatEngineResults doc;
  Cthreat_2& t = doc.threats.Create().threat.Append();
  t.name.Set(name);
  if (!desc.empty()) t.desc.Set(desc);
  std::string out;
  EXPECT_EQ(0, doc.WriteToText(out));
  return out;
}

}  // namespace

TEST(Writer, ControlCharactersStayWellFormedAndReadBack) {
  for (wchar_t c = 1; c < 0x20; ++c) {
    const std::wstring name = std::wstring(L"a") + c + L"b\x85" + L"c\u2028d\x7F";
    const std::wstring desc = std::wstring(L"x") + c + L"y";
    const std::string text = Written(name, desc);
    EXPECT_EQ("", WellFormedFault(text)) << "character " << int(c) << ": " << text;
    CARDOThreatEngineResults back;
    ASSERT_EQ(0, back.ReadFromMemory(text.data(), text.size()))
        << "character " << int(c) << ": " << text;
    EXPECT_EQ(name, back.threats->threat[0].name.Get()) << "character " << int(c);
    EXPECT_EQ(desc, back.threats->threat[0].desc.Get()) << "character " << int(c);
  }
}

TEST(Writer, DeclaresXml10UnlessAControlCharacterNeedsMore) {
  struct Case {
    std::wstring name;
    const char* declaration;
  };
  const Case cases[] = {
      {L"plain", "<?xml version=\"1.0\""},
      {L"tab\tline\nreturn\r", "<?xml version=\"1.0\""},
      {L"C1 \x85 and \u2028 alone", "<?xml version=\"1.0\""},
      {std::wstring(L"nul \0 becomes a replacement", 27), "<?xml version=\"1.0\""},
      {L"bell \a", "<?xml version=\"1.1\""},
      {L"escape \x1B", "<?xml version=\"1.1\""},
  };
  for (const Case& c : cases) {
    const std::string text = Written(c.name);
    EXPECT_TRUE(text.starts_with(c.declaration)) << text;
    EXPECT_EQ("", WellFormedFault(text)) << text;
  }
  // In an XML 1.0 document the other controls are written as they are.
  EXPECT_NE(std::string::npos, Written(L"a\x85z").find("a\xC2\x85z"));
  // In an XML 1.1 document they are references, or a reader would turn them into line ends.
  EXPECT_NE(std::string::npos, Written(L"\x01\x85\u2028").find("&#1;&#133;&#8232;"));
}

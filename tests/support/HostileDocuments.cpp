#include "support/HostileDocuments.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "documents/Fixtures.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/APEvent.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/QuarantineFile.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "engine/documents/ServiceConfig.h"
#include "engine/documents/ThreatDefinitionsConfig.h"

namespace testsupport {

namespace {

bool IsStructural(char c) {
  switch (c) {
    case '<':
    case '>':
    case '"':
    case '\'':
    case '=':
    case '/':
    case '&':
    case ';':
    case '?':
    case '!':
    case '\n':
    case ' ':
    case '\t':
      return true;
    default:
      return false;
  }
}

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

// Where the root element's start tag begins, and where its name ends.
size_t RootStart(const std::string& doc) {
  size_t at = 0;
  for (;;) {
    at = doc.find('<', at);
    if (at == std::string::npos || at + 1 >= doc.size()) return std::string::npos;
    char next = doc[at + 1];
    if (next != '?' && next != '!') return at;
    ++at;
  }
}
size_t RootNameEnd(const std::string& doc) {
  size_t start = RootStart(doc);
  if (start == std::string::npos) return std::string::npos;
  size_t end = start + 1;
  while (end < doc.size() && !IsStructural(doc[end])) ++end;
  return end;
}
// Just after the root's start tag.
size_t RootContent(const std::string& doc) {
  size_t start = RootStart(doc);
  if (start == std::string::npos) return std::string::npos;
  size_t end = doc.find('>', start);
  return end == std::string::npos ? end : end + 1;
}
std::string RootName(const std::string& doc) {
  size_t start = RootStart(doc), end = RootNameEnd(doc);
  return start == std::string::npos ? std::string() : doc.substr(start + 1, end - start - 1);
}

std::string InsertAt(const std::string& doc, size_t at, const std::string& what) {
  std::string out = doc;
  out.insert(std::min(at, out.size()), what);
  return out;
}

// The document with a DOCTYPE of `subset` before the root and `reference`
// put at the start of the first attribute value (or as the root's text).
std::string WithEntities(const std::string& doc, const std::string& subset,
                         const std::string& reference) {
  std::string out = doc;
  size_t value = out.find("=\"", RootStart(out));
  if (value != std::string::npos)
    out.insert(value + 2, reference);
  else
    out.insert(RootContent(out), reference);
  size_t root = RootStart(out);
  out.insert(root, "<!DOCTYPE " + RootName(doc) + " [" + subset + "]>\n");
  return out;
}

std::string ToUtf16(const std::string& utf8, bool bom) {
  std::string out;
  if (bom) out += "\xFF\xFE";
  for (size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0xF0 && i + 3 < utf8.size()) {
      cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) | ((utf8[i + 2] & 0x3Fu) << 6) |
           (utf8[i + 3] & 0x3Fu);
      len = 4;
    } else if (c >= 0xE0 && i + 2 < utf8.size()) {
      cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
      len = 3;
    } else if (c >= 0xC0 && i + 1 < utf8.size()) {
      cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
      len = 2;
    }
    i += len;
    auto unit = [&out](uint32_t u) {
      out += static_cast<char>(u & 0xFF);
      out += static_cast<char>(u >> 8);
    };
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

void Truncations(const std::string& doc, std::vector<HostileDocument>& out) {
  std::set<size_t> cuts;
  for (size_t i = 0; i < doc.size(); ++i)
    if (IsStructural(doc[i])) {
      cuts.insert(i);
      cuts.insert(i + 1);
    }
  cuts.insert(0);
  cuts.insert(1);
  for (size_t at : cuts)
    if (at < doc.size())
      out.push_back({"truncation", "at byte " + std::to_string(at), doc.substr(0, at)});
}

void ByteFlips(const std::string& doc, std::vector<HostileDocument>& out) {
  static const unsigned char kReplacements[] = {0x00, 0xFF, 0xC3, 0x80, '<', '>', '"', '&', '/'};
  for (size_t i = 0; i < doc.size(); ++i) {
    if (!IsStructural(doc[i])) continue;
    for (unsigned char r : kReplacements) {
      if (static_cast<unsigned char>(doc[i]) == r) continue;
      std::string bytes = doc;
      bytes[i] = static_cast<char>(r);
      char hex[8];
      std::snprintf(hex, sizeof hex, "%02X", r);
      out.push_back({"byte flip", "byte " + std::to_string(i) + " to " + hex, bytes});
    }
    std::string bytes = doc;
    bytes[i] = static_cast<char>(bytes[i] ^ 0x20);
    out.push_back({"byte flip", "byte " + std::to_string(i) + " case bit", bytes});
  }
  // Name and value bytes, sparsely: the high bit makes broken UTF-8.
  for (size_t i = 0; i < doc.size(); i += 7) {
    std::string bytes = doc;
    bytes[i] = static_cast<char>(bytes[i] ^ 0x80);
    out.push_back({"byte flip", "byte " + std::to_string(i) + " high bit", bytes});
  }
}

void HugeAttributes(const std::string& doc, std::vector<HostileDocument>& out) {
  const size_t nameEnd = RootNameEnd(doc);
  const size_t value = doc.find("=\"", RootStart(doc));
  if (value != std::string::npos) {
    out.push_back(
        {"huge attribute", "4 MB value", InsertAt(doc, value + 2, std::string(4u << 20, 'a'))});
    out.push_back(
        {"huge attribute", "4 MB of digits", InsertAt(doc, value + 2, std::string(4u << 20, '9'))});
    out.push_back({"huge attribute", "1 MB of references",
                   InsertAt(doc, value + 2, Repeat("&amp;&#x41;&lt;", 1u << 16))});
    out.push_back({"huge attribute", "unterminated 4 MB value",
                   doc.substr(0, value + 2) + std::string(4u << 20, 'a')});
    out.push_back({"huge attribute", "4 MB of line ends",
                   InsertAt(doc, value + 2, std::string(4u << 20, '\r'))});
  }
  out.push_back({"huge attribute", "1 MB name",
                 InsertAt(doc, nameEnd, " " + std::string(1u << 20, 'n') + "=\"1\"")});
  out.push_back({"huge attribute", "200000 skipped attributes",
                 InsertAt(doc, nameEnd, Repeat(" xmlns:p=\"u\"", 200000))});
  out.push_back({"huge attribute", "200000 unknown attributes",
                 InsertAt(doc, nameEnd, Repeat(" q=\"u\"", 200000))});
  out.push_back({"huge attribute", "1 MB of white space before the value",
                 InsertAt(doc, nameEnd, " xmlns" + std::string(1u << 20, ' ') + "=\"u\"")});
}

void DeepNesting(const std::string& doc, std::vector<HostileDocument>& out) {
  const size_t content = RootContent(doc);
  const std::string root = RootName(doc);
  out.push_back(
      {"deep nesting", "100000 unknown elements", InsertAt(doc, content, Repeat("<a>", 100000))});
  out.push_back({"deep nesting", "100000 roots in the root",
                 InsertAt(doc, content, Repeat("<" + root + ">", 100000))});
  out.push_back({"deep nesting", "100000 closed unknown elements",
                 InsertAt(doc, content, Repeat("<a>", 100000) + Repeat("</a>", 100000))});
  out.push_back(
      {"deep nesting", "100000 comments", InsertAt(doc, content, Repeat("<!-- c -->", 100000))});
  out.push_back({"deep nesting", "100000 processing instructions",
                 InsertAt(doc, content, Repeat("<?p x?>", 100000))});
  out.push_back({"deep nesting", "100000 end tags",
                 InsertAt(doc, content, Repeat("</" + root + ">", 100000))});
  out.push_back({"deep nesting", "100000 empty CDATA sections",
                 InsertAt(doc, content, Repeat("<![CDATA[ ]]>", 100000))});
  out.push_back({"deep nesting", "unterminated comment",
                 InsertAt(doc, content, "<!--" + std::string(1u << 20, '-'))});
  out.push_back({"deep nesting", "unterminated CDATA",
                 InsertAt(doc, content, "<![CDATA[" + std::string(1u << 20, ']'))});
  out.push_back({"deep nesting", "100000 open brackets in the DOCTYPE",
                 InsertAt(doc, RootStart(doc), "<!DOCTYPE r " + std::string(100000, '[') + ">")});
  out.push_back(
      {"deep nesting", "document after the root", doc + Repeat("<" + root + "/>", 100000)});
  out.push_back({"deep nesting", "text after the root", doc + std::string(1u << 20, 'x')});
}

void EntityTricks(const std::string& doc, std::vector<HostileDocument>& out) {
  auto add = [&](const std::string& what, const std::string& subset, const std::string& ref) {
    out.push_back({"entity", what, WithEntities(doc, subset, ref)});
  };
  {
    std::string subset, refs;
    for (int i = 0; i < 32000; ++i) subset += "<!ENTITY e" + std::to_string(i) + " \"v\">";
    for (int i = 0; i < 32000; i += 97) refs += "&e" + std::to_string(i) + ";";
    add("32000 declarations", subset, refs);
  }
  {
    std::string subset, refs;
    for (int i = 0; i < 1000; ++i) subset += "<!ENTITY e" + std::to_string(i) + " \"v\">";
    for (int i = 0; i < 1000; ++i) refs += "&e" + std::to_string(i) + ";";
    add("1000 declarations, each referenced", subset, refs);
  }
  add("the same name declared 100000 times", Repeat("<!ENTITY e \"v\">", 100000), "&e;");
  {
    std::string subset =
        "<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">";
    std::string prev = "a";
    for (char n = 'b'; n <= 'k'; ++n) {
      subset += std::string("<!ENTITY ") + n + " \"" + Repeat("&" + prev + ";", 10) + "\">";
      prev = std::string(1, n);
    }
    add("expansion bomb", subset, "&k;");
  }
  add("one long value referenced 10000 times", "<!ENTITY big \"" + std::string(100000, 'b') + "\">",
      Repeat("&big;", 10000));
  add("empty expansions of a long value",
      "<!ENTITY e \"\"><!ENTITY many \"" + Repeat("&e;", 100000) + "\">", Repeat("&many;", 10000));
  add("recursion", "<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">", "&a;");
  add("self reference", "<!ENTITY a \"x&a;\">", "&a;");
  add("markup in the value", "<!ENTITY a \"<x/>\">", "&a;");
  add("character reference to markup", "<!ENTITY a \"&#60;x/>\">", "&a;");
  add("undeclared", "", "&nothing;");
  add("external", "<!ENTITY x SYSTEM \"file:///c:/windows/win.ini\">", "&x;");
  add("public external", "<!ENTITY x PUBLIC \"-//x\" \"http://127.0.0.1/x\">", "&x;");
  add("parameter entity", "<!ENTITY % p \"<!ENTITY x 'v'>\"> %p;", "&x;");
  add("parameter reference in a value", "<!ENTITY % p \"v\"><!ENTITY x \"%p;\">", "&x;");
  add("long reference name", "", "&" + std::string(100000, 'n') + ";");
  add("reference without its end", "", "&amp" + std::string(100000, 'a'));
  add("huge character reference", "", "&#" + std::string(100000, '9') + ";");
  add("character reference to a surrogate", "", "&#xD800;");
  add("character reference beyond Unicode", "", "&#x110000;");
  add("unterminated value", "<!ENTITY a \"" + std::string(1u << 20, 'v'), "&a;");
  add("declaration without a name", "<!ENTITY \"v\">", "");
  out.push_back({"entity", "external DOCTYPE",
                 InsertAt(doc, RootStart(doc), "<!DOCTYPE r SYSTEM \"http://127.0.0.1/x.dtd\">")});
  out.push_back(
      {"entity", "two DOCTYPEs", InsertAt(doc, RootStart(doc), "<!DOCTYPE r []><!DOCTYPE r []>")});
}

void BadUtf16(const std::string& doc, std::vector<HostileDocument>& out) {
  const std::string wide = ToUtf16(doc, true);
  const std::string bare = ToUtf16(doc, false);
  out.push_back({"UTF-16", "valid with byte order mark", wide});
  out.push_back({"UTF-16", "valid without byte order mark", bare});
  out.push_back({"UTF-16", "odd length", wide.substr(0, wide.size() - 1)});
  out.push_back({"UTF-16", "byte order mark only", "\xFF\xFE"});
  out.push_back({"UTF-16", "byte order mark and one byte", std::string("\xFF\xFE<", 3)});
  out.push_back({"UTF-16", "UTF-8 after a UTF-16 byte order mark", "\xFF\xFE" + doc});
  out.push_back({"UTF-16", "UTF-16 after a UTF-8 byte order mark", "\xEF\xBB\xBF" + bare});
  std::string big = "\xFE\xFF";
  for (size_t i = 2; i + 1 < wide.size(); i += 2) {
    big += wide[i + 1];
    big += wide[i];
  }
  out.push_back({"UTF-16", "big endian with its mark", big});
  out.push_back({"UTF-16", "big endian without a mark", big.substr(2)});
  // Surrogates and zero units at every structural boundary (every fourth).
  int n = 0;
  for (size_t i = 2; i + 1 < wide.size(); i += 2) {
    char c = wide[i];
    if (wide[i + 1] != 0 || !IsStructural(c) || (n++ % 4) != 0) continue;
    const std::string at = " at unit " + std::to_string(i / 2);
    out.push_back(
        {"UTF-16", "lone high surrogate" + at, InsertAt(wide, i, std::string("\x00\xD8", 2))});
    out.push_back(
        {"UTF-16", "lone low surrogate" + at, InsertAt(wide, i, std::string("\x00\xDC", 2))});
    out.push_back(
        {"UTF-16", "reversed pair" + at, InsertAt(wide, i, std::string("\x00\xDC\x00\xD8", 4))});
    out.push_back({"UTF-16", "zero unit" + at, InsertAt(wide, i, std::string("\x00\x00", 2))});
    out.push_back({"UTF-16", "truncated" + at, wide.substr(0, i)});
  }
  out.push_back({"UTF-16", "high surrogate at the end", wide + std::string("\x00\xD8", 2)});
}

void WrongDeclarations(const std::string& doc, std::vector<HostileDocument>& out) {
  size_t end = doc.find("?>");
  const std::string body = end == std::string::npos ? doc : doc.substr(end + 2);
  static const char* const kDeclarations[][2] = {
      {"version 2.0", "<?xml version=\"2.0\"?>"},
      {"version 1.0 with a space", "<?xml version=\"1.0 \"?>"},
      {"no version", "<?xml encoding=\"UTF-8\"?>"},
      {"version not quoted", "<?xml version=1.0?>"},
      {"version quotes mismatched", "<?xml version=\"1.0'?>"},
      {"Latin-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"},
      {"UTF-16 declared over UTF-8 bytes", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>"},
      {"empty encoding", "<?xml version=\"1.0\" encoding=\"\"?>"},
      {"standalone maybe", "<?xml version=\"1.0\" standalone=\"maybe\"?>"},
      {"attributes out of order", "<?xml encoding=\"UTF-8\" version=\"1.0\"?>"},
      {"unknown pseudo-attribute", "<?xml version=\"1.0\" colour=\"red\"?>"},
      {"unterminated", "<?xml version=\"1.0\" encoding=\"UTF-8\""},
      {"upper case", "<?XML version=\"1.0\"?>"},
      {"two declarations", "<?xml version=\"1.0\"?><?xml version=\"1.0\"?>"},
      {"after white space", "  <?xml version=\"1.0\"?>"},
      {"after a comment", "<!-- c --><?xml version=\"1.0\"?>"},
      {"1 MB encoding name", nullptr},
  };
  for (const auto& d : kDeclarations) {
    std::string decl =
        d[1] ? d[1] : "<?xml version=\"1.0\" encoding=\"" + std::string(1u << 20, 'U') + "\"?>";
    out.push_back({"declaration", d[0], decl + body});
  }
}

}  // namespace

std::vector<HostileDocument> HostileVariants(const std::string& valid) {
  std::vector<HostileDocument> out;
  Truncations(valid, out);
  ByteFlips(valid, out);
  HugeAttributes(valid, out);
  DeepNesting(valid, out);
  EntityTricks(valid, out);
  BadUtf16(valid, out);
  WrongDeclarations(valid, out);
  return out;
}

namespace {

template <class Doc>
ReadOutcome Read(const std::string& bytes) {
  Doc doc;
  int code = doc.ReadFromMemory(bytes.data(), bytes.size());
  return {code, doc.LastError().code};
}

}  // namespace

const std::vector<EngineDocumentReader>& EngineDocumentReaders() {
  static const std::vector<EngineDocumentReader> readers = {
      {"ScanResults", fixtures::kResults, &Read<QVnsScanResults::CARDOThreatEngineResults>},
      {"APEvent", fixtures::kAPEvent, &Read<QVnsAPEvent::CAPEvent>},
      {"QuarantineFile", fixtures::kQuarantine,
       &Read<QVnsQuarantineFile::CARDOQuarantineRecordXML>},
      {"ScanConfig", fixtures::kScanConfig, &Read<QVnsScanConfig::CScanConfig>},
      {"APConfig", fixtures::kAPConfig, &Read<QVnsAPConfig::CAPConfig>},
      {"ServiceConfig", fixtures::kServiceConfig, &Read<QVnsServiceConfig::CServiceConfig>},
      {"ThreatDefinitionsConfig", fixtures::kDefinitionUpdateConfig,
       &Read<QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig>},
      {"NVPairs", fixtures::kNVPairs, &Read<QVnsNVPairs::CNVPairs>},
  };
  return readers;
}

}  // namespace testsupport

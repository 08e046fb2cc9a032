// The custom scan that Explorer's verb asks for, read from the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLineParser.h"
#include "app/ContextScan.h"

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

std::string Join(const std::vector<std::wstring>& paths) {
  std::string out;
  for (const std::wstring& p : paths) out += (out.empty() ? "" : "|") + Narrow(p);
  return out;
}

struct RequestCase {
  const char* name;
  const wchar_t* commandLine;
  bool requested;
  std::vector<std::wstring> paths;
};

}  // namespace

TEST(ContextScanRequest, CommandLineTable) {
  const RequestCase cases[] = {
      {"one folder", L"/scan:custom /path:\"C:\\Data\"", true, {L"C:\\Data"}},
      {"one file unquoted", L"/scan:custom /path:C:\\x\\eicar.com", true, {L"C:\\x\\eicar.com"}},
      {"several, one switch each",
       L"/scan:custom /path:\"C:\\a\" /path:\"D:\\b c\"",
       true,
       {L"C:\\a", L"D:\\b c"}},
      {"several values of one switch",
       L"/scan:custom /path:\"C:\\a\",\"C:\\b\"",
       true,
       {L"C:\\a", L"C:\\b"}},
      {"spaces and commas stay whole",
       L"/scan:custom /path:\"C:\\My Files\\a, b and c\"",
       true,
       {L"C:\\My Files\\a, b and c"}},
      {"non-ASCII letters",
       L"/scan:custom /path:\"C:\\Users\\J\u00fcrgen\\\u0414\u043e\u043a\"",
       true,
       {L"C:\\Users\\J\u00fcrgen\\\u0414\u043e\u043a"}},
      {"a drive", L"/scan:custom /path:\"E:\\\"", true, {L"E:\\"}},
      {"a doubled quote inside", L"/scan:custom /path:\"C:\\a\"\"b\"", true, {L"C:\\a\"b"}},
      {"the same path twice, case aside",
       L"/scan:custom /path:\"C:\\A\" /path:\"c:\\a\"",
       true,
       {L"C:\\A"}},
      {"path before scan", L"/path:\"C:\\a\" /scan:custom", true, {L"C:\\a"}},
      {"no path", L"/scan:custom", false, {}},
      {"an empty path", L"/scan:custom /path:\"\"", false, {}},
      {"scan quick with a path", L"/scan:quick /path:\"C:\\a\"", false, {}},
      {"scan Custom (case counts)", L"/scan:Custom /path:\"C:\\a\"", false, {}},
      {"scan full", L"/scan:full /path:\"C:\\a\"", false, {}},
      {"path without scan", L"/path:\"C:\\a\"", false, {}},
  };
  for (const RequestCase& c : cases) {
    CCommandLineParser parser;
    parser.ParseCommandLine(c.commandLine);
    auto request = ContextScanFromCommandLine(parser);
    EXPECT_EQ(c.requested, request.has_value()) << c.name;
    if (request) EXPECT_EQ(Join(c.paths), Join(request->paths)) << c.name;
  }
}

TEST(ContextScanRequest, RequestsCloseTogetherBecomeOne) {
  ContextScanRequest first{{L"C:\\a", L"C:\\b"}};
  MergeContextScanRequest(first, {{L"c:\\B", L"C:\\c"}});
  MergeContextScanRequest(first, {{L"C:\\a"}});
  EXPECT_EQ("C:\\a|C:\\b|C:\\c", Join(first.paths));
}

TEST(ContextScanRequest, MissingPathsAreNamedAndTheOthersKept) {
  auto exists = [](const std::wstring& p) { return p.find(L"gone") == std::wstring::npos; };
  ContextScanPaths split =
      SplitContextScanPaths({L"C:\\gone1", L"C:\\here", L"D:\\gone 2", L"E:\\"}, exists);
  EXPECT_EQ("C:\\here|E:\\", Join(split.existing));
  EXPECT_EQ("C:\\gone1|D:\\gone 2", Join(split.missing));
  EXPECT_EQ(L"Not found:\nC:\\gone1\nD:\\gone 2",
            MissingPathsMessage(L"Not found:", split.missing));
}

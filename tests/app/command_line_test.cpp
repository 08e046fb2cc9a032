// The command-line parser and its writer.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandLineParser.h"

namespace {

// "name=[v1|v2];name2=[]" in map order.
std::wstring Dump(const CCommandLineParser& parser) {
  std::wstring out;
  for (const auto& [name, values] : parser.Switches()) {
    if (!out.empty()) out += L';';
    out += name + L"=[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? L"|" : L"") + values[i];
    out += L']';
  }
  return out;
}

std::wstring Parse(const std::wstring& text) {
  CCommandLineParser parser;
  parser.ParseCommandLine(text);
  return Dump(parser);
}

struct ParseCase {
  const wchar_t* text;
  const wchar_t* expected;
};

}  // namespace

TEST(CommandLineParser, ParsesEveryDocumentedForm) {
  const ParseCase cases[] = {
      {L"", L""},
      {L"/scan:quick", L"scan=[quick]"},
      {L"/scan:a,b /minimize", L"minimize=[];scan=[a|b]"},
      {L"/path:C:\\x", L"path=[C:\\x]"},
      {L"/a:b:c", L"a=[b:c]"},  // a colon does not end an unquoted value
      {L"/a:\"he said \"\"hi\"\"\"", L"a=[he said \"hi\"]"},
      {L"/a:x,\"y,z\" b /c", L"a=[x|y,z];c=[]"},
      {L"/a:\"x", L"a=[x]"},  // no closing quote: the rest is the value
      {L"/a:\"x y\" /b", L"a=[x y];b=[]"},
      {L"/a:\"\"", L"a=[]"},  // an empty quoted value is a value
      {L"//a", L"a=[]"},
      {L"/Install /install", L"Install=[];install=[]"},
      {L"/a:1 /a:2,3", L"a=[1|2|3]"},
      {L"words first /a", L"a=[]"},
      {L"/x/y", L"x=[];y=[]"},
      {L"/a:1/b", L"a=[1];b=[]"},
      {L"/:x /b", L"b=[]"},  // an empty name keeps nothing
      {L"/a /", L"a=[]"},
      {L"/a:,", L"a=[]"},
      {L"/a:x y /b", L"a=[x];b=[]"},
      {L"/unelevate /x:1 /a", L"a=[];unelevate=[];x=[1]"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, Parse(c.text))
        << "input: " << testing::PrintToString(std::wstring(c.text));
  // The empty quoted value is kept as an empty text.
  CCommandLineParser parser;
  parser.ParseCommandLine(L"/a:\"\"");
  ASSERT_EQ(1u, parser.Switches().at(L"a").size());
  EXPECT_EQ(L"", parser.Switches().at(L"a")[0]);
}

TEST(CommandLineParser, LooksUpAndRemovesSwitchesByExactName) {
  CCommandLineParser parser;
  parser.ParseCommandLine(L"/scan:quick,full /minimize /Report");
  EXPECT_TRUE(parser.HasSwitch(L"scan"));
  EXPECT_FALSE(parser.HasSwitch(L"Scan"));
  EXPECT_FALSE(parser.HasSwitch(L"report"));
  EXPECT_EQ(L"quick", parser.GetSwitchValue(L"scan"));
  EXPECT_EQ(L"", parser.GetSwitchValue(L"minimize"));
  EXPECT_EQ(L"", parser.GetSwitchValue(L"absent"));
  parser.RemoveSwitch(L"scan");
  parser.RemoveSwitch(L"absent");
  EXPECT_FALSE(parser.HasSwitch(L"scan"));
  EXPECT_EQ(L"/Report /minimize", parser.BuildCommandLine());
}

TEST(CommandLineParser, BuildsInMapOrderWithEveryValueQuoted) {
  CCommandLineParser parser;
  parser.ParseCommandLine(L"/unelevate /x:1 /a");
  parser.RemoveSwitch(L"unelevate");
  EXPECT_EQ(L"/a /x:\"1\"", parser.BuildCommandLine());

  CCommandLineParser quotes;
  quotes.ParseCommandLine(L"/q:\"say \"\"x\"\"\",plain");
  EXPECT_EQ(L"/q:\"say \"\"x\"\"\",\"plain\"", quotes.BuildCommandLine());
  EXPECT_EQ(L"", CCommandLineParser().BuildCommandLine());
}

TEST(CommandLineParser, WrittenCommandLinesParseBackToTheSameSwitches) {
  for (const wchar_t* text :
       {L"/scan:quick /minimize", L"/path:C:\\Program Files\\x,\"a,b\" /Z /z",
        L"/q:\"he said \"\"hi\"\"\",\"/slash\" /e", L"/v:\"a:b\",\" lead\"", L"//a /b:\"\""}) {
    CCommandLineParser first;
    first.ParseCommandLine(text);
    CCommandLineParser second;
    second.ParseCommandLine(first.BuildCommandLine());
    EXPECT_EQ(Dump(first), Dump(second)) << testing::PrintToString(std::wstring(text));
    EXPECT_EQ(first.BuildCommandLine(), second.BuildCommandLine());
  }
}

// Theme lookups by key over small fixture documents.

#include <gtest/gtest.h>

#include <vector>

#include "framework/LayoutDpi.h"
#include "theme/ThemeResources.h"
#include "theme_fixture.h"
#include "themedata/resource.h"

namespace {

const char kSections[] = R"(
<strings>
  <app_name>Sample Guard</app_name>
  <plain>hello</plain>
  <empty/>
  <cdata><![CDATA[a <b> c]]></cdata>
  <welcome>Welcome to [%app_name%]</welcome>
  <twice>[%app_name%] and [%app_name%]</twice>
  <product_id>pid=[%pid%]</product_id>
  <nested>Nested: [%welcome%]!</nested>
  <brackets>&amp;lt;b&amp;gt; x\ny</brackets>
  <unknown>a[%no_such_key%]b</unknown>
  <unterminated>a[%app_name</unterminated>
  <self>me [%self%] me</self>
  <ring_a>A([%ring_b%])</ring_a>
  <ring_b>B([%ring_c%])</ring_b>
  <ring_c>C([%ring_a%])</ring_c>
  <pct>%</pct>
  <maker>[[%pct%]maker%]</maker>
  <uses_maker>x[%maker%]y</uses_maker>
  <urls><help>http://help.example.test/</help><tech_support>http://support.example.test/</tech_support></urls>
  <urls><other>second urls element</other></urls>
  <dup>first</dup>
  <dup>second</dup>
</strings>
<integers>
  <pid>1234</pid>
  <neg>  -42xyz</neg>
  <plus>+7</plus>
  <junk>abc</junk>
  <empty/>
  <only_int>5</only_int>
</integers>
<colors>
  <general><button><text r="0" g="128" b="255"/></button></general>
  <transparent r="0" g="128" b="255" a="0"/>
  <big r="300" g="1" b="2"/>
  <no_green r="10" b="30"/>
  <negative r="-1" g="0" b="0" a="128"/>
</colors>
<fonts>
  <normal size="10"/>
  <no_size bold="1"/>
  <bold_yes size="10" bold="yes"/>
  <bold_True size="10" bold="True"/>
  <bold_1 size="10" bold="1"/>
  <bold_false size="10" bold="false"/>
  <bold_no size="10" bold="no"/>
  <bold_0 size="10" bold="0"/>
  <styled size="12" italic="t" underline="Y"/>
  <own_height size="-1"/>
</fonts>
)";

class ThemeLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    m_path = m_dir.Write(L"ui.xml", UiDocument(kSections));
    ASSERT_TRUE(m_theme.Load(m_path, nullptr));
  }

  TempThemeDir m_dir;
  std::wstring m_path;
  CThemeResources m_theme;
};

LOGFONTW Describe(HFONT font) {
  LOGFONTW lf{};
  GetObjectW(font, sizeof(lf), &lf);
  return lf;
}

TEST(ThemeKeys, NormalisationStripsEverySurroundingSlash) {
  EXPECT_EQ(NormalizeThemeKey(L"general/button/text"), L"general/button/text");
  EXPECT_EQ(NormalizeThemeKey(L"/general/button/text"), L"general/button/text");
  EXPECT_EQ(NormalizeThemeKey(L"general/button/text/"), L"general/button/text");
  EXPECT_EQ(NormalizeThemeKey(L"///a/b//"), L"a/b");
  EXPECT_EQ(NormalizeThemeKey(L"///"), L"");
  EXPECT_EQ(NormalizeThemeKey(L""), L"");
}

TEST_F(ThemeLookup, SlashVariantsOfAColourKeyGiveTheSameColour) {
  for (const wchar_t* key : {L"general/button/text", L"/general/button/text",
                             L"general/button/text/", L"//general/button/text//"}) {
    int found = -1;
    EXPECT_EQ(m_theme.GetColor(key, &found), 0xFF0080FFu) << key;
    EXPECT_EQ(found, 1) << key;
  }
}

TEST_F(ThemeLookup, ColourArithmetic) {
  struct Case {
    const wchar_t* key;
    ThemeColor expected;
    int found;
  } cases[] = {
      {L"general/button/text", 0xFF0080FFu, 1},  // no a: alpha 255
      {L"transparent", 0x000080FFu, 1},          // a = 0
      {L"big", 0xFF2C0102u, 1},                  // r = 300 -> 44
      {L"negative", 0x80FF0000u, 1},             // low 8 bits of -1
      {L"no_green", kMissingThemeColor, 0},      // g absent
      {L"absent", kMissingThemeColor, 0},
      {L"General/Button/Text", kMissingThemeColor, 0},  // keys are case-sensitive
  };
  for (const Case& c : cases) {
    int found = -1;
    EXPECT_EQ(m_theme.GetColor(c.key, &found), c.expected) << c.key;
    EXPECT_EQ(found, c.found) << c.key;
  }
  ThemeColor big = m_theme.GetColor(L"big");
  EXPECT_EQ(ThemeRed(big), 44);
  EXPECT_EQ(ThemeAlpha(big), 255);
}

TEST_F(ThemeLookup, HitsAreCachedAndMissesAreNot) {
  auto sizes = [&] {
    auto c = m_theme.CachedEntries();
    return std::vector<size_t>{c.strings, c.integers, c.colors, c.fonts};
  };
  const std::vector<size_t> empty{0, 0, 0, 0};
  ASSERT_EQ(sizes(), empty);

  int found = -1;
  EXPECT_EQ(m_theme.GetColor(L"no_green", &found), kMissingThemeColor);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(m_theme.GetColor(L"no_green", &found), kMissingThemeColor);  // read again
  EXPECT_EQ(found, 0);
  m_theme.GetColor(L"absent");
  m_theme.GetString(L"missing");
  m_theme.GetString(L"only_int");
  m_theme.GetInteger(L"missing");
  m_theme.GetFont(L"no_size");
  m_theme.GetFont(L"missing");
  EXPECT_EQ(sizes(), empty);

  // Integers are read from the document every time and never cached.
  EXPECT_EQ(m_theme.GetInteger(L"pid"), 1234);
  EXPECT_EQ(sizes(), empty);

  EXPECT_EQ(m_theme.GetColor(L"big"), 0xFF2C0102u);
  EXPECT_EQ(m_theme.GetColor(L"/big/"), 0xFF2C0102u);  // one entry for both spellings
  EXPECT_EQ(m_theme.GetString(L"plain"), L"hello");
  HFONT font = m_theme.GetFont(L"normal");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(m_theme.GetFont(L"normal/", &found), font);  // the same borrowed object
  EXPECT_EQ(found, 1);
  EXPECT_EQ(sizes(), (std::vector<size_t>{1, 0, 1, 1}));
}

TEST_F(ThemeLookup, StringValues) {
  struct Case {
    const wchar_t* key;
    const wchar_t* expected;
    int found;
  } cases[] = {
      {L"plain", L"hello", 1},
      {L"empty", L"", 1},
      {L"cdata", L"a <b> c", 1},
      {L"urls/help", L"http://help.example.test/", 1},
      {L"/urls/tech_support/", L"http://support.example.test/", 1},
      {L"urls/other", L"second urls element", 1},  // first match in document order
      {L"dup", L"first", 1},
      {L"only_int", L"", 0},  // exists as an integer only
      {L"missing", L"", 0},
      {L"urls", L"", 1},  // an element without text of its own
      {L"bad[key", L"", 0},
      {L"", L"", 0},
  };
  for (const Case& c : cases) {
    int found = -1;
    EXPECT_EQ(m_theme.GetString(c.key, &found), c.expected) << c.key;
    EXPECT_EQ(found, c.found) << c.key;
  }
}

TEST_F(ThemeLookup, IntegerValues) {
  struct Case {
    const wchar_t* key;
    int expected;
    int found;
  } cases[] = {
      {L"pid", 1234, 1}, {L"/pid/", 1234, 1}, {L"neg", -42, 1},   {L"plus", 7, 1},
      {L"junk", 0, 1},   {L"empty", 0, 1},    {L"missing", 0, 0}, {L"plain", 0, 0},
  };
  for (const Case& c : cases) {
    int found = -1;
    EXPECT_EQ(m_theme.GetInteger(c.key, &found), c.expected) << c.key;
    EXPECT_EQ(found, c.found) << c.key;
  }
}

TEST_F(ThemeLookup, ExpansionOfReferencesAndEscapes) {
  struct Case {
    const wchar_t* key;
    const wchar_t* expected;
  } cases[] = {
      {L"welcome", L"Welcome to Sample Guard"},
      {L"twice", L"Sample Guard and Sample Guard"},
      {L"product_id", L"pid=1234"},
      {L"nested", L"Nested: Welcome to Sample Guard!"},
      {L"brackets", L"<b> x\ny"},
      {L"unknown", L"ab"},
      {L"unterminated", L"a[%app_name"},
  };
  for (const Case& c : cases) EXPECT_EQ(m_theme.GetString(c.key), c.expected) << c.key;

  EXPECT_EQ(m_theme.ExpandThemeText(L"[%app_name%]/[%pid%]/[%only_int%]"), L"Sample Guard/1234/5");
  EXPECT_EQ(m_theme.ExpandThemeText(L"&lt;&gt;\\n"), L"<>\n");
  EXPECT_EQ(m_theme.ExpandThemeText(L"100%] [%"), L"100%] [%");
}

TEST_F(ThemeLookup, SelfReferencingStringsStillExpand) {
  // Direct and indirect cycles end; the reference that closes the cycle names nothing.
  EXPECT_EQ(m_theme.GetString(L"self"), L"me  me");
  EXPECT_EQ(m_theme.GetString(L"ring_a"), L"A(B(C()))");
  EXPECT_EQ(m_theme.GetString(L"ring_b"), L"B(C())");  // from the cache the first lookup filled
  // A value whose expansion leaves its own reference behind ("[" + "%" + "maker%]"): using it
  // elsewhere would substitute the same token for ever, so the expansion gives up in time.
  EXPECT_EQ(m_theme.GetString(L"maker"), L"[%maker%]");
  std::wstring uses = m_theme.GetString(L"uses_maker");
  EXPECT_EQ(uses, L"x[%maker%]y");
}

TEST_F(ThemeLookup, FontFlagsAndSizes) {
  struct Case {
    const wchar_t* key;
    LONG weight;
  } cases[] = {
      {L"normal", FW_NORMAL}, {L"bold_yes", FW_BOLD},     {L"bold_True", FW_BOLD},
      {L"bold_1", FW_BOLD},   {L"bold_false", FW_NORMAL}, {L"bold_no", FW_NORMAL},
      {L"bold_0", FW_NORMAL},
  };
  for (const Case& c : cases) {
    int found = -1;
    HFONT font = m_theme.GetFont(c.key, &found);
    ASSERT_NE(font, nullptr) << c.key;
    EXPECT_EQ(found, 1);
    LOGFONTW lf = Describe(font);
    EXPECT_EQ(lf.lfWeight, c.weight) << c.key;
    EXPECT_FALSE(lf.lfItalic);
    EXPECT_FALSE(lf.lfUnderline);
    EXPECT_FALSE(lf.lfStrikeOut);
  }

  int found = -1;
  EXPECT_EQ(m_theme.GetFont(L"no_size", &found), nullptr);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(m_theme.GetFont(L"missing", &found), nullptr);
  EXPECT_EQ(found, 0);

  LOGFONTW styled = Describe(m_theme.GetFont(L"styled"));
  EXPECT_TRUE(styled.lfItalic);
  EXPECT_TRUE(styled.lfUnderline);

  // Height: minus points x 96 / 72, rounded, whatever the screen reports; -1 keeps the
  // message font's face and its height brought to 96 dpi.
  EXPECT_EQ(Describe(m_theme.GetFont(L"normal")).lfHeight, -13);
  EXPECT_EQ(Describe(m_theme.GetFont(L"styled")).lfHeight, -16);

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTW own = Describe(m_theme.GetFont(L"own_height"));
  EXPECT_EQ(own.lfHeight, ToLayoutDpi(metrics.lfMessageFont.lfHeight, dpi));
  EXPECT_STREQ(own.lfFaceName, metrics.lfMessageFont.lfFaceName);
  EXPECT_EQ(own.lfCharSet, metrics.lfMessageFont.lfCharSet);
}

// Theme fonts are sized for the fixed 96-dpi layout, so a screen of higher DPI
// that nothing scales for us cannot make text outgrow its boxes.
TEST(ThemeFonts, HeightsFollowTheLayoutDpiNotTheScreen) {
  struct Row {
    const char* name;
    int points;
    LONG height;
  };
  const Row points[] = {{"8 pt", 8, -11},   {"9 pt", 9, -12},
                        {"10 pt", 10, -13}, {"11 pt (14.67 px)", 11, -15},
                        {"12 pt", 12, -16}, {"13 pt (17.33 px)", 13, -17},
                        {"0 pt", 0, 0},     {"-9 pt", -9, 12}};
  for (const Row& row : points) EXPECT_EQ(row.height, ThemeFontHeight(row.points)) << row.name;
}

TEST(ThemeFonts, CreateThemeFontGivesAnOwnedFont) {
  UniqueFont font = CreateThemeFont(true, 9, true, false);
  ASSERT_TRUE(font);
  LOGFONTW lf{};
  GetObjectW(font.get(), sizeof(lf), &lf);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_FALSE(lf.lfUnderline);
  EXPECT_LT(lf.lfHeight, 0);
}

TEST(ThemeLoad, MissingOrMalformedDocumentsLeaveTheThemeUnloaded) {
  TempThemeDir dir;
  CThemeResources theme;
  EXPECT_FALSE(theme.Load(dir.path() + L"\\absent.xml", nullptr));
  EXPECT_FALSE(theme.IsLoaded());

  std::wstring broken = dir.Write(L"broken.xml", "<ui><strings><a>x</strings></ui>");
  EXPECT_FALSE(theme.Load(broken, nullptr));
  EXPECT_FALSE(theme.IsLoaded());

  // Before a successful load every lookup gives its empty value.
  int found = -1;
  EXPECT_EQ(theme.GetString(L"a", &found), L"");
  EXPECT_EQ(found, 0);
  EXPECT_EQ(theme.GetInteger(L"a", &found), 0);
  EXPECT_EQ(theme.GetColor(L"a", &found), 0u);
  EXPECT_EQ(theme.GetFont(L"a", &found), nullptr);
  EXPECT_EQ(theme.LoadResString(IDS_ENGINE_UNAVAILABLE), L"");
}

TEST(ThemeLoad, EncodingsAreDetected) {
  TempThemeDir dir;
  CThemeResources theme;
  // UTF-16 little endian with a byte-order mark.
  std::wstring wide = L"\xFEFF<ui><strings><name>Gr\x00FC\x00DF</name></strings></ui>";
  std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  ASSERT_TRUE(theme.Load(dir.Write(L"utf16.xml", bytes), nullptr));
  EXPECT_EQ(theme.GetString(L"name"), L"Gr\x00FC\x00DF");

  // UTF-8 without declaration.
  ASSERT_TRUE(theme.Load(dir.Write(L"utf8.xml",
                                   "<ui><strings><name>\xC3\xA9t\xC3\xA9</name>"
                                   "</strings></ui>"),
                         nullptr));
  EXPECT_EQ(theme.GetString(L"name"), L"\x00E9t\x00E9");
}

TEST(ThemeLoad, ClearForgetsEverything) {
  TempThemeDir dir;
  CThemeResources theme;
  ASSERT_TRUE(theme.Load(dir.Write(L"ui.xml", UiDocument(R"(<strings><a>x</a></strings>
      <colors><c r="1" g="2" b="3"/></colors><fonts><f size="9"/></fonts>)")),
                         nullptr));
  EXPECT_EQ(theme.GetString(L"a"), L"x");
  EXPECT_NE(theme.GetFont(L"f"), nullptr);
  theme.Clear();
  EXPECT_FALSE(theme.IsLoaded());
  int found = -1;
  EXPECT_EQ(theme.GetString(L"a", &found), L"");
  EXPECT_EQ(found, 0);
  EXPECT_EQ(theme.GetFont(L"f"), nullptr);
}

}  // namespace

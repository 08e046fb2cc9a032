// The ignore list: the configuration edits as tables, and the page as a real
// window against the fake engine (rows, adding a file or a folder, removal,
// the empty list, a refused write and the keyboard).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineSession.h"
#include "engine/documents/ScanConfig.h"
#include "lists/PageHost.h"
#include "pages/lists/FolderBrowser.h"
#include "pages/lists/IgnoreList.h"
#include "pages/lists/IgnorePage.h"
#include "support/Capture.h"
#include "support/shipped_theme.h"
#include "themedata/resource.h"

namespace SC = QVnsScanConfig;

namespace lists {
namespace {

std::wstring Doc(const std::wstring& inner) {
  return L"<?xml version=\"1.0\" encoding=\"UTF-16\"?><ScanConfig SchemaVersion=\"4.0.0\">" +
         inner + L"</ScanConfig>";
}

SC::CScanConfig Parse(const std::wstring& text) {
  SC::CScanConfig c;
  EXPECT_EQ(c.ReadFromString(text), 0) << "document: " << std::string(text.begin(), text.end());
  return c;
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

const wchar_t kTwoThreatsOneFolder[] =
    L"<IgnoredThreats IsDirty=\"false\">"
    L"<IgnoredThreat Source=\"1\" Id=\"17\" DateTimeAdded=\"2009-05-01T10:00:00\"/>"
    L"<IgnoredThreat Source=\"1\" Id=\"4\" DateTimeAdded=\"2009-05-01T10:00:00\"/>"
    L"</IgnoredThreats>"
    L"<KnownApps><KnownApp KnownTypeEnum=\"1\" FilePath=\"c:\\tools\\APP.EXE\" FilePathType=\"2\"/>"
    L"<KnownApp KnownTypeEnum=\"1\" FilePath=\"C:\\Games\" FilePathType=\"6\"/></KnownApps>";

// ---- the configuration edits ------------------------------------------------

TEST(IgnoreEntries, ThreatsComeFirstNamedByTheDefinitionsThenFilesAndFolders) {
  SC::CScanConfig c = Parse(Doc(kTwoThreatsOneFolder));
  std::vector<std::uint32_t> asked;
  auto entries = BuildIgnoreEntries(c, [&](std::uint32_t id) {
    asked.push_back(id);
    return L"Threat." + std::to_wstring(id);
  });
  const std::vector<IgnoreEntry> expected = {{L"Threat.17", 17, true},
                                             {L"Threat.4", 4, true},
                                             {L"c:\\tools\\APP.EXE", 0, false},
                                             {L"C:\\Games", 0, false}};
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(entries[i], expected[i]) << "row " << i << " got " << Narrow(entries[i].text);
  EXPECT_EQ(asked, (std::vector<std::uint32_t>{17, 4}));
}

TEST(IgnoreEntries, PathsMatchInAnyLetterCaseButThreatNamesNever) {
  const std::vector<IgnoreEntry> entries = {{L"C:\\Tools\\app.exe", 1, true},
                                            {L"c:\\tools\\APP.EXE", 0, false},
                                            {L"D:\\Ärger", 0, false}};
  struct Case {
    const wchar_t* path;
    bool listed;
  } cases[] = {
      {L"C:\\Tools\\app.exe", true},  {L"c:\\TOOLS\\App.Exe", true}, {L"C:\\Tools\\app.ex", false},
      {L"C:\\Tools\\app.exe ", false}, {L"d:\\äRGER", true},           {L"", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsPathListed(entries, c.path), c.listed) << "path " << Narrow(c.path);
}

TEST(IgnoreEntries, KnownAppOfAnAddedFileOrFolder) {
  SC::CScanConfig c = Parse(Doc(L""));
  AppendKnownApp(c, L"C:\\Tools\\Tool.exe", kKnownAppFile, L"2026-12-10T15:04:05");
  AppendKnownApp(c, L"D:\\Data", kKnownAppFolder, L"2026-12-10T15:04:06");
  std::string text;
  ASSERT_EQ(c.WriteToText(text), 0);
  // Written in the order of the element's attributes, all of them present.
  const char* const tabs = "\n\t\t\t\t";
  const std::string first = std::string("<KnownApp KnownTypeEnum=\"1\"") + tabs + "Signature=\"\"" +
                            tabs + "FilePath=\"C:\\Tools\\Tool.exe\"" + tabs +
                            "FilePathType=\"2\"" + tabs + "Dirty=\"false\"" + tabs +
                            "Source=\"1\"" + tabs + "DateTimeAdded=\"2026-12-10T15:04:05\"/>";
  EXPECT_NE(text.find(first), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("FilePath=\"D:\\Data\"") + tabs + "FilePathType=\"6\""),
            std::string::npos)
      << text;
  // The container is made for the entries, but never marked dirty.
  EXPECT_EQ(text.find("IsDirty"), std::string::npos) << text;
  EXPECT_TRUE(HasKnownApp(c, L"c:\\tools\\TOOL.EXE"));
}

TEST(IgnoreEntries, RemovalTouchesIsDirtyOnlyForThreats) {
  struct Case {
    const char* name;
    IgnoreEntry entry;
    bool removed;
    const wchar_t* threatsAfter;  // the IgnoredThreats element as written
    int appsAfter;
  } cases[] = {
      {"threat", {L"Threat.4", 4, true}, true,
       L"IgnoredThreats IsDirty=\"true\">", 2},
      {"unknown threat", {L"Threat.9", 9, true}, false, L"IgnoredThreats IsDirty=\"false\">", 2},
      {"file, same case", {L"c:\\tools\\APP.EXE", 0, false}, true,
       L"IgnoredThreats IsDirty=\"false\">", 1},
      {"file, other case", {L"C:\\Tools\\app.exe", 0, false}, false,
       L"IgnoredThreats IsDirty=\"false\">", 2},
  };
  for (const Case& c : cases) {
    SC::CScanConfig config = Parse(Doc(kTwoThreatsOneFolder));
    EXPECT_EQ(RemoveIgnoreEntry(config, c.entry), c.removed) << c.name;
    std::string text;
    ASSERT_EQ(config.WriteToText(text), 0) << c.name;
    const std::wstring wide(text.begin(), text.end());
    EXPECT_NE(wide.find(c.threatsAfter), std::wstring::npos) << c.name << "\n" << text;
    EXPECT_EQ(static_cast<int>(config.KnownApps->KnownApp.Count()), c.appsAfter) << c.name;
    EXPECT_EQ(config.IgnoredThreats->IgnoredThreat.Count(),
              c.entry.isThreat && c.removed ? 1u : 2u)
        << c.name;
  }
}

TEST(IgnoreEntries, AThreatWhoseIdIsZeroIsStillAThreat) {
  SC::CScanConfig c = Parse(Doc(
      L"<IgnoredThreats><IgnoredThreat Id=\"0\"/></IgnoredThreats>"
      L"<KnownApps><KnownApp FilePath=\"Zero\"/></KnownApps>"));
  auto entries = BuildIgnoreEntries(c, [](std::uint32_t) { return std::wstring(L"Zero"); });
  ASSERT_EQ(entries.size(), 2u);
  ASSERT_TRUE(RemoveIgnoreEntry(c, entries[0]));
  EXPECT_EQ(c.IgnoredThreats->IgnoredThreat.Count(), 0u);
  EXPECT_EQ(c.KnownApps->KnownApp.Count(), 1u) << "the file of the same text stays";
}

TEST(IgnorePageLayout, FollowsTheClientSize) {
  const IgnorePageLayout l = ComputeIgnorePageLayout(760, 480);
  struct Row {
    const char* name;
    RECT got, want;
  } rows[] = {
      {"explanation", l.explanation, {20, 90, 740, 126}},
      {"add file", l.addFile, {630, 446, 740, 470}},
      {"add folder", l.addFolder, {510, 446, 620, 470}},
      {"list", l.list, {20, 140, 740, 436}},
  };
  for (const Row& r : rows)
    EXPECT_TRUE(EqualRect(&r.got, &r.want))
        << r.name << " got " << r.got.left << "," << r.got.top << "," << r.got.right << ","
        << r.got.bottom;
}

// ---- the page -------------------------------------------------------------

class IgnorePageWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadShippedTheme());
    FakeEngine::ThreatInfo info;
    info.texts[4] = L"Trojan.Seventeen";
    engine.values().threats[17] = info;
    info.texts[4] = L"Adware.Four";
    engine.values().threats[4] = info;
    engine.SetText(L"GetScanConfig", Doc(kTwoThreatsOneFolder));
    ASSERT_TRUE(::Engine().EnsureEngine());
    ASSERT_TRUE(host.hwnd());
    page = std::make_unique<CIgnorePage>();
    ASSERT_TRUE(page->Create(host.hwnd()));
    ::MoveWindow(page->m_hWnd, 0, 0, kPageWidth, kPageHeight, TRUE);
  }
  void TearDown() override {
    page.reset();
    ::Engine().ReleaseAll();
  }
  void Show() {
    page->ShowWindow(SW_SHOW);
    Pump();
  }
  std::vector<std::wstring> Rows() {
    std::vector<std::wstring> rows;
    for (int i = 0; i < page->List().GetItemCount(); ++i)
      rows.push_back(page->GetCellText(i, CIgnorePage::kColumnText, IDC_IGNORE_LIST));
    return rows;
  }
  SC::CScanConfig Stored() {
    SC::CScanConfig c;
    EXPECT_EQ(c.ReadFromString(engine.Stored(L"SetScanConfig")), 0);
    return c;
  }
  void Click(UINT id) {
    page->Send(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(page->GetDlgItem(static_cast<int>(id))));
    Pump();
  }

  ScriptedApp app;
  FakeEngine engine;
  HostWindow host{kPageWidth, kPageHeight};
  std::unique_ptr<CIgnorePage> page;
};

TEST_F(IgnorePageWindow, ShowsThreatsFirstThenFilesAndFoldersReadOnEveryShow) {
  Show();
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Trojan.Seventeen", L"Adware.Four",
                                               L"c:\\tools\\APP.EXE", L"C:\\Games"}));
  EXPECT_TRUE(page->List().IsWindowVisible());
  EXPECT_EQ(engine.CallCount(L"SetScanConfig"), 0) << "showing writes nothing";

  // The configuration changed behind the page's back: the next show reads it.
  page->ShowWindow(SW_HIDE);
  engine.SetText(L"GetScanConfig",
                 Doc(L"<KnownApps><KnownApp FilePath=\"E:\\Only\"/></KnownApps>"));
  Show();
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"E:\\Only"}));
}

TEST_F(IgnorePageWindow, AFailedReadLeavesTheRowsAsTheyWere) {
  Show();
  page->ShowWindow(SW_HIDE);
  engine.Fail(L"GetScanConfig", E_FAIL);
  Show();
  EXPECT_EQ(Rows().size(), 4u);
  engine.ClearFailure(L"GetScanConfig");
  engine.SetText(L"GetScanConfig", L"<not a document");
  page->ShowWindow(SW_HIDE);
  Show();
  EXPECT_EQ(Rows().size(), 4u);
}

TEST_F(IgnorePageWindow, AddingAListedFileInAnyLetterCaseIsRefused) {
  Show();
  app.fileAnswers.push_back(std::wstring(L"C:\\Tools\\app.exe"));
  Click(IDC_IGNORE_ADD_FILE);
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].text, Res(IDS_IGNORE_FILE_LISTED));
  EXPECT_EQ(engine.CallCount(L"SetScanConfig"), 0);
  EXPECT_EQ(app.lastFileFlags, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
}

TEST_F(IgnorePageWindow, AnAddedFileIsStoredAndListedLast) {
  Show();
  app.fileAnswers.push_back(std::wstring(L"C:\\Program Files\\Tool\\Tool.exe"));
  Click(IDC_IGNORE_ADD_FILE);
  EXPECT_TRUE(app.boxes.empty());
  ASSERT_EQ(engine.CallCount(L"SetScanConfig"), 1);
  SC::CScanConfig c = Stored();
  ASSERT_EQ(c.KnownApps->KnownApp.Count(), 3u);
  const auto& added = c.KnownApps->KnownApp[2];
  EXPECT_EQ(added.FilePath.Get(), L"C:\\Program Files\\Tool\\Tool.exe");
  EXPECT_EQ(added.FilePathType.Get(), kKnownAppFile);
  EXPECT_EQ(added.KnownTypeEnum.Get(), 1u);
  EXPECT_EQ(added.Source.Get(), 1);
  EXPECT_TRUE(added.Signature.IsPresent());
  EXPECT_TRUE(added.Dirty.IsPresent());
  EXPECT_FALSE(added.Dirty.Get());
  EXPECT_EQ(added.DateTimeAdded.Get().size(), 19u);
  EXPECT_EQ(added.DateTimeAdded.Get()[10], L'T');
  EXPECT_FALSE(c.IgnoredThreats->IsDirty.Get()) << "threats did not change";
  EXPECT_EQ(Rows().back(), L"C:\\Program Files\\Tool\\Tool.exe");

  // Cancelling the dialog adds nothing.
  Click(IDC_IGNORE_ADD_FILE);
  EXPECT_EQ(engine.CallCount(L"SetScanConfig"), 1);
}

TEST_F(IgnorePageWindow, FolderBrowserAnswers) {
  const std::wstring existing = MakeScratchFolder(L"Browse");
  const std::wstring upper = existing + L"\\Mixed Case";
  ::CreateDirectoryW(upper.c_str(), nullptr);
  struct Case {
    const char* name;
    std::vector<std::optional<std::wstring>> answers;
    int openings;
    std::optional<std::wstring> stored;  // the path added, if any
    std::optional<UINT> message;
  } cases[] = {
      {"cancel", {std::nullopt}, 1, std::nullopt, std::nullopt},
      {"keeps the letter case", {upper}, 1, upper, std::nullopt},
      {"listed in another case",
       {std::wstring(L"c:\\GAMES")},
       1,
       std::nullopt,
       IDS_IGNORE_FOLDER_LISTED},
      {"gone, asked again, then cancelled",
       {existing + L"\\gone", std::nullopt},
       2,
       std::nullopt,
       std::nullopt},
      {"no file-system path, asked again", {std::wstring(), upper}, 2, upper, std::nullopt},
  };
  for (const Case& c : cases) {
    engine.SetText(L"GetScanConfig", Doc(kTwoThreatsOneFolder));
    engine.ClearCalls();
    page->ShowWindow(SW_HIDE);
    Show();
    app.boxes.clear();
    app.folderOpenings = 0;
    app.folderAnswers.assign(c.answers.begin(), c.answers.end());
    Click(IDC_IGNORE_ADD_FOLDER);
    EXPECT_EQ(app.folderOpenings, c.openings) << c.name;
    EXPECT_EQ(app.lastFolderFlags, kFolderBrowserFlags) << c.name;
    if (c.message) {
      ASSERT_EQ(app.boxes.size(), 1u) << c.name;
      EXPECT_EQ(app.boxes[0].text, Res(*c.message)) << c.name;
    } else {
      EXPECT_TRUE(app.boxes.empty()) << c.name;
    }
    if (c.stored) {
      ASSERT_EQ(engine.CallCount(L"SetScanConfig"), 1) << c.name;
      SC::CScanConfig stored = Stored();
      ASSERT_EQ(stored.KnownApps->KnownApp.Count(), 3u) << c.name;
      EXPECT_EQ(stored.KnownApps->KnownApp[2].FilePath.Get(), *c.stored) << c.name;
      EXPECT_EQ(stored.KnownApps->KnownApp[2].FilePathType.Get(), kKnownAppFolder) << c.name;
      EXPECT_EQ(Rows().back(), *c.stored) << c.name;
    } else {
      EXPECT_EQ(engine.CallCount(L"SetScanConfig"), 0) << c.name;
    }
  }
  RemoveTree(existing);
}

TEST_F(IgnorePageWindow, RemovingRowsByTheirButtons) {
  Show();
  // The file row: the threats' IsDirty stays as stored.
  page->OnButtonClicked(2, CIgnorePage::kColumnButton, IDC_IGNORE_LIST);
  Pump();
  ASSERT_EQ(engine.CallCount(L"SetScanConfig"), 1);
  EXPECT_EQ(Stored().KnownApps->KnownApp.Count(), 1u);
  EXPECT_FALSE(Stored().IgnoredThreats->IsDirty.Get());
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Trojan.Seventeen", L"Adware.Four", L"C:\\Games"}));
  // A threat row: removed and IsDirty written as true.
  page->OnButtonClicked(0, CIgnorePage::kColumnButton, IDC_IGNORE_LIST);
  Pump();
  ASSERT_EQ(engine.CallCount(L"SetScanConfig"), 2);
  EXPECT_TRUE(Stored().IgnoredThreats->IsDirty.Get());
  EXPECT_TRUE(Stored().IgnoredThreats->IsDirty.IsPresent());
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Adware.Four", L"C:\\Games"}));
  // A row beyond the last, or a click outside the button column: nothing.
  page->RemoveIgnoreEntry(2);
  page->OnButtonClicked(0, CIgnorePage::kColumnText, IDC_IGNORE_LIST);
  EXPECT_EQ(engine.CallCount(L"SetScanConfig"), 2);
}

TEST_F(IgnorePageWindow, RemovingTheOnlyEntryShowsTheEmptyText) {
  engine.SetText(L"GetScanConfig",
                 Doc(L"<KnownApps><KnownApp FilePath=\"C:\\Only\"/></KnownApps>"));
  Show();
  ASSERT_TRUE(page->List().IsWindowVisible());
  page->RemoveIgnoreEntry(0);
  Pump();
  EXPECT_TRUE(Rows().empty());
  EXPECT_FALSE(page->List().IsWindowVisible());
  // The frame in the list's place, filled with the list's background colour.
  auto pixels = testsupport::PrintClient(page->m_hWnd);
  const RECT list = ComputeIgnorePageLayout(kPageWidth, kPageHeight).list;
  const ThemeColor bgAlt = Theme().GetColor(L"general/list/bg_alt");
  EXPECT_EQ(pixels->at(list.left + 5, list.top + 5), bgAlt & 0xFFFFFFu);
  // Text 214 is drawn in the middle of it: some pixels there are not the fill.
  int textPixels = 0;
  const int cy = (list.top + list.bottom) / 2;
  for (int x = list.left; x < list.right; ++x)
    for (int y = cy - 8; y <= cy + 8; ++y)
      if (pixels->at(x, y) != (bgAlt & 0xFFFFFFu)) ++textPixels;
  EXPECT_GT(textPixels, 50);
}

TEST_F(IgnorePageWindow, ARefusedWriteIsToldAndThePageShowsWhatIsStored) {
  Show();
  engine.Fail(L"SetScanConfig", E_INVALIDARG);
  struct Step {
    const char* name;
    std::function<void()> act;
  } steps[] = {
      {"remove", [&] { page->RemoveIgnoreEntry(0); }},
      {"add file",
       [&] {
         app.fileAnswers.push_back(std::wstring(L"C:\\New\\file.exe"));
         Click(IDC_IGNORE_ADD_FILE);
       }},
  };
  for (const Step& s : steps) {
    app.boxes.clear();
    s.act();
    Pump();
    ASSERT_EQ(app.boxes.size(), 1u) << s.name;
    EXPECT_EQ(app.boxes[0].text, Res(IDS_IGNORE_NOT_STORED)) << s.name;
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Trojan.Seventeen", L"Adware.Four",
                                                 L"c:\\tools\\APP.EXE", L"C:\\Games"}))
        << s.name;
  }
  EXPECT_FALSE(Res(IDS_IGNORE_NOT_STORED).empty());
}

TEST_F(IgnorePageWindow, KeyboardReachesTheListAndTheButtons) {
  Show();
  ::SetFocus(page->List().m_hWnd);
  // Down to the second row, Delete removes it.
  TypeKey(VK_HOME);
  TypeKey(VK_DOWN);
  TypeKey(VK_DELETE);
  ASSERT_EQ(engine.CallCount(L"SetScanConfig"), 1);
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Trojan.Seventeen", L"c:\\tools\\APP.EXE",
                                               L"C:\\Games"}));
  EXPECT_TRUE(Stored().IgnoredThreats->IsDirty.Get());
  EXPECT_EQ(::GetFocus(), page->List().m_hWnd);

  // Tab leaves the list for the buttons; Space presses the focused one.
  std::vector<UINT> reached;
  for (int i = 0; i < 3; ++i) {
    TypeKey(VK_TAB);
    reached.push_back(static_cast<UINT>(::GetDlgCtrlID(::GetFocus())));
  }
  EXPECT_EQ(reached,
            (std::vector<UINT>{IDC_IGNORE_ADD_FILE, IDC_IGNORE_ADD_FOLDER, IDC_IGNORE_LIST}));
  TypeKey(VK_TAB);
  ASSERT_EQ(::GetDlgCtrlID(::GetFocus()), static_cast<int>(IDC_IGNORE_ADD_FILE));
  TypeKey(VK_SPACE);
  EXPECT_EQ(app.fileOpenings, 1);
}

}  // namespace
}  // namespace lists

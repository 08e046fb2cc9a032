// The quarantine page: record files read into rows (stamps in a set time zone,
// bad files skipped) as tables, and the page as a real window against the fake
// engine (order, count, the restore question's three answers, delete, the
// keyboard).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "lists/PageHost.h"
#include "lists/RecordFiles.h"
#include "pages/lists/QuarantinePage.h"
#include "pages/lists/QuarantineRecords.h"
#include "support/shipped_theme.h"
#include "themedata/resource.h"

namespace lists {
namespace {

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// A zone without daylight saving, `minutesEast` ahead of UTC.
TIME_ZONE_INFORMATION FixedZone(int minutesEast) {
  TIME_ZONE_INFORMATION z{};
  z.Bias = -minutesEast;
  return z;
}

// Central European time: UTC+1, UTC+2 from the last Sunday of March to the last
// Sunday of October.
TIME_ZONE_INFORMATION CentralEuropeanZone() {
  TIME_ZONE_INFORMATION z{};
  z.Bias = -60;
  z.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
  z.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
  z.DaylightBias = -60;
  return z;
}

// ---- stamps --------------------------------------------------------------------

TEST(QuarantineStamps, UtcStampsInTheChosenZone) {
  const TIME_ZONE_INFORMATION plus2 = FixedZone(120), minus5 = FixedZone(-300),
                              cet = CentralEuropeanZone();
  struct Case {
    const wchar_t* stamp;
    const TIME_ZONE_INFORMATION* zone;
    const wchar_t* dateTime;
    const wchar_t* date;
  } cases[] = {
      {L"2009-05-01T10:00:00", &plus2, L"2009-05-01 12:00:00", L"2009-05-01"},
      {L"2009-05-02T08:00:00", &plus2, L"2009-05-02 10:00:00", L"2009-05-02"},
      {L"2009-05-02 08:00:00", &plus2, L"2009-05-02 10:00:00", L"2009-05-02"},
      {L"2009-12-31T23:30:00", &plus2, L"2010-01-01 01:30:00", L"2010-01-01"},
      {L"2009-03-01T02:59:59", &minus5, L"2009-02-28 21:59:59", L"2009-02-28"},
      {L"2009-01-15T12:00:00", &cet, L"2009-01-15 13:00:00", L"2009-01-15"},
      {L"2009-07-15T12:00:00", &cet, L"2009-07-15 14:00:00", L"2009-07-15"},
      {L"", &plus2, L"", L""},
      {L"yesterday", &plus2, L"", L""},
      {L"2009-13-01T10:00:00", &plus2, L"", L""},
      {L"2009-05-01T10:00", &plus2, L"", L""},
  };
  for (const Case& c : cases) {
    const LocalStamp s = LocalStampOf(c.stamp, c.zone);
    EXPECT_EQ(s.dateTime, c.dateTime) << Narrow(c.stamp) << " got " << Narrow(s.dateTime);
    EXPECT_EQ(s.date, c.date) << Narrow(c.stamp) << " got " << Narrow(s.date);
  }
}

// ---- records -------------------------------------------------------------------

threat::DetailTitles Titles() { return {L"Advice: ", L"Description: ", L"Affected items:"}; }

TEST(QuarantineRecords, ARecordBecomesOneCheckableRowWithATracePerFix) {
  QVnsQuarantineFile::CARDOQuarantineRecordXML doc;
  RecordFields record;
  record.fixes = {L"C:\\a.exe", L"C:\\b.dll", L"HKLM\\Run\\x", L"C:\\c.tmp"};
  const std::string text = RecordXml(record);
  ASSERT_EQ(doc.ReadFromMemory(text.data(), text.size()), 0) << doc.LastError().code;
  const TIME_ZONE_INFORMATION zone = FixedZone(120);
  const ThreatRecord r = RecordFromQuarantine(doc, Titles(), &zone);
  EXPECT_EQ(r.source, nullptr);
  EXPECT_EQ(r.name, record.name);
  EXPECT_EQ(r.category, L"Trojan");
  EXPECT_EQ(r.adviceText, L"Advice: Remove it");
  EXPECT_EQ(r.descriptionText, L"Description: Bad");
  EXPECT_EQ(r.adviseType, 3);
  EXPECT_EQ(r.action, 3);
  EXPECT_EQ(r.level, 2);
  EXPECT_FALSE(r.handled);
  EXPECT_TRUE(r.canQuarantine);
  EXPECT_FALSE(r.checked);
  EXPECT_FALSE(r.expanded);
  EXPECT_EQ(r.quarantineId, record.id);
  EXPECT_EQ(r.dateTimeText, L"2009-05-01 12:00:00");
  EXPECT_EQ(r.dateText, L"2009-05-01");
  EXPECT_EQ(r.traceCount, 4);
  ASSERT_EQ(r.traces.size(), 4u);
  EXPECT_EQ(r.traces[2].text, L"HKLM\\Run\\x");
  EXPECT_FALSE(r.traces[2].handled);
  EXPECT_EQ(r.tracesText, L"Affected items:\nC:\\a.exe\nC:\\b.dll\nHKLM\\Run\\x\nC:\\c.tmp");
}

TEST(QuarantineRecords, NewestFirstAndEqualStampsKeepTheirOrder) {
  std::vector<ThreatRecord> records(5);
  const wchar_t* stamps[] = {L"2009-05-01 12:00:00", L"", L"2009-05-02 10:00:00",
                             L"2009-05-01 12:00:00", L"2010-01-01 00:00:00"};
  for (int i = 0; i < 5; ++i) {
    records[i].dateTimeText = stamps[i];
    records[i].name = std::to_wstring(i);
  }
  SortNewestFirst(records);
  std::wstring order;
  for (const ThreatRecord& r : records) order += r.name;
  EXPECT_EQ(order, L"42031");
}

class QuarantineFolderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeScratchFolder(L"records");
    folder = QuarantineFolderOf(root);
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  }
  void TearDown() override { RemoveTree(root); }
  std::wstring root, folder;
};

TEST_F(QuarantineFolderFiles, BadRecordFilesAreSkippedAndEveryOtherIsListed) {
  RecordFields older, newer;
  older.id = L"11111111-1111-1111-1111-111111111111";
  older.name = L"Older";
  newer.id = L"22222222-2222-2222-2222-222222222222";
  newer.name = L"Newer";
  newer.stamp = L"2009-05-02T08:00:00";
  ASSERT_TRUE(WriteFileBytes(folder + older.id + L".xml", RecordXml(older)));
  ASSERT_TRUE(WriteFileBytes(folder + newer.id + L".xml", RecordXml(newer)));

  const std::string whole = RecordXml(RecordFields{});
  RecordFields noDesc;
  noDesc.withDesc = false;
  std::string hostile =
      "<?xml version=\"1.0\"?><!DOCTYPE ARDOQuarantineRecordXML [<!ENTITY a \"aaaaaaaaaa\">";
  const char* prev = "a";
  const char* names[] = {"b", "c", "d", "e", "f", "g", "h", "i", "j"};
  for (const char* n : names) {
    hostile += std::string("<!ENTITY ") + n + " \"";
    for (int k = 0; k < 10; ++k) hostile += std::string("&") + prev + ";";
    hostile += "\">";
    prev = n;
  }
  hostile += "]><ARDOQuarantineRecordXML name=\"&j;\"/>";
  std::string huge = whole;
  huge.insert(huge.find("<desc>") + 6, std::string(kMaxQuarantineRecordBytes, 'x'));

  struct Bad {
    const wchar_t* file;
    std::string bytes;
  } bad[] = {
      {L"truncated.xml", whole.substr(0, whole.size() / 2)},
      {L"empty.xml", ""},
      {L"not-xml.xml", "MZ\x90\x00\x03 this is no document"},
      {L"hostile.xml", hostile},
      {L"too-large.xml", huge},
      {L"no-desc.xml", RecordXml(noDesc)},
      {L"other-root.xml", "<?xml version=\"1.0\"?><ARDOThreatEngineResults/>"},
      {L"external.xml",
       "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///c:/windows/win.ini\">]>"
       "<ARDOQuarantineRecordXML name=\"&x;\"/>"},
  };
  for (const Bad& b : bad) ASSERT_TRUE(WriteFileBytes(folder + b.file, b.bytes)) << Narrow(b.file);
  // Not records at all: a folder named like one (holding a good record) and a text file.
  ASSERT_TRUE(::CreateDirectoryW((folder + L"x.xml").c_str(), nullptr));
  ASSERT_TRUE(WriteFileBytes(folder + L"x.xml\\inner.xml", whole));
  ASSERT_TRUE(WriteFileBytes(folder + L"notes.txt", whole));
  ASSERT_TRUE(WriteFileBytes(folder + L"record.xml.old", whole));

  const TIME_ZONE_INFORMATION zone = FixedZone(0);
  int skipped = -1;
  const std::vector<ThreatRecord> rows = ReadQuarantineFolder(folder, Titles(), &zone, &skipped);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, L"Newer");
  EXPECT_EQ(rows[1].name, L"Older");
  EXPECT_EQ(skipped, static_cast<int>(std::size(bad)));
  for (const Bad& b : bad) {
    QuarantineFileEntry entry{folder + b.file, b.bytes.size()};
    EXPECT_FALSE(ReadQuarantineRecord(entry, Titles(), &zone)) << Narrow(b.file);
  }
}

TEST_F(QuarantineFolderFiles, AMissingOrEmptyFolderListsNothing) {
  EXPECT_TRUE(ReadQuarantineFolder(folder, Titles(), nullptr).empty());
  EXPECT_TRUE(ReadQuarantineFolder(root + L"\\nowhere\\", Titles(), nullptr).empty());
  EXPECT_EQ(QuarantineFolderOf(L"C:\\Data\\"), L"C:\\Data\\Quarantine\\");
  EXPECT_EQ(QuarantineFolderOf(L"C:\\Data"), L"C:\\Data\\Quarantine\\");
}

// ---- the page ----------------------------------------------------------------------

class QuarantinePageWindow : public QuarantineFolderFiles {
 protected:
  void SetUp() override {
    QuarantineFolderFiles::SetUp();
    ASSERT_TRUE(LoadShippedTheme());
    engine.SetText(L"GetDataFolder", root + L"\\");
    // The engine takes a restored or deleted item's record away.
    // failAt (1-based) makes that call fail and keep its item.
    for (const wchar_t* op : {L"RestoreItem", L"DeleteItem"}) {
      engine.OnCall(op, [this, op] {
        const int n = engine.CallCount(op);
        if (n == failAt) return;
        ::DeleteFileW((folder + engine.Calls(op).back().args[0] + L".xml").c_str());
        if (n + 1 == failAt) engine.FailNext(op, E_FAIL);
      });
    }
    ASSERT_TRUE(::Engine().EnsureEngine());
    page = std::make_unique<CQuarantinePage>();
    page->SetTimeZone(FixedZone(120));
    ASSERT_TRUE(page->Create(host.hwnd()));
    ::MoveWindow(page->m_hWnd, 0, 0, kPageWidth, kPageHeight, TRUE);
  }
  void TearDown() override {
    page.reset();
    ::Engine().ReleaseAll();
    QuarantineFolderFiles::TearDown();
  }
  // Three records, oldest first on disk: A (1 fix), B (2 fixes), C (4 fixes).
  void PlantThree() {
    const wchar_t* stamps[] = {L"2009-05-01T10:00:00", L"2009-05-02T08:00:00",
                               L"2009-05-03T09:30:00"};
    const int fixes[] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
      RecordFields s;
      s.name = std::wstring(1, static_cast<wchar_t>(L'A' + i));
      s.id = std::wstring(8, static_cast<wchar_t>(L'1' + i)) + L"-0000-0000-0000-000000000000";
      s.stamp = stamps[i];
      s.fixes.clear();
      for (int f = 0; f < fixes[i]; ++f) s.fixes.push_back(L"C:\\trace" + std::to_wstring(f));
      ASSERT_TRUE(WriteFileBytes(folder + s.id + L".xml", RecordXml(s)));
      ids.push_back(s.id);
    }
  }
  void Show() {
    page->ShowWindow(SW_SHOW);
    Pump();
  }
  std::wstring Names() {
    std::wstring names;
    for (const ThreatRecord& r : page->List().Records()) names += r.name;
    return names;
  }
  void TickAll() {
    for (int i = 0; i < page->List().RecordCount(); ++i)
      page->List().MutableRecords()[static_cast<size_t>(i)].checked = true;
  }

  ScriptedApp app;
  FakeEngine engine;
  HostWindow host{kPageWidth, kPageHeight};
  std::unique_ptr<CQuarantinePage> page;
  std::vector<std::wstring> ids;
  int failAt = 0;
};

TEST_F(QuarantinePageWindow, ListsNewestFirstWithLocalDatesAndTheTraceCount) {
  PlantThree();
  Show();
  EXPECT_EQ(Names(), L"CBA");
  ASSERT_EQ(page->List().RecordCount(), 3);
  EXPECT_EQ(page->List().Records()[0].dateText, L"2009-05-03");
  EXPECT_EQ(page->List().Records()[2].dateTimeText, L"2009-05-01 12:00:00");
  EXPECT_EQ(page->CountText(), L"7");
  EXPECT_TRUE(page->List().CheckBoxMode());
  EXPECT_TRUE(page->List().Rows().IsWindowVisible());

  // Shown again: the folder is read again.
  page->ShowWindow(SW_HIDE);
  ::DeleteFileW((folder + ids[2] + L".xml").c_str());
  Show();
  EXPECT_EQ(Names(), L"BA");
  EXPECT_EQ(page->CountText(), L"3");
}

TEST_F(QuarantinePageWindow, AnEmptyFolderShowsAnEmptyListAndZero) {
  Show();
  EXPECT_EQ(page->List().RecordCount(), 0);
  EXPECT_EQ(page->CountText(), L"0");
  EXPECT_FALSE(page->List().Rows().IsWindowVisible());
}

TEST_F(QuarantinePageWindow, TheRestoreQuestionsThreeAnswers) {
  struct Case {
    const char* name;
    int answer;
    int restored;
    const wchar_t* flag;
    const wchar_t* left;
  } cases[] = {
      {"yes", IDYES, 3, L"1", L""},
      {"no", IDNO, 3, L"0", L""},
      {"cancel", IDCANCEL, 0, L"", L"CBA"},
  };
  for (const Case& c : cases) {
    ids.clear();
    PlantThree();
    page->ShowWindow(SW_HIDE);
    Show();
    ASSERT_EQ(Names(), L"CBA") << c.name;
    TickAll();
    engine.ClearCalls();
    app.boxes.clear();
    app.boxAnswers = {c.answer};
    page->RestoreChecked();
    Pump();
    ASSERT_EQ(app.boxes.size(), 1u) << c.name;
    EXPECT_EQ(app.boxes[0].text, Res(IDS_QUARANTINE_RESTORE_QUESTION)) << c.name;
    EXPECT_EQ(app.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL)) << c.name;
    const auto calls = engine.Calls(L"RestoreItem");
    ASSERT_EQ(static_cast<int>(calls.size()), c.restored) << c.name;
    // In list order (newest first), no target, the flag of the answer, our process.
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].args[0], ids[2 - i]) << c.name;
      EXPECT_EQ(calls[i].args[1], L"<null>") << c.name;
      EXPECT_EQ(calls[i].args[2], c.flag) << c.name;
      EXPECT_EQ(calls[i].args[3], std::to_wstring(::GetCurrentProcessId())) << c.name;
    }
    EXPECT_EQ(Names(), c.left) << c.name;
    EXPECT_EQ(page->CountText(), c.restored ? L"0" : L"7") << c.name;
  }
}

TEST_F(QuarantinePageWindow, NothingTickedAsksForATick) {
  PlantThree();
  Show();
  for (auto command : {&CQuarantinePage::RestoreChecked, &CQuarantinePage::DeleteChecked}) {
    app.boxes.clear();
    (page.get()->*command)();
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text, Res(IDS_QUARANTINE_NONE_TICKED));
    EXPECT_EQ(app.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
  }
  EXPECT_EQ(engine.CallCount(L"RestoreItem") + engine.CallCount(L"DeleteItem"), 0);
}

TEST_F(QuarantinePageWindow, SelectAllThenDeleteEmptiesTheList) {
  PlantThree();
  Show();
  // No keeps everything.
  page->List().SetAllChecked(true);
  app.boxAnswers = {IDNO};
  page->DeleteChecked();
  EXPECT_EQ(engine.CallCount(L"DeleteItem"), 0);
  EXPECT_EQ(app.boxes.back().text, Res(IDS_QUARANTINE_DELETE_QUESTION));
  EXPECT_EQ(app.boxes.back().type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
  // Ticks are not kept across a reload; the select-all box ticks them again.
  page->ShowWindow(SW_HIDE);
  Show();
  EXPECT_TRUE(page->List().CheckedRows().empty());
  ::SendMessageW(page->List().SelectAllBox(), BM_SETCHECK, BST_CHECKED, 0);
  page->List().Send(WM_COMMAND, MAKEWPARAM(IDC_THREAT_SELECT_ALL, BN_CLICKED),
                    reinterpret_cast<LPARAM>(page->List().SelectAllBox()));
  EXPECT_EQ(page->List().CheckedRows().size(), 3u);
  app.boxAnswers = {IDYES};
  page->DeleteChecked();
  EXPECT_EQ(engine.CallCount(L"DeleteItem"), 3);
  EXPECT_EQ(page->List().RecordCount(), 0);
  EXPECT_EQ(page->CountText(), L"0");
}

TEST_F(QuarantinePageWindow, AFailedEngineCallStopsTheRestAndShowsWhatIsLeft) {
  PlantThree();
  Show();
  TickAll();
  failAt = 2;  // the second identifier fails: the third is not tried
  app.boxAnswers = {IDYES};
  EXPECT_THROW(page->DeleteChecked(), EngineError);
  EXPECT_EQ(engine.CallCount(L"DeleteItem"), 2);
  EXPECT_EQ(Names(), L"BA") << "the first is gone, the others are still held";
  EXPECT_EQ(page->CountText(), L"3");
}

TEST_F(QuarantinePageWindow, KeyboardTicksRowsAndPressesTheButtons) {
  PlantThree();
  Show();
  // The rows take the focus; Down and Space tick the second row.
  ::SetFocus(page->List().Rows().m_hWnd);
  TypeKey(VK_HOME);
  TypeKey(VK_DOWN);
  TypeKey(VK_SPACE);
  EXPECT_EQ(page->List().CheckedRows(), (std::vector<int>{1}));
  // Tab reaches the two buttons; Space on restore asks, No restores the ticked row.
  std::vector<int> reached;
  for (int i = 0; i < 4 && reached.size() < 2; ++i) {
    TypeKey(VK_TAB);
    const int id = ::GetDlgCtrlID(::GetFocus());
    if (id == static_cast<int>(IDC_QUARANTINE_RESTORE) ||
        id == static_cast<int>(IDC_QUARANTINE_DELETE))
      reached.push_back(id);
  }
  EXPECT_EQ(reached, (std::vector<int>{static_cast<int>(IDC_QUARANTINE_RESTORE),
                                       static_cast<int>(IDC_QUARANTINE_DELETE)}));
  ::SetFocus(page->GetDlgItem(static_cast<int>(IDC_QUARANTINE_RESTORE)));
  app.boxAnswers = {IDNO};
  TypeKey(VK_SPACE);
  ASSERT_EQ(engine.CallCount(L"RestoreItem"), 1);
  EXPECT_EQ(engine.Calls(L"RestoreItem")[0].args[0], ids[1]);
  EXPECT_EQ(Names(), L"CA");
}

}  // namespace
}  // namespace lists

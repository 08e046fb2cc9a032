// The engine's working parts without COM: definitions, matching, scanning,
// quarantine storage and schedule times.

#include <gtest/gtest.h>

#include <thread>

#include "Definitions.h"
#include "Scanner.h"
#include "Schedule.h"
#include "Sha256.h"
#include "TempDir.h"
#include "Text.h"
#include "Vault.h"

using namespace rre;

TEST(Sha256, KnownVectors) {
  EXPECT_EQ(ToHex(Sha256::Of("", 0)),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(ToHex(Sha256::Of("abc", 3)),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // Fed in uneven pieces across block boundaries.
  std::string million(1000000, 'a');
  Sha256 s;
  for (size_t i = 0; i < million.size();) {
    size_t n = std::min<size_t>(1 + i % 97, million.size() - i);
    s.Update(million.data() + i, n);
    i += n;
  }
  EXPECT_EQ(ToHex(s.Finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Definitions, RoundTripAndChecksum) {
  Definitions d = BuiltInDefinitions();
  std::string text = SerializeDefinitions(d);
  // Patterns are stored as hex: the file never matches its own rules.
  EXPECT_EQ(text.find(EicarTestString()), std::string::npos);
  Definitions back;
  std::string err;
  ASSERT_TRUE(ParseDefinitions(text, back, err)) << err;
  EXPECT_EQ(back.version, d.version);
  EXPECT_EQ(back.date, d.date);
  ASSERT_EQ(back.threats.size(), d.threats.size());
  EXPECT_EQ(back.Find(1001)->name, L"EICAR-Test-File");
  EXPECT_EQ(back.Find(1001)->byteRules.at(0).offset, 0);
  EXPECT_EQ(back.Find(1001)->maxSize, 128u);

  std::string tampered = text;
  tampered[tampered.find("level 4")] = 'L';
  EXPECT_FALSE(ParseDefinitions(tampered, back, err));
  EXPECT_EQ(err, "checksum mismatch");
}

// Builds a text with a valid checksum around the given body lines.
static std::string Signed(const std::string& body) {
  std::string s = "RRDEFS 1\nversion 5\ndate 2026-01-02T03:04:05\n" + body;
  return s + "checksum " + ToHex(Sha256::Of(s.data(), s.size())) + "\n";
}

TEST(Definitions, MalformedInputIsRefusedWithItsLine) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"threat 7\nname X\nlevel 9\nend\n", "line 6: level must be 1 to 5"},
      {"threat 7\nname X\nbytes 41\nend\n", "line 6: pattern must be 4 to 4096 hex bytes"},
      {"threat 7\nname X\nbytes 4142434G\nend\n", "line 6: pattern must be 4 to 4096 hex bytes"},
      {"threat 7\nname X\nsha256 00 5\nend\n", "line 6: sha256 needs 64 hex digits and a size"},
      {"threat 7\nname X\n", "threat 7 lacks 'end'"},
      {"threat 0\n", "line 4: bad threat id"},
      {"threat 7\nname X\nend\nthreat 7\n", "line 7: duplicate threat id"},
      {"colour red\n", "line 4: unknown statement 'colour'"},
      {"threat 7\nend\n", "line 5: threat without name"},
  };
  for (const auto& c : cases) {
    Definitions d;
    std::string err;
    EXPECT_FALSE(ParseDefinitions(Signed(c.body), d, err)) << c.body;
    EXPECT_EQ(err, c.error) << c.body;
  }
  Definitions d;
  std::string err;
  EXPECT_FALSE(ParseDefinitions("", d, err));
  EXPECT_FALSE(ParseDefinitions("RRDEFS 1\nversion 1\n", d, err));
  EXPECT_TRUE(ParseDefinitions(Signed("# comment\n\nthreat 7\nname X\nend\n"), d, err)) << err;
}

class MatcherTest : public ::testing::Test {
 protected:
  MatcherTest() : m(defs()) {}
  static Definitions defs() {
    Definitions d = BuiltInDefinitions();
    ThreatDef h;
    h.id = 4001;
    h.name = L"Hash.Sample";
    std::string body = "hash-identified sample contents";
    h.hashRules.push_back({Sha256::Of(body.data(), body.size()), body.size()});
    d.threats[h.id] = h;
    return d;
  }
  Matcher m;
};

TEST_F(MatcherTest, Cases) {
  std::string eicar = EicarTestString();
  std::string dropper = std::string("RRSAMPLE:") + "DROPPER-PAYLOAD-7F3A";
  std::string big(300000, 'x');
  std::string across = big;
  across.replace(65536 * 2 - 5, dropper.size(), dropper);  // straddles an internal window
  struct Case {
    std::string name, data;
    uint32_t threat;
  } cases[] = {
      {"eicar alone", eicar, 1001},
      {"eicar with trailing newline", eicar + "\r\n", 1001},
      {"eicar not at the start", " " + eicar, 0},
      {"eicar inside a large file", eicar + big, 0},
      {"truncated eicar", eicar.substr(0, 60), 0},
      {"pattern anywhere", "abc" + dropper + "def", 2001},
      {"pattern at the very end", big + dropper, 2001},
      {"pattern across windows", across, 2001},
      {"hash match", "hash-identified sample contents", 4001},
      {"hash near miss", "hash-identified sample contentS", 0},
      {"empty", "", 0},
      {"clean", big, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(m.ScanBuffer(c.data.data(), c.data.size()), c.threat) << c.name;
}

TEST_F(MatcherTest, FeedInSmallPieces) {
  std::string data(10000, 'q');
  data += std::string("RRSAMPLE:") + "ADWARE-POPUP-19C2";
  Matcher::FileScan fs(m, data.size());
  for (size_t i = 0; i < data.size(); i += 7)
    fs.Feed(reinterpret_cast<const uint8_t*>(data.data()) + i,
            std::min<size_t>(7, data.size() - i));
  EXPECT_EQ(fs.Finish(), 3001u);
}

TEST(Scanner, WalksExcludesIgnoresAndReports) {
  TempDir dir;
  CreateDirectoryW((dir / L"a").c_str(), nullptr);
  CreateDirectoryW((dir / L"a\\deep").c_str(), nullptr);
  CreateDirectoryW((dir / L"skip").c_str(), nullptr);
  WriteBytes(dir / L"a\\deep\\eicar.com", EicarTestString());
  WriteBytes(dir / L"a\\clean.txt", "nothing here");
  WriteBytes(dir / L"skip\\eicar.com", EicarTestString());
  WriteBytes(dir / L"adware.bin", std::string("RRSAMPLE:") + "ADWARE-POPUP-19C2");
  WriteBytes(dir / L"known.com", EicarTestString());
  Matcher m(BuiltInDefinitions());
  ScanControl ctl;
  ScanOptions opt;
  opt.roots = {dir.path(), dir / L"a"};  // overlapping roots are scanned once
  opt.excluded = {dir / L"SKIP", dir / L"known.com"};
  opt.ignoredThreats = {3001};
  Scanner s(m, opt, ctl);
  std::vector<Detection> found;
  int files = 0;
  s.onFile = [&](const std::wstring&, const ScanStats&) { ++files; };
  s.onDetection = [&](const Detection& d, const ScanStats&) { found.push_back(d); };
  EXPECT_TRUE(s.Run());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].path, dir / L"a\\deep\\eicar.com");
  EXPECT_EQ(found[0].threatId, 1001u);
  EXPECT_EQ(files, 3);
  EXPECT_EQ(s.Stats().files, 3u);
  EXPECT_EQ(s.Stats().ignored, 1u);
  EXPECT_EQ(s.Stats().threats, 1u);
}

TEST(Scanner, MissingRootIsAnErrorNotAFailure) {
  Matcher m(BuiltInDefinitions());
  ScanControl ctl;
  ScanOptions opt;
  opt.roots = {L"C:\\does\\not\\exist"};
  Scanner s(m, opt, ctl);
  EXPECT_TRUE(s.Run());
  ASSERT_EQ(s.Errors().size(), 1u);
  EXPECT_EQ(s.Stats().files, 0u);
}

TEST(Scanner, PauseHoldsAndStopEnds) {
  TempDir dir;
  for (int i = 0; i < 50; ++i) WriteBytes(dir / (L"f" + std::to_wstring(i)), "data");
  Matcher m(BuiltInDefinitions());
  ScanControl ctl;
  ScanOptions opt;
  opt.roots = {dir.path()};
  Scanner s(m, opt, ctl);
  std::atomic<int> files{0};
  s.onFile = [&](const std::wstring&, const ScanStats&) {
    if (++files == 10) ctl.Pause();
  };
  bool result = true;
  std::thread t([&] { result = s.Run(); });
  for (int i = 0; i < 100 && !ctl.Paused(); ++i) Sleep(10);
  Sleep(100);
  EXPECT_EQ(files.load(), 10);  // held while paused
  ctl.Stop();
  t.join();
  EXPECT_FALSE(result);
  EXPECT_LT(s.Stats().files, 50u);
}

TEST(Vault, StoresTransformedAndRestoresIdentical) {
  TempDir dir;
  std::string content = EicarTestString();
  std::string binary;
  for (int i = 0; i < 200000; ++i) binary += char(i * 7 + (i >> 8));
  for (const auto& bytes : {content, binary, std::string()}) {
    std::wstring src = dir / L"src.bin", data = dir / L"q.dat", back = dir / L"out\\sub\\src.bin";
    ASSERT_TRUE(WriteBytes(src, bytes));
    Digest hash;
    uint64_t size = 0;
    uint32_t err = 0;
    ASSERT_TRUE(VaultStore(src, data, hash, size, err)) << err;
    EXPECT_EQ(size, bytes.size());
    EXPECT_EQ(hash, Sha256::Of(bytes.data(), bytes.size()));
    std::string stored = ReadBytes(data);
    if (!bytes.empty()) EXPECT_EQ(stored.find(bytes.substr(0, 20)), std::string::npos);
    Matcher m(BuiltInDefinitions());
    EXPECT_EQ(m.ScanBuffer(stored.data(), stored.size()), 0u);
    ASSERT_TRUE(VaultRestore(data, back, &hash, err)) << err;
    EXPECT_EQ(ReadBytes(back), bytes);
    // Never overwrites.
    EXPECT_FALSE(VaultRestore(data, back, &hash, err));
    EXPECT_EQ(err, uint32_t(ERROR_FILE_EXISTS));
    DeleteFileW(back.c_str());
    DeleteFileW(data.c_str());
  }
}

TEST(Vault, CorruptStorageRestoresNothing) {
  TempDir dir;
  WriteBytes(dir / L"src", "some precious bytes");
  Digest hash;
  uint64_t size;
  uint32_t err = 0;
  ASSERT_TRUE(VaultStore(dir / L"src", dir / L"q", hash, size, err));
  std::string stored = ReadBytes(dir / L"q");
  stored[stored.size() - 1] ^= 1;
  WriteBytes(dir / L"q", stored);
  EXPECT_FALSE(VaultRestore(dir / L"q", dir / L"back", &hash, err));
  EXPECT_EQ(err, uint32_t(ERROR_FILE_CORRUPT));
  EXPECT_FALSE(Exists(dir / L"back"));
  WriteBytes(dir / L"q", "junk");
  EXPECT_FALSE(VaultRestore(dir / L"q", dir / L"back", &hash, err));
  EXPECT_FALSE(Exists(dir / L"back"));
}

TEST(Vault, QuarantineIds) {
  EXPECT_TRUE(IsQuarantineId(L"0123abcd-4567-89ab-CDEF-0123456789ab"));
  EXPECT_FALSE(IsQuarantineId(L"..\\..\\windows\\win.ini"));
  EXPECT_FALSE(IsQuarantineId(L"{0123abcd-4567-89ab-CDEF-0123456789ab}"));
  EXPECT_FALSE(IsQuarantineId(L"0123abcd-4567-89ab-CDEF-0123456789a\\"));
  EXPECT_FALSE(IsQuarantineId(L""));
}

static uint64_t At(int y, int mo, int d, int h, int mi, int s) {
  SYSTEMTIME st{};
  st.wYear = WORD(y), st.wMonth = WORD(mo), st.wDay = WORD(d), st.wHour = WORD(h),
  st.wMinute = WORD(mi), st.wSecond = WORD(s);
  return Ticks(st);
}

TEST(Schedule, StartTimes) {
  int h, m, s;
  EXPECT_TRUE(ParseStartTime(L"03:07", h, m, s));
  EXPECT_EQ(h * 10000 + m * 100 + s, 30700);
  EXPECT_TRUE(ParseStartTime(L"23:59:58", h, m, s));
  EXPECT_EQ(s, 58);
  for (auto bad : {L"24:00", L"3", L"12:60", L"12:00x", L"", L"ab:cd"})
    EXPECT_FALSE(ParseStartTime(bad, h, m, s)) << bad;
}

TEST(Schedule, DueAndNext) {
  // 2026-12-10 is a Thursday.
  ScheduleSpec daily;
  daily.enabled = true;
  std::fill(std::begin(daily.days), std::end(daily.days), true);
  daily.hour = 3;
  ScheduleSpec weekly;
  weekly.enabled = true;
  weekly.days[2] = true;  // Tuesday
  weekly.hour = 21;
  weekly.scanType = 1;
  std::vector<ScheduleSpec> v{daily, weekly};
  EXPECT_EQ(DueSchedule(v, At(2026, 12, 10, 2, 59, 59), At(2026, 12, 10, 3, 0, 0)), 0u);
  EXPECT_FALSE(
      DueSchedule(v, At(2026, 12, 10, 3, 0, 0), At(2026, 12, 10, 3, 0, 1)));  // already past
  EXPECT_EQ(DueSchedule(v, At(2026, 12, 15, 20, 0, 0), At(2026, 12, 15, 21, 0, 0)), 1u);
  EXPECT_FALSE(
      DueSchedule(v, At(2026, 12, 16, 20, 0, 0), At(2026, 12, 16, 21, 0, 0)));  // Wednesday
  EXPECT_EQ(DueSchedule(v, At(2026, 12, 10, 23, 59, 0), At(2026, 12, 11, 3, 0, 5)),
            0u);  // over midnight
  v[0].enabled = false;
  EXPECT_FALSE(DueSchedule(v, At(2026, 12, 10, 2, 59, 59), At(2026, 12, 10, 3, 0, 0)));
  EXPECT_EQ(NextStart(v, At(2026, 12, 10, 12, 0, 0)), At(2026, 12, 15, 21, 0, 0));
  EXPECT_FALSE(NextStart({}, At(2026, 12, 10, 12, 0, 0)));
}

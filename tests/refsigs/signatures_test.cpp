// Signature databases of the peer format (hash, body, containers) and the
// look into archives, through the engine's matcher and scanner.

#include <windows.h>
// after windows.h
#include <gtest/gtest.h>
#include <psapi.h>

#include "Archive.h"
#include "Definitions.h"
#include "Makers.h"
#include "Md5Sha1.h"
#include "Scanner.h"
#include "Signatures.h"
#include "TempDir.h"
#include "Text.h"

using namespace rre;

namespace {

// The public test signature of the peer scanner's test file (clam.exe).
const char kClamHsb[] =
    "71e7b604d18aefd839e51a39c88df8383bb4c071dc31f87f00a2b5df580d4495:544:ClamAV-Test-File\n";
const wchar_t kTestFiles[] = L"Z:\\usr\\share\\clamav-testfiles\\";

std::string Hex(const std::string& s) {
  return ToHex(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

// A harmless marker the archive tests hide in members, found by a body signature.
const std::string kMarker = "RR-SIGNATURE-TEST-MARKER-5e1f";
std::string MarkerNdb() { return "Test.Marker:0:*:" + Hex(kMarker) + "\n"; }

struct Loaded {
  Definitions defs;
  std::unique_ptr<Matcher> matcher;
  SignatureReport report;
};

// The built-in definitions plus databases given as (file name, text).
std::unique_ptr<Loaded> Load(const std::vector<std::pair<std::string, std::string>>& dbs) {
  auto l = std::make_unique<Loaded>();
  l->defs = BuiltInDefinitions();
  auto set = std::make_shared<SignatureSet>();
  for (const auto& [name, text] : dbs) set->AddDatabase(name, text, l->report);
  l->defs.Import(set);
  l->matcher = std::make_unique<Matcher>(l->defs);
  return l;
}

std::string NameOf(const Loaded& l, uint32_t id) {
  if (!id) return "(clean)";
  const ThreatDef* t = l.defs.Find(id);
  return t ? ToBytes(t->name) : "(unknown id " + std::to_string(id) + ")";
}

std::string Scan(const Loaded& l, const std::string& data) {
  return NameOf(l, l.matcher->ScanBuffer(data.data(), data.size()));
}

// Scans a file with the scanner; "name@inside" or "(clean)".
std::string ScanPath(const Loaded& l, const std::wstring& path, const ScanLimits& limits = {},
                     uint32_t* error = nullptr) {
  uint64_t size = 0;
  uint32_t err = 0;
  std::wstring inside;
  uint32_t t = Scanner::ScanFile(*l.matcher, path, limits, size, err, inside);
  if (error) *error = err;
  if (!t) return "(clean)";
  return NameOf(l, t) + "@" + ToBytes(inside);
}

size_t PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize >> 20;
}

}  // namespace

TEST(Digests, KnownVectors) {
  struct Case {
    std::string data, md5, sha1;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21",
       "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
      {std::string(56, 'x'), "", ""},  // block boundary: checked against a split feed only
  };
  for (const auto& c : cases) {
    Md5 m;
    Sha1 s;
    // Fed in uneven pieces across block boundaries.
    for (size_t i = 0; i < c.data.size();) {
      size_t n = std::min<size_t>(1 + i % 61, c.data.size() - i);
      m.Update(c.data.data() + i, n);
      s.Update(c.data.data() + i, n);
      i += n;
    }
    Md5Digest md = m.Finish();
    Sha1Digest sd = s.Finish();
    std::string md5 = ToHex(md.data(), md.size()), sha1 = ToHex(sd.data(), sd.size());
    Md5Digest whole = Md5::Of(c.data.data(), c.data.size());
    EXPECT_EQ(md5, ToHex(whole.data(), whole.size())) << "size " << c.data.size();
    if (!c.md5.empty()) {
      EXPECT_EQ(md5, c.md5) << "size " << c.data.size();
      EXPECT_EQ(sha1, c.sha1) << "size " << c.data.size();
    }
  }
}

TEST(HashSignatures, FormatsSizesAndBadLines) {
  std::string a = "first sample body", b = "second sample body, a little longer", c = "third";
  Md5Digest am = Md5::Of(a.data(), a.size());
  Sha1Digest bs = Sha1::Of(b.data(), b.size());
  Digest c256 = Sha256::Of(c.data(), c.size());
  std::string hdb = ToHex(am.data(), am.size()) + ":" + std::to_string(a.size()) + ":Sample.Md5\n" +
                    "# comment line\n\n" + "zz:12:Broken.Hex\n" + "onlyonefield\n";
  std::string hsb = ToHex(bs.data(), bs.size()) + ":*:Sample.Sha1.AnySize:73\r\n" + ToHex(c256) +
                    ":5:Sample.Sha256\n" + ToHex(c256) + ":x:Bad.Size\n";
  std::string mdb = "1024:" + ToHex(am.data(), am.size()) + ":Section.Hash\n";
  auto l = Load({{"t.hdb", hdb}, {"t.hsb", hsb}, {"t.mdb", mdb}, {"t.txt", "ignored"}});
  EXPECT_EQ(l->report.hashes, 3u);
  EXPECT_EQ(l->report.skippedLines, 3u);
  EXPECT_EQ(l->report.unsupportedLines, 1u);
  bool noted = false;
  for (const auto& n : l->report.notes)
    noted = noted || n.find("PE section hashes") != std::string::npos;
  EXPECT_TRUE(noted) << "the refused section hashes are noted";

  struct Case {
    const char* what;
    std::string data, expect;
  } cases[] = {
      {"md5 with its size", a, "Sample.Md5"},
      {"sha1 with any size", b, "Sample.Sha1.AnySize"},
      {"sha256 with its size", c, "Sample.Sha256"},
      {"one byte more", a + "x", "(clean)"},
      {"case changed", "First sample body", "(clean)"},
      {"empty", "", "(clean)"},
  };
  for (const auto& k : cases) EXPECT_EQ(Scan(*l, k.data), k.expect) << k.what;
}

TEST(HashSignatures, IdsFollowNamesAcrossLoads) {
  SignatureSet one, two;
  SignatureReport r;
  uint32_t a = one.IdFor("Win.Trojan.Alpha-1"), b = one.IdFor("Win.Trojan.Beta-2");
  two.IdFor("Something.Else");
  EXPECT_NE(a, b);
  EXPECT_EQ(one.IdFor("Win.Trojan.Alpha-1"), a);
  EXPECT_EQ(two.IdFor("Win.Trojan.Beta-2"), b) << "same name, same id in another load";
  EXPECT_EQ(one.NameOf(a), "Win.Trojan.Alpha-1");
  EXPECT_EQ(one.NameOf(12345), "");
  EXPECT_GE(a, 0x40000000u);
  EXPECT_LE(a, 0x7FFFFFFFu);
  Definitions d;
  auto set = std::make_shared<SignatureSet>();
  uint32_t id = set->IdFor("Win.Adware.Gamma-3");
  d.Import(set);
  ASSERT_NE(d.Find(id), nullptr);
  EXPECT_EQ(d.Find(id)->name, L"Win.Adware.Gamma-3");
  EXPECT_EQ(d.Find(id)->category, L"Adware");
  EXPECT_EQ(d.Find(id), d.Find(id)) << "described once";
  ASSERT_NE(d.Find(kArchiveBombThreat), nullptr);
  EXPECT_EQ(d.Find(kArchiveBombThreat)->name, L"Archive.Bomb");
  EXPECT_EQ(d.Find(id + 1), nullptr);
}

TEST(BodySignatures, WildcardsAndOffsets) {
  std::string big(300000, 'x');
  std::string across = big;
  across.replace(65536 - 3, 4, "ABCD");  // straddles an internal window
  struct Case {
    const char* what;
    std::string offset, hex, data;
    bool found;
  } cases[] = {
      {"plain bytes", "*", "41424344", "xxABCDyy", true},
      {"plain bytes absent", "*", "41424344", "xxABCyy", false},
      {"at the very start", "*", "41424344", "ABCD", true},
      {"across an internal window", "*", "41424344", across, true},
      {"?? one byte", "*", "4142??44", "AB!D", true},
      {"?? needs the byte", "*", "4142??44", "ABD", false},
      {"high half byte", "*", "41424?44", "ABMD", true},
      {"high half byte differs", "*", "41424?44", "AB]D", false},
      {"low half byte", "*", "4142?344", "ABSD", true},
      {"low half byte differs", "*", "4142?344", "ABTD", false},
      {"* any run", "*", "41424344*45464748", "ABCD.......EFGH", true},
      {"* nothing between", "*", "41424344*45464748", "ABCDEFGH", true},
      {"* order matters", "*", "41424344*45464748", "EFGH...ABCD", false},
      {"* far apart", "*", "41424344*45464748", "ABCD" + big + "EFGH", true},
      {"{n} exact", "*", "41424344{3}45464748", "ABCDxyzEFGH", true},
      {"{n} one short", "*", "41424344{3}45464748", "ABCDxyEFGH", false},
      {"{n} one over", "*", "41424344{3}45464748", "ABCDxyzwEFGH", false},
      {"{n-} at least", "*", "41424344{3-}45464748", "ABCDxyzwvEFGH", true},
      {"{n-} too few", "*", "41424344{3-}45464748", "ABCDxyEFGH", false},
      {"{-n} none", "*", "41424344{-2}45464748", "ABCDEFGH", true},
      {"{-n} up to", "*", "41424344{-2}45464748", "ABCDxyEFGH", true},
      {"{-n} too many", "*", "41424344{-2}45464748", "ABCDxyzEFGH", false},
      {"{n-m} low", "*", "41424344{1-3}45464748", "ABCDxEFGH", true},
      {"{n-m} high", "*", "41424344{1-3}45464748", "ABCDxyzEFGH", true},
      {"{n-m} below", "*", "41424344{1-3}45464748", "ABCDEFGH", false},
      {"{n-m} above", "*", "41424344{1-3}45464748", "ABCDxyzwEFGH", false},
      {"{n-m} first try fails", "*", "4142{0-4}4344", "ABxCABCD", true},
      {"no four whole bytes", "*", "41??42??43", "zAxByCz", true},
      {"no four whole bytes absent", "*", "41??42??43", "zAxBy", false},
      {"a later start completes", "*", "41414141*42424242", "AAAA..AAAA..BBBB", true},
      {"two-byte stretch after *", "*", "41424344*4546", "ABCDxxEF", true},
      {"two-byte stretch missing", "*", "41424344*4546", "ABCDxxE", false},
      {"three-byte stretch", "*", "41424344*454647", "ABCDxEFG", true},
      {"three-byte stretch differs", "*", "41424344*454647", "ABCDxEFH", false},
      {"one-byte stretch", "*", "41424344*45??46", "ABCD..EzF", true},
      {"one-byte stretch before", "*", "41424344*45??46", "EzFABCD", false},
      {"offset n", "3", "41424344", "xyzABCD", true},
      {"offset n, elsewhere", "3", "41424344", "xyABCD", false},
      {"offset n,m within", "2,2", "41424344", "xyzwABCD", true},
      {"offset n,m beyond", "2,2", "41424344", "xyzwvABCD", false},
      {"EOF-n", "EOF-4", "41424344", "....ABCD", true},
      {"EOF-n, not there", "EOF-4", "41424344", "ABCD.", false},
      {"EOF-n with a gap", "EOF-10", "4142*4344", "zzABxxxxxxCD", true},
      {"EOF-n beyond the start", "EOF-40", "41424344", "ABCD", false},
      {"EOF-n in a large file", "EOF-6", "41424344", big + "ABCDxy", true},
  };
  for (const auto& c : cases) {
    auto l = Load({{"t.ndb", "Case.Sig:0:" + c.offset + ":" + c.hex + "\n"}});
    ASSERT_EQ(l->report.bodies, 1u)
        << c.what << ": " << (l->report.notes.empty() ? "" : l->report.notes[0]);
    EXPECT_EQ(Scan(*l, c.data), c.found ? "Case.Sig" : "(clean)")
        << c.what << " (" << c.offset << ":" << c.hex << ")";
    // The same in small pieces.
    Matcher::FileScan fs(*l->matcher, c.data.size());
    for (size_t i = 0; i < c.data.size(); i += 7)
      fs.Feed(reinterpret_cast<const uint8_t*>(c.data.data()) + i,
              std::min<size_t>(7, c.data.size() - i));
    EXPECT_EQ(fs.Finish() != 0, c.found) << c.what << " fed in pieces";
  }
}

TEST(BodySignatures, BadLinesAreSkippedAndCounted) {
  struct Case {
    const char* line;
    bool unsupported;  // valid but not handled, else malformed
  } cases[] = {
      {"Too.Few:0:*", false},
      {"Bad.Hex:0:*:41424G44", false},
      {"Odd.Digits:0:*:414243444", false},
      {"Starts.With.Gap:0:*:*41424344", false},
      {"Ends.With.Gap:0:*:41424344{2}", false},
      {"Two.Gaps:0:*:4142{2}*4344", false},
      {"Unclosed:0:*:4142{2", false},
      {"Bad.Range:0:*:4142{5-2}4344", false},
      {"Bad.Target:x:*:41424344", false},
      {"Bad.Offset:0:abc:41424344", false},
      {"Only.Wildcards:0:*:????*41424344", false},
      {":0:*:41424344", false},
      {"PE.Target:1:*:41424344", true},
      {"Entry.Point:0:EP+0:41424344", true},
      {"Section:0:S1+4:41424344", true},
      {"Alternatives:0:*:4142(43|44)45", true},
  };
  std::string text;
  for (const auto& c : cases) text += std::string(c.line) + "\n";
  text += MarkerNdb();
  uint64_t malformed = 0, unsupported = 0;
  for (const auto& c : cases) {
    auto one = Load({{"one.ndb", std::string(c.line) + "\n"}});
    EXPECT_EQ(one->report.bodies, 0u) << c.line;
    EXPECT_EQ(one->report.unsupportedLines, c.unsupported ? 1u : 0u) << c.line;
    EXPECT_EQ(one->report.skippedLines, c.unsupported ? 0u : 1u) << c.line;
    (c.unsupported ? unsupported : malformed)++;
  }
  auto l = Load({{"all.ndb", text}});
  EXPECT_EQ(l->report.bodies, 1u);
  EXPECT_EQ(l->report.skippedLines, malformed);
  EXPECT_EQ(l->report.unsupportedLines, unsupported);
  EXPECT_EQ(Scan(*l, "..." + kMarker + "..."), "Test.Marker") << "the good line still works";
}

TEST(Containers, HeaderChecksumAndContents) {
  std::string tar =
      maker::Tar({{"test.hsb", kClamHsb}, {"marker.ndb", MarkerNdb()}, {"notes.info", "x"}});
  struct Case {
    const char* what;
    std::string name, bytes;
    bool ok;
    const char* note;
  } cases[] = {
      {"tar.gz container", "daily.cvd", maker::Container(maker::Gzip(tar), 27001), true,
       "version 27001"},
      {"plain tar container", "daily.cld", maker::Container(tar, 27002), true, "version 27002"},
      {"damaged checksum", "bad.cvd",
       [&] {
         std::string b = maker::Container(maker::Gzip(tar), 1);
         b[b.size() - 10] ^= 1;
         return b;
       }(),
       false, "MD5 mismatch"},
      {"not a container", "x.cvd", std::string(600, 'x'), false, "not a signature container"},
      {"short", "s.cvd", "ClamAV-VDB:", false, "shorter than its header"},
      {"not a tar inside", "n.cvd", maker::Container(maker::Gzip("plain text"), 3), false,
       "damaged archive"},
  };
  for (const auto& c : cases) {
    SignatureSet set;
    SignatureReport r;
    EXPECT_EQ(set.AddContainer(c.name, c.bytes, r), c.ok) << c.what;
    std::string all;
    for (const auto& n : r.notes) all += n + "\n";
    EXPECT_NE(all.find(c.note), std::string::npos) << c.what << ": " << all;
    EXPECT_EQ(r.hashes, c.ok ? 1u : 0u) << c.what;
    EXPECT_EQ(r.bodies, c.ok ? 1u : 0u) << c.what;
  }
}

TEST(Containers, FolderLoadsEveryDatabase) {
  TempDir dir;
  std::string tar = maker::Tar({{"marker.ndb", MarkerNdb()}});
  ASSERT_TRUE(WriteBytes(dir / L"main.cvd", maker::Container(maker::Gzip(tar), 5)));
  ASSERT_TRUE(WriteBytes(dir / L"test.hsb", kClamHsb));
  ASSERT_TRUE(WriteBytes(dir / L"broken.cld", "ClamAV-VDB:junk"));
  ASSERT_TRUE(WriteBytes(dir / L"current.rrdefs", "not read here"));
  SignatureReport r;
  auto set = LoadSignatureFolder(dir.path(), r);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(r.hashes, 1u);
  EXPECT_EQ(r.bodies, 1u);
  std::string all;
  for (const auto& n : r.notes) all += n + "\n";
  EXPECT_NE(all.find("broken.cld: refused"), std::string::npos) << all;
  TempDir empty;
  SignatureReport none;
  EXPECT_EQ(LoadSignatureFolder(empty.path(), none), nullptr);
}

// ---------------------------------------------------------------------------
// Archives

class ArchiveScan : public ::testing::Test {
 protected:
  ArchiveScan() : l(Load({{"marker.ndb", MarkerNdb()}, {"test.hsb", kClamHsb}})) {}
  std::string Payload() const { return "some text before " + kMarker + " and after"; }
  std::string ScanBytes(const std::wstring& name, const std::string& bytes,
                        const ScanLimits& limits = {}) {
    std::wstring path = dir / name;
    EXPECT_TRUE(WriteBytes(path, bytes));
    uint32_t error = 0;
    std::string got = ScanPath(*l, path, limits, &error);
    EXPECT_EQ(error, 0u) << ToBytes(name);
    return got;
  }
  std::unique_ptr<Loaded> l;
  TempDir dir;
};

TEST_F(ArchiveScan, MembersAreFoundAndNamed) {
  std::string p = Payload(), clean = "nothing here";
  std::string longName = std::string(120, 'n') + "/deep.txt";
  std::string innerZip = maker::Zip({{"readme.txt", clean}, {"payload.bin", p}});
  struct Case {
    const wchar_t* file;
    std::string bytes, expect;
  } cases[] = {
      {L"plain.bin", p, "Test.Marker@"},
      {L"stored.zip", maker::Zip({{"a.txt", clean, 0}, {"dir/p.bin", p, 0}}),
       "Test.Marker@>dir/p.bin"},
      {L"deflate.zip", maker::Zip({{"a.txt", clean}, {"p.bin", p}}), "Test.Marker@>p.bin"},
      {L"descriptor.zip", maker::Zip({{"a.txt", clean, 8, true}, {"p.bin", p, 8, true}}),
       "Test.Marker@>p.bin"},
      {L"clean.zip", maker::Zip({{"a.txt", clean}, {"b.txt", clean, 0}}), "(clean)"},
      {L"named.gz", maker::Gzip(p, "original.bin"), "Test.Marker@>original.bin"},
      {L"unnamed.bin.gz", maker::Gzip(p), "Test.Marker@>unnamed.bin"},
      {L"plain.tar", maker::Tar({{"a.txt", clean}, {"p.bin", p}}), "Test.Marker@>p.bin"},
      {L"longname.tar", maker::Tar({{longName, p}}), "Test.Marker@>" + longName},
      {L"nested.tgz", maker::Gzip(maker::Tar({{"x/inner.zip", innerZip}})),
       "Test.Marker@>nested.tar>x/inner.zip>payload.bin"},
      {L"zip-in-zip.zip", maker::Zip({{"inner.zip", innerZip, 0}}),
       "Test.Marker@>inner.zip>payload.bin"},
      // Members we do not unpack are passed over; the rest are still scanned.
      {L"encrypted.zip", maker::Zip({{"e.bin", p, 8, false, true}}), "(clean)"},
      {L"other-method.zip", maker::Zip({{"m.bin", p, 12}, {"p2.bin", p}}), "Test.Marker@>p2.bin"},
      // Damaged archives end the look inside without an error.
      {L"truncated.zip", maker::Zip({{"p.bin", p + std::string(5000, 'z')}}).substr(0, 60),
       "(clean)"},
      {L"truncated.gz", maker::Gzip(std::string(4000, 'q') + p).substr(0, 40), "(clean)"},
      {L"bad-checksum.tar",
       [&] {
         std::string t = maker::Tar({{"p.bin.gz", maker::Gzip(p)}});
         t[0] ^= 1;
         return t;
       }(),
       "(clean)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ScanBytes(c.file, c.bytes), c.expect) << ToBytes(c.file);
}

TEST_F(ArchiveScan, DepthLimit) {
  struct Case {
    int levels;
    ScanLimits limits;
    bool found;
  } cases[] = {{1, {}, true},
               {8, {}, true},
               {9, {}, false},
               {3, {2, 100 << 20, {}}, false},
               {2, {2, 100 << 20, {}}, true}};
  for (const auto& c : cases) {
    std::string bytes = Payload(), trace;
    for (int i = 0; i < c.levels; ++i) {
      bytes = maker::Zip({{"l" + std::to_string(i) + ".zip", bytes}});
      trace = ">l" + std::to_string(i) + ".zip" + trace;
    }
    // The innermost "l0.zip" member is the payload itself.
    EXPECT_EQ(ScanBytes(L"nested.zip", bytes, c.limits),
              c.found ? "Test.Marker@" + trace : "(clean)")
        << c.levels << " levels, depth limit " << c.limits.maxDepth;
  }
}

TEST_F(ArchiveScan, UnpackBudgetPerFile) {
  std::string filler(400000, 'f');
  std::string bytes = maker::Zip({{"a.bin", filler}, {"b.bin", filler}, {"p.bin", Payload()}});
  struct Case {
    uint64_t budget;
    bool found;
  } cases[] = {{100ull << 20, true}, {900000, true}, {700000, false}};
  for (const auto& c : cases) {
    ScanLimits limits;
    limits.maxUnpacked = c.budget;
    EXPECT_EQ(ScanBytes(L"budget.zip", bytes, limits), c.found ? "Test.Marker@>p.bin" : "(clean)")
        << "budget " << c.budget;
  }
}

TEST_F(ArchiveScan, RealTestFiles) {
  struct Case {
    const wchar_t* file;
    std::string expect;
  } cases[] = {
      {L"clam.exe", "ClamAV-Test-File@"},
      {L"clam.zip", "ClamAV-Test-File@>clam.exe"},
      {L"clam.tar.gz", "ClamAV-Test-File@>clam.tar>clam.exe"},
      // Its test file lies seven tgz (fourteen archives) deep: past the depth limit.
      {L"clam_cache_emax.tgz", "(clean)"},
      // Formats the engine does not unpack: simply not found.
      {L"clam.7z", "(clean)"},
      {L"clam.arj", "(clean)"},
      {L"clam.cab", "(clean)"},
      {L"clam.exe.bz2", "(clean)"},
      {L"clam.bz2.zip", "(clean)"},
      {L"clam.impl.zip", "(clean)"},
      {L"clam.d64.zip", "(clean)"},
      {L"clam-upx.exe", "(clean)"},
      {L"clam.pdf", "(clean)"},
  };
  for (const auto& c : cases) {
    uint32_t error = 0;
    EXPECT_EQ(ScanPath(*l, kTestFiles + std::wstring(c.file), {}, &error), c.expect) << ToBytes(c.file);
    EXPECT_EQ(error, 0u) << ToBytes(c.file);
  }
  // The whole folder: no errors, and what is found is found at the top level.
  ScanControl control;
  ScanOptions options;
  options.roots = {kTestFiles};
  Scanner scanner(*l->matcher, options, control);
  std::vector<std::wstring> found;
  scanner.onDetection = [&](const Detection& d, const ScanStats&) { found.push_back(d.path); };
  EXPECT_TRUE(scanner.Run());
  EXPECT_TRUE(scanner.Errors().empty());
  EXPECT_EQ(found.size(), 3u);
  ScanLimits deep;
  deep.maxDepth = 16;
  EXPECT_EQ(ScanPath(*l, kTestFiles + std::wstring(L"clam_cache_emax.tgz"), deep),
            "ClamAV-Test-File@>clam_cache_emax.tar>clam02.tgz>clam02.tar>clam03.tgz>clam03.tar>"
            "clam04.tgz>clam04.tar>clam05.tgz>clam05.tar>clam06.tgz>clam06.tar>clam07.tgz>"
            "clam07.tar>clam08.tgz>clam08.tar>clam.exe");
}

TEST_F(ArchiveScan, Bombs) {
  // 42 levels of ZIP within ZIP: unpacked to the depth limit, then left alone.
  std::string nested = Payload();
  for (int i = 0; i < 42; ++i)
    nested = maker::Zip({{"level" + std::to_string(i) + ".zip", nested}});
  EXPECT_EQ(ScanBytes(L"42-levels.zip", nested), "(clean)");

  // 10 GB of zeros in one deflate member (about 10 MB packed), written by
  // repeating one flushed block. Once with true sizes (refused from the
  // header), once with a data descriptor (stopped while unpacking).
  const uint64_t kZeros = 10ull << 30, kBlock = 1 << 20;
  std::string zeros(kBlock, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  std::string block(64 * 1024, '\0'), first, repeat, tail;
  auto run = [&](const std::string& in, int flush) {
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = uInt(in.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(block.data());
      z.avail_out = uInt(block.size());
      deflate(&z, flush);
      out.append(block.data(), block.size() - z.avail_out);
    } while (z.avail_out == 0);
    return out;
  };
  first = run(zeros, Z_FULL_FLUSH);
  repeat = run(zeros, Z_FULL_FLUSH);
  tail = run("", Z_FINISH);
  deflateEnd(&z);
  uint64_t blocks = kZeros / kBlock;
  uint64_t packed = first.size() + (blocks - 1) * repeat.size() + tail.size();
  ASSERT_GT(kZeros / packed, 1000u) << "the test bomb must exceed the ratio";
  for (bool descriptor : {false, true}) {
    std::wstring path = dir / (descriptor ? L"zeros-described.zip" : L"zeros.zip");
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto put = [h](const std::string& s) {
      DWORD w;
      WriteFile(h, s.data(), DWORD(s.size()), &w, nullptr);
    };
    std::string head;
    maker::Put32(head, 0x04034b50);
    maker::Put16(head, 45);
    maker::Put16(head, descriptor ? 8 : 0);
    maker::Put16(head, 8);
    maker::Put32(head, 0);
    maker::Put32(head, 0);  // crc: not checked
    maker::Put32(head, descriptor ? 0 : 0xFFFFFFFF);
    maker::Put32(head, descriptor ? 0 : 0xFFFFFFFF);
    maker::Put16(head, 9);
    maker::Put16(head, descriptor ? 0 : 20);
    head += "zeros.bin";
    if (!descriptor) {
      maker::Put16(head, 1);
      maker::Put16(head, 16);
      maker::Put64(head, kZeros);
      maker::Put64(head, packed);
    }
    put(head);
    put(first);
    std::string many;
    for (int i = 0; i < 256; ++i) many += repeat;
    uint64_t left = blocks - 1;
    for (; left >= 256; left -= 256) put(many);
    for (; left; --left) put(repeat);
    put(tail);
    CloseHandle(h);
    uint32_t error = 0;
    EXPECT_EQ(ScanPath(*l, path, {}, &error), "Archive.Bomb@>zeros.bin")
        << (descriptor ? "sizes hidden" : "sizes declared");
    EXPECT_EQ(error, 0u);
  }

  // Overlapping entries: a thousand central entries naming one member. The
  // member is read once, and a payload in it still counts.
  std::string member = Payload();
  for (int i = 0; i < 20000; ++i) member += "line " + std::to_string(i * 7919 % 10007) + "\n";
  std::string overlap = maker::Zip({{"shared.txt", member}}, 1000);
  EXPECT_EQ(ScanBytes(L"overlap.zip", overlap), "Test.Marker@>shared.txt");

  // A small highly packed member is no bomb (under the 1 MB floor).
  EXPECT_EQ(ScanBytes(L"small-zeros.zip", maker::Zip({{"z.bin", std::string(900000, '\0')}})),
            "(clean)");
  printf("peak working set after the bombs: %zu MB\n", PeakWorkingSetMb());
}

#include "Signatures.h"

#include <algorithm>
#include <cstring>

#include "Archive.h"
#include "Md5Sha1.h"
#include "Sha256.h"
#include "Text.h"

namespace rre {
namespace {

constexpr uint32_t kSpanLimit = 64 * 1024;  // longest bounded stretch of a signature
constexpr uint64_t kMaxContainerUnpacked = 1ull << 30;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t pos = 0;
  for (;;) {
    size_t at = s.find(sep, pos);
    out.push_back(s.substr(pos, at == std::string::npos ? std::string::npos : at - pos));
    if (at == std::string::npos) return out;
    pos = at + 1;
  }
}

bool Digits(const std::string& s, uint64_t& v) { return !s.empty() && ParseU64(s, v); }

std::string LowerExt(const std::string& name) {
  size_t dot = name.find_last_of('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (auto& c : ext) c = char(tolower(uint8_t(c)));
  return ext;
}

uint64_t Fnv64(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

template <size_t N>
bool AddHash(std::vector<HashSig<N>>& to, const std::string& raw, uint64_t size, uint32_t threat) {
  if (raw.size() != N) return false;
  HashSig<N> h;
  memcpy(h.digest.data(), raw.data(), N);
  h.size = size;
  h.threat = threat;
  to.push_back(h);
  return true;
}

// Closes the current part into the segment being built.
void ClosePart(SigSegment& seg, SigPart& part, std::pair<uint32_t, uint32_t>& pendingGap) {
  if (part.bytes.empty()) return;
  if (!seg.parts.empty()) seg.gaps.push_back(pendingGap);
  seg.parts.push_back(std::move(part));
  part = SigPart{};
  pendingGap = {0, 0};
}

}  // namespace

bool ParseHexSignature(const std::string& hex, std::vector<SigSegment>& out, std::string& error) {
  out.clear();
  SigSegment seg;
  SigPart part;
  std::pair<uint32_t, uint32_t> gap{0, 0};  // bounded gap before the next part
  bool lastWasGap = false;
  auto fail = [&error](const std::string& why) { return error = why, false; };
  // Every gap needs bytes before it and none right before.
  auto gapAllowed = [&] {
    if (out.empty() && seg.parts.empty() && part.bytes.empty())
      return fail("signature starts with a gap");
    if (lastWasGap) return fail("two gaps in a row");
    ClosePart(seg, part, gap);
    lastWasGap = true;
    return true;
  };
  auto unbounded = [&](uint32_t minGap) {
    if (!gapAllowed()) return false;
    out.push_back(std::move(seg));
    seg = SigSegment{};
    seg.minGapBefore = minGap;
    return true;
  };
  for (size_t i = 0; i < hex.size();) {
    char c = hex[i];
    if (c == '*') {
      if (!unbounded(0)) return false;
      ++i;
    } else if (c == '{') {
      size_t close = hex.find('}', i);
      if (close == std::string::npos) return fail("unclosed {");
      std::string body = hex.substr(i + 1, close - i - 1);
      i = close + 1;
      size_t dash = body.find('-');
      uint64_t lo = 0, hi = 0;
      if (dash == std::string::npos) {
        if (!Digits(body, lo)) return fail("bad {n}");
        hi = lo;
      } else {
        std::string a = body.substr(0, dash), b = body.substr(dash + 1);
        if (!a.empty() && !Digits(a, lo)) return fail("bad {n-m}");
        if (b.empty()) {
          if (a.empty() || lo > UINT32_MAX) return fail("bad {n-}");
          if (!unbounded(uint32_t(lo))) return false;
          continue;
        }
        if (!Digits(b, hi) || hi < lo) return fail("bad {n-m}");
      }
      if (hi > kSpanLimit) return fail("gap too long");
      if (!gapAllowed()) return false;
      gap = {uint32_t(lo), uint32_t(hi)};
    } else if (c == '(' || c == '[' || c == '!') {
      return fail("alternatives are not supported");
    } else {
      if (i + 1 >= hex.size()) return fail("odd number of hex digits");
      char d = hex[i + 1];
      int hiN = c == '?' ? -1 : HexDigit(c), loN = d == '?' ? -1 : HexDigit(d);
      if ((c != '?' && hiN < 0) || (d != '?' && loN < 0)) return fail("bad hex digit");
      uint8_t mask = uint8_t((hiN < 0 ? 0 : 0xF0) | (loN < 0 ? 0 : 0x0F));
      uint8_t value = uint8_t((hiN < 0 ? 0 : hiN << 4) | (loN < 0 ? 0 : loN));
      part.bytes += char(value);
      part.mask += char(mask);
      lastWasGap = false;
      i += 2;
    }
  }
  if (lastWasGap) return fail("signature ends with a gap");
  ClosePart(seg, part, gap);
  if (seg.parts.empty()) return fail("empty signature");
  out.push_back(std::move(seg));
  for (auto& s : out) {
    uint64_t span = 0;
    for (const auto& p : s.parts) span += p.bytes.size();
    for (const auto& g : s.gaps) span += g.second;
    if (span > kSpanLimit) return fail("bounded stretch too long");
    s.span = uint32_t(span);
    // A part of nothing but wildcards has nothing to look for.
    const auto& first = s.parts.front();
    if (std::all_of(first.mask.begin(), first.mask.end(), [](char m) { return m != char(0xFF); }))
      return fail("a stretch starts without a whole byte");
  }
  return true;
}

bool ParseSigOffset(const std::string& text, SigOffset& out) {
  out = SigOffset{};
  if (text == "*") return true;
  std::string t = text;
  size_t comma = t.find(',');
  if (comma != std::string::npos) {
    if (!Digits(t.substr(comma + 1), out.shift)) return false;
    t.erase(comma);
  }
  if (t.rfind("EOF-", 0) == 0) {
    out.kind = SigOffset::kFromEnd;
    return Digits(t.substr(4), out.value);
  }
  out.kind = SigOffset::kAt;
  return Digits(t, out.value);
}

bool IsSignatureFileName(const std::wstring& name) {
  std::string ext = LowerExt(ToBytes(name));
  for (const char* e : {"hdb", "hsb", "hdu", "hsu", "mdb", "mdu", "ndb", "ndu", "cvd", "cld"})
    if (ext == e) return true;
  return false;
}

uint32_t SignatureSet::IdFor(const std::string& name) {
  uint64_t h = Fnv64(name);
  if (auto it = m_idByNameHash.find(h); it != m_idByNameHash.end()) return it->second;
  uint32_t id = 0x40000000u | (uint32_t(h ^ h >> 32) & 0x3FFFFFFFu);
  while (m_taken.count(id)) id = 0x40000000u | ((id + 1) & 0x3FFFFFFFu);
  m_taken[id] = uint32_t(m_names.size());
  m_names += name;
  m_names += '\0';
  m_idByNameHash[h] = id;
  return id;
}

std::string SignatureSet::NameOf(uint32_t threat) const {
  auto it = m_taken.find(threat);
  if (it == m_taken.end() || it->second == UINT32_MAX) return {};
  return std::string(m_names.c_str() + it->second);
}

bool SignatureSet::AddHashLine(const std::string& line, bool sectionHashes,
                               SignatureReport& report) {
  auto f = Split(line, ':');
  if (f.size() < 3 || f.size() > 5) return ++report.skippedLines, false;
  if (sectionHashes) return ++report.unsupportedLines, false;
  std::string raw;
  uint64_t size = kAnySize;
  if (!FromHex(f[0], raw) || f[2].empty() || (f[1] != "*" && !Digits(f[1], size)))
    return ++report.skippedLines, false;
  uint32_t threat = IdFor(f[2]);
  bool ok = AddHash(md5, raw, size, threat) || AddHash(sha1, raw, size, threat) ||
            AddHash(sha256, raw, size, threat);
  if (!ok) return ++report.skippedLines, false;
  ++report.hashes;
  return true;
}

bool SignatureSet::AddBodyLine(const std::string& line, SignatureReport& report) {
  auto f = Split(line, ':');
  if (f.size() < 4 || f.size() > 6 || f[0].empty()) return ++report.skippedLines, false;
  uint64_t target;
  if (!Digits(f[1], target)) return ++report.skippedLines, false;
  if (target != 0) return ++report.unsupportedLines, false;
  BodySig sig;
  if (!ParseSigOffset(f[2], sig.offset)) {
    bool known = f[2].rfind("EP", 0) == 0 || f[2].rfind("S", 0) == 0 || f[2].rfind("VI", 0) == 0 ||
                 f[2].rfind("SE", 0) == 0;
    return ++(known ? report.unsupportedLines : report.skippedLines), false;
  }
  std::string error;
  if (!ParseHexSignature(f[3], sig.segments, error)) {
    bool unsupported = error.find("not supported") != std::string::npos;
    return ++(unsupported ? report.unsupportedLines : report.skippedLines), false;
  }
  sig.threat = IdFor(f[0]);
  bodies.push_back(std::move(sig));
  ++report.bodies;
  return true;
}

bool SignatureSet::AddDatabase(const std::string& fileName, const std::string& text,
                               SignatureReport& report) {
  std::string ext = LowerExt(fileName);
  bool hash = ext == "hdb" || ext == "hsb" || ext == "hdu" || ext == "hsu";
  bool section = ext == "mdb" || ext == "mdu";
  bool body = ext == "ndb" || ext == "ndu";
  if (!hash && !section && !body) return false;
  SignatureReport mine;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (body)
      AddBodyLine(line, mine);
    else
      AddHashLine(line, section, mine);
  }
  std::string note = fileName + ": " + std::to_string(mine.hashes + mine.bodies) + " loaded";
  if (mine.skippedLines)
    note += ", " + std::to_string(mine.skippedLines) + " unreadable lines skipped";
  if (mine.unsupportedLines) {
    note += ", " + std::to_string(mine.unsupportedLines) + " unsupported skipped";
    if (section) note += " (PE section hashes are not matched)";
  }
  report.notes.push_back(note);
  auto byDigest = [](const auto& a, const auto& b) { return a.digest < b.digest; };
  std::sort(md5.begin(), md5.end(), byDigest);
  std::sort(sha1.begin(), sha1.end(), byDigest);
  std::sort(sha256.begin(), sha256.end(), byDigest);
  report.hashes += mine.hashes;
  report.bodies += mine.bodies;
  report.skippedLines += mine.skippedLines;
  report.unsupportedLines += mine.unsupportedLines;
  return true;
}

bool ParseContainerHeader(const std::string& bytes, ContainerHeader& out, std::string& error) {
  if (bytes.size() < 512) return error = "shorter than its header", false;
  std::string head = bytes.substr(0, 512);
  while (!head.empty() && (head.back() == ' ' || head.back() == '\0')) head.pop_back();
  auto f = Split(head, ':');
  if (f.size() < 6 || f[0] != "ClamAV-VDB") return error = "not a signature container", false;
  uint64_t version, sigs, level;
  if (!Digits(f[2], version) || !Digits(f[3], sigs) || !Digits(f[4], level) ||
      version > UINT32_MAX || sigs > UINT32_MAX || level > UINT32_MAX)
    return error = "bad header numbers", false;
  std::string raw;
  if (!FromHex(f[5], raw) || raw.size() != 16) return error = "bad header MD5", false;
  out.built = f[1];
  out.version = uint32_t(version);
  out.signatures = uint32_t(sigs);
  out.level = uint32_t(level);
  out.md5 = f[5];
  for (auto& c : out.md5) c = char(tolower(uint8_t(c)));
  out.builder = f.size() > 7 ? f[7] : "";
  return true;
}

bool SignatureSet::AddContainer(const std::string& fileName, const std::string& bytes,
                                SignatureReport& report) {
  ContainerHeader h;
  std::string error;
  auto refuse = [&](const std::string& why) {
    report.notes.push_back(fileName + ": refused, " + why);
    return false;
  };
  if (!ParseContainerHeader(bytes, h, error)) return refuse(error);
  Md5Digest sum = Md5::Of(bytes.data() + 512, bytes.size() - 512);
  if (ToHex(sum.data(), sum.size()) != h.md5) return refuse("MD5 mismatch");
  std::vector<std::pair<std::string, std::string>> files;
  if (!ReadTarFiles(bytes.substr(512), kMaxContainerUnpacked, files))
    return refuse("damaged archive");
  report.notes.push_back(fileName + ": version " + std::to_string(h.version) + ", " +
                         std::to_string(files.size()) +
                         " files (digital signature not checked: no publisher key)");
  for (const auto& [name, text] : files) AddDatabase(name, text, report);
  return true;
}

std::shared_ptr<SignatureSet> LoadSignatureFolder(const std::wstring& folder,
                                                  SignatureReport& report) {
  std::wstring prefix = folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((prefix + L"*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsSignatureFileName(fd.cFileName))
        names.push_back(fd.cFileName);
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  std::sort(names.begin(), names.end());
  auto set = std::make_shared<SignatureSet>();
  bool any = false;
  for (const auto& n : names) {
    std::string bytes, name = ToBytes(n);
    if (!ReadWholeFile(prefix + n, kMaxContainerUnpacked, bytes)) {
      report.notes.push_back(name + ": cannot be read");
      continue;
    }
    std::string ext = LowerExt(name);
    any = (ext == "cvd" || ext == "cld" ? set->AddContainer(name, bytes, report)
                                        : set->AddDatabase(name, bytes, report)) ||
          any;
  }
  return any ? set : nullptr;
}

}  // namespace rre

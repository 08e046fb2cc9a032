#include "Definitions.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "Text.h"

namespace rre {
namespace {

std::string LineError(size_t line, const std::string& what) {
  return "line " + std::to_string(line) + ": " + what;
}

bool ParseBool(const std::string& v, bool& out) {
  if (v == "yes" || v == "true" || v == "1") return out = true, true;
  if (v == "no" || v == "false" || v == "0") return out = false, true;
  return false;
}

}  // namespace

bool ParseDefinitions(const std::string& text, Definitions& out, std::string& error) {
  out = Definitions{};
  // The checksum line covers every byte before it and must be the last statement.
  size_t sumPos = text.rfind("\nchecksum ");
  if (sumPos == std::string::npos) return error = "checksum line missing", false;
  ++sumPos;
  std::string sumLine = text.substr(sumPos);
  while (!sumLine.empty() && (sumLine.back() == '\n' || sumLine.back() == '\r')) sumLine.pop_back();
  std::string expected = sumLine.substr(strlen("checksum "));
  if (expected.find_first_of("\r\n") != std::string::npos)
    return error = "checksum must be the last line", false;
  if (Lower(ToWide(expected)) != ToWide(ToHex(Sha256::Of(text.data(), sumPos))))
    return error = "checksum mismatch", false;

  ThreatDef* cur = nullptr;
  bool header = false, haveVersion = false;
  size_t lineNo = 0, pos = 0;
  while (pos < sumPos) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos || end > sumPos) end = sumPos;
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t sp = line.find(' ');
    std::string key = line.substr(0, sp);
    std::string value = sp == std::string::npos ? std::string() : line.substr(sp + 1);
    if (!header) {
      if (key != "RRDEFS" || value != "1")
        return error = LineError(lineNo, "not a definitions file (RRDEFS 1 expected)"), false;
      header = true;
      continue;
    }
    uint64_t n = 0;
    if (!cur) {
      if (key == "version") {
        if (!ParseU64(value, n) || n > UINT32_MAX)
          return error = LineError(lineNo, "bad version"), false;
        out.version = uint32_t(n);
        haveVersion = true;
      } else if (key == "date") {
        SYSTEMTIME st;
        out.date = ToWide(value);
        if (!ParseEngineTime(out.date, st)) return error = LineError(lineNo, "bad date"), false;
      } else if (key == "threat") {
        if (!ParseU64(value, n) || n == 0 || n > UINT32_MAX)
          return error = LineError(lineNo, "bad threat id"), false;
        if (out.threats.count(uint32_t(n)))
          return error = LineError(lineNo, "duplicate threat id"), false;
        cur = &out.threats[uint32_t(n)];
        cur->id = uint32_t(n);
      } else {
        return error = LineError(lineNo, "unknown statement '" + key + "'"), false;
      }
      continue;
    }
    if (key == "end") {
      if (cur->name.empty()) return error = LineError(lineNo, "threat without name"), false;
      cur = nullptr;
    } else if (key == "name") {
      cur->name = ToWide(value);
    } else if (key == "category") {
      cur->category = ToWide(value);
    } else if (key == "type") {
      cur->type = ToWide(value);
    } else if (key == "author") {
      cur->author = ToWide(value);
    } else if (key == "authorUrl") {
      cur->authorUrl = ToWide(value);
    } else if (key == "advice") {
      cur->advice = ToWide(value);
    } else if (key == "description") {
      cur->description = ToWide(value);
    } else if (key == "categoryId") {
      if (!ParseU64(value, n) || n > UINT32_MAX)
        return error = LineError(lineNo, "bad categoryId"), false;
      cur->categoryId = uint32_t(n);
    } else if (key == "level") {
      if (!ParseU64(value, n) || n < 1 || n > 5)
        return error = LineError(lineNo, "level must be 1 to 5"), false;
      cur->level = uint32_t(n);
    } else if (key == "advise") {
      if (!ParseU64(value, n) || n > 6)
        return error = LineError(lineNo, "advise must be 0 to 6"), false;
      cur->advise = int32_t(n);
    } else if (key == "quarantine") {
      if (!ParseBool(value, cur->canQuarantine))
        return error = LineError(lineNo, "bad quarantine flag"), false;
    } else if (key == "maxsize") {
      if (!ParseU64(value, cur->maxSize)) return error = LineError(lineNo, "bad maxsize"), false;
    } else if (key == "bytes" || key.rfind("bytes@", 0) == 0) {
      ByteRule r;
      if (key.size() > 5) {
        int64_t off = 0;
        if (!ParseI64(key.substr(6), off) || off < 0)
          return error = LineError(lineNo, "bad offset"), false;
        r.offset = off;
      }
      if (!FromHex(value, r.bytes) || r.bytes.size() < 4 || r.bytes.size() > 4096)
        return error = LineError(lineNo, "pattern must be 4 to 4096 hex bytes"), false;
      cur->byteRules.push_back(std::move(r));
    } else if (key == "sha256") {
      size_t sp2 = value.find(' ');
      std::string raw;
      HashRule h;
      if (sp2 == std::string::npos || !FromHex(value.substr(0, sp2), raw) || raw.size() != 32 ||
          !ParseU64(value.substr(sp2 + 1), h.size))
        return error = LineError(lineNo, "sha256 needs 64 hex digits and a size"), false;
      memcpy(h.hash.data(), raw.data(), 32);
      cur->hashRules.push_back(h);
    } else {
      return error = LineError(lineNo, "unknown threat statement '" + key + "'"), false;
    }
  }
  if (!header) return error = "empty definitions", false;
  if (cur) return error = "threat " + std::to_string(cur->id) + " lacks 'end'", false;
  if (!haveVersion || out.date.empty()) return error = "version and date are required", false;
  return true;
}

std::string SerializeDefinitions(const Definitions& d) {
  std::string s =
      "RRDEFS 1\nversion " + std::to_string(d.version) + "\ndate " + ToBytes(d.date) + "\n";
  auto text = [&s](const char* key, const std::wstring& v) {
    if (!v.empty()) s += std::string(key) + " " + ToBytes(v) + "\n";
  };
  for (const auto& [id, t] : d.threats) {
    s += "threat " + std::to_string(id) + "\n";
    text("name", t.name);
    text("category", t.category);
    s += "categoryId " + std::to_string(t.categoryId) + "\n";
    s += "level " + std::to_string(t.level) + "\nadvise " + std::to_string(t.advise) + "\n";
    s += std::string("quarantine ") + (t.canQuarantine ? "yes" : "no") + "\n";
    text("type", t.type);
    text("author", t.author);
    text("authorUrl", t.authorUrl);
    text("advice", t.advice);
    text("description", t.description);
    if (t.maxSize != UINT64_MAX) s += "maxsize " + std::to_string(t.maxSize) + "\n";
    for (const auto& r : t.byteRules) {
      s += r.offset < 0 ? "bytes " : "bytes@" + std::to_string(r.offset) + " ";
      s += ToHex(reinterpret_cast<const uint8_t*>(r.bytes.data()), r.bytes.size()) + "\n";
    }
    for (const auto& h : t.hashRules)
      s += "sha256 " + ToHex(h.hash) + " " + std::to_string(h.size) + "\n";
    s += "end\n";
  }
  return s + "checksum " + ToHex(Sha256::Of(s.data(), s.size())) + "\n";
}

bool LoadDefinitionsFile(const std::wstring& path, Definitions& out, std::string& error) {
  std::string text;
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
    return error = "cannot open definitions file", false;
  if (!ReadWholeFile(path, 64 * 1024 * 1024, text))
    return error = "cannot read definitions file (or larger than 64 MB)", false;
  return ParseDefinitions(text, out, error);
}

std::string EicarTestString() {
  std::string head = "X5O!P%@AP[4\\PZX54(P^)7CC)7}$";
  return head + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

Definitions BuiltInDefinitions() {
  Definitions d;
  d.version = 2026120100;
  d.date = L"2026-12-01T00:00:00";
  ThreatDef eicar;
  eicar.id = 1001;
  eicar.name = L"EICAR-Test-File";
  eicar.category = L"Test file";
  eicar.categoryId = 9;
  eicar.level = 4;
  eicar.advise = 3;
  eicar.type = L"File";
  eicar.author = L"Anti-virus test file";
  eicar.advice = L"This harmless file exists to test anti-malware software. Quarantine it.";
  eicar.description = L"The standard anti-virus test file. It does no harm.";
  eicar.maxSize = 128;
  eicar.byteRules.push_back({EicarTestString(), 0});
  d.threats[eicar.id] = eicar;

  ThreatDef dropper;
  dropper.id = 2001;
  dropper.name = L"Trojan.RRSample.Dropper";
  dropper.category = L"Trojan";
  dropper.categoryId = 1;
  dropper.level = 1;
  dropper.advise = 3;
  dropper.type = L"File";
  dropper.advice = L"Quarantine this file and scan the whole computer.";
  dropper.description = L"Sample signature of a program that installs other malicious programs.";
  dropper.byteRules.push_back({std::string("RRSAMPLE:") + "DROPPER-PAYLOAD-7F3A", -1});
  d.threats[dropper.id] = dropper;

  ThreatDef adware;
  adware.id = 3001;
  adware.name = L"Adware.RRSample.Popups";
  adware.category = L"Adware";
  adware.categoryId = 3;
  adware.level = 4;
  adware.advise = 1;
  adware.type = L"File";
  adware.advice = L"Remove this program unless you installed it on purpose.";
  adware.description = L"Sample signature of a program that shows unwanted advertising.";
  adware.byteRules.push_back({std::string("RRSAMPLE:") + "ADWARE-POPUP-19C2", -1});
  d.threats[adware.id] = adware;
  return d;
}

// ---------------------------------------------------------------------------

struct DescribedThreats {
  std::mutex mu;
  std::map<uint32_t, ThreatDef> byId;  // nodes never move: pointers stay valid
};

void Definitions::Import(std::shared_ptr<const SignatureSet> set) {
  imported = std::move(set);
  described = imported ? std::make_shared<DescribedThreats>() : nullptr;
}

namespace {

ThreatDef ArchiveBomb() {
  ThreatDef t;
  t.id = kArchiveBombThreat;
  t.name = L"Archive.Bomb";
  t.category = L"Archive bomb";
  t.categoryId = 8;
  t.level = 3;
  t.advise = 3;
  t.type = L"File";
  t.advice = L"Quarantine this archive unless you know where it comes from.";
  t.description =
      L"An archive that unpacks to vastly more than its own size, made to exhaust the "
      L"programs that open it. It was not unpacked.";
  return t;
}

}  // namespace

ThreatDef ImportedThreat(uint32_t id, const std::string& name) {
  ThreatDef t;
  t.id = id;
  t.name = ToWide(name);
  t.type = L"File";
  t.level = 2;
  t.advise = 3;
  // Names read "Platform.Kind.Family-n"; the kind is the category.
  size_t a = name.find('.'), b = a == std::string::npos ? a : name.find('.', a + 1);
  std::string lower = ToBytes(Lower(t.name));
  if (lower.find("test") != std::string::npos) {
    t.category = L"Test file";
    t.categoryId = 9;
    t.level = 4;
  } else if (b != std::string::npos && b > a + 1) {
    t.category = ToWide(name.substr(a + 1, b - a - 1));
    t.categoryId = 1;
  } else {
    t.category = L"Malware";
    t.categoryId = 1;
  }
  t.author = L"Imported signature";
  t.advice = L"Quarantine this file.";
  t.description = L"Found by a signature from an installed signature database.";
  return t;
}

const ThreatDef* Definitions::Find(uint32_t id) const {
  auto it = threats.find(id);
  if (it != threats.end()) return &it->second;
  if (id == kArchiveBombThreat) {
    static const ThreatDef bomb = ArchiveBomb();
    return &bomb;
  }
  if (!imported || !described) return nullptr;
  std::string name = imported->NameOf(id);
  if (name.empty()) return nullptr;
  std::lock_guard lock(described->mu);
  auto [at, fresh] = described->byId.try_emplace(id);
  if (fresh) at->second = ImportedThreat(id, name);
  return &at->second;
}

}  // namespace rre

#pragma once
// Threat definitions: the engine's own text format and the matcher built from it.
//
// The file is UTF-8 text, one statement per line ("keyword value"), '#' starts a comment:
//
//   RRDEFS 1
//   version 2026121001          definitions version (unsigned, newer is greater)
//   date 2026-12-10T00:00:00    publication date (engine date-time text)
//   threat 1001                 starts a threat; the lines up to "end" describe it
//   name EICAR-Test-File
//   category Test file
//   categoryId 9
//   level 4                     1 most severe .. 5 least
//   advise 3                    advised action code (see CleanAction)
//   quarantine yes              the threat may be quarantined
//   type File
//   author ...
//   authorUrl ...
//   advice ...                  advice text shown to the user
//   description ...
//   maxsize 128                 byte rules apply only to files up to this size
//   bytes <hex>                 byte pattern anywhere in the file (at least 4 bytes)
//   bytes@<offset> <hex>        byte pattern at a fixed offset
//   sha256 <hex> <size>         whole-file hash of a file of that size
//   end
//   checksum <sha256 hex>       hash of every byte before this line; mandatory, last
//
// Patterns are written in hex so that the definitions file itself never matches them.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Sha256.h"

namespace rre {

struct ByteRule {
  std::string bytes;
  int64_t offset = -1;  // -1: anywhere
};

struct HashRule {
  Digest hash{};
  uint64_t size = 0;
};

struct ThreatDef {
  uint32_t id = 0;
  std::wstring name, category, type, author, authorUrl, advice, description;
  uint32_t categoryId = 0;
  uint32_t level = 3;
  int32_t advise = 3;
  bool canQuarantine = true;
  uint64_t maxSize = UINT64_MAX;
  std::vector<ByteRule> byteRules;
  std::vector<HashRule> hashRules;
};

struct Definitions {
  uint32_t version = 0;
  std::wstring date;  // engine date-time text
  std::map<uint32_t, ThreatDef> threats;

  const ThreatDef* Find(uint32_t id) const {
    auto it = threats.find(id);
    return it == threats.end() ? nullptr : &it->second;
  }
};

// Parses a definitions text. On failure returns false and describes the fault
// (with its line number) in `error`; `out` is then unspecified.
bool ParseDefinitions(const std::string& text, Definitions& out, std::string& error);
// Writes a definitions text, checksum line included.
std::string SerializeDefinitions(const Definitions& defs);

bool LoadDefinitionsFile(const std::wstring& path, Definitions& out, std::string& error);

// The definitions built into the engine (used on first start).
Definitions BuiltInDefinitions();

// The 68-byte standard anti-virus test string, assembled at run time.
std::string EicarTestString();

// Compiled form of the rules for fast scanning of file contents.
class Matcher {
 public:
  explicit Matcher(const Definitions& defs);

  // Incremental scan of one file of a known size.
  class FileScan {
   public:
    FileScan(const Matcher& m, uint64_t fileSize);
    // Feeds the next bytes of the file; false once a threat has been found
    // (no more input is needed).
    bool Feed(const uint8_t* data, size_t size);
    // Finishes the file; returns the threat id found, 0 when none.
    uint32_t Finish();

   private:
    bool ScanWindow(bool final);
    const Matcher& m_;
    uint64_t size_;
    std::vector<uint8_t> buf_;
    size_t have_ = 0;
    uint64_t base_ = 0;  // file offset of buf_[0]
    bool hashing_ = false;
    Sha256 sha_;
    uint32_t found_ = 0;
  };

  uint32_t ScanBuffer(const void* data, size_t size) const;
  size_t MaxPatternLength() const { return maxLen_; }

 private:
  friend class FileScan;
  struct Rule {
    uint32_t threat;
    std::string bytes;
    int64_t offset;
    uint64_t maxSize;
  };
  std::vector<Rule> floating_, anchored_;
  std::vector<uint64_t> prefixBits_;          // 65536 bits: first two bytes of a floating rule
  std::multimap<uint16_t, size_t> byPrefix_;  // first two bytes -> floating rule index
  std::multimap<uint64_t, std::pair<Digest, uint32_t>> hashes_;  // size -> hash, threat
  size_t maxLen_ = 4;
};

}  // namespace rre

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
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <vector>

#include "Archive.h"
#include "Md5Sha1.h"
#include "Sha256.h"
#include "Signatures.h"

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

struct DescribedThreats;

struct Definitions {
  uint32_t version = 0;
  std::wstring date;  // engine date-time text
  std::map<uint32_t, ThreatDef> threats;
  // Signatures read from other scanners' databases (see Signatures.h).
  std::shared_ptr<const SignatureSet> imported;
  std::shared_ptr<DescribedThreats> described;  // threats of `imported`, made on demand

  // Sets the imported signatures (null: none).
  void Import(std::shared_ptr<const SignatureSet> set);

  // The threat of an id: the own definitions', an imported signature's or the
  // scanner's own (archive bomb); nullptr when unknown.
  const ThreatDef* Find(uint32_t id) const;
};

// What the threat of an imported signature looks like to the user.
ThreatDef ImportedThreat(uint32_t id, const std::string& name);

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

// Threat the scanner itself reports for an archive member whose unpacked size
// is out of all proportion to its packed size (a decompression bomb).
constexpr uint32_t kArchiveBombThreat = 999999;

// Compiled form of the rules for fast scanning of file contents: body
// signatures are found through a multi-pattern index of a few fixed bytes of
// each (then checked in full); whole-file hashes cost one digest per file and
// kind, whatever their number.
class Matcher {
 public:
  explicit Matcher(const Definitions& defs);

  // Incremental scan of one file; `fileSize` may be kUnknownSize (a stream).
  class FileScan {
   public:
    FileScan(const Matcher& m, uint64_t fileSize);
    // Feeds the next bytes of the file; false once a threat has been found
    // (no more input is needed).
    bool Feed(const uint8_t* data, size_t size);
    // Finishes the file; returns the threat id found, 0 when none.
    uint32_t Finish();

   private:
    void Process(bool final);
    void OnAnchor(uint32_t anchor, size_t at);
    void Hit(const BodySig& s);
    uint32_t FromEnd() const;
    uint32_t ByHash() const;
    const Matcher& m_matcher;
    uint64_t m_size;
    std::vector<uint8_t> m_buf;
    size_t m_have = 0, m_next = 0;  // bytes held; next position to look at
    uint64_t m_base = 0;            // file offset of m_buf[0]
    uint64_t m_total = 0;           // bytes fed
    bool m_md5On = false, m_sha1On = false, m_sha256On = false;
    Md5 m_md5;
    Sha1 m_sha1;
    Sha256 m_sha256;
    Md5Digest m_md5Sum{};
    Sha1Digest m_sha1Sum{};
    Digest m_sha256Sum{};
    std::vector<uint8_t> m_tail;  // the last bytes, for end-relative signatures
    size_t m_tailAt = 0;          // ring position
    std::unordered_map<uint32_t, std::pair<uint32_t, uint64_t>>
        m_progress;                                      // sig -> segment, earliest start
    std::vector<std::pair<uint32_t, uint64_t>> m_sized;  // hits waiting for the size: threat, max
    uint32_t m_found = 0;
  };

  uint32_t ScanBuffer(const void* data, size_t size) const;

 private:
  friend class FileScan;
  struct Anchor {
    uint32_t sig;
    uint32_t segment;
    uint32_t offset;  // of the anchor bytes in the segment
    uint32_t len;     // 1 to 4
    uint8_t bytes[4];
  };
  void AddSig(const BodySig* s);

  std::vector<BodySig> m_own;
  std::shared_ptr<const SignatureSet> m_imported;
  std::vector<const BodySig*> m_sigs;
  std::vector<Anchor> m_anchors;
  std::vector<std::pair<uint32_t, uint32_t>> m_byKey;   // 4 anchor bytes -> anchor, sorted
  std::vector<uint64_t> m_bloom;                        // over the 4-byte keys
  std::vector<uint64_t> m_pairBits;                     // anchors of 2 or 3 bytes: first two
  std::vector<std::pair<uint32_t, uint32_t>> m_byPair;  // first two bytes -> anchor, sorted
  std::vector<std::vector<uint32_t>> m_byFirstByte;     // anchors of one byte
  bool m_havePairs = false, m_haveSingles = false;
  std::vector<uint32_t> m_fromEnd;  // signatures placed from the end
  size_t m_window = 4;              // longest bounded stretch
  size_t m_tailKeep = 0;
  std::vector<HashSig<32>> m_ownSha256;
  std::unordered_set<uint64_t> m_md5Sizes, m_sha1Sizes, m_sha256Sizes;
  bool m_md5Any = false, m_sha1Any = false, m_sha256Any = false;
};

}  // namespace rre

#pragma once
// Signature databases in the open text formats most scanners publish, read
// beside the engine's own definitions:
//
//   .hdb   MD5:size:Name                       whole-file MD5
//   .hsb   SHA1-or-SHA256:size:Name            whole-file SHA-1 / SHA-256
//   .mdb   size:MD5:Name                       PE section hashes (refused, counted)
//   .ndb   Name:Target:Offset:HexSignature     body signature
//
// A size of "*" matches any size. Optional trailing ":minLevel[:maxLevel]"
// fields are accepted and ignored. Body signature hex: byte pairs, "??" any
// byte, "a?"/"?a" half bytes, "*" any run, "{n}" exactly n bytes, "{n-}" at
// least n, "{-n}" at most n, "{n-m}" n to m. Offsets: "*" anywhere, "n" at n,
// "n,m" from n to n+m, "EOF-n" n bytes before the end. Target types other
// than 0 (any file), section- and entry-point-relative offsets, and the
// alternative "(aa|bb)" forms are skipped and counted.
//
// A database container (.cvd / .cld) is a 512-byte text header
// ("ClamAV-VDB:time:version:signatures:level:MD5:signature:builder:seconds")
// followed by a gzip-compressed (or plain) tar of such files. The MD5 of
// everything after the header is checked; the publisher's digital signature is
// not (no key is shipped).
//
// Lines that cannot be read are skipped and counted, never fatal.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace rre {

// Where a body signature may start.
struct SigOffset {
  enum Kind { kAnywhere, kAt, kFromEnd } kind = kAnywhere;
  uint64_t value = 0;  // kAt: start; kFromEnd: bytes before the end
  uint64_t shift = 0;  // the start may lie up to this many bytes later
};

// A run of bytes of fixed length; `mask` says which bits must match (0xFF a
// whole byte, 0x00 none, 0xF0 / 0x0F one half). `bytes` is stored masked.
struct SigPart {
  std::string bytes, mask;
};

// Parts joined by gaps of bounded length ("{n}", "{n-m}", "{-n}").
struct SigSegment {
  std::vector<SigPart> parts;
  std::vector<std::pair<uint32_t, uint32_t>> gaps;  // before parts[1..]: min, max
  uint32_t minGapBefore = 0;                        // after the previous segment ("*" 0, "{n-}" n)
  uint32_t span = 0;                                // longest length a match can have
};

struct BodySig {
  uint32_t threat = 0;
  SigOffset offset;
  uint64_t maxFileSize = UINT64_MAX;  // only files up to this size
  std::vector<SigSegment> segments;   // joined by unbounded gaps
};

// Parses the hex part of a body signature; on failure `error` says why.
bool ParseHexSignature(const std::string& hex, std::vector<SigSegment>& out, std::string& error);
// Parses "*", "n", "n,m", "EOF-n", "EOF-n,m". False for the forms not supported.
bool ParseSigOffset(const std::string& text, SigOffset& out);

enum class HashKind : uint8_t { kMd5, kSha1, kSha256 };

constexpr uint64_t kAnySize = UINT64_MAX;

template <size_t N>
struct HashSig {
  std::array<uint8_t, N> digest;
  uint64_t size;  // kAnySize: any
  uint32_t threat;
};

// What loading signature files found, for the engine's trace and the tests.
struct SignatureReport {
  uint64_t hashes = 0, bodies = 0;
  uint64_t skippedLines = 0;       // malformed
  uint64_t unsupportedLines = 0;   // valid but not handled (targets, PE section hashes, ...)
  std::vector<std::string> notes;  // one line per file or fault worth telling
};

// Signatures imported from databases. Threat ids are derived from the names,
// so they stay the same across reloads and updates (the ignore list keeps ids).
class SignatureSet {
 public:
  // Adds the lines of one database file; `fileName` decides its format by
  // its extension (.hdb .hsb .mdb .ndb, also .hdu .hsu .ndu). Unknown
  // extensions are ignored (false).
  bool AddDatabase(const std::string& fileName, const std::string& text, SignatureReport& report);
  // Adds every database inside a .cvd / .cld container. False when the
  // container itself is unreadable (bad header, checksum, archive).
  bool AddContainer(const std::string& fileName, const std::string& bytes, SignatureReport& report);

  // The name behind an id of this set, empty when unknown.
  std::string NameOf(uint32_t threat) const;
  // Id of a name; reserves one when new. Ids come from a hash of the name in
  // 0x40000000..0x7FFFFFFF, moving on past ids already taken.
  uint32_t IdFor(const std::string& name);
  // Ids the engine's own definitions use: never given to a name.
  void Reserve(uint32_t id) { m_taken[id] = UINT32_MAX; }

  std::vector<HashSig<16>> md5;
  std::vector<HashSig<20>> sha1;
  std::vector<HashSig<32>> sha256;
  std::vector<BodySig> bodies;

 private:
  bool AddHashLine(const std::string& line, bool sectionHashes, SignatureReport& report);
  bool AddBodyLine(const std::string& line, SignatureReport& report);

  std::string m_names;                                    // NUL-separated
  std::unordered_map<uint32_t, uint32_t> m_taken;         // id -> offset in m_names
  std::unordered_map<uint64_t, uint32_t> m_idByNameHash;  // 64-bit name hash -> id
};

// Container header fields.
struct ContainerHeader {
  std::string built;  // build time text
  uint32_t version = 0, signatures = 0, level = 0;
  std::string md5;  // hex, of everything after the header
  std::string builder;
};
bool ParseContainerHeader(const std::string& bytes, ContainerHeader& out, std::string& error);
// True when the name has a signature database extension this engine reads.
bool IsSignatureFileName(const std::wstring& name);

// Reads every signature database and container in a folder (not below it),
// in name order. Null when the folder holds none that could be read.
std::shared_ptr<SignatureSet> LoadSignatureFolder(const std::wstring& folder,
                                                  SignatureReport& report);

}  // namespace rre

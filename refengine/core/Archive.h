#pragma once
// Streaming readers of the archive formats the scanner looks into: ZIP
// (stored and deflate members), gzip and tar. Everything is read front to
// back once, through small buffers, so nesting and size never cost memory:
// a member is a byte stream handed to the caller while the archive is read.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rre {

constexpr uint64_t kUnknownSize = UINT64_MAX;

class Source {
 public:
  virtual ~Source() = default;
  // Reads up to n bytes; 0 at the end (or on a read fault).
  virtual size_t Read(uint8_t* out, size_t n) = 0;
};

class MemorySource : public Source {
 public:
  MemorySource(const void* data, size_t size)
      : m_p(static_cast<const uint8_t*>(data)), m_left(size) {}
  size_t Read(uint8_t* out, size_t n) override;

 private:
  const uint8_t* m_p;
  size_t m_left;
};

// Reads an open file up to the size it had when opened.
class FileSource : public Source {
 public:
  FileSource(HANDLE h, uint64_t size) : m_h(h), m_left(size) {}
  size_t Read(uint8_t* out, size_t n) override;
  DWORD error = 0;  // the system error that ended reading early

 private:
  HANDLE m_h;
  uint64_t m_left;
};

// A buffered reader over a source. `tee` sees every byte taken from the
// source, once and in order (the scan of an archive's own bytes).
class Reader {
 public:
  explicit Reader(Source& s, std::function<void(const uint8_t*, size_t)> tee = {},
                  size_t bufferSize = 64 * 1024);
  // Makes at least n bytes available if the source has them (n <= buffer size);
  // returns the count available.
  size_t Fill(size_t n);
  const uint8_t* Data() const { return m_buf.get() + m_pos; }
  size_t Available() const { return m_end - m_pos; }
  void Consume(size_t n) { m_pos += n; }
  bool ReadExact(void* out, size_t n);
  // Skips n bytes; returns how many there were.
  uint64_t Skip(uint64_t n);
  // Reads everything left (so that `tee` sees it).
  void Drain();

 private:
  Source& m_src;
  std::function<void(const uint8_t*, size_t)> m_tee;
  std::unique_ptr<uint8_t[]> m_buf;  // not cleared: only what was read is used
  size_t m_size, m_pos = 0, m_end = 0;
};

// What bounds the unpacking of one scanned file.
struct UnpackBudget {
  uint64_t left = 0;  // unpacked bytes still allowed
  bool exhausted = false;
};

// The unpacked bytes of one member. Its flags tell why it ended early.
class MemberStream : public Source {
 public:
  bool overRatio = false;  // unpacked : packed went over the bomb limit
  bool cut = false;        // the unpack budget ran out
};

// One member of an archive.
struct Member {
  std::string name;              // as the archive stores it (UTF-8 when it says so)
  uint64_t size = kUnknownSize;  // unpacked size, when the archive says
  uint64_t packedSize = kUnknownSize;
  MemberStream* data = nullptr;
};

enum class ArchiveFormat { kNone, kZip, kGzip, kTar };
// Recognises an archive by its first bytes (512 are enough).
ArchiveFormat SniffArchive(const uint8_t* head, size_t size);

struct RatioLimit {
  uint64_t minSize = 1ull << 20;  // members up to this size are never judged
  uint64_t ratio = 1000;          // unpacked : packed above this is a bomb
};

// Calls `each` for every member in order; stops when it returns false, at the
// end of the archive or on a fault. `outerName` names a gzip member when the
// gzip header does not ("a.tar.gz" gives "a.tar").
void ForEachMember(ArchiveFormat format, Reader& r, const std::string& outerName,
                   UnpackBudget& budget, const RatioLimit& ratio,
                   const std::function<bool(Member&)>& each);

// The members of a (gzip-compressed or plain) tar held in memory, up to
// `maxTotal` unpacked bytes. False when it is neither or is damaged.
bool ReadTarFiles(const std::string& bytes, uint64_t maxTotal,
                  std::vector<std::pair<std::string, std::string>>& files);

}  // namespace rre

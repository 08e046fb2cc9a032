#include "Archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace rre {
namespace {

uint32_t Le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }
uint64_t Le64(const uint8_t* p) { return uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32; }

// Member bytes stored as they are (ZIP stored, tar).
class StoredStream : public MemberStream {
 public:
  StoredStream(Reader& r, uint64_t size, UnpackBudget& budget)
      : m_r(r), m_left(size), m_budget(budget) {}
  size_t Read(uint8_t* out, size_t n) override {
    if (!m_left) return 0;
    if (!m_budget.left) {
      cut = m_budget.exhausted = true;
      return 0;
    }
    size_t avail = m_r.Fill(1);
    size_t k = size_t(std::min<uint64_t>({n, m_left, m_budget.left, avail}));
    memcpy(out, m_r.Data(), k);
    m_r.Consume(k);
    m_left -= k;
    m_budget.left -= k;
    return k;
  }
  uint64_t Left() const { return m_left; }

 private:
  Reader& m_r;
  uint64_t m_left;
  UnpackBudget& m_budget;
};

// A raw deflate stream read from the reader, taking no more than `packed`
// bytes of it (kUnknownSize: up to the stream's own end).
class InflateStream : public MemberStream {
 public:
  InflateStream(Reader& r, uint64_t packed, UnpackBudget& budget, const RatioLimit& limit)
      : m_r(r), m_packedLeft(packed), m_budget(budget), m_limit(limit) {
    m_ok = inflateInit2(&m_z, -MAX_WBITS) == Z_OK;
  }
  ~InflateStream() override {
    if (m_ok) inflateEnd(&m_z);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  size_t Read(uint8_t* out, size_t n) override {
    if (!m_ok || m_done || overRatio) return 0;
    if (!m_budget.left) {
      cut = m_budget.exhausted = true;
      return 0;
    }
    n = size_t(std::min<uint64_t>(n, m_budget.left));
    size_t produced = 0;
    while (produced == 0) {
      size_t avail = std::min<uint64_t>(m_r.Fill(1), m_packedLeft);
      m_z.next_in = const_cast<Bytef*>(m_r.Data());
      m_z.avail_in = uInt(avail);
      m_z.next_out = out;
      m_z.avail_out = uInt(n);
      int ret = inflate(&m_z, Z_NO_FLUSH);
      size_t used = avail - m_z.avail_in;
      m_r.Consume(used);
      if (m_packedLeft != kUnknownSize) m_packedLeft -= used;
      m_packedIn += used;
      produced = n - m_z.avail_out;
      if (ret == Z_STREAM_END) {
        m_done = true;
        break;
      }
      if (ret != Z_OK && !(ret == Z_BUF_ERROR && (used || produced))) {
        m_ok = false;  // damaged data or no more input
        break;
      }
    }
    m_unpacked += produced;
    m_budget.left -= produced;
    if (m_unpacked > m_limit.minSize &&
        m_unpacked / m_limit.ratio >= std::max<uint64_t>(m_packedIn, 1))
      overRatio = true;
    return produced;
  }
  bool Done() const { return m_done; }
  uint64_t PackedLeft() const { return m_packedLeft; }

 private:
  Reader& m_r;
  uint64_t m_packedLeft;
  UnpackBudget& m_budget;
  const RatioLimit& m_limit;
  z_stream m_z{};
  bool m_ok = false, m_done = false;
  uint64_t m_packedIn = 0, m_unpacked = 0;
};

bool ReadString(Reader& r, size_t n, std::string& out) {
  out.resize(n);
  return r.ReadExact(out.data(), n);
}

void Zip(Reader& r, UnpackBudget& budget, const RatioLimit& ratio,
         const std::function<bool(Member&)>& each) {
  for (;;) {
    if (r.Fill(30) < 30 || Le32(r.Data()) != 0x04034b50) return;  // central directory or junk
    const uint8_t* h = r.Data();
    uint32_t flags = Le16(h + 6), method = Le16(h + 8);
    uint64_t packed = Le32(h + 18), size = Le32(h + 22);
    size_t nameLen = Le16(h + 26), extraLen = Le16(h + 28);
    r.Consume(30);
    Member m;
    std::string extra;
    if (!ReadString(r, nameLen, m.name) || !ReadString(r, extraLen, extra)) return;
    bool zip64 = false;
    for (size_t i = 0; i + 4 <= extra.size();) {
      auto p = reinterpret_cast<const uint8_t*>(extra.data()) + i;
      size_t id = Le16(p), len = Le16(p + 2);
      if (i + 4 + len > extra.size()) break;
      if (id == 1) {
        zip64 = true;
        size_t at = 4;
        if (size == 0xFFFFFFFF && at + 8 <= 4 + len) size = Le64(p + at), at += 8;
        if (packed == 0xFFFFFFFF && at + 8 <= 4 + len) packed = Le64(p + at);
      }
      i += 4 + len;
    }
    bool described = flags & 8;  // sizes follow the data
    bool readable = !(flags & 1) && (method == 0 || method == 8);
    if (described && (method != 8 || !readable)) return;  // its end cannot be found
    if (!readable || (!m.name.empty() && m.name.back() == '/')) {
      if (r.Skip(packed) != packed) return;
      continue;
    }
    m.size = described ? kUnknownSize : size;
    m.packedSize = described ? kUnknownSize : packed;
    if (method == 0) {
      StoredStream s(r, packed, budget);
      m.data = &s;
      if (!each(m) || budget.exhausted) return;
      if (r.Skip(s.Left()) != s.Left()) return;
    } else {
      InflateStream z(r, described ? kUnknownSize : packed, budget, ratio);
      m.data = &z;
      if (!each(m) || budget.exhausted) return;
      if (described) {
        if (!z.Done()) return;
        if (r.Fill(4) >= 4 && Le32(r.Data()) == 0x08074b50) r.Consume(4);
        r.Skip(zip64 ? 20 : 12);
      } else if (r.Skip(z.PackedLeft()) != z.PackedLeft()) {
        return;
      }
    }
  }
}

std::string GzipMemberName(const std::string& outer) {
  std::string lower = outer;
  for (auto& c : lower) c = char(tolower(uint8_t(c)));
  auto ends = [&lower](const char* s) {
    size_t n = strlen(s);
    return lower.size() > n && lower.compare(lower.size() - n, n, s) == 0;
  };
  if (ends(".tgz")) return outer.substr(0, outer.size() - 4) + ".tar";
  if (ends(".gz")) return outer.substr(0, outer.size() - 3);
  if (ends("_gz") || ends("-gz")) return outer.substr(0, outer.size() - 3);
  return outer;
}

void Gzip(Reader& r, const std::string& outerName, UnpackBudget& budget, const RatioLimit& ratio,
          const std::function<bool(Member&)>& each) {
  if (r.Fill(10) < 10) return;
  const uint8_t* h = r.Data();
  if (h[0] != 0x1f || h[1] != 0x8b || h[2] != 8) return;
  uint32_t flags = h[3];
  r.Consume(10);
  Member m;
  if (flags & 4) {
    if (r.Fill(2) < 2) return;
    size_t len = Le16(r.Data());
    r.Consume(2);
    if (r.Skip(len) != len) return;
  }
  auto zeroEnded = [&r](std::string* out) {
    for (size_t n = 0; n < 65536; ++n) {
      if (!r.Fill(1)) return false;
      char c = char(*r.Data());
      r.Consume(1);
      if (!c) return true;
      if (out) *out += c;
    }
    return false;
  };
  if ((flags & 8) && !zeroEnded(&m.name)) return;
  if ((flags & 16) && !zeroEnded(nullptr)) return;
  if ((flags & 2) && r.Skip(2) != 2) return;
  // Only the base name: a stored path says nothing about this file.
  size_t slash = m.name.find_last_of("/\\");
  if (slash != std::string::npos) m.name.erase(0, slash + 1);
  if (m.name.empty()) m.name = GzipMemberName(outerName);
  InflateStream z(r, kUnknownSize, budget, ratio);
  m.data = &z;
  each(m);
}

bool TarChecksumOk(const uint8_t* h) {
  uint64_t want = 0;
  bool digits = false;
  for (int i = 148; i < 156; ++i) {
    if (h[i] >= '0' && h[i] <= '7') {
      want = want * 8 + (h[i] - '0');
      digits = true;
    } else if (digits || (h[i] != ' ' && h[i] != 0)) {
      break;
    }
  }
  if (!digits) return false;
  uint64_t sum = 0;
  int64_t signedSum = 0;
  for (int i = 0; i < 512; ++i) {
    uint8_t c = i >= 148 && i < 156 ? ' ' : h[i];
    sum += c;
    signedSum += int8_t(c);
  }
  return sum == want || uint64_t(signedSum) == want;
}

bool TarNumber(const uint8_t* p, size_t n, uint64_t& v) {
  v = 0;
  if (p[0] & 0x80) {  // base-256
    for (size_t i = 1; i < n; ++i) {
      if (v >> 56) return false;
      v = v << 8 | p[i];
    }
    return !(p[0] & 0x40);
  }
  size_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  bool any = false;
  for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i, any = true) v = v * 8 + (p[i] - '0');
  return any || p[0] == 0;
}

std::string TarField(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p),
                     strnlen(reinterpret_cast<const char*>(p), n));
}

// The "path" record of a pax extended header ("<len> path=<value>\n").
std::string PaxPath(const std::string& pax) {
  for (size_t pos = 0; pos < pax.size();) {
    size_t sp = pax.find(' ', pos);
    if (sp == std::string::npos) break;
    size_t len = strtoull(pax.c_str() + pos, nullptr, 10);
    if (!len || pos + len > pax.size()) break;
    std::string rec = pax.substr(sp + 1, pos + len - sp - 1);
    if (rec.rfind("path=", 0) == 0) {
      rec.erase(0, 5);
      if (!rec.empty() && rec.back() == '\n') rec.pop_back();
      return rec;
    }
    pos += len;
  }
  return {};
}

void Tar(Reader& r, UnpackBudget& budget, const std::function<bool(Member&)>& each) {
  std::string longName;
  uint8_t h[512];
  while (r.ReadExact(h, 512)) {
    if (std::all_of(h, h + 512, [](uint8_t c) { return c == 0; })) return;
    uint64_t size;
    if (!TarChecksumOk(h) || !TarNumber(h + 124, 12, size)) return;
    uint64_t padding = (512 - size % 512) % 512;
    char type = char(h[156]);
    if (type == 'L' || type == 'x') {
      std::string text;
      if (size > 1 << 20 || !ReadString(r, size_t(size), text) || r.Skip(padding) != padding)
        return;
      longName = type == 'L' ? TarField(reinterpret_cast<const uint8_t*>(text.data()), text.size())
                             : PaxPath(text);
      continue;
    }
    Member m;
    if (!longName.empty()) {
      m.name = std::move(longName);
      longName.clear();
    } else {
      std::string prefix = memcmp(h + 257, "ustar", 5) == 0 ? TarField(h + 345, 155) : "";
      m.name = (prefix.empty() ? "" : prefix + "/") + TarField(h, 100);
    }
    bool file =
        (type == '0' || type == 0 || type == '7') && !(m.name.size() && m.name.back() == '/');
    if (!file) {
      if (r.Skip(size + padding) != size + padding) return;
      continue;
    }
    StoredStream s(r, size, budget);
    m.size = m.packedSize = size;
    m.data = &s;
    if (!each(m) || budget.exhausted) return;
    uint64_t rest = s.Left() + padding;
    if (r.Skip(rest) != rest) return;
  }
}

}  // namespace

size_t MemorySource::Read(uint8_t* out, size_t n) {
  n = std::min(n, m_left);
  memcpy(out, m_p, n);
  m_p += n;
  m_left -= n;
  return n;
}

size_t FileSource::Read(uint8_t* out, size_t n) {
  DWORD want = DWORD(std::min<uint64_t>({n, m_left, 1u << 30})), got = 0;
  if (!want) return 0;
  if (!ReadFile(m_h, out, want, &got, nullptr)) {
    error = GetLastError();
    return 0;
  }
  m_left -= got;
  return got;
}

Reader::Reader(Source& s, std::function<void(const uint8_t*, size_t)> tee, size_t bufferSize)
    : m_src(s),
      m_tee(std::move(tee)),
      m_buf(std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(bufferSize, 1024))),
      m_size(std::max<size_t>(bufferSize, 1024)) {}

size_t Reader::Fill(size_t n) {
  n = std::min(n, m_size);
  if (m_end - m_pos >= n) return m_end - m_pos;
  memmove(m_buf.get(), m_buf.get() + m_pos, m_end - m_pos);
  m_end -= m_pos;
  m_pos = 0;
  while (m_end < n) {
    size_t got = m_src.Read(m_buf.get() + m_end, m_size - m_end);
    if (!got) break;
    if (m_tee) m_tee(m_buf.get() + m_end, got);
    m_end += got;
  }
  return m_end - m_pos;
}

bool Reader::ReadExact(void* out, size_t n) {
  auto p = static_cast<uint8_t*>(out);
  while (n) {
    size_t avail = Fill(1);
    if (!avail) return false;
    size_t k = std::min(n, avail);
    memcpy(p, Data(), k);
    Consume(k);
    p += k;
    n -= k;
  }
  return true;
}

uint64_t Reader::Skip(uint64_t n) {
  uint64_t done = 0;
  while (done < n) {
    size_t avail = Fill(1);
    if (!avail) break;
    size_t k = size_t(std::min<uint64_t>(n - done, avail));
    Consume(k);
    done += k;
  }
  return done;
}

void Reader::Drain() {
  while (Fill(1)) Consume(Available());
}

ArchiveFormat SniffArchive(const uint8_t* h, size_t n) {
  if (n >= 4 && Le32(h) == 0x04034b50) return ArchiveFormat::kZip;
  if (n >= 3 && h[0] == 0x1f && h[1] == 0x8b && h[2] == 8) return ArchiveFormat::kGzip;
  if (n >= 512 && memcmp(h + 257, "ustar", 5) == 0 && TarChecksumOk(h)) return ArchiveFormat::kTar;
  return ArchiveFormat::kNone;
}

void ForEachMember(ArchiveFormat format, Reader& r, const std::string& outerName,
                   UnpackBudget& budget, const RatioLimit& ratio,
                   const std::function<bool(Member&)>& each) {
  switch (format) {
    case ArchiveFormat::kZip:
      return Zip(r, budget, ratio, each);
    case ArchiveFormat::kGzip:
      return Gzip(r, outerName, budget, ratio, each);
    case ArchiveFormat::kTar:
      return Tar(r, budget, each);
    case ArchiveFormat::kNone:
      return;
  }
}

bool ReadTarFiles(const std::string& bytes, uint64_t maxTotal,
                  std::vector<std::pair<std::string, std::string>>& files) {
  files.clear();
  UnpackBudget budget{maxTotal};
  RatioLimit noRatio{UINT64_MAX, UINT64_MAX};
  bool ok = true;
  auto collect = [&](Member& m) {
    std::string data;
    uint8_t buf[16384];
    while (size_t got = m.data->Read(buf, sizeof buf))
      data.append(reinterpret_cast<char*>(buf), got);
    if (m.data->cut || (m.size != kUnknownSize && data.size() != m.size)) return ok = false;
    files.emplace_back(m.name, std::move(data));
    return true;
  };
  MemorySource src(bytes.data(), bytes.size());
  Reader r(src);
  size_t n = r.Fill(512);
  ArchiveFormat f = SniffArchive(r.Data(), n);
  if (f == ArchiveFormat::kTar) {
    Tar(r, budget, collect);
  } else if (f == ArchiveFormat::kGzip) {
    bool unpacked = false;
    Gzip(r, "", budget, noRatio, [&](Member& gz) {
      Reader inner(*gz.data);
      size_t k = inner.Fill(512);
      if (SniffArchive(inner.Data(), k) != ArchiveFormat::kTar) return ok = false;
      Tar(inner, budget, collect);
      unpacked = true;
      return true;
    });
    ok = ok && unpacked;
  } else {
    return false;
  }
  return ok && !files.empty();
}

}  // namespace rre

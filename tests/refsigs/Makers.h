#pragma once
// Builds the archives and signature containers the tests scan: ZIP (stored,
// deflate, with data descriptors, zip64 sizes), gzip, tar, and the 512-byte
// header container around a tar.gz.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Md5Sha1.h"
#include "Sha256.h"

namespace maker {

inline void Put16(std::string& s, uint32_t v) {
  s += char(v & 0xFF);
  s += char(v >> 8 & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
inline void Put64(std::string& s, uint64_t v) {
  Put32(s, uint32_t(v));
  Put32(s, uint32_t(v >> 32));
}

// Raw deflate (no zlib or gzip wrapper).
inline std::string Deflate(const std::string& data, int level = 9) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, uLong(data.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = uInt(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = uInt(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline uint32_t Crc(const std::string& data) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

struct ZipEntry {
  std::string name, data;
  int method = 8;           // 0 stored, 8 deflate, anything else written stored but labelled so
  bool descriptor = false;  // sizes after the data
  bool encrypted = false;
};

// A ZIP with a central directory; `extraCentral` more central entries all
// pointing at the first local header (overlapping entries).
inline std::string Zip(const std::vector<ZipEntry>& entries, int extraCentral = 0) {
  std::string out, central;
  std::vector<uint32_t> offsets;
  for (const auto& e : entries) {
    std::string body = e.method == 8 ? Deflate(e.data) : e.data;
    uint32_t crc = Crc(e.data);
    offsets.push_back(uint32_t(out.size()));
    auto header = [&](std::string& s, bool centralEntry) {
      Put32(s, centralEntry ? 0x02014b50 : 0x04034b50);
      if (centralEntry) Put16(s, 20);
      Put16(s, 20);
      Put16(s, (e.descriptor ? 8 : 0) | (e.encrypted ? 1 : 0));
      Put16(s, uint32_t(e.method));
      Put32(s, 0);  // time, date
      bool hide = e.descriptor && !centralEntry;
      Put32(s, hide ? 0 : crc);
      Put32(s, hide ? 0 : uint32_t(body.size()));
      Put32(s, hide ? 0 : uint32_t(e.data.size()));
      Put16(s, uint32_t(e.name.size()));
      Put16(s, 0);
      if (centralEntry) {
        Put16(s, 0);
        Put16(s, 0);
        Put16(s, 0);
        Put32(s, 0);
        Put32(s, offsets.back());
      }
      s += e.name;
    };
    header(out, false);
    out += body;
    if (e.descriptor) {
      Put32(out, 0x08074b50);
      Put32(out, crc);
      Put32(out, uint32_t(body.size()));
      Put32(out, uint32_t(e.data.size()));
    }
    header(central, true);
  }
  for (int i = 0; i < extraCentral && !entries.empty(); ++i) {
    std::string copy = central.substr(0, 46 + entries[0].name.size());
    central += copy;
  }
  uint32_t cdAt = uint32_t(out.size());
  out += central;
  uint32_t count = uint32_t(entries.size() + size_t(extraCentral));
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count);
  Put16(out, count);
  Put32(out, uint32_t(central.size()));
  Put32(out, cdAt);
  Put16(out, 0);
  return out;
}

inline std::string Gzip(const std::string& data, const std::string& name = "") {
  std::string out = "\x1f\x8b\x08";
  out += char(name.empty() ? 0 : 8);
  Put32(out, 0);
  out += '\0';
  out += '\3';
  if (!name.empty()) out += name + '\0';
  out += Deflate(data);
  Put32(out, Crc(data));
  Put32(out, uint32_t(data.size()));
  return out;
}

inline std::string TarHeader(const std::string& name, uint64_t size, char type) {
  std::string h(512, '\0');
  memcpy(h.data(), name.data(), std::min<size_t>(name.size(), 99));
  snprintf(h.data() + 100, 8, "%07o", 0644);
  snprintf(h.data() + 108, 8, "%07o", 0);
  snprintf(h.data() + 116, 8, "%07o", 0);
  snprintf(h.data() + 124, 12, "%011llo", static_cast<unsigned long long>(size));
  snprintf(h.data() + 136, 12, "%011o", 0);
  h[156] = type;
  memcpy(h.data() + 257,
         "ustar\0"
         "00",
         8);
  memset(h.data() + 148, ' ', 8);
  unsigned sum = 0;
  for (unsigned char c : h) sum += c;
  snprintf(h.data() + 148, 8, "%06o", sum);
  h[155] = ' ';
  return h;
}

inline void TarPad(std::string& s) { s.append((512 - s.size() % 512) % 512, '\0'); }

// A ustar archive; names longer than 99 bytes use a GNU long-name record.
inline std::string Tar(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out;
  for (const auto& [name, data] : files) {
    if (name.size() > 99) {
      out += TarHeader("././@LongLink", name.size() + 1, 'L');
      out += name + '\0';
      TarPad(out);
    }
    out += TarHeader(name, data.size(), '0');
    out += data;
    TarPad(out);
  }
  out.append(1024, '\0');
  return out;
}

// A signature container: header, then `body` (a tar, gzip-compressed or not).
inline std::string Container(const std::string& body, uint32_t version) {
  rre::Md5Digest sum = rre::Md5::Of(body.data(), body.size());
  std::string head = "ClamAV-VDB:10 Dec 2026 00-00 +0000:" + std::to_string(version) +
                     ":3:90:" + rre::ToHex(sum.data(), sum.size()) +
                     ":nosignature:tests:1765324800";
  head.resize(512, ' ');
  return head + body;
}

}  // namespace maker

#include "Md5Sha1.h"

#include <algorithm>
#include <cstring>

namespace rre {
namespace {

inline uint32_t Rol(uint32_t x, int n) { return x << n | x >> (32 - n); }

// Shared buffering of the 64-byte-block digests; `len` is appended in the
// byte order the digest wants.
template <class H>
void Absorb(H& h, uint8_t* buf, size_t& used, uint64_t& total, const void* data, size_t size) {
  auto p = static_cast<const uint8_t*>(data);
  total += size;
  if (used) {
    size_t take = std::min(size, 64 - used);
    memcpy(buf + used, p, take);
    used += take;
    p += take;
    size -= take;
    if (used < 64) return;
    h.Block(buf);
    used = 0;
  }
  for (; size >= 64; p += 64, size -= 64) h.Block(p);
  memcpy(buf, p, size);
  used = size;
}

template <class H>
void Pad(H& h, uint8_t* buf, size_t& used, uint64_t total, bool bigEndian) {
  uint64_t bits = total * 8;
  buf[used++] = 0x80;
  if (used > 56) {
    memset(buf + used, 0, 64 - used);
    h.Block(buf);
    used = 0;
  }
  memset(buf + used, 0, 56 - used);
  for (int i = 0; i < 8; ++i) buf[56 + i] = uint8_t(bits >> (bigEndian ? 56 - 8 * i : 8 * i));
  h.Block(buf);
  used = 0;
}

constexpr uint32_t kMd5K[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
constexpr int kMd5S[16] = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

}  // namespace

Md5::Md5() : m_h{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Block(const uint8_t* p) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i)
    m[i] = uint32_t(p[4 * i]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i + 2]) << 16 |
           uint32_t(p[4 * i + 3]) << 24;
  uint32_t a = m_h[0], b = m_h[1], c = m_h[2], d = m_h[3];
  // One loop per round, so that each unrolls without branches.
  auto step = [&](uint32_t f, int i, int g, int shift) {
    uint32_t t = d;
    d = c;
    c = b;
    b = b + Rol(a + f + kMd5K[i] + m[g], shift);
    a = t;
  };
  for (int i = 0; i < 16; ++i) step((b & c) | (~b & d), i, i, kMd5S[i & 3]);
  for (int i = 16; i < 32; ++i) step((d & b) | (~d & c), i, (5 * i + 1) & 15, kMd5S[4 + (i & 3)]);
  for (int i = 32; i < 48; ++i) step(b ^ c ^ d, i, (3 * i + 5) & 15, kMd5S[8 + (i & 3)]);
  for (int i = 48; i < 64; ++i) step(c ^ (b | ~d), i, (7 * i) & 15, kMd5S[12 + (i & 3)]);
  m_h[0] += a;
  m_h[1] += b;
  m_h[2] += c;
  m_h[3] += d;
}

void Md5::Update(const void* data, size_t size) {
  Absorb(*this, m_buf, m_used, m_total, data, size);
}

Md5Digest Md5::Finish() {
  Pad(*this, m_buf, m_used, m_total, false);
  Md5Digest out;
  for (int i = 0; i < 16; ++i) out[i] = uint8_t(m_h[i / 4] >> (8 * (i % 4)));
  return out;
}

Md5Digest Md5::Of(const void* data, size_t size) {
  Md5 m;
  m.Update(data, size);
  return m.Finish();
}

Sha1::Sha1() : m_h{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0} {}

void Sha1::Block(const uint8_t* p) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i)
    w[i] = uint32_t(p[4 * i]) << 24 | uint32_t(p[4 * i + 1]) << 16 | uint32_t(p[4 * i + 2]) << 8 |
           uint32_t(p[4 * i + 3]);
  for (int i = 16; i < 80; ++i) w[i] = Rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  uint32_t a = m_h[0], b = m_h[1], c = m_h[2], d = m_h[3], e = m_h[4];
  auto step = [&](uint32_t f, uint32_t k, uint32_t w) {
    uint32_t t = Rol(a, 5) + f + e + k + w;
    e = d;
    d = c;
    c = Rol(b, 30);
    b = a;
    a = t;
  };
  for (int i = 0; i < 20; ++i) step((b & c) | (~b & d), 0x5A827999, w[i]);
  for (int i = 20; i < 40; ++i) step(b ^ c ^ d, 0x6ED9EBA1, w[i]);
  for (int i = 40; i < 60; ++i) step((b & c) | (b & d) | (c & d), 0x8F1BBCDC, w[i]);
  for (int i = 60; i < 80; ++i) step(b ^ c ^ d, 0xCA62C1D6, w[i]);
  m_h[0] += a;
  m_h[1] += b;
  m_h[2] += c;
  m_h[3] += d;
  m_h[4] += e;
}

void Sha1::Update(const void* data, size_t size) {
  Absorb(*this, m_buf, m_used, m_total, data, size);
}

Sha1Digest Sha1::Finish() {
  Pad(*this, m_buf, m_used, m_total, true);
  Sha1Digest out;
  for (int i = 0; i < 20; ++i) out[i] = uint8_t(m_h[i / 4] >> (24 - 8 * (i % 4)));
  return out;
}

Sha1Digest Sha1::Of(const void* data, size_t size) {
  Sha1 s;
  s.Update(data, size);
  return s.Finish();
}

}  // namespace rre

#pragma once
// MD5 (RFC 1321) and SHA-1 (FIPS 180-4), incremental. Signature databases of
// other scanners identify files by these digests; neither is used for trust.

#include <array>
#include <cstddef>
#include <cstdint>

namespace rre {

using Md5Digest = std::array<uint8_t, 16>;
using Sha1Digest = std::array<uint8_t, 20>;

class Md5 {
 public:
  Md5();
  void Update(const void* data, size_t size);
  Md5Digest Finish();
  static Md5Digest Of(const void* data, size_t size);
  void Block(const uint8_t* p);  // one 64-byte block (for the shared buffering)

 private:
  uint32_t m_h[4];
  uint8_t m_buf[64];
  size_t m_used = 0;
  uint64_t m_total = 0;
};

class Sha1 {
 public:
  Sha1();
  void Update(const void* data, size_t size);
  Sha1Digest Finish();
  static Sha1Digest Of(const void* data, size_t size);
  void Block(const uint8_t* p);  // one 64-byte block (for the shared buffering)

 private:
  uint32_t m_h[5];
  uint8_t m_buf[64];
  size_t m_used = 0;
  uint64_t m_total = 0;
};

}  // namespace rre

#pragma once
// SHA-256 (FIPS 180-4), incremental. Used to identify files by their content.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rre {

using Digest = std::array<uint8_t, 32>;

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  Digest Finish();

  static Digest Of(const void* data, size_t size);

 private:
  void Block(const uint8_t* p);
  uint32_t m_h[8];
  uint8_t m_buf[64];
  size_t m_used = 0;
  uint64_t m_total = 0;
};

std::string ToHex(const uint8_t* data, size_t size);
inline std::string ToHex(const Digest& d) { return ToHex(d.data(), d.size()); }
// Parses lower- or upper-case hex; false on odd length or a non-hex character.
bool FromHex(const std::string& text, std::string& bytes);

}  // namespace rre

#include "Vault.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "framework/Handles.h"

namespace rre {
namespace {

constexpr char kMagic[4] = {'R', 'R', 'Q', '1'};

struct Header {
  char magic[4];
  uint32_t seed;
  uint64_t size;
};

// xorshift64* key stream; only hides the bytes, it is not meant as a cipher.
struct KeyStream {
  uint64_t s;
  explicit KeyStream(uint32_t seed) : s(0x9E3779B97F4A7C15ull ^ seed) {}
  void Apply(uint8_t* p, size_t n, uint64_t& word, unsigned& left) {
    for (size_t i = 0; i < n; ++i) {
      if (!left) {
        s ^= s >> 12;
        s ^= s << 25;
        s ^= s >> 27;
        word = s * 0x2545F4914F6CDD1Dull;
        left = 8;
      }
      p[i] ^= uint8_t(word);
      word >>= 8;
      --left;
    }
  }
};

bool WriteAll(HANDLE h, const void* p, size_t n) {
  DWORD w = 0;
  return WriteFile(h, p, DWORD(n), &w, nullptr) && w == n;
}

}  // namespace

bool CreateFolders(const std::wstring& folder) {
  if (folder.empty()) return false;
  DWORD a = GetFileAttributesW(folder.c_str());
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t cut = folder.find_last_of(L"\\/", folder.size() - 2);
  if (cut != std::wstring::npos && cut > 2) CreateFolders(folder.substr(0, cut));
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool VaultStore(const std::wstring& source, const std::wstring& dataPath, Digest& hash,
                uint64_t& size, uint32_t& error) {
  UniqueFile in(CreateFileW(source.c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) return error = GetLastError(), false;
  UniqueFile out(CreateFileW(dataPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (!out) return error = GetLastError(), false;
  LARGE_INTEGER li{};
  GetFileSizeEx(in.get(), &li);
  Header hdr{};
  memcpy(hdr.magic, kMagic, 4);
  LARGE_INTEGER pc;
  QueryPerformanceCounter(&pc);
  hdr.seed = uint32_t(pc.QuadPart ^ GetCurrentThreadId() ^ uint64_t(li.QuadPart));
  hdr.size = uint64_t(li.QuadPart);
  bool ok = WriteAll(out.get(), &hdr, sizeof hdr);
  KeyStream ks(hdr.seed);
  uint64_t word = 0, total = 0;
  unsigned left = 0;
  Sha256 sha;
  std::vector<uint8_t> buf(64 * 1024);
  while (ok) {
    DWORD got = 0;
    if (!ReadFile(in.get(), buf.data(), DWORD(buf.size()), &got, nullptr)) {
      error = GetLastError();
      ok = false;
      break;
    }
    if (!got) break;
    sha.Update(buf.data(), got);
    total += got;
    ks.Apply(buf.data(), got, word, left);
    if (!WriteAll(out.get(), buf.data(), got)) error = GetLastError(), ok = false;
  }
  if (ok && total != hdr.size) {
    // The file changed while it was copied: record the size actually stored.
    hdr.size = total;
    SetFilePointer(out.get(), 0, nullptr, FILE_BEGIN);
    ok = WriteAll(out.get(), &hdr, sizeof hdr);
  }
  ok = ok && FlushFileBuffers(out.get());
  out.reset();
  if (!ok) {
    if (!error) error = ERROR_WRITE_FAULT;
    DeleteFileW(dataPath.c_str());
    return false;
  }
  hash = sha.Finish();
  size = total;
  return true;
}

bool VaultRestore(const std::wstring& dataPath, const std::wstring& target, const Digest* expected,
                  uint32_t& error) {
  UniqueFile in(CreateFileW(dataPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                        nullptr));
  if (!in) return error = GetLastError(), false;
  Header hdr{};
  DWORD got = 0;
  if (!ReadFile(in.get(), &hdr, sizeof hdr, &got, nullptr) || got != sizeof hdr ||
      memcmp(hdr.magic, kMagic, 4) != 0)
    return error = ERROR_FILE_CORRUPT, false;
  size_t cut = target.find_last_of(L"\\/");
  if (cut != std::wstring::npos && cut > 2) CreateFolders(target.substr(0, cut));
  UniqueFile out(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  if (!out) return error = GetLastError(), false;
  KeyStream ks(hdr.seed);
  uint64_t word = 0, total = 0;
  unsigned left = 0;
  Sha256 sha;
  std::vector<uint8_t> buf(64 * 1024);
  bool ok = true;
  for (;;) {
    if (!ReadFile(in.get(), buf.data(), DWORD(buf.size()), &got, nullptr)) {
      error = GetLastError();
      ok = false;
      break;
    }
    if (!got) break;
    ks.Apply(buf.data(), got, word, left);
    sha.Update(buf.data(), got);
    total += got;
    if (!WriteAll(out.get(), buf.data(), got)) {
      error = GetLastError();
      ok = false;
      break;
    }
  }
  if (ok && (total != hdr.size || (expected && sha.Finish() != *expected))) {
    error = ERROR_FILE_CORRUPT;
    ok = false;
  }
  out.reset();
  if (!ok) DeleteFileW(target.c_str());
  return ok;
}

bool IsQuarantineId(const std::wstring& id) {
  if (id.size() != 36) return false;
  for (size_t i = 0; i < id.size(); ++i) {
    wchar_t c = id[i];
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? c != L'-' : !iswxdigit(c)) return false;
  }
  return true;
}

}  // namespace rre

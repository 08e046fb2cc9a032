// Scan throughput of the reference engine's scanner over a generated tree of
// 20,000 files (200 MB), as a ratio to merely reading the same files' bytes
// in the same run (walk, open, read, close). Prints figures; the goal is a
// ratio of at least 0.5. Then the same scan with 100,000 imported hash
// signatures and 10,000 body signatures, as a ratio to the scan with the
// built-in definitions (goal at least 0.8), and the peak working set.
//
//   bench_scan_throughput.exe [folder]   (default: %TEMP%\rr_scan_bench, kept between runs)

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <psapi.h>

#include "Definitions.h"
#include "Scanner.h"
#include "Sha256.h"
#include "Signatures.h"
#include "support/BenchClock.h"

namespace {

constexpr int kFolders = 100, kFilesPerFolder = 200;
constexpr uint64_t kTotalBytes = 200ull * 1024 * 1024;

// Pseudo-random numbers, the same every run.
uint64_t XorShift(uint64_t& seed) {
  seed ^= seed << 13;
  seed ^= seed >> 7;
  seed ^= seed << 17;
  return seed;
}

bool Generate(const std::wstring& root) {
  std::wstring marker = root + L"\\complete";
  if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  CreateDirectoryW(root.c_str(), nullptr);
  uint64_t seed = 0x1234567;
  auto next = [&seed] { return XorShift(seed); };
  const uint64_t files = uint64_t(kFolders) * kFilesPerFolder, avg = kTotalBytes / files;
  std::vector<char> buf(avg * 2);
  for (int d = 0; d < kFolders; ++d) {
    std::wstring dir = root + L"\\d" + std::to_wstring(d);
    CreateDirectoryW(dir.c_str(), nullptr);
    for (int f = 0; f < kFilesPerFolder; ++f) {
      // Sizes from 0.5x to 1.5x the average; mixed text-like and binary bytes.
      size_t size = size_t(avg / 2 + next() % avg);
      for (size_t i = 0; i < size; i += 8) {
        uint64_t v = next();
        if (f % 3 == 0) v = (v & 0x1F1F1F1F1F1F1F1Full) | 0x4040404040404040ull;
        memcpy(buf.data() + i, &v, std::min<size_t>(8, size - i));
      }
      HANDLE h = CreateFileW((dir + L"\\f" + std::to_wstring(f) + L".bin").c_str(), GENERIC_WRITE,
                             0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return false;
      DWORD w;
      WriteFile(h, buf.data(), DWORD(size), &w, nullptr);
      CloseHandle(h);
    }
  }
  HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(h);
  return true;
}

// The floor: the same walk, every byte read, nothing matched.
uint64_t ReadAll(const std::wstring& dir, std::vector<uint8_t>& buf, uint64_t& files) {
  uint64_t bytes = 0;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileExW((dir + L"\\*").c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                              nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (f == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
    std::wstring path = dir + L"\\" + fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      bytes += ReadAll(path, buf, files);
      continue;
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    DWORD got;
    while (ReadFile(h, buf.data(), DWORD(buf.size()), &got, nullptr) && got) bytes += got;
    CloseHandle(h);
    ++files;
  } while (FindNextFileW(f, &fd));
  FindClose(f);
  return bytes;
}

// Imported signatures as a maintained set has them: mostly MD5 hash lines
// (file sizes spread from 1 KB to 10 MB), some SHA-1 and SHA-256, and body
// signatures of 6 to 40 bytes with wildcards, gaps and a few fixed offsets.
std::shared_ptr<rre::SignatureSet> ManySignatures(rre::SignatureReport& report) {
  uint64_t seed = 0xC0FFEE;
  auto next = [&seed] { return XorShift(seed); };
  auto hex = [&](size_t bytes) {
    std::string raw(bytes, '\0');
    for (auto& c : raw) c = char(next());
    return rre::ToHex(reinterpret_cast<const uint8_t*>(raw.data()), raw.size());
  };
  std::string hdb, hsb, ndb;
  for (int i = 0; i < 100000; ++i) {
    uint64_t size = uint64_t(1024.0 * pow(10000.0, double(next() % 10000) / 10000.0));
    std::string line = ":" + std::to_string(size) + ":Bench.Hash-" + std::to_string(i) + "\n";
    int kind = i % 10;
    if (kind < 8)
      hdb += hex(16) + line;
    else
      hsb += hex(kind == 8 ? 20 : 32) + line;
  }
  const char* gaps[] = {"??", "*", "{4}", "{2-8}", "{-6}", "{10-}", "3?", "?c"};
  for (int i = 0; i < 10000; ++i) {
    std::string sig = hex(6 + next() % 8);
    for (int parts = int(next() % 3); parts > 0; --parts)
      sig += gaps[next() % 8] + hex(2 + next() % 12);
    std::string offset = i % 20 == 0 ? std::to_string(next() % 512) : i % 50 == 1 ? "EOF-200" : "*";
    ndb += "Bench.Body-" + std::to_string(i) + ":0:" + offset + ":" + sig + "\n";
  }
  auto set = std::make_shared<rre::SignatureSet>();
  set->AddDatabase("bench.hdb", hdb, report);
  set->AddDatabase("bench.hsb", hsb, report);
  set->AddDatabase("bench.ndb", ndb, report);
  return set;
}

double BestScan(const rre::Matcher& matcher, const std::wstring& root, uint64_t& bytes,
                uint64_t& threats) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    rre::ScanControl control;
    rre::ScanOptions options;
    options.roots = {root};
    rre::Scanner scanner(matcher, options, control);
    double t = BenchNowSeconds();
    scanner.Run();
    best = std::min(best, BenchNowSeconds() - t);
    bytes = scanner.Stats().bytes;
    threats = scanner.Stats().threats;
  }
  return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring root;
  if (argc > 1) {
    root = argv[1];
  } else {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    root = std::wstring(tmp) + L"rr_scan_bench";
  }
  double t = BenchNowSeconds();
  if (!Generate(root)) {
    fwprintf(stderr, L"cannot generate the tree in %ls\n", root.c_str());
    return 1;
  }
  wprintf(L"tree: %ls (%d files, ready in %.1f s)\n", root.c_str(), kFolders * kFilesPerFolder,
          BenchNowSeconds() - t);

  rre::Matcher matcher(rre::BuiltInDefinitions());
  std::vector<uint8_t> buf(256 * 1024);
  uint64_t files = 0;
  ReadAll(root, buf, files);  // warm the cache
  double bestRead = 1e9, bestScan = 1e9;
  uint64_t readBytes = 0, scanBytes = 0, scanFiles = 0, threats = 0;
  for (int round = 0; round < 3; ++round) {
    files = 0;
    t = BenchNowSeconds();
    readBytes = ReadAll(root, buf, files);
    bestRead = std::min(bestRead, BenchNowSeconds() - t);

    rre::ScanControl control;
    rre::ScanOptions options;
    options.roots = {root};
    rre::Scanner scanner(matcher, options, control);
    t = BenchNowSeconds();
    scanner.Run();
    bestScan = std::min(bestScan, BenchNowSeconds() - t);
    scanBytes = scanner.Stats().bytes;
    scanFiles = scanner.Stats().files;
    threats = scanner.Stats().threats;
  }
  double mb = double(readBytes) / (1024.0 * 1024.0);
  wprintf(L"read: %llu files, %.1f MB in %.3f s = %.1f MB/s\n", (unsigned long long)files, mb,
          bestRead, mb / bestRead);
  wprintf(L"scan: %llu files, %.1f MB in %.3f s = %.1f MB/s (%llu threats)\n",
          (unsigned long long)scanFiles, double(scanBytes) / (1024.0 * 1024.0), bestScan,
          double(scanBytes) / (1024.0 * 1024.0) / bestScan, (unsigned long long)threats);
  wprintf(L"scan/read throughput ratio: %.2f (goal >= 0.5)\n", bestRead / bestScan);

  // The matching alone, over bytes already in memory (64 MB of the same mix).
  std::vector<uint8_t> mem(64u << 20);
  uint64_t seed = 0x9876543;
  for (size_t i = 0; i + 8 <= mem.size(); i += 8) {
    XorShift(seed);
    memcpy(mem.data() + i, &seed, 8);
  }
  t = BenchNowSeconds();
  uint32_t hit = 0;
  for (size_t off = 0; off < mem.size(); off += 10240)
    hit |= matcher.ScanBuffer(mem.data() + off, std::min<size_t>(10240, mem.size() - off));
  double dt = BenchNowSeconds() - t;
  wprintf(L"matcher in memory: %.0f MB/s%ls\n", 64.0 / dt, hit ? L" (unexpected match)" : L"");

  // Imported signatures: the same tree, the same scanner.
  rre::SignatureReport report;
  t = BenchNowSeconds();
  rre::Definitions many = rre::BuiltInDefinitions();
  many.Import(ManySignatures(report));
  rre::Matcher big(many);
  wprintf(L"imported: %llu hash and %llu body signatures (%llu lines skipped), ready in %.2f s\n",
          (unsigned long long)report.hashes, (unsigned long long)report.bodies,
          (unsigned long long)(report.skippedLines + report.unsupportedLines),
          BenchNowSeconds() - t);
  uint64_t builtBytes = 0, builtThreats = 0, bigBytes = 0, bigThreats = 0;
  double builtIn = BestScan(matcher, root, builtBytes, builtThreats);
  double imported = BestScan(big, root, bigBytes, bigThreats);
  wprintf(L"scan, built-in definitions: %.1f MB/s\n", double(builtBytes) / 1048576.0 / builtIn);
  wprintf(L"scan, with imported signatures: %.1f MB/s (%llu threats)\n",
          double(bigBytes) / 1048576.0 / imported, (unsigned long long)bigThreats);
  t = BenchNowSeconds();
  hit = 0;
  for (size_t off = 0; off < mem.size(); off += 10240)
    hit |= big.ScanBuffer(mem.data() + off, std::min<size_t>(10240, mem.size() - off));
  wprintf(L"matcher in memory, with imported signatures: %.0f MB/s\n",
          64.0 / (BenchNowSeconds() - t));
  wprintf(L"imported/built-in throughput ratio: %.2f (goal >= 0.8)\n", builtIn / imported);
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  wprintf(L"peak working set: %llu MB\n", (unsigned long long)(pmc.PeakWorkingSetSize >> 20));
  return 0;
}

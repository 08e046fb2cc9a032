#pragma once
// Walks files and folders and matches every file against the definitions.
// Runs on the caller's thread (the engine gives it a worker thread); pause and
// stop requests arrive through ScanControl from any thread.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "Definitions.h"

namespace rre {

class ScanControl {
 public:
  void Pause();
  void Resume();
  void Stop();
  bool Stopped() const;
  bool Paused() const;
  // Blocks while paused; returns false when stopped.
  bool Checkpoint();

 private:
  mutable std::mutex m_mu;
  std::condition_variable m_cv;
  bool m_paused = false, m_stopped = false;
};

// What bounds the look into archives of one scanned file.
struct ScanLimits {
  int maxDepth = 8;                     // archives within archives
  uint64_t maxUnpacked = 100ull << 20;  // unpacked bytes per scanned file
  RatioLimit ratio;                     // members reported as bombs
};

struct ScanOptions {
  std::vector<std::wstring> roots;     // files or folders to scan
  std::vector<std::wstring> excluded;  // files or folders left out
  std::set<uint32_t> ignoredThreats;   // found but not reported
  bool recursive = true;
  ScanLimits limits;
};

struct ScanStats {
  uint64_t files = 0, folders = 0, bytes = 0, threats = 0, ignored = 0;
};

struct ScanError {
  std::wstring item;
  uint32_t code = 0;
};

struct Detection {
  std::wstring path;  // "C:\\dir\\a.zip>inner.tar>member" when found inside archives
  uint32_t threatId = 0;
  uint64_t size = 0;
};

// The file on disk a trace names: "C:\\a.zip>b.tar>c.exe" is "C:\\a.zip"
// (cleaning a threat found inside an archive acts on the whole archive).
std::wstring TraceFile(const std::wstring& trace);

class Scanner {
 public:
  Scanner(const Matcher& matcher, ScanOptions options, ScanControl& control);

  // Called for every file before it is scanned.
  std::function<void(const std::wstring& path, const ScanStats&)> onFile;
  // Called for every file that holds a threat that is not ignored.
  std::function<void(const Detection&, const ScanStats&)> onDetection;

  // Returns false when stopped before the end.
  bool Run();
  const ScanStats& Stats() const { return m_stats; }
  const std::vector<ScanError>& Errors() const { return m_errors; }

  // Scans one file and the archives in it. Returns the threat id (0: clean);
  // `inside` receives where in the file's archives it was found (">member",
  // empty for the file itself); `error` the system error when the file could
  // not be read.
  static uint32_t ScanFile(const Matcher& m, const std::wstring& path, const ScanLimits& limits,
                           uint64_t& size, uint32_t& error, std::wstring& inside,
                           ScanControl* control = nullptr);

 private:
  bool Excluded(const std::wstring& lowerPath) const;
  bool ScanOne(const std::wstring& path);
  bool Walk(const std::wstring& root);

  const Matcher& m_matcher;
  ScanOptions m_options;
  std::vector<std::wstring> m_excludedLower;
  ScanControl& m_control;
  ScanStats m_stats;
  std::vector<ScanError> m_errors;
  std::set<std::wstring> m_visited;
};

}  // namespace rre

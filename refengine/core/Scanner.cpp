#include "Scanner.h"

#include <windows.h>

#include <algorithm>

#include "Archive.h"

#include "Text.h"

namespace rre {

void ScanControl::Pause() {
  std::lock_guard lock(m_mu);
  m_paused = true;
}

void ScanControl::Resume() {
  std::lock_guard lock(m_mu);
  m_paused = false;
  m_cv.notify_all();
}

void ScanControl::Stop() {
  std::lock_guard lock(m_mu);
  m_stopped = true;
  m_cv.notify_all();
}

bool ScanControl::Stopped() const {
  std::lock_guard lock(m_mu);
  return m_stopped;
}

bool ScanControl::Paused() const {
  std::lock_guard lock(m_mu);
  return m_paused && !m_stopped;
}

bool ScanControl::Checkpoint() {
  std::unique_lock lock(m_mu);
  m_cv.wait(lock, [this] { return !m_paused || m_stopped; });
  return !m_stopped;
}

Scanner::Scanner(const Matcher& matcher, ScanOptions options, ScanControl& control)
    : m_matcher(matcher), m_options(std::move(options)), m_control(control) {
  for (auto e : m_options.excluded) {
    while (e.size() > 3 && (e.back() == L'\\' || e.back() == L'/')) e.pop_back();
    if (!e.empty()) m_excludedLower.push_back(Lower(e));
  }
}

bool Scanner::Excluded(const std::wstring& lower) const {
  for (const auto& e : m_excludedLower) {
    if (lower.size() < e.size() || lower.compare(0, e.size(), e) != 0) continue;
    if (lower.size() == e.size() || lower[e.size()] == L'\\' || e.back() == L'\\') return true;
  }
  return false;
}

std::wstring TraceFile(const std::wstring& trace) { return trace.substr(0, trace.find(L'>')); }

namespace {

constexpr size_t kFileBuffer = 256 * 1024;

// Scans a stream and, while it reads it, the members of the archive it is.
class Unpacker {
 public:
  Unpacker(const Matcher& m, const ScanLimits& limits, ScanControl* control)
      : m_matcher(m), m_limits(limits), m_control(control), m_budget{limits.maxUnpacked} {}

  // Returns the threat; `where` receives ">member>..." when it is inside.
  uint32_t Scan(Source& src, uint64_t size, const std::string& name, int depth, std::string& where,
                size_t bufferSize) {
    Matcher::FileScan fs(m_matcher, size);
    bool more = true;  // the stream's own bytes still matter
    Reader r(
        src, [&](const uint8_t* p, size_t n) { more = more && fs.Feed(p, n); }, bufferSize);
    size_t head = r.Fill(512);
    ArchiveFormat format =
        depth < m_limits.maxDepth ? SniffArchive(r.Data(), head) : ArchiveFormat::kNone;
    uint32_t inner = 0;
    bool stopped = false;
    if (format != ArchiveFormat::kNone)
      ForEachMember(format, r, name, m_budget, m_limits.ratio, [&](Member& member) {
        if (m_control && !m_control->Checkpoint()) return !(stopped = true);
        std::string sub;
        const RatioLimit& q = m_limits.ratio;
        bool bomb = member.size != kUnknownSize && member.packedSize != kUnknownSize &&
                    member.size > q.minSize &&
                    member.size / q.ratio >= std::max<uint64_t>(member.packedSize, 1);
        uint32_t t = bomb ? kArchiveBombThreat
                          : Scan(*member.data, member.size, member.name, depth + 1, sub, 64 * 1024);
        if (!t && member.data->overRatio) t = kArchiveBombThreat, sub.clear();
        if (t) {
          inner = t;
          where = ">" + member.name + sub;
          return false;
        }
        return more;
      });
    if (inner) return inner;
    while (more && !stopped && r.Fill(1)) {
      r.Consume(r.Available());
      if (m_control && depth == 0 && !m_control->Checkpoint()) break;
    }
    return fs.Finish();
  }

 private:
  const Matcher& m_matcher;
  const ScanLimits& m_limits;
  ScanControl* m_control;
  UnpackBudget m_budget;
};

}  // namespace

uint32_t Scanner::ScanFile(const Matcher& m, const std::wstring& path, const ScanLimits& limits,
                           uint64_t& size, uint32_t& error, std::wstring& inside,
                           ScanControl* control) {
  error = 0;
  size = 0;
  inside.clear();
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return 0;
  }
  LARGE_INTEGER li{};
  GetFileSizeEx(h, &li);
  size = uint64_t(li.QuadPart);
  // Never read past the size seen at opening: device-like files (an endless
  // stream reporting size 0) cannot hold the scan.
  FileSource src(h, size);
  std::string where;
  size_t slash = path.find_last_of(L"\\/");
  std::string name = ToBytes(slash == std::wstring::npos ? path : path.substr(slash + 1));
  // A small file needs no more buffer than its own size (and the sniffing).
  size_t buffer = size_t(std::min<uint64_t>(kFileBuffer, std::max<uint64_t>(size + 1, 1024)));
  uint32_t threat = Unpacker(m, limits, control).Scan(src, size, name, 0, where, buffer);
  error = src.error;
  CloseHandle(h);
  if (threat) inside = ToWide(where);
  return threat;
}

bool Scanner::ScanOne(const std::wstring& path) {
  if (!m_control.Checkpoint()) return false;
  if (onFile) onFile(path, m_stats);
  uint64_t size = 0;
  uint32_t error = 0;
  std::wstring inside;
  uint32_t threat = ScanFile(m_matcher, path, m_options.limits, size, error, inside, &m_control);
  ++m_stats.files;
  m_stats.bytes += size;
  if (error) m_errors.push_back({path, error});
  if (threat) {
    if (m_options.ignoredThreats.count(threat)) {
      ++m_stats.ignored;
    } else {
      ++m_stats.threats;
      if (onDetection) onDetection(Detection{path + inside, threat, size}, m_stats);
    }
  }
  return !m_control.Stopped();
}

bool Scanner::Walk(const std::wstring& root) {
  std::vector<std::wstring> stack{root};
  while (!stack.empty()) {
    std::wstring dir = std::move(stack.back());
    stack.pop_back();
    if (!m_visited.insert(Lower(dir)).second) continue;
    ++m_stats.folders;
    WIN32_FIND_DATAW fd;
    std::wstring prefix = dir.back() == L'\\' ? dir : dir + L'\\';
    HANDLE f = FindFirstFileExW((prefix + L"*").c_str(), FindExInfoBasic, &fd,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (f == INVALID_HANDLE_VALUE) {
      DWORD e = GetLastError();
      if (e != ERROR_FILE_NOT_FOUND) m_errors.push_back({dir, e});
      continue;
    }
    std::vector<std::wstring> subdirs;
    do {
      if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
      std::wstring path = prefix + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (Excluded(Lower(path))) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (m_options.recursive) subdirs.push_back(std::move(path));
      } else if (!ScanOne(path)) {
        FindClose(f);
        return false;
      }
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    // Depth first, in directory order.
    for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it) stack.push_back(std::move(*it));
  }
  return true;
}

bool Scanner::Run() {
  for (auto root : m_options.roots) {
    if (!m_control.Checkpoint()) return false;
    while (root.size() > 3 && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
    if (root.empty() || Excluded(Lower(root))) continue;
    DWORD attrs = GetFileAttributesW(root.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
      m_errors.push_back({root, GetLastError()});
      continue;
    }
    bool go = (attrs & FILE_ATTRIBUTE_DIRECTORY) ? Walk(root) : ScanOne(root);
    if (!go) return false;
  }
  return !m_control.Stopped();
}

}  // namespace rre

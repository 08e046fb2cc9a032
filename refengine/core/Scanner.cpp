#include "Scanner.h"

#include <windows.h>

#include <algorithm>

#include "Text.h"

namespace rre {

void ScanControl::Pause() {
  std::lock_guard lock(mu_);
  paused_ = true;
}

void ScanControl::Resume() {
  std::lock_guard lock(mu_);
  paused_ = false;
  cv_.notify_all();
}

void ScanControl::Stop() {
  std::lock_guard lock(mu_);
  stopped_ = true;
  cv_.notify_all();
}

bool ScanControl::Stopped() const {
  std::lock_guard lock(mu_);
  return stopped_;
}

bool ScanControl::Paused() const {
  std::lock_guard lock(mu_);
  return paused_ && !stopped_;
}

bool ScanControl::Checkpoint() {
  std::unique_lock lock(mu_);
  cv_.wait(lock, [this] { return !paused_ || stopped_; });
  return !stopped_;
}

Scanner::Scanner(const Matcher& matcher, ScanOptions options, ScanControl& control)
    : matcher_(matcher), options_(std::move(options)), control_(control), buffer_(256 * 1024) {
  for (auto e : options_.excluded) {
    while (e.size() > 3 && (e.back() == L'\\' || e.back() == L'/')) e.pop_back();
    if (!e.empty()) excludedLower_.push_back(Lower(e));
  }
}

bool Scanner::Excluded(const std::wstring& lower) const {
  for (const auto& e : excludedLower_) {
    if (lower.size() < e.size() || lower.compare(0, e.size(), e) != 0) continue;
    if (lower.size() == e.size() || lower[e.size()] == L'\\' || e.back() == L'\\') return true;
  }
  return false;
}

uint32_t Scanner::ScanFile(const Matcher& m, const std::wstring& path, std::vector<uint8_t>& buffer,
                           uint64_t& size, uint32_t& error, ScanControl* control) {
  error = 0;
  size = 0;
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
  if (buffer.empty()) buffer.resize(256 * 1024);
  Matcher::FileScan fs(m, size);
  // Never read past the size seen at opening: device-like files (an endless
  // stream reporting size 0) cannot hold the scan.
  for (uint64_t left = size; left;) {
    DWORD want = DWORD(std::min<uint64_t>(buffer.size(), left)), got = 0;
    if (!ReadFile(h, buffer.data(), want, &got, nullptr)) {
      error = GetLastError();
      break;
    }
    left -= got;
    if (got == 0 || !fs.Feed(buffer.data(), got)) break;
    if (control && !control->Checkpoint()) break;
  }
  CloseHandle(h);
  return fs.Finish();
}

bool Scanner::ScanOne(const std::wstring& path) {
  if (!control_.Checkpoint()) return false;
  if (onFile) onFile(path, stats_);
  uint64_t size = 0;
  uint32_t error = 0;
  uint32_t threat = ScanFile(matcher_, path, buffer_, size, error, &control_);
  ++stats_.files;
  stats_.bytes += size;
  if (error) errors_.push_back({path, error});
  if (threat) {
    if (options_.ignoredThreats.count(threat)) {
      ++stats_.ignored;
    } else {
      ++stats_.threats;
      if (onDetection) onDetection(Detection{path, threat, size}, stats_);
    }
  }
  return !control_.Stopped();
}

bool Scanner::Walk(const std::wstring& root) {
  std::vector<std::wstring> stack{root};
  while (!stack.empty()) {
    std::wstring dir = std::move(stack.back());
    stack.pop_back();
    if (!visited_.insert(Lower(dir)).second) continue;
    ++stats_.folders;
    WIN32_FIND_DATAW fd;
    std::wstring prefix = dir.back() == L'\\' ? dir : dir + L'\\';
    HANDLE f = FindFirstFileExW((prefix + L"*").c_str(), FindExInfoBasic, &fd,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (f == INVALID_HANDLE_VALUE) {
      DWORD e = GetLastError();
      if (e != ERROR_FILE_NOT_FOUND) errors_.push_back({dir, e});
      continue;
    }
    std::vector<std::wstring> subdirs;
    do {
      if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
      std::wstring path = prefix + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (Excluded(Lower(path))) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (options_.recursive) subdirs.push_back(std::move(path));
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
  for (auto root : options_.roots) {
    if (!control_.Checkpoint()) return false;
    while (root.size() > 3 && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
    if (root.empty() || Excluded(Lower(root))) continue;
    DWORD attrs = GetFileAttributesW(root.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
      errors_.push_back({root, GetLastError()});
      continue;
    }
    bool go = (attrs & FILE_ATTRIBUTE_DIRECTORY) ? Walk(root) : ScanOne(root);
    if (!go) return false;
  }
  return !control_.Stopped();
}

}  // namespace rre

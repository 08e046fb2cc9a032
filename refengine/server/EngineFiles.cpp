// File and folder helpers of the engine's data folder.

#include "EngineParts.h"

#include "framework/Handles.h"

namespace rre {

std::wstring EnvText(const wchar_t* name) {
  wchar_t buf[4096];
  DWORD n = GetEnvironmentVariableW(name, buf, 4096);
  return n && n < 4096 ? std::wstring(buf, n) : std::wstring();
}

std::vector<std::wstring> SplitPaths(const std::wstring& s) {
  std::vector<std::wstring> out;
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t end = s.find(L';', pos);
    if (end == std::wstring::npos) end = s.size();
    if (end > pos) out.push_back(s.substr(pos, end - pos));
    pos = end + 1;
  }
  return out;
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR p = nullptr;
  std::wstring out;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &p)) && p) out = p;
  CoTaskMemFree(p);
  return out;
}

std::wstring WithSlash(std::wstring s) {
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

bool WriteFileAtomic(const std::wstring& path, const std::string& bytes) {
  std::wstring tmp = path + L".tmp";
  UniqueFile file(CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!file) return false;
  DWORD w = 0;
  BOOL ok = bytes.empty() || WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &w, nullptr);
  ok = ok && w == bytes.size() && FlushFileBuffers(file.get());
  file.reset();
  if (ok &&
      MoveFileExW(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DeleteFileW(tmp.c_str());
  return false;
}

// Keeps an unreadable file aside instead of overwriting it.
void SetAside(const std::wstring& path) {
  std::wstring aside = path + L".unreadable-" + std::to_wstring(NowUtcTicks() / kTicksPerSecond);
  MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace rre

#pragma once
// A scratch folder below the temporary folder, removed with everything in it.

#include <windows.h>

#include <string>

#include "Text.h"
#include "support/EngineProcess.h"

class TempDir {
 public:
  TempDir() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring id = rre::NewGuidText();
    m_path = std::wstring(tmp) + L"rrtest_" + id.substr(1, 8) + id.substr(10, 4);
    CreateDirectoryW(m_path.c_str(), nullptr);
  }
  ~TempDir() { Remove(m_path); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::wstring& path() const { return m_path; }
  std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

  static void Remove(const std::wstring& p) { rrtest::RemoveFolderTree(p); }

 private:
  std::wstring m_path;
};

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD w = 0;
  BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), DWORD(bytes.size()), &w, nullptr);
  CloseHandle(h);
  return ok && w == bytes.size();
}

inline std::string ReadBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(h);
  return out;
}

inline bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

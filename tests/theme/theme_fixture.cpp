#include "theme_fixture.h"

#include <shellapi.h>

#include <atomic>
#include <stdexcept>

TempThemeDir::TempThemeDir() {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  m_path = std::wstring(temp) + L"rr_theme_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
           std::to_wstring(counter++);
  ::CreateDirectoryW(m_path.c_str(), nullptr);
}

TempThemeDir::~TempThemeDir() {
  // SHFileOperation wants a double-terminated list.
  std::wstring from = m_path;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&op);
}

std::wstring TempThemeDir::Write(std::wstring_view name, std::string_view bytes) const {
  std::wstring full = m_path + L"\\" + std::wstring(name);
  // Create intermediate folders.
  for (size_t pos = m_path.size() + 1; (pos = full.find(L'\\', pos)) != std::wstring::npos; ++pos)
    ::CreateDirectoryW(full.substr(0, pos).c_str(), nullptr);
  HANDLE file = ::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create fixture file");
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  return full;
}

std::string UiDocument(std::string_view sections) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ui>" + std::string(sections) + "</ui>\n";
}

std::wstring OutputFolder() {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  std::wstring path(buffer, n);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

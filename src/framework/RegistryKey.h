// An owned registry key handle with typed reads that accept only the expected
// value type.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class CRegistryKey {
 public:
  CRegistryKey() = default;
  ~CRegistryKey() { Close(); }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;
  CRegistryKey(CRegistryKey&& other) noexcept : m_key(other.m_key) { other.m_key = nullptr; }
  CRegistryKey& operator=(CRegistryKey&& other) noexcept;

  // Opens an existing key; false (and no handle) when it cannot be opened.
  bool Open(HKEY root, const std::wstring& path, REGSAM access = KEY_READ);
  // Creates the key path when needed and opens it.
  bool Create(HKEY root, const std::wstring& path, REGSAM access = KEY_READ | KEY_WRITE);
  void Close();
  bool IsOpen() const { return m_key != nullptr; }
  HKEY Get() const { return m_key; }

  // Each read gives a value only when it exists with exactly the named type.
  std::optional<DWORD> ReadDword(const wchar_t* name) const;
  std::optional<ULONGLONG> ReadQword(const wchar_t* name) const;
  std::optional<std::wstring> ReadString(const wchar_t* name) const;

  bool WriteDword(const wchar_t* name, DWORD value) const;
  bool WriteQword(const wchar_t* name, ULONGLONG value) const;
  bool WriteString(const wchar_t* name, const std::wstring& value) const;
  bool DeleteValue(const wchar_t* name) const;

 private:
  HKEY m_key = nullptr;
};

// Removes a key and everything below it; true when it is gone afterwards.
bool DeleteRegistryTree(HKEY root, const std::wstring& path);

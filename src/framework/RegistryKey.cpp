#include "framework/RegistryKey.h"

#include <vector>

CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    m_key = other.m_key;
    other.m_key = nullptr;
  }
  return *this;
}

bool CRegistryKey::Open(HKEY root, const std::wstring& path, REGSAM access) {
  Close();
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return false;
  m_key = key;
  return true;
}

bool CRegistryKey::Create(HKEY root, const std::wstring& path, REGSAM access) {
  Close();
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  m_key = key;
  return true;
}

void CRegistryKey::Close() {
  if (m_key) RegCloseKey(m_key);
  m_key = nullptr;
}

std::optional<DWORD> CRegistryKey::ReadDword(const wchar_t* name) const {
  if (!m_key) return std::nullopt;
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

std::optional<ULONGLONG> CRegistryKey::ReadQword(const wchar_t* name) const {
  if (!m_key) return std::nullopt;
  DWORD type = 0, size = sizeof(ULONGLONG);
  ULONGLONG value = 0;
  if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_QWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

std::optional<std::wstring> CRegistryKey::ReadString(const wchar_t* name) const {
  if (!m_key) return std::nullopt;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  // The value may change between the two calls: retry with the new size.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    DWORD bytes = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
    LONG rc = RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                               &bytes);
    if (rc == ERROR_MORE_DATA) {
      size = bytes;
      continue;
    }
    if (rc != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    // Stored strings need not be terminated; stop at the first terminator.
    std::wstring text(buffer.data(), bytes / sizeof(wchar_t));
    if (auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
  }
  return std::nullopt;
}

bool CRegistryKey::WriteDword(const wchar_t* name, DWORD value) const {
  return m_key && RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof(value)) == ERROR_SUCCESS;
}

bool CRegistryKey::WriteQword(const wchar_t* name, ULONGLONG value) const {
  return m_key && RegSetValueExW(m_key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof(value)) == ERROR_SUCCESS;
}

bool CRegistryKey::WriteString(const wchar_t* name, const std::wstring& value) const {
  return m_key &&
         RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteValue(const wchar_t* name) const {
  return m_key && RegDeleteValueW(m_key, name) == ERROR_SUCCESS;
}

bool DeleteRegistryTree(HKEY root, const std::wstring& path) {
  if (path.empty()) return false;  // never the root itself
  RegDeleteTreeW(root, path.c_str());
  RegDeleteKeyW(root, path.c_str());
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    RegCloseKey(key);
    return false;
  }
  return true;
}

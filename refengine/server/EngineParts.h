#pragma once
// What the engine's subsystem files share: document and file helpers of the
// data folder and the configuration document load and store.

#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "Engine.h"
#include "Text.h"
#include "engine/documents/QuarantineFile.h"

namespace rre {

namespace SC = QVnsScanConfig;
namespace SR = QVnsScanResults;
namespace QF = QVnsQuarantineFile;

constexpr uint32_t kDefaultProgressMs = 250;

std::wstring EnvText(const wchar_t* name);
std::vector<std::wstring> SplitPaths(const std::wstring& s);
std::wstring KnownFolder(REFKNOWNFOLDERID id);
std::wstring WithSlash(std::wstring s);
bool WriteFileAtomic(const std::wstring& path, const std::string& bytes);
// Keeps an unreadable file aside instead of overwriting it.
void SetAside(const std::wstring& path);

// Document text as handed to clients: UTF-16, so the declaration says so.
template <class D>
std::wstring DocText(const D& doc) {
  std::wstring text;
  if (doc.WriteToString(text) != 0) return {};
  RelabelDeclarationUtf16(text);
  return text;
}

template <class D>
bool Engine::LoadDoc(const wchar_t* file, D& doc) {
  std::wstring path = DocFile(file);
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (doc.ReadFromFile(path) == 0) return true;
  SetAside(path);
  doc = D();
  return false;
}

template <class D>
HRESULT Engine::StoreDoc(const wchar_t* file, const D& doc) {
  std::string text;
  if (doc.WriteToText(text) != 0) return E_INVALIDARG;
  return WriteFileAtomic(DocFile(file), text) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

}  // namespace rre

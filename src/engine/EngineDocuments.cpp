#include "engine/EngineDocuments.h"

#include <cwctype>
#include <memory>

namespace {

struct HandleCloser {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
// An open file; empty when creation failed.
class FileHandle : public std::unique_ptr<void, HandleCloser> {
 public:
  explicit FileHandle(HANDLE h)
      : std::unique_ptr<void, HandleCloser>(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
};

template <class I>
I* Need(ComRef<I>& ref) {
  if (!ref) throw EngineError(E_POINTER, __uuidof(I));
  return ref.Get();
}

std::wstring Utf8ToUtf16(std::string_view utf8) {
  if (utf8.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

// Relabels encoding="UTF-8" inside a leading XML declaration.
void RelabelDeclaration(std::wstring& text) {
  size_t begin = text.starts_with(L"\xFEFF") ? 1 : 0;
  if (text.compare(begin, 5, L"<?xml") != 0) return;
  size_t end = text.find(L"?>", begin);
  if (end == std::wstring::npos) return;
  size_t enc = text.find(L"encoding", begin);
  if (enc == std::wstring::npos || enc > end) return;
  size_t pos = enc + 8;
  while (pos < end && std::iswspace(text[pos])) ++pos;
  if (pos >= end || text[pos] != L'=') return;
  ++pos;
  while (pos < end && std::iswspace(text[pos])) ++pos;
  if (pos >= end || (text[pos] != L'"' && text[pos] != L'\'')) return;
  const wchar_t quote = text[pos++];
  size_t close = text.find(quote, pos);
  if (close == std::wstring::npos || close > end) return;
  if (EqualsNoCase(std::wstring_view(text).substr(pos, close - pos), L"UTF-8"))
    text.replace(pos, close - pos, L"UTF-16");
}

HRESULT CallGuarded(const std::function<HRESULT()>& call) {
  try {
    return call();
  } catch (const EngineError& e) {
    return e.Result();
  }
}

}  // namespace

namespace EngineDocuments {

const DocumentChannel kServiceConfig = {[](CEngineSession& s, BSTR* t) {
                                          auto r = s.Service();
                                          return Need(r)->GetServiceConfig(t);
                                        },
                                        [](CEngineSession& s, BSTR t) {
                                          auto r = s.Service();
                                          return Need(r)->SetServiceConfig(t);
                                        }};

const DocumentChannel kNVPairs = {[](CEngineSession& s, BSTR* t) {
                                    auto r = s.Service();
                                    EngineString name(kNVPairsName);
                                    return Need(r)->GetConfigDocument(name.Get(), t);
                                  },
                                  [](CEngineSession& s, BSTR t) {
                                    auto r = s.Service();
                                    EngineString name(kNVPairsName);
                                    return Need(r)->SetConfigDocument(name.Get(), t);
                                  }};

const DocumentChannel kAPConfig = {[](CEngineSession& s, BSTR* t) {
                                     auto r = s.ActiveProtection();
                                     return Need(r)->GetAPConfig(t);
                                   },
                                   [](CEngineSession& s, BSTR t) {
                                     auto r = s.ActiveProtection();
                                     return Need(r)->SetAPConfig(t);
                                   }};

const DocumentChannel kScanConfig = {[](CEngineSession& s, BSTR* t) {
                                       auto r = s.ScanControl();
                                       return Need(r)->GetScanConfig(t);
                                     },
                                     [](CEngineSession& s, BSTR t) {
                                       auto r = s.ScanControl();
                                       return Need(r)->SetScanConfig(t);
                                     }};

const DocumentChannel kDefinitionUpdateConfig = {[](CEngineSession& s, BSTR* t) {
                                                   auto r = s.ThreatDefinitions();
                                                   return Need(r)->GetDefinitionUpdateConfig(t);
                                                 },
                                                 [](CEngineSession& s, BSTR t) {
                                                   auto r = s.ThreatDefinitions();
                                                   return Need(r)->SetDefinitionUpdateConfig(t);
                                                 }};

}  // namespace EngineDocuments

HRESULT FetchDocumentText(const DocumentChannel& channel, std::wstring& text,
                          CEngineSession& session) {
  EngineString result;
  HRESULT hr = CallGuarded([&] { return channel.get(session, result.Out()); });
  if (FAILED(hr)) return hr;
  text.assign(result.View());
  return S_OK;
}

std::wstring ToEngineText(std::string_view utf8) {
  std::wstring text = Utf8ToUtf16(utf8);
  RelabelDeclaration(text);
  return text;
}

HRESULT StoreDocumentText(const DocumentChannel& channel, std::string_view utf8,
                          CEngineSession& session) {
  std::wstring text = ToEngineText(utf8);
  if (text.empty()) return E_INVALIDARG;
  EngineString arg(text);
  HRESULT hr = CallGuarded([&] { return channel.set(session, arg.Get()); });
  return FAILED(hr) ? hr : S_OK;
}

std::wstring TemporaryFolder() {
  // The folder may be longer than MAX_PATH: ask for the size it needs.
  std::wstring folder(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD n = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    if (n == 0) return {};
    if (n < folder.size()) {
      folder.resize(n);
      return folder;
    }
    folder.assign(n + 1, L'\0');
  }
  return {};
}

std::wstring LongPathForm(const std::wstring& path) {
  if (path.size() < MAX_PATH || path.starts_with(L"\\\\?\\")) return path;
  if (path.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
  if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/'))
    return L"\\\\?\\" + path;
  return path;
}

std::wstring_view FileNamePart(std::wstring_view path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring_view::npos ? path : path.substr(cut + 1);
}

HRESULT WriteCleanRequestText(std::string_view utf8, std::wstring_view engineResultsPath,
                              std::wstring& requestPath) {
  const std::wstring name(FileNamePart(engineResultsPath));
  std::wstring text = ToEngineText(utf8);
  if (text.empty()) {
    requestPath = name;
    return E_INVALIDARG;
  }
  const std::wstring temp = TemporaryFolder();
  if (temp.empty()) {
    // Never the current folder: with no temporary folder there is no request.
    requestPath.clear();
    return E_INVALIDARG;
  }
  requestPath = LongPathForm(temp + name);

  FileHandle file(CreateFileW(requestPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return E_INVALIDARG;
  const unsigned char bom[2] = {0xFF, 0xFE};
  DWORD written = 0;
  bool ok = WriteFile(file.get(), bom, 2, &written, nullptr) && written == 2;
  const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  ok = ok && WriteFile(file.get(), text.data(), bytes, &written, nullptr) && written == bytes;
  ok = CloseHandle(file.release()) && ok;
  return ok ? S_OK : E_INVALIDARG;
}

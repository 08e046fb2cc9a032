#include "engine/EngineDocuments.h"

#include "framework/Handles.h"
#include "framework/TextConvert.h"

namespace {

template <class I>
I* Need(ComRef<I>& ref) {
  if (!ref) throw EngineError(E_POINTER, __uuidof(I));
  return ref.Get();
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
  std::wstring text = ToWide(utf8);
  RelabelDeclarationUtf16(text);
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

  UniqueFile file(CreateFileW(requestPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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

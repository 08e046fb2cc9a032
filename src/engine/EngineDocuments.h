// Document exchange with the engine: whole XML documents travel as engine
// strings. Fetch: call the getter, parse the text. Store: serialize to UTF-8,
// convert to UTF-16, relabel the declaration's encoding, call the setter.
// None of these raise: an EngineError becomes its HRESULT.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

#include "engine/EngineSession.h"

// The getter and setter of one engine document. Either may raise EngineError
// (an accessor that returns nothing).
struct DocumentChannel {
  HRESULT (*get)(CEngineSession& session, BSTR* text);
  HRESULT (*set)(CEngineSession& session, BSTR text);
};

namespace EngineDocuments {
extern const DocumentChannel kServiceConfig;  // IQVService Get/SetServiceConfig
extern const DocumentChannel kNVPairs;        // IQVService Get/SetConfigDocument "config_file.xml"
extern const DocumentChannel kAPConfig;       // IQVActiveProtection Get/SetAPConfig
extern const DocumentChannel kScanConfig;     // IQVScanControl Get/SetScanConfig
extern const DocumentChannel
    kDefinitionUpdateConfig;  // IQVThreatDefinitions Get/SetDefinitionUpdateConfig
inline constexpr const wchar_t* kNVPairsName = L"config_file.xml";
}  // namespace EngineDocuments

// The getter's text, whole. Result: the engine's failure code or S_OK.
HRESULT FetchDocumentText(const DocumentChannel& channel, std::wstring& text,
                          CEngineSession& session = Engine());

// The text the engine is given for a UTF-8 document: converted to UTF-16, and
// the XML declaration's encoding label "UTF-8" changed to "UTF-16". Only the
// declaration is touched: field values keep their text.
std::wstring ToEngineText(std::string_view utf8);

// Stores a serialized UTF-8 document. E_INVALIDARG (setter not called) when
// the text is empty; else the engine's failure code or S_OK.
HRESULT StoreDocumentText(const DocumentChannel& channel, std::string_view utf8,
                          CEngineSession& session = Engine());

// Fetches into a document object (anything with ReadFromMemory(data, bytes)
// returning 0 on success). E_FAIL when the text does not parse.
template <class Doc>
HRESULT FetchDocument(Doc& doc, const DocumentChannel& channel,
                      CEngineSession& session = Engine()) {
  std::wstring text;
  HRESULT hr = FetchDocumentText(channel, text, session);
  if (FAILED(hr)) return hr;
  if (doc.ReadFromMemory(text.data(), text.size() * sizeof(wchar_t)) != 0) return E_FAIL;
  return S_OK;
}

// Stores a document object (anything with WriteToText(std::string&) returning
// 0 on success). E_INVALIDARG when it does not serialize or serializes to nothing.
template <class Doc>
HRESULT StoreDocument(const Doc& doc, const DocumentChannel& channel,
                      CEngineSession& session = Engine()) {
  std::string utf8;
  if (doc.WriteToText(utf8) != 0) return E_INVALIDARG;
  return StoreDocumentText(channel, utf8, session);
}

// The file name part of a path (after the last '\' or '/').
std::wstring_view FileNamePart(std::wstring_view path);

// The user's temporary folder with its final backslash, however long; empty
// when the system cannot name one.
std::wstring TemporaryFolder();
// A full path of MAX_PATH characters or more in its "\\?\" form, which file
// calls accept at any length; shorter paths as they are.
std::wstring LongPathForm(const std::wstring& path);

// Writes the clean request: the temporary folder plus the file name part of
// the engine's results path; FF FE, then the UTF-16 text without terminator.
// requestPath receives the path in every case: the bare file name when the
// text is empty and nothing is written, an empty path when there is no
// temporary folder (nothing is ever written to the current folder).
// E_INVALIDARG when the text is empty, there is no temporary folder, or the
// file cannot be created or written.
HRESULT WriteCleanRequestText(std::string_view utf8, std::wstring_view engineResultsPath,
                              std::wstring& requestPath);

template <class Doc>
HRESULT WriteCleanRequest(const Doc& results, std::wstring_view engineResultsPath,
                          std::wstring& requestPath) {
  std::string utf8;
  if (results.WriteToText(utf8) != 0) utf8.clear();
  return WriteCleanRequestText(utf8, engineResultsPath, requestPath);
}

#include "engine/documents/NVPairsEngine.h"

#include "engine/EngineDocuments.h"
#include "engine/documents/NVPairs.h"

namespace {

using QVnsNVPairs::CNVPairs;

bool Fetch(CEngineSession& session, CNVPairs& doc) {
  return SUCCEEDED(FetchDocument(doc, EngineDocuments::kNVPairs, session));
}

bool Store(CEngineSession& session, const CNVPairs& doc) {
  return SUCCEEDED(StoreDocument(doc, EngineDocuments::kNVPairs, session));
}

template <class T>
bool Read(CEngineSession& session, std::wstring_view name, T& value,
          bool (*read)(const CNVPairs&, std::wstring_view, T&)) {
  CNVPairs doc;
  return Fetch(session, doc) && read(doc, name, value);
}

template <class T>
bool Write(CEngineSession& session, std::wstring_view name, T value,
           bool (*write)(CNVPairs&, std::wstring_view, T)) {
  CNVPairs doc;
  return Fetch(session, doc) && write(doc, name, value) && Store(session, doc);
}

}  // namespace

bool ReadPairInt(CEngineSession& session, std::wstring_view name, int32_t& value) {
  return Read<int32_t>(session, name, value, &QVnsNVPairs::ReadPairInt);
}
bool ReadPairInt64(CEngineSession& session, std::wstring_view name, int64_t& value) {
  return Read<int64_t>(session, name, value, &QVnsNVPairs::ReadPairInt64);
}
bool WritePairInt(CEngineSession& session, std::wstring_view name, int32_t value) {
  return Write<int32_t>(session, name, value, &QVnsNVPairs::WritePairInt);
}
bool WritePairInt64(CEngineSession& session, std::wstring_view name, int64_t value) {
  return Write<int64_t>(session, name, value, &QVnsNVPairs::WritePairInt64);
}
bool EnsureScanSummaryPairs(CEngineSession& session) {
  CNVPairs doc;
  return Fetch(session, doc) && QVnsNVPairs::EnsureScanSummaryPairs(doc) && Store(session, doc);
}

bool ReadPairInt(std::wstring_view name, int32_t& value) {
  return ReadPairInt(Engine(), name, value);
}
bool ReadPairInt64(std::wstring_view name, int64_t& value) {
  return ReadPairInt64(Engine(), name, value);
}
bool WritePairInt(std::wstring_view name, int32_t value) {
  return WritePairInt(Engine(), name, value);
}
bool WritePairInt64(std::wstring_view name, int64_t value) {
  return WritePairInt64(Engine(), name, value);
}
bool EnsureScanSummaryPairs() { return EnsureScanSummaryPairs(Engine()); }

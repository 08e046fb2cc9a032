#include "engine/documents/NVPairs.h"

#include <algorithm>
#include <cwctype>
#include <limits>

namespace QVnsNVPairs {

DOCBINDING_DESCRIBE(CNVPair, QV_FIELDS_CNVPair)
DOCBINDING_DESCRIBE(CNVPairs, QV_FIELDS_CNVPairs)

namespace {

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

template <class T>
T ParseClamped(std::wstring_view text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Magnitude up to one past the type's maximum, which is where the
  // negative limit sits.
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
  uint64_t v = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    const uint64_t d = static_cast<uint64_t>(text[i] - L'0');
    v = v > (limit - d) / 10 ? limit : v * 10 + d;
  }
  if (negative) return v == limit ? std::numeric_limits<T>::min() : -static_cast<T>(v);
  return static_cast<T>(v);
}

bool Parse(CNVPairs& doc, std::wstring_view text) { return doc.ReadFromString(text) == 0; }

template <class T>
bool WriteText(std::wstring_view text, std::wstring_view name, T value, std::string& updated,
               bool (*write)(CNVPairs&, std::wstring_view, T)) {
  CNVPairs doc;
  if (!Parse(doc, text) || !write(doc, name, value)) return false;
  return doc.WriteToText(updated) == 0;
}

}  // namespace

const CNVPair* FindPair(const CNVPairs& doc, std::wstring_view name) {
  for (const CNVPair& pair : doc.NVPair)
    if (EqualsNoCase(pair.Name.Get(), name)) return &pair;
  return nullptr;
}

CNVPair* FindPair(CNVPairs& doc, std::wstring_view name) {
  return const_cast<CNVPair*>(FindPair(static_cast<const CNVPairs&>(doc), name));
}

int32_t PairTextToInt(std::wstring_view text) { return ParseClamped<int32_t>(text); }
int64_t PairTextToInt64(std::wstring_view text) { return ParseClamped<int64_t>(text); }

bool ReadPairInt(const CNVPairs& doc, std::wstring_view name, int32_t& value) {
  const CNVPair* pair = FindPair(doc, name);
  if (!pair) return false;
  value = PairTextToInt(pair->Value.Get());
  return true;
}

bool ReadPairInt64(const CNVPairs& doc, std::wstring_view name, int64_t& value) {
  const CNVPair* pair = FindPair(doc, name);
  if (!pair) return false;
  value = PairTextToInt64(pair->Value.Get());
  return true;
}

bool WritePairInt(CNVPairs& doc, std::wstring_view name, int32_t value) {
  CNVPair* pair = FindPair(doc, name);
  if (!pair) return false;
  pair->Value.Set(std::to_wstring(value));
  return true;
}

bool WritePairInt64(CNVPairs& doc, std::wstring_view name, int64_t value) {
  CNVPair* pair = FindPair(doc, name);
  if (!pair) return false;
  pair->Value.Set(std::to_wstring(value));
  return true;
}

bool EnsureScanSummaryPairs(CNVPairs& doc) {
  bool present[std::size(kScanSummaryPairs)] = {};
  for (const CNVPair& pair : doc.NVPair)
    for (size_t k = 0; k < std::size(kScanSummaryPairs); ++k)
      if (pair.Name.Get() == kScanSummaryPairs[k].name) present[k] = true;
  bool appended = false;
  for (size_t k = 0; k < std::size(kScanSummaryPairs); ++k) {
    if (present[k]) continue;
    CNVPair& pair = doc.NVPair.Append();
    pair.Name.Set(kScanSummaryPairs[k].name);
    pair.Value.Set(kScanSummaryPairs[k].initial);
    appended = true;
  }
  return appended;
}

bool ReadPairInt(std::wstring_view text, std::wstring_view name, int32_t& value) {
  CNVPairs doc;
  return Parse(doc, text) && ReadPairInt(doc, name, value);
}

bool ReadPairInt64(std::wstring_view text, std::wstring_view name, int64_t& value) {
  CNVPairs doc;
  return Parse(doc, text) && ReadPairInt64(doc, name, value);
}

bool WritePairInt(std::wstring_view text, std::wstring_view name, int32_t value,
                  std::string& updated) {
  return WriteText<int32_t>(text, name, value, updated, &WritePairInt);
}

bool WritePairInt64(std::wstring_view text, std::wstring_view name, int64_t value,
                    std::string& updated) {
  return WriteText<int64_t>(text, name, value, updated, &WritePairInt64);
}

bool EnsureScanSummaryPairs(std::wstring_view text, std::string& updated) {
  CNVPairs doc;
  if (!Parse(doc, text) || !EnsureScanSummaryPairs(doc)) return false;
  return doc.WriteToText(updated) == 0;
}

}  // namespace QVnsNVPairs

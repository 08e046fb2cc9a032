// The engine-held name/value pairs ("NVPairs", document "config_file.xml")
// and the operations on them. The functions here work on the document object
// or its text; NVPairsEngine.h runs them against the engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/documents/Binding.h"

namespace QVnsNVPairs {

using std::wstring;

#define QV_FIELDS_CNVPair(A, T, C, L) \
  A(wstring, Name, L"")               \
  A(wstring, Value, L"")
DOCBINDING_CLASS(CNVPair, QV_FIELDS_CNVPair)

#define QV_FIELDS_CNVPairs(A, T, C, L) \
  A(wstring, SchemaVersion, L"4.0.0")  \
  L(CNVPair, NVPair)                   \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CNVPairs, L"NVPairs", L"NVPairs", QV_FIELDS_CNVPairs)

// The first pair whose name equals `name` without regard to case, or null.
const CNVPair* FindPair(const CNVPairs& doc, std::wstring_view name);
CNVPair* FindPair(CNVPairs& doc, std::wstring_view name);

// Decimal value text: leading white space, optional sign, digits; anything
// after the digits is ignored, no digits give 0 and out-of-range values are
// clamped to the type's limits.
int32_t PairTextToInt(std::wstring_view text);
int64_t PairTextToInt64(std::wstring_view text);

// Read: true and the value when a pair has the name (case ignored), else
// false with `value` untouched.
bool ReadPairInt(const CNVPairs& doc, std::wstring_view name, int32_t& value);
bool ReadPairInt64(const CNVPairs& doc, std::wstring_view name, int64_t& value);
// Write: replaces the value of the first pair with the name (case ignored)
// and returns true; when no pair has the name nothing changes and the result
// is false (nothing is to be stored).
bool WritePairInt(CNVPairs& doc, std::wstring_view name, int32_t value);
bool WritePairInt64(CNVPairs& doc, std::wstring_view name, int64_t value);

// The five scan summary pairs and the values they are created with, in the
// order they are appended.
struct SummaryPair {
  const wchar_t* name;
  const wchar_t* initial;
};
inline constexpr SummaryPair kScanSummaryPairs[] = {
    {L"last_full_scan", L"0"},          {L"last_quick_scan", L"0"},
    {L"last_scan_threat_count", L"0"},  {L"last_scan_item_count", L"0"},
    {L"last_scan_threat_level", L"-1"},
};

// Appends each summary pair whose exact name (case included) occurs in no
// pair; true when anything was appended (the document is to be stored).
bool EnsureScanSummaryPairs(CNVPairs& doc);

// The same operations on document text (UTF-16, as the engine hands it
// over). Reads give false for text that does not parse. Writes and
// EnsureScanSummaryPairs give true only when the document changed, with the
// new UTF-8 text in `updated`; text that does not parse is left alone.
bool ReadPairInt(std::wstring_view text, std::wstring_view name, int32_t& value);
bool ReadPairInt64(std::wstring_view text, std::wstring_view name, int64_t& value);
bool WritePairInt(std::wstring_view text, std::wstring_view name, int32_t value,
                  std::string& updated);
bool WritePairInt64(std::wstring_view text, std::wstring_view name, int64_t value,
                    std::string& updated);
bool EnsureScanSummaryPairs(std::wstring_view text, std::string& updated);

}  // namespace QVnsNVPairs

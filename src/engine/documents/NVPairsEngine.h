// The name/value pair functions against the engine: each fetches the whole
// "config_file.xml" document and, when it changed something, stores it whole.
// None raises: an engine failure reads as a missing pair and stores nothing.
#pragma once

#include <cstdint>
#include <string_view>

class CEngineSession;

// True with the value of the first pair named `name` (case ignored); false,
// `value` untouched, when there is no such pair or the document cannot be
// fetched.
bool ReadPairInt(std::wstring_view name, int32_t& value);
bool ReadPairInt64(std::wstring_view name, int64_t& value);
bool ReadPairInt(CEngineSession& session, std::wstring_view name, int32_t& value);
bool ReadPairInt64(CEngineSession& session, std::wstring_view name, int64_t& value);

// Replaces the value of an existing pair and stores the document; a missing
// pair is not created and nothing is stored. True when the store succeeded.
bool WritePairInt(std::wstring_view name, int32_t value);
bool WritePairInt64(std::wstring_view name, int64_t value);
bool WritePairInt(CEngineSession& session, std::wstring_view name, int32_t value);
bool WritePairInt64(CEngineSession& session, std::wstring_view name, int64_t value);

// Appends the missing scan summary pairs (exact names) and stores the
// document when anything was appended. True when something was stored.
bool EnsureScanSummaryPairs();
bool EnsureScanSummaryPairs(CEngineSession& session);

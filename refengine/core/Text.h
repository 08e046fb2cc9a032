#pragma once
// Small text helpers shared by the engine units.

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/TextConvert.h"

namespace rre {

std::wstring Lower(std::wstring s);
bool ParseU64(const std::string& s, uint64_t& v);
bool ParseI64(const std::string& s, int64_t& v);

// Engine date-time text "%Y-%m-%dT%H:%M:%S".
std::wstring FormatEngineTime(const SYSTEMTIME& st);
bool ParseEngineTime(const std::wstring& text, SYSTEMTIME& st);
std::wstring NowLocalText();
std::wstring NowUtcText();
// FILETIME-style 100 ns ticks of a SYSTEMTIME (no time-zone conversion).
uint64_t Ticks(const SYSTEMTIME& st);
uint64_t NowLocalTicks();
uint64_t NowUtcTicks();
constexpr uint64_t kTicksPerSecond = 10000000ull;

std::wstring NewGuidText();  // "{XXXXXXXX-...}"

// Reads a whole file of at most maxBytes; false when missing, larger or unreadable.
bool ReadWholeFile(const std::wstring& path, uint64_t maxBytes, std::string& out);

}  // namespace rre

// The engine's date-time text, "%Y-%m-%dT%H:%M:%S" (the same as the documents'
// date-time fields): split at '-', 'T' and ':' into six decimal integers.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

// Year, month, day, hour, minute, second; nothing when the text is not six
// decimal fields or a field is out of its range.
std::optional<SYSTEMTIME> ParseEngineDateTime(std::wstring_view text);
std::wstring FormatEngineDateTime(const SYSTEMTIME& time);

#pragma once
// Text files written by the engine (its results file, say), which may be
// UTF-16 with a byte order mark or UTF-8.
#include <string>

// The file's text in UTF-8: UTF-16 (little-endian, after FF FE) converted,
// anything else as it stands (a UTF-8 byte order mark dropped). Empty when the
// file cannot be read.
std::string ReadTextFileAsUtf8(const std::wstring& path);

// The ignore list's entries and the edits of the scan configuration behind
// them: ignored threats ("IgnoredThreats") and known files and folders
// ("KnownApps"). Pure functions over the document; the page fetches and stores.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/documents/ScanConfig.h"

// One row of the ignore list.
struct IgnoreEntry {
  std::wstring text;       // the threat's name, or the file or folder path
  std::uint32_t id = 0;    // the ignored threat's "Id" (0 for a file or folder)
  bool isThreat = false;   // an ignored threat (a threat may carry the Id 0)

  bool operator==(const IgnoreEntry&) const = default;
};

// "FilePathType" of a known application the page adds.
enum KnownAppPathType : std::int32_t {
  kKnownAppFile = 2,
  kKnownAppFolder = 6,
};

// The rows of a configuration: every ignored threat, in document order, named
// by threatName(Id); then every known file and folder by its "FilePath".
std::vector<IgnoreEntry> BuildIgnoreEntries(
    const QVnsScanConfig::CScanConfig& config,
    const std::function<std::wstring(std::uint32_t id)>& threatName);

// Whether two paths name the same file (letter case ignored, as the file system does).
bool SamePathIgnoringCase(std::wstring_view a, std::wstring_view b);

// Whether a "KnownApp" with this "FilePath" (in any letter case) exists.
bool HasKnownApp(const QVnsScanConfig::CScanConfig& config, std::wstring_view path);

// Whether a file or folder row of the list shows this path (in any letter case).
bool IsPathListed(const std::vector<IgnoreEntry>& entries, std::wstring_view path);

// Appends a "KnownApp" for the path (creating "KnownApps" when absent):
// KnownTypeEnum 1, empty Signature, the path as given, the type, Dirty false,
// Source 1, DateTimeAdded as given (engine date-time text of the local time).
void AppendKnownApp(QVnsScanConfig::CScanConfig& config, const std::wstring& path,
                    KnownAppPathType type, const std::wstring& dateTimeAdded);

// Removes what the entry stands for: a threat entry removes the first
// "IgnoredThreat" with its Id and marks "IgnoredThreats" dirty; a file or folder
// entry removes the first "KnownApp" whose "FilePath" equals its text exactly
// (IsDirty untouched). Returns whether something was removed.
bool RemoveIgnoreEntry(QVnsScanConfig::CScanConfig& config, const IgnoreEntry& entry);

// The current local time as engine date-time text ("%Y-%m-%dT%H:%M:%S").
std::wstring LocalDateTimeText();

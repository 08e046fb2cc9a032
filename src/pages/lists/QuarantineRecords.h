// The engine's quarantine folder as threat list rows: one record file
// ("ARDOQuarantineRecordXML") per quarantined item, read by the page itself.
// Pure functions over files and documents; no windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/documents/QuarantineFile.h"
#include "pages/scan/ThreatRecord.h"

// A record file larger than this is not read (no item record comes near it).
inline constexpr ULONGLONG kMaxQuarantineRecordBytes = 16ull << 20;

// The quarantine folder below the engine's data folder (which ends with a
// separator; one is added when it does not): data folder + "Quarantine\".
std::wstring QuarantineFolderOf(const std::wstring& dataFolder);

// A file of the quarantine folder that matches "*.xml".
struct QuarantineFileEntry {
  std::wstring path;
  ULONGLONG bytes = 0;
};
// The record files of a quarantine folder (ending with a separator), in the
// order the file system lists them. Directories (even one named x.xml),
// reparse points and names that do not end in ".xml" are skipped. A missing folder lists nothing.
std::vector<QuarantineFileEntry> ListQuarantineFiles(const std::wstring& folder);

// The record's UTC stamp in local time: "%Y-%m-%d %H:%M:%S" and "%Y-%m-%d".
struct LocalStamp {
  std::wstring dateTime;
  std::wstring date;
};
// The stamp's "T" may also be a space. zone: the time zone to convert into
// (nullptr: the system's current zone). A stamp that is no valid date and time
// gives empty texts (such a record sorts last).
LocalStamp LocalStampOf(std::wstring_view utcStamp, const TIME_ZONE_INFORMATION* zone);

// The row of a record document: its texts under the list's detail titles, one
// trace per fix, not checked, not expanded, quarantinable, not handled.
ThreatRecord RecordFromQuarantine(const QVnsQuarantineFile::CARDOQuarantineRecordXML& record,
                                  const threat::DetailTitles& titles,
                                  const TIME_ZONE_INFORMATION* zone);

// Reads one record file into a row; nothing when the file cannot be read, is
// larger than kMaxQuarantineRecordBytes or is not a whole record document.
std::optional<ThreatRecord> ReadQuarantineRecord(const QuarantineFileEntry& file,
                                                 const threat::DetailTitles& titles,
                                                 const TIME_ZONE_INFORMATION* zone);

// Newest first by dateTimeText (compared as 16-bit code units); records of the
// same stamp keep their order.
void SortNewestFirst(std::vector<ThreatRecord>& records);

// Every usable record of a quarantine folder, newest first. `skipped`, when
// given, receives the number of record files that could not be used.
std::vector<ThreatRecord> ReadQuarantineFolder(const std::wstring& folder,
                                               const threat::DetailTitles& titles,
                                               const TIME_ZONE_INFORMATION* zone,
                                               int* skipped = nullptr);

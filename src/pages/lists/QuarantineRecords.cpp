#include "pages/lists/QuarantineRecords.h"

#include <algorithm>
#include <cwchar>

#include "engine/EngineDateTime.h"
#include "framework/Handles.h"

namespace QF = QVnsQuarantineFile;

namespace {

// The file's bytes when it opens and holds at most `limit` of them.
std::optional<std::string> ReadBoundedFile(const std::wstring& path, ULONGLONG limit) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<ULONGLONG>(size.QuadPart) > limit)
    return std::nullopt;
  // One byte more than the size: a file that grew since is seen, not cut.
  std::string bytes(static_cast<size_t>(size.QuadPart) + 1, '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                    nullptr))
      return std::nullopt;
    if (got == 0) break;
    done += got;
  }
  if (done > static_cast<size_t>(size.QuadPart)) return std::nullopt;
  bytes.resize(done);
  return bytes;
}

std::wstring Format(const wchar_t* format, const SYSTEMTIME& t) {
  wchar_t buffer[32];
  std::swprintf(buffer, 32, format, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return buffer;
}

}  // namespace

std::wstring QuarantineFolderOf(const std::wstring& dataFolder) {
  std::wstring folder = dataFolder;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder + L"Quarantine\\";
}

std::vector<QuarantineFileEntry> ListQuarantineFiles(const std::wstring& folder) {
  std::vector<QuarantineFileEntry> files;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileExW((folder + L"*.xml").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    // The pattern also matches through short names ("record.xml.old" as
    // "RECORD~1.XML"): only names that end in ".xml" are records.
    const size_t length = std::wcslen(found.cFileName);
    if (length < 4 || ::CompareStringOrdinal(found.cFileName + length - 4, 4, L".xml", 4, TRUE) !=
                          CSTR_EQUAL)
      continue;
    files.push_back({folder + found.cFileName,
                     (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow});
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

LocalStamp LocalStampOf(std::wstring_view utcStamp, const TIME_ZONE_INFORMATION* zone) {
  std::wstring text(utcStamp);
  std::replace(text.begin(), text.end(), L' ', L'T');
  std::optional<SYSTEMTIME> utc = ParseEngineDateTime(text);
  SYSTEMTIME local{};
  if (!utc || !::SystemTimeToTzSpecificLocalTime(zone, &*utc, &local)) return {};
  return {Format(L"%04u-%02u-%02u %02u:%02u:%02u", local), Format(L"%04u-%02u-%02u", local)};
}

ThreatRecord RecordFromQuarantine(const QF::CARDOQuarantineRecordXML& record,
                                  const threat::DetailTitles& titles,
                                  const TIME_ZONE_INFORMATION* zone) {
  ThreatRecord r;
  r.name = record.name.Get();
  r.category = record.category.Get();
  r.adviceText = titles.advice + record.threatAdviceDetails.Get();
  r.descriptionText = titles.description + record.desc.Get();
  r.adviseType = static_cast<int>(record.adviseType.Get());
  r.action = r.adviseType;
  r.level = static_cast<int>(record.level.Get());
  r.handled = false;
  r.canQuarantine = true;
  LocalStamp stamp = LocalStampOf(record.dateTimeStampUTC.Get(), zone);
  r.dateTimeText = std::move(stamp.dateTime);
  r.dateText = std::move(stamp.date);
  r.quarantineId = record.quarantineId.Get();
  r.tracesText = titles.traces;
  if (const QF::Cfixes* fixes = record.fixes.Get()) {
    r.traces.reserve(fixes->fix.Count());
    for (const QF::Cfix& fix : fixes->fix) {
      r.tracesText += L'\n';
      r.tracesText += fix.dispValue.Get();
      r.traces.push_back(ThreatTrace{fix.dispValue.Get(), false});
    }
  }
  r.traceCount = static_cast<int>(r.traces.size());
  return r;
}

std::optional<ThreatRecord> ReadQuarantineRecord(const QuarantineFileEntry& file,
                                                 const threat::DetailTitles& titles,
                                                 const TIME_ZONE_INFORMATION* zone) {
  if (file.bytes > kMaxQuarantineRecordBytes) return std::nullopt;
  std::optional<std::string> bytes = ReadBoundedFile(file.path, kMaxQuarantineRecordBytes);
  if (!bytes) return std::nullopt;
  QF::CARDOQuarantineRecordXML record;
  if (record.ReadFromMemory(bytes->data(), bytes->size()) != DocBinding::kNoError)
    return std::nullopt;
  return RecordFromQuarantine(record, titles, zone);
}

void SortNewestFirst(std::vector<ThreatRecord>& records) {
  std::stable_sort(records.begin(), records.end(), [](const ThreatRecord& a, const ThreatRecord& b) {
    return a.dateTimeText > b.dateTimeText;
  });
}

std::vector<ThreatRecord> ReadQuarantineFolder(const std::wstring& folder,
                                               const threat::DetailTitles& titles,
                                               const TIME_ZONE_INFORMATION* zone, int* skipped) {
  std::vector<ThreatRecord> records;
  int unusable = 0;
  const std::vector<QuarantineFileEntry> files = ListQuarantineFiles(folder);
  records.reserve(files.size());
  for (const QuarantineFileEntry& file : files) {
    if (std::optional<ThreatRecord> r = ReadQuarantineRecord(file, titles, zone))
      records.push_back(std::move(*r));
    else
      ++unusable;
  }
  SortNewestFirst(records);
  if (skipped) *skipped = unusable;
  return records;
}

// The scan configuration document ("ScanConfig"), fetched with
// GetScanConfig and stored with SetScanConfig.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsScanConfig {

using std::wstring;

#define QV_FIELDS_CPaths(A, T, C, L) A(wstring, Path, L"")
DOCBINDING_CLASS(CPaths, QV_FIELDS_CPaths)
DOCBINDING_CLASS(CPathsToExclude_Paths, QV_FIELDS_CPaths)

#define QV_FIELDS_CPathsToScan(A, T, C, L) L(CPaths, Paths)
DOCBINDING_CLASS(CPathsToScan, QV_FIELDS_CPathsToScan)

#define QV_FIELDS_CPathsToExclude(A, T, C, L) L(CPathsToExclude_Paths, Paths)
DOCBINDING_CLASS(CPathsToExclude, QV_FIELDS_CPathsToExclude)

#define QV_FIELDS_CScanSetting(A, T, C, L)                  \
  A(uint32_t, ScanType, 0)                                  \
  A(bool, ARDO_OPT_SCAN_ALL_LOCAL_DRIVES, false)            \
  A(bool, ARDO_OPT_EXCLUDE_REMOVABLE_DRIVES, true)          \
  A(bool, ARDO_OPT_SCAN_COOKIES, false)                     \
  A(bool, ARDO_OPT_SCAN_PROCESSES, false)                   \
  A(bool, ARDO_OPT_SCAN_PROCESSES_DEEP, false)              \
  A(bool, ARDO_OPT_SCAN_REGISTRY, false)                    \
  A(bool, ARDO_OPT_SUSPEND_ACTIVE_THREATS, false)           \
  A(bool, ARDO_OPT_SCAN_ALL_USERS, false)                   \
  A(bool, ARDO_OPT_SCAN_FILENAME_AND_CHECKSUM, false)       \
  A(bool, ARDO_OPT_SCAN_DONT_CALC_CHECKSUM, false)          \
  A(bool, ARDO_OPT_SCAN_COMMON_TACTICS, false)              \
  A(bool, ARDO_OPT_SCAN_KNOWN_FILE_TYPES_ONLY, false)       \
  A(bool, ARDO_OPT_RECURSIVE_FILE_SCAN, false)              \
  A(bool, ARDO_OPT_KEEP_SCAN_RECORD, false)                 \
  A(bool, ARDO_OPT_SCAN_FILES, false)                       \
  A(bool, ARDO_OPT_KESTRA_SUSPICIOUS, false)                \
  A(bool, ARDO_OPT_SCAN_ARCHIVES, false)                    \
  A(bool, ARDO_OPT_SCAN_DERIVATIVES, false)                 \
  A(bool, ARDO_OPT_SCAN_ROOTKITS, false)                    \
  A(int32_t, MaxScanThreatLevel, -1)                        \
  A(int32_t, ThreadPriority, 0)                             \
  A(uint32_t, TotalTimePreviousScanSeconds, 0)              \
  A(bool, PathsToScanEnabled, false)                        \
  A(bool, ScannedWithFileCache, false)                      \
  A(uint32_t, TotalTimePreviousScanSecondsWithFileCache, 0) \
  C(CPathsToScan, PathsToScan, Optional)                    \
  C(CPathsToExclude, PathsToExclude, Optional)
DOCBINDING_CLASS(CScanSetting, QV_FIELDS_CScanSetting)

#define QV_FIELDS_CScanSchedule(A, T, C, L) \
  A(int32_t, ScheduleID, 0)                 \
  A(wstring, ScanScheduleName, L"")         \
  A(uint32_t, ScanType, 0)                  \
  A(wstring, StartTime, L"")                \
  A(bool, EnableSun, false)                 \
  A(bool, EnableMon, false)                 \
  A(bool, EnableTue, false)                 \
  A(bool, EnableWed, false)                 \
  A(bool, EnableThu, false)                 \
  A(bool, EnableFri, false)                 \
  A(bool, EnableSat, false)                 \
  A(bool, Enabled, false)                   \
  A(bool, UseFileCache, false)              \
  C(CScanSetting, ScanSetting, Optional)
DOCBINDING_CLASS(CScanSchedule, QV_FIELDS_CScanSchedule)

#define QV_FIELDS_CScanSchedules(A, T, C, L) L(CScanSchedule, ScanSchedule)
DOCBINDING_CLASS(CScanSchedules, QV_FIELDS_CScanSchedules)

#define QV_FIELDS_CScanSettings(A, T, C, L) L(CScanSetting, ScanSetting)
DOCBINDING_CLASS(CScanSettings, QV_FIELDS_CScanSettings)

#define QV_FIELDS_CIgnoredThreat(A, T, C, L) \
  A(uint32_t, Source, 0)                     \
  A(uint32_t, Id, 0)                         \
  A(wstring, DateTimeAdded, L"")
DOCBINDING_CLASS(CIgnoredThreat, QV_FIELDS_CIgnoredThreat)

#define QV_FIELDS_CIgnoredThreats(A, T, C, L) \
  A(bool, IsDirty, false)                     \
  L(CIgnoredThreat, IgnoredThreat)
DOCBINDING_CLASS(CIgnoredThreats, QV_FIELDS_CIgnoredThreats)

#define QV_FIELDS_CThreatCategoryAction(A, T, C, L) \
  A(wstring, CategoryName, L"")                     \
  A(int32_t, ActionEnum, 0)                         \
  A(uint32_t, CategoryID, 0)
DOCBINDING_CLASS(CThreatCategoryAction, QV_FIELDS_CThreatCategoryAction)

#define QV_FIELDS_CThreatCategoryActions(A, T, C, L) \
  A(bool, IsDirty, false)                            \
  L(CThreatCategoryAction, ThreatCategoryAction)
DOCBINDING_CLASS(CThreatCategoryActions, QV_FIELDS_CThreatCategoryActions)

#define QV_FIELDS_CKnownApp(A, T, C, L) \
  A(uint32_t, KnownTypeEnum, 0)         \
  A(wstring, Signature, L"")            \
  A(wstring, FilePath, L"")             \
  A(int32_t, FilePathType, 0)           \
  A(bool, Dirty, false)                 \
  A(int32_t, Source, 0)                 \
  A(wstring, DateTimeAdded, L"")
DOCBINDING_CLASS(CKnownApp, QV_FIELDS_CKnownApp)

#define QV_FIELDS_CKnownApps(A, T, C, L) \
  A(bool, IsDirty, false)                \
  L(CKnownApp, KnownApp)
DOCBINDING_CLASS(CKnownApps, QV_FIELDS_CKnownApps)

#define QV_FIELDS_CScanConfig(A, T, C, L)                    \
  A(wstring, SchemaVersion, L"4.0.0")                        \
  A(bool, DefaultConfig, true)                               \
  A(uint32_t, DaysToKeepHistoryAndEventItems, 0)             \
  A(uint32_t, DaysToKeepQuarantinedItems, 0)                 \
  A(uint64_t, MaxCheckFileLen, 0)                            \
  A(uint64_t, MinCheckFileLen, 0)                            \
  A(bool, ShowUserScanResultsScheduled, false)               \
  A(bool, ShowUserScanResultsManual, false)                  \
  A(uint32_t, ScanStartTimeWindowMinutes, 0)                 \
  A(bool, CheckForUpdatesBeforeScan, true)                   \
  A(int32_t, MissedScanActionEnum, 0)                        \
  A(uint32_t, MissedScanDelayIntervalMinutes, 0)             \
  A(wstring, NextScheduledScanDateTime, L"false")            \
  A(int32_t, CookieDefaultAction, 0)                         \
  A(wstring, LastScanDateTime, L"")                          \
  A(int32_t, LastScanType, 0)                                \
  A(uint32_t, ScanDetailCBIntervalMS, 0)                     \
  A(bool, WakeupOnScheduledScan, true)                       \
  A(bool, ARDO_OPT_FIND_LOW_RISK, false)                     \
  A(bool, ScanUSBDrivesUponInsertion, true)                  \
  A(bool, InterruptActiveScanForUSBScan, false)              \
  A(bool, AllowUsersToRightClickScan, true)                  \
  A(bool, UseAdvancedDetectionEngine, true)                  \
  A(wstring, RemovalText, L"Malicious content removed")      \
  A(bool, UseFileCacheManual, true)                          \
  C(CScanSchedules, ScanSchedules, Optional)                 \
  C(CScanSettings, ScanSettings, Optional)                   \
  C(CIgnoredThreats, IgnoredThreats, Optional)               \
  C(CThreatCategoryActions, ThreatCategoryActions, Optional) \
  C(CKnownApps, KnownApps, Optional)                         \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CScanConfig, L"ScanConfig", L"ScanConfig", QV_FIELDS_CScanConfig)

}  // namespace QVnsScanConfig

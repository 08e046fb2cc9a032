// The scan results document ("ARDOThreatEngineResults"): read from the
// engine's results file and written back, with the chosen actions, as the
// clean request.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsScanResults {

using std::wstring;

#define QV_FIELDS_CnumThreats(A, T, C, L) \
  A(uint32_t, found, 0)                   \
  A(uint32_t, ignored, 0)
DOCBINDING_CLASS(CnumThreats, QV_FIELDS_CnumThreats)

#define QV_FIELDS_CnumTraces(A, T, C, L) \
  A(uint32_t, cookies, 0)                \
  A(uint32_t, registry, 0)               \
  A(uint32_t, files, 0)                  \
  A(uint32_t, folders, 0)                \
  A(uint32_t, processes, 0)              \
  A(uint32_t, archives, 0)               \
  A(uint32_t, procModule, 0)             \
  A(uint32_t, procMemory, 0)             \
  A(uint32_t, threads, 0)                \
  A(uint32_t, sysModules, 0)             \
  A(uint32_t, ssdt, 0)                   \
  A(uint32_t, ntdllExport, 0)            \
  A(uint32_t, ntosExport, 0)             \
  A(uint32_t, hookIAT, 0)                \
  A(uint32_t, hookIDT, 0)                \
  A(uint32_t, scanSysEnter, 0)           \
  A(uint32_t, hookDevice, 0)             \
  A(uint32_t, hookCodeSectionRing0, 0)   \
  A(uint32_t, hookCodeSectionRing3, 0)   \
  A(uint32_t, rootkit, 0)                \
  A(uint32_t, MBR, 0)                    \
  A(uint32_t, total, 0)
DOCBINDING_CLASS(CnumTraces, QV_FIELDS_CnumTraces)

#define QV_FIELDS_CdateTimeStampUTC(A, T, C, L) \
  A(wstring, start, L"")                        \
  A(wstring, end, L"")
DOCBINDING_CLASS(CdateTimeStampUTC, QV_FIELDS_CdateTimeStampUTC)

#define QV_FIELDS_Cerror(A, T, C, L) \
  A(uint32_t, action, 0)             \
  A(wstring, item, L"")              \
  A(uint32_t, code, 0)               \
  A(wstring, time, L"")
DOCBINDING_CLASS(Cerror, QV_FIELDS_Cerror)

#define QV_FIELDS_Cerrors(A, T, C, L) L(Cerror, error)
DOCBINDING_CLASS(Cerrors, QV_FIELDS_Cerrors)
DOCBINDING_CLASS(CcleanerResults_errors, QV_FIELDS_Cerrors)

#define QV_FIELDS_CscannerResults(A, T, C, L)      \
  C(CnumThreats, numThreats, Optional)             \
  C(CnumTraces, numTracesScanned, Optional)        \
  C(CnumTraces, numTracesFound, Optional)          \
  C(CdateTimeStampUTC, dateTimeStampUTC, Optional) \
  C(Cerrors, errors, Optional)
DOCBINDING_CLASS(CscannerResults, QV_FIELDS_CscannerResults)

#define QV_FIELDS_CcleanerResults_numThreats(A, T, C, L) \
  A(uint32_t, deleted, 0)                                \
  A(uint32_t, quarantined, 0)                            \
  A(uint32_t, ignored, 0)                                \
  A(uint32_t, reportonly, 0)                             \
  A(uint32_t, total, 0)
DOCBINDING_CLASS(CcleanerResults_numThreats, QV_FIELDS_CcleanerResults_numThreats)

#define QV_FIELDS_CcleanerResults(A, T, C, L)         \
  C(CcleanerResults_numThreats, numThreats, Optional) \
  C(CdateTimeStampUTC, dateTimeStampUTC, Optional)    \
  C(CcleanerResults_errors, errors, Optional)
DOCBINDING_CLASS(CcleanerResults, QV_FIELDS_CcleanerResults)

#define QV_FIELDS_Csummary(A, T, C, L)         \
  A(wstring, scanGUID, L"")                    \
  A(wstring, scanDescription, L"")             \
  A(uint32_t, threatDefinitionVersion, 0)      \
  A(bool, scannerAborted, false)               \
  A(bool, cleanerAborted, false)               \
  C(CscannerResults, scannerResults, Optional) \
  C(CcleanerResults, cleanerResults, Optional)
DOCBINDING_CLASS(Csummary, QV_FIELDS_Csummary)

#define QV_FIELDS_Cpath(A, T, C, L) A(wstring, value, L"")
DOCBINDING_CLASS(Cpath, QV_FIELDS_Cpath)

#define QV_FIELDS_CuserPaths(A, T, C, L) L(Cpath, path)
DOCBINDING_CLASS(CuserIncludedPaths, QV_FIELDS_CuserPaths)
DOCBINDING_CLASS(CuserExcludedPaths, QV_FIELDS_CuserPaths)

#define QV_FIELDS_Cthreat(A, T, C, L) A(uint32_t, id, 0)
DOCBINDING_CLASS(Cthreat, QV_FIELDS_Cthreat)

#define QV_FIELDS_CignoredThreats(A, T, C, L) L(Cthreat, threat)
DOCBINDING_CLASS(CignoredThreats, QV_FIELDS_CignoredThreats)

#define QV_FIELDS_CscannerOptions(A, T, C, L)        \
  A(bool, scanAllLocalDrives, false)                 \
  A(bool, excludeRemovableDrives, false)             \
  A(bool, scanFiles, false)                          \
  A(bool, scanCookies, false)                        \
  A(bool, scanProcesses, false)                      \
  A(bool, scanProcessThread, false)                  \
  A(bool, scanRegistry, false)                       \
  A(bool, scanProcessesDeep, false)                  \
  A(bool, suspendActiveThreats, false)               \
  A(bool, scanAllUsers, false)                       \
  A(bool, useFileNameAndCRC8, false)                 \
  A(bool, dontCalcCRC8, false)                       \
  A(bool, scanCommonTactics, false)                  \
  A(bool, scanArchives, false)                       \
  A(bool, scanKnownFileTypes, false)                 \
  A(bool, recursiveFileScan, false)                  \
  A(bool, findLowRiskThreats, false)                 \
  A(bool, keepScanRecord, false)                     \
  A(uint32_t, maxCheckFileLen, 0)                    \
  A(uint32_t, minCheckFileLen, 0)                    \
  A(bool, scanKestraSuspicious, false)               \
  A(bool, scanDerivatives, false)                    \
  A(bool, scanRootkits, false)                       \
  A(bool, scanProcessMemory, false)                  \
  A(bool, scanSystemModule, false)                   \
  A(bool, ssdt, false)                               \
  A(bool, ntdllExport, false)                        \
  A(bool, ntosExport, false)                         \
  A(bool, hookIAT, false)                            \
  A(bool, scanIDT, false)                            \
  A(bool, scanSysEnter, false)                       \
  A(bool, scanDevice, false)                         \
  A(bool, scanCodeSectionRing0, false)               \
  A(bool, scanCodeSectionRing3, false)               \
  A(bool, scanMBR, false)                            \
  C(CuserIncludedPaths, userIncludedPaths, Optional) \
  C(CuserExcludedPaths, userExcludedPaths, Optional) \
  C(CignoredThreats, ignoredThreats, Optional)
DOCBINDING_CLASS(CscannerOptions, QV_FIELDS_CscannerOptions)

#define QV_FIELDS_CthreatCategoryActions(A, T, C, L) \
  A(wstring, name, L"")                              \
  A(uint32_t, action, 0)                             \
  A(uint32_t, id, 0)
DOCBINDING_CLASS(CthreatCategoryActions, QV_FIELDS_CthreatCategoryActions)

#define QV_FIELDS_CcleanerOptions(A, T, C, L) L(CthreatCategoryActions, threatCategoryActions)
DOCBINDING_CLASS(CcleanerOptions, QV_FIELDS_CcleanerOptions)

#define QV_FIELDS_Cattr(A, T, C, L) \
  A(wstring, n, L"")                \
  A(wstring, v, L"")
DOCBINDING_CLASS(Cattr, QV_FIELDS_Cattr)

#define QV_FIELDS_Ctrace(A, T, C, L) \
  A(uint32_t, type, 0)               \
  A(wstring, dispValue, L"")         \
  L(Cattr, attr)
DOCBINDING_CLASS(Ctrace, QV_FIELDS_Ctrace)

#define QV_FIELDS_Ctraces(A, T, C, L) L(Ctrace, trace)
DOCBINDING_CLASS(Ctraces, QV_FIELDS_Ctraces)

#define QV_FIELDS_Cthreat_2(A, T, C, L)          \
  A(uint32_t, id, 0)                             \
  A(wstring, name, L"")                          \
  A(uint32_t, level, 0)                          \
  A(wstring, category, L"")                      \
  A(wstring, type, L"")                          \
  A(wstring, quarantineId, L"")                  \
  A(uint32_t, adviseType, 0)                     \
  A(bool, canQuarantine, false)                  \
  A(wstring, author, L"")                        \
  A(uint32_t, optionalScan, 0)                   \
  A(int32_t, actionRequested, 0)                 \
  A(int32_t, cleanerResult, 0)                   \
  A(bool, isHookThreat, false)                   \
  A(uint32_t, CategoryID, 0)                     \
  T(wstring, authorURL, L"", Optional)           \
  T(wstring, desc, L"", Optional)                \
  T(wstring, threatAdviceDetails, L"", Optional) \
  T(wstring, customData, L"", Optional)          \
  C(Ctraces, traces, Optional)
DOCBINDING_CLASS(Cthreat_2, QV_FIELDS_Cthreat_2)

#define QV_FIELDS_Cthreats(A, T, C, L) L(Cthreat_2, threat)
DOCBINDING_CLASS(Cthreats, QV_FIELDS_Cthreats)

#define QV_FIELDS_CARDOThreatEngineResults(A, T, C, L) \
  A(wstring, version, L"4.0.0")                        \
  C(Csummary, summary, Optional)                       \
  C(CscannerOptions, scannerOptions, Optional)         \
  C(CcleanerOptions, cleanerOptions, Optional)         \
  C(Cthreats, threats, Optional)
DOCBINDING_ROOT(CARDOThreatEngineResults, L"ARDOThreatEngineResults", L"ScanResults",
                QV_FIELDS_CARDOThreatEngineResults)

}  // namespace QVnsScanResults

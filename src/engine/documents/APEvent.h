// The active protection event document ("APEvent"): one per real-time
// interception, read from the event's text.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsAPEvent {

using std::wstring;

#define QV_FIELDS_CParentProcess(A, T, C, L) \
  A(wstring, FilePath, L"")                  \
  A(uint32_t, PID, 0)                        \
  A(uint64_t, FileSize, 0)                   \
  A(wstring, MD5, L"")                       \
  A(wstring, CRC8, L"")                      \
  A(wstring, CobraPackHash, L"")             \
  A(uint32_t, KnownAsEnum, 0)                \
  A(uint32_t, ThreatID, 0)                   \
  A(bool, AddedToUserKnown, false)           \
  A(wstring, Company, L"")                   \
  A(wstring, FileVersion, L"")               \
  A(wstring, ProductName, L"")               \
  A(wstring, ProductVersion, L"")            \
  A(wstring, Description, L"")               \
  A(wstring, Copyright, L"")
DOCBINDING_CLASS(CParentProcess, QV_FIELDS_CParentProcess)

#define QV_FIELDS_CLaunchMonitor(A, T, C, L) \
  A(wstring, FilePath, L"")                  \
  A(uint64_t, FileSize, 0)                   \
  A(wstring, MD5, L"")                       \
  A(wstring, CRC8, L"")                      \
  A(wstring, CobraPackHash, L"")             \
  A(uint32_t, KnownAsEnum, 0)                \
  A(uint32_t, ThreatID, 0)                   \
  A(bool, AddedToUserKnown, false)           \
  A(wstring, Company, L"")                   \
  A(wstring, FileVersion, L"")               \
  A(wstring, ProductName, L"")               \
  A(wstring, ProductVersion, L"")            \
  A(wstring, Description, L"")               \
  A(wstring, Copyright, L"")
DOCBINDING_CLASS(CLaunchMonitor, QV_FIELDS_CLaunchMonitor)

#define QV_FIELDS_CRegistryMonitor(A, T, C, L) \
  A(wstring, RegKey, L"")                      \
  A(wstring, ValueName, L"")                   \
  A(wstring, ValueData, L"")                   \
  A(uint32_t, KnownAsEnum, 0)                  \
  A(uint32_t, ThreatID, 0)
DOCBINDING_CLASS(CRegistryMonitor, QV_FIELDS_CRegistryMonitor)

#define QV_FIELDS_CFileMonitor(A, T, C, L) \
  A(wstring, FilePath, L"")                \
  A(wstring, MD5, L"")                     \
  A(wstring, CRC8, L"")                    \
  A(wstring, CobraPackHash, L"")           \
  A(uint32_t, KnownAsEnum, 0)              \
  A(uint32_t, ThreatID, 0)                 \
  A(wstring, Company, L"")                 \
  A(wstring, FileVersion, L"")             \
  A(wstring, ProductName, L"")             \
  A(wstring, ProductVersion, L"")          \
  A(wstring, Description, L"")             \
  A(wstring, Copyright, L"")
DOCBINDING_CLASS(CFileMonitor, QV_FIELDS_CFileMonitor)

#define QV_FIELDS_CFinalDispositionInfo(A, T, C, L) \
  A(uint32_t, DispositionEnum, 0)                   \
  A(uint32_t, AuthorityEnum, 0)                     \
  A(uint32_t, QuarantineStatusCode, 0)              \
  A(wstring, QID, L"")                              \
  A(wstring, UserName, L"")                         \
  A(uint32_t, ErrorEnum, 0)
DOCBINDING_CLASS(CFinalDispositionInfo, QV_FIELDS_CFinalDispositionInfo)

#define QV_FIELDS_CAPEvent(A, T, C, L)                     \
  A(wstring, SchemaVersion, L"4.0.0")                      \
  A(bool, DefaultConfig, true)                             \
  A(uint32_t, EventTypeEnum, 0)                            \
  A(uint32_t, TimeoutInSeconds, 0)                         \
  A(uint32_t, MonitorID, 0)                                \
  A(wstring, MsgID, L"")                                   \
  A(uint32_t, MonitorTypeEnum, 0)                          \
  A(bool, RecommendScan, false)                            \
  A(wstring, SDKVersion, L"")                              \
  A(wstring, ThreatDefVersion, L"")                        \
  A(wstring, APEventID, L"")                               \
  A(bool, IsAllowOk, true)                                 \
  A(bool, IsAllowAlwaysOk, true)                           \
  A(bool, IsBlockOk, true)                                 \
  A(bool, IsBlockAlwaysOk, true)                           \
  A(bool, IsQuarantineOk, true)                            \
  A(uint32_t, EventActorEnum, 0)                           \
  A(wstring, EventDateTime, L"")                           \
  A(wstring, TransactionID, L"")                           \
  A(wstring, RemoteClientAddress, L"")                     \
  C(CParentProcess, ParentProcess, Optional)               \
  C(CLaunchMonitor, LaunchMonitor, Optional)               \
  C(CRegistryMonitor, RegistryMonitor, Optional)           \
  C(CFileMonitor, FileMonitor, Optional)                   \
  C(CFinalDispositionInfo, FinalDispositionInfo, Optional) \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CAPEvent, L"APEvent", L"APEvent", QV_FIELDS_CAPEvent)

}  // namespace QVnsAPEvent

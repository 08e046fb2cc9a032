// The active protection configuration document ("APConfig"), fetched with
// GetAPConfig and stored with SetAPConfig.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsAPConfig {

using std::wstring;

#define QV_FIELDS_CMonitor(A, T, C, L) \
  A(uint32_t, Type, 0)                 \
  A(uint32_t, ActionEnum, 0)           \
  A(bool, Enabled, false)
DOCBINDING_CLASS(CMonitor, QV_FIELDS_CMonitor)

#define QV_FIELDS_CMonitors(A, T, C, L) L(CMonitor, Monitor)
DOCBINDING_CLASS(CMonitors, QV_FIELDS_CMonitors)

#define QV_FIELDS_CUserExtension(A, T, C, L) \
  A(wstring, Extension, L"")                 \
  A(uint32_t, Source, 2)                     \
  A(bool, Enabled, false)
DOCBINDING_CLASS(CUserExtension, QV_FIELDS_CUserExtension)

#define QV_FIELDS_CUserExtensions(A, T, C, L) \
  A(bool, IsDirty, false)                     \
  L(CUserExtension, UserExtension)
DOCBINDING_CLASS(CUserExtensions, QV_FIELDS_CUserExtensions)

#define QV_FIELDS_CAPConfig(A, T, C, L)             \
  A(wstring, SchemaVersion, L"4.0.0")               \
  A(bool, DefaultConfig, true)                      \
  A(bool, Enabled, false)                           \
  A(bool, ExcludeLowRiskThreats, false)             \
  A(uint32_t, KnownBadApplicationResponseEnum, 0)   \
  A(uint32_t, SuspiciousApplicationResponseEnum, 0) \
  A(bool, IncludeQuarantineOption, false)           \
  C(CMonitors, Monitors, Optional)                  \
  C(CUserExtensions, UserExtensions, Optional)      \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CAPConfig, L"APConfig", L"APConfig", QV_FIELDS_CAPConfig)

}  // namespace QVnsAPConfig

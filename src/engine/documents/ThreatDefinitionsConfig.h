// The definitions update configuration document ("DefinitionUpdateConfig"),
// fetched with GetDefinitionUpdateConfig and stored with
// SetDefinitionUpdateConfig.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsThreatDefinitionsConfig {

using std::wstring;

#define QV_FIELDS_CTROVEConfig(A, T, C, L) \
  A(wstring, BaseURL, L"")                 \
  A(uint32_t, ProductID, 0)                \
  A(uint32_t, StageID, 0)                  \
  A(wstring, PackageType, L"")             \
  A(wstring, Language, L"")                \
  A(wstring, Vendor, L"")                  \
  A(wstring, RegistrationCode, L"")
DOCBINDING_CLASS(CTROVEConfig, QV_FIELDS_CTROVEConfig)

#define QV_FIELDS_CDefinitionUpdateConfig(A, T, C, L) \
  A(wstring, SchemaVersion, L"4.0.0")                 \
  A(bool, DefaultConfig, true)                        \
  A(bool, Enabled, true)                              \
  A(uint32_t, UpdateInterval, 4)                      \
  A(bool, CheckDefsOnStartup, false)                  \
  A(wstring, LastUpdateDateTime, L"")                 \
  C(CTROVEConfig, TROVEConfig, Optional)              \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CDefinitionUpdateConfig, L"DefinitionUpdateConfig", L"ThreatDefinitionsConfig",
                QV_FIELDS_CDefinitionUpdateConfig)

}  // namespace QVnsThreatDefinitionsConfig

// The service configuration document ("ServiceConfig"), fetched with
// GetServiceConfig and stored with SetServiceConfig.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsServiceConfig {

using std::wstring;

#define QV_FIELDS_CProxySettings(A, T, C, L) \
  A(bool, Enabled, false)                    \
  A(bool, UseAuth, false)                    \
  A(wstring, AuthType, L"")                  \
  A(wstring, Address, L"")                   \
  A(wstring, Port, L"")                      \
  A(wstring, UserName, L"")                  \
  A(wstring, Password, L"")                  \
  A(wstring, Domain, L"")
DOCBINDING_CLASS(CProxySettings, QV_FIELDS_CProxySettings)

#define QV_FIELDS_CServiceConfig(A, T, C, L)   \
  A(wstring, SchemaVersion, L"4.0.0")          \
  A(bool, DefaultConfig, true)                 \
  A(uint32_t, LogLevel, 1)                     \
  A(uint32_t, FileCount, 3)                    \
  A(uint32_t, RollOverSizeMB, 10)              \
  A(bool, OptInToHiveWatch, false)             \
  A(bool, OptInToHiveWatchUploadFiles, false)  \
  A(bool, EmailAV, true)                       \
  A(wstring, LastLoggedInUser, L"")            \
  A(bool, AllowAutomaticInternetAccess, false) \
  A(bool, PowerSaveMode, false)                \
  A(wstring, SiteID, L"")                      \
  A(bool, LogToWindowsEventLog, false)         \
  A(bool, HasAntiSpyware, true)                \
  A(bool, HasFirewall, false)                  \
  C(CProxySettings, ProxySettings, Optional)   \
  T(wstring, SSD, L"", Optional)
DOCBINDING_ROOT(CServiceConfig, L"ServiceConfig", L"ServiceConfig", QV_FIELDS_CServiceConfig)

}  // namespace QVnsServiceConfig

// The quarantine record document ("ARDOQuarantineRecordXML"): one file per
// quarantined item in the engine's quarantine folder.
#pragma once

#include "engine/documents/Binding.h"

namespace QVnsQuarantineFile {

using std::wstring;

#define QV_FIELDS_QuarantineCattr(A, T, C, L) \
  A(wstring, n, L"")                          \
  A(wstring, v, L"")
DOCBINDING_CLASS(Cattr, QV_FIELDS_QuarantineCattr)

#define QV_FIELDS_CfixAttributes(A, T, C, L) L(Cattr, attr)
DOCBINDING_CLASS(CoriginalAttributes, QV_FIELDS_CfixAttributes)
DOCBINDING_CLASS(CquarantineAttributes, QV_FIELDS_CfixAttributes)

#define QV_FIELDS_Cfix(A, T, C, L)                     \
  A(uint32_t, traceType, 0)                            \
  A(wstring, dispValue, L"")                           \
  A(uint32_t, actionType, 0)                           \
  A(bool, isTransient, false)                          \
  C(CoriginalAttributes, originalAttributes, Optional) \
  C(CquarantineAttributes, quarantineAttributes, Optional)
DOCBINDING_CLASS(Cfix, QV_FIELDS_Cfix)

#define QV_FIELDS_Cfixes(A, T, C, L) L(Cfix, fix)
DOCBINDING_CLASS(Cfixes, QV_FIELDS_Cfixes)

#define QV_FIELDS_CARDOQuarantineRecordXML(A, T, C, L) \
  A(wstring, scanGUID, L"")                            \
  A(wstring, quarantineLocation, L"")                  \
  A(wstring, name, L"")                                \
  A(wstring, type, L"")                                \
  A(wstring, quarantineId, L"")                        \
  A(wstring, author, L"")                              \
  A(wstring, category, L"")                            \
  A(wstring, dateTimeStampUTC, L"")                    \
  A(uint32_t, threatId, 0)                             \
  A(uint32_t, level, 0)                                \
  A(uint32_t, CategoryID, 0)                           \
  A(uint32_t, adviseType, 0)                           \
  A(uint32_t, optionalScan, 0)                         \
  A(uint32_t, removalType, 0)                          \
  A(uint32_t, Source, 0)                               \
  A(bool, isHookThreat, false)                         \
  A(bool, canQuarantine, true)                         \
  A(bool, BufferOnly, true)                            \
  A(uint32_t, threatDefinitionVersion, 0)              \
  T(wstring, authorURL, L"", Mandatory)                \
  T(wstring, desc, L"", Mandatory)                     \
  T(wstring, threatAdviceDetails, L"", Mandatory)      \
  T(wstring, customData, L"", Mandatory)               \
  C(Cfixes, fixes, Mandatory)
DOCBINDING_ROOT(CARDOQuarantineRecordXML, L"ARDOQuarantineRecordXML", L"QuarantineFile",
                QV_FIELDS_CARDOQuarantineRecordXML)

}  // namespace QVnsQuarantineFile

#include "engine/documents/APEvent.h"

namespace QVnsAPEvent {

DOCBINDING_DESCRIBE(CParentProcess, QV_FIELDS_CParentProcess)
DOCBINDING_DESCRIBE(CLaunchMonitor, QV_FIELDS_CLaunchMonitor)
DOCBINDING_DESCRIBE(CRegistryMonitor, QV_FIELDS_CRegistryMonitor)
DOCBINDING_DESCRIBE(CFileMonitor, QV_FIELDS_CFileMonitor)
DOCBINDING_DESCRIBE(CFinalDispositionInfo, QV_FIELDS_CFinalDispositionInfo)
DOCBINDING_DESCRIBE(CAPEvent, QV_FIELDS_CAPEvent)

}  // namespace QVnsAPEvent

#include "engine/documents/APConfig.h"

namespace QVnsAPConfig {

DOCBINDING_DESCRIBE(CMonitor, QV_FIELDS_CMonitor)
DOCBINDING_DESCRIBE(CMonitors, QV_FIELDS_CMonitors)
DOCBINDING_DESCRIBE(CUserExtension, QV_FIELDS_CUserExtension)
DOCBINDING_DESCRIBE(CUserExtensions, QV_FIELDS_CUserExtensions)
DOCBINDING_DESCRIBE(CAPConfig, QV_FIELDS_CAPConfig)

}  // namespace QVnsAPConfig

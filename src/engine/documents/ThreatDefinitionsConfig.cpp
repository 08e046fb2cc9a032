#include "engine/documents/ThreatDefinitionsConfig.h"

namespace QVnsThreatDefinitionsConfig {

DOCBINDING_DESCRIBE(CTROVEConfig, QV_FIELDS_CTROVEConfig)
DOCBINDING_DESCRIBE(CDefinitionUpdateConfig, QV_FIELDS_CDefinitionUpdateConfig)

}  // namespace QVnsThreatDefinitionsConfig

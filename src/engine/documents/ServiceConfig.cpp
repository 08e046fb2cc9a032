#include "engine/documents/ServiceConfig.h"

namespace QVnsServiceConfig {

DOCBINDING_DESCRIBE(CProxySettings, QV_FIELDS_CProxySettings)
DOCBINDING_DESCRIBE(CServiceConfig, QV_FIELDS_CServiceConfig)

}  // namespace QVnsServiceConfig

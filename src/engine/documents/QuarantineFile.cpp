#include "engine/documents/QuarantineFile.h"

namespace QVnsQuarantineFile {

DOCBINDING_DESCRIBE(Cattr, QV_FIELDS_QuarantineCattr)
DOCBINDING_DESCRIBE(CoriginalAttributes, QV_FIELDS_CfixAttributes)
DOCBINDING_DESCRIBE(CquarantineAttributes, QV_FIELDS_CfixAttributes)
DOCBINDING_DESCRIBE(Cfix, QV_FIELDS_Cfix)
DOCBINDING_DESCRIBE(Cfixes, QV_FIELDS_Cfixes)
DOCBINDING_DESCRIBE(CARDOQuarantineRecordXML, QV_FIELDS_CARDOQuarantineRecordXML)

}  // namespace QVnsQuarantineFile

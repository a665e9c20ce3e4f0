#include "extract/ExtractDefinitionInfo.h"

#include "app/Session.h"

namespace fenlark {

void ExtractDefinitionInfo(Session& session) {
    // Definition-driven extraction is being written; until then a type 1 demo
    // shows its type and version only.
    (void)session;
}

} // namespace fenlark

#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void TidyPreformatted(Buffer&, PassContext&) {}
}  // namespace sw

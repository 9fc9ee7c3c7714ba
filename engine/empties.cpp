#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void StripEmptyTags(Buffer&, PassContext&) {}
}  // namespace sw

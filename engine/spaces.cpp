#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void StripSpaces(Buffer&, PassContext&) {}
void SpaceKeywordStep(Buffer&, PassContext&) {}
}  // namespace sw

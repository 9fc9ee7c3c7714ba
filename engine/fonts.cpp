#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void ShrinkFontTags(Buffer&, PassContext&) {}
}  // namespace sw

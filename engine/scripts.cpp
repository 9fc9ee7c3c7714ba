#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void OptimizeScriptBlock(Buffer&, PassContext&) {}
void OptimizeStyleBlockText(Buffer&, PassContext&) {}
}  // namespace sw

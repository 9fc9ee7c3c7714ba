#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void RewrapLines(Buffer&, PassContext&) {}
void StripCR(Buffer&, PassContext&) {}
}  // namespace sw

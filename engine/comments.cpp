#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void StripComments(Buffer&, PassContext&) {}
}  // namespace sw

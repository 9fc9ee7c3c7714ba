#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void StripQuotes(Buffer&, PassContext&) {}
}  // namespace sw

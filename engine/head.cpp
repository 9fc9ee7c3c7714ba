#include "engine/passes.h"
namespace sw {
// Not built yet: leaves its buffer unchanged.
void StripAllMeta(Buffer&, PassContext&) {}
void StripGenerator(Buffer&, PassContext&) {}
void StripDTD(Buffer&, PassContext&) {}
void StripNonHTML(Buffer&, PassContext&) {}
}  // namespace sw

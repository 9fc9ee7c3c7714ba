#include "engine/passes.h"
namespace sw {
// Not built yet: each pass leaves its buffer unchanged.
void ConvertStrongToB(Buffer&, PassContext&) {}
void ConvertEmToI(Buffer&, PassContext&) {}
void ConvertCiteToI(Buffer&, PassContext&) {}
void ConvertAddressToI(Buffer&, PassContext&) {}
void ConvertDfnToI(Buffer&, PassContext&) {}
void ConvertCodeToTT(Buffer&, PassContext&) {}
void ConvertSampToTT(Buffer&, PassContext&) {}
void ConvertKbdToTT(Buffer&, PassContext&) {}
void StripClosingP(Buffer&, PassContext&) {}
void StripClosingLI(Buffer&, PassContext&) {}
}  // namespace sw

// Redundant quote removal steps that other passes reuse.
#pragma once
#include <string_view>

#include "engine/primitives.h"

namespace sw {

// Takes the double quotes off the value of the first occurrence of attrText
// (an attribute name with its "=", matched without regard to case) in text,
// when that value is a hexadecimal colour ("#...") that can stand unquoted.
// Does nothing unless colours are standardised.
void StripHexQuotesOnce(Buffer& text, std::string_view attrText, bool standardColors);

}  // namespace sw

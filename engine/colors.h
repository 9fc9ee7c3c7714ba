// The colour name table of the colour standardisation pass.
#pragma once
#include <cstddef>
#include <string_view>

namespace sw {

struct ColorRow {
  const char* name;   // lower case
  const char* value;  // "#" and six upper-case hexadecimal digits
};

// All rows, sorted by name.
const ColorRow* ColorTable(size_t& count);

// The table's value for a colour name (any letter case, whole text), or the
// text itself when it names no colour of the table.
std::string_view LookupColor(std::string_view text);

}  // namespace sw

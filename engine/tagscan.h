// Byte-level tag reading shared by the head, font, quote and preformatted
// passes. These follow the way a browser splits markup, so that a pass
// never treats text as a tag or a quoted value as attribute names.
#pragma once
#include <cstddef>
#include <string_view>

namespace sw::tagscan {

constexpr size_t npos = std::string_view::npos;

// Blanks that separate attributes.
inline bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
inline bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A "<" starts a tag only when a letter, "/" or "!" follows it; "a <= b" is text.
inline bool StartsTag(std::string_view s, size_t lt) {
  if (lt + 1 >= s.size() || s[lt] != '<') return false;
  unsigned char c = (unsigned char)s[lt + 1];
  return IsLetter(c) || c == '/' || c == '!';
}

// First tag start at or after from, or npos.
inline size_t NextTagStart(std::string_view s, size_t from) {
  for (size_t i = s.find('<', from); i != npos; i = s.find('<', i + 1))
    if (StartsTag(s, i)) return i;
  return npos;
}

// The ">" that ends the tag opened at lt. A quoted attribute value may hold a
// ">"; when a quote is left open the first ">" behind lt is taken. npos: none.
inline size_t TagEnd(std::string_view s, size_t lt) {
  size_t i = lt + 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '>') return i;
    if (c == '=') {
      size_t j = i + 1;
      while (j < s.size() && IsBlank((unsigned char)s[j])) ++j;
      if (j < s.size() && (s[j] == '"' || s[j] == '\'')) {
        size_t close = s.find(s[j], j + 1);
        if (close == npos) return s.find('>', lt + 1);
        i = close + 1;
        continue;
      }
      i = j;
      continue;
    }
    ++i;
  }
  return npos;
}

}  // namespace sw::tagscan

// Text primitives shared by the driver, every pass and the custom terms.
// Positions are 1-based; 0 means "not found". A negative start asks for the
// ASCII case fold (letters A..z, with the at-sign/backquote consequence).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sw {

// The work buffer: raw bytes, never converted.
using Buffer = std::string;

// True when pattern byte p matches text byte t under the matching rule.
inline bool BytesMatch(unsigned char p, unsigned char t, bool ignoreCase) {
  if (p == '?' || p == t) return true;
  return ignoreCase && t >= 65 && t <= 122 && p <= 122 && (t ^ 32) == p;
}

// True when pattern matches text at 0-based offset off (bounds checked).
inline bool MatchAt(std::string_view text, std::string_view pattern, size_t off, bool ignoreCase) {
  if (pattern.empty() || off > text.size() || pattern.size() > text.size() - off) return false;
  for (size_t i = 0; i < pattern.size(); ++i)
    if (!BytesMatch((unsigned char)pattern[i], (unsigned char)text[off + i], ignoreCase)) return false;
  return true;
}

int32_t FindText(std::string_view text, std::string_view pattern, int32_t start);
int32_t FindTextBack(std::string_view text, std::string_view pattern, int32_t start);
int32_t FindChar(std::string_view text, char c, int32_t pos);
int32_t FindCharBack(std::string_view text, char c, int32_t pos);

// Replaces every match in one sweep, with the resume rule: behind an inserted
// replacement, or where a deleted match began. Returns the count.
int32_t ReplaceAll(Buffer& buf, std::string_view find, std::string_view repl, bool ignoreCase);

// Convenience for passes: case-folded search from a 1-based position.
inline int32_t FindI(std::string_view text, std::string_view pattern, int32_t start) {
  return start < 1 ? 0 : FindText(text, pattern, -start);
}

// 0-based offset of the first byte at or after from that is one of Cs, or
// the text's size when none is. Sixteen bytes are looked at a time, so a
// pass can skip to the few bytes it acts on.
template <char... Cs>
size_t FindAnyOf(std::string_view text, size_t from) {
  const size_t n = text.size();
  const char* s = text.data();
  size_t i = from;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i hit = (_mm_cmpeq_epi8(x, _mm_set1_epi8(Cs)) | ...);
    if (const unsigned bits = unsigned(_mm_movemask_epi8(hit))) return i + size_t(__builtin_ctz(bits));
  }
#endif
  for (; i < n; ++i)
    if (((s[i] == Cs) || ...)) return i;
  return n;
}

// Calls f with the 0-based offset of every byte C in text, left to right.
// Where the byte is frequent (the "<" of markup), reading sixteen bytes at a
// time and walking the hits costs less than a library search per hit.
template <char C, class F>
void ForEachByte(std::string_view text, F f) {
  const size_t n = text.size();
  const char* s = text.data();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i c = _mm_set1_epi8(C);
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    for (unsigned bits = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, c))); bits; bits &= bits - 1)
      f(i + size_t(__builtin_ctz(bits)));
  }
#endif
  for (; i < n; ++i)
    if (s[i] == C) f(i);
}

// ASCII-only lower-casing of a copy.
std::string AsciiLower(std::string_view s);
bool EqualsI(std::string_view a, std::string_view b);

}  // namespace sw

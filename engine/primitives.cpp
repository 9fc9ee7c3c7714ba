#include "engine/primitives.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SW_AVX2_SCAN 1
#endif

namespace sw {

namespace {

#if SW_AVX2_SCAN
// Whether this processor reads 32 bytes at a time; the build itself assumes
// only what every x86-64 processor has.
const bool kHasAvx2 = [] {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}();
#endif

// A compiled pattern: two of its bytes (the first and the last fixed one)
// looked for sixteen positions at a time, and the fastest exact comparison
// the pattern allows for the positions where both fit.
struct Matcher {
  std::string_view pat;
  bool ic;
  bool anyFirst = false;     // "?" first: every position is a candidate
  int first = -1, alt = -1;  // text bytes that can match the first pattern byte
  size_t anchor = 0;         // a second fixed pattern byte (0: none)
  int second = -1, secondAlt = -1;
  // A third one in the middle, for patterns of four bytes or more: markup
  // is full of short tags that agree with a tag pattern in its first and
  // last byte ("<td>" with "<tt>", "<table" with "<style"), and each
  // candidate costs a comparison.
  size_t middle = 0;  // 0: none
  int third = -1, thirdAlt = -1;
  bool plain = false;        // no "?" and no case folding: memcmp will do
  bool word = false;         // short folded pattern compared eight bytes at once
  uint64_t canonWord = 0, canonMask = 0;

  // The text bytes that match pattern byte c: c, and its other case.
  void Candidates(unsigned char c, int& one, int& other) const {
    one = c;
    other = c;
    const int t = c ^ 32;
    if (ic && c <= 122 && t >= 65 && t <= 122) other = t;
  }

  Matcher(std::string_view p, bool ignoreCase) : pat(p), ic(ignoreCase) {
    if (p.empty()) return;
    unsigned char c = (unsigned char)p[0];
    if (c == '?') {
      anyFirst = true;
    } else {
      Candidates(c, first, alt);
      for (size_t k = p.size() - 1; k > 0; --k)
        if (p[k] != '?') {
          anchor = k;
          Candidates((unsigned char)p[k], second, secondAlt);
          break;
        }
      const size_t mid = p.size() / 2;
      if (p.size() >= 4 && mid < anchor && p[mid] != '?') {
        middle = mid;
        Candidates((unsigned char)p[mid], third, thirdAlt);
      }
    }
    const bool wild = p.find('?') != std::string_view::npos;
    plain = !ic && !wild;
    // The fold is symmetric for letters, so both sides can be lower-cased;
    // only a pattern "@" (which also matches "`") needs the full rule.
    word = ic && !wild && p.size() <= 8 && p.find('@') == std::string_view::npos;
    if (word) {
      unsigned char lower[8] = {};
      for (size_t i = 0; i < p.size(); ++i) {
        unsigned char ch = (unsigned char)p[i];
        lower[i] = (ch >= 'A' && ch <= 'Z') ? ch + 32 : ch;
      }
      memcpy(&canonWord, lower, 8);
      memset(&canonMask, 0xff, p.size());
    }
  }

  // Lower-cases the ASCII capitals of eight bytes at once.
  static uint64_t Lower8(uint64_t x) {
    constexpr uint64_t k7f = 0x7f7f7f7f7f7f7f7fULL, k80 = 0x8080808080808080ULL;
    const uint64_t h = x & k7f;
    const uint64_t geA = h + 0x3f3f3f3f3f3f3f3fULL;  // high bit: byte >= 'A'
    const uint64_t gtZ = h + 0x2525252525252525ULL;  // high bit: byte > 'Z'
    return x | (((geA & ~gtZ & ~x) & k80) >> 2);
  }

  // avail: bytes readable from t, at least the pattern's length.
  bool At(const char* t, size_t avail) const {
    if (plain) return memcmp(t, pat.data(), pat.size()) == 0;
    if (word && avail >= 8) {
      uint64_t x;
      memcpy(&x, t, 8);
      return (Lower8(x) & canonMask) == canonWord;
    }
    for (size_t i = 0; i < pat.size(); ++i)
      if (!BytesMatch((unsigned char)pat[i], (unsigned char)t[i], ic)) return false;
    return true;
  }

#if SW_AVX2_SCAN
  // The sixteen-byte search below, 32 bytes at a time: from i while a whole
  // block fits before last + 1. Returns the match or npos, and leaves i
  // where it stopped.
  __attribute__((target("avx2"))) size_t FindWide(const char* base, size_t& i, size_t last, size_t n) const {
    const __m256i a = _mm256_set1_epi8(char(first)), b = _mm256_set1_epi8(char(alt));
    const __m256i c = _mm256_set1_epi8(char(second)), d = _mm256_set1_epi8(char(secondAlt));
    const __m256i e = _mm256_set1_epi8(char(third)), g = _mm256_set1_epi8(char(thirdAlt));
    // Every load stays inside the text: i + anchor + 31 <= last + anchor < n.
    for (; i + 32 <= last + 1; i += 32) {
      const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i));
      __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi8(x, a), _mm256_cmpeq_epi8(x, b));
      if (anchor) {
        const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i + anchor));
        hit = _mm256_and_si256(hit, _mm256_or_si256(_mm256_cmpeq_epi8(y, c), _mm256_cmpeq_epi8(y, d)));
      }
      if (middle) {
        const __m256i z = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i + middle));
        hit = _mm256_and_si256(hit, _mm256_or_si256(_mm256_cmpeq_epi8(z, e), _mm256_cmpeq_epi8(z, g)));
      }
      for (unsigned bits = unsigned(_mm256_movemask_epi8(hit)); bits; bits &= bits - 1) {
        const size_t j = i + size_t(__builtin_ctz(bits));
        if (At(base + j, n - j)) return j;
      }
    }
    return std::string_view::npos;
  }
#endif

  // 0-based offset of the first match at or after from, or npos.
  size_t Find(std::string_view text, size_t from) const {
    const size_t n = text.size(), m = pat.size();
    if (m == 0 || n < m || from > n - m) return std::string_view::npos;
    const size_t last = n - m;
    const char* base = text.data();
    size_t i = from;
    if (anyFirst) {
      for (; i <= last; ++i)
        if (At(base + i, n - i)) return i;
      return std::string_view::npos;
    }
#if SW_AVX2_SCAN
    if (kHasAvx2)
      if (const size_t j = FindWide(base, i, last, n); j != std::string_view::npos) return j;
#endif
#if defined(__SSE2__)
    {
      const __m128i a = _mm_set1_epi8(char(first)), b = _mm_set1_epi8(char(alt));
      const __m128i c = _mm_set1_epi8(char(second)), d = _mm_set1_epi8(char(secondAlt));
      // Every load stays inside the text: i + anchor + 15 <= last + anchor < n.
      for (; i + 16 <= last + 1; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(x, b));
        if (anchor) {
          const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + anchor));
          hit = _mm_and_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(y, c), _mm_cmpeq_epi8(y, d)));
        }
        for (unsigned bits = unsigned(_mm_movemask_epi8(hit)); bits; bits &= bits - 1) {
          const size_t j = i + size_t(__builtin_ctz(bits));
          if (At(base + j, n - j)) return j;
        }
      }
    }
#endif
    for (; i <= last; ++i) {
      const unsigned char t = (unsigned char)base[i];
      if ((t == first || t == alt) && At(base + i, n - i)) return i;
    }
    return std::string_view::npos;
  }
};

// Calls onHit with every non-overlapping match, left to right. onHit may
// rewrite bytes before the end of the match it is given; nothing there is
// read again.
template <class OnHit>
void FindAll(const Matcher& mt, std::string_view text, OnHit onHit) {
  const size_t m = mt.pat.size();
  for (size_t k = mt.Find(text, 0); k != std::string_view::npos; k = mt.Find(text, k + m)) onHit(k);
}

size_t Search(std::string_view text, std::string_view pat, size_t from, bool ic) {
  return Matcher(pat, ic).Find(text, from);
}

}  // namespace

int32_t FindText(std::string_view text, std::string_view pattern, int32_t start) {
  if (start == 0) return 0;
  bool ic = start < 0;
  int64_t s = start < 0 ? -int64_t(start) : start;
  if (s > int64_t(text.size())) return 0;
  size_t r = Search(text, pattern, size_t(s - 1), ic);
  return r == std::string_view::npos ? 0 : int32_t(r + 1);
}

int32_t FindTextBack(std::string_view text, std::string_view pattern, int32_t start) {
  const size_t m = pattern.size(), n = text.size();
  if (m == 0 || n == 0 || m > n) return 0;
  bool ic = start < 0;
  int64_t s = start < 0 ? -int64_t(start) : start;
  if (s == 0 || s > int64_t(n)) s = int64_t(n);
  if (s < int64_t(m)) return 0;
  int64_t p = s - int64_t(m);
#if defined(__SSE2__)
  // Candidates for the first pattern byte, sixteen positions at a time from
  // the back, where a search for a chunk's cut may pass a whole window.
  if (pattern[0] != '?') {
    const unsigned char c = (unsigned char)pattern[0];
    const int other = c ^ 32;
    const int alt = ic && c <= 122 && other >= 65 && other <= 122 ? other : c;
    const __m128i a = _mm_set1_epi8(char(c)), b = _mm_set1_epi8(char(alt));
    for (; p >= 15; p -= 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p - 15));
      for (unsigned bits = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(x, b))));
           bits; bits &= ~(1u << (31 - __builtin_clz(bits)))) {
        const int64_t q = p - 15 + (31 - __builtin_clz(bits));
        if (MatchAt(text, pattern, size_t(q), ic)) return int32_t(q + 1);
      }
    }
  }
#endif
  for (; p >= 0; --p)
    if (MatchAt(text, pattern, size_t(p), ic)) return int32_t(p + 1);
  return 0;
}

int32_t FindChar(std::string_view text, char c, int32_t pos) {
  if (pos < 1 || pos > int32_t(text.size())) return 0;
  const void* p = memchr(text.data() + pos - 1, (unsigned char)c, text.size() - size_t(pos - 1));
  return p ? int32_t((const char*)p - text.data() + 1) : 0;
}

int32_t FindCharBack(std::string_view text, char c, int32_t pos) {
  if (text.empty()) return 0;
  int32_t n = int32_t(text.size());
  if (pos < 1 || pos > n) pos = n;
  for (int32_t i = pos; i >= 1; --i)
    if (text[size_t(i - 1)] == c) return i;
  return 0;
}

int32_t ReplaceAll(Buffer& buf, std::string_view find, std::string_view repl, bool ignoreCase) {
  if (find.empty() || buf.empty()) return 0;
  // The resume rule lets a deletion expose a match formed by the bytes behind
  // it, but never one that would begin before the resume point: what is
  // already output is final, and only the untouched input is searched again.
  // So the matches are the non-overlapping ones of the input, left to right.
  const Matcher mt(find, ignoreCase);
  const std::string_view text = buf;  // stays valid: the storage is not reallocated below
  int32_t count = 0;
  size_t in = 0;  // first input byte not yet placed
  if (repl.size() <= find.size()) {
    // The output never overtakes the input, so it is built in place.
    char* d = buf.data();
    size_t out = 0;
    FindAll(mt, text, [&](size_t h) {
      if (out != in) memmove(d + out, d + in, h - in);
      out += h - in;
      memcpy(d + out, repl.data(), repl.size());
      out += repl.size();
      in = h + find.size();
      ++count;
    });
    if (count == 0) return 0;
    memmove(d + out, d + in, buf.size() - in);
    buf.resize(out + buf.size() - in);
    return count;
  }
  // Reuse the previous call's storage: passes call this many times per chunk.
  static thread_local std::string scratch;
  std::string out = std::move(scratch);
  out.clear();
  FindAll(mt, text, [&](size_t h) {
    if (count == 0) out.reserve(buf.size() + buf.size() / 4);
    out.append(text.data() + in, h - in);
    out.append(repl.data(), repl.size());
    in = h + find.size();
    ++count;
  });
  if (count == 0) {
    scratch = std::move(out);
    return 0;
  }
  out.append(text.data() + in, text.size() - in);
  buf.swap(out);
  if (out.capacity() <= (size_t(1) << 21)) scratch = std::move(out);
  return count;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return r;
}

bool EqualsI(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

}  // namespace sw

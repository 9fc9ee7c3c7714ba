#include "engine/primitives.h"

#include <algorithm>
#include <cstring>

namespace sw {

bool MatchAt(std::string_view text, std::string_view pattern, size_t off, bool ignoreCase) {
  if (pattern.empty() || off + pattern.size() > text.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i)
    if (!BytesMatch((unsigned char)pattern[i], (unsigned char)text[off + i], ignoreCase)) return false;
  return true;
}

namespace {

// Which text bytes the pattern's first byte can match, for a fast skip.
struct FirstByte {
  bool any = false;      // "?" matches everything
  int a = -1, b = -1, c = -1;  // up to three candidate bytes
};

FirstByte CandidatesFor(unsigned char p, bool ignoreCase) {
  FirstByte f;
  if (p == '?') { f.any = true; return f; }
  f.a = p;
  if (ignoreCase && p <= 122) {
    // A text byte t in 65..122 with t^32 == p matches too.
    int t = p ^ 32;
    if (t >= 65 && t <= 122 && t != p) f.b = t;
  }
  return f;
}

// 0-based offset of the first match at or after from, or npos.
size_t Search(std::string_view text, std::string_view pat, size_t from, bool ic) {
  const size_t n = text.size(), m = pat.size();
  if (m == 0 || n < m || from > n - m) return std::string_view::npos;
  const size_t last = n - m;
  FirstByte f = CandidatesFor((unsigned char)pat[0], ic);
  const char* base = text.data();
  size_t i = from;
  while (i <= last) {
    if (!f.any) {
      // Jump to the next byte that can start a match.
      const char* p1 = (const char*)memchr(base + i, f.a, last - i + 1);
      size_t j1 = p1 ? size_t(p1 - base) : n;
      if (f.b >= 0) {
        const char* p2 = (const char*)memchr(base + i, f.b, (p1 ? j1 : last + 1) - i);
        if (p2) j1 = size_t(p2 - base);
      }
      if (j1 > last) return std::string_view::npos;
      i = j1;
    }
    if (MatchAt(text, pat, i, ic)) return i;
    ++i;
  }
  return std::string_view::npos;
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
  for (int64_t p = s - int64_t(m); p >= 0; --p)
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
  // it, but never one that would begin before the resume point: the output
  // built so far is final, and only the untouched input is searched again.
  size_t first = Search(buf, find, 0, ignoreCase);
  if (first == std::string_view::npos) return 0;
  std::string out;
  out.reserve(buf.size());
  int32_t count = 0;
  size_t in = 0;  // next unconsumed input byte
  size_t pos = first;
  while (pos != std::string_view::npos) {
    out.append(buf, in, pos - in);
    out.append(repl);
    in = pos + find.size();
    ++count;
    if (out.empty() && in >= buf.size()) break;  // buffer has become empty
    pos = Search(buf, find, in, ignoreCase);
  }
  out.append(buf, in, std::string::npos);
  buf.swap(out);
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

// Unneeded space removal and the keyword list step.
//
// Every step reads the buffer as a browser would (engine/blocktags.h): blanks
// inside quoted values and inside literal element content are never touched,
// and a blank next to a tag goes only where a block-level tag makes it
// invisible.
#include <algorithm>
#include <cstring>

#include "engine/blocktags.h"
#include "engine/passes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sw {

namespace {

using namespace markup;

bool Editable(uint8_t c) { return c != kValue && c != kRaw; }

// The classes of the bytes are read once: deleting blanks, or turning tabs
// into blanks, outside values and literal content changes no other byte's
// reading, so they move along with the bytes.
using Classes = std::vector<uint8_t>;

// Blanks a step deletes, as ascending positions. Each step judges the buffer
// as it stood before it, and visits only the bytes its rule starts from (a
// line end, a tag bracket, an "="), so a step costs a skip over the buffer
// rather than a look at every byte.
class Drops {
 public:
  void Add(size_t i) {
    if (!at_.empty() && i <= at_.back()) {
      if (i == at_.back()) return;
      sorted_ = false;
    }
    at_.push_back(i);
  }
  // Removes the collected bytes from buf and cls in one sweep. marks, when
  // given, holds ascending positions of bytes that stay; they are moved along.
  void Apply(Buffer& buf, Classes& cls, std::vector<size_t>* marks = nullptr) {
    if (at_.empty()) return;
    if (!sorted_) {
      std::sort(at_.begin(), at_.end());
      at_.erase(std::unique(at_.begin(), at_.end()), at_.end());
    }
    if (marks) {
      size_t k = 0;
      for (size_t& m : *marks) {
        while (k < at_.size() && at_[k] < m) ++k;
        m -= k;
      }
    }
    const size_t n = buf.size();
    size_t w = at_[0];
    for (size_t k = 0; k < at_.size(); ++k) {
      const size_t from = at_[k] + 1, to = k + 1 < at_.size() ? at_[k + 1] : n;
      if (to > from) {
        std::memmove(buf.data() + w, buf.data() + from, to - from);
        std::memmove(cls.data() + w, cls.data() + from, to - from);
        w += to - from;
      }
    }
    buf.resize(w);
    cls.resize(w);
    at_.clear();
    sorted_ = true;
  }

 private:
  std::vector<size_t> at_;
  bool sorted_ = true;
};

// Positions of the "<" that open tags and the ">" that close them, where a
// blank stands next to one: the steps that start from the brackets act only
// on such a blank, and as they delete nothing but blanks, a bracket between
// two other bytes keeps them.
std::vector<size_t> TagMarks(const Buffer& buf, const Classes& cls) {
  std::vector<size_t> marks;
  const size_t n = cls.size();
  const uint8_t* c = cls.data();
  const char* b = buf.data();
  auto wanted = [&](size_t i) {
    return (c[i] & (kOpen | kClose)) && ((i > 0 && b[i - 1] == ' ') || (i + 1 < n && b[i + 1] == ' '));
  };
  if (n > 0 && wanted(0)) marks.push_back(0);
  size_t i = 1;
#if defined(__SSE2__)
  const __m128i flags = _mm_set1_epi8(char(kOpen | kClose)), zero = _mm_setzero_si128(), sp = _mm_set1_epi8(' ');
  // Reads bytes i - 1 to i + 16.
  for (; i + 17 <= n; i += 16) {
    const __m128i x = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i)), flags);
    const __m128i blank = _mm_or_si128(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i - 1)), sp),
                                       _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 1)), sp));
    for (unsigned bits = unsigned(_mm_movemask_epi8(_mm_andnot_si128(_mm_cmpeq_epi8(x, zero), blank))); bits;
         bits &= bits - 1)
      marks.push_back(i + size_t(__builtin_ctz(bits)));
  }
#endif
  for (; i < n; ++i)
    if (wanted(i)) marks.push_back(i);
  return marks;
}

// Calls f with every position of byte c in text, left to right.
template <class F>
void EachByte(std::string_view text, char c, F f) {
  const char* base = text.data();
  const char* end = base + text.size();
  for (const char* p = base; p < end;) {
    const char* q = static_cast<const char*>(std::memchr(p, c, size_t(end - p)));
    if (!q) return;
    f(size_t(q - base));
    p = q + 1;
  }
}

// Calls f with the position of every match of pat (letter case ignored when
// ic), left to right; pat must not overlap itself. For a step that needs a
// byte with a given neighbour, a search for the pair passes over the many
// bytes without it.
template <class F>
void EachMatch(std::string_view text, std::string_view pat, bool ic, F f) {
  for (int32_t p = 1; p >= 1 && size_t(p) <= text.size();) {
    p = FindText(text, pat, ic ? -p : p);
    if (p == 0) return;
    f(size_t(p - 1));
    p += int32_t(pat.size());
  }
}

// First position at or after from where blank collapsing has work: a tab, or
// a blank followed by a blank or a tab. n when none.
size_t NextCollapse(const Buffer& buf, size_t from) {
  const size_t n = buf.size();
  const char* s = buf.data();
  size_t i = from;
#if defined(__SSE2__)
  const __m128i sp = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
  for (; i + 17 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 1));
    const __m128i yBlank = _mm_or_si128(_mm_cmpeq_epi8(y, sp), _mm_cmpeq_epi8(y, tab));
    const __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(x, tab), _mm_and_si128(_mm_cmpeq_epi8(x, sp), yBlank));
    const unsigned bits = unsigned(_mm_movemask_epi8(hit));
    if (bits) return i + size_t(__builtin_ctz(bits));
  }
#endif
  for (; i < n; ++i)
    if (s[i] == '\t' || (s[i] == ' ' && i + 1 < n && (s[i + 1] == ' ' || s[i + 1] == '\t'))) return i;
  return n;
}

// Tabs become blanks and each run of blanks becomes one, in one sweep.
void CollapseBlanks(Buffer& buf, Classes& cls) {
  const size_t n = buf.size();
  size_t r = NextCollapse(buf, 0);
  if (r == n) return;
  size_t w = r;
  while (r < n) {
    // A run starts here; the byte before it is no blank or tab.
    bool inRun = false;
    for (; r < n && (buf[r] == ' ' || buf[r] == '\t'); ++r) {
      bool keep = true;
      if (Editable(ClassOf(cls, r))) {
        keep = !inRun;
        inRun = true;
        buf[r] = ' ';
      } else {
        inRun = false;
      }
      if (keep) {
        buf[w] = buf[r];
        cls[w++] = cls[r];
      }
    }
    const size_t next = NextCollapse(buf, r);
    if (next > r) {
      std::memmove(buf.data() + w, buf.data() + r, next - r);
      std::memmove(cls.data() + w, cls.data() + r, next - r);
      w += next - r;
    }
    r = next;
  }
  buf.resize(w);
  cls.resize(w);
}

bool MarkupEndsAt(const Buffer& buf, const std::vector<uint8_t>& cls, size_t i) {
  return buf[i] == '>' && ((cls[i] & kClose) || ClassOf(cls, i) == kComment);
}
bool MarkupStartsAt(const Buffer& buf, const std::vector<uint8_t>& cls, size_t i) {
  return buf[i] == '<' && ((cls[i] & kOpen) || ClassOf(cls, i) == kComment);
}

// Blanks between the tags before the body, where a block-level tag stands on
// either side.
void TightenHead(Buffer& buf, Classes& cls, Drops& drops) {
  const int32_t body = FindI(buf, "<body", 1);
  if (body == 0) return;
  const size_t end = size_t(body) + 1;  // 0-based, exclusive: the byte behind "<"
  const size_t n = buf.size();
  EachByte(std::string_view(buf).substr(0, std::min(end, n)), '>', [&](size_t gt) {
    const size_t i = gt + 1;
    if (i + 1 < end && i + 1 < n && buf[i] == ' ' && ClassOf(cls, i) == kText && MarkupEndsAt(buf, cls, gt) &&
        MarkupStartsAt(buf, cls, i + 1) && ((cls[gt] & kBlock) || (cls[i + 1] & kBlock)))
      drops.Add(i);
  });
  drops.Apply(buf, cls);
}

// Blanks inside the quoted values of image-map coordinates and frame sizes.
void TightenCoordinates(Buffer& buf, Classes& cls, Drops& drops) {
  static constexpr std::string_view kAttrs[] = {"coords=", "cols=", "rows="};
  const size_t n = buf.size();
  size_t resume = 0;  // matches that begin before this lie in a value already read
  // Every attribute text ends in "s=".
  EachMatch(buf, "s=", true, [&](size_t at) {
    const size_t eq = at + 1;
    size_t i = 0, attrLen = 0;
    for (std::string_view a : kAttrs) {
      if (eq + 1 < a.size()) continue;
      const size_t s = eq + 1 - a.size();
      if (s >= resume && ClassOf(cls, s) == kTag && MatchAt(buf, a, s, true)) i = s, attrLen = a.size();
    }
    if (attrLen == 0) return;
    // Only the attribute's own value: the quote follows "=" with nothing but
    // blanks between, and it is closed.
    size_t q = i + attrLen;
    while (q < n && buf[q] == ' ') ++q;
    size_t close = q < n && buf[q] == '"' ? buf.find('"', q + 1) : Buffer::npos;
    if (close == Buffer::npos) {
      resume = i + attrLen;
      return;
    }
    for (size_t k = q + 1; k < close; ++k)
      if (buf[k] == ' ') drops.Add(k);
    resume = close;
  });
  drops.Apply(buf, cls);
}

enum class Kind { Before, AfterTag, AfterPattern };
enum When : uint8_t { kAlways, kLiKept, kWithTT, kWithoutTT };
struct Remover {
  std::string_view pat;
  Kind kind;
  When when;
  bool teletype;  // skips an occurrence followed by "t" (the TT tags)
};

// clang-format off
constexpr Remover kRemovers[] = {
    {" <body", Kind::Before, kAlways, false},   {"<body>", Kind::AfterTag, kAlways, false},
    {" </body", Kind::Before, kAlways, false},  {"</body>", Kind::AfterPattern, kAlways, false},
    {" <br", Kind::Before, kAlways, false},     {"<br", Kind::AfterTag, kAlways, false},
    {" <h", Kind::Before, kAlways, false},      {"<h", Kind::AfterTag, kAlways, false},
    {" </h", Kind::Before, kAlways, false},     {"</h", Kind::AfterTag, kAlways, false},
    {" <frame", Kind::Before, kAlways, false},  {"</frame", Kind::AfterTag, kAlways, false},
    {" <iframe", Kind::Before, kAlways, false}, {"</iframe", Kind::AfterTag, kAlways, false},
    {" <p", Kind::Before, kAlways, false},      {"<p", Kind::AfterTag, kAlways, false},
    {" </p", Kind::Before, kAlways, false},     {"</p", Kind::AfterTag, kAlways, false},
    {" <li>", Kind::Before, kLiKept, false},    {"<li>", Kind::AfterPattern, kLiKept, false},
    {" <dt>", Kind::Before, kLiKept, false},    {"<dt>", Kind::AfterPattern, kLiKept, false},
    {" </li>", Kind::Before, kLiKept, false},   {"</li>", Kind::AfterPattern, kLiKept, false},
    {" </dt>", Kind::Before, kLiKept, false},   {"</dt>", Kind::AfterPattern, kLiKept, false},
    {" <blockquote>", Kind::Before, kAlways, false}, {" </blockquote>", Kind::Before, kAlways, false},
    {"</blockquote>", Kind::AfterPattern, kAlways, false},
    {" <center>", Kind::Before, kAlways, false}, {" </center>", Kind::Before, kAlways, false},
    {"</center>", Kind::AfterPattern, kAlways, false},
    {" <t", Kind::Before, kWithTT, true},       {"<t", Kind::AfterTag, kWithTT, true},
    {" </t", Kind::Before, kWithTT, true},      {"</t", Kind::AfterTag, kWithTT, true},
    {" <t", Kind::Before, kWithoutTT, false},   {"<t", Kind::AfterTag, kWithoutTT, false},
    {" </t", Kind::Before, kWithoutTT, false},  {"</t", Kind::AfterTag, kWithoutTT, false},
};
// clang-format on

// hasTT says whether the buffer holds a "<tt>" tag; it is asked only for
// the removers that depend on it.
template <class HasTT>
bool RemoverApplies(const Remover& r, const Buffer& buf, size_t at, bool liKept, HasTT& hasTT) {
  if (r.when == kLiKept && !liKept) return false;
  // The tag name's first letter decides most cases before a full comparison.
  size_t k = r.pat[0] == ' ' ? 2 : 1;
  if (r.pat[k] == '/') ++k;
  if (at + k < buf.size() && (buf[at + k] | 32) != r.pat[k]) return false;
  if ((r.when == kWithTT && !hasTT()) || (r.when == kWithoutTT && hasTT())) return false;
  if (at == 0 || !MatchAt(buf, r.pat, at, true)) return false;  // occurrences count from position 2
  if (r.teletype) {
    const size_t next = at + r.pat.size();
    if (next < buf.size() && (buf[next] | 32) == 't') return false;
  }
  return true;
}

// The blank removers around the tags of the removal table, in one sweep: a
// blank goes when a remover names the block-level tag behind it (blank-before)
// or the block-level tag that ends in front of it (blank-after).
void RemoveBlanksAroundTags(Buffer& buf, Classes& cls, bool liKept, Drops& drops, std::vector<size_t>& marks) {
  int tt = -1;  // looked for when a remover first asks
  auto hasTT = [&] {
    if (tt < 0) tt = FindI(buf, "<tt>", 1) != 0;
    return tt == 1;
  };
  const size_t n = buf.size();
  auto drop = [&](size_t i) {
    if (buf[i] != ' ' || ClassOf(cls, i) != kText) return false;
    if (i + 1 < n && (cls[i + 1] & kOpen) && (cls[i + 1] & kBlock))
      for (const Remover& r : kRemovers)
        if (r.kind == Kind::Before && RemoverApplies(r, buf, i, liKept, hasTT)) return true;
    if (i == 0 || !(cls[i - 1] & kClose) || !(cls[i - 1] & kBlock)) return false;
    size_t open = i - 1;
    while (open > 0 && !(cls[open] & kOpen)) --open;
    if (!(cls[open] & kOpen)) return false;
    for (const Remover& r : kRemovers) {
      if (r.kind == Kind::Before || !RemoverApplies(r, buf, open, liKept, hasTT)) continue;
      if (r.kind == Kind::AfterTag || open + r.pat.size() == i) return true;
    }
    return false;
  };
  // Only a blank in front of a block-level start or end tag, or behind one, can go.
  for (size_t m : marks) {
    if (!(cls[m] & kBlock)) continue;
    if ((cls[m] & kOpen) && m > 0 && drop(m - 1)) drops.Add(m - 1);
    if ((cls[m] & kClose) && m + 1 < n && drop(m + 1)) drops.Add(m + 1);
  }
  drops.Apply(buf, cls, &marks);
}

void SaveOrRestoreTitle(Buffer& buf, Buffer* save, const Buffer* restore) {
  const int32_t s = FindI(buf, "<title>", 1);
  const int32_t e = s ? FindI(buf, "</title>", s) : 0;
  if (e == 0) return;
  const size_t off = size_t(s - 1), len = size_t(e - s);
  if (save) {
    if (std::string_view(buf).substr(off, len).find("  ") != std::string_view::npos) *save = buf.substr(off, len);
  } else if (restore) {
    buf.replace(off, len, *restore);
  }
}

// Puts a saved title back. When the title's content was plain text, and the
// saved one holds no "<", the content is text again and nothing around it
// reads differently, so the markup reading is patched; otherwise (a title in
// a comment or a value) it is taken afresh.
void RestoreTitle(Buffer& buf, Classes& cls, const Buffer& title) {
  const int32_t s = FindI(buf, "<title>", 1);
  const int32_t e = s ? FindI(buf, "</title>", s) : 0;
  if (e == 0) return;
  const size_t off = size_t(s - 1), len = size_t(e - s);
  constexpr size_t kTag = 7;  // "<title>"
  bool plain = len >= kTag && title.size() >= kTag && buf.compare(off, kTag, title, 0, kTag) == 0 &&
               (cls[off] & kOpen) && (cls[off + kTag - 1] & kClose) && title.find('<', kTag) == Buffer::npos;
  for (size_t i = off + kTag; plain && i < off + len; ++i) plain = cls[i] == 0;
  buf.replace(off, len, title);
  if (!plain) {
    cls = ClassifyMarkup(buf);
    return;
  }
  cls.erase(cls.begin() + std::ptrdiff_t(off + kTag), cls.begin() + std::ptrdiff_t(off + len));
  cls.insert(cls.begin() + std::ptrdiff_t(off + kTag), title.size() - kTag, uint8_t(kText));
}

}  // namespace

void StripSpaces(Buffer& buf, PassContext& cx) {
  Classes cls = ClassifyMarkup(buf);
  StripSpaces(buf, cls, cx);
}

void StripSpaces(Buffer& buf, std::vector<uint8_t>& cls, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripSpaces).counter);
  // A title written with double blanks keeps them.
  Buffer title;
  SaveOrRestoreTitle(buf, &title, nullptr);
  const bool titleSaved = !title.empty();

  Drops drops;
  CollapseBlanks(buf, cls);
  TightenHead(buf, cls, drops);
  TightenCoordinates(buf, cls, drops);

  // Blanks at line ends and line starts.
  {
    const size_t n = buf.size();
    auto consider = [&](size_t i) {
      if (buf[i] == ' ' && Editable(ClassOf(cls, i))) drops.Add(i);
    };
    EachByte(buf, '\n', [&](size_t lf) {
      if (lf >= 2 && buf[lf - 1] == '\r') consider(lf - 2);
      if (lf >= 1) consider(lf - 1);
      if (lf + 1 < n) consider(lf + 1);
    });
    drops.Apply(buf, cls);
  }
  // The tag brackets the next steps start from, moved along with their drops.
  std::vector<size_t> marks = TagMarks(buf, cls);
  // " >" inside a tag; "< " stays, since "<" followed by a blank is text.
  for (size_t gt : marks)
    if (gt > 0 && (cls[gt] & kClose) && buf[gt - 1] == ' ' && ClassOf(cls, gt - 1) == kTag) drops.Add(gt - 1);
  drops.Apply(buf, cls, &marks);
  // Blanks behind an end tag and before the next tag.
  {
    const size_t n = buf.size();
    for (size_t gt : marks) {
      const size_t i = gt + 1;
      if (i + 1 < n && (cls[gt] & kClose) && buf[i] == ' ' && ClassOf(cls, i) == kText && (cls[gt] & kEndTag) &&
          (cls[i + 1] & kOpen) && ((cls[gt] & kBlock) || (cls[i + 1] & kBlock)))
        drops.Add(i);
    }
    drops.Apply(buf, cls, &marks);
  }
  // A blank before a tag that has a blank behind it too, unless the buffer
  // begins with a tag.
  if (!buf.empty() && buf[0] != '<') {
    const size_t n = buf.size();
    for (size_t lt : marks) {
      if (lt == 0 || !(cls[lt] & kOpen)) continue;
      const size_t i = lt - 1;
      if (buf[i] != ' ' || ClassOf(cls, i) != kText) continue;
      const bool blockAround = (cls[lt] & kBlock) || (i > 0 && (cls[i - 1] & kClose) && (cls[i - 1] & kBlock));
      if (!blockAround) continue;
      size_t gt = i + 2;
      while (gt < n && !(cls[gt] & kClose)) ++gt;
      if (gt + 1 < n && buf[gt + 1] == ' ') drops.Add(i);
    }
    drops.Apply(buf, cls, &marks);
  }
  RemoveBlanksAroundTags(buf, cls, !cx.opts[Opt::StripClosingLI], drops, marks);
  // A blank behind "=" inside a tag.
  {
    const size_t n = buf.size();
    EachMatch(buf, "= ", false, [&](size_t eq) {
      const size_t i = eq + 1;
      if (i >= 2 && i < n && buf[i] == ' ' && ClassOf(cls, eq) == kTag && ClassOf(cls, i) == kTag) drops.Add(i);
    });
    drops.Apply(buf, cls);
  }
  if (titleSaved) RestoreTitle(buf, cls, title);
}

void SpaceKeywordStep(Buffer& buf, PassContext&) {
  const int32_t k = FindI(buf, "name=\"keywords\"", 1);
  if (k == 0) return;
  const int32_t c = FindI(buf, "content=", k);
  if (c == 0) return;
  // The list must belong to the same tag.
  if (FindChar(std::string_view(buf).substr(0, size_t(c)), '>', k) != 0) return;
  const int32_t open = FindChar(buf, '"', c);
  if (open == 0 || open - c > 10) return;
  const int32_t close = FindChar(buf, '"', open + 2);
  if (close == 0 || FindChar(std::string_view(buf).substr(0, size_t(close)), '>', open) != 0) return;
  Buffer list = buf.substr(size_t(open), size_t(close - open - 1));
  if (ReplaceAll(list, ", ", ",", false) > 0) buf.replace(size_t(open), size_t(close - open - 1), list);
}

}  // namespace sw

// Line re-wrapping and CR removal.
#include <algorithm>
#include <cstring>

#include "engine/blocktags.h"
#include "engine/linebreaks.h"
#include "engine/passes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sw {

namespace {

constexpr int64_t kWindow = 254;

// Per-byte flags carried through the joining.
constexpr uint8_t kKeep = 1;         // a line end that must stay
constexpr uint8_t kBreakBehind = 2;  // a line end goes behind this byte
constexpr uint8_t kBreakHere = 4;    // this blank becomes a line end
constexpr uint8_t kSilent = 8;       // a line end behind this byte shows nothing
constexpr uint8_t kLineEndHere = 16;  // a kept line end, written in the document's style
constexpr uint8_t kDrop = 32;         // the LF of a kept CR LF pair
constexpr uint8_t kEvent = kBreakBehind | kBreakHere | kLineEndHere | kDrop;

// Replaces or deletes every byte ch among the first region bytes: a line end
// with a blank on either side, or behind a byte where a break adds no visible
// space, goes; any other becomes a blank. So joining undoes the breaks of an
// earlier run exactly. Taken from the last byte backwards, a run of such line
// ends comes to nothing when a blank follows it (or it is a single one with a
// blank or a silent byte before it), and to one blank otherwise, so the runs
// are handled in one forward sweep. Bytes and flags move together; region is
// updated to the number of bytes the joined part now has.
void JoinLineEnds(Buffer& buf, std::vector<uint8_t>& fl, std::vector<uint8_t>* cls, size_t& region, char ch) {
  const size_t end = region, n = buf.size();
  char* b = buf.data();
  uint8_t* f = fl.data();
  uint8_t* c = cls ? cls->data() : nullptr;
  size_t r = 0, w = 0;  // next byte to read, next to write
  auto copyTo = [&](size_t to) {
    if (to <= r) return;
    if (w != r) {
      std::memmove(b + w, b + r, to - r);
      std::memmove(f + w, f + r, to - r);
      if (c) std::memmove(c + w, c + r, to - r);
    }
    w += to - r;
    r = to;
  };
  for (size_t p = 0; p < end;) {
    const char* q = static_cast<const char*>(std::memchr(b + p, ch, end - p));
    if (!q) break;
    const size_t s = size_t(q - b);
    if (f[s] & kKeep) {
      p = s + 1;
      continue;
    }
    size_t e = s + 1;
    while (e < end && b[e] == ch && !(f[e] & kKeep)) ++e;
    const bool behindBlank = e < end ? b[e] == ' ' : (end < n && b[end] == ' ');
    const bool prevBlank = s > 0 && (b[s - 1] == ' ' || (f[s - 1] & kSilent));
    copyTo(s);
    if (!behindBlank && !(e - s == 1 && prevBlank)) {
      if (c) c[w] = c[e - 1];
      b[w] = ' ';
      f[w++] = 0;
    }
    r = p = e;
  }
  copyTo(end);
  region = w;
  copyTo(n);
  buf.resize(w);
  fl.resize(w);
  if (cls) cls->resize(w);
}

// First byte at or after from whose flags ask for more than a copy; n when none.
size_t NextEvent(const std::vector<uint8_t>& fl, size_t from) {
  const size_t n = fl.size();
  const uint8_t* f = fl.data();
  size_t i = from;
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi8(char(kEvent)), zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i)), mask);
    const unsigned quiet = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(x, zero)));
    if (quiet != 0xFFFF) return i + size_t(__builtin_ctz(~quiet));
  }
#endif
  for (; i < n; ++i)
    if (f[i] & kEvent) return i;
  return n;
}

// The breaks to make, chosen at 1-based positions: P is where the next break
// is sought, and a break is accepted from P - 254 on, behind the last one
// chosen. last(P, lower, pick) sets pick to the candidate to take among those
// at 1-based positions lower..P (none: found stays false) and returns false
// when there is no candidate at or before P at all.
struct Choice {
  std::vector<BreakCandidate> chosen;
  bool limitSet = false;
  int64_t limit = 0;
};

template <class Last>
Choice ChooseBreaks(int64_t len, uint16_t wordWrap, Last last) {
  Choice c;
  c.limit = len;
  int64_t P = kWindow;
  while (P < len) {
    const int64_t lower =
        std::max(P - kWindow, c.chosen.empty() ? int64_t(0) : int64_t(c.chosen.back().pos) + 2);
    BreakCandidate pick{};
    bool found = false;
    if (!last(P, lower, pick, found)) break;  // nothing to break at: join everything
    if (!found) {
      // A run too long to break, or no candidate behind the last break: the
      // rest keeps its lines.
      c.limitSet = true;
      c.limit = c.chosen.empty() ? 2 * kWindow : int64_t(c.chosen.back().pos) + 1;
      break;
    }
    c.chosen.push_back(pick);
    P = int64_t(pick.pos) + 1 + wordWrap;
  }
  c.limit = std::min(c.limit, len);
  return c;
}

// The class a fresh reading gives a line end put behind the tag ending at
// gt: the content of an element taken literally when the tag opens one (a PRE
// element with nothing in it offers that break), else page text.
uint8_t ClassBehindTag(const Buffer& buf, const std::vector<uint8_t>& cls, size_t gt) {
  size_t lt = gt;
  while (lt > 0 && !(cls[lt] & markup::kOpen)) --lt;
  return OpensLiteralContent(buf, lt) ? markup::kRaw : markup::kText;
}

// Marks the chosen breaks, joins the lines up to the limit and writes the
// result. fl holds kKeep and kSilent on entry. cls, when given, is the
// buffer's markup reading, and is kept valid: a line end takes the class of
// the byte it replaces, and one behind a tag the class of what follows that tag.
void ApplyBreaks(Buffer& buf, std::vector<uint8_t>& fl, const Choice& choice, std::vector<uint8_t>* cls) {
  const std::vector<BreakCandidate>& chosen = choice.chosen;
  const int64_t len = int64_t(buf.size()), limit = choice.limit;
  for (const BreakCandidate& c : chosen) {
    const size_t p = c.pos;
    switch (c.kind) {
      case BreakKind::Behind: fl[p] |= kBreakBehind; break;
      case BreakKind::Blank: fl[p] |= kBreakHere; break;
      case BreakKind::LineEnd:  // stays where it is
        fl[p] |= kKeep | kLineEndHere;
        if (buf[p] == '\r' && p + 1 < buf.size() && buf[p + 1] == '\n') fl[p + 1] |= kKeep | kDrop;
        break;
    }
  }
  // The break at the limit is followed by text that keeps its lines: when a
  // line end already follows it, another one would only add bytes.
  if (choice.limitSet && !chosen.empty()) {
    const size_t last = chosen.back().pos;
    if (int64_t(last) + 1 == limit && limit < len && (buf[size_t(limit)] == '\r' || buf[size_t(limit)] == '\n'))
      fl[last] &= uint8_t(~(kBreakBehind | kBreakHere));
  }

  const bool crlf = buf.find('\r') != Buffer::npos;
  size_t region = size_t(limit);
  if (crlf) JoinLineEnds(buf, fl, cls, region, '\r');
  JoinLineEnds(buf, fl, cls, region, '\n');

  const std::string_view eol = crlf ? "\r\n" : "\n";
  const size_t n = buf.size();
  // A chosen line end that follows a break directly already ends that line.
  auto lineEndAt = [&](size_t j) { return j < n && (fl[j] & kLineEndHere); };
  Buffer out;
  out.resize(n + chosen.size() * 2);
  char* o = out.data();
  std::vector<uint8_t> outCls;
  uint8_t* oc = nullptr;
  if (cls) {
    outCls.resize(out.size());
    oc = outCls.data();
  }
  size_t w = 0;
  auto put = [&](std::string_view s, uint8_t c) {
    std::memcpy(o + w, s.data(), s.size());
    if (oc) std::memset(oc + w, c, s.size());
    w += s.size();
  };
  for (size_t i = 0; i < n;) {
    const size_t e = NextEvent(fl, i);
    std::memcpy(o + w, buf.data() + i, e - i);
    if (oc) std::memcpy(oc + w, cls->data() + i, e - i);
    w += e - i;
    if (e == n) break;
    i = e;
    if (fl[i] & (kBreakHere | kLineEndHere)) {
      if ((fl[i] & kLineEndHere) || !lineEndAt(i + 1)) put(eol, oc ? (*cls)[i] : 0);
    } else if (!(fl[i] & kDrop)) {
      if (oc) oc[w] = (*cls)[i];
      o[w++] = buf[i];
      if (fl[i] & kBreakBehind) {
        // A blank behind the break would only start the next line: it becomes the line end.
        if (i + 1 < n && buf[i + 1] == ' ' && !(fl[i + 1] & kKeep)) ++i;
        if (!lineEndAt(i + 1)) put(eol, oc ? ClassBehindTag(buf, *cls, i) : 0);
      }
    }
    ++i;
  }
  out.resize(w);
  buf.swap(out);
  if (cls) {
    outCls.resize(w);
    cls->swap(outCls);
  }
}

}  // namespace

void RewrapAt(Buffer& buf, const std::vector<BreakCandidate>& cands, uint16_t wordWrap,
              const std::vector<uint8_t>* keep, bool silentBehind, bool freeFirst) {
  constexpr size_t none = size_t(-1);
  std::vector<size_t> freeIdx;  // candidates that add no byte
  if (freeFirst)
    for (size_t i = 0; i < cands.size(); ++i)
      if (cands[i].kind != BreakKind::Behind) freeIdx.push_back(i);
  auto pos1 = [&](size_t idx) { return int64_t(cands[idx].pos) + 1; };
  // The last of the listed candidates at or before 1-based position p.
  auto lastUpTo = [&](const auto& list, auto posOf, int64_t p) {
    auto it = std::upper_bound(list.begin(), list.end(), p, [&](int64_t v, const auto& e) { return v < posOf(e); });
    return it == list.begin() ? none : size_t(it - list.begin()) - 1;
  };
  const Choice choice = ChooseBreaks(int64_t(buf.size()), wordWrap,
                                     [&](int64_t P, int64_t lower, BreakCandidate& pick, bool& found) {
    const size_t any = lastUpTo(cands, [](const BreakCandidate& c) { return int64_t(c.pos) + 1; }, P);
    if (any == none) return false;
    size_t idx = none;
    if (freeFirst) {
      const size_t f = lastUpTo(freeIdx, [&](size_t i) { return pos1(i); }, P);
      if (f != none && pos1(freeIdx[f]) >= lower) idx = freeIdx[f];
    }
    if (idx == none && pos1(any) >= lower) idx = any;
    if (idx != none) pick = cands[idx], found = true;
    return true;
  });
  std::vector<uint8_t> fl(buf.size(), 0);
  if (keep)
    for (size_t i = 0; i < buf.size(); ++i)
      if ((*keep)[i]) fl[i] = kKeep;
  if (silentBehind)
    for (const BreakCandidate& c : cands)
      if (c.kind == BreakKind::Behind) fl[c.pos] |= kSilent;
  ApplyBreaks(buf, fl, choice, nullptr);
}

void NormalizeCR(Buffer& buf) {
  const size_t n = buf.size();
  char* b = buf.data();
  const char* cr = static_cast<const char*>(std::memchr(b, '\r', n));
  if (!cr) return;
  size_t r = size_t(cr - b), w = r;  // the bytes before the first CR stay where they are
  while (r < n) {
    // b[r] is a CR: it goes before an LF, else it becomes one.
    if (!(r + 1 < n && b[r + 1] == '\n')) b[w++] = '\n';
    ++r;
    const char* next = static_cast<const char*>(std::memchr(b + r, '\r', n - r));
    const size_t stop = next ? size_t(next - b) : n;
    std::memmove(b + w, b + r, stop - r);
    w += stop - r;
    r = stop;
  }
  buf.resize(w);
}

void RewrapLines(Buffer& buf, PassContext& cx) {
  std::vector<uint8_t> cls = ClassifyMarkup(buf);
  RewrapLines(buf, cls, cx);
}

void RewrapLines(Buffer& buf, std::vector<uint8_t>& cls, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripBlankLines).counter);
  using namespace markup;
  const size_t n = buf.size();
  // Line ends inside quoted values and literal element content show; only
  // behind a block-level tag is a new line end invisible.
  auto keeps = [&](size_t i) {
    const uint8_t c = cls[i] & kClassMask;
    return c == kValue || c == kRaw;
  };
  auto behind = [&](size_t i) {
    return buf[i] == '>' && (cls[i] & kClose) && (cls[i] & kBlock) && !(i + 1 < n && ClassOf(cls, i + 1) == kRaw);
  };
  // The candidates are found by looking back from where a break is sought:
  // the last one in reach is the one taken, unless a free one (a blank or a
  // line end) is in reach too.
  const Choice choice = ChooseBreaks(int64_t(n), cx.opts.wordWrap,
                                     [&](int64_t P, int64_t lower, BreakCandidate& pick, bool& found) {
    const size_t top = size_t(P - 1), bottom = size_t(std::max<int64_t>(lower - 1, 0));
    for (size_t i = top + 1; i-- > bottom;) {
      BreakKind kind;
      if (behind(i)) kind = BreakKind::Behind;
      else if (buf[i] == '>' || keeps(i)) continue;
      else if (buf[i] == ' ') kind = BreakKind::Blank;
      else if (LineEndStartsAt(buf, i)) kind = BreakKind::LineEnd;
      else continue;
      if (!found) pick = {uint32_t(i), kind}, found = true;
      if (kind != BreakKind::Behind) {
        pick = {uint32_t(i), kind};
        break;
      }
    }
    // With no break chosen yet the look reached the first byte.
    return found || lower > 0;
  });
  std::vector<uint8_t> fl(n);
  for (size_t i = 0; i < n; ++i) fl[i] = keeps(i) ? kKeep : 0;
  for (size_t i = buf.find('>'); i != Buffer::npos; i = buf.find('>', i + 1))
    if (behind(i)) fl[i] |= kSilent;
  ApplyBreaks(buf, fl, choice, &cls);
}

void StripCR(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::CRLFToLF).counter);
  NormalizeCR(buf);
}

}  // namespace sw

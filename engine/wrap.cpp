// Line re-wrapping and CR removal.
#include <algorithm>

#include "engine/blocktags.h"
#include "engine/linebreaks.h"
#include "engine/passes.h"

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

// Replaces or deletes every byte ch among the first region bytes, taking them
// from the last one backwards: a line end with a blank on either side, or
// behind a byte where a break adds no visible space, goes; any other becomes a
// blank. So joining undoes the breaks of an earlier run exactly. Bytes and flags move together; region is updated
// to the number of bytes the joined part now has.
void JoinLineEnds(Buffer& buf, std::vector<uint8_t>& fl, size_t& region, char ch) {
  Buffer rev;
  std::vector<uint8_t> revFl;
  rev.reserve(region);
  revFl.reserve(region);
  bool behindIsBlank = region < buf.size() && buf[region] == ' ';
  for (size_t i = region; i-- > 0;) {
    char c = buf[i];
    uint8_t f = fl[i];
    if (c == ch && !(f & kKeep)) {
      if ((i > 0 && (buf[i - 1] == ' ' || (fl[i - 1] & kSilent))) || behindIsBlank) continue;
      c = ' ';
      f = 0;
    }
    rev.push_back(c);
    revFl.push_back(f);
    behindIsBlank = c == ' ';
  }
  const size_t joined = rev.size();
  Buffer out(rev.rbegin(), rev.rend());
  out.append(buf, region, Buffer::npos);
  std::vector<uint8_t> outFl(revFl.rbegin(), revFl.rend());
  outFl.insert(outFl.end(), fl.begin() + std::ptrdiff_t(region), fl.end());
  buf.swap(out);
  fl.swap(outFl);
  region = joined;
}

}  // namespace

void RewrapAt(Buffer& buf, const std::vector<BreakCandidate>& cands, uint16_t wordWrap,
              const std::vector<uint8_t>* keep, bool silentBehind, bool freeFirst) {
  const int64_t len = int64_t(buf.size());
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
  // Choosing works on 1-based positions: P is where the next break is sought,
  // and a break is accepted from P - 254 on, behind the last one chosen.
  std::vector<size_t> chosen;  // indices into cands
  bool limitSet = false;
  int64_t limit = len;
  int64_t P = kWindow;
  while (P < len) {
    const size_t any = lastUpTo(cands, [](const BreakCandidate& c) { return int64_t(c.pos) + 1; }, P);
    if (any == none) break;  // nothing to break at: join everything
    const int64_t lower = std::max(P - kWindow, chosen.empty() ? int64_t(0) : pos1(chosen.back()) + 1);
    size_t pick = none;
    if (freeFirst) {
      const size_t f = lastUpTo(freeIdx, [&](size_t idx) { return pos1(idx); }, P);
      if (f != none && pos1(freeIdx[f]) >= lower) pick = freeIdx[f];
    }
    if (pick == none && pos1(any) >= lower) pick = any;
    if (pick == none) {
      // A run too long to break, or no candidate behind the last break: the
      // rest keeps its lines.
      limitSet = true;
      limit = chosen.empty() ? 2 * kWindow : pos1(chosen.back());
      break;
    }
    chosen.push_back(pick);
    P = pos1(pick) + wordWrap;
  }
  limit = std::min(limit, len);

  std::vector<uint8_t> fl(buf.size(), 0);
  if (keep)
    for (size_t i = 0; i < buf.size(); ++i)
      if ((*keep)[i]) fl[i] = kKeep;
  if (silentBehind)
    for (const BreakCandidate& c : cands)
      if (c.kind == BreakKind::Behind) fl[c.pos] |= kSilent;
  for (size_t idx : chosen) {
    const size_t p = cands[idx].pos;
    switch (cands[idx].kind) {
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
  if (limitSet && !chosen.empty()) {
    const size_t last = cands[chosen.back()].pos;
    if (int64_t(last) + 1 == limit && limit < len && (buf[size_t(limit)] == '\r' || buf[size_t(limit)] == '\n'))
      fl[last] &= uint8_t(~(kBreakBehind | kBreakHere));
  }

  const bool crlf = buf.find('\r') != Buffer::npos;
  size_t region = size_t(limit);
  if (crlf) JoinLineEnds(buf, fl, region, '\r');
  JoinLineEnds(buf, fl, region, '\n');

  const std::string_view eol = crlf ? "\r\n" : "\n";
  // A chosen line end that follows a break directly already ends that line.
  auto lineEndAt = [&](size_t j) { return j < buf.size() && (fl[j] & kLineEndHere); };
  Buffer out;
  out.reserve(buf.size() + chosen.size() * 2);
  for (size_t i = 0; i < buf.size(); ++i) {
    if (fl[i] & (kBreakHere | kLineEndHere)) {
      if (!(fl[i] & kLineEndHere) && lineEndAt(i + 1)) continue;
      out += eol;
      continue;
    }
    if (fl[i] & kDrop) continue;
    out.push_back(buf[i]);
    if (fl[i] & kBreakBehind) {
      // A blank behind the break would only start the next line: it becomes the line end.
      if (i + 1 < buf.size() && buf[i + 1] == ' ' && !(fl[i + 1] & kKeep)) ++i;
      if (!lineEndAt(i + 1)) out += eol;
    }
  }
  buf.swap(out);
}

void NormalizeCR(Buffer& buf) {
  size_t w = 0;
  const size_t n = buf.size();
  for (size_t r = 0; r < n; ++r) {
    char c = buf[r];
    if (c == '\r') {
      if (r + 1 < n && buf[r + 1] == '\n') continue;
      c = '\n';
    }
    buf[w++] = c;
  }
  buf.resize(w);
}

void RewrapLines(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripBlankLines).counter);
  using namespace markup;
  const std::vector<uint8_t> cls = ClassifyMarkup(buf);
  const size_t n = buf.size();
  std::vector<uint8_t> keep(n, 0);
  std::vector<BreakCandidate> cands;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = cls[i] & kClassMask;
    // Line ends inside quoted values and literal element content show.
    keep[i] = c == kValue || c == kRaw;
    if (buf[i] == '>') {
      // Only behind a block-level tag is a new line end invisible.
      if ((cls[i] & kClose) && (cls[i] & kBlock) && !(i + 1 < n && ClassOf(cls, i + 1) == kRaw))
        cands.push_back({uint32_t(i), BreakKind::Behind});
    } else if (keep[i]) {
      continue;
    } else if (buf[i] == ' ') {
      cands.push_back({uint32_t(i), BreakKind::Blank});
    } else if (LineEndStartsAt(buf, i)) {
      cands.push_back({uint32_t(i), BreakKind::LineEnd});
    }
  }
  RewrapAt(buf, cands, cx.opts.wordWrap, &keep, true, true);
}

void StripCR(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::CRLFToLF).counter);
  NormalizeCR(buf);
}

}  // namespace sw

// Empty and redundant tag removal: FONT and phrase elements that hold nothing
// visible, neighbouring copies of one element, nested FONT start tags, and
// attributes that restate the default.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "engine/passes.h"
#include "engine/scan.h"

namespace sw {

namespace {

constexpr size_t npos = std::string_view::npos;

// One left-to-right sweep that removes stretches of its input without moving
// bytes: removals are noted and the result is built once at the end. Searches
// see the text as it stands after the removals noted so far; a match never
// spans a removed stretch.
class Sweep {
 public:
  explicit Sweep(const Buffer& in) : in_(in) {}

  std::string_view In() const { return in_; }

  size_t Find(std::string_view pat, size_t from, bool ic = true) const {
    for (;;) {
      size_t p = FindFrom(in_, pat, from, ic);
      if (p == npos || Clean(p, p + pat.size())) return p;
      from = p + 1;
    }
  }
  size_t FindByte(char c, size_t from) const {
    for (;;) {
      if (from >= in_.size()) return npos;
      const void* q = memchr(in_.data() + from, c, in_.size() - from);
      if (!q) return npos;
      size_t p = size_t((const char*)q - in_.data());
      if (Clean(p, p + 1)) return p;
      from = NextKept(p);
    }
  }

  // True when no byte of [a, b) is removed.
  bool Clean(size_t a, size_t b) const {
    auto it = gone_.upper_bound(a);
    if (it != gone_.end() && it->first < b) return false;
    if (it != gone_.begin() && std::prev(it)->second > a) return false;
    return true;
  }
  // True when every byte of [a, b) is removed (or the stretch is empty).
  bool Gone(size_t a, size_t b) const {
    while (a < b) {
      size_t k = NextKept(a);
      if (k == a) return false;
      a = k;
    }
    return true;
  }
  // The first byte at or after p that is not removed.
  size_t NextKept(size_t p) const {
    auto it = gone_.upper_bound(p);
    if (it != gone_.begin()) {
      --it;
      while (it != gone_.end() && it->first <= p) {
        if (it->second > p) p = it->second;
        ++it;
      }
    }
    return p;
  }
  // The current text of [a, b): a view of the input when nothing in it is
  // removed, else a copy kept in scratch.
  std::string_view Text(size_t a, size_t b, std::string& scratch) const {
    if (Clean(a, b)) return std::string_view(in_).substr(a, b - a);
    scratch.clear();
    for (size_t p = NextKept(a); p < b;) {
      auto it = gone_.upper_bound(p);
      size_t stop = it == gone_.end() ? b : std::min(b, it->first);
      scratch.append(in_, p, stop - p);
      p = NextKept(stop);
    }
    return scratch;
  }

  void Remove(size_t a, size_t b) {
    if (a >= b) return;
    auto it = gone_.upper_bound(a);
    if (it != gone_.begin() && std::prev(it)->second >= a) --it;
    while (it != gone_.end() && it->first <= b) {
      a = std::min(a, it->first);
      b = std::max(b, it->second);
      it = gone_.erase(it);
    }
    gone_.emplace(a, b);
  }

  // Writes the result into buf (the input) when anything was removed.
  void Finish(Buffer& buf) const {
    if (gone_.empty()) return;
    std::string out;
    out.reserve(in_.size());
    size_t p = 0;
    for (auto& [a, b] : gone_) {
      out.append(in_, p, a - p);
      p = b;
    }
    out.append(in_, p, npos);
    buf.swap(out);
  }

 private:
  const Buffer& in_;
  std::map<size_t, size_t> gone_;  // removed stretches [first, second), disjoint
};

// Skips the tag opening at p when it begins with one of the prefixes; returns
// the offset behind its ">" or npos.
size_t SkipTag(std::string_view s, size_t p, std::initializer_list<std::string_view> prefixes) {
  for (std::string_view pre : prefixes)
    if (MatchAt(s, pre, p, true)) {
      size_t g = s.find('>', p + pre.size());
      return g == npos ? npos : g + 1;
    }
  return npos;
}

bool IsCrLfBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// Content of a FONT element that shows nothing of the font: images, links
// with attributes, BR tags with attributes, paragraph tags and blanks.
// withFonts also lets FONT start tags with attributes and FONT end tags pass.
bool FontIgnorable(std::string_view s, bool withFonts) {
  for (size_t p = 0; p < s.size();) {
    if (IsCrLfBlank(s[p])) {
      ++p;
      continue;
    }
    if (s[p] != '<') return false;
    if (MatchAt(s, "</a>", p, true)) {
      p += 4;
      continue;
    }
    if (MatchAt(s, "</p>", p, true)) {
      p += 4;
      continue;
    }
    if (withFonts && MatchAt(s, "</font>", p, true)) {
      p += 7;
      continue;
    }
    size_t q = withFonts ? SkipTag(s, p, {"<img ", "<a ", "<br ", "<p", "<font "})
                         : SkipTag(s, p, {"<img ", "<a ", "<br ", "<p"});
    if (q == npos) return false;
    p = q;
  }
  return true;
}

// Content of a phrase element that holds only tags and blanks.
bool PhraseIgnorable(std::string_view s) {
  for (size_t p = 0; p < s.size();) {
    if (IsCrLfBlank(s[p])) {
      ++p;
    } else if (s[p] == '<') {
      size_t g = s.find('>', p + 1);
      if (g == npos) return false;
      p = g + 1;
    } else {
      return false;
    }
  }
  return true;
}

bool OnlyCrLfBlanks(std::string_view s) {
  return std::all_of(s.begin(), s.end(), IsCrLfBlank);
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool SameStartTag(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && (a[i] == '\r' || a[i] == '\n')) ++i;
    while (j < b.size() && (b[j] == '\r' || b[j] == '\n')) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (Fold(a[i]) != Fold(b[j])) return false;
    ++i, ++j;
  }
}

// Lower-case attribute names of a start tag "<name ...>".
std::set<std::string> AttributeNames(std::string_view tag) {
  std::set<std::string> names;
  size_t p = 1;
  while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>') ++p;  // the element name
  for (;;) {
    while (p < tag.size() && (IsBlank(tag[p]) || tag[p] == '/')) ++p;
    if (p >= tag.size() || tag[p] == '>') break;
    size_t a = p;
    while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '=' && tag[p] != '>' && tag[p] != '/') ++p;
    names.insert(AsciiLower(tag.substr(a, p - a)));
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    if (p >= tag.size() || tag[p] != '=') continue;
    ++p;
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
      size_t q = tag.find(tag[p], p + 1);
      p = q == npos ? tag.size() : q + 1;
    } else {
      while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>') ++p;
    }
  }
  return names;
}

bool ShareAttribute(std::string_view a, std::string_view b) {
  std::set<std::string> x = AttributeNames(a), y = AttributeNames(b);
  return std::any_of(x.begin(), x.end(), [&](const std::string& n) { return y.count(n) > 0; });
}

int FontStep(Buffer& buf) {
  if (FindFrom(buf, "<font", 0, true) == npos) return 0;
  Sweep w(buf);
  std::string t1, t2;
  int changes = 0;
  for (size_t pos = 0;;) {
    size_t s = w.Find("<font", pos);
    if (s == npos) break;
    size_t g = w.FindByte('>', s + 5);
    if (g == npos) break;
    size_t e = w.Find("</font>", g + 1);
    if (e == npos) break;
    if (w.Gone(g + 1, e)) {
      w.Remove(s, e + 7);
      ++changes;
      pos = e + 7;
      continue;
    }
    if (FontIgnorable(w.Text(g + 1, e, t1), false)) {
      w.Remove(s, g + 1);
      w.Remove(e, e + 7);
      ++changes;
      pos = w.NextKept(g + 1) + 1;
      continue;
    }
    size_t s2 = w.Find("<font", e + 7);
    size_t g2 = s2 == npos ? npos : w.FindByte('>', s2 + 5);
    if (g2 != npos && SameStartTag(w.Text(s, g + 1, t1), w.Text(s2, g2 + 1, t2))) {
      if (w.Gone(e + 7, s2)) {
        w.Remove(e, g2 + 1);
        ++changes;
      } else if (FontIgnorable(w.Text(e + 7, s2, t1), true)) {
        w.Remove(s2, g2 + 1);
        w.Remove(e, e + 7);
        ++changes;
      }
    }
    pos = s + 1;
  }
  w.Finish(buf);
  return changes;
}

bool OpensLink(char c) { return c == '>' || IsBlank(c); }

// The next A start tag ("<a>" or "<a" and a blank) at or after from.
size_t FindLinkStart(const Sweep& w, size_t from) {
  for (;;) {
    size_t p = w.Find("<a", from);
    if (p == npos || (p + 2 < w.In().size() && OpensLink(w.In()[p + 2]))) return p;
    from = p + 1;
  }
}

int StripBareLinks(Buffer& buf) {
  if (FindFrom(buf, "<a>", 0, true) == npos) return 0;
  Sweep w(buf);
  int changes = 0;
  for (size_t pos = 0;;) {
    size_t s = w.Find("<a>", pos);
    if (s == npos) break;
    size_t e = w.Find("</a>", s + 3);
    if (e == npos) break;
    pos = s + 3;
    // With another link opened in between, that "</a>" closes the other
    // link: taking it would leave that link open to the end of the page.
    if (FindLinkStart(w, s + 3) < e) continue;
    w.Remove(s, s + 3);
    w.Remove(e, e + 4);
    ++changes;
  }
  w.Finish(buf);
  return changes;
}

const char* const kPhraseNames[] = {"cite>", "code>", "em>",  "kbd>",   "samp>",  "strong>", "var>",
                                    "b>",    "big>",  "blink>", "i>",   "small>", "strike>", "sub>",
                                    "sup>",  "dfn>",  "address>", "tt>", "u>"};

int PhraseElementStep(Buffer& buf, std::string_view open, std::string_view close) {
  Sweep w(buf);
  std::string t;
  int changes = 0;
  const size_t ol = open.size(), cl = close.size();
  for (size_t pos = 0;;) {
    size_t s = w.Find(open, pos);
    if (s == npos) break;
    size_t e = w.Find(close, s + ol);
    if (e == npos) break;
    if (w.Gone(s + ol, e)) {
      w.Remove(s, e + cl);
      ++changes;
      pos = e + cl;
      continue;
    }
    if (PhraseIgnorable(w.Text(s + ol, e, t))) {
      w.Remove(s, s + ol);
      w.Remove(e, e + cl);
      ++changes;
      pos = s + ol;
      continue;
    }
    size_t s2 = w.Find(open, e + cl);
    if (s2 == npos) break;
    if (w.Gone(e + cl, s2)) {
      w.Remove(e, s2 + ol);  // adjacent copies merge; no change counted
      pos = s;
    } else if (OnlyCrLfBlanks(w.Text(e + cl, s2, t))) {
      w.Remove(e, e + cl);
      w.Remove(s2, s2 + ol);
      ++changes;
      pos = s;
    } else {
      pos = s2;
    }
  }
  w.Finish(buf);
  return changes;
}

int PhraseStep(Buffer& buf, PassContext& cx) {
  int changes = StripBareLinks(buf);
  for (const char* name : kPhraseNames) {
    if (cx.pumpFn) cx.pumpFn();
    std::string open = std::string("<") + name, close = std::string("</") + name;
    if (FindFrom(buf, open, 0, true) == npos) continue;
    changes += PhraseElementStep(buf, open, close);
  }
  return changes;
}

// A FONT start tag directly followed by another becomes one tag carrying both
// attribute lists, when their end tags stand together.
void NestedFontStep(Buffer& buf) {
  if (FindFrom(buf, "<font", 0, true) == npos) return;
  Sweep w(buf);
  std::string t1, t2;
  for (size_t pos = 0;;) {
    size_t s = w.Find("<font", pos);
    if (s == npos) break;
    size_t g = w.FindByte('>', s + 5);
    if (g == npos) break;
    pos = g;
    size_t s2 = w.NextKept(g + 1);
    if (!MatchAt(w.In(), "<font", s2, true) || !w.Clean(s2, s2 + 5)) continue;
    size_t g2 = w.FindByte('>', s2 + 5);
    size_t e1 = w.Find("</font>", g + 1);
    if (g2 == npos || e1 == npos) continue;
    size_t e2 = w.Find("</font>", e1 + 7);
    if (e2 == npos) continue;
    std::string_view between = w.Text(e1 + 7, e2, t1);
    if (!between.empty() && between != " ") continue;
    // Browsers take the first of two equal attributes: the inner one would
    // be lost.
    if (ShareAttribute(w.Text(s, g + 1, t1), w.Text(s2, g2 + 1, t2))) continue;
    w.Remove(e1, e1 + 7);
    w.Remove(g, g + 1);
    w.Remove(s2, s2 + 5);
    pos = s2 + 5;
  }
  w.Finish(buf);
}

// Image borders of 0 inside IMG tags that are not inside a link.
void StripImageBorders(Buffer& buf) {
  const std::string_view s = buf;
  RegionTracker link(s, "<a", "</a", IsBlank, ClosesLinkName);
  std::string out;
  size_t copied = 0;
  for (size_t img = FindFrom(s, "<img", 1, true); img != npos; img = FindFrom(s, "<img", img + 4, true)) {
    size_t g = s.find('>', img);
    if (g == npos) break;
    if (link.Inside(img)) continue;
    for (size_t b = FindFrom(s, "border=", img, true); b != npos && b < g;
         b = FindFrom(s, "border=", b + 7, true)) {
      if (!IsBlank(s[b - 1])) continue;
      size_t len = 0;
      if (MatchAt(s, "border=0", b, true) && b + 8 < s.size() && EndsValue(s[b + 8])) len = 8;
      if (MatchAt(s, "border=\"0\"", b, true)) len = 10;
      if (len) {
        out.append(s, copied, b - copied);
        copied = b + len;
      }
      break;
    }
  }
  if (copied == 0) return;
  out.append(s, copied, npos);
  buf.swap(out);
}

enum class Verdict { Keep, Remove, Stop };

// Deletes the matches of pat that judge() marks, in one sweep; after each
// match the search goes on `skip` bytes behind it (counted in the text as it
// stands after the deletion), or right behind it when skip is 0.
template <class Judge>
void DeleteMatches(Buffer& buf, std::string_view pat, size_t skip, Judge judge) {
  const std::string_view s = buf;
  std::string out;
  size_t copied = 0;
  bool changed = false;
  for (size_t p = FindFrom(s, pat, 0, true); p != npos;) {
    Verdict v = judge(s, p);
    if (v == Verdict::Stop) break;
    size_t next = p + (skip ? skip : pat.size());
    if (v == Verdict::Remove) {
      if (!changed) out.reserve(s.size()), changed = true;
      out.append(s, copied, p - copied);
      copied = p + pat.size();
      next = copied + skip;
    }
    p = FindFrom(s, pat, next, true);
  }
  if (!changed) return;
  out.append(s, copied, npos);
  buf.swap(out);
}

bool ValueEndsAt(std::string_view s, size_t p) { return p >= s.size() || EndsValue(s[p]); }

// Tags on which a left alignment restates the default.
bool LeftIsDefault(std::string_view s, size_t open) {
  size_t a = open + 1, b = a;
  while (b < s.size() && !IsBlank(s[b]) && s[b] != '/' && s[b] != '>') ++b;
  std::string name = AsciiLower(s.substr(a, b - a));
  static const char* const kNames[] = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "tr", "td"};
  return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* n) { return name == n; });
}

void StripLeftAlign(Buffer& buf, std::string_view pat) {
  TagTracker tags(buf);
  RegionTracker center(buf, "<center>", "</center>");
  bool unquoted = pat.back() == 't';
  DeleteMatches(buf, pat, 4, [&](std::string_view s, size_t p) {
    bool ok = p > 0 && IsBlank(s[p - 1]) && (!unquoted || ValueEndsAt(s, p + pat.size())) &&
              tags.Inside(p) && !center.Inside(p) && LeftIsDefault(s, tags.Open(p));
    return ok ? Verdict::Remove : Verdict::Keep;
  });
}

void StripDefaultAttribute(Buffer& buf, std::string_view pat) {
  TagTracker tags(buf);
  bool unquoted = pat.back() != '"';
  DeleteMatches(buf, pat, 0, [&](std::string_view s, size_t p) {
    bool ok = p > 0 && IsBlank(s[p - 1]) && (!unquoted || ValueEndsAt(s, p + pat.size())) && tags.Inside(p);
    return ok ? Verdict::Remove : Verdict::Keep;
  });
}

void StripZeroBorders(Buffer& buf, std::string_view pat) {
  const size_t firstImg = FindFrom(buf, "<img", 0, true);
  TagTracker tags(buf);
  RegionTracker link(buf, "<a", "</a", IsBlank, ClosesLinkName);
  bool unquoted = pat.back() == '0';
  DeleteMatches(buf, pat, 5, [&](std::string_view s, size_t p) {
    if (firstImg == npos || firstImg > p) return Verdict::Stop;
    bool ok = (!unquoted || ValueEndsAt(s, p + pat.size())) && tags.Inside(p) && !link.Inside(p);
    return ok ? Verdict::Remove : Verdict::Keep;
  });
}

void StripRedundantAttributes(Buffer& buf, const PassContext& cx) {
  const bool quotesKept = !cx.opts[Opt::StripQuotes];
  if (FindFrom(buf, "<style", 0, true) == npos) {
    StripLeftAlign(buf, "align=left");
    // A width or height of 100% restates no default: it stays.
    for (std::string_view pat : {"vspace=0", "vspace=\"0\"", "hspace=0", "hspace=\"0\"", "alt=\"\"", "alt=\" \""})
      StripDefaultAttribute(buf, pat);
    if (quotesKept) StripLeftAlign(buf, "align=\"left\"");
  }
  StripZeroBorders(buf, " border=0");
  if (quotesKept) StripZeroBorders(buf, " border=\"0\"");
}

}  // namespace

void StripEmptyTags(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripEmpties).counter);
  StripImageBorders(buf);
  int changes = FontStep(buf) + PhraseStep(buf, cx);
  NestedFontStep(buf);
  while (changes > 0) changes = FontStep(buf) + PhraseStep(buf, cx);
  StripRedundantAttributes(buf, cx);
}

}  // namespace sw

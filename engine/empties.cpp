// Empty and redundant tag removal: FONT and phrase elements that hold nothing
// visible, neighbouring copies of one element, nested FONT start tags, and
// attributes that restate the default.
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/emptytags.h"
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

  // True when pred holds for every unremoved stretch of [a, b), without
  // copying anything. A tag cut by a removal fails the tag-wise tests below,
  // which keeps the caller on the safe side.
  template <class Pred>
  bool EachKept(size_t a, size_t b, Pred pred) const {
    for (size_t p = NextKept(a); p < b;) {
      auto it = gone_.upper_bound(p);
      size_t stop = it == gone_.end() ? b : std::min(b, it->first);
      if (!pred(std::string_view(in_).substr(p, stop - p))) return false;
      p = NextKept(stop);
    }
    return true;
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

  // Writes the result into buf (the input) when anything was removed, and
  // says whether it did.
  bool Finish(Buffer& buf) const {
    if (gone_.empty()) return false;
    std::string out;
    out.reserve(in_.size());
    size_t p = 0;
    for (auto& [a, b] : gone_) {
      out.append(in_, p, a - p);
      p = b;
    }
    out.append(in_, p, npos);
    buf.swap(out);
    return true;
  }

 private:
  const Buffer& in_;
  std::map<size_t, size_t> gone_;  // removed stretches [first, second), disjoint
};

// Calls f(name, value) for each attribute of a start tag "<name ...>"; the
// value is empty when none is written, and its quotes are taken off.
template <class F>
void ForEachAttribute(std::string_view tag, F f) {
  size_t p = 1;
  while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>') ++p;  // the element name
  for (;;) {
    while (p < tag.size() && (IsBlank(tag[p]) || tag[p] == '/')) ++p;
    if (p >= tag.size() || tag[p] == '>') break;
    size_t a = p;
    while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '=' && tag[p] != '>' && tag[p] != '/') ++p;
    std::string_view name = tag.substr(a, p - a), value;
    while (p < tag.size() && IsBlank(tag[p])) ++p;
    if (p < tag.size() && tag[p] == '=') {
      ++p;
      while (p < tag.size() && IsBlank(tag[p])) ++p;
      if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
        size_t q = tag.find(tag[p], p + 1);
        value = tag.substr(p + 1, (q == npos ? tag.size() : q) - p - 1);
        p = q == npos ? tag.size() : q + 1;
      } else {
        size_t v = p;
        while (p < tag.size() && !IsBlank(tag[p]) && tag[p] != '>') ++p;
        value = tag.substr(v, p - v);
      }
    }
    f(name, value);
  }
}

// Lower-case attribute names of a start tag.
std::set<std::string> AttributeNames(std::string_view tag) {
  std::set<std::string> names;
  ForEachAttribute(tag, [&](std::string_view n, std::string_view) { names.insert(AsciiLower(n)); });
  return names;
}

// The value of a tag's attribute (the first one so named), or empty.
std::string_view AttributeValue(std::string_view tag, std::string_view name) {
  std::string_view found;
  bool seen = false;
  ForEachAttribute(tag, [&](std::string_view n, std::string_view v) {
    if (!seen && n.size() == name.size() && MatchAt(n, name, 0, true)) found = v, seen = true;
  });
  return found;
}

// An image whose alternative text shows where the image does not: the
// element around it styles that text, so it is content.
bool ImageWithAltText(std::string_view tag) {
  return MatchAt(tag, "<img", 0, true) && tag.size() > 4 && IsBlank(tag[4]) &&
         !AttributeValue(tag, "alt").empty();
}

// Skips the tag opening at p when it begins with one of the prefixes; returns
// the offset behind its ">" or npos. A prefix's closing blank stands for any
// white space: a tag name at a line end would otherwise be taken only once
// re-wrapping made that a blank, on a second run.
size_t SkipTag(std::string_view s, size_t p, std::initializer_list<std::string_view> prefixes) {
  for (std::string_view pre : prefixes)
    if (pre.back() == ' ' ? MatchAt(s, pre.substr(0, pre.size() - 1), p, true) && p + pre.size() <= s.size() &&
                                IsBlank(s[p + pre.size() - 1])
                          : MatchAt(s, pre, p, true)) {
      size_t g = s.find('>', p + pre.size());
      return g == npos ? npos : g + 1;
    }
  return npos;
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }

bool IsCrLfBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

// Content of a FONT element that shows nothing of the font: images without
// alternative text, links with attributes, BR tags with attributes,
// paragraph tags and blanks.
bool FontIgnorable(std::string_view s) {
  for (size_t p = 0; p < s.size();) {
    if (IsCrLfBlank(s[p])) {
      ++p;
      continue;
    }
    if (s[p] != '<') return false;
    if (MatchAt(s, "</a>", p, true) || MatchAt(s, "</p>", p, true)) {
      p += 4;
      continue;
    }
    size_t q = SkipTag(s, p, {"<img ", "<a ", "<br ", "<p"});
    if (q == npos || ImageWithAltText(s.substr(p, q - p))) return false;
    p = q;
  }
  return true;
}

// Content of a phrase element that holds only tags and blanks.
// The offset of the first byte that shows: neither a blank nor inside a tag
// (a "<" without a ">" behind it counts as showing, and so does an image
// with alternative text), or npos.
size_t PhraseShown(std::string_view s) {
  for (size_t p = 0; p < s.size();) {
    if (IsCrLfBlank(s[p])) {
      ++p;
    } else if (s[p] == '<') {
      size_t g = s.find('>', p + 1);
      if (g == npos || ImageWithAltText(s.substr(p, g + 1 - p))) return p;
      p = g + 1;
    } else {
      return p;
    }
  }
  return npos;
}

bool PhraseIgnorable(std::string_view s) { return PhraseShown(s) == npos; }


bool SameStartTag(std::string_view a, std::string_view b) {
  if (a == b) return true;  // the usual case: a copy of the tag
  size_t i = 0, j = 0;
  for (;;) {
    while (i < a.size() && (a[i] == '\r' || a[i] == '\n')) ++i;
    while (j < b.size() && (b[j] == '\r' || b[j] == '\n')) ++j;
    if (i == a.size() || j == b.size()) return i == a.size() && j == b.size();
    if (Fold(a[i]) != Fold(b[j])) return false;
    ++i, ++j;
  }
}

bool ShareAttribute(std::string_view a, std::string_view b) {
  std::set<std::string> x = AttributeNames(a), y = AttributeNames(b);
  return std::any_of(x.begin(), x.end(), [&](const std::string& n) { return y.count(n) > 0; });
}

// Positions of one kind of tag in a sweep's input, in order. A removal is for
// good, so a listed tag once found touched by one is skipped at once on every
// later search (linked past, with path compression).
class TagList {
 public:
  // The positions, which must outlive the list or its next Reset.
  void Reset(const std::vector<size_t>& at) {
    at_ = &at;
    up_.clear();
    hint_ = 0;
  }
  bool empty() const { return at_->empty(); }

  // The first listed tag at or after from that no removal has touched.
  size_t Next(const Sweep& w, size_t from, size_t len) {
    const std::vector<size_t>& at = *at_;
    if (up_.size() != at.size() + 1) {
      up_.resize(at.size() + 1);
      for (size_t i = 0; i < up_.size(); ++i) up_[i] = i;
    }
    size_t i = Live(Lower(from));
    while (i < at.size()) {
      if (w.Clean(at[i], at[i] + len)) return at[i];
      up_[i] = i + 1;
      i = Live(i + 1);
    }
    return npos;
  }

 private:
  // The index of the first listed tag at or after from. A sweep mostly asks
  // for the tag after the one it asked for last, so that is tried first.
  size_t Lower(size_t from) {
    const std::vector<size_t>& at = *at_;
    size_t h = hint_;
    if (h < at.size() && at[h] < from) ++h;
    if (!(h <= at.size() && (h == at.size() || at[h] >= from) && (h == 0 || at[h - 1] < from)))
      h = size_t(std::lower_bound(at.begin(), at.end(), from) - at.begin());
    return hint_ = h;
  }

  size_t Live(size_t i) {
    size_t r = i;
    while (up_[r] != r) r = up_[r];
    while (up_[i] != r) {
      size_t n = up_[i];
      up_[i] = r;
      i = n;
    }
    return r;
  }

  const std::vector<size_t>* at_ = nullptr;
  std::vector<size_t> up_;
  size_t hint_ = 0;
};

size_t NextTag(const Sweep& w, TagList& list, size_t from, size_t len) { return list.Next(w, from, len); }

// Start tags a sweep looked at and left standing, latest last. When an
// element goes, the one around it may have become empty: the sweep steps back
// to the latest start tag still standing and asks only that (nested elements
// would otherwise take one round each), then goes on where it was.
class Revisit {
 public:
  explicit Revisit(size_t len) : len_(len) {}
  // True while the start tag under examination is one looked at before.
  bool Active() const { return active_; }
  // The element [from, to) went (what stays of it is ignorable); next is
  // where the sweep would go on. Returns where it goes on.
  size_t Gone(const Sweep& w, size_t next, size_t from, size_t to) {
    if (active_) next = std::max(next, resume_);
    active_ = false;
    from_ = from, to_ = to;
    while (!kept_.empty()) {
      size_t at = kept_.back();
      kept_.pop_back();
      if (w.Clean(at, at + len_)) {
        resume_ = next;
        active_ = true;
        return at;
      }
    }
    return next;
  }
  // Whether the revisited element, with content [a, b), holds the one that
  // went, and the rest of its content is short beside it: reading that again
  // for every element that goes inside a long one would be quadratic, so
  // such an element is left to the next round.
  bool Around(size_t a, size_t b) const {
    return a <= from_ && to_ <= b && (from_ - a) + (b - to_) <= 64 + 4 * (to_ - from_);
  }
  size_t From() const { return from_; }
  size_t To() const { return to_; }
  // The start tag at stays; next is where the sweep would go on.
  size_t Stays(size_t at, size_t next) {
    kept_.push_back(at);
    if (!active_) return next;
    active_ = false;
    return resume_;
  }

 private:
  size_t len_;
  std::vector<size_t> kept_;
  bool active_ = false;
  size_t resume_ = 0, from_ = 0, to_ = 0;
};


// The phrase names by their first letter (lower case).
struct NameBucket {
  uint8_t count = 0;
  uint8_t index[6] = {};
};
constexpr std::array<NameBucket, 26> kPhraseByFirst = [] {
  std::array<NameBucket, 26> t{};
  for (size_t i = 0; i < kPhraseCount; ++i) {
    NameBucket& b = t[size_t(kPhraseNames[i][0] - 'a')];
    b.index[b.count++] = uint8_t(i);
  }
  return t;
}();

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A step's tags, read from the marks of its input. Offsets are into the
// step's input; removals never move them. The marks are read again only
// when the text differs from the one they were read from: a step that
// changes nothing hands them to the next, which is the usual case, and the
// second empty-tag pass of a chunk often gets the first one's.
class TagIndex {
 public:
  struct Font {
    TagList open, close;
  };
  struct Phrase {
    TagList open[kPhraseCount], close[kPhraseCount];
    TagList bareLink, linkStart, linkEnd;
  };
  Font font;
  Phrase phrase;

  // The tags of s, every list fresh for a step.
  TagIndex& Of(std::string_view s) {
    if (s != std::string_view(readFrom_)) {
      marks_.Read(s);
      readFrom_.assign(s);
    }
    font.open.Reset(marks_.fontOpen);
    font.close.Reset(marks_.fontClose);
    for (size_t i = 0; i < kPhraseCount; ++i) phrase.open[i].Reset(marks_.open[i]), phrase.close[i].Reset(marks_.close[i]);
    phrase.bareLink.Reset(marks_.bareLink);
    phrase.linkStart.Reset(marks_.linkStart);
    phrase.linkEnd.Reset(marks_.linkEnd);
    return *this;
  }

 private:
  EmptyTagMarks marks_;
  Buffer readFrom_;
};

int FontStep(Buffer& buf, TagIndex& index) {
  TagIndex::Font& tags = index.Of(buf).font;
  if (tags.open.empty()) return 0;
  Sweep w(buf);
  Revisit revisit(5);
  std::string t1, t2;
  int changes = 0;
  size_t again = npos, endFrom = 0;  // a joined element, tried again
  for (size_t pos = 0;;) {
    size_t s = NextTag(w, tags.open, pos, 5);
    if (s == npos) break;
    size_t g = w.FindByte('>', s + 5);
    if (g == npos) break;
    size_t e = NextTag(w, tags.close, s == again ? endFrom : g + 1, 7);
    again = npos;
    if (e == npos) break;
    // A revisited element reads only its own content beside the one that
    // went, which is known to be ignorable.
    const bool revisited = revisit.Active();
    if (revisited && !revisit.Around(g + 1, e)) {
      pos = revisit.Stays(s, 0);
      continue;
    }
    if (w.Gone(g + 1, e)) {
      w.Remove(s, e + 7);
      ++changes;
      pos = revisit.Gone(w, e + 7, s, e + 7);
      continue;
    }
    if (revisited ? w.EachKept(g + 1, revisit.From(), FontIgnorable) &&
                        w.EachKept(revisit.To(), e, FontIgnorable)
                  : w.EachKept(g + 1, e, FontIgnorable)) {
      w.Remove(s, g + 1);
      w.Remove(e, e + 7);
      ++changes;
      pos = revisit.Gone(w, w.NextKept(g + 1) + 1, s, e + 7);
      continue;
    }
    if (revisited) {
      pos = revisit.Stays(s, 0);
      continue;
    }
    size_t s2 = NextTag(w, tags.open, e + 7, 5);
    size_t g2 = s2 == npos ? npos : w.FindByte('>', s2 + 5);
    pos = s + 1;
    if (g2 != npos && SameStartTag(w.Text(s, g + 1, t1), w.Text(s2, g2 + 1, t2))) {
      // Only with nothing between: a blank, image or paragraph between
      // would take the font's size.
      if (w.Gone(e + 7, s2)) {
        w.Remove(e, g2 + 1);
      } else {
        pos = revisit.Stays(s, pos);
        continue;
      }
      // The joined element may join its next neighbour too: trying it again
      // now joins a run of equal elements in one sweep rather than halving
      // the run on each round. Its content up to e held no end tag.
      ++changes;
      pos = s;
      again = s;
      endFrom = e + 7;
    } else {
      pos = revisit.Stays(s, pos);
    }
  }
  w.Finish(buf);
  return changes;
}

// A bare "<a>" goes with the first "</a>" behind it.
int StripBareLinks(Sweep& w, TagIndex::Phrase& tags) {
  int changes = 0;
  Revisit revisit(3);
  for (size_t pos = 0;;) {
    size_t s = NextTag(w, tags.bareLink, pos, 3);
    if (s == npos) break;
    size_t e = NextTag(w, tags.linkEnd, s + 3, 4);
    if (e == npos) break;
    pos = s + 3;
    // With another link opened in between, that "</a>" closes the other
    // link: taking it would leave that link open to the end of the page.
    if (NextTag(w, tags.linkStart, s + 3, 2) < e) {
      pos = revisit.Stays(s, pos);
      continue;
    }
    w.Remove(s, s + 3);
    w.Remove(e, e + 4);
    ++changes;
    pos = revisit.Gone(w, pos, s, e + 4);
  }
  return changes;
}

int PhraseElementStep(Sweep& w, TagList& opens, TagList& closes,
                      size_t ol, size_t cl) {
  int changes = 0;
  Revisit revisit(ol);
  size_t again = npos, endFrom = 0;  // a merged element, tried again
  // [known, knownEnd) held only tags and blanks when last looked at; an
  // element starting inside it holds only tags and blanks up to knownEnd,
  // so nested elements are not read again and again.
  size_t known = npos, knownEnd = npos;
  // A reading of the content from shownFrom met a byte that shows at shown.
  // Tags and blanks are read alike from there and from any start tag between
  // them, so a content starting so that reaches behind shown shows too, as
  // long as nothing up to shown has been removed since. (A "<" without ">" shows only
  // until the content grows, so it is not remembered.)
  size_t shownFrom = npos, shown = npos;
  auto remove = [&](size_t a, size_t b) {
    if (shownFrom != npos && a <= shown) shownFrom = npos;
    w.Remove(a, b);
  };
  auto contentIgnorable = [&](size_t s, size_t e) {
    if (shownFrom != npos && (s + ol == shownFrom || shownFrom <= s) && s < shown && shown < e) return false;
    size_t at = npos;
    bool ok = w.EachKept(s + ol, e, [&](std::string_view t) {
      size_t k = PhraseShown(t);
      if (k != npos && (t[k] != '<' || t.find('>', k) != npos)) at = size_t(t.data() - w.In().data()) + k;
      return k == npos;
    });
    if (at != npos) shownFrom = s + ol, shown = at;
    return ok;
  };
  for (size_t pos = 0;;) {
    size_t s = NextTag(w, opens, pos, ol);
    if (s == npos) break;
    size_t e = NextTag(w, closes, s == again ? endFrom : s + ol, cl);
    again = npos;
    if (e == npos) break;
    const bool revisited = revisit.Active();
    if (revisited && !revisit.Around(s + ol, e)) {
      pos = revisit.Stays(s, 0);
      continue;
    }
    if (w.Gone(s + ol, e)) {
      remove(s, e + cl);
      ++changes;
      known = npos;
      pos = revisit.Gone(w, e + cl, s, e + cl);
      continue;
    }
    const bool inKnown = known != npos && s >= known && s < knownEnd && e >= knownEnd;
    if (revisited ? w.EachKept(s + ol, revisit.From(), PhraseIgnorable) &&
                        w.EachKept(revisit.To(), e, PhraseIgnorable)
        : inKnown ? w.EachKept(knownEnd, e, PhraseIgnorable)
                  : contentIgnorable(s, e)) {
      remove(s, s + ol);
      remove(e, e + cl);
      ++changes;
      known = s + ol, knownEnd = e;
      pos = revisit.Gone(w, s + ol, s, e + cl);
      continue;
    }
    known = npos;
    if (revisited) {
      pos = revisit.Stays(s, 0);
      continue;
    }
    size_t s2 = NextTag(w, opens, e + cl, ol);
    if (s2 == npos) break;
    // Only copies with nothing between merge: a blank between would take
    // the element's font (a monospace or bold blank), and the text behind
    // it would move.
    if (w.Gone(e + cl, s2)) {
      remove(e, s2 + ol);  // no change counted
    } else {
      pos = revisit.Stays(s, s2);
      continue;
    }
    // Search again from the merged element; its content up to s2 held no
    // end tag.
    pos = s;
    again = s;
    endFrom = s2 + ol;
  }
  return changes;
}

// One sweep finds every tag involved; the elements are then handled name by
// name on the text as the earlier names left it.
int PhraseStep(Buffer& buf, PassContext& cx, TagIndex& index) {
  TagIndex::Phrase& tags = index.Of(buf).phrase;
  Sweep w(buf);
  int changes = StripBareLinks(w, tags);
  for (size_t i = 0; i < kPhraseCount; ++i) {
    if (cx.pumpFn) cx.pumpFn();
    if (tags.open[i].empty()) continue;
    const size_t len = kPhraseNames[i].size();
    changes += PhraseElementStep(w, tags.open[i], tags.close[i], len + 1, len + 2);
  }
  w.Finish(buf);
  return changes;
}

// A FONT start tag directly followed by another becomes one tag carrying both
// attribute lists, when their end tags stand together.
void NestedFontStep(Buffer& buf, TagIndex& index) {
  TagIndex::Font& tags = index.Of(buf).font;
  if (tags.open.empty()) return;
  Sweep w(buf);
  std::string t1, t2;
  for (size_t pos = 0;;) {
    size_t s = NextTag(w, tags.open, pos, 5);
    if (s == npos) break;
    size_t g = w.FindByte('>', s + 5);
    if (g == npos) break;
    pos = g;
    size_t s2 = w.NextKept(g + 1);
    if (!MatchAt(w.In(), "<font", s2, true) || !w.Clean(s2, s2 + 5)) continue;
    size_t g2 = w.FindByte('>', s2 + 5);
    size_t e1 = NextTag(w, tags.close, g + 1, 7);
    if (g2 == npos || e1 == npos) continue;
    size_t e2 = NextTag(w, tags.close, e1 + 7, 7);
    if (e2 == npos) continue;
    // Nothing or one blank between the end tags.
    size_t k = w.NextKept(e1 + 7);
    if (k < e2 && (w.In()[k] != ' ' || w.NextKept(k + 1) < e2)) continue;
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
  // The next "<img" is searched behind this tag: one in the tag's own text
  // opens no image (and would find the same border attribute again).
  for (size_t img = FindFrom(s, "<img", 1, true), g; img != npos; img = FindFrom(s, "<img", g + 1, true)) {
    g = s.find('>', img);
    if (g == npos) break;
    if (link.Inside(img)) continue;
    const std::string_view tag = s.substr(0, g);
    for (size_t b = FindFrom(tag, "border=", img, true); b != npos; b = FindFrom(tag, "border=", b + 7, true)) {
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

bool ValueEndsAt(std::string_view s, size_t p) { return p >= s.size() || EndsValue(s[p]); }

// Tags on which a left alignment restates the default.
bool LeftIsDefault(std::string_view s, size_t open) {
  size_t a = open + 1, b = a;
  while (b < s.size() && !IsBlank(s[b]) && s[b] != '/' && s[b] != '>') ++b;
  std::string name = AsciiLower(s.substr(a, b - a));
  static const char* const kNames[] = {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "tr", "td"};
  return std::any_of(std::begin(kNames), std::end(kNames), [&](const char* n) { return name == n; });
}

// Which elements around a position centre or right-align their content: the
// block and table elements that may carry an alignment, followed on a stack
// as browsers close them (a cell or row closes what is open inside the one
// before it; a block start closes an open paragraph). Where the stack is
// unsure it keeps elements open, which only keeps more left alignments.
// Positions asked about must not decrease.
class AlignContext {
 public:
  explicit AlignContext(std::string_view s) : s_(s) {}

  // True when the tag opening at `at` stands inside an element that
  // centres or right-aligns what it holds.
  bool NotLeft(size_t at) {
    while (next_ < at) Read(at);
    // What the tag closes by opening counts; its own alignment does not.
    Kind k;
    if (next_ == at && NameAt(at, k) == 1) Opens(k);
    return !stack_.empty() && stack_.back().notLeft;
  }

 private:
  enum Kind { kPara, kDiv, kCenter, kHeading, kTable, kSection, kRow, kCell, kCaption, kKinds };
  struct Open {
    bool notLeft;
    int last[kKinds];  // index of the nearest open element of each kind, -1 for none
  };

  int Near(Kind k) const { return stack_.empty() ? -1 : stack_.back().last[k]; }
  // A paragraph or block element is closed only from inside the table
  // cell (or caption) it was opened in.
  int BlockScope() const { return std::max({Near(kTable), Near(kCell), Near(kCaption)}); }
  void CloseTo(int i) { stack_.resize(size_t(i)); }

  static bool KindOf(std::string_view name, Kind& k) {
    static const std::pair<const char*, Kind> kNames[] = {
        {"p", kPara},      {"div", kDiv},      {"center", kCenter}, {"h1", kHeading},  {"h2", kHeading},
        {"h3", kHeading},  {"h4", kHeading},   {"h5", kHeading},    {"h6", kHeading},  {"table", kTable},
        {"thead", kSection}, {"tbody", kSection}, {"tfoot", kSection}, {"tr", kRow},    {"td", kCell},
        {"th", kCell},     {"caption", kCaption}};
    for (auto& [n, kind] : kNames)
      if (name.size() == strlen(n) && MatchAt(name, n, 0, true)) return k = kind, true;
    return false;
  }

  // Reads the next tag (or comment) from next_ on, unless it opens at or
  // after limit: the tag asked about must not count for itself.
  void Read(size_t limit) {
    size_t lt = s_.find('<', next_);
    if (lt == npos || lt >= limit) {
      next_ = lt;
      return;
    }
    if (MatchAt(s_, "<!--", lt, false)) {
      size_t c = s_.find("-->", lt + 4);
      next_ = c == npos ? npos : c + 3;
      return;
    }
    size_t gt = s_.find('>', lt + 1);
    next_ = gt == npos ? npos : gt + 1;
    if (gt == npos) return;
    // Tags written inside a script or style block open and close nothing.
    for (std::string_view raw : {"script", "style"})
      if (MatchAt(s_, raw, lt + 1, true) && (IsBlank(s_[lt + 1 + raw.size()]) || s_[lt + 1 + raw.size()] == '>')) {
        size_t c = FindFrom(s_, std::string("</") + std::string(raw), gt, true);
        next_ = c;
        return;
      }
    Kind k;
    switch (NameAt(lt, k)) {
      case 1: Opens(k), Push(k, s_.substr(lt, gt + 1 - lt)); break;
      case 2: Close(k); break;
      default: break;
    }
  }

  // The kind of the tag opening at lt: 1 for a start tag, 2 for an end tag,
  // 0 when it is none of the kinds followed.
  int NameAt(size_t lt, Kind& k) const {
    const bool end = lt + 1 < s_.size() && s_[lt + 1] == '/';
    size_t a = lt + (end ? 2 : 1), b = a;
    while (b < s_.size() && !IsBlank(s_[b]) && s_[b] != '/' && s_[b] != '>') ++b;
    if (!KindOf(s_.substr(a, b - a), k)) return 0;
    return end ? 2 : 1;
  }

  void Close(Kind k) {
    int i = Near(k);
    const bool inTable = k == kSection || k == kRow || k == kCell || k == kCaption;
    int scope = k == kTable ? -1 : inTable ? Near(kTable) : BlockScope();
    if (i > scope) CloseTo(i);
  }

  // What a start tag of kind k closes.
  void Opens(Kind k) {
    switch (k) {
      case kPara: case kDiv: case kCenter: case kHeading:
        if (Near(kPara) > BlockScope()) CloseTo(Near(kPara));
        break;
      case kSection: case kCaption:
        if (Near(kTable) >= 0) CloseTo(Near(kTable) + 1);
        break;
      case kRow:
        if (Near(kTable) >= 0) CloseTo(std::max(Near(kTable), Near(kSection)) + 1);
        break;
      case kCell:
        if (Near(kRow) > Near(kTable)) CloseTo(Near(kRow) + 1);
        else if (Near(kTable) >= 0) CloseTo(std::max(Near(kTable), Near(kSection)) + 1);
        break;
      default: break;
    }
  }

  void Push(Kind k, std::string_view tag) {
    const bool th = k == kCell && (tag[2] == 'h' || tag[2] == 'H');
    // The element's own alignment, else what it centres by default, else
    // what it inherits. Any alignment other than left counts, and so does
    // an inline style that sets one.
    std::string_view align = AttributeValue(tag, "align");
    bool notLeft;
    if (!align.empty()) notLeft = !(align.size() == 4 && MatchAt(align, "left", 0, true));
    else if (k == kCenter || k == kCaption || th) notLeft = true;
    else notLeft = !stack_.empty() && stack_.back().notLeft;
    if (FindFrom(AttributeValue(tag, "style"), "text-align", 0, true) != npos) notLeft = true;
    Open o{notLeft, {}};
    for (int i = 0; i < kKinds; ++i) o.last[i] = Near(Kind(i));
    o.last[k] = int(stack_.size());
    stack_.push_back(o);
  }

  std::string_view s_;
  size_t next_ = 0;
  std::vector<Open> stack_;
};

// True for an ALIGN value of left or right: such an element floats, and its
// zero spacing overrides the small margin browsers give a floated image.
bool Floats(std::string_view tag) {
  std::string_view a = AttributeValue(tag, "align");
  return (a.size() == 4 && MatchAt(a, "left", 0, true)) || (a.size() == 5 && MatchAt(a, "right", 0, true));
}

// Attributes that restate the default, all found in one sweep over the "="
// bytes: each attribute text is told by the name in front of its "=" and the
// value behind it. Left alignment (where nothing around centres or
// right-aligns) and zero spacing (on what does not float) go only from
// documents without a style sheet, which could give them a meaning of their
// own; zero borders go behind the first image and outside links. Quoted forms
// are left to the quote pass when it runs. A width or height of 100%
// restates no default, and an empty alternative text marks a decorative
// image (no broken-image icon, nothing read out): both stay.
void StripRedundantAttributes(Buffer& buf, const PassContext& cx) {
  const std::string_view s = buf;
  const bool quotesKept = !cx.opts[Opt::StripQuotes];
  // Both looked up only when a candidate asks.
  int styleSheet = -1;
  auto noStyle = [&] {
    if (styleSheet < 0) styleSheet = cx.documentHasStyle || FindFrom(s, "<style", 0, true) != npos;
    return styleSheet == 0;
  };
  auto imageBefore = [&](size_t at) {
    size_t img = FindFrom(s.substr(0, at), "<img", 0, true);
    return img != npos;
  };
  TagTracker tags(s);
  RegionTracker center(s, "<center>", "</center>");
  AlignContext around(s);
  RegionTracker link(s, "<a", "</a", IsBlank, ClosesLinkName);
  // Zero borders: the first " border=0" (or quoted) text decides, by the
  // images before it, whether any goes at all.
  bool borderSeen[2] = {false, false}, borderOff[2] = {false, false};
  std::vector<std::pair<size_t, size_t>> cuts;
  auto nameAt = [&](size_t q, std::string_view name) {
    return q >= name.size() && MatchAt(s, name, q - name.size(), true);
  };
  auto blankBefore = [&](size_t at) { return at > 0 && IsBlank(s[at - 1]); };
  auto value = [&](size_t q, std::string_view v, bool quoted) {
    return MatchAt(s, v, q + 1, true) && (quoted || ValueEndsAt(s, q + 1 + v.size()));
  };
  for (size_t q = s.find('='); q != npos; q = s.find('=', q + 1)) {
    size_t from = npos, len = 0;
    if (nameAt(q, " border")) {
      for (int k = 0; k < 2; ++k) {
        std::string_view v = k ? "\"0\"" : "0";
        if (!MatchAt(s, v, q + 1, false) || (k == 1 && !quotesKept)) continue;
        if (!borderSeen[k]) borderSeen[k] = true, borderOff[k] = !imageBefore(q - 7);
        if (!borderOff[k] && value(q, v, k == 1) && tags.Inside(q) && !link.Inside(q))
          from = q - 7, len = 8 + v.size();
      }
    } else if (nameAt(q, "align") && blankBefore(q - 5) && noStyle()) {
      if ((value(q, "left", false) || (quotesKept && value(q, "\"left\"", true))) && tags.Inside(q) &&
          !center.Inside(q) && LeftIsDefault(s, tags.Open(q)) && !around.NotLeft(tags.Open(q)))
        from = q - 5, len = 6 + (s[q + 1] == '"' ? 6 : 4);
    } else if ((nameAt(q, "vspace") || nameAt(q, "hspace")) && blankBefore(q - 6) && noStyle()) {
      if (value(q, "0", false)) from = q - 6, len = 8;
      if (value(q, "\"0\"", true)) from = q - 6, len = 10;
      if (from != npos && !tags.Inside(q)) from = npos;
      if (from != npos) {
        size_t open = tags.Open(q), close = s.find('>', q);
        if (Floats(s.substr(open, (close == npos ? s.size() : close + 1) - open))) from = npos;
      }
    }
    if (from != npos) cuts.emplace_back(from, from + len);
  }
  if (cuts.empty()) return;
  std::string out;
  out.reserve(s.size());
  size_t copied = 0;
  for (auto [a, b] : cuts) {
    out.append(s, copied, a - copied);
    copied = b;
  }
  out.append(s, copied, npos);
  buf.swap(out);
}

}  // namespace

void EmptyTagMarks::Read(std::string_view s) {
  fontOpen.clear();
  fontClose.clear();
  for (size_t i = 0; i < kPhraseCount; ++i) open[i].clear(), close[i].clear();
  bareLink.clear();
  linkStart.clear();
  linkEnd.clear();
  ForEachByte<'<'>(s, [&](size_t p) {
    const bool end = p + 1 < s.size() && s[p + 1] == '/';
    const size_t q = p + (end ? 2 : 1);
    if (q >= s.size()) return;
    const char c = Fold(s[q]);
    if (c == 'f') {
      if (!end && MatchAt(s, "<font", p, true)) fontOpen.push_back(p);
      else if (end && MatchAt(s, "</font>", p, true)) fontClose.push_back(p);
    }
    if (c == 'a' && q + 1 < s.size()) {
      const char d = s[q + 1];
      if (end && d == '>') linkEnd.push_back(p);
      if (!end && (d == '>' || IsBlank(d))) linkStart.push_back(p);
      if (!end && d == '>') bareLink.push_back(p);
    }
    if (c < 'a' || c > 'z') return;
    const NameBucket& names = kPhraseByFirst[size_t(c - 'a')];
    if (names.count == 0) return;
    // A phrase name is letters and ">": only the name as long as the
    // letters here can match.
    size_t e = q + 1;
    while (e < s.size() && IsAsciiLetter(s[e])) ++e;
    if (e >= s.size() || s[e] != '>') return;
    for (uint8_t k = 0; k < names.count; ++k) {
      const uint8_t i = names.index[k];
      if (kPhraseNames[i].size() == e + 1 - q && MatchAt(s, kPhraseNames[i], q, true)) {
        (end ? close : open)[i].push_back(p);
        break;
      }
    }
  });
}

void StripEmptyTags(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripEmpties).counter);
  StripImageBorders(buf);
  // Kept from chunk to chunk: its lists and text keep their storage. A run
  // started from within the progress pump gets one of its own.
  static thread_local TagIndex kept;
  static thread_local bool keptInUse = false;
  std::optional<TagIndex> own;
  TagIndex& tags = keptInUse ? own.emplace() : kept;
  struct InUse {
    bool& flag;
    bool was;
    ~InUse() { flag = was; }
  } inUse{keptInUse, keptInUse};
  keptInUse = true;
  // The FONT step runs before the phrase step each round.
  auto round = [&] {
    int n = FontStep(buf, tags);
    return n + PhraseStep(buf, cx, tags);
  };
  int changes = round();
  NestedFontStep(buf, tags);
  while (changes > 0) changes = round();
  StripRedundantAttributes(buf, cx);
}

}  // namespace sw

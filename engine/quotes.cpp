// Redundant quote removal: attribute values that need no quotes (numbers,
// alignments, sizes, colours) lose their double quotes.
#include "engine/quotes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/passes.h"
#include "engine/tagscan.h"

namespace sw {

namespace {

using tagscan::IsBlank;
using tagscan::npos;

// Follows the text the way a browser's tokenizer does, far enough to tell
// whether a byte stands among a tag's attribute names: not in text, a
// comment, a script or style block, or an attribute value. Positions asked
// for must not decrease, so a whole sweep reads each byte once.
class TagScanner {
 public:
  explicit TagScanner(std::string_view s) : s_(s) {}

  bool AmongNames(size_t at) {
    while (pos_ < at) {
      // Most states wait for one or two bytes; the bytes between change nothing.
      pos_ = Skip(pos_, at);
      if (pos_ >= at) break;
      Step(pos_++);
    }
    return state_ == kTag;
  }

 private:
  enum State { kText, kTag, kAfterEquals, kQuoted, kUnquoted, kComment, kRaw };

  // The first byte in [from, to) the current state reacts to, or to.
  size_t Skip(size_t from, size_t to) const {
    auto find = [&](char c) {
      const void* q = std::memchr(s_.data() + from, c, to - from);
      return q ? size_t(static_cast<const char*>(q) - s_.data()) : to;
    };
    switch (state_) {
      case kText:
      case kRaw: return find('<');
      case kComment: return find('>');
      case kQuoted: return find(quote_);
      case kTag: return std::min(to, FindAnyOf<'>', '='>(s_, from));
      default: return from;
    }
  }

  void Step(size_t i) {
    const char c = s_[i];
    switch (state_) {
      case kText:
        if (c == '<' && tagscan::StartsTag(s_, i)) {
          if (MatchAt(s_, "<!--", i, false)) {
            state_ = kComment;
            commentStart_ = i;
          } else {
            state_ = kTag;
            rawEnd_ = RawEndFor(i);
          }
        }
        break;
      case kRaw:
        if (c == '<' && MatchAt(s_, rawEnd_, i, true)) {
          state_ = kTag;
          rawEnd_ = {};
        }
        break;
      case kComment:
        if (c == '>' && i >= commentStart_ + 4 && s_[i - 1] == '-' && s_[i - 2] == '-') state_ = kText;
        break;
      case kTag:
        if (c == '>') EndTag();
        else if (c == '=') state_ = kAfterEquals;
        break;
      case kAfterEquals:
        if (IsBlank((unsigned char)c)) break;
        if (c == '"' || c == '\'') {
          quote_ = c;
          state_ = kQuoted;
        } else if (c == '>') {
          EndTag();
        } else {
          state_ = kUnquoted;
        }
        break;
      case kQuoted:
        if (c == quote_) state_ = kTag;
        break;
      case kUnquoted:
        if (IsBlank((unsigned char)c)) state_ = kTag;
        else if (c == '>') EndTag();
        break;
    }
  }

  // Script and style text, and the text of a title, a text area or an XMP
  // block, hold no tags, only their end tag.
  std::string_view RawEndFor(size_t lt) const {
    static constexpr std::string_view kEnds[] = {"</script", "</style", "</title", "</textarea", "</xmp"};
    for (std::string_view end : kEnds) {
      const std::string_view name = end.substr(2);
      size_t after = lt + 1 + name.size();
      if (MatchAt(s_, name, lt + 1, true) &&
          (after >= s_.size() || IsBlank((unsigned char)s_[after]) || s_[after] == '>'))
        return end;
    }
    return {};
  }

  void EndTag() { state_ = rawEnd_.empty() ? kText : kRaw; }

  std::string_view s_;
  size_t pos_ = 0;
  State state_ = kText;
  char quote_ = '"';
  size_t commentStart_ = 0;
  std::string_view rawEnd_;
};

// The quote that opens the value behind the attribute text at p: nothing but
// blanks, at most maxGap of them, between the "=" and it. npos when none.
size_t OpeningQuote(std::string_view s, size_t p, size_t len, size_t maxGap) {
  size_t q = p + len;
  while (q < s.size() && q - (p + len) <= maxGap) {
    if (s[q] == '"') return q;
    if (!IsBlank((unsigned char)s[q])) return npos;
    ++q;
  }
  return npos;
}

// Whether the value quoted from open to close means the same without its
// quotes: it must be one unbroken word that cannot end the tag or start
// another attribute, and the closing quote must be followed by a blank or
// the ">" (else the value would swallow what follows, as in a "/>" end).
bool CanStandUnquoted(std::string_view s, size_t open, size_t close) {
  if (close == open + 1 || close + 1 >= s.size()) return false;
  for (size_t i = open + 1; i < close; ++i) {
    const char c = s[i];
    if (IsBlank((unsigned char)c) || c == '"' || c == '\'' || c == '=' || c == '<' || c == '>' || c == '`')
      return false;
  }
  const char next = s[close + 1];
  return IsBlank((unsigned char)next) || next == '>';
}

}  // namespace

void StripHexQuotesOnce(Buffer& text, std::string_view attrText, bool standardColors) {
  if (!standardColors || attrText.empty()) return;
  int32_t p = FindI(text, attrText, 1);
  if (p == 0) return;
  const size_t at = size_t(p - 1);
  const size_t q = OpeningQuote(text, at, attrText.size(), 4);
  if (q == npos || q + 1 >= text.size() || text[q + 1] != '#') return;
  if (!TagScanner(text).AmongNames(at)) return;
  const size_t close = text.find('"', q + 1);
  if (close == npos || !CanStandUnquoted(text, q, close)) return;
  text.erase(close, 1);
  text.erase(q, 1);
}

namespace {

// The attribute texts the pass looks for, in the order it handles them.
constexpr std::string_view kHexOnce[] = {"TEXT=", "VLINK=", "LINK=", "ALINK="};
constexpr std::string_view kBefore[] = {"BGCOLOR=", "BORDER=", "HSPACE=", "VSPACE=", "ALIGN=", "WIDTH=", "HEIGHT="};
constexpr std::string_view kAfter[] = {"SIZE=",    "CELLPADDING=", "BORDERCOLOR=", "BORDERCOLORDARK=",
                                       "BORDERCOLORLIGHT=", "SPACING=", "MARGIN=", "CLEAR="};

// Takes the quotes off the values of every attribute text of the table, in
// one sweep over the "=" bytes. The texts used to be handled one after the
// other, each over the whole buffer, and the sweep gives the same result:
// taking quotes off touches neither letters nor "=", and joins only a blank
// or "=" to a value's first byte and its last to a blank or ">", so no
// occurrence comes or goes, no other value's reading changes, and the tag
// reader is in the same state behind an unquoted value as behind the quoted
// one. A value therefore loses its quotes when any text ending at its "="
// would take them off: all such texts read the same quote, the same value
// and the same tag state (their starts differ only by letters, which move
// no state), and differ only in COLOR='s hexadecimal-only rule.
struct QuotedText {
  std::string_view text;
  bool hexOnly;
};

void RemoveQuotes(Buffer& buf, bool standardColors) {
  // The texts by the letter in front of their "=", with colour names and without.
  using Table = std::array<std::vector<QuotedText>, 32>;
  static const std::array<Table, 2> kTables = [] {
    std::array<Table, 2> t;
    for (int standard = 0; standard < 2; ++standard) {
      auto add = [&](std::string_view a, bool hexOnly) {
        t[size_t(standard)][size_t((a[a.size() - 2] | 32) & 31)].push_back({a, hexOnly});
      };
      for (std::string_view a : kBefore) add(a, false);
      add("COLOR=", !standard);
      for (std::string_view a : kAfter) add(a, false);
    }
    return t;
  }();
  const Table& byLast = kTables[standardColors ? 1 : 0];

  const std::string_view s = buf;
  TagScanner scan(s);
  Buffer out;
  size_t copied = 0;
  for (size_t eq = s.find('='); eq != npos; eq = s.find('=', eq + 1)) {
    if (eq == 0) continue;
    const unsigned char c = (unsigned char)s[eq - 1];
    if (!tagscan::IsLetter(c)) continue;
    size_t at = npos;
    bool anyValue = false;  // a matching text that takes any value, not only "#..."
    for (const QuotedText& t : byLast[size_t((c | 32) & 31)])
      if (eq + 1 >= t.text.size() && MatchAt(s, t.text, eq + 1 - t.text.size(), true)) {
        if (at == npos) at = eq + 1 - t.text.size();
        anyValue = anyValue || !t.hexOnly;
      }
    if (at == npos) continue;
    const size_t q = OpeningQuote(s, at, eq + 1 - at, 3);
    if (q == npos || !(anyValue || (q + 1 < s.size() && s[q + 1] == '#')) || !scan.AmongNames(at)) continue;
    const size_t close = s.find('"', q + 1);
    if (close == npos) break;  // no quote behind: no later value can open one
    if (CanStandUnquoted(s, q, close)) {
      out.append(s.data() + copied, q - copied);
      out.append(s.data() + q + 1, close - q - 1);
      copied = close + 1;
    }
  }
  if (copied == 0) return;
  out.append(s.data() + copied, s.size() - copied);
  buf.swap(out);
}

}  // namespace

void StripQuotes(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripQuotes).counter);
  const bool standard = cx.opts[Opt::StandardColors];
  if (standard) {
    // "VLINK=" and "ALINK=" hold "LINK=": where that is absent, so are they.
    const bool links = FindI(buf, "LINK=", 1) != 0;
    for (std::string_view a : kHexOnce)
      if (links || a == "TEXT=") StripHexQuotesOnce(buf, a, standard);
  }
  RemoveQuotes(buf, standard);
}

}  // namespace sw

#include "engine/blocktags.h"

#include <cstring>
#include <string>
#include <vector>

#include "engine/primitives.h"

namespace sw {

namespace {

// Elements that a browser lays out as blocks (or that never show): white
// space next to their tags is not shown.
constexpr std::string_view kBlockTags[] = {
    "html",    "head",   "title",    "meta",       "link",     "base",  "body",  "p",     "div",
    "center",  "blockquote", "address", "pre",     "h1",       "h2",    "h3",    "h4",    "h5",
    "h6",      "ul",     "ol",       "li",         "dl",       "dt",    "dd",    "dir",   "menu",
    "table",   "caption", "thead",   "tbody",      "tfoot",    "tr",    "td",    "th",    "colgroup",
    "col",     "form",   "fieldset", "legend",     "hr",       "br",    "frameset", "frame", "noframes",
};

// Elements whose content is taken literally (or whose white space shows).
constexpr std::string_view kRawTags[] = {"pre", "textarea", "script", "style", "xmp", "listing", "plaintext"};

bool IsAlpha(unsigned char c) { return (c | 32) >= 'a' && (c | 32) <= 'z'; }
bool IsAlnum(unsigned char c) { return IsAlpha(c) || (c >= '0' && c <= '9'); }
bool IsSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The tag name behind "<" or "</" at lt; empty when the name does not end in
// a blank, tab, CR, LF, "/" or ">" inside the text.
std::string_view NameAt(std::string_view text, size_t lt) {
  size_t s = lt + 1;
  if (s < text.size() && text[s] == '/') ++s;
  size_t e = s;
  while (e < text.size() && IsAlnum((unsigned char)text[e])) ++e;
  if (e == s || e >= text.size()) return {};
  unsigned char c = (unsigned char)text[e];
  if (!IsSpace(c) && c != '/' && c != '>') return {};
  return text.substr(s, e - s);
}

// A list of names looked up by length and first letter, so a lookup compares
// against one or two names rather than all of them.
class NameSet {
 public:
  template <size_t N>
  explicit NameSet(const std::string_view (&names)[N]) {
    for (std::string_view n : names) slots_[Slot(n.size(), n[0])].push_back(n);
  }
  // name holds letters and digits only, so setting bit 5 lower-cases it.
  bool Has(std::string_view name) const {
    if (name.empty() || name.size() > kMaxLen) return false;
    char low[kMaxLen];
    for (size_t i = 0; i < name.size(); ++i) low[i] = char(name[i] | 0x20);
    const std::string_view l(low, name.size());
    for (std::string_view n : slots_[Slot(l.size(), l[0])])
      if (n == l) return true;
    return false;
  }

 private:
  static constexpr size_t kMaxLen = 12;
  static size_t Slot(size_t len, char first) { return len * 64 + (unsigned char)(first) % 64; }
  std::vector<std::string_view> slots_[(kMaxLen + 1) * 64];
};

const NameSet kBlockNames(kBlockTags);
const NameSet kRawNames(kRawTags);

// 0-based start of the end tag "</name" (followed by a blank, tab, CR, LF,
// "/" or ">") at or after from; npos when the element never ends.
size_t FindEndTag(std::string_view text, std::string_view name, size_t from) {
  std::string pat = "</" + std::string(name);
  size_t p = from;
  while (p < text.size()) {
    int32_t f = FindText(text, pat, -int32_t(p + 1));
    if (f == 0) return std::string_view::npos;
    size_t at = size_t(f - 1), after = at + pat.size();
    if (after >= text.size() || IsSpace((unsigned char)text[after]) || text[after] == '/' || text[after] == '>')
      return at;
    p = at + 1;
  }
  return std::string_view::npos;
}

}  // namespace

bool IsBlockTagName(std::string_view name) {
  for (char c : name)
    if (!IsAlnum((unsigned char)c)) return false;
  return kBlockNames.Has(name);
}

bool IsBlockTagAt(std::string_view text, size_t lt) {
  if (lt >= text.size() || text[lt] != '<') return false;
  std::string_view name = NameAt(text, lt);
  return !name.empty() && IsBlockTagName(name);
}

bool OpensLiteralContent(std::string_view text, size_t lt) {
  if (lt + 1 >= text.size() || text[lt] != '<' || !IsAlpha((unsigned char)text[lt + 1])) return false;
  const std::string_view name = NameAt(text, lt);
  return !name.empty() && kRawNames.Has(name);
}

std::vector<uint8_t> ClassifyMarkup(std::string_view t) {
  using namespace markup;
  const size_t n = t.size();
  constexpr size_t npos = std::string_view::npos;
  std::vector<uint8_t> cls(n, kText);
  size_t i = 0;
  while (i < n) {
    const void* next = std::memchr(t.data() + i, '<', n - i);
    if (next == nullptr) break;
    i = size_t(static_cast<const char*>(next) - t.data());
    if (i + 1 >= n) break;
    const unsigned char c1 = (unsigned char)t[i + 1];
    if (c1 == '!' && i + 3 < n && t[i + 2] == '-' && t[i + 3] == '-') {
      size_t end;  // the comment's last byte
      if (i + 4 < n && t[i + 4] == '>') end = i + 4;
      else if (i + 5 < n && t[i + 4] == '-' && t[i + 5] == '>') end = i + 5;
      else {
        size_t f = t.find("-->", i + 4);
        end = f == npos ? n - 1 : f + 2;
      }
      for (size_t k = i; k <= end; ++k) cls[k] = kComment;
      i = end + 1;
      continue;
    }
    const bool endTag = c1 == '/';
    const bool named = IsAlpha(endTag ? (i + 2 < n ? (unsigned char)t[i + 2] : 0) : c1);
    const bool decl = c1 == '!' || c1 == '?' || (endTag && !named);
    if (!named && !decl) {  // "a < b": text to a browser
      ++i;
      continue;
    }
    const size_t lt = i;
    // Quotes open a value behind "=" in a tag, and anywhere in a declaration
    // such as a DOCTYPE, whose quoted identifiers must stay exact.
    const bool anyQuote = c1 == '!';
    size_t gt = npos;
    size_t j = i + 1;
    while (j < n) {
      // Only a ">" or a quote changes the reading; the bytes before it are tag.
      const size_t k = FindAnyOf<'>', '"', '\''>(t, j);
      std::memset(cls.data() + j, kTag, k - j);
      j = k;
      if (j >= n) break;
      const char c = t[j];
      if (c == '>') {
        gt = j;
        break;
      }
      cls[j] = kTag;
      // A quote opens a value when the last byte before it that is no blank
      // is an "=" (the "<" and any closing quote are neither).
      size_t b = j - 1;
      while (IsSpace((unsigned char)t[b])) --b;
      const bool afterEq = t[b] == '=';
      if (anyQuote || (named && afterEq)) {
        size_t q = t.find(c, j + 1);
        size_t stop = q == npos ? n : q;
        std::memset(cls.data() + j + 1, kValue, stop - (j + 1));
        if (q == npos) break;
        cls[q] = kTag;
        j = q + 1;
        continue;
      }
      ++j;
    }
    uint8_t flags = kOpen;
    std::string_view name = named ? NameAt(t, lt) : std::string_view{};
    if (named && endTag) flags |= kEndTag;
    if (!name.empty() && kBlockNames.Has(name)) flags |= kBlock;
    cls[lt] = uint8_t(kTag | flags);
    if (gt == npos) break;
    cls[gt] = uint8_t(kTag | (flags & ~kOpen) | kClose);
    i = gt + 1;
    if (!named || endTag || name.empty()) continue;
    if (kRawNames.Has(name)) {
      size_t close = EqualsI(name, "plaintext") ? npos : FindEndTag(t, name, i);
      size_t stop = close == npos ? n : close;
      for (size_t k = i; k < stop; ++k) cls[k] = kRaw;
      i = stop;
    } else if (EqualsI(name, "title")) {
      // A title holds text only: a "<" there starts no tag, but its white
      // space collapses like any other text.
      size_t close = FindEndTag(t, name, i);
      i = close == npos ? n : close;
    }
  }
  return cls;
}

}  // namespace sw

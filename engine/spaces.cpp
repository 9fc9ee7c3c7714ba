// Unneeded space removal and the keyword list step.
//
// Every step reads the buffer as a browser would (engine/blocktags.h): blanks
// inside quoted values and inside literal element content are never touched,
// and a blank next to a tag goes only where a block-level tag makes it
// invisible.
#include "engine/blocktags.h"
#include "engine/passes.h"

namespace sw {

namespace {

using namespace markup;

bool Editable(uint8_t c) { return c != kValue && c != kRaw; }

// The classes of the bytes are read once: deleting blanks, or turning tabs
// into blanks, outside values and literal content changes no other byte's
// reading, so they move along with the bytes.
using Classes = std::vector<uint8_t>;

// Keeps the bytes for which keep(i) holds, in one sweep.
template <class Keep>
void Compact(Buffer& buf, Classes& cls, Keep keep) {
  size_t w = 0;
  for (size_t i = 0; i < buf.size(); ++i)
    if (keep(i)) {
      buf[w] = buf[i];
      cls[w++] = cls[i];
    }
  buf.resize(w);
  cls.resize(w);
}

// Deletes every blank for which drop(i) holds, judged on the buffer as it
// stood before the sweep.
template <class Drop>
void DropBlanks(Buffer& buf, Classes& cls, Drop drop) {
  std::vector<uint8_t> gone(buf.size(), 0);
  for (size_t i = 0; i < buf.size(); ++i)
    if (buf[i] == ' ' && drop(i)) gone[i] = 1;
  Compact(buf, cls, [&](size_t i) { return !gone[i]; });
}

// Tabs become blanks and each run of blanks becomes one, in one sweep.
void CollapseBlanks(Buffer& buf, Classes& cls) {
  bool inRun = false;
  Compact(buf, cls, [&](size_t i) {
    char& c = buf[i];
    if ((c == ' ' || c == '\t') && Editable(ClassOf(cls, i))) {
      c = ' ';
      const bool first = !inRun;
      inRun = true;
      return first;
    }
    inRun = false;
    return true;
  });
}

bool MarkupEndsAt(const Buffer& buf, const std::vector<uint8_t>& cls, size_t i) {
  return buf[i] == '>' && ((cls[i] & kClose) || ClassOf(cls, i) == kComment);
}
bool MarkupStartsAt(const Buffer& buf, const std::vector<uint8_t>& cls, size_t i) {
  return buf[i] == '<' && ((cls[i] & kOpen) || ClassOf(cls, i) == kComment);
}

// Blanks between the tags before the body, where a block-level tag stands on
// either side.
void TightenHead(Buffer& buf, Classes& cls) {
  const int32_t body = FindI(buf, "<body", 1);
  if (body == 0) return;
  const size_t end = size_t(body) + 1;  // 0-based, exclusive: the byte behind "<"
  DropBlanks(buf, cls, [&](size_t i) {
    return i > 0 && i + 1 < end && i + 1 < buf.size() && ClassOf(cls, i) == kText &&
           MarkupEndsAt(buf, cls, i - 1) && MarkupStartsAt(buf, cls, i + 1) &&
           ((cls[i - 1] & kBlock) || (cls[i + 1] & kBlock));
  });
}

// Blanks inside the quoted values of image-map coordinates and frame sizes.
void TightenCoordinates(Buffer& buf, Classes& cls) {
  static constexpr std::string_view kAttrs[] = {"coords=", "cols=", "rows="};
  const size_t n = buf.size();
  std::vector<uint8_t> gone(n, 0);
  bool any = false;
  size_t i = 0;
  while (i < n) {
    size_t attrLen = 0;
    if (ClassOf(cls, i) == kTag && ((buf[i] | 32) == 'c' || (buf[i] | 32) == 'r'))
      for (std::string_view a : kAttrs)
        if (MatchAt(buf, a, i, true)) attrLen = a.size();
    if (attrLen == 0) {
      ++i;
      continue;
    }
    // Only the attribute's own value: the quote follows "=" with nothing but
    // blanks between, and it is closed.
    size_t q = i + attrLen;
    while (q < n && buf[q] == ' ') ++q;
    size_t close = q < n && buf[q] == '"' ? buf.find('"', q + 1) : Buffer::npos;
    if (close == Buffer::npos) {
      i += attrLen;
      continue;
    }
    for (size_t k = q + 1; k < close; ++k)
      if (buf[k] == ' ') gone[k] = any = true;
    i = close;
  }
  if (any) Compact(buf, cls, [&](size_t k) { return !gone[k]; });
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

bool RemoverApplies(const Remover& r, const Buffer& buf, size_t at, bool liKept, bool hasTT) {
  if ((r.when == kLiKept && !liKept) || (r.when == kWithTT && !hasTT) || (r.when == kWithoutTT && hasTT))
    return false;
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
void RemoveBlanksAroundTags(Buffer& buf, Classes& cls, bool liKept) {
  const bool hasTT = FindI(buf, "<tt>", 1) != 0;
  const size_t n = buf.size();
  DropBlanks(buf, cls, [&](size_t i) {
    if (ClassOf(cls, i) != kText) return false;
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
  });
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

}  // namespace

void StripSpaces(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripSpaces).counter);
  // A title written with double blanks keeps them.
  Buffer title;
  SaveOrRestoreTitle(buf, &title, nullptr);
  const bool titleSaved = !title.empty();

  Classes cls = ClassifyMarkup(buf);
  CollapseBlanks(buf, cls);
  TightenHead(buf, cls);
  TightenCoordinates(buf, cls);

  // Blanks at line ends and line starts.
  {
    const size_t n = buf.size();
    DropBlanks(buf, cls, [&](size_t i) {
      if (!Editable(ClassOf(cls, i))) return false;
      return (i > 0 && buf[i - 1] == '\n') || (i + 1 < n && buf[i + 1] == '\n') ||
             (i + 2 < n && buf[i + 1] == '\r' && buf[i + 2] == '\n');
    });
  }
  // " >" inside a tag; "< " stays, since "<" followed by a blank is text.
  {
    DropBlanks(buf, cls, [&](size_t i) {
      return ClassOf(cls, i) == kTag && i + 1 < buf.size() && (cls[i + 1] & kClose);
    });
  }
  // Blanks behind an end tag and before the next tag.
  {
    DropBlanks(buf, cls, [&](size_t i) {
      return i > 0 && i + 1 < buf.size() && ClassOf(cls, i) == kText && (cls[i - 1] & kClose) &&
             (cls[i - 1] & kEndTag) && (cls[i + 1] & kOpen) && ((cls[i - 1] & kBlock) || (cls[i + 1] & kBlock));
    });
  }
  // A blank before a tag that has a blank behind it too, unless the buffer
  // begins with a tag.
  if (!buf.empty() && buf[0] != '<') {
    const size_t n = buf.size();
    DropBlanks(buf, cls, [&](size_t i) {
      if (i + 1 >= n || ClassOf(cls, i) != kText || !(cls[i + 1] & kOpen)) return false;
      const bool blockAround = (cls[i + 1] & kBlock) || (i > 0 && (cls[i - 1] & kClose) && (cls[i - 1] & kBlock));
      if (!blockAround) return false;
      size_t gt = i + 2;
      while (gt < n && !(cls[gt] & kClose)) ++gt;
      return gt + 1 < n && buf[gt + 1] == ' ';
    });
  }
  RemoveBlanksAroundTags(buf, cls, !cx.opts[Opt::StripClosingLI]);
  // A blank behind "=" inside a tag.
  {
    DropBlanks(buf, cls, [&](size_t i) {
      return i >= 2 && buf[i - 1] == '=' && ClassOf(cls, i - 1) == kTag && ClassOf(cls, i) == kTag;
    });
  }
  if (titleSaved) SaveOrRestoreTitle(buf, nullptr, &title);
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

// In-tag cleanup of a preformatted piece: the text of a PRE element keeps
// every blank and line break, but the tags inside it can still be tidied.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/passes.h"
#include "engine/quotes.h"
#include "engine/tagscan.h"

namespace sw {

namespace {

using tagscan::npos;

// Splits a tag into the stretches outside its quoted attribute values (even
// indices) and the quoted values themselves, quotes included (odd indices).
// A quote left open makes the rest of the tag one value.
std::vector<std::string_view> SplitAtValues(std::string_view tag) {
  std::vector<std::string_view> parts;
  size_t start = 0, i = 0;
  while (i < tag.size()) {
    if (tag[i] != '=') {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < tag.size() && tagscan::IsBlank((unsigned char)tag[j])) ++j;
    if (j < tag.size() && (tag[j] == '"' || tag[j] == '\'')) {
      size_t close = tag.find(tag[j], j + 1);
      size_t end = close == npos ? tag.size() : close + 1;
      parts.push_back(tag.substr(start, j - start));
      parts.push_back(tag.substr(j, end - j));
      start = i = end;
    } else {
      i = j;
    }
  }
  parts.push_back(tag.substr(start));
  return parts;
}

// Rewrites the stretches of the tag outside its quoted values with edit; the
// values themselves are text a reader may see (a caption, a tooltip).
template <typename Edit>
void EditOutsideValues(Buffer& tag, Edit edit) {
  std::vector<std::string_view> parts = SplitAtValues(tag);
  Buffer out;
  out.reserve(tag.size());
  for (size_t k = 0; k < parts.size(); ++k) {
    if (k % 2) out += parts[k];
    else edit(parts[k], out);
  }
  tag.swap(out);
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Keeps the bytes of s that gone(s, i) does not select.
template <typename Gone>
std::string Without(std::string_view s, Gone gone) {
  std::string r;
  r.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i)
    if (!gone(s, i)) r.push_back(s[i]);
  return r;
}

// A line end that touches a blank goes; every other line end (a CR LF pair,
// or a lone CR or LF) becomes one blank.
void JoinLines(std::string_view in, Buffer& out) {
  auto blankAt = [](std::string_view s, size_t i) { return i < s.size() && s[i] == ' '; };
  std::string t = Without(in, [&](std::string_view s, size_t i) { return s[i] == '\n' && blankAt(s, i + 1); });
  t = Without(t, [&](std::string_view s, size_t i) { return s[i] == '\r' && i > 0 && s[i - 1] == ' '; });
  t = Without(t, [&](std::string_view s, size_t i) { return s[i] == '\n' && i > 0 && s[i - 1] == ' '; });
  t = Without(t, [&](std::string_view s, size_t i) {
    return IsLineEnd(s[i]) && ((i > 0 && s[i - 1] == ' ') || blankAt(s, i + 1));
  });
  for (size_t i = 0; i < t.size(); ++i) {
    if (!IsLineEnd(t[i])) {
      out.push_back(t[i]);
      continue;
    }
    if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') ++i;
    out.push_back(' ');
  }
}

// Runs of blanks become one blank; a run of tabs that alone separates two
// words becomes one blank, any other tab goes; no blank before the ">".
void SqueezeBlanks(std::string_view in, Buffer& out) {
  size_t i = 0;
  while (i < in.size()) {
    const char c = in[i];
    if (c == '\t') {
      size_t j = i;
      while (j < in.size() && in[j] == '\t') ++j;
      const bool wordBefore = !out.empty() && out.back() != ' ' && !IsLineEnd(out.back());
      // A tab just before the ">" goes, as a blank there would.
      const bool wordAfter = j < in.size() && in[j] != ' ' && in[j] != '>' && !IsLineEnd(in[j]);
      if (wordBefore && wordAfter) out.push_back(' ');
      i = j;
      continue;
    }
    if (c == ' ') {
      while (i < in.size() && (in[i] == ' ' || in[i] == '\t')) ++i;
      if (i < in.size() && in[i] == '>') continue;
      if (out.empty() || out.back() != ' ') out.push_back(' ');
      continue;
    }
    out.push_back(c);
    ++i;
  }
}

void TidyTag(Buffer& tag, PassContext& cx) {
  const OptionSet& o = cx.opts;
  if (o[Opt::StripQuotes] && tag.find('"') != npos) {
    SavingScope scope(cx, tag, Info(Opt::StripQuotes).counter);
    for (std::string_view a : {"TEXT=", "LINK=", "VLINK=", "ALINK=", "BORDER=", "HSPACE=", "VSPACE=", "HALIGN=",
                               "VALIGN=", "ALIGN=", "WIDTH=", "HEIGHT=", "COLOR=", "SIZE="})
      StripHexQuotesOnce(tag, a, o[Opt::StandardColors]);
  }
  if (o[Opt::StripBlankLines] && tag.find('\n') != npos) {
    SavingScope scope(cx, tag, Info(Opt::StripBlankLines).counter);
    EditOutsideValues(tag, JoinLines);
  }
  if (o[Opt::StripSpaces] && tag.find(' ') != npos) {
    SavingScope scope(cx, tag, Info(Opt::StripSpaces).counter);
    EditOutsideValues(tag, SqueezeBlanks);
  }
}

}  // namespace

void TidyPreformatted(Buffer& piece, PassContext& cx) {
  const OptionSet& o = cx.opts;
  if (!o[Opt::StripQuotes] && !o[Opt::StripBlankLines] && !o[Opt::StripSpaces]) return;
  if (piece.size() < 10) return;
  std::string_view s = piece;
  const size_t endTag = s.size() - 6;  // the 6-byte PRE end tag is never touched
  Buffer out;
  size_t copied = 0;
  // Behind the PRE start tag, which a quoted value may make hold a "<".
  const size_t startEnd = tagscan::TagEnd(s, 0);
  if (startEnd == npos) return;
  size_t from = std::max<size_t>(startEnd + 1, 3);
  while (from < endTag) {
    const size_t lt = tagscan::NextTagStart(s, from);
    if (lt == npos || lt >= endTag) break;
    if (MatchAt(s, "<!--", lt, false)) {
      // A comment's text is not a tag: tidying it could end it early.
      size_t e = s.find("-->", lt + 4);
      if (e == npos) break;
      from = e + 3;
      continue;
    }
    const size_t gt = tagscan::TagEnd(s, lt);
    if (gt == npos || gt >= endTag) break;
    Buffer tag(s.substr(lt, gt - lt + 1));
    TidyTag(tag, cx);
    if (tag.size() < gt - lt + 1) {
      out.append(s.data() + copied, lt - copied);
      out += tag;
      copied = gt + 1;
    }
    from = gt + 1;
  }
  if (copied == 0) return;
  out.append(s.data() + copied, s.size() - copied);
  piece.swap(out);
}

}  // namespace sw

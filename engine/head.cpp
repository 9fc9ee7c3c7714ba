// META, GENERATOR, DTD and non-HTML content removal.
#include <initializer_list>
#include <string_view>

#include "engine/passes.h"
#include "engine/tagscan.h"

namespace sw {

namespace {

using tagscan::npos;

bool ContainsI(std::string_view text, std::string_view pattern) { return FindI(text, pattern, 1) != 0; }

// Offset behind the script or style block that opens at lt, or npos when it
// has no end; lt itself when none opens.
size_t SkipScriptOrStyle(std::string_view s, size_t lt) {
  static constexpr std::string_view kBlocks[][2] = {{"<script", "</script"}, {"<style", "</style"}};
  if (lt + 1 >= s.size() || (s[lt + 1] | 32) != 's') return lt;
  for (const auto& [open, close] : kBlocks) {
    if (!MatchAt(s, open, lt, true)) continue;
    size_t after = lt + open.size();
    if (after < s.size() && !tagscan::IsBlank((unsigned char)s[after]) && s[after] != '>') continue;
    int32_t e = FindI(s, close, int32_t(after + 1));
    if (e == 0) return npos;
    size_t gt = s.find('>', size_t(e - 1));
    return gt == npos ? npos : gt + 1;
  }
  return lt;
}

// Offset behind the end of the raw-text element (comment, script, style)
// that opens at lt, or npos when it has no end; lt itself when none opens.
size_t SkipRawText(std::string_view s, size_t lt) {
  if (MatchAt(s, "<!--", lt, false)) {
    size_t e = s.find("-->", lt + 4);
    return e == npos ? npos : e + 3;
  }
  return SkipScriptOrStyle(s, lt);
}

// Deletes every tag that begins with opener (a tag name, perhaps with more
// text, ending where the name does) and that drop() selects, in one sweep.
// Script and style text is skipped: markup written there is the script's.
// A tag without its ">" ends the search and stays.
template <typename Drop>
void StripTags(Buffer& buf, std::string_view opener, Drop drop) {
  // Only a tag that begins with opener goes: with none in the text, the
  // walk over every tag is spared.
  if (FindI(buf, opener, 1) == 0) return;
  std::string_view s = buf;
  Buffer out;
  size_t copied = 0;
  bool changed = false;
  for (size_t lt = s.find('<'); lt != npos;) {
    const size_t behind = SkipScriptOrStyle(s, lt);
    if (behind == npos) break;
    if (behind != lt) {
      lt = s.find('<', behind);
      continue;
    }
    const size_t end = lt + opener.size();
    if (!MatchAt(s, opener, lt, true) || end >= s.size() || tagscan::IsLetter((unsigned char)s[end]) ||
        (s[end] >= '0' && s[end] <= '9') || s[end] == '-' || s[end] == '_') {
      lt = s.find('<', lt + 1);
      continue;
    }
    const size_t gt = tagscan::TagEnd(s, lt);
    if (gt == npos) break;
    if (drop(s.substr(lt, gt - lt + 1))) {
      out.append(s.data() + copied, lt - copied);
      copied = gt + 1;
      changed = true;
    }
    lt = s.find('<', gt + 1);
  }
  if (!changed) return;
  out.append(s.data() + copied, s.size() - copied);
  buf.swap(out);
}

// META tags a page still needs: search keywords, descriptions, HTTP
// equivalents, and any character-set declaration (without it the page's
// text would be decoded differently).
bool MetaIsKept(std::string_view tag) {
  for (std::string_view k : {"NAME=\"KEYWORDS\"", "HTTP-EQUIV=\"", "NAME=\"DESCRIPTION\"", "NAME=\"AUTHOR\"",
                             "NAME=\"RATING\"", "charset"})
    if (ContainsI(tag, k)) return true;
  return false;
}

// The first "<html>" and the last "</html>" that stand in the markup itself,
// not inside a comment, a script or a style block.
void FindHtmlEdges(std::string_view s, size_t& open, size_t& close) {
  open = close = npos;
  size_t i = s.find('<');
  while (i != npos) {
    size_t behind = SkipRawText(s, i);
    if (behind == npos) break;
    if (behind != i) {
      i = s.find('<', behind);
      continue;
    }
    if (open == npos && MatchAt(s, "<html>", i, true)) open = i;
    if (MatchAt(s, "</html>", i, true)) close = i;
    i = s.find('<', i + 1);
  }
}

// Which tags may stand in stray content around the HTML element. Any other
// tag shows that the text is part of the page (a second document, script
// text, a chunk that starts inside the body), so it is left alone.
enum class Around { Before, After };

// Keeps only the markup of text: tags, comments, declarations, and script and
// style blocks whole. From a "<" that is never closed the rest is kept as it
// is. Returns false (out then undefined) when a tag appears that stray content
// cannot hold: before the HTML element only declarations and comments, after
// it only those and end tags.
bool KeepMarkupOnly(std::string_view t, Around where, Buffer& out) {
  size_t i = 0;
  while (i < t.size()) {
    size_t lt = t.find('<', i);
    if (lt == npos || lt + 1 >= t.size()) break;
    unsigned char c = (unsigned char)t[lt + 1];
    size_t behind;
    if (c == '!' || c == '?') {
      behind = SkipRawText(t, lt);
      if (behind == lt) {
        size_t gt = t.find('>', lt);
        behind = gt == npos ? npos : gt + 1;
      }
    } else if (tagscan::IsLetter(c) || c == '/') {
      if (where == Around::Before || c != '/') return false;
      behind = SkipRawText(t, lt);
      if (behind == lt) {
        size_t gt = tagscan::TagEnd(t, lt);
        behind = gt == npos ? npos : gt + 1;
      }
    } else {
      i = lt + 1;  // a "<" that starts no tag is text
      continue;
    }
    if (behind == npos) {
      out.append(t.data() + lt, t.size() - lt);
      return true;
    }
    out.append(t.data() + lt, behind - lt);
    i = behind;
  }
  return true;
}

}  // namespace

void StripAllMeta(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripAllMeta).counter);
  StripTags(buf, "<META", [](std::string_view tag) { return !MetaIsKept(tag); });
  cx.metaInterlock = true;
}

void StripGenerator(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripGenerator).counter);
  StripTags(buf, "<META NAME",
            [](std::string_view tag) { return ContainsI(tag, "GENERATOR") || ContainsI(tag, "FORMATTER"); });
}

void StripDTD(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::NoDTD).counter);
  int32_t p = FindI(buf, "<!DOCTYPE", 1);
  if (p == 0) return;
  size_t gt = buf.find('>', size_t(p - 1));
  if (gt == npos) return;
  buf.erase(size_t(p - 1), gt - size_t(p - 1) + 1);
}

void StripNonHTML(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripNonHTML).counter);
  std::string_view s = buf;
  // Without either edge in the text there is nothing around them, and the
  // walk over every tag is spared.
  if (FindI(s, "<html>", 1) == 0 && FindI(s, "</html>", 1) == 0) return;
  size_t open, close;
  FindHtmlEdges(s, open, close);
  Buffer out;
  size_t copied = 0;
  bool changed = false;
  if (open != npos && open > 0) {
    // A byte-order mark decides how the page is decoded: it stays.
    size_t start = MatchAt(s, "\xEF\xBB\xBF", 0, false) ? 3 : 0;
    Buffer kept(s.substr(0, start));
    if (KeepMarkupOnly(s.substr(start, open - start), Around::Before, kept)) {
      out = std::move(kept);
      copied = open;
      changed = true;
    }
  }
  if (close != npos && close + 7 < s.size() && (open == npos || close > open)) {
    Buffer kept;
    if (KeepMarkupOnly(s.substr(close), Around::After, kept)) {
      out.append(s.data() + copied, close - copied);
      out += kept;
      copied = s.size();
      changed = true;
    }
  }
  if (!changed) return;
  out.append(s.data() + copied, s.size() - copied);
  buf.swap(out);
}

}  // namespace sw

// SCRIPT and STYLE block optimizers. The block text arrives with its start
// and end tags; only the code between them is read as script or style sheet.
#include "engine/blocktags.h"
#include "engine/linebreaks.h"
#include "engine/passes.h"

namespace sw {

namespace {

enum : uint8_t { kCode, kString, kLineComment, kBlockComment, kMarkup };

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The code part of a block: behind the start tag's ">" and before the end
// tag ("</script" or "</style"), when there is one.
struct Span {
  size_t from, to;
};
Span CodeSpan(const Buffer& b, std::string_view endTag) {
  size_t from = 0;
  if (!b.empty() && b[0] == '<') {
    // Read as a browser does: a ">" inside a quoted value does not end the
    // start tag.
    const std::vector<uint8_t> cls = ClassifyMarkup(b);
    from = b.size();
    for (size_t i = 0; i < cls.size(); ++i)
      if (cls[i] & markup::kClose) {
        from = i + 1;
        break;
      }
  }
  int32_t e = FindTextBack(b, endTag, -int32_t(b.size()));
  size_t to = e != 0 && size_t(e - 1) >= from ? size_t(e - 1) : b.size();
  return {from, to};
}

// Reads the code as script (or style sheet, without "//" comments): string
// literals run to the next unescaped quote of their kind or to the line end;
// "//" behind ":" (an address) starts no comment.
std::vector<uint8_t> Lex(const Buffer& b, Span s, bool lineComments) {
  std::vector<uint8_t> cls(b.size(), kMarkup);
  size_t i = s.from;
  while (i < s.to) {
    const char c = b[i];
    if (c == '"' || c == '\'') {
      cls[i++] = kString;
      while (i < s.to && !IsLineEnd(b[i])) {
        const bool closes = b[i] == c && b[i - 1] != '\\';
        cls[i++] = kString;
        if (closes) break;
      }
      continue;
    }
    if (c == '/' && i + 1 < s.to && b[i + 1] == '*') {
      size_t e = b.find("*/", i + 2);
      size_t stop = e == Buffer::npos || e + 2 > s.to ? s.to : e + 2;
      for (; i < stop; ++i) cls[i] = kBlockComment;
      continue;
    }
    if (lineComments && c == '/' && i + 1 < s.to && b[i + 1] == '/' && !(i > 0 && b[i - 1] == ':')) {
      for (; i < s.to && !IsLineEnd(b[i]); ++i) cls[i] = kLineComment;
      continue;
    }
    cls[i++] = kCode;
  }
  return cls;
}

// Line comments, then the block comments behind the last line comment removed
// (all of them when none was).
void RemoveComments(Buffer& b, std::string_view endTag, bool lineComments) {
  const Span s = CodeSpan(b, endTag);
  const std::vector<uint8_t> cls = Lex(b, s, lineComments);
  std::vector<uint8_t> drop(b.size(), 0);
  size_t lastLine = 0;
  bool anyLine = false;
  for (size_t i = s.from; i < s.to; ++i) {
    if (cls[i] != kLineComment || (i > s.from && cls[i - 1] == kLineComment)) continue;
    size_t end = i;
    while (end < s.to && cls[end] == kLineComment) ++end;
    if (end >= s.to) break;  // no line end behind it
    // An HTML comment closer stays, and so does the "//" that hides it from the script.
    size_t from = i;
    size_t closer = std::string_view(b).substr(i, end - i).find("-->");
    if (closer != std::string_view::npos) {
      from = i + 2;
      end = i + closer;
    }
    // A bare "//-->" counts as a line comment removed, even though nothing
    // of it goes: block comments before it stay.
    for (size_t k = from; k < end; ++k) drop[k] = 1;
    lastLine = i;
    anyLine = true;
  }
  size_t i = anyLine ? lastLine : s.from;
  while (i < s.to) {
    if (cls[i] != kBlockComment) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < s.to && cls[end] == kBlockComment) ++end;
    if (end - i >= 4 && b.compare(end - 2, 2, "*/") == 0)  // closed
      for (size_t k = i; k < end; ++k) drop[k] = 1;
    i = end;
  }
  Buffer out;
  out.reserve(b.size());
  for (size_t i = 0; i < b.size(); ++i)
    if (!drop[i]) out.push_back(b[i]);
  b.swap(out);
}

// A run of tabs standing alone between two other bytes (neither blanks nor
// line ends) becomes one blank; every other tab goes.
void TidyTabs(Buffer& b) {
  Buffer out;
  out.reserve(b.size());
  const size_t n = b.size();
  for (size_t i = 0; i < n;) {
    if (b[i] != '\t') {
      out.push_back(b[i++]);
      continue;
    }
    size_t e = i;
    while (e < n && b[e] == '\t') ++e;
    auto solid = [](char c) { return c != ' ' && !IsLineEnd(c); };
    if (i > 0 && e < n && solid(b[i - 1]) && solid(b[e])) out.push_back(' ');
    i = e;
  }
  b.swap(out);
}

// Removes the blanks at both ends of the code.
void TrimCode(Buffer& b, std::string_view endTag) {
  const Span s = CodeSpan(b, endTag);
  size_t a = s.from, z = s.to;
  while (a < z && b[a] == ' ') ++a;
  while (z > a && b[z - 1] == ' ') --z;
  if (a == s.from && z == s.to) return;
  b = b.substr(0, s.from) + b.substr(a, z - a) + b.substr(s.to);
}

// Blank lines go: runs of CR LF pairs (or of LF bytes when the block has no
// CR) become one line end. Lines holding blanks are not empty and stay.
void RemoveBlankLines(Buffer& b) {
  const bool cr = b.find('\r') != Buffer::npos;
  Buffer out;
  out.reserve(b.size());
  size_t pairEnd = Buffer::npos;  // just behind the last CR LF pair passed
  for (size_t i = 0; i < b.size(); ++i) {
    if (cr) {
      if (b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n') {
        const bool repeat = pairEnd == i;
        pairEnd = i + 2;
        if (!repeat) out.append("\r\n");
        ++i;
        continue;
      }
    } else if (b[i] == '\n' && i > 0 && b[i - 1] == '\n') {
      continue;
    }
    out.push_back(b[i]);
  }
  b.swap(out);
}

// The code ends with a line end; it goes before the end tag, where it is part
// of the script and cannot show on the page.
void EndWithLineEnd(Buffer& b) {
  const Span s = CodeSpan(b, "</script");
  const size_t at = s.to;
  // A block without code (a SCRIPT with SRC) needs none.
  if (at <= s.from || b[at - 1] == '\n') return;
  b.insert(at, b.find("\r\n") != Buffer::npos ? "\r\n" : "\n");
}

// Style sheet layout: candidates for line breaks are ";" and "}" outside
// strings, comments and parentheses (a data address holds ";").
std::vector<BreakCandidate> StyleBreaks(const Buffer& b) {
  const Span s = CodeSpan(b, "</style");
  const std::vector<uint8_t> cls = Lex(b, s, false);
  std::vector<BreakCandidate> cands;
  int depth = 0;
  for (size_t i = s.from; i < s.to; ++i) {
    if (cls[i] != kCode) continue;
    const char c = b[i];
    if (c == '(') ++depth;
    else if (c == ')' && depth > 0) --depth;
    else if ((c == ';' || c == '}') && depth == 0) cands.push_back({uint32_t(i), BreakKind::Behind});
  }
  return cands;
}

// White space of a style sheet, outside strings and comments: tabs, runs of
// blanks, blanks at line starts, and blanks around braces, semicolons and the
// colons of declarations (a colon in a selector, as in "a :hover", keeps them).
void TidyStyleSpaces(Buffer& b) {
  TidyTabs(b);
  Span s = CodeSpan(b, "</style");
  std::vector<uint8_t> cls = Lex(b, s, false);
  // Which declaration-or-selector terminator follows each byte.
  std::vector<char> next(b.size(), 0);
  char term = 0;
  for (size_t i = s.to; i-- > s.from;) {
    if (cls[i] == kCode && (b[i] == '{' || b[i] == '}' || b[i] == ';')) term = b[i];
    next[i] = term;
  }
  auto tight = [&](size_t i) {  // a byte that blanks around it may leave
    if (i < s.from || i >= s.to || cls[i] != kCode) return false;
    const char c = b[i];
    if (c == '{' || c == '}' || c == ';') return true;
    return c == ':' && (next[i] == ';' || next[i] == '}');
  };
  Buffer out;
  out.reserve(b.size());
  for (size_t i = 0; i < b.size(); ++i) {
    const char c = b[i];
    if (c != ' ' || i < s.from || i >= s.to || cls[i] != kCode) {
      out.push_back(c);
      continue;
    }
    const bool prevBlank = i > s.from && b[i - 1] == ' ' && cls[i - 1] == kCode;
    const bool lineStart = i > 0 && b[i - 1] == '\n';
    bool drop = prevBlank || lineStart;
    if (!drop) {
      size_t j = i;
      while (j < s.to && b[j] == ' ') ++j;
      drop = (i > 0 && tight(i - 1)) || (j < s.to && tight(j));
    }
    if (!drop) out.push_back(' ');
  }
  b.swap(out);
}

}  // namespace

void OptimizeScriptBlock(Buffer& block, PassContext& cx) {
  SavingScope scope(cx, block, Info(Opt::OptimizeScripts).counter);
  const OptionSet& o = cx.opts;
  if (o[Opt::StripComments]) RemoveComments(block, "</script", true);
  if (o[Opt::StripSpaces]) {
    TidyTabs(block);
    TrimCode(block, "</script");
  }
  cx.Pump();
  if (o[Opt::StripBlankLines]) RemoveBlankLines(block);
  if (o[Opt::CRLFToLF]) NormalizeCR(block);
  EndWithLineEnd(block);
  cx.Pump();
}

void OptimizeStyleBlockText(Buffer& block, PassContext& cx) {
  SavingScope scope(cx, block, Info(Opt::OptimizeScripts).counter);
  const OptionSet& o = cx.opts;
  // "//" starts no comment in a style sheet.
  if (o[Opt::StripComments]) RemoveComments(block, "</style", false);
  cx.Pump();
  if (o[Opt::StripBlankLines]) {
    SavingScope wrapScope(cx, block, Info(Opt::StripBlankLines).counter);
    RewrapAt(block, StyleBreaks(block), o.wordWrap, nullptr, true, false);
  }
  if (o[Opt::StripSpaces]) TidyStyleSpaces(block);
  if (o[Opt::CRLFToLF]) NormalizeCR(block);
  cx.Pump();
}

}  // namespace sw

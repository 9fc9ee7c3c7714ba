// Character entity shrinking: every entity in its shortest form that browsers
// display alike, and optionally the ISO-8859-1 declaration the numeric forms
// rely on.
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/passes.h"
#include "engine/scan.h"

namespace sw {

namespace {

struct Entity {
  std::string_view from;
  const char* to;
};

// Named Latin-1 entities whose decimal reference is shorter. trade takes its
// code from the Windows Latin-1 page and is matched in any letter case.
const Entity kShrink[] = {
    {"&trade;", "&#153;"},  {"&iexcl;", "&#161;"},  {"&pound;", "&#163;"},  {"&curren;", "&#164;"},
    {"&brvbar;", "&#166;"}, {"&laquo;", "&#171;"},  {"&plusmn;", "&#177;"}, {"&acute;", "&#180;"},
    {"&micro;", "&#181;"},  {"&middot;", "&#183;"}, {"&cedil;", "&#184;"},  {"&raquo;", "&#187;"},
    {"&frac14;", "&#188;"}, {"&frac12;", "&#189;"}, {"&frac34;", "&#190;"}, {"&iquest;", "&#191;"},
    {"&Aacute;", "&#193;"}, {"&Agrave;", "&#192;"}, {"&Atilde;", "&#195;"}, {"&Aring;", "&#197;"},
    {"&AElig;", "&#198;"},  {"&Ccedil;", "&#199;"}, {"&Eacute;", "&#201;"}, {"&Egrave;", "&#200;"},
    {"&Ecirc;", "&#202;"},  {"&Iacute;", "&#205;"}, {"&Igrave;", "&#204;"}, {"&Icirc;", "&#206;"},
    {"&Ntilde;", "&#209;"}, {"&Oacute;", "&#211;"}, {"&Ograve;", "&#210;"}, {"&Ocirc;", "&#212;"},
    {"&Otilde;", "&#213;"}, {"&Oslash;", "&#216;"}, {"&Uacute;", "&#218;"}, {"&Ugrave;", "&#217;"},
    {"&Ucirc;", "&#219;"},  {"&Yacute;", "&#221;"}, {"&THORN;", "&#222;"},  {"&szlig;", "&#223;"},
    {"&aacute;", "&#225;"}, {"&agrave;", "&#224;"}, {"&acirc;", "&#226;"},  {"&atilde;", "&#227;"},
    {"&aring;", "&#229;"},  {"&aelig;", "&#230;"},  {"&ccedil;", "&#231;"}, {"&eacute;", "&#233;"},
    {"&egrave;", "&#232;"}, {"&ecirc;", "&#234;"},  {"&iacute;", "&#237;"}, {"&igrave;", "&#236;"},
    {"&icirc;", "&#238;"},  {"&ntilde;", "&#241;"}, {"&oacute;", "&#243;"}, {"&ograve;", "&#242;"},
    {"&ocirc;", "&#244;"},  {"&otilde;", "&#245;"}, {"&oslash;", "&#248;"}, {"&uacute;", "&#250;"},
    {"&ugrave;", "&#249;"}, {"&ucirc;", "&#251;"},  {"&yacute;", "&#253;"}, {"&thorn;", "&#254;"},
};
static_assert(sizeof(kShrink) / sizeof(kShrink[0]) == 64);

// Decimal references that a name writes shorter.
const Entity kShorterNames[] = {
    {"&#174;", "&reg;"}, {"&#176;", "&deg;"}, {"&#165;", "&yen;"}, {"&#168;", "&uml;"}};

constexpr std::string_view kMetaIso =
    "<META http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">";

// Every entity starts with "&" and ends with its first ";", so no two of them
// overlap and no replacement forms a new one: one sweep over the "&" bytes
// gives the same result as one replace-all per entity in turn.
struct Plan {
  bool nbsp, quot, shorterNames, shrink;
};

// The shrinkable entities by the byte behind their "&", in table order.
struct ShrinkIndex {
  std::vector<uint8_t> byFirst[256];
  ShrinkIndex() {
    for (size_t k = 1; k < std::size(kShrink); ++k) byFirst[(unsigned char)kShrink[k].from[1]].push_back(uint8_t(k));
  }
};
const ShrinkIndex kShrinkIndex;

// The replacement for the entity at i, or nullptr.
const char* Replacement(std::string_view s, size_t i, const Plan& plan, size_t& len) {
  auto at = [&](std::string_view e, bool ic) {
    len = e.size();
    return MatchAt(s, e, i, ic);
  };
  if (i + 1 >= s.size()) return nullptr;
  char c = s[i + 1];
  if (c == '#') {
    if (plan.shorterNames)
      for (const Entity& e : kShorterNames)
        if (at(e.from, false)) return e.to;
    return nullptr;
  }
  if (plan.nbsp && at("&nbsp;", false)) return "&#32;";
  if (plan.quot && at("&quot;", false)) return "'";
  if (plan.shrink) {
    // Only the first entry (trade) is matched in any letter case; the others
    // can match only where their second byte stands.
    if (at(kShrink[0].from, true)) return kShrink[0].to;
    for (uint8_t k : kShrinkIndex.byFirst[(unsigned char)c])
      if (at(kShrink[k].from, false)) return kShrink[k].to;
  }
  return nullptr;
}

// Anchor for the declaration: "<head" or "<html" as a whole tag name.
size_t FindAnchor(std::string_view s, std::string_view tag) {
  for (size_t p = FindFrom(s, tag, 0, true); p != std::string_view::npos;
       p = FindFrom(s, tag, p + 1, true)) {
    size_t q = p + tag.size();
    if (q < s.size() && (s[q] == '>' || s[q] == '/' || IsBlank(s[q]))) return p;
  }
  return std::string_view::npos;
}

void InsertIsoDeclaration(Buffer& buf) {
  // Any declaration already there wins: a second one placed first would make
  // browsers read the page in the wrong character set.
  if (FindFrom(buf, "charset=", 0, true) != std::string_view::npos) return;
  size_t a = FindAnchor(buf, "<head");
  if (a == std::string_view::npos) a = FindAnchor(buf, "<html");
  if (a == std::string_view::npos) return;
  int32_t g = FindChar(buf, '>', int32_t(a + 1));
  if (!g) return;
  buf.insert(size_t(g), kMetaIso);
}

}  // namespace

void ShrinkEntities(Buffer& buf, PassContext& cx) {
  if (buf.find('&') == std::string::npos) return;
  SavingScope scope(cx, buf, Info(Opt::ShortSpecials).counter);
  const int mode = cx.opts.entityMode;
  // Mode 0 leaves the space characters alone: it is what a profile without
  // the key runs with, and "&#32;" collapses where "&nbsp;" holds a cell or
  // an indent open, while "'" shows where "&quot;" showed a double quote.
  Plan plan{mode != 0 && mode != 2 && mode != 4 && mode != 6 && mode != 8,
            mode != 0 && mode != 2 && mode != 6, mode == 0, mode != 1};

  // A "&quot;" inside a value opened by a single quote stays: as "'" it would
  // end that value early. Quote state is tracked only within a tag, and only
  // read where such a replacement asks: the sweep goes from "&" to "&", and
  // the state is brought up to the "&" that needs it. Replaced entities hold
  // none of the bytes the state follows, so it reads the input as it stands.
  std::string out;
  size_t copied = 0;
  bool inTag = false;
  char quote = 0;
  size_t stateAt = 0;  // the state holds for the bytes before this
  auto stateUpTo = [&](size_t end) {
    for (size_t i = stateAt; (i = FindAnyOf<'<', '>', '\'', '"'>(std::string_view(buf).substr(0, end), i)) < end;
         ++i) {
      const char c = buf[i];
      if (c == '<') inTag = true, quote = 0;
      else if (c == '>') inTag = false;
      else if (inTag) quote = quote == 0 ? c : (quote == c ? 0 : quote);
    }
    stateAt = end;
  };
  const size_t n = buf.size();
  for (size_t i = buf.find('&'); i < n; i = buf.find('&', i + 1)) {
    size_t len = 0;
    const char* to = Replacement(buf, i, plan, len);
    if (!to) continue;
    if (to[0] == '\'') {
      stateUpTo(i);
      if (inTag && quote == '\'') continue;
    }
    if (copied == 0) out.reserve(buf.size());
    out.append(buf, copied, i - copied);
    out += to;
    copied = i + len;
    i = copied - 1;
  }
  if (copied) {
    out.append(buf, copied, std::string::npos);
    buf.swap(out);
  }
  if (mode > 5) InsertIsoDeclaration(buf);
}

}  // namespace sw

// Font tag optimization: relative FONT sizes become absolute ones, and, on
// request, FONT elements one step above or below the base size become BIG or
// SMALL elements.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/passes.h"
#include "engine/tagscan.h"

namespace sw {

namespace {

using tagscan::IsBlank;
using tagscan::npos;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsWs(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// "<font" followed by a blank: a FONT start tag with attributes.
bool FontTagWithAttributes(std::string_view s, size_t lt) {
  return MatchAt(s, "<font", lt, true) && lt + 5 < s.size() && IsWs(s[lt + 5]);
}

// Rewrites the relative sizes of one FONT start tag s[lt..gt] into out.
// Only the SIZE attribute's own value counts: a sign and digit elsewhere in
// the tag (an address, a face name) stay.
void AbsoluteSizesInTag(std::string_view s, size_t lt, size_t gt, int base, Buffer& out, size_t& copied) {
  size_t i = lt + 5;
  while (i < gt) {
    char c = s[i];
    if (c == '=') {
      // Skip the value so that text inside it is never read as an attribute.
      size_t j = i + 1;
      while (j < gt && IsBlank((unsigned char)s[j])) ++j;
      if (j < gt && (s[j] == '"' || s[j] == '\'')) {
        size_t close = s.substr(0, gt).find(s[j], j + 1);
        i = close == npos ? gt : close + 1;
      } else {
        while (j < gt && !IsBlank((unsigned char)s[j])) ++j;
        i = j;
      }
      continue;
    }
    if (IsWs(s[i - 1]) && MatchAt(s, "size=", i, true)) {
      size_t sign = i + 5;
      if (sign < gt && s[sign] == '"') ++sign;
      if (sign + 1 < gt && (s[sign] == '+' || s[sign] == '-') && s[sign + 1] >= '1' && s[sign + 1] <= '9' &&
          (sign + 2 >= s.size() || !IsDigit((unsigned char)s[sign + 2]))) {
        int d = s[sign + 1] - '0';
        int n = s[sign] == '+' ? base + d : base - d;
        n = std::clamp(n, 1, 7);  // the sizes browsers accept
        out.append(s.data() + copied, sign - copied);
        out.push_back(char('0' + n));
        copied = sign + 2;
      }
      i += 5;
      continue;
    }
    ++i;
  }
}

void AbsoluteSizes(Buffer& buf, int base) {
  std::string_view s = buf;
  Buffer out;
  size_t copied = 0;
  size_t from = 0;
  while (true) {
    int32_t p = FindI(s, "<font", int32_t(from + 1));
    if (p == 0) break;
    size_t lt = size_t(p - 1);
    from = lt + 1;
    if (!FontTagWithAttributes(s, lt)) continue;
    // The tag needs a ">" of its own, before any other "<".
    size_t limit = std::min(s.find('<', lt + 1), s.size());
    size_t gt = s.substr(0, limit).find('>', lt + 5);
    if (gt == npos) continue;
    AbsoluteSizesInTag(s, lt, gt, base, out, copied);
    from = gt + 1;
  }
  if (copied == 0) return;
  out.append(s.data() + copied, s.size() - copied);
  buf.swap(out);
}

struct Edit {
  size_t at;
  size_t len;
  std::string text;
};

// Replaces FONT elements whose start tag is exactly one of the given texts by
// BIG or SMALL elements, outside headings. The end tag is the one that closes
// the element, counted through nested FONT elements.
void BigSmall(Buffer& buf, int base) {
  struct Form {
    std::string tag;
    const char* name;
    bool enabled;
  };
  std::vector<Form> forms;
  auto add = [&](int size, const char* name) {
    if (size < 1 || size > 7) return;
    char d = char('0' + size);
    forms.push_back({std::string("<font size=") + d + ">", name, true});
    forms.push_back({std::string("<font size=\"") + d + "\">", name, true});
  };
  add(base + 1, "BIG>");
  add(base - 1, "SMALL>");
  if (forms.empty()) return;
  std::string_view s = buf;
  // A document that opens with the tag text itself is left as it is.
  for (Form& f : forms)
    if (MatchAt(s, f.tag, 0, true)) f.enabled = false;

  struct Open {
    size_t at;
    int form;  // index into forms, -1 when not convertible
  };
  std::vector<Open> open;
  std::vector<Edit> edits;
  size_t lastStartH = 0, lastEndH = 0;  // 1-based, 0 = none
  for (size_t i = s.find('<'); i != npos; i = s.find('<', i + 1)) {
    if (MatchAt(s, "</font", i, true)) {
      if (!open.empty()) {
        Open o = open.back();
        open.pop_back();
        if (o.form >= 0 && MatchAt(s, "</font>", i, true)) {
          const Form& f = forms[size_t(o.form)];
          edits.push_back({o.at, f.tag.size(), std::string("<") + f.name});
          edits.push_back({i, 7, std::string("</") + f.name});
        }
      }
    } else if (MatchAt(s, "<font", i, true) && i + 5 < s.size() &&
               // "<font/>" opens an element too: the slash means nothing there.
               (IsBlank((unsigned char)s[i + 5]) || s[i + 5] == '>' || s[i + 5] == '/')) {
      int form = -1;
      // Outside headings only: "<h" also stands for html, head and hr, so
      // after an hr with no heading end behind it nothing converts.
      if (i > 0 && lastEndH > lastStartH)
        for (size_t k = 0; k < forms.size(); ++k)
          if (forms[k].enabled && MatchAt(s, forms[k].tag, i, true)) {
            form = int(k);
            break;
          }
      open.push_back({i, form});
    }
    if (MatchAt(s, "</h", i, true)) lastEndH = i + 1;
    else if (MatchAt(s, "<h", i, true)) lastStartH = i + 1;
  }
  if (edits.empty()) return;
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.at < b.at; });
  Buffer out;
  out.reserve(buf.size());
  size_t copied = 0;
  for (const Edit& e : edits) {
    out.append(s.data() + copied, e.at - copied);
    out += e.text;
    copied = e.at + e.len;
  }
  out.append(s.data() + copied, s.size() - copied);
  buf.swap(out);
}

}  // namespace

void ShrinkFontTags(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::ShrinkFontTags).counter);
  if (FindI(buf, "<font", 1) == 0) return;
  AbsoluteSizes(buf, cx.baseFontSize);
  if (cx.opts[Opt::MSNSOnly]) BigSmall(buf, cx.baseFontSize);
}

}  // namespace sw

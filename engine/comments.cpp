// Comment removal: HTML comments (server-side include directives stay) and
// COMMENT elements, each with its content.
#include "engine/passes.h"
#include "engine/scan.h"

namespace sw {

namespace {

constexpr size_t npos = std::string_view::npos;

// Deletes every open..close stretch in one sweep. After a deletion the search
// resumes where the deleted text began, so only text behind it can form the
// next match. keep(at) spares a stretch (its opening is skipped). A stretch
// without its close ends the sweep: it and everything behind it stay.
template <class Keep>
void DeleteStretches(Buffer& buf, std::string_view open, std::string_view close, size_t closeFrom,
                     bool ic, Keep keep) {
  size_t b = FindFrom(buf, open, 0, ic);
  if (b == npos) return;
  std::string out;
  size_t copied = 0;
  bool changed = false;
  while (b != npos) {
    if (keep(b)) {
      b = FindFrom(buf, open, b + open.size(), ic);
      continue;
    }
    size_t e = FindFrom(buf, close, b + closeFrom, ic);
    if (e == npos) break;
    if (!changed) out.reserve(buf.size()), changed = true;
    out.append(buf, copied, b - copied);
    copied = e + close.size();
    b = FindFrom(buf, open, copied, ic);
  }
  if (!changed) return;
  out.append(buf, copied, std::string::npos);
  buf.swap(out);
}

}  // namespace

void StripComments(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripComments).counter);
  // "-->" may overlap the opening's dashes: "<!-->" is a whole comment.
  DeleteStretches(buf, "<!--", "-->", 2, false,
                  [&](size_t at) { return at + 4 < buf.size() && buf[at + 4] == '#'; });
  DeleteStretches(buf, "<COMMENT>", "</COMMENT>", 0, true, [](size_t) { return false; });
}

}  // namespace sw

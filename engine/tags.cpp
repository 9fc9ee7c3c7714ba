// Phrase element conversions and optional end-tag removal.
#include <cstring>
#include <vector>

#include "engine/passes.h"
#include "engine/scan.h"

namespace sw {

namespace {

// Rewrites the tags of one element to a shorter one that browsers draw alike.
// Only real tags are touched: "<NAME>" and "</NAME>". An element whose start
// tag carries attributes keeps its name at both ends, so its start tag is never
// left without an end tag; the pairing runs on a stack per element name.
void ConvertElement(Buffer& buf, std::string_view name, std::string_view to) {
  const size_t n = buf.size(), m = name.size();
  std::vector<bool> stack;  // true: the start tag was converted
  std::string out;
  size_t copied = 0;
  bool changed = false;
  auto replace = [&](size_t at, size_t len, bool end) {
    if (!changed) out.reserve(n), changed = true;
    out.append(buf, copied, at - copied);
    out += end ? "</" : "<";
    out += to;
    out += '>';
    copied = at + len;
  };
  const char* base = buf.data();
  for (size_t i = 0; i < n;) {
    const void* lt = memchr(base + i, '<', n - i);
    if (!lt) break;
    size_t p = size_t((const char*)lt - base);
    i = p + 1;
    bool end = p + 1 < n && base[p + 1] == '/';
    size_t q = p + 1 + (end ? 1 : 0);  // first name byte
    if (q + m >= n || !MatchAt(buf, name, q, true)) continue;
    char after = base[q + m];
    if (end) {
      if (after != '>') continue;
      bool convert = stack.empty() || stack.back();
      if (!stack.empty()) stack.pop_back();
      if (convert) replace(p, q + m + 1 - p, true);
      i = q + m + 1;
    } else if (after == '>') {
      stack.push_back(true);
      replace(p, q + m + 1 - p, false);
      i = q + m + 1;
    } else if (after == ' ' || after == '\t' || after == '\r' || after == '\n') {
      stack.push_back(false);
    }
  }
  if (!changed) return;
  out.append(buf, copied, std::string::npos);
  buf.swap(out);
}

void Convert(Buffer& buf, PassContext& cx, Opt opt, std::string_view name, std::string_view to) {
  SavingScope scope(cx, buf, Info(opt).counter);
  ConvertElement(buf, name, to);
}

}  // namespace

void ConvertStrongToB(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::STRONGtoB, "STRONG", "B"); }
void ConvertEmToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::EMToI, "EM", "I"); }
void ConvertCiteToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::CITEToI, "CITE", "I"); }
void ConvertAddressToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::ADDRESSToI, "ADDRESS", "I"); }
void ConvertDfnToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::DFNToI, "DFN", "I"); }
void ConvertCodeToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::CODEToTT, "CODE", "TT"); }
void ConvertSampToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::SAMPToTT, "SAMP", "TT"); }
void ConvertKbdToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::KBDToTT, "KBD", "TT"); }

void StripClosingP(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripClosingP).counter);
  ReplaceAll(buf, "</P>", "", true);
}

void StripClosingLI(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripClosingLI).counter);
  ReplaceAll(buf, "</LI>", "", true);
}

}  // namespace sw

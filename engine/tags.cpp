// Phrase element conversions and optional end-tag removal.
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/passes.h"
#include "engine/scan.h"

namespace sw {

namespace {

struct Conversion {
  Opt opt;
  std::string_view name, to;
};
constexpr Conversion kConversions[] = {
    {Opt::STRONGtoB, "STRONG", "B"}, {Opt::EMToI, "EM", "I"},     {Opt::CITEToI, "CITE", "I"},
    {Opt::ADDRESSToI, "ADDRESS", "I"}, {Opt::DFNToI, "DFN", "I"}, {Opt::CODEToTT, "CODE", "TT"},
    {Opt::SAMPToTT, "SAMP", "TT"},   {Opt::KBDToTT, "KBD", "TT"},
};
constexpr size_t kConversionCount = std::size(kConversions);

// Rewrites the tags of the elements switched on to shorter ones that browsers
// draw alike. Only real tags are touched: "<NAME>" and "</NAME>". An element
// whose start tag carries attributes keeps its name at both ends, so its start
// tag is never left without an end tag; the pairing runs on a stack per
// element name. No name is another's prefix and no new tag starts like one of
// them, so one sweep over the "<" bytes does what one sweep per element would.
void ConvertElements(Buffer& buf, PassContext& cx, const std::array<bool, kConversionCount>& on) {
  const size_t n = buf.size();
  std::array<std::vector<bool>, kConversionCount> stacks;  // true: the start tag was converted
  std::array<int32_t, kConversionCount> saved{};
  std::string out;
  size_t copied = 0;
  bool changed = false;
  auto replace = [&](size_t k, size_t at, size_t len, bool end) {
    if (!changed) out.reserve(n), changed = true;
    out.append(buf, copied, at - copied);
    out += end ? "</" : "<";
    out += kConversions[k].to;
    out += '>';
    copied = at + len;
    saved[k] += int32_t(len) - int32_t(kConversions[k].to.size() + (end ? 3 : 2));
  };
  const char* base = buf.data();
  for (size_t i = 0; i < n;) {
    const void* lt = memchr(base + i, '<', n - i);
    if (!lt) break;
    size_t p = size_t((const char*)lt - base);
    i = p + 1;
    bool end = p + 1 < n && base[p + 1] == '/';
    size_t q = p + 1 + (end ? 1 : 0);  // first name byte
    if (q >= n) continue;
    const char first = char(base[q] & ~0x20);
    for (size_t k = 0; k < kConversionCount; ++k) {
      const std::string_view name = kConversions[k].name;
      const size_t m = name.size();
      if (!on[k] || name[0] != first || q + m >= n || !MatchAt(buf, name, q, true)) continue;
      std::vector<bool>& stack = stacks[k];
      char after = base[q + m];
      if (end) {
        if (after != '>') break;
        bool convert = stack.empty() || stack.back();
        if (!stack.empty()) stack.pop_back();
        if (convert) replace(k, p, q + m + 1 - p, true);
        i = q + m + 1;
      } else if (after == '>') {
        stack.push_back(true);
        replace(k, p, q + m + 1 - p, false);
        i = q + m + 1;
      } else if (after == ' ' || after == '\t' || after == '\r' || after == '\n') {
        stack.push_back(false);
      }
      break;
    }
  }
  if (cx.savings.recording) {
    // Each element's saving is its own pass's.
    for (size_t k = 0; k < kConversionCount; ++k)
      if (on[k]) cx.savings.doc[size_t(Info(kConversions[k].opt).counter)] += saved[k];
  }
  if (!changed) return;
  out.append(buf, copied, std::string::npos);
  buf.swap(out);
}

void Convert(Buffer& buf, PassContext& cx, Opt opt) {
  std::array<bool, kConversionCount> on{};
  for (size_t k = 0; k < kConversionCount; ++k) on[k] = kConversions[k].opt == opt;
  ConvertElements(buf, cx, on);
}

}  // namespace

void ConvertPhraseTags(Buffer& buf, PassContext& cx) {
  std::array<bool, kConversionCount> on{};
  bool any = false;
  for (size_t k = 0; k < kConversionCount; ++k) any |= on[k] = cx.opts[kConversions[k].opt];
  if (any) ConvertElements(buf, cx, on);
}

void ConvertStrongToB(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::STRONGtoB); }
void ConvertEmToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::EMToI); }
void ConvertCiteToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::CITEToI); }
void ConvertAddressToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::ADDRESSToI); }
void ConvertDfnToI(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::DFNToI); }
void ConvertCodeToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::CODEToTT); }
void ConvertSampToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::SAMPToTT); }
void ConvertKbdToTT(Buffer& buf, PassContext& cx) { Convert(buf, cx, Opt::KBDToTT); }

void StripClosingP(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripClosingP).counter);
  ReplaceAll(buf, "</P>", "", true);
}

void StripClosingLI(Buffer& buf, PassContext& cx) {
  SavingScope scope(cx, buf, Info(Opt::StripClosingLI).counter);
  ReplaceAll(buf, "</LI>", "", true);
}

}  // namespace sw

#include "engine/dispatcher.h"

#include <cstdio>
#include <cstdlib>

#include "engine/blocktags.h"
#include "engine/passes.h"

namespace sw {

namespace {
using PassFn = void (*)(Buffer&, PassContext&);
struct Step {
  Opt sw;
  PassFn fn;
  bool pumpAfter;
};
// The first phase, in dispatch order, behind the tag conversions (quote
// removal runs before it, on whole chunks only).
const Step kFirstPhase[] = {
    {Opt::StripClosingP, StripClosingP, false},
    {Opt::StripComments, StripComments, false},
};
// The passes that share a markup reading must leave it as a fresh reading of
// their result would be; debug builds check that.
void CheckMarkupReading([[maybe_unused]] const Buffer& buf, [[maybe_unused]] const std::vector<uint8_t>& cls) {
#ifndef NDEBUG
  if (cls != ClassifyMarkup(buf)) {
    std::fprintf(stderr, "markup reading out of step with the buffer\n");
    std::abort();
  }
#endif
}
}  // namespace

void RunPasses(Buffer& buf, PassContext& cx, bool firstPhaseOnly) {
  const OptionSet& o = cx.opts;
  cx.metaInterlock = false;
  if (o[Opt::StripQuotes] && !firstPhaseOnly) StripQuotes(buf, cx);
  ConvertPhraseTags(buf, cx);
  for (const Step& s : kFirstPhase)
    if (o[s.sw]) s.fn(buf, cx);
  cx.Pump();
  if (o[Opt::ShortSpecials]) ShrinkEntities(buf, cx);
  cx.Pump();
  if (o[Opt::StandardColors]) StandardizeColors(buf, cx);
  cx.Pump();
  if (o[Opt::StripEmpties]) StripEmptyTags(buf, cx);
  if (firstPhaseOnly) return;

  if (o[Opt::ShrinkFontTags]) ShrinkFontTags(buf, cx);
  if (o[Opt::StripEmpties]) StripEmptyTags(buf, cx);
  if (o[Opt::StripAllMeta]) {
    StripAllMeta(buf, cx);
    cx.metaInterlock = true;
  }
  if (o[Opt::StripGenerator] && !cx.metaInterlock) StripGenerator(buf, cx);
  if (o[Opt::NoDTD]) StripDTD(buf, cx);
  if (o[Opt::StripNonHTML]) StripNonHTML(buf, cx);
  if (o[Opt::StripClosingLI]) StripClosingLI(buf, cx);
  cx.Pump();
  if (o[Opt::CRLFToLF]) StripCR(buf, cx);
  cx.Pump();
  const bool spaces = o[Opt::StripSpaces];
  if (o[Opt::StripBlankLines]) {
    std::vector<uint8_t> cls = ClassifyMarkup(buf);
    RewrapLines(buf, cls, cx);
    CheckMarkupReading(buf, cls);
    cx.Pump();
    if (spaces) StripSpaces(buf, cls, cx);
    CheckMarkupReading(buf, cls);
    cx.Pump();
    RewrapLines(buf, cls, cx);
    CheckMarkupReading(buf, cls);
    if (spaces) {
      StripSpaces(buf, cls, cx);
      CheckMarkupReading(buf, cls);
      SpaceKeywordStep(buf, cx);
    }
    cx.Pump();
  } else {
    if (spaces) {
      StripSpaces(buf, cx);
      SpaceKeywordStep(buf, cx);
    }
    cx.Pump();
  }
}

}  // namespace sw

#include "engine/options.h"

#include "engine/profile.h"

namespace sw {

namespace {
// clang-format off
const std::array<OptionInfo, kOptCount> kTable{{
  {Opt::STRONGtoB, "STRONGtoB", kTagOptions, "<STRONG> to <B>", "<STRONG> to <B>", 20, 0, 1, 1, 0, 1},
  {Opt::EMToI, "EMToI", kTagOptions, "<EM> to <I>", "<EM> to <I>", 1, 1, 2, 2, 0, 1},
  {Opt::CITEToI, "CITEToI", kTagOptions, "<CITE> to <I>", "<CITE> to <I>", 2, 2, 3, 3, 0, 1},
  {Opt::ADDRESSToI, "ADDRESSToI", kTagOptions, "<ADDRESS> to <I>", "<ADDRESS> to <I>", 3, 3, 4, 4, 0, 1},
  {Opt::DFNToI, "DFNToI", kTagOptions, "<DFN> to <I>", "<DFN> to <I>", 4, 4, 5, 5, 0, 1},
  {Opt::CODEToTT, "CODEToTT", kTagOptions, "<CODE> to <TT>", "<CODE> to <TT>", 5, 5, 6, 6, 0, 1},
  {Opt::SAMPToTT, "SAMPToTT", kTagOptions, "<SAMP> to <TT>", "<SAMP> to <TT>", 6, 6, 7, 7, 0, 1},
  {Opt::KBDToTT, "KBDToTT", kTagOptions, "<KBD> to <TT>", "<KBD> to <TT>", 24, 7, 8, 8, 0, 1},
  {Opt::StripClosingP, "StripClosingP", kTagOptions, "Strip </P> tags **", "</P> tag removal", 7, 8, 9, 9, 0, 0},
  {Opt::StripEmpties, "StripEmpties", kTagOptions, "Strip empty/redundant tag pairs", "Empty/redundant tag removal", 9, 9, 16, 15, 1, 1},
  {Opt::StripComments, "StripComments", kTagOptions, "Strip HTML comments", "Comment tag & content removal", 18, 10, 17, 17, 0, 1},
  {Opt::StripGenerator, "StripGenerator", kTagOptions, "Strip GENERATOR tags", "Generator tag removal", 15, 11, 13, 13, 0, 1},
  {Opt::StripAllMeta, "StripAllMeta", kTagOptions, "Strip unnecessary META tags", "<META> tag removal", 16, 12, 14, 14, 0, 1},
  {Opt::ShortSpecials, "ShortSpecials", kTagOptions, "Shrink character entities", "Special character optimization", 13, 13, 15, 16, 1, 1},
  {Opt::NoDTD, "NoDTD", kTagOptions, "Strip DTD tags **", "<!DOCTYPE> (DTD) tag removal", 14, 14, 12, 12, 0, 0},
  {Opt::StripClosingLI, "StripClosingLI", kTagOptions, "Strip trailing tags from list items", "</LI> tag removal", 8, 15, 10, 10, 0, 1},
  {Opt::StandardColors, "StandardColors", kTagOptions, "Standardize color attributes", "Standardized color attributes", 22, 16, 11, 11, 1, 1},
  {Opt::ShrinkFontTags, "ShrinkFontTags", kTagOptions, "Optimize font tags and attributes", "Font tag/attribute optimization", 23, 17, 18, 18, 0, 1},
  {Opt::StripNonHTML, "StripNonHTML", kFineTuning, "Strip non-HTML content", "Non-HTML content removal", 17, 0, 22, 22, 0, 1},
  {Opt::StripBlankLines, "StripBlankLines", kFineTuning, "Strip blank lines", "Unneeded line break removal", 12, 1, 21, 21, 1, 1},
  {Opt::StripSpaces, "StripSpaces", kFineTuning, "Strip unneeded spaces, tabs", "Unneeded space removal", 11, 2, 20, 20, 1, 1},
  {Opt::StripQuotes, "StripQuotes", kFineTuning, "Strip unneeded quotes", "Redundant quote removal", 10, 3, 19, 19, 1, 1},
  {Opt::CRLFToLF, "CRLFToLF", kFineTuning, "Reduce CR/LF to LF", "CR/LF to LF replacement", 19, 4, 23, 23, 1, 1},
  {Opt::OptimizeScripts, "OptimizeScripts", kFineTuning, "Optimize VB/JavaScript sections", "Java/VBSCript optimization", 21, 5, 24, 24, 0, 1},
  {Opt::MSNSOnly, "MSNSOnly", kTagOptions, "", "", 0, -1, 0, 0, -1, -1},
}};
// clang-format on
}  // namespace

const std::array<OptionInfo, kOptCount>& OptionTable() { return kTable; }
const OptionInfo& Info(Opt o) { return kTable[size_t(o)]; }

const OptionInfo* InfoForCounter(int n) {
  for (const auto& r : kTable)
    if (r.counter == n && n != 0) return &r;
  return nullptr;
}

OptionSet LoadOptionSet(const Profile& profile) {
  OptionSet s;
  for (const auto& r : kTable) {
    if (r.id == Opt::MSNSOnly) continue;
    s.Set(r.id, profile.ReadInt(r.section, r.key, 0) >= 1);
    if (r.id == Opt::ShortSpecials && s[Opt::ShortSpecials])
      s.entityMode = uint8_t(profile.ReadInt(kTagOptions, "StandardizeChars", 0) & 0xFF);
  }
  s.Set(Opt::MSNSOnly, profile.ReadInt(kTagOptions, "MSNSOnly", 0) >= 1);
  s.wordWrap = uint16_t(uint32_t(profile.ReadInt(kFineTuning, "WordWrap", 254)) & 0xFFFF);
  return s;
}

void WritePreset(Profile& profile, Preset p) {
  for (const auto& r : kTable) {
    int v = p == Preset::Safe ? r.safe : r.maximum;
    if (v < 0) continue;
    profile.WriteString(r.section, r.key, v ? "1" : "0");
  }
}

int32_t ParseIniInt(const std::string& value) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  bool neg = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) neg = value[i++] == '-';
  uint32_t v = 0;
  while (i < value.size() && value[i] >= '0' && value[i] <= '9') v = v * 10u + uint32_t(value[i++] - '0');
  return int32_t(neg ? 0u - v : v);
}

}  // namespace sw

// The option table: one row per switch of the job profile. It drives the
// option set, the presets, the statistics rows, the options dialog and the
// command line, so there is no second list to keep in sync.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace sw {

class Profile;  // engine/profile.h

enum class Opt : int {
  STRONGtoB, EMToI, CITEToI, ADDRESSToI, DFNToI, CODEToTT, SAMPToTT, KBDToTT,
  StripClosingP, StripEmpties, StripComments, StripGenerator, StripAllMeta,
  ShortSpecials, NoDTD, StripClosingLI, StandardColors, ShrinkFontTags,
  StripNonHTML, StripBlankLines, StripSpaces, StripQuotes, CRLFToLF, OptimizeScripts,
  MSNSOnly,  // refines the font pass; not in the dialog lists, no counter
  Count
};
constexpr int kOptCount = int(Opt::Count);
constexpr int kCounterCount = 24;

inline constexpr const char* kTagOptions = "Tag Options";
inline constexpr const char* kFineTuning = "Fine Tuning";
inline constexpr const char* kGeneralOptions = "General Options";
inline constexpr const char* kCustomSection = "Custom Search and Replace";

struct OptionInfo {
  Opt id;
  const char* key;
  const char* section;
  const char* caption;      // options dialog item caption ("" when not listed)
  const char* reportLabel;  // statistics row label ("" when none)
  int counter;              // saving counter number 1..24, 0 for none
  int dialogIndex;          // item index in HOpt (Tag Options) or Fineopt (Fine Tuning), -1 none
  int jobRow;               // row in the job table 1..24, 0 none
  int documentRow;          // row in the document table 1..24, 0 none
  int safe;                 // preset values, -1 when the preset leaves the key alone
  int maximum;
};

// Rows in profile read order (Tag Options table order, then Fine Tuning).
const std::array<OptionInfo, kOptCount>& OptionTable();
const OptionInfo& Info(Opt o);
// The row whose saving counter is n (1..24); nullptr when none.
const OptionInfo* InfoForCounter(int n);

struct OptionSet {
  std::array<bool, kOptCount> on{};
  uint8_t entityMode = 0;
  uint16_t wordWrap = 254;
  bool operator[](Opt o) const { return on[size_t(o)]; }
  void Set(Opt o, bool v) { on[size_t(o)] = v; }
};

// Reads the switches (not the custom terms) from a profile.
OptionSet LoadOptionSet(const Profile& profile);

enum class Preset { Safe, Maximum };
// Writes the preset's keys, "1" or "0", in table order; other keys stay.
void WritePreset(Profile& profile, Preset p);

}  // namespace sw

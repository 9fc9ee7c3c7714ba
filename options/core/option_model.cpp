#include "options/core/option_model.h"

#include <algorithm>

#include "replace/core/terms.h"

namespace sw {

namespace {
const char* const kPresetCaption = "About to reset all options";
const char* const kExecKey = "ExecCustomReplace";
const char* const kEntryKey = "CustomReplace";

std::string Cut99(const std::string& s) { return s.size() > 99 ? s.substr(0, 99) : s; }
}  // namespace

std::vector<const OptionInfo*> DialogList(const std::string& section) {
  std::vector<const OptionInfo*> rows;
  for (const auto& r : OptionTable())
    if (r.dialogIndex >= 0 && section == r.section) rows.push_back(&r);
  std::sort(rows.begin(), rows.end(), [](auto a, auto b) { return a->dialogIndex < b->dialogIndex; });
  return rows;
}

std::string TermDisplayLine(const std::string& search, const std::string& replace, const std::string& caseFlag) {
  std::string line = replace.empty() ? "Delete " + Cut99(search) : "Replace " + Cut99(search) + " with " + Cut99(replace);
  // The same rule as the run: only "0" ignores case.
  return line + (caseFlag == "0" ? " (case insensitive)" : " (case sensitive)");
}

std::vector<TermLine> ReadTermLines(const Profile& profile) {
  std::vector<TermLine> lines;
  for (int n = 1;; ++n) {
    std::string v = profile.ReadString(kCustomSection, kEntryKey + std::to_string(n), "");
    if (v.empty()) break;
    std::string search, replace, flag;
    if (!SplitTermEntry(v, search, replace, flag)) continue;
    TermLine t;
    t.number = n;
    t.text = TermDisplayLine(search, replace, flag);
    // The run reads the flag by the entry's own number, so the line does too;
    // a missing flag leaves only this line unchecked.
    t.checked = t.Checkable() && profile.ReadInt(kCustomSection, kExecKey + std::to_string(n), 0) == 1;
    lines.push_back(std::move(t));
  }
  return lines;
}

int ShownWrapLimit(const Profile& profile) {
  int v = profile.ReadInt(kFineTuning, kWordWrapKey, kWrapShownWhenMissing);
  return std::clamp(v, kWrapMin, kWrapMax);
}

// ---------------------------------------------------------------- TTagPicker

TagPickerModel::TagPickerModel(Profile& profile, Prompt& prompt)
    : profile_(profile), prompt_(prompt), hoptRows_(DialogList(kTagOptions)), fineRows_(DialogList(kFineTuning)) {
  hopt.assign(hoptRows_.size(), false);
  fineopt.assign(fineRows_.size(), false);
}

void TagPickerModel::Show() {
  terms = ReadTermLines(profile_);
  for (size_t i = 0; i < hoptRows_.size(); ++i) hopt[i] = profile_.ReadInt(hoptRows_[i]->section, hoptRows_[i]->key, 0) > 0;
  for (size_t i = 0; i < fineRows_.size(); ++i)
    fineopt[i] = profile_.ReadInt(fineRows_[i]->section, fineRows_[i]->key, 0) > 0;
  wrapLimit = ShownWrapLimit(profile_);
  wrapChanged = false;
}

void TagPickerModel::SetChecked(int list, int index, bool on) {
  auto& rows = list == kHOpt ? hoptRows_ : fineRows_;
  auto& marks = list == kHOpt ? hopt : fineopt;
  if (index < 0 || size_t(index) >= rows.size()) return;
  marks[size_t(index)] = on;
  profile_.WriteString(rows[size_t(index)]->section, rows[size_t(index)]->key, on ? "1" : "0");
}

bool TagPickerModel::SetTermChecked(int line, bool on) {
  if (line < 0 || size_t(line) >= terms.size() || !terms[size_t(line)].Checkable()) return false;
  TermLine& t = terms[size_t(line)];
  t.checked = on;
  profile_.WriteString(kCustomSection, kExecKey + std::to_string(t.number), on ? "1" : "0");
  return true;
}

void TagPickerModel::WrapLimitEdited(int value) {
  wrapLimit = value;
  wrapChanged = true;
}

void TagPickerModel::Ok() {
  if (wrapChanged) profile_.WriteString(kFineTuning, kWordWrapKey, std::to_string(std::clamp(wrapLimit, kWrapMin, kWrapMax)));
  wrapChanged = false;
}

bool TagPickerModel::PickPreset(Preset p) {
  std::string text = std::string("Reset all options to the \"") + (p == Preset::Safe ? "safe" : "maximum") +
                     "\" optimization set?";
  if (prompt_.Ask(kPresetCaption, text, Icon::Question, Buttons::YesNo) != Answer::Yes) return false;
  for (size_t i = 0; i < hoptRows_.size(); ++i) hopt[i] = (p == Preset::Safe ? hoptRows_[i]->safe : hoptRows_[i]->maximum) > 0;
  for (size_t i = 0; i < fineRows_.size(); ++i)
    fineopt[i] = (p == Preset::Safe ? fineRows_[i]->safe : fineRows_[i]->maximum) > 0;
  WritePreset(profile_, p);
  ResetSNR();
  return true;
}

void TagPickerModel::ResetSNR() {
  if (terms.empty()) return;
  for (auto& t : terms) t.checked = false;
  // Up to the last listed entry, so a flag behind an entry the list skips goes too.
  for (int n = 1; n <= terms.back().number; ++n) profile_.WriteString(kCustomSection, kExecKey + std::to_string(n), "0");
}

// ------------------------------------------------------------- TSpecialChars

SpecialCharsModel::SpecialCharsModel(Profile& profile) : profile_(profile) {}

void SpecialCharsModel::Open() {
  int v = profile_.ReadInt(kTagOptions, kEntityKey, 0);
  singleQ = false;
  isoTag = false;
  if (v <= 0) {
    choice = EntityChoice::NoStd;
  } else if (v == 1) {
    choice = EntityChoice::StdSpaces;
  } else {
    choice = EntityChoice::StdChars;
    singleQ = (v & 4) != 0;
    isoTag = (v & 8) != 0;
  }
}

int SpecialCharsModel::Value() const {
  switch (choice) {
    case EntityChoice::NoStd: return 0;
    case EntityChoice::StdSpaces: return 1;
    case EntityChoice::StdChars: return 2 + (singleQ ? 4 : 0) + (isoTag ? 8 : 0);
  }
  return 0;
}

void SpecialCharsModel::Select(EntityChoice c) {
  choice = c;
  Click();
}

void SpecialCharsModel::SetSingleQ(bool on) {
  // The sub-controls only act under "standardize all".
  if (!SubControlsEnabled()) return;
  singleQ = on;
  Click();
}

void SpecialCharsModel::SetIsoTag(bool on) {
  if (!SubControlsEnabled()) return;
  isoTag = on;
  Click();
}

void SpecialCharsModel::Click() { profile_.WriteString(kTagOptions, kEntityKey, std::to_string(Value())); }

bool IsEntityValue(int v) { return v == 0 || v == 1 || v == 2 || v == 6 || v == 10 || v == 14; }

std::string EntityDescription(int v) {
  if (v <= 0) return "do not standardize character entities";
  if (v == 1) return "standardize space characters and optimize quotes only";
  std::string d = "standardize all character entities";
  d += (v & 4) ? ", except for single-quote characters" : ", no exceptions";
  if (v & 8) d += ", insure ISO-8859-1 specification";
  return d;
}

// --------------------------------------------------------------- TFontTagOpt

void FontTagOptModel::Open() { nsms = profile_.ReadInt(kTagOptions, kBigSmallKey, 0) > 0; }

void FontTagOptModel::SetNSMS(bool on) {
  nsms = on;
  profile_.WriteString(kTagOptions, kBigSmallKey, on ? "1" : "0");
}

}  // namespace sw

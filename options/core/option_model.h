// What the options window and its two fine-tuning dialogs decide, without
// widgets. Every key, caption and preset value comes from the option table;
// the windows only show these models and pass the user's clicks on.
#pragma once
#include <string>
#include <vector>

#include "engine/options.h"
#include "engine/profile.h"
#include "engine/prompt.h"

namespace sw {

inline constexpr int kOptionsHelpContext = 26500;
inline constexpr int kEntitiesHelpContext = 71326;
inline constexpr int kFontHelpContext = 73326;

// Word-wrap limit as the options window offers it.
inline constexpr int kWrapMin = 30;
inline constexpr int kWrapMax = 9999;
inline constexpr int kWrapStep = 5;
inline constexpr int kWrapShownWhenMissing = 255;
inline constexpr const char* kWordWrapKey = "WordWrap";
inline constexpr const char* kEntityKey = "StandardizeChars";
inline constexpr const char* kBigSmallKey = "MSNSOnly";
inline constexpr const char* kWrapCaption = "&Word wrap limit:";
inline constexpr const char* kBigSmallCaption = "&Use <BIG>/<SMALL> tags where applicable";

// Only terms 1..31 are ever applied by a run.
inline constexpr int kApplicableTerms = 31;
inline constexpr const char* kTermNotApplicable = "Only the first 31 terms can be applied; this one is never used by a run.";

// The rows of the HOpt list (section Tag Options) or the Fineopt list
// (section Fine Tuning), in item order.
std::vector<const OptionInfo*> DialogList(const std::string& section);

// One stored term as a list line: "Replace a with b (case insensitive)".
std::string TermDisplayLine(const std::string& search, const std::string& replace, const std::string& caseFlag);

// A stored entry that the options window lists, with the number of its key.
struct TermLine {
  int number = 0;  // n of "CustomReplace" n, also of its "ExecCustomReplace" n
  std::string text;
  bool checked = false;
  bool Checkable() const { return number <= kApplicableTerms; }
};
// Every stored entry with a separator, in key order; the check marks from
// the enable flags.
std::vector<TermLine> ReadTermLines(const Profile& profile);

// The value shown for a stored word-wrap limit: 255 when missing, else
// clamped into the field's range.
int ShownWrapLimit(const Profile& profile);

// TTagPicker.
class TagPickerModel {
 public:
  TagPickerModel(Profile& profile, Prompt& prompt);

  const std::vector<const OptionInfo*>& rows(int list) const { return list == 0 ? hoptRows_ : fineRows_; }
  static constexpr int kHOpt = 0, kFineopt = 1;

  std::vector<bool> hopt, fineopt;
  std::vector<TermLine> terms;
  int wrapLimit = kWrapShownWhenMissing;
  bool wrapChanged = false;

  // Each time the window becomes visible.
  void Show();
  // A check mark changed: written at once.
  void SetChecked(int list, int index, bool on);
  // False (and nothing written) for a line whose term is never applied.
  bool SetTermChecked(int line, bool on);
  void WrapLimitEdited(int value);
  // OK: the word-wrap limit, only when edited.
  void Ok();
  // False when the user said No.
  bool PickPreset(Preset p);
  void ResetSNR();

 private:
  Profile& profile_;
  Prompt& prompt_;
  std::vector<const OptionInfo*> hoptRows_, fineRows_;
};

// TSpecialChars.
enum class EntityChoice { NoStd, StdSpaces, StdChars };

class SpecialCharsModel {
 public:
  explicit SpecialCharsModel(Profile& profile);
  EntityChoice choice = EntityChoice::NoStd;
  bool singleQ = false;  // else NoExcept
  bool isoTag = false;

  // Shows the stored value; writes nothing.
  void Open();
  bool SubControlsEnabled() const { return choice == EntityChoice::StdChars; }
  int Value() const;
  // Any click: the value is written at once.
  void Select(EntityChoice c);
  void SetSingleQ(bool on);
  void SetIsoTag(bool on);
  void Click();

 private:
  Profile& profile_;
};

// The stored entity values the dialog can produce.
bool IsEntityValue(int v);
std::string EntityDescription(int v);

// TFontTagOpt.
class FontTagOptModel {
 public:
  explicit FontTagOptModel(Profile& profile) : profile_(profile) {}
  bool nsms = false;
  void Open();
  void SetNSMS(bool on);

 private:
  Profile& profile_;
};

}  // namespace sw

#include "replace/core/term_list.h"

#include "engine/options.h"
#include "replace/core/terms.h"

namespace sw {

namespace {
std::string CaseSuffix(bool matchCase) { return matchCase ? " (case sensitive)" : " (case insensitive)"; }
std::string Key(const char* stem, std::size_t n) { return stem + std::to_string(n); }
}  // namespace

std::string TermLine(const TermPair& p) {
  std::string line = p.replace.empty() ? "Delete " + p.search : "Replace " + p.search + " with " + p.replace;
  return line + CaseSuffix(p.matchCase);
}

std::string TermEntry(const TermPair& p) {
  return p.search + "^^" + p.replace + "^^" + (p.matchCase ? "1" : "0");
}

std::string TermStoreProblem(const TermPair& p) {
  std::string entry = TermEntry(p);
  if (entry.size() > kMaxTermEntry)
    return "This term pair is too long to be stored: the search term and the replacement term together may hold "
           "at most " +
           std::to_string(kMaxTermEntry - 5) + " characters.";
  // The profile drops spaces around a value, and "^^" separates the parts:
  // either would read back as another pair.
  std::string s, r, flag;
  bool spaced = !entry.empty() && (entry.front() == ' ' || entry.front() == '\t');
  if (spaced || !SplitTermEntry(entry, s, r, flag) || s != p.search || r != p.replace || flag != entry.substr(entry.size() - 1))
    return "This term pair cannot be stored as typed. A search or replacement term may not contain \"^^\", "
           "the search term may not begin with a space or end with \"^\", and the replacement term may not end "
           "with \"^\".";
  return "";
}

StoredTerms ReadStoredTerms(const Profile& settings) {
  StoredTerms t;
  for (std::size_t n = 1;; ++n) {
    std::string v = settings.ReadString(kCustomSection, Key("CustomReplace", n), "");
    if (v.empty()) break;
    TermPair p;
    std::string flag;
    if (!SplitTermEntry(v, p.search, p.replace, flag)) {
      t.malformed = true;
    } else {
      p.matchCase = flag != "0";
      p.enabled = settings.ReadInt(kCustomSection, Key("ExecCustomReplace", n), 0) == 1;
      t.pairs.push_back(p);
    }
    // An entry that begins with the separator ends the list.
    if (v.rfind("^^", 0) == 0) break;
  }
  return t;
}

bool WriteStoredTerms(Profile& settings, const std::function<bool(const std::string&)>& deleteSection,
                      const std::vector<TermPair>& pairs, bool keepFlags) {
  bool ok = deleteSection(kCustomSection);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    ok = settings.WriteString(kCustomSection, Key("CustomReplace", i + 1), TermEntry(pairs[i])) && ok;
    if (keepFlags && pairs[i].enabled)
      ok = settings.WriteString(kCustomSection, Key("ExecCustomReplace", i + 1), "1") && ok;
  }
  return ok;
}

std::string NonOptimizingQuestion(const TermPair& p) {
  return "You have specified a non-optimizing term pair. The replacement term ( " + p.replace +
         ") is longer than the search term (" + p.search +
         ").\n\nIf you intend to use these term pairs for normal search-and-replace, Slimwright will accept this "
         "substitution, but you will not achieve any file size reduction.\n\nAdd this term pair to the list of "
         "custom replace pairs?";
}

void WarnMalformedTerms(Prompt& prompt) {
  prompt.Ask("Slimwright error",
             "One or more of your custom search-and-replace pairs contained incorrect formatting. Any invalid "
             "search-and-replace pairs were discarded when the custom search-and-replace list was loaded.\n\n"
             "Check the list carefully and re-enter any missing search-and-replace pairs manually. Inspect the "
             "current profile's [Custom Search and Replace] sectionafter closing this file to view correct "
             "formatting for custom search term pairs.",
             Icon::Warning, Buttons::Ok);
}

bool AcceptTermPair(Prompt& prompt, const TermPair& p) {
  if (std::string why = TermStoreProblem(p); !why.empty()) {
    prompt.Ask(kBadPairCaption, why, Icon::Warning, Buttons::Ok);
    return false;
  }
  if (p.replace.size() >= p.search.size())
    return prompt.Ask(kNonOptimizingCaption, NonOptimizingQuestion(p), Icon::Question, Buttons::YesNo) ==
           Answer::Yes;
  return true;
}

void TermListEditor::Open(const Profile& settings) {
  StoredTerms t = ReadStoredTerms(settings);
  pairs_ = std::move(t.pairs);
  malformed_ = t.malformed;
  placeholder_ = pairs_.empty();
  modified_ = editing_ = false;
  editIndex_ = 0;
  if (malformed_) WarnMalformedTerms(prompt_);
}

std::vector<std::string> TermListEditor::Lines() const {
  if (placeholder_) return {kNoTermsLine};
  std::vector<std::string> l;
  for (const auto& p : pairs_) l.push_back(TermLine(p));
  return l;
}

bool TermListEditor::Update(const std::string& search, const std::string& replace, bool matchCase) {
  if (!UpdateEnabled(search)) return false;
  TermPair p{search, replace, matchCase};
  if (!AcceptTermPair(prompt_, p)) return false;
  if (placeholder_) {
    placeholder_ = false;
    editing_ = false;
  }
  if (editing_ && editIndex_ >= 0 && editIndex_ < int(pairs_.size()))
    pairs_[std::size_t(editIndex_)] = p;
  else
    pairs_.push_back(p);
  modified_ = true;
  editing_ = false;
  editIndex_ = 0;
  return true;
}

bool TermListEditor::Edit(int index, Fields& fields) {
  if (!IsLine(index)) return false;
  const TermPair& p = pairs_[std::size_t(index)];
  fields = {p.search, p.replace, p.matchCase};
  editing_ = true;
  editIndex_ = index;
  return true;
}

bool TermListEditor::Remove(int index) {
  // While a line is being edited, removing another would move it under the edit.
  if (!IsLine(index) || editing_) return false;
  if (prompt_.Ask("Confirming removal", "Really remove this term pair?", Icon::Question, Buttons::YesNo) !=
      Answer::Yes)
    return false;
  pairs_.erase(pairs_.begin() + index);
  modified_ = true;
  return true;
}

bool TermListEditor::MenuAvailable(int selected) {
  if (IsLine(selected)) return true;
  prompt_.Ask("Options menu not available",
              "A valid term or term pair must be available and highlighted in the list window in order to activate "
              "the options menu.",
              Icon::Warning, Buttons::Ok);
  return false;
}

bool TermListEditor::Ok(Profile& settings, const std::function<bool(const std::string&)>& deleteSection) {
  // The new numbering would let old enable flags point at other pairs, so they go with the section.
  bool ok = WriteStoredTerms(settings, deleteSection, placeholder_ ? std::vector<TermPair>{} : pairs_, false);
  if (!placeholder_ && !pairs_.empty()) prompt_.Ask(kTermsChangedCaption, kTermsChangedText, Icon::Warning, Buttons::Ok);
  return ok;
}

bool TermListEditor::Cancel() {
  if (!modified_) return true;
  return prompt_.Ask("Confirming exit...", "Discard any changes and close the Custom Search and Replace manager?",
                     Icon::Question, Buttons::YesNo) == Answer::Yes;
}

}  // namespace sw

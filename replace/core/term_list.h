// The author's list of search-and-replace term pairs as the editor and the
// command line keep it: read from and written back to the stored entries, one
// readable line per pair, and the editor's decisions without any widgets.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "engine/profile.h"
#include "engine/prompt.h"

namespace sw {

inline constexpr const char* kNoTermsLine = "(no user-defined search-and-replace terms)";
// The longest stored value the profile reads back whole.
constexpr std::size_t kMaxTermEntry = 255;

struct TermPair {
  std::string search;
  std::string replace;  // empty: the search text is deleted
  bool matchCase = false;
  bool enabled = false;  // the job applies it ("ExecCustomReplace" of its number is 1)
  bool operator==(const TermPair&) const = default;
};

// "Replace a with b (case insensitive)", "Delete a (case sensitive)".
std::string TermLine(const TermPair& p);
// search^^replace^^flag
std::string TermEntry(const TermPair& p);

// Why a pair cannot be stored so that it reads back as the same pair; "" when it can.
std::string TermStoreProblem(const TermPair& p);

struct StoredTerms {
  std::vector<TermPair> pairs;
  bool malformed = false;  // an entry without "^^" was left out
};
// Reads the stored entries and each one's enable flag.
StoredTerms ReadStoredTerms(const Profile& settings);
// Replaces the whole section with the pairs, numbered from 1. Enable flags
// are written only with keepFlags (for pairs that have them); otherwise every
// flag goes with the old section. deleteSection removes the section.
bool WriteStoredTerms(Profile& settings, const std::function<bool(const std::string&)>& deleteSection,
                      const std::vector<TermPair>& pairs, bool keepFlags);

// Message texts shared by the editor and the command line.
std::string NonOptimizingQuestion(const TermPair& p);
inline constexpr const char* kNonOptimizingCaption = "Non-optimizing term pair detected";
inline constexpr const char* kTermsChangedCaption = "Search-and-replace options changed";
inline constexpr const char* kTermsChangedText =
    "Be sure that the selected options in the HTML Optimization Options dialog reflect changes you have made to "
    "this list, or your next optimization may result in unwanted changes to your documents.";
inline constexpr const char* kBadPairCaption = "Term pair cannot be stored";
// Shows the malformed-entries warning.
void WarnMalformedTerms(Prompt& prompt);
// The store check and the non-optimizing question; true when the pair may go in.
bool AcceptTermPair(Prompt& prompt, const TermPair& p);

// The decisions of the term pair editor window.
class TermListEditor {
 public:
  explicit TermListEditor(Prompt& prompt) : prompt_(prompt) {}

  // Loads the stored pairs and warns about malformed entries.
  void Open(const Profile& settings);

  std::vector<std::string> Lines() const;
  const std::vector<TermPair>& pairs() const { return pairs_; }
  bool modified() const { return modified_; }
  bool editing() const { return editing_; }
  int editIndex() const { return editIndex_; }
  bool malformed() const { return malformed_; }
  bool placeholder() const { return placeholder_; }

  static bool UpdateEnabled(const std::string& search) { return !search.empty(); }
  // True when the pair went into the list (the fields then clear).
  bool Update(const std::string& search, const std::string& replace, bool matchCase);

  struct Fields {
    std::string search, replace;
    bool matchCase = false;
  };
  // Starts editing a line; false for the placeholder or no line.
  bool Edit(int index, Fields& fields);
  // Asks, then removes; true when the line went.
  bool Remove(int index);
  // Right mouse button: true when the menu may open; else warns.
  bool MenuAvailable(int selected);
  // Edit and Remove in the menu; the NoMenu line shows otherwise.
  bool MenuItemsEnabled() const { return !editing_; }

  // Rewrites the section; the window then closes.
  bool Ok(Profile& settings, const std::function<bool(const std::string&)>& deleteSection);
  // True when the window may close.
  bool Cancel();

 private:
  bool IsLine(int index) const { return !placeholder_ && index >= 0 && index < int(pairs_.size()); }

  Prompt& prompt_;
  std::vector<TermPair> pairs_;
  bool placeholder_ = false;
  bool modified_ = false;
  bool editing_ = false;
  int editIndex_ = 0;
  bool malformed_ = false;
};

}  // namespace sw

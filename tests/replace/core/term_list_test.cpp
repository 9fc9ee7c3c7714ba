#include "replace/core/term_list.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "engine/options.h"

using namespace sw;

namespace {

// A settings file in memory that, like the real one, drops the spaces around a value.
class Settings : public Profile {
 public:
  std::map<std::string, std::string> custom;  // the custom section only
  int32_t ReadInt(const std::string&, const std::string& k, int32_t def) const override {
    auto it = custom.find(k);
    return it == custom.end() ? def : ParseIniInt(it->second);
  }
  std::string ReadString(const std::string&, const std::string& k, const std::string& def) const override {
    auto it = custom.find(k);
    if (it == custom.end()) return def;
    std::string v = it->second;
    v.erase(0, v.find_first_not_of(" \t") == std::string::npos ? v.size() : v.find_first_not_of(" \t"));
    return v.substr(0, 255);
  }
  bool WriteString(const std::string& s, const std::string& k, const std::string& v) override {
    EXPECT_EQ(s, kCustomSection);
    custom[k] = v;
    return true;
  }
  std::function<bool(const std::string&)> Deleter() {
    return [this](const std::string& s) {
      EXPECT_EQ(s, kCustomSection);
      custom.clear();
      return true;
    };
  }
  void Entries(const std::vector<std::string>& e) {
    for (size_t i = 0; i < e.size(); ++i) custom["CustomReplace" + std::to_string(i + 1)] = e[i];
  }
};

class Script : public Prompt {
 public:
  std::vector<std::string> captions;
  std::deque<Answer> answers;
  Answer Ask(const std::string& caption, const std::string&, Icon, Buttons b) override {
    captions.push_back(caption);
    if (b == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted " << caption;
      return Answer::No;
    }
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

const char* kMalformed = "Slimwright error";

TEST(TermList, OpeningShowsOneLinePerStoredEntry) {
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> lines;
    bool warned;
  };
  const Case cases[] = {
      {"none", {}, {kNoTermsLine}, false},
      {"replace and delete",
       {"<b>^^<i>^^1", "&nbsp;^^^^0"},
       {"Replace <b> with <i> (case sensitive)", "Delete &nbsp; (case insensitive)"},
       false},
      {"malformed third left out", {"a^^b^^0", "c^^d^^1", "no separator"},
       {"Replace a with b (case insensitive)", "Replace c with d (case sensitive)"}, true},
      {"malformed in the middle, later ones still read", {"no separator", "c^^d^^1"},
       {"Replace c with d (case sensitive)"}, true},
      {"one separator reads as insensitive", {"abc^^x"}, {"Replace abc with x (case insensitive)"}, false},
      {"other flags match case", {"abc^^x^^2"}, {"Replace abc with x (case sensitive)"}, false},
      {"leading separator listed and ends the list", {"^^x^^0", "abc^^x^^0"}, {"Replace  with x (case insensitive)"},
       false},
      {"only malformed: placeholder", {"junk"}, {kNoTermsLine}, true},
  };
  for (const Case& c : cases) {
    Settings s;
    s.Entries(c.entries);
    Script p;
    TermListEditor e(p);
    e.Open(s);
    EXPECT_EQ(e.Lines(), c.lines) << c.name;
    EXPECT_EQ(p.captions, c.warned ? std::vector<std::string>{kMalformed} : std::vector<std::string>{}) << c.name;
  }
}

// Every pair typed into the editor reads back as the same pair after OK.
TEST(TermList, PairsSurviveOkAndReopenExactly) {
  const TermPair pairs[] = {
      {"<strong>", "<b>", false},
      {"<!-- x -->", "", true},
      {"a with b", "c with d", false},
      {"x (case y", "z (case sensitive)", true},
      {"insensitive)", "in", false},
      {"sensitive", "", false},
      {"?at", "c^t", true},
      {"^top", "^t", false},  // a lone "^" that does not touch a separator
      {"tail ", "t ", false},
  };
  Settings s;
  Script p;
  TermListEditor e(p);
  e.Open(s);
  for (const TermPair& t : pairs) {
    if (t.replace.size() >= t.search.size()) p.answers.push_back(Answer::Yes);
    EXPECT_TRUE(e.Update(t.search, t.replace, t.matchCase)) << t.search;
  }
  ASSERT_TRUE(e.Ok(s, s.Deleter()));
  EXPECT_EQ(s.custom["CustomReplace2"], "<!-- x -->^^^^1");
  EXPECT_EQ(s.custom["CustomReplace3"], "a with b^^c with d^^0");
  TermListEditor again(p);
  again.Open(s);
  ASSERT_EQ(again.pairs().size(), std::size(pairs));
  for (size_t i = 0; i < std::size(pairs); ++i) {
    EXPECT_EQ(again.pairs()[i], pairs[i]) << i;
    TermListEditor::Fields f;
    ASSERT_TRUE(again.Edit(int(i), f));
    EXPECT_EQ(f.search, pairs[i].search);
    EXPECT_EQ(f.replace, pairs[i].replace);
    EXPECT_EQ(f.matchCase, pairs[i].matchCase);
  }
}

TEST(TermList, PairsThatWouldReadBackOtherwiseAreRefused) {
  struct Case {
    std::string search, replace;
    bool stored;
  };
  const Case cases[] = {
      {"a^^b", "x", false},           {"ab", "x^^y", false},
      {"ab^", "x", false},            {"ab", "x^", false},
      {"ab^", "", false},             {" ab", "x", false},
      {"\tab", "x", false},           {"ab", " x", true},
      {"^ab", "^x", true},            {std::string(125, 'a'), std::string(125, 'b'), true},
      {std::string(126, 'a'), std::string(125, 'b'), false},
      {std::string(251, 'a'), "", false},
  };
  for (const Case& c : cases) {
    Settings s;
    s.Entries({"old^^o^^0"});
    Script p;
    TermListEditor e(p);
    e.Open(s);
    if (c.stored && c.replace.size() >= c.search.size()) p.answers.push_back(Answer::Yes);
    EXPECT_EQ(e.Update(c.search, c.replace, false), c.stored) << c.search << " / " << c.replace;
    EXPECT_EQ(e.pairs().size(), c.stored ? 2u : 1u) << c.search;
    bool asked = c.stored && c.replace.size() >= c.search.size();
    EXPECT_EQ(p.captions, c.stored ? std::vector<std::string>(asked, kNonOptimizingCaption)
                                   : std::vector<std::string>{kBadPairCaption})
        << c.search;
    if (c.stored) {
      e.Ok(s, s.Deleter());
      Settings back = s;
      EXPECT_EQ(ReadStoredTerms(back).pairs.back().search, c.search);
      EXPECT_EQ(ReadStoredTerms(back).pairs.back().replace, c.replace);
    }
  }
}

TEST(TermList, NonOptimizingPairsNeedConsent) {
  struct Case {
    const char* search;
    const char* replace;
    bool asked;
    Answer answer;
    bool added;
  };
  const Case cases[] = {
      {"abc", "ab", false, Answer::Yes, true},
      {"abc", "xyz", true, Answer::Yes, true},  // same length saves nothing
      {"abc", "wxyz", true, Answer::No, false},
      {"abc", "", false, Answer::Yes, true},
  };
  for (const Case& c : cases) {
    Script p;
    Settings s;
    TermListEditor e(p);
    e.Open(s);
    if (c.asked) p.answers.push_back(c.answer);
    EXPECT_EQ(e.Update(c.search, c.replace, false), c.added) << c.replace;
    EXPECT_EQ(p.captions.size(), c.asked ? 1u : 0u) << c.replace;
    EXPECT_EQ(e.Lines().front() == kNoTermsLine, !c.added) << c.replace;
    EXPECT_EQ(e.modified(), c.added);
  }
  EXPECT_EQ(NonOptimizingQuestion({"ab", "abc"}),
            "You have specified a non-optimizing term pair. The replacement term ( abc) is longer than the search "
            "term (ab).\n\nIf you intend to use these term pairs for normal search-and-replace, Slimwright will "
            "accept this substitution, but you will not achieve any file size reduction.\n\nAdd this term pair to "
            "the list of custom replace pairs?");
}

TEST(TermList, EditReplacesItsLineAndMenuFollowsEditing) {
  Settings s;
  s.Entries({"one^^1^^0", "two^^2^^0", "three^^3^^1"});
  Script p;
  TermListEditor e(p);
  e.Open(s);
  TermListEditor::Fields f;
  EXPECT_TRUE(e.MenuAvailable(1));
  EXPECT_TRUE(e.MenuItemsEnabled());
  ASSERT_TRUE(e.Edit(1, f));
  EXPECT_EQ(f.search, "two");
  EXPECT_FALSE(e.MenuItemsEnabled());
  EXPECT_FALSE(e.Remove(0));  // not while editing
  EXPECT_TRUE(p.captions.empty());
  ASSERT_TRUE(e.Update("TWO", "2", true));
  EXPECT_TRUE(e.MenuItemsEnabled());
  EXPECT_EQ(e.Lines(), (std::vector<std::string>{"Replace one with 1 (case insensitive)",
                                                 "Replace TWO with 2 (case sensitive)",
                                                 "Replace three with 3 (case sensitive)"}));
  // Remove asks; No keeps the line.
  p.answers = {Answer::No, Answer::Yes};
  EXPECT_FALSE(e.Remove(0));
  EXPECT_TRUE(e.Remove(0));
  EXPECT_EQ(e.pairs().size(), 2u);
  EXPECT_FALSE(e.MenuAvailable(-1));
  EXPECT_EQ(p.captions.back(), "Options menu not available");
}

TEST(TermList, PlaceholderOffersNothing) {
  Settings s;
  Script p;
  TermListEditor e(p);
  e.Open(s);
  TermListEditor::Fields f;
  EXPECT_FALSE(e.MenuAvailable(0));
  EXPECT_EQ(p.captions, std::vector<std::string>{"Options menu not available"});
  EXPECT_FALSE(e.Edit(0, f));
  EXPECT_FALSE(e.Remove(0));
  EXPECT_TRUE(e.Cancel());  // nothing changed, nothing asked
  EXPECT_EQ(p.captions.size(), 1u);
}

TEST(TermList, OkRewritesTheSectionAndDropsEnableFlags) {
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    int removeFirst;  // lines removed from the front before OK
    std::map<std::string, std::string> after;
    bool warned;
  };
  const Case cases[] = {
      {"malformed third dropped for good",
       {"a^^b^^0", "c^^d", "junk"},
       0,
       {{"CustomReplace1", "a^^b^^0"}, {"CustomReplace2", "c^^d^^0"}},
       true},
      {"placeholder only: section emptied, no warning", {}, 0, {}, false},
      {"last line removed: no warning", {"a^^b^^1"}, 1, {}, false},
      {"renumbered from 1", {"a^^b^^1", "c^^^^0"}, 1, {{"CustomReplace1", "c^^^^0"}}, true},
  };
  for (const Case& c : cases) {
    Settings s;
    s.Entries(c.entries);
    s.custom["ExecCustomReplace1"] = "1";
    s.custom["ExecCustomReplace2"] = "1";
    Script p;
    TermListEditor e(p);
    e.Open(s);
    p.captions.clear();
    for (int i = 0; i < c.removeFirst; ++i) {
      p.answers.push_back(Answer::Yes);
      e.Remove(0);
    }
    p.captions.clear();
    e.Ok(s, s.Deleter());
    EXPECT_EQ(s.custom, c.after) << c.name;
    EXPECT_EQ(p.captions,
              c.warned ? std::vector<std::string>{kTermsChangedCaption} : std::vector<std::string>{})
        << c.name;
  }
}

TEST(TermList, CancelAsksOnlyAfterChanges) {
  Settings s;
  s.Entries({"ab^^a^^0"});
  Script p;
  TermListEditor e(p);
  e.Open(s);
  EXPECT_TRUE(e.Cancel());
  ASSERT_TRUE(e.Update("xy", "x", false));
  p.answers = {Answer::No, Answer::Yes};
  EXPECT_FALSE(e.Cancel());
  EXPECT_TRUE(e.Cancel());
  EXPECT_EQ(p.captions, (std::vector<std::string>{"Confirming exit...", "Confirming exit..."}));
  EXPECT_EQ(s.custom.size(), 1u);  // nothing written
}

TEST(TermList, FlagsKeptWhenAskedFollowTheirPairs) {
  Settings s;
  s.Entries({"a^^b^^0", "c^^d^^0", "e^^f^^0"});
  s.custom["ExecCustomReplace2"] = "1";
  s.custom["ExecCustomReplace3"] = "1";
  StoredTerms t = ReadStoredTerms(s);
  t.pairs.erase(t.pairs.begin());
  WriteStoredTerms(s, s.Deleter(), t.pairs, true);
  EXPECT_EQ(s.custom, (std::map<std::string, std::string>{{"CustomReplace1", "c^^d^^0"},
                                                          {"CustomReplace2", "e^^f^^0"},
                                                          {"ExecCustomReplace1", "1"},
                                                          {"ExecCustomReplace2", "1"}}));
}

}  // namespace

#include "replace/core/terms.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A profile held in memory, keys matched as written.
class MapProfile : public sw::Profile {
 public:
  std::map<std::pair<std::string, std::string>, std::string> values;
  int32_t ReadInt(const std::string& s, const std::string& k, int32_t def) const override {
    auto it = values.find({s, k});
    return it == values.end() ? def : sw::ParseIniInt(it->second);
  }
  std::string ReadString(const std::string& s, const std::string& k, const std::string& def) const override {
    auto it = values.find({s, k});
    return it == values.end() ? def : it->second.substr(0, 255);
  }
  bool WriteString(const std::string& s, const std::string& k, const std::string& v) override {
    values[{s, k}] = v;
    return true;
  }
  void Term(int n, const std::string& entry, const std::string& exec = "1") {
    values[{"Custom Search and Replace", "CustomReplace" + std::to_string(n)}] = entry;
    if (!exec.empty()) values[{"Custom Search and Replace", "ExecCustomReplace" + std::to_string(n)}] = exec;
  }
};

struct Applied {
  std::string text;
  sw::CustomTermTable table;
};

Applied Apply(const MapProfile& p, std::string text) {
  Applied a;
  a.table.Load(p);
  a.table.StartDocument();
  sw::PassContext cx;
  a.table.Apply(a.text = std::move(text), cx);
  return a;
}

}  // namespace

TEST(CustomTerms, OneTermAtATime) {
  struct Case {
    std::string entry, input, want;
    int32_t saving;
  } cases[] = {
      {"c?t^^dog^^1", "cat cut c?t cot", "dog dog dog dog", 0},
      {"<b>^^<strong>^^0", "<B>x<b></b>", "<strong>x<strong></b>", -10},
      {"<b>^^<strong>^^1", "<B>x<b></b>", "<B>x<strong></b>", -5},
      // Only ASCII letters fold: a Latin-1 capital E acute stays.
      {"\xe9t\xe9^^ete^^0", "\xc9T\xc9 \xe9t\xe9 \xe9T\xe9", "\xc9T\xc9 ete ete", 0},
      // The search resumes after the inserted text and never re-enters it.
      {"a^^aa^^1", "aaa", "aaaaaa", -3},
      // The pair formed by the join begins before the resume position.
      {"ab^^^^1", "aabb", "ab", 2},
      {"ab^^^^1", "abab", "", 4},
      // One separator: no case flag reads as "0", ignoring case.
      {"AB^^x", "ab Ab", "x x", 2},
      // An empty flag is not "0": the case must match.
      {"AB^^x^^", "ab AB", "ab x", 1},
      {"AB^^x^^yes", "ab AB", "ab x", 1},
      // An empty search text never matches.
      {"^^x^^0", "abc", "abc", 0},
  };
  for (const auto& c : cases) {
    MapProfile p;
    p.Term(1, c.entry);
    Applied a = Apply(p, c.input);
    EXPECT_EQ(a.text, c.want) << c.entry;
    EXPECT_EQ(a.table.slots[1].documentSaving, c.saving) << c.entry;
    EXPECT_EQ(a.table.FinishDocument(), c.saving) << c.entry;
  }
}

TEST(CustomTerms, ListOrderFeedsLaterTerms) {
  MapProfile p;
  p.Term(1, "aa^^b^^1");
  p.Term(2, "bb^^c^^1");
  Applied a = Apply(p, "aaaa");
  EXPECT_EQ(a.text, "c");
  EXPECT_EQ(a.table.slots[1].documentSaving, 2);
  EXPECT_EQ(a.table.slots[2].documentSaving, 1);
}

TEST(CustomTerms, EnableFlags) {
  MapProfile p;
  p.Term(1, "a^^1^^1", "1");
  p.Term(2, "b^^2^^1", "2");
  p.Term(3, "c^^3^^1", "0");
  p.Term(4, "d^^4^^1", "");
  p.Term(5, "e^^5^^1", "01");
  Applied a = Apply(p, "abcde");
  EXPECT_EQ(a.text, "1bcd5");
  EXPECT_EQ(a.table.count, 5);
  EXPECT_TRUE(a.table.active);
  // Disabled entries are taken but not split.
  EXPECT_TRUE(a.table.slots[2].searchText.empty());
}

TEST(CustomTerms, LoadingStops) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> terms;  // entry, exec
    int count;
    std::string want;
  } cases[] = {
      {{}, 0, "abc"},
      {{{"abc", "1"}}, 0, "abc"},
      // An enabled entry without "^^" ends the loading.
      {{{"a^^A^^1", "1"}, {"b^^B^^1", "1"}, {"broken", "1"}, {"c^^C^^1", "1"}}, 2, "ABc"},
      // A disabled one is taken whole.
      {{{"a^^A^^1", "1"}, {"broken", "0"}, {"c^^C^^1", "1"}}, 3, "AbC"},
      // An empty value ends the list.
      {{{"a^^A^^1", "1"}, {"", "1"}, {"c^^C^^1", "1"}}, 1, "Abc"},
  };
  for (const auto& c : cases) {
    MapProfile p;
    for (size_t i = 0; i < c.terms.size(); ++i) p.Term(int(i) + 1, c.terms[i].first, c.terms[i].second);
    Applied a = Apply(p, "abc");
    EXPECT_EQ(a.table.count, c.count);
    EXPECT_EQ(a.table.active, c.count > 0);
    EXPECT_EQ(a.text, c.want);
  }
}

TEST(CustomTerms, ThirtyOneTermsAtMost) {
  MapProfile p;
  for (int n = 1; n <= 33; ++n) p.Term(n, "<" + std::to_string(n) + ">^^#^^1");
  std::string text;
  for (int n = 1; n <= 33; ++n) text += "<" + std::to_string(n) + ">";
  Applied a = Apply(p, text);
  EXPECT_EQ(a.table.count, 31);
  EXPECT_EQ(a.text, std::string(31, '#') + "<32><33>");
}

TEST(CustomTerms, ValueCutAt255Bytes) {
  MapProfile p;
  // The cut leaves one separator: the rest is the replacement, ignoring case.
  p.Term(1, "x^^" + std::string(251, 'y') + "^^1");
  Applied a = Apply(p, "X");
  EXPECT_EQ(a.text, std::string(251, 'y') + "^");
}

TEST(CustomTerms, DocumentAndRunSavings) {
  MapProfile p;
  p.Term(1, "ab^^abcde^^1");
  sw::CustomTermTable t;
  t.Load(p);
  sw::PassContext cx;
  int pumped = 0;
  cx.slowOptimize = true;
  cx.pumpFn = [&] { ++pumped; };
  t.StartDocument();
  std::string c1 = "ab ab", c2 = "ab";
  t.Apply(c1, cx);
  t.Apply(c2, cx);  // a second chunk of the same document
  EXPECT_EQ(t.slots[1].documentSaving, -9);
  EXPECT_EQ(t.FinishDocument(), -9);
  EXPECT_EQ(pumped, 2);
  t.StartDocument();
  std::string c3 = "ab";
  t.Apply(c3, cx);
  EXPECT_EQ(t.FinishDocument(), -3);
  EXPECT_EQ(t.runCustomSaving, -12);
  t.ZeroRun();
  EXPECT_EQ(t.runCustomSaving, 0);
}

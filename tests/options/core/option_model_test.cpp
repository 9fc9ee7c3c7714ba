#include "options/core/option_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>

#include "replace/core/terms.h"

using namespace sw;

namespace {

// A profile in memory that keeps every write in order.
struct MemProfile : Profile {
  std::map<std::string, std::string> values;  // "section/key"
  std::vector<std::string> writes;            // "section/key=value"
  int32_t ReadInt(const std::string& s, const std::string& k, int32_t d) const override {
    auto i = values.find(s + "/" + k);
    return i == values.end() ? d : ParseIniInt(i->second);
  }
  std::string ReadString(const std::string& s, const std::string& k, const std::string& d) const override {
    auto i = values.find(s + "/" + k);
    return i == values.end() ? d : i->second.substr(0, 255);
  }
  bool WriteString(const std::string& s, const std::string& k, const std::string& v) override {
    values[s + "/" + k] = v;
    writes.push_back(s + "/" + k + "=" + v);
    return true;
  }
  void Set(const std::string& s, const std::string& k, const std::string& v) { values[s + "/" + k] = v; }
  std::string Get(const std::string& s, const std::string& k) const {
    auto i = values.find(s + "/" + k);
    return i == values.end() ? "<missing>" : i->second;
  }
  void AddTerms(int n) {
    for (int i = 1; i <= n; ++i) Set(kCustomSection, "CustomReplace" + std::to_string(i), "t" + std::to_string(i) + "^^x^^0");
  }
};

struct AnswerPrompt : Prompt {
  std::deque<Answer> answers;
  std::vector<std::string> asked;
  Answer Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) override {
    asked.push_back(caption + "|" + text);
    EXPECT_EQ(icon, Icon::Question);
    EXPECT_EQ(buttons, Buttons::YesNo);
    if (answers.empty()) {
      ADD_FAILURE() << "unscripted: " << text;
      return Answer::No;
    }
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
};

TEST(OptionLists, ComeFromTheOptionTableInItemOrder) {
  auto h = DialogList(kTagOptions), f = DialogList(kFineTuning);
  ASSERT_EQ(h.size(), 18u);
  ASSERT_EQ(f.size(), 6u);
  EXPECT_STREQ(h[14]->key, "NoDTD");
  EXPECT_STREQ(h[14]->caption, "Strip DTD tags **");
  EXPECT_STREQ(f[0]->key, "StripNonHTML");
  EXPECT_STREQ(f[5]->key, "OptimizeScripts");
  for (size_t i = 0; i < h.size(); ++i) EXPECT_EQ(h[i]->dialogIndex, int(i));
}

TEST(TagPicker, ShowingAnEmptyProfileWritesNothing) {
  MemProfile p;
  AnswerPrompt q;
  TagPickerModel m(p, q);
  m.Show();
  m.Ok();
  EXPECT_EQ(std::count(m.hopt.begin(), m.hopt.end(), true) + std::count(m.fineopt.begin(), m.fineopt.end(), true), 0);
  EXPECT_EQ(m.wrapLimit, 255);
  EXPECT_TRUE(m.terms.empty());
  EXPECT_TRUE(p.writes.empty());
}

TEST(TagPicker, EachCheckMarkIsWrittenAtOnceUnderItsKey) {
  MemProfile p;
  AnswerPrompt q;
  TagPickerModel m(p, q);
  m.Show();
  for (int list : {TagPickerModel::kHOpt, TagPickerModel::kFineopt}) {
    for (size_t i = 0; i < m.rows(list).size(); ++i) {
      const OptionInfo* r = m.rows(list)[i];
      m.SetChecked(list, int(i), true);
      EXPECT_EQ(p.writes.back(), std::string(r->section) + "/" + r->key + "=1");
      m.SetChecked(list, int(i), false);
      EXPECT_EQ(p.writes.back(), std::string(r->section) + "/" + r->key + "=0");
    }
  }
  EXPECT_EQ(p.writes.size(), 48u);
}

TEST(TagPicker, ShowReadsValuesAboveZeroAsChecked) {
  struct Case {
    const char* stored;
    bool checked;
  };
  for (Case c : {Case{"1", true}, Case{"2", true}, Case{"0", false}, Case{"-1", false}, Case{"on", false},
                 Case{"7x", true}}) {
    MemProfile p;
    AnswerPrompt q;
    p.Set(kTagOptions, "EMToI", c.stored);
    p.Set(kFineTuning, "StripQuotes", c.stored);
    TagPickerModel m(p, q);
    m.Show();
    EXPECT_EQ(m.hopt[1], c.checked) << c.stored;
    EXPECT_EQ(m.fineopt[3], c.checked) << c.stored;
  }
}

TEST(TagPicker, PresetsWriteExactlyTheirColumnAndClearTheTermFlags) {
  for (Preset preset : {Preset::Safe, Preset::Maximum}) {
    MemProfile p;
    AnswerPrompt q;
    p.Set(kFineTuning, "WordWrap", "80");
    p.Set(kTagOptions, "MSNSOnly", "1");
    p.Set(kTagOptions, "StandardizeChars", "6");
    p.AddTerms(3);
    for (int n = 1; n <= 3; ++n) p.Set(kCustomSection, "ExecCustomReplace" + std::to_string(n), "1");
    TagPickerModel m(p, q);
    m.Show();
    ASSERT_EQ(m.terms.size(), 3u);
    EXPECT_TRUE(m.terms[2].checked);

    q.answers = {Answer::No};
    EXPECT_FALSE(m.PickPreset(preset));
    EXPECT_TRUE(p.writes.empty());

    q.answers = {Answer::Yes};
    ASSERT_TRUE(m.PickPreset(preset));
    std::string name = preset == Preset::Safe ? "safe" : "maximum";
    EXPECT_EQ(q.asked.back(), "About to reset all options|Reset all options to the \"" + name + "\" optimization set?");
    std::vector<std::string> expected;
    for (const auto& r : OptionTable()) {
      if (r.dialogIndex < 0) continue;
      int v = preset == Preset::Safe ? r.safe : r.maximum;
      expected.push_back(std::string(r.section) + "/" + r.key + "=" + (v ? "1" : "0"));
    }
    for (int n = 1; n <= 3; ++n) expected.push_back(std::string(kCustomSection) + "/ExecCustomReplace" + std::to_string(n) + "=0");
    EXPECT_EQ(p.writes, expected);
    EXPECT_EQ(p.Get(kFineTuning, "WordWrap"), "80");
    EXPECT_EQ(p.Get(kTagOptions, "StandardizeChars"), "6");
    // The marks shown agree with what was written.
    for (size_t i = 0; i < m.hopt.size(); ++i) EXPECT_EQ(m.hopt[i], p.ReadInt(kTagOptions, m.rows(0)[i]->key, 0) == 1);
    for (const auto& t : m.terms) EXPECT_FALSE(t.checked);
    // After a preset the run applies no term.
    CustomTermTable table;
    table.Load(p);
    for (int n = 1; n <= 3; ++n) EXPECT_FALSE(table.slots[size_t(n)].enabled);
  }
}

TEST(TagPicker, ShowingTwiceListsEachTermOnce) {
  MemProfile p;
  AnswerPrompt q;
  p.AddTerms(4);
  TagPickerModel m(p, q);
  m.Show();
  m.Show();
  EXPECT_EQ(m.terms.size(), 4u);
}

TEST(TagPicker, OnlyTheFirst31TermsCanBeChecked) {
  MemProfile p;
  AnswerPrompt q;
  p.AddTerms(35);
  p.Set(kCustomSection, "ExecCustomReplace31", "1");
  p.Set(kCustomSection, "ExecCustomReplace33", "1");
  TagPickerModel m(p, q);
  m.Show();
  ASSERT_EQ(m.terms.size(), 35u);
  EXPECT_TRUE(m.terms[30].checked);
  EXPECT_TRUE(m.terms[30].Checkable());
  EXPECT_FALSE(m.terms[32].checked);  // the run never reads that flag
  for (int line : {31, 32, 34}) {
    EXPECT_FALSE(m.terms[size_t(line)].Checkable());
    EXPECT_FALSE(m.SetTermChecked(line, true));
  }
  EXPECT_TRUE(p.writes.empty());
  EXPECT_TRUE(m.SetTermChecked(0, true));
  EXPECT_EQ(p.writes, std::vector<std::string>{std::string(kCustomSection) + "/ExecCustomReplace1=1"});
}

TEST(TagPicker, TermChecksFollowTheEntryNumberTheRunUses) {
  // Entry 2 has no separator, so it is not listed; entry 3 is the second line.
  MemProfile p;
  AnswerPrompt q;
  p.Set(kCustomSection, "CustomReplace1", "a^^b^^0");
  p.Set(kCustomSection, "CustomReplace2", "broken");
  p.Set(kCustomSection, "CustomReplace3", "cat^^dog^^1");
  p.Set(kCustomSection, "CustomReplace4", "x^^^^0");
  p.Set(kCustomSection, "ExecCustomReplace4", "1");  // flag 3 missing: line 3 still shows its own
  TagPickerModel m(p, q);
  m.Show();
  ASSERT_EQ(m.terms.size(), 3u);
  EXPECT_EQ(m.terms[1].text, "Replace cat with dog (case sensitive)");
  EXPECT_TRUE(m.terms[2].checked);
  ASSERT_TRUE(m.SetTermChecked(1, true));
  EXPECT_EQ(p.Get(kCustomSection, "ExecCustomReplace3"), "1");
  EXPECT_EQ(p.Get(kCustomSection, "ExecCustomReplace2"), "<missing>");
  // The run applies exactly the terms that are checked.
  CustomTermTable table;
  table.Load(p);
  EXPECT_EQ(table.count, 4);
  EXPECT_TRUE(table.slots[3].enabled);
  EXPECT_EQ(table.slots[3].searchText, "cat");
  EXPECT_TRUE(table.slots[4].enabled);
  EXPECT_FALSE(table.slots[2].enabled);

  q.answers = {Answer::Yes};
  m.PickPreset(Preset::Safe);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(p.Get(kCustomSection, "ExecCustomReplace" + std::to_string(n)), "0") << n;
}

TEST(TagPicker, TermDisplayLines) {
  struct Case {
    const char* stored;
    std::string line;
  };
  std::string longText(120, 'a');
  for (const Case& c : {Case{"<b>^^<strong>^^0", "Replace <b> with <strong> (case insensitive)"},
                        Case{"x^^^^1", "Delete x (case sensitive)"},
                        Case{"x^^y", "Replace x with y (case insensitive)"},
                        Case{"x^^y^^", "Replace x with y (case sensitive)"},
                        Case{"^^y^^0", "Replace  with y (case insensitive)"}}) {
    MemProfile p;
    AnswerPrompt q;
    p.Set(kCustomSection, "CustomReplace1", c.stored);
    TagPickerModel m(p, q);
    m.Show();
    ASSERT_EQ(m.terms.size(), 1u) << c.stored;
    EXPECT_EQ(m.terms[0].text, c.line);
  }
  EXPECT_EQ(TermDisplayLine(longText, longText, "0"),
            "Replace " + longText.substr(0, 99) + " with " + longText.substr(0, 99) + " (case insensitive)");
}

TEST(TagPicker, WrapLimitIsWrittenOnOkOnlyWhenEdited) {
  struct Case {
    const char* stored;  // nullptr: missing
    int shown;
  };
  for (Case c : {Case{nullptr, 255}, Case{"80", 80}, Case{"12", 30}, Case{"20000", 9999}, Case{"abc", 30},
                 Case{"-5", 30}}) {
    MemProfile p;
    AnswerPrompt q;
    if (c.stored) p.Set(kFineTuning, "WordWrap", c.stored);
    TagPickerModel m(p, q);
    m.Show();
    EXPECT_EQ(m.wrapLimit, c.shown);
    m.Ok();
    EXPECT_TRUE(p.writes.empty()) << (c.stored ? c.stored : "missing");
    m.WrapLimitEdited(80);
    m.Show();  // showing again forgets an edit that was not confirmed
    m.Ok();
    EXPECT_TRUE(p.writes.empty());
    m.WrapLimitEdited(85);
    m.Ok();
    EXPECT_EQ(p.Get(kFineTuning, "WordWrap"), "85");
  }
}

TEST(SpecialChars, OpeningShowsTheStoredValueAndWritesNothing) {
  struct Case {
    const char* stored;
    EntityChoice choice;
    bool singleQ, iso;
  };
  for (Case c : {Case{nullptr, EntityChoice::NoStd, false, false}, Case{"0", EntityChoice::NoStd, false, false},
                 Case{"-3", EntityChoice::NoStd, false, false}, Case{"1", EntityChoice::StdSpaces, false, false},
                 Case{"2", EntityChoice::StdChars, false, false}, Case{"6", EntityChoice::StdChars, true, false},
                 Case{"10", EntityChoice::StdChars, false, true}, Case{"14", EntityChoice::StdChars, true, true},
                 Case{"3", EntityChoice::StdChars, false, false}}) {
    MemProfile p;
    if (c.stored) p.Set(kTagOptions, "StandardizeChars", c.stored);
    SpecialCharsModel m(p);
    m.Open();
    const char* s = c.stored ? c.stored : "missing";
    EXPECT_EQ(m.choice, c.choice) << s;
    EXPECT_EQ(m.singleQ, c.singleQ) << s;
    EXPECT_EQ(m.isoTag, c.iso) << s;
    EXPECT_EQ(m.SubControlsEnabled(), c.choice == EntityChoice::StdChars) << s;
    EXPECT_TRUE(p.writes.empty()) << s;
  }
}

TEST(SpecialChars, EveryClickWritesTheValue) {
  enum Step { All, Spaces, None, SingleQ, NoExcept, IsoOn, IsoOff };
  struct Case {
    const char* stored;
    std::vector<Step> steps;
    std::vector<std::string> written;
  };
  const std::vector<Case> cases = {
      {"2", {SingleQ}, {"6"}},
      {"10", {SingleQ}, {"14"}},
      {"0", {All}, {"2"}},
      {"0", {All, IsoOn, SingleQ, NoExcept}, {"2", "10", "14", "10"}},
      {"14", {None}, {"0"}},
      {"14", {Spaces}, {"1"}},
      // The sub-controls keep their states while off and count again under "all".
      {"14", {None, All}, {"0", "14"}},
      // Disabled sub-controls do nothing.
      {"1", {SingleQ, IsoOn}, {}},
      {"6", {IsoOff, None, IsoOn, All}, {"6", "0", "6"}},
  };
  for (const auto& c : cases) {
    MemProfile p;
    p.Set(kTagOptions, "StandardizeChars", c.stored);
    SpecialCharsModel m(p);
    m.Open();
    for (Step s : c.steps) {
      switch (s) {
        case All: m.Select(EntityChoice::StdChars); break;
        case Spaces: m.Select(EntityChoice::StdSpaces); break;
        case None: m.Select(EntityChoice::NoStd); break;
        case SingleQ: m.SetSingleQ(true); break;
        case NoExcept: m.SetSingleQ(false); break;
        case IsoOn: m.SetIsoTag(true); break;
        case IsoOff: m.SetIsoTag(false); break;
      }
    }
    std::vector<std::string> got;
    for (const auto& w : p.writes) got.push_back(w.substr(w.find('=') + 1));
    EXPECT_EQ(got, c.written) << c.stored;
  }
}

TEST(FontTagOpt, OpensFromTheStoredSwitchAndWritesEachClick) {
  struct Case {
    const char* stored;
    bool checked;
  };
  for (Case c : {Case{nullptr, false}, Case{"1", true}, Case{"3", true}, Case{"0", false}, Case{"x", false}}) {
    MemProfile p;
    if (c.stored) p.Set(kTagOptions, "MSNSOnly", c.stored);
    FontTagOptModel m(p);
    m.Open();
    EXPECT_EQ(m.nsms, c.checked);
    EXPECT_TRUE(p.writes.empty());
    m.SetNSMS(!c.checked);
    EXPECT_EQ(p.Get(kTagOptions, "MSNSOnly"), c.checked ? "0" : "1");
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "app/mainwindow.h"
#include "options/finetune.h"
#include "options/tagpicker.h"
#include "platform/help.h"
#include "platform/inifile.h"
#include "tests/app/test_support.h"

using namespace sw;
using swtest::ReadFile;
using swtest::WriteFile;
namespace fs = std::filesystem;

namespace {

struct OptionsFixture : ::testing::Test {
  swtest::TempDir tmp;
  swtest::ScriptedPrompt prompt;
  swtest::FakeStarter starter;
  std::string path = tmp / "slimwright.INI";
  IniFile ini{path};
  HelpSystem help{starter, tmp / "help/index.html"};

  void SetUp() override {
    WriteFile(tmp / "help/index.html", "<html></html>");
    help.browserCommand = [] { return std::string(); };
  }
  template <class T>
  static T* Get(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  static void Click(QWidget& w, const char* name) {
    auto* b = w.findChild<QAbstractButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2));
  }
  static std::vector<bool> Marks(QListWidget* l) {
    std::vector<bool> m;
    for (int i = 0; i < l->count(); ++i) m.push_back(l->item(i)->checkState() == Qt::Checked);
    return m;
  }
  void AddTerms(int n) {
    for (int i = 1; i <= n; ++i)
      ini.WriteString(kCustomSection, "CustomReplace" + std::to_string(i), "w" + std::to_string(i) + "^^v^^0");
  }
  std::string Value(const char* section, const std::string& key) { return ini.ReadString(section, key, "<missing>"); }
};

TEST_F(OptionsFixture, AnEmptyProfileShowsEverythingOffAndIsNotWritten) {
  TTagPicker w(ini, prompt, &help);
  w.show();
  EXPECT_EQ(Get<QListWidget>(w, "HOpt")->count(), 18);
  EXPECT_EQ(Get<QListWidget>(w, "Fineopt")->count(), 6);
  EXPECT_EQ(Get<QListWidget>(w, "HOpt")->item(14)->text(), "Strip DTD tags **");
  EXPECT_EQ(Marks(Get<QListWidget>(w, "HOpt")), std::vector<bool>(18, false));
  EXPECT_EQ(Marks(Get<QListWidget>(w, "Fineopt")), std::vector<bool>(6, false));
  EXPECT_EQ(Get<QSpinBox>(w, "WrapLimit")->value(), 255);
  EXPECT_EQ(Get<QListWidget>(w, "CTags")->count(), 0);
  Click(w, "bOK");
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(prompt.boxes.empty());
}

TEST_F(OptionsFixture, CheckMarksAreWrittenAtOnceAndCancelUndoesNothing) {
  TTagPicker w(ini, prompt, &help);
  EXPECT_FALSE(w.isModal());
  w.show();
  Get<QListWidget>(w, "HOpt")->item(14)->setCheckState(Qt::Checked);
  EXPECT_EQ(Value(kTagOptions, "NoDTD"), "1");
  Get<QListWidget>(w, "Fineopt")->item(4)->setCheckState(Qt::Checked);
  EXPECT_EQ(Value(kFineTuning, "CRLFToLF"), "1");
  Get<QListWidget>(w, "Fineopt")->item(4)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(Value(kFineTuning, "CRLFToLF"), "0");
  // Neither a text change nor Escape writes or closes anything.
  Get<QListWidget>(w, "HOpt")->item(0)->setText("<STRONG> to <B>");
  EXPECT_EQ(Value(kTagOptions, "STRONGtoB"), "<missing>");
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_TRUE(w.isVisible());
  Click(w, "bCancel");
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(Value(kTagOptions, "NoDTD"), "1");
  EXPECT_EQ(LoadOptionSet(ini).on[size_t(Opt::NoDTD)], true);
}

TEST_F(OptionsFixture, PresetsAskThenWriteTheirColumnAndClearTheTerms) {
  struct Case {
    const char* button;
    const char* question;
    Preset preset;
  };
  for (Case c : {Case{"Picksafe", "Reset all options to the \"safe\" optimization set?", Preset::Safe},
                 Case{"Pickmax", "Reset all options to the \"maximum\" optimization set?", Preset::Maximum}}) {
    fs::remove(path);
    prompt.boxes.clear();
    ini.WriteString(kFineTuning, "WordWrap", "120");
    ini.WriteString(kTagOptions, "NoDTD", "1");
    AddTerms(3);
    for (int n = 1; n <= 3; ++n) ini.WriteString(kCustomSection, "ExecCustomReplace" + std::to_string(n), "1");
    TTagPicker w(ini, prompt, &help);
    w.show();
    EXPECT_EQ(Marks(Get<QListWidget>(w, "CTags")), std::vector<bool>(3, true));

    std::string before = ReadFile(path);
    prompt.Answer("About to reset all options", Answer::No);
    Click(w, c.button);
    EXPECT_EQ(ReadFile(path), before);

    prompt.Answer("About to reset all options", Answer::Yes);
    Click(w, c.button);
    ASSERT_EQ(prompt.boxes.size(), 2u);
    EXPECT_EQ(prompt.boxes[1].text, c.question);
    EXPECT_EQ(prompt.boxes[1].icon, Icon::Question);
    EXPECT_EQ(prompt.boxes[1].buttons, Buttons::YesNo);
    std::vector<bool> hopt, fine;
    for (const auto& r : OptionTable()) {
      if (r.dialogIndex < 0) continue;
      int want = c.preset == Preset::Safe ? r.safe : r.maximum;
      EXPECT_EQ(Value(r.section, r.key), want ? "1" : "0") << r.key;
      (std::string(r.section) == kTagOptions ? hopt : fine).push_back(want == 1);
    }
    EXPECT_EQ(Marks(Get<QListWidget>(w, "HOpt")), hopt);
    EXPECT_EQ(Marks(Get<QListWidget>(w, "Fineopt")), fine);
    EXPECT_EQ(Marks(Get<QListWidget>(w, "CTags")), std::vector<bool>(3, false));
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Value(kCustomSection, "ExecCustomReplace" + std::to_string(n)), "0");
    EXPECT_EQ(Value(kFineTuning, "WordWrap"), "120");
    // Exactly the 24 option keys, the three flags and what was there before.
    EXPECT_EQ(ini.ReadSection(kTagOptions).size() + ini.ReadSection(kFineTuning).size(), 25u);  // WordWrap too
    EXPECT_EQ(ini.ReadSection(kCustomSection).size(), 6u);
  }
}

TEST_F(OptionsFixture, ShowingAgainRereadsTheProfileAndListsEachTermOnce) {
  AddTerms(2);
  ini.WriteString(kTagOptions, "EMToI", "1");
  TTagPicker w(ini, prompt, &help);
  w.show();
  w.hide();
  w.show();
  EXPECT_EQ(Get<QListWidget>(w, "CTags")->count(), 2);
  EXPECT_TRUE(Marks(Get<QListWidget>(w, "HOpt"))[1]);
  Click(w, "bOK");
  // The main window opened a profile with fewer options on.
  ini.WriteString(kTagOptions, "EMToI", "0");
  w.show();
  EXPECT_FALSE(Marks(Get<QListWidget>(w, "HOpt"))[1]);
}

TEST_F(OptionsFixture, TermsPastThe31stAreListedButCannotBeChecked) {
  AddTerms(35);
  ini.WriteString(kCustomSection, "ExecCustomReplace33", "1");
  TTagPicker w(ini, prompt, &help);
  w.show();
  auto* tags = Get<QListWidget>(w, "CTags");
  ASSERT_EQ(tags->count(), 35);
  EXPECT_EQ(tags->item(0)->text(), "Replace w1 with v (case insensitive)");
  EXPECT_TRUE(tags->item(30)->flags() & Qt::ItemIsUserCheckable);
  for (int line : {31, 32, 34}) {
    QListWidgetItem* item = tags->item(line);
    EXPECT_FALSE(item->flags() & Qt::ItemIsEnabled) << line;
    EXPECT_FALSE(item->flags() & Qt::ItemIsUserCheckable) << line;
    EXPECT_EQ(item->checkState(), Qt::Unchecked) << line;
    EXPECT_NE(item->toolTip().indexOf("first 31 terms"), -1);
  }
  std::string before = ReadFile(path);
  tags->item(32)->setCheckState(Qt::Checked);  // as if forced past the disabled state
  EXPECT_EQ(tags->item(32)->checkState(), Qt::Unchecked);
  EXPECT_EQ(ReadFile(path), before);
  tags->item(30)->setCheckState(Qt::Checked);
  EXPECT_EQ(Value(kCustomSection, "ExecCustomReplace31"), "1");
}

TEST_F(OptionsFixture, WordWrapIsWrittenOnOkOnlyWhenEdited) {
  struct Case {
    const char* stored;  // nullptr: missing
    int shown;
    const char* typed;  // nullptr: not edited
    const char* after;
  };
  for (Case c : {Case{nullptr, 255, nullptr, "<missing>"}, Case{"12", 30, nullptr, "12"},
                 Case{"20000", 9999, nullptr, "20000"}, Case{nullptr, 255, "80", "80"},
                 Case{"12", 30, "35", "35"}}) {
    fs::remove(path);
    if (c.stored) ini.WriteString(kFineTuning, "WordWrap", c.stored);
    TTagPicker w(ini, prompt, &help);
    w.show();
    auto* spin = Get<QSpinBox>(w, "WrapLimit");
    EXPECT_EQ(spin->value(), c.shown);
    if (c.typed) {
      spin->selectAll();
      QTest::keyClicks(spin, c.typed);
    }
    Click(w, "bOK");
    EXPECT_EQ(Value(kFineTuning, "WordWrap"), c.after) << (c.stored ? c.stored : "missing");
  }
}

TEST_F(OptionsFixture, EntityDialogShowsEachStoredValueWithoutWriting) {
  struct Case {
    int stored;
    const char* selected;
    bool singleQ, iso;
  };
  for (Case c : {Case{0, "NoStd", false, false}, Case{1, "StdSpaces", false, false},
                 Case{2, "StdChars", false, false}, Case{6, "StdChars", true, false},
                 Case{10, "StdChars", false, true}, Case{14, "StdChars", true, true}}) {
    ini.WriteString(kTagOptions, "StandardizeChars", std::to_string(c.stored));
    std::string before = ReadFile(path);
    TSpecialChars d(ini, &help);
    d.show();
    EXPECT_TRUE(Get<QRadioButton>(d, c.selected)->isChecked()) << c.stored;
    EXPECT_EQ(Get<QRadioButton>(d, "SingleQ")->isChecked(), c.singleQ) << c.stored;
    EXPECT_EQ(Get<QRadioButton>(d, "NoExcept")->isChecked(), !c.singleQ) << c.stored;
    EXPECT_EQ(Get<QCheckBox>(d, "ISOTag")->isChecked(), c.iso) << c.stored;
    bool all = std::string(c.selected) == "StdChars";
    for (const char* n : {"SingleQ", "NoExcept", "ISOTag"})
      EXPECT_EQ(Get<QAbstractButton>(d, n)->isEnabled(), all) << c.stored << " " << n;
    Click(d, "bOK");
    EXPECT_EQ(ReadFile(path), before) << c.stored;
  }
}

TEST_F(OptionsFixture, EntityDialogWritesEveryClick) {
  struct Case {
    int stored;
    std::vector<const char*> clicks;
    std::vector<int> values;  // stored after each click
  };
  const std::vector<Case> cases = {
      {2, {"SingleQ", "ISOTag", "NoExcept"}, {6, 14, 10}},
      {0, {"StdChars", "SingleQ"}, {2, 6}},
      {14, {"NoStd", "StdChars"}, {0, 14}},
      {14, {"StdSpaces", "NoStd", "StdChars", "ISOTag"}, {1, 0, 14, 6}},
  };
  for (const auto& c : cases) {
    ini.WriteString(kTagOptions, "StandardizeChars", std::to_string(c.stored));
    TSpecialChars d(ini, &help);
    d.show();
    for (size_t i = 0; i < c.clicks.size(); ++i) {
      Click(d, c.clicks[i]);
      EXPECT_EQ(ini.ReadInt(kTagOptions, "StandardizeChars", -1), c.values[i]) << c.stored << " " << c.clicks[i];
      bool all = Get<QRadioButton>(d, "StdChars")->isChecked();
      EXPECT_EQ(Get<QCheckBox>(d, "ISOTag")->isEnabled(), all);
    }
    Click(d, "bCancel");
    EXPECT_EQ(ini.ReadInt(kTagOptions, "StandardizeChars", -1), c.values.back());
  }
}

TEST_F(OptionsFixture, FontDialogWritesTheSwitchAndCancelKeepsIt) {
  TFontTagOpt d(ini, &help);
  d.show();
  EXPECT_FALSE(Get<QCheckBox>(d, "NSMS")->isChecked());
  EXPECT_FALSE(fs::exists(path));
  Click(d, "NSMS");
  EXPECT_EQ(Value(kTagOptions, "MSNSOnly"), "1");
  QTest::keyClick(&d, Qt::Key_Escape);
  EXPECT_TRUE(d.isVisible());
  Click(d, "bCancel");
  EXPECT_EQ(Value(kTagOptions, "MSNSOnly"), "1");
  TFontTagOpt again(ini, &help);
  EXPECT_TRUE(Get<QCheckBox>(again, "NSMS")->isChecked());
}

TEST_F(OptionsFixture, HelpOpensEachWindowsOwnTopic) {
  TTagPicker picker(ini, prompt, &help);
  TSpecialChars chars(ini, &help);
  TFontTagOpt font(ini, &help);
  struct Case {
    QWidget* w;
    const char* anchor;
  };
  for (Case c : {Case{&picker, "#ctx-26500"}, Case{&chars, "#ctx-71326"}, Case{&font, "#ctx-73326"}}) {
    starter.calls.clear();
    Click(*c.w, "bHelp");
    ASSERT_EQ(starter.calls.size(), 1u);
    EXPECT_NE(starter.calls[0].args.back().find(c.anchor), std::string::npos) << starter.calls[0].args.back();
  }
  // The help really has those topics.
  std::string page = ReadFile(std::string(SW_SOURCE_DIR) + "/docs/help/index.html");
  for (const char* id : {"ctx-26500", "ctx-71326", "ctx-73326"})
    EXPECT_NE(page.find("id=\"" + std::string(id) + "\""), std::string::npos) << id;
}

// The fine-tuning buttons open their dialogs modally, one at a time.
TEST_F(OptionsFixture, FineTuningButtonsOpenTheirDialogs) {
  ini.WriteString(kTagOptions, "StandardizeChars", "6");
  TTagPicker w(ini, prompt, &help);
  w.show();
  struct Case {
    const char* button;
    const char* dialog;
  };
  for (Case c : {Case{"TuneEntities", "TSpecialChars"}, Case{"Fontopt", "TFontTagOpt"}}) {
    std::string seen;
    QTimer::singleShot(0, [&] {
      QWidget* m = QApplication::activeModalWidget();
      ASSERT_NE(m, nullptr);
      seen = m->objectName().toStdString();
      Click(*m, "bOK");
    });
    Click(w, c.button);
    EXPECT_EQ(seen, c.dialog);
  }
  EXPECT_EQ(Value(kTagOptions, "StandardizeChars"), "6");
  EXPECT_TRUE(w.isVisible());
}

TEST_F(OptionsFixture, MainWindowShowsTheOptionsWindowBesideIt) {
  ini.WriteString(kGeneralOptions, "UsedOnce", "1");
  WritePreset(ini, Preset::Safe);
  MainModel model(tmp.path(), prompt, starter);
  TTabform main(model);
  ASSERT_TRUE(main.Init());
  main.show();
  ASSERT_NE(main.tagPicker(), nullptr);
  EXPECT_FALSE(main.tagPicker()->isVisible());
  auto* button = main.findChild<QPushButton*>("Taglist1");
  ASSERT_TRUE(button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  TTagPicker* w = main.tagPicker();
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(Marks(Get<QListWidget>(*w, "HOpt"))[9], true);  // StripEmpties is in the safe preset
  Get<QListWidget>(*w, "HOpt")->item(10)->setCheckState(Qt::Checked);
  EXPECT_EQ(LoadOptionSet(model.ini).on[size_t(Opt::StripComments)], true);
  main.showMinimized();
  Click(*w, "bOK");
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(main.isVisible());
  EXPECT_FALSE(main.isMinimized());
  // The same window comes back, not a new one.
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(main.tagPicker(), w);
  EXPECT_TRUE(w->isVisible());
  main.close();
  EXPECT_FALSE(w->isVisible());
}

}  // namespace

namespace {

// Renders the README's pictures of the options windows.
TEST_F(OptionsFixture, Screenshots) {
  const std::string out = swtest::ScreenshotFolder();
  WritePreset(ini, Preset::Safe);
  ini.WriteString(kTagOptions, "StandardizeChars", "2");
  ini.WriteString(kFineTuning, "WordWrap", "120");
  const char* terms[] = {"<font face=\"Arial\">^^<font face=Arial>^^0", "&nbsp;&nbsp;^^&nbsp; ^^1",
                         "<!-- webbot bot=\"Timestamp\" -->^^^^0", "http://www.example.com/^^/^^0"};
  for (int i = 0; i < 4; ++i) ini.WriteString(kCustomSection, "CustomReplace" + std::to_string(i + 1), terms[i]);
  ini.WriteString(kCustomSection, "ExecCustomReplace1", "1");
  ini.WriteString(kCustomSection, "ExecCustomReplace3", "1");
  TTagPicker w(ini, prompt, &help);
  w.show();
  QApplication::processEvents();
  EXPECT_TRUE(w.grab().save(QString::fromStdString(out + "/options-window.png")));
  TSpecialChars chars(ini, &help);
  chars.show();
  QApplication::processEvents();
  EXPECT_TRUE(chars.grab().save(QString::fromStdString(out + "/entity-dialog.png")));
  TFontTagOpt font(ini, &help);
  font.show();
  QApplication::processEvents();
  EXPECT_TRUE(font.grab().save(QString::fromStdString(out + "/font-dialog.png")));
}

}  // namespace

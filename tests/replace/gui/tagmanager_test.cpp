#include "replace/gui/tagmanager.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "../../app/test_support.h"
#include "engine/options.h"
#include "preview/hslistbox.h"

using namespace sw;

namespace {

struct TagManagerFixture : ::testing::Test {
  swtest::TempDir tmp;
  swtest::ScriptedPrompt prompt;
  IniFile ini{tmp / "slimwright.INI"};
  QWidget mainWindow;  // outlives the editor, which shows it again on closing
  std::unique_ptr<TTagManager> dlg;

  void Entries(const std::vector<std::string>& e) {
    for (size_t i = 0; i < e.size(); ++i) ini.WriteString(kCustomSection, "CustomReplace" + std::to_string(i + 1), e[i]);
  }
  void Open() {
    dlg = std::make_unique<TTagManager>(ini, prompt, nullptr, &mainWindow);
    dlg->show();
  }
  template <class T>
  T* Find(const char* name) {
    T* w = dlg->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QStringList Lines() { return static_cast<THSListBox*>(Find<QListWidget>("ListBox1"))->Lines(); }
  void Type(const QString& search, const QString& replace, bool matchCase) {
    Find<QLineEdit>("Oldtag")->setText(search);
    Find<QLineEdit>("Newtag")->setText(replace);
    Find<QCheckBox>("MatchCase")->setChecked(matchCase);
    QTest::mouseClick(Find<QPushButton>("TagUpdate"), Qt::LeftButton);
  }
  void Select(int row) { Find<QListWidget>("ListBox1")->setCurrentRow(row); }
  void DoubleClick(int row) {
    auto* l = Find<QListWidget>("ListBox1");
    l->setCurrentRow(row);
    Q_EMIT l->itemDoubleClicked(l->item(row));
  }
  void RightClick() { Q_EMIT Find<QListWidget>("ListBox1")->customContextMenuRequested(QPoint(5, 5)); }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
};

TEST_F(TagManagerFixture, TypedPairsSurviveOkAndReopenAsTyped) {
  struct Pair {
    QString search, replace;
    bool matchCase;
    QString line;
  };
  const Pair pairs[] = {
      {"<STRONG>", "<B>", false, "Replace <STRONG> with <B> (case insensitive)"},
      {"<!-- nav -->", "", true, "Delete <!-- nav --> (case sensitive)"},
      {"one with two", "1 with 2", false, "Replace one with two with 1 with 2 (case insensitive)"},
      {"a (case b", "insensitive", true, "Replace a (case b with insensitive (case sensitive)"},
      {"sensitive)", "", false, "Delete sensitive) (case insensitive)"},
      {"caf\u00e9 ", "x", true, "Replace caf\u00e9  with x (case sensitive)"},
  };
  Open();
  EXPECT_EQ(Lines(), QStringList{kNoTermsLine});
  for (const Pair& p : pairs) {
    if (p.replace.size() >= p.search.size()) prompt.Answer(kNonOptimizingCaption, Answer::Yes);
    Type(p.search, p.replace, p.matchCase);
    EXPECT_TRUE(Find<QLineEdit>("Oldtag")->text().isEmpty()) << p.line.toStdString();
  }
  QStringList want;
  for (const Pair& p : pairs) want << p.line;
  EXPECT_EQ(Lines(), want);
  Click("bOK");
  EXPECT_EQ(prompt.Captions().back(), kTermsChangedCaption);
  EXPECT_EQ(ini.ReadString(kCustomSection, "CustomReplace3", ""), "one with two^^1 with 2^^0");

  Open();
  EXPECT_EQ(Lines(), want);
  for (int i = 0; i < int(std::size(pairs)); ++i) {
    DoubleClick(i);
    EXPECT_EQ(Find<QLineEdit>("Oldtag")->text(), pairs[i].search) << i;
    EXPECT_EQ(Find<QLineEdit>("Newtag")->text(), pairs[i].replace) << i;
    EXPECT_EQ(Find<QCheckBox>("MatchCase")->isChecked(), pairs[i].matchCase) << i;
  }
}

TEST_F(TagManagerFixture, EditedLineIsReplacedInPlace) {
  Entries({"<EM>^^<I>^^0", "<STRONG>^^<B>^^0"});
  Open();
  DoubleClick(0);
  Type("<EM>", "", true);
  EXPECT_EQ(Lines(), (QStringList{"Delete <EM> (case sensitive)", "Replace <STRONG> with <B> (case insensitive)"}));
  // Match case keeps its state for the next pair.
  EXPECT_TRUE(Find<QCheckBox>("MatchCase")->isChecked());
  EXPECT_FALSE(Find<QPushButton>("TagUpdate")->isEnabled());
}

TEST_F(TagManagerFixture, UnstorablePairIsRefusedAndTheFieldsStay) {
  Entries({"ab^^a^^0"});
  Open();
  const char* bad[][2] = {{"a^^b", "x"}, {"abc", "b^"}, {" lead", "l"}};
  for (auto& b : bad) {
    Type(b[0], b[1], false);
    EXPECT_EQ(prompt.Captions().back(), kBadPairCaption) << b[0];
    EXPECT_EQ(Find<QLineEdit>("Oldtag")->text(), b[0]);
    EXPECT_EQ(Find<QLineEdit>("Newtag")->text(), b[1]);
    EXPECT_EQ(Lines().size(), 1);
  }
  std::string longSearch(300, 'x');
  Type(QString::fromStdString(longSearch), "", false);
  EXPECT_EQ(prompt.Captions().back(), kBadPairCaption);
  EXPECT_EQ(Lines().size(), 1);
}

TEST_F(TagManagerFixture, UpdateFollowsTheSearchField) {
  Open();
  auto* update = Find<QPushButton>("TagUpdate");
  EXPECT_FALSE(update->isEnabled());
  Find<QLineEdit>("Newtag")->setText("x");
  EXPECT_FALSE(update->isEnabled());
  Find<QLineEdit>("Oldtag")->setText("ab");
  EXPECT_TRUE(update->isEnabled());
  Find<QLineEdit>("Oldtag")->clear();
  EXPECT_FALSE(update->isEnabled());
}

TEST_F(TagManagerFixture, MalformedEntriesAreWarnedAboutAndDroppedOnOk) {
  Entries({"a^^b^^0", "cc^^d^^1", "no separator"});
  ini.WriteString(kCustomSection, "ExecCustomReplace1", "1");
  Open();
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Slimwright error"});
  EXPECT_EQ(prompt.boxes[0].icon, Icon::Warning);
  EXPECT_EQ(Lines(), (QStringList{"Replace a with b (case insensitive)", "Replace cc with d (case sensitive)"}));
  Click("bOK");
  EXPECT_EQ(ini.ReadSection(kCustomSection),
            (std::vector<std::pair<std::string, std::string>>{{"CustomReplace1", "a^^b^^0"},
                                                               {"CustomReplace2", "cc^^d^^1"}}));
  EXPECT_EQ(prompt.Find(kTermsChangedCaption)->text,
            "Be sure that the selected options in the HTML Optimization Options dialog reflect changes you have "
            "made to this list, or your next optimization may result in unwanted changes to your documents.");
}

TEST_F(TagManagerFixture, ContextMenuRules) {
  Open();
  QMenu* menu = dlg->menu();
  // The placeholder line offers no menu.
  Select(0);
  RightClick();
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Options menu not available"});
  EXPECT_FALSE(menu->isVisible());
  Type("<STRONG>", "<B>", false);
  Type("<EM>", "<I>", false);
  Find<QListWidget>("ListBox1")->clearSelection();
  RightClick();
  EXPECT_EQ(prompt.Captions().size(), 2u);  // nothing selected
  EXPECT_FALSE(menu->isVisible());

  struct Step {
    const char* what;
    bool editing;
  };
  for (Step s : {Step{"browsing", false}, Step{"editing", true}, Step{"after Update", false}}) {
    if (std::string(s.what) == "editing") DoubleClick(1);
    if (std::string(s.what) == "after Update") QTest::mouseClick(Find<QPushButton>("TagUpdate"), Qt::LeftButton);
    Select(0);
    RightClick();
    EXPECT_TRUE(menu->isVisible()) << s.what;
    EXPECT_EQ(Find<QAction>("Edittagpair1")->isEnabled(), !s.editing) << s.what;
    EXPECT_EQ(Find<QAction>("Removetagpair1")->isEnabled(), !s.editing) << s.what;
    EXPECT_EQ(Find<QAction>("NoMenu")->isVisible(), s.editing) << s.what;
    menu->hide();
  }
  EXPECT_EQ(prompt.Captions().size(), 2u);
  // Remove from the menu asks first.
  prompt.Answer("Confirming removal", Answer::Yes);
  Select(0);
  Find<QAction>("Removetagpair1")->trigger();
  EXPECT_EQ(Lines(), QStringList{"Replace <EM> with <I> (case insensitive)"});
}

TEST_F(TagManagerFixture, OkWithOnlyThePlaceholderEmptiesTheSectionSilently) {
  Entries({"a^^b^^0"});
  ini.WriteString(kCustomSection, "ExecCustomReplace1", "1");
  Open();
  prompt.Answer("Confirming removal", Answer::Yes);
  Select(0);
  QTest::keyClick(Find<QListWidget>("ListBox1"), Qt::Key_Delete);
  EXPECT_TRUE(Lines().isEmpty());  // the placeholder does not come back
  Click("bOK");
  EXPECT_TRUE(ini.ReadSection(kCustomSection).empty());
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Confirming removal"});
}

TEST_F(TagManagerFixture, CancelAsksAfterChangesAndWritesNothing) {
  Entries({"abc^^b^^0", "junk"});
  Open();
  prompt.boxes.clear();
  Click("bCancel");  // unchanged: closes at once
  EXPECT_TRUE(prompt.boxes.empty());
  EXPECT_FALSE(dlg->isVisible());

  Open();
  Type("xyz", "x", false);
  prompt.Answer("Confirming exit...", Answer::No);
  prompt.Answer("Confirming exit...", Answer::Yes);
  Click("bCancel");
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(prompt.Find("Confirming exit...")->text, "Discard any changes and close the Custom Search and Replace manager?");
  QTest::keyClick(dlg.get(), Qt::Key_Escape);  // Escape is not Cancel
  EXPECT_TRUE(dlg->isVisible());
  Click("bCancel");
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(ini.ReadString(kCustomSection, "CustomReplace2", ""), "junk");  // malformed entry kept
  EXPECT_EQ(ini.ReadString(kCustomSection, "CustomReplace3", ""), "");
}

TEST_F(TagManagerFixture, MainWindowHiddenWhileOpen) {
  mainWindow.show();
  Open();
  EXPECT_FALSE(mainWindow.isVisible());
  dlg.reset();
  EXPECT_TRUE(mainWindow.isVisible());
  EXPECT_FALSE(mainWindow.isMinimized());
}

}  // namespace

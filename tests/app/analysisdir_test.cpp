#include "app/analysisdir_model.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileSystemModel>
#include <QStorageInfo>
#include <QLabel>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "app/analysisdir.h"
#include "app/filepick.h"
#include "test_support.h"

using namespace sw;

namespace {

TEST(AnalysisDir, ProposedDirectory) {
  EXPECT_EQ(ProposedAnalysisDir("/"), "/w$t");
  EXPECT_EQ(ProposedAnalysisDir("/mnt/d/"), "/mnt/d/w$t");
  EXPECT_EQ(ProposedAnalysisDir("/mnt/d/work"), "/mnt/d/work/w$t");
}

TEST(AnalysisDir, OkStoresOnlyAfterAChangeAndAYes) {
  swtest::TempDir tmp;
  IniFile ini(tmp / "slimwright.INI");
  swtest::ScriptedPrompt prompt;
  {
    AnalysisDirModel m(ini, prompt);
    m.Ok();
    EXPECT_TRUE(prompt.boxes.empty());
  }
  AnalysisDirModel m(ini, prompt);
  m.DirectoryChanged("/srv");
  prompt.Answer("About to record new directory", Answer::No);
  m.Ok();
  EXPECT_EQ(ini.ReadString("General Options", "AnalysisPath", "none"), "none");
  prompt.Answer("About to record new directory", Answer::Yes);
  m.Ok();
  EXPECT_EQ(ini.ReadString("General Options", "AnalysisPath", ""), "/srv/w$t");
  EXPECT_EQ(prompt.boxes.back().caption, "New temporary directory recorded");
  EXPECT_EQ(prompt.boxes.back().text,
            "The /srv/w$t directory will now be used for temporary file storage when analysis mode is specified.");
  prompt.Answer("About to reset default directory", Answer::Ok);
  m.Reset();
  EXPECT_EQ(prompt.boxes.back().buttons, Buttons::OkCancel);
  EXPECT_EQ(ini.ReadString("General Options", "AnalysisPath", "x"), "");
}

TEST(AnalysisDir, WindowShowsTheProposal) {
  swtest::TempDir tmp;
  IniFile ini(tmp / "slimwright.INI");
  swtest::ScriptedPrompt prompt;
  TDirForm2 d(ini, prompt, nullptr, tmp / "systemp");
  EXPECT_EQ(d.windowTitle(), "Select analysis mode directory");
  d.SelectDirectory(QString::fromStdString(tmp.path()));
  EXPECT_EQ(d.findChild<QLabel*>("Label1")->text().toStdString(), tmp / "w$t");
  EXPECT_TRUE(d.model().changed());
}

// Moving through the tree with the keyboard changes the current item only.
TEST(AnalysisDir, TreeMovesByKeyboardChangeTheProposal) {
  swtest::TempDir tmp;
  std::filesystem::create_directories(tmp / "a/b");
  IniFile ini(tmp / "slimwright.INI");
  swtest::ScriptedPrompt prompt;
  TDirForm2 d(ini, prompt, nullptr, tmp / "systemp");
  EXPECT_FALSE(d.model().changed());
  auto* tree = d.findChild<QTreeView*>("DLB1");
  ASSERT_NE(tree, nullptr);
  auto* dirs = qobject_cast<QFileSystemModel*>(tree->model());
  ASSERT_NE(dirs, nullptr);
  auto* drives = d.findChild<QComboBox*>("DCB1");
  ASSERT_NE(drives, nullptr);
  const QString volume = QStorageInfo(QString::fromStdString(tmp.path())).rootPath();
  // Another volume shown first: the selector must follow the tree.
  for (int k = 0; k < drives->count(); ++k)
    if (drives->itemText(k) != volume) drives->setCurrentIndex(k);
  tree->setCurrentIndex(dirs->index(QString::fromStdString(tmp / "a/b")));
  EXPECT_TRUE(d.model().changed());
  if (drives->findText(volume) >= 0) EXPECT_EQ(drives->currentText(), volume);
  EXPECT_EQ(d.findChild<QLabel*>("Label1")->text().toStdString(), tmp / "a/b/w$t");
  prompt.Answer("About to record new directory", Answer::Yes);
  d.model().Ok();
  EXPECT_EQ(ini.ReadString("General Options", "AnalysisPath", ""), tmp / "a/b/w$t");
}

// The dialog opens on the working directory in effect and proposes it; OK
// without a move asks and stores nothing.
TEST(AnalysisDir, OpensOnTheDirectoryInEffect) {
  swtest::TempDir tmp;
  std::filesystem::create_directories(tmp / "systemp");
  std::filesystem::create_directories(tmp / "work");
  struct Case {
    const char* stored;  // nullptr: no AnalysisPath key
    std::string proposed, tree;
  };
  const Case cases[] = {
      {nullptr, tmp / "systemp/t$w", tmp / "systemp"},
      {"", tmp / "systemp/t$w", tmp / "systemp"},
      {"work/w$t", tmp / "work/w$t", tmp / "work"},
      {"work", tmp / "work/w$t", tmp / "work"},
      {"gone/w$t", tmp / "gone/w$t", tmp.path()},  // a folder since removed: its nearest parent
  };
  for (const Case& c : cases) {
    IniFile ini(tmp / "slimwright.INI");
    ini.DeleteKey("General Options", "AnalysisPath");
    if (c.stored) ini.WriteString("General Options", "AnalysisPath", *c.stored ? tmp / c.stored : "");
    swtest::ScriptedPrompt prompt;
    TDirForm2 d(ini, prompt, nullptr, tmp / "systemp");
    EXPECT_EQ(d.findChild<QLabel*>("Label1")->text().toStdString(), c.proposed) << c.proposed;
    auto* tree = d.findChild<QTreeView*>("DLB1");
    auto* dirs = qobject_cast<QFileSystemModel*>(tree->model());
    EXPECT_EQ(dirs->filePath(tree->currentIndex()).toStdString(), c.tree) << c.proposed;
    EXPECT_FALSE(d.model().changed());
    const std::string before = swtest::ReadFile(tmp / "slimwright.INI");
    d.model().Ok();
    EXPECT_TRUE(prompt.boxes.empty());
    EXPECT_EQ(swtest::ReadFile(tmp / "slimwright.INI"), before);
  }
}

// Both folder trees open at their start folder and keep it in view while the
// folders above it are still being read, here a long row of siblings.
TEST(FolderTrees, OpenAtTheStartFolderAndShowIt) {
  swtest::TempDir tmp;
  for (int n = 0; n < 120; ++n) std::filesystem::create_directories(tmp / ("d" + std::to_string(1000 + n)));
  const std::string start = tmp / "d1119/inner";
  std::filesystem::create_directories(start + "/w$t");
  IniFile ini(tmp / "slimwright.INI");
  ini.WriteString("General Options", "AnalysisPath", start + "/w$t");
  ini.WriteString("General Options", "LastDirectory", start);
  swtest::ScriptedPrompt prompt;
  TDirForm2 analysis(ini, prompt, nullptr, tmp.path());
  TProjFilePick builder(ini, tmp / "slimwright.lst", prompt, nullptr, nullptr);
  for (QDialog* d : {static_cast<QDialog*>(&analysis), static_cast<QDialog*>(&builder)}) {
    d->show();
    auto* tree = d->findChild<QTreeView*>("DLB1");
    auto* dirs = qobject_cast<QFileSystemModel*>(tree->model());
    const QModelIndex at = dirs->index(QString::fromStdString(start));
    ASSERT_TRUE(at.isValid());
    EXPECT_EQ(tree->currentIndex(), at) << d->objectName().toStdString();
    for (QModelIndex p = at.parent(); p.isValid(); p = p.parent()) EXPECT_TRUE(tree->isExpanded(p));
    // Shown once every sibling has been read and laid out.
    auto shown = [&] {
      return dirs->rowCount(dirs->index(QString::fromStdString(tmp.path()))) == 120 &&
             tree->viewport()->rect().contains(tree->visualRect(at));
    };
    for (int waited = 0; waited < 5000 && !shown(); waited += 20) QTest::qWait(20);
    QTest::qWait(100);  // and stays so
    const QRect r = tree->visualRect(at);
    EXPECT_TRUE(shown()) << d->objectName().toStdString() << " row at y " << r.y() << " in a view of height "
                         << tree->viewport()->height();
    d->hide();
  }
}

}  // namespace

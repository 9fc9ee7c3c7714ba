#include "app/analysisdir_model.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileSystemModel>
#include <QStorageInfo>
#include <QLabel>
#include <QTreeView>
#include <filesystem>

#include "app/analysisdir.h"
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
  TDirForm2 d(ini, prompt, nullptr);
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
  TDirForm2 d(ini, prompt, nullptr);
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

}  // namespace

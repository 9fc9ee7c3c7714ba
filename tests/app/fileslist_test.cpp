#include "app/fileslist_model.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QLabel>
#include <QTest>

#include "app/filepick.h"
#include "jobs/fileslist.h"
#include "test_support.h"

using namespace sw;
using swtest::ScriptedPrompt;

namespace {

struct FilesListFixture : ::testing::Test {
  swtest::TempDir tmp;
  IniFile ini{tmp / "slimwright.INI"};
  ScriptedPrompt prompt;
  std::string list = tmp / "slimwright.lst";
  FilesListModel model{ini, list, prompt};
  void SetUp() override {
    // Paths under /d/ lie on another volume than the rest.
    model.volumeOf = [](const std::string& p) { return p.rfind("/d/", 0) == 0 ? std::string("/d") : std::string("/"); };
    model.Open();
  }
};

TEST_F(FilesListFixture, AddTakesTheSelectionBottomToTopAndIgnoresCaseDuplicates) {
  model.AddSelected({"/w/a.htm", "/w/b.htm", "/w/c.htm"});
  EXPECT_EQ(model.entries(), (std::vector<std::string>{"/w/c.htm", "/w/b.htm", "/w/a.htm"}));
  model.AddSelected({"/W/B.HTM"});
  EXPECT_EQ(model.entries().size(), 3u);
  model.AddDropped({"/w/z.htm", "/w/y.htm", "/w/A.htm"});
  EXPECT_EQ(model.entries().back(), "/w/y.htm");
  EXPECT_EQ(model.entries().size(), 5u);
  EXPECT_TRUE(prompt.boxes.empty());
}

TEST_F(FilesListFixture, DuplicateOnlyAddThenOkWritesNothingButCancelAsks) {
  swtest::WriteFile(list, "/w/a.htm\r\n");
  model.Open();
  model.AddSelected({"/W/A.HTM"});
  EXPECT_EQ(model.entries().size(), 1u);
  EXPECT_TRUE(model.listChanged());
  prompt.Answer("Files list has been modified", Answer::No);
  EXPECT_FALSE(model.Cancel("/w"));
  EXPECT_TRUE(model.Ok("/w"));
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Files list has been modified"});
  EXPECT_EQ(swtest::ReadFile(list), "/w/a.htm\r\n");
}

TEST_F(FilesListFixture, MultipleVolumeWarningAfterEveryAddWhileSpread) {
  model.AddSelected({"/w/a.htm"});
  model.AddSelected({"/d/b.htm"});
  model.AddSelected({"/w/c.htm"});
  ASSERT_EQ(prompt.boxes.size(), 2u);
  EXPECT_EQ(prompt.boxes[0].caption, "Potential 'problem' archive detected");
  EXPECT_EQ(prompt.boxes[0].icon, Icon::Warning);
  EXPECT_NE(prompt.boxes[0].text.find("restored. \n\nIt is strongly recommended"), std::string::npos);
}

// A listed file that no longer exists must not look like another volume.
TEST(FilesListVolumes, MissingFileLiesOnItsFoldersVolume) {
  swtest::TempDir tmp;
  std::string here = VolumeOfPath(tmp.path());
  ASSERT_FALSE(here.empty());
  EXPECT_EQ(VolumeOfPath(tmp / "gone.htm"), here);
  EXPECT_EQ(VolumeOfPath(tmp / "no/such/folder/gone.htm"), here);
  EXPECT_EQ(VolumeOfPath("relative-and-gone.htm"), "");
}

TEST_F(FilesListFixture, LengthWarningText) {
  EXPECT_EQ(ListLengthWarning(1000),
            "Your current files list exceeds Slimwright's safe limit of 999 files. You should remove at least1 of "
            "the 1000 files in the current list to insure that all files are correctly backed up and queued for "
            "processing.\n\nClose anyway?");
  std::vector<std::string> many;
  for (int i = 0; i < 1000; ++i) many.push_back("/w/" + std::to_string(i) + ".htm");
  model.AddDropped(many);
  prompt.Answer("Files list length warning", Answer::No);
  EXPECT_FALSE(model.Ok("/w"));
  prompt.Answer("Files list length warning", Answer::Yes);
  EXPECT_TRUE(model.Ok("/w"));
  std::vector<std::string> back;
  ReadFilesList(list, back);
  EXPECT_EQ(back.size(), 1000u);
}

TEST_F(FilesListFixture, ReadoutsInKilobytesAndNa) {
  EXPECT_EQ(model.FileCountText(), "(n/a)");
  EXPECT_EQ(model.JobSizeText(), "(n/a)");
  swtest::WriteFile(tmp / "a.htm", std::string(1023, 'x'));
  swtest::WriteFile(tmp / "b.htm", std::string(1025, 'x'));
  model.AddDropped({tmp / "a.htm", tmp / "b.htm"});
  EXPECT_EQ(model.FileCountText(), "2");
  EXPECT_EQ(model.JobSizeText(), "2kb");
  model.Drop({0, 1});
  swtest::WriteFile(tmp / "c.htm", std::string(1000, 'x'));
  model.AddDropped({tmp / "c.htm"});
  EXPECT_EQ(model.JobSizeText(), "0kb");
}

TEST_F(FilesListFixture, ClearAsksAndOkWritesAnEmptyListAfterTheOverwriteQuestion) {
  swtest::WriteFile(list, "/w/a.htm\r\n/w/b.htm\r\n");
  model.Open();
  prompt.Answer("About to clear current files list", Answer::No);
  model.Clear();
  EXPECT_EQ(model.entries().size(), 2u);
  prompt.Answer("About to clear current files list", Answer::Yes);
  model.Clear();
  EXPECT_TRUE(model.entries().empty());
  prompt.Answer("Files list overwrite warning", Answer::Yes);
  EXPECT_TRUE(model.Ok("/w"));
  EXPECT_EQ(swtest::ReadFile(list), "");
  EXPECT_EQ(prompt.boxes.back().caption, "Files list saved");
  EXPECT_EQ(prompt.boxes.back().text, "Updated files list created as " + list + ".");
  EXPECT_TRUE(model.saved());
  EXPECT_EQ(ini.ReadString("General Options", "LastDirectory", ""), "/w");
}

TEST_F(FilesListFixture, UntouchedOkWritesNothing) {
  swtest::WriteFile(list, "/w/a.htm\r\n");
  model.Open();
  EXPECT_TRUE(model.Ok("/w"));
  EXPECT_TRUE(prompt.boxes.empty());
  EXPECT_FALSE(model.saved());
  EXPECT_TRUE(model.Cancel("/w"));
}

// The dialog itself: controls found by name.
TEST(TProjFilePickWindow, AddButtonDropAndReadouts) {
  swtest::TempDir tmp;
  IniFile ini(tmp / "slimwright.INI");
  ScriptedPrompt prompt;
  for (const char* n : {"a.htm", "b.htm", "c.htm", "notes.txt"}) swtest::WriteFile(tmp / ("web/" + std::string(n)), "0123456789");
  ini.WriteString("General Options", "LastDirectory", tmp / "web");
  TProjFilePick dlg(ini, tmp / "slimwright.lst", prompt, nullptr, nullptr);
  auto* flb = dlg.findChild<QListWidget*>("FLB1");
  auto* job = dlg.findChild<QListWidget*>("ListBox1");
  auto* html = dlg.findChild<QCheckBox*>("Showhtml");
  ASSERT_TRUE(flb && job && html);
  EXPECT_EQ(flb->count(), 4);
  html->setChecked(true);
  ASSERT_EQ(flb->count(), 3);
  EXPECT_EQ(dlg.findChild<QLabel*>("Filecount")->text(), "(n/a)");
  EXPECT_FALSE(dlg.findChild<QPushButton*>("bDrop")->isEnabled());
  for (int i = 0; i < flb->count(); ++i) flb->item(i)->setSelected(true);
  QTest::mouseClick(dlg.findChild<QPushButton*>("bAdd"), Qt::LeftButton);
  ASSERT_EQ(job->count(), 3);
  EXPECT_EQ(job->item(0)->text().toStdString(), tmp / "web/c.htm");
  EXPECT_EQ(job->item(2)->text().toStdString(), tmp / "web/a.htm");
  EXPECT_EQ(dlg.findChild<QLabel*>("Filecount")->text(), "3");
  EXPECT_EQ(dlg.findChild<QLabel*>("Jobsize")->text(), "0kb");

  // A file dropped from the desktop.
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(tmp / "web/notes.txt"))});
  // The toolkit delivers a drop to the widget that accepted the drag.
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&dlg, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&dlg, &drop);
  delete mime;
  EXPECT_EQ(job->count(), 4);

  job->item(0)->setSelected(true);
  QTest::keyClick(job, Qt::Key_Delete);
  EXPECT_EQ(job->count(), 3);
  EXPECT_EQ(job->item(0)->text().toStdString(), tmp / "web/b.htm");

  QTest::mouseClick(dlg.findChild<QPushButton*>("bOK"), Qt::LeftButton);
  EXPECT_EQ(swtest::ReadFile(tmp / "slimwright.lst"),
            (tmp / "web/b.htm") + "\r\n" + (tmp / "web/a.htm") + "\r\n" + (tmp / "web/notes.txt") + "\r\n");
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Files list saved"});
}

}  // namespace

#include "eraser/backupkill.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "../app/test_support.h"
#include "app/widgets.h"
#include "platform/inifile.h"
#include "preview/hslistbox.h"

using namespace sw;
using namespace sw::eraser;
using swtest::ReadFile;
using swtest::WriteFile;
namespace fs = std::filesystem;

namespace {

struct EraserWindow : ::testing::Test {
  swtest::TempDir tmp;
  IniFile ini{tmp / "slimwright.INI"};
  swtest::ScriptedPrompt prompt;
  QWidget mainWindow;
  EraseOps ops = SystemEraseOps();
  std::unique_ptr<TBackupKill> w;

  std::string Web(const std::string& rel) const { return tmp / ("web/" + rel); }
  void Open() {
    w = std::make_unique<TBackupKill>(ini, prompt, nullptr, &mainWindow, ops);
    mainWindow.hide();
    w->show();
    QApplication::processEvents();
  }
  template <class T>
  T* Find(const char* name) {
    T* c = w->findChild<T*>(name);
    EXPECT_TRUE(c) << name;
    return c;
  }
  THSListBox* LB1() { return Find<THSListBox>("LB1"); }
  QString Readout() { return Find<QLabel>("FSReadout")->text(); }
  // Clicks Buildlist and waits for the worker's end to arrive here.
  void BuildList() {
    QTest::mouseClick(Find<QPushButton>("Buildlist"), Qt::LeftButton);
    QElapsedTimer t;
    t.start();
    // The worker runs at idle priority: a busy machine slows it down.
    while (w->Searching() && t.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(w->Searching());
  }
  void FillWeb() {
    WriteFile(Web("a.htm.srbak"), std::string(10, 'a'));
    WriteFile(Web("b.htm.srbak"), std::string(20, 'b'));
    WriteFile(Web("sub/c.htm.srbak"), std::string(30, 'c'));
    WriteFile(Web("sub/d.htm.srbak"), std::string(40, 'd'));
    WriteFile(Web("sub/e.htm.srbak"), std::string(50, 'e'));
    WriteFile(Web("page.htm"), "<p>page</p>");
    ini.WriteString(kSection, "LastDirectory", tmp / "web");
  }
};

TEST_F(EraserWindow, ShowingReadsAndStoresTheSettings) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> stored;
    QString mask;
    bool subdirs;
    const char* style;
  } cases[] = {
      {{}, "*.srbak", true, "Del"},
      {{{"SearchMask", "*.srbak,*.bak"}, {"EraseStyle", "recycle"}, {"SearchSubdirs", "0"}}, "*.srbak;*.bak", false,
       "Recyc"},
      {{{"EraseStyle", "Shred"}}, "*.srbak", true, "Shred"},
  };
  for (const auto& c : cases) {
    fs::remove(ini.path());
    for (const auto& [k, v] : c.stored) ini.WriteString(kSection, k, v);
    Open();
    EXPECT_EQ(Find<QLineEdit>("Srchmask")->text(), c.mask);
    EXPECT_EQ(Find<QCheckBox>("SubDirs")->isChecked(), c.subdirs);
    EXPECT_TRUE(Find<QRadioButton>(c.style)->isChecked()) << c.style;
    EXPECT_EQ(Find<QLineEdit>("SrcDir")->text(), ToQ(HomeFolder()));
    EXPECT_EQ(Readout(), "Total size: (n/a) bytes");
    EXPECT_FALSE(Find<QPushButton>("DelBtn")->isEnabled());
    // What is shown is stored again at once.
    EXPECT_EQ(ini.ReadString(kSection, "LastDirectory", ""), HomeFolder());
    EXPECT_EQ(ini.ReadString(kSection, "SearchMask", ""), FromQ(c.mask).find(';') != std::string::npos
                                                              ? "*.srbak,*.bak"
                                                              : "*.srbak");
  }
  // Clicks are stored at once.
  Find<QRadioButton>("Recyc")->click();
  EXPECT_EQ(ini.ReadString(kSection, "EraseStyle", ""), "Recycle");
  Find<QCheckBox>("SubDirs")->click();
  EXPECT_EQ(ini.ReadString(kSection, "SearchSubdirs", ""), "0");
  w->editMask = [] { return QString("*.bak;*.tmp"); };
  Find<QPushButton>("bEdit")->click();
  EXPECT_EQ(ini.ReadString(kSection, "SearchMask", ""), "*.bak,*.tmp");
  w->chooseDirectory = [this](const QString&) { return QString::fromStdString(tmp.path()); };
  Find<QPushButton>("SrcDirButton")->click();
  EXPECT_EQ(ini.ReadString(kSection, "LastDirectory", ""), tmp.path());
}

TEST_F(EraserWindow, SearchThenExemptByDoubleClickAndDelete) {
  FillWeb();
  Open();
  BuildList();
  EXPECT_EQ(Find<QPushButton>("Buildlist")->text(), "&Rebuild list");
  EXPECT_EQ(LB1()->Lines(), (QStringList{ToQ(Web("a.htm.srbak")), ToQ(Web("b.htm.srbak")), ToQ(Web("sub/c.htm.srbak")),
                                         ToQ(Web("sub/d.htm.srbak")), ToQ(Web("sub/e.htm.srbak"))}));
  EXPECT_EQ(Readout(), "Total size: 150 bytes");
  EXPECT_TRUE(Find<QPushButton>("DelBtn")->isEnabled());
  // Two selected lines and Delete.
  LB1()->item(1)->setSelected(true);
  LB1()->item(3)->setSelected(true);
  QTest::keyClick(LB1(), Qt::Key_Delete);
  EXPECT_EQ(Readout(), "Total size: 90 bytes");
  EXPECT_EQ(LB1()->count(), 3);
  // A double-click on a line.
  LB1()->clearSelection();
  const QRect r = LB1()->visualItemRect(LB1()->item(0));
  QTest::mouseClick(LB1()->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(LB1()->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(Readout(), "Total size: 80 bytes");
  EXPECT_EQ(LB1()->Lines(), (QStringList{ToQ(Web("sub/c.htm.srbak")), ToQ(Web("sub/e.htm.srbak"))}));
  LB1()->selectAll();
  QTest::keyClick(LB1(), Qt::Key_Delete);
  EXPECT_FALSE(Find<QPushButton>("DelBtn")->isEnabled());
  EXPECT_EQ(Readout(), "Total size: 0 bytes");
}

TEST_F(EraserWindow, EraseLeavesWhatCouldNotGoListed) {
  FillWeb();
  ops.remove = [this](const std::string& p, std::string* e) {
    if (p == Web("b.htm.srbak")) {
      *e = "Permission denied";
      return false;
    }
    return fs::remove(p);
  };
  Open();
  BuildList();
  prompt.Answer(kConfirmCaption, Answer::Cancel);
  Find<QPushButton>("DelBtn")->click();
  EXPECT_EQ(LB1()->count(), 5);
  EXPECT_TRUE(fs::exists(Web("a.htm.srbak")));
  prompt.Answer(kConfirmCaption, Answer::Ok);
  Find<QPushButton>("DelBtn")->click();
  EXPECT_EQ(LB1()->Lines(), QStringList{ToQ(Web("b.htm.srbak"))});
  EXPECT_EQ(Readout(), "Total size: 20 bytes");
  ASSERT_TRUE(prompt.Find(kNotErasedCaption));
  EXPECT_EQ(prompt.Find(kNotErasedCaption)->text, "1 file could not be erased and stays in the list.");
  EXPECT_FALSE(fs::exists(Web("sub/e.htm.srbak")));
  EXPECT_EQ(ReadFile(Web("page.htm")), "<p>page</p>");
}

TEST_F(EraserWindow, HidingShowsTheMainWindowAgainAndKeepsTheList) {
  FillWeb();
  Open();
  EXPECT_FALSE(mainWindow.isVisible());
  BuildList();
  QTest::keyClick(w.get(), Qt::Key_Escape);  // Escape presses OK
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(mainWindow.isVisible());
  w->show();
  QApplication::processEvents();
  EXPECT_EQ(LB1()->count(), 5);
  EXPECT_EQ(Readout(), "Total size: (n/a) bytes");
  EXPECT_FALSE(Find<QPushButton>("DelBtn")->isEnabled());
  Find<QPushButton>("bOK")->click();
  EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(EraserWindow, MissingStartDirectoryIsReported) {
  Open();
  w->model().SetSrcDir(tmp / "gone");
  BuildList();
  ASSERT_TRUE(prompt.Find(kNotErasedCaption));
  EXPECT_EQ(LB1()->count(), 0);
  EXPECT_FALSE(Find<QPushButton>("DelBtn")->isEnabled());
}

TEST(MaskEditorWindow, OpensWithTheStoredListAndAppendsStockMasks) {
  swtest::TempDir tmp;
  IniFile ini(tmp / "slimwright.INI");
  struct Case {
    std::string stored;
    QString shown;
  } cases[] = {{"", "*.srbak"}, {"*.bak,*.tmp", "*.bak;*.tmp"}};
  for (const auto& c : cases) {
    if (!c.stored.empty()) ini.WriteString(kSection, "SearchMask", c.stored);
    TMaskEditor m(ini, nullptr);
    auto* curr = m.findChild<QLineEdit*>("CurrMask");
    EXPECT_EQ(curr->text(), c.shown);
    EXPECT_EQ(curr->maxLength(), 254);
    EXPECT_EQ(m.findChild<QListWidget*>("StockMasks")->count(), 13);
  }
  TMaskEditor m(ini, nullptr);
  m.show();
  auto* curr = m.findChild<QLineEdit*>("CurrMask");
  m.StockMasksDblClick(7);  // "*.tmp" is already there
  EXPECT_EQ(curr->text(), "*.bak;*.tmp");
  curr->setText("*.bak;");
  m.StockMasksDblClick(7);
  EXPECT_EQ(m.Mask(), "*.bak;*.tmp");
  curr->clear();
  auto* stock = m.findChild<QListWidget*>("StockMasks");
  stock->scrollToItem(stock->item(7));
  QApplication::processEvents();
  const QRect r = stock->visualItemRect(stock->item(7));
  QTest::mouseClick(stock->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(stock->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(m.Mask(), "*.tmp");
  QTest::keyClick(&m, Qt::Key_Escape);
  EXPECT_TRUE(m.isVisible());  // Escape does not cancel
}

TEST(DirFormWindow, ShowsTheChosenDirectoryAndItsFiles) {
  swtest::TempDir tmp;
  WriteFile(tmp / "web/page.htm", "x");
  WriteFile(tmp / "web/.hidden", "x");
  TDirForm f(QString::fromStdString(tmp / "web"));
  EXPECT_EQ(f.Directory(), QString::fromStdString(tmp / "web"));
  auto* files = f.findChild<QListWidget*>("FLB1");
  EXPECT_FALSE(files->isEnabled());
  EXPECT_EQ(files->count(), 2);
  EXPECT_EQ(f.findChild<QLabel*>("Label1")->text(), QString::fromStdString(tmp / "web"));
  TDirForm g(QString::fromStdString(tmp / "gone"));
  EXPECT_EQ(g.Directory(), QDir::homePath());
}

TEST_F(EraserWindow, Screenshot) {
  const std::string out = swtest::ScreenshotFolder();
  // Backups beside real legacy pages.
  const std::vector<fs::path> pages = swtest::CorpusFiles();
  for (size_t i = 0; i < pages.size() && i < 9; ++i) {
    const std::string rel = pages[i].parent_path().filename().string() + "/" + pages[i].filename().string();
    WriteFile(Web(rel), ReadFile(pages[i].string()));
    WriteFile(Web(rel + ".srbak"), ReadFile(pages[i].string()));
  }
  ini.WriteString(kSection, "LastDirectory", "/home/author/web");
  Open();
  w->model().SetSrcDir(tmp / "web");
  BuildList();
  // The picture shows the folder as a user's, not the test's.
  auto* lb = LB1();
  for (int i = 0; i < lb->count(); ++i)
    lb->item(i)->setText(lb->item(i)->text().replace(QString::fromStdString(tmp / "web"), "/home/author/web"));
  Find<QLineEdit>("SrcDir")->blockSignals(true);
  Find<QLineEdit>("SrcDir")->setText("/home/author/web");
  EXPECT_TRUE(w->grab().save(QString::fromStdString(out + "/backup-eraser.png")));
}

}  // namespace

#include "preview/indexpicker.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "../app/test_support.h"
#include "app/mainwindow.h"
#include "engine/options.h"
#include "platform/help.h"
#include "replace/gui/tagmanager.h"

using namespace sw;

namespace {

struct PickerFixture : ::testing::Test {
  swtest::TempDir tmp;
  swtest::ScriptedPrompt prompt;
  swtest::FakeStarter starter;
  std::unique_ptr<IniFile> ini;
  std::unique_ptr<Launcher> launcher;
  QWidget mainWindow;  // outlives the picker
  std::unique_ptr<TIndexPicker> picker;

  void SetUp() override { Restart(); }
  // A fresh start of the program: the settings are read again from the file.
  void Restart() {
    picker.reset();
    launcher.reset();
    ini = std::make_unique<IniFile>(tmp / "slimwright.INI");
    launcher = std::make_unique<Launcher>(*ini, prompt, starter);
    launcher->httpCommand = [] { return std::string(); };
    launcher->ReloadDefaultBrowser();
  }
  std::string Program(const std::string& name) {
    std::string p = tmp / ("bin/" + name);
    swtest::WriteFile(p, "#!/bin/sh\n");
    std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    return p;
  }
  void List(const std::string& text) { swtest::WriteFile(launcher->FilesListPath(), text); }
  void Open(bool afterRun = false) {
    picker = std::make_unique<TIndexPicker>(*launcher, prompt, nullptr, afterRun, &mainWindow);
    picker->show();
  }
  template <class T>
  T* Find(const char* name) {
    T* w = picker->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QStringList Lines() {
    QStringList l;
    auto* lb = Find<QListWidget>("LB1");
    for (int i = 0; i < lb->count(); ++i) l << lb->item(i)->text();
    return l;
  }
  void DoubleClick(int row) {
    auto* lb = Find<QListWidget>("LB1");
    lb->setCurrentRow(row);
    Q_EMIT lb->itemDoubleClicked(lb->item(row));
  }
};

TEST_F(PickerFixture, ListsTheFilesListAndWarnsWithoutBrowser) {
  struct Case {
    const char* name;
    const char* list;  // nullptr: no files list
    QStringList lines;
  };
  const Case cases[] = {
      {"documents", "/web/a.htm\r\n/web/sub/b.html\r\n", {"/web/a.htm", "/web/sub/b.html"}},
      {"empty lines skipped", "/web/a.htm\r\n\r\n", {"/web/a.htm"}},
      {"no list", nullptr, {}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(launcher->FilesListPath());
    if (c.list) List(c.list);
    prompt.boxes.clear();
    Open();
    EXPECT_EQ(Lines(), c.lines) << c.name;
    EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"No default browser"}) << c.name;
  }
  // A chosen browser: no warning, and its path in the field.
  launcher->SetDefaultBrowser(Program("firefox"));
  prompt.boxes.clear();
  Open();
  EXPECT_TRUE(prompt.boxes.empty());
  EXPECT_EQ(Find<QLineEdit>("Browpath1")->text().toStdString(), launcher->defaultBrowser());
}

TEST_F(PickerFixture, PreviewNeedsABrowserAndASelection) {
  List("/web/a.htm\r\n/web/b.htm\r\n");
  Open();
  DoubleClick(0);  // no browser yet
  EXPECT_EQ(prompt.boxes.back().caption, "File load failed");
  EXPECT_EQ(prompt.boxes.back().text, "Unable to load file...default browser not found.");
  std::string browser = Program("firefox");
  launcher->SetDefaultBrowser(browser);
  Find<QListWidget>("LB1")->clearSelection();
  picker->PreviewSelected();  // a drop with nothing selected
  EXPECT_EQ(prompt.boxes.back().caption, "Slimwright error");
  EXPECT_EQ(prompt.boxes.back().text,
            "Either no file was selected from the list of files, or the files list is empty.\n"
            "Drag and drop failed...unable to launch browser with this file");
  EXPECT_TRUE(starter.calls.empty());
  DoubleClick(1);
  DoubleClick(0);  // the window stays for the next one
  ASSERT_EQ(starter.calls.size(), 2u);
  EXPECT_EQ(starter.calls[0].program, browser);
  EXPECT_EQ(starter.calls[0].args, std::vector<std::string>{"/web/b.htm"});
  EXPECT_EQ(starter.calls[1].args, std::vector<std::string>{"/web/a.htm"});
  EXPECT_TRUE(picker->isVisible());
}

TEST_F(PickerFixture, DropsComeOnlyFromTheListOntoANamedBrowser) {
  List("/web/a.htm\r\n");
  Open();
  auto* lb = Find<QListWidget>("LB1");
  auto* field = Find<QLineEdit>("Browpath1");
  EXPECT_TRUE(field->text().isEmpty());
  EXPECT_FALSE(picker->AcceptsDragFrom(lb));  // empty field refuses
  launcher->SetDefaultBrowser(Program("firefox"));
  Open();
  lb = Find<QListWidget>("LB1");
  EXPECT_TRUE(picker->AcceptsDragFrom(lb));
  EXPECT_FALSE(picker->AcceptsDragFrom(nullptr));  // from another program
  EXPECT_FALSE(picker->AcceptsDragFrom(Find<QPushButton>("bOK")));
  EXPECT_TRUE(lb->dragEnabled());
}

TEST_F(PickerFixture, ChosenBrowserIsUsedAtOnceAndAfterARestart) {
  List("/web/a.htm\r\n");
  std::string old = Program("oldbrowser"), chosen = Program("newbrowser");
  launcher->SetDefaultBrowser(old);
  Open();
  swtest::WriteFile(tmp / "bin/readme.txt", "not a program");
  QString answer = QString::fromStdString(tmp / "bin/readme.txt");
  picker->chooseBrowser = [&] { return answer; };
  QTest::mouseClick(Find<QPushButton>("Browpath1Elipsis"), Qt::LeftButton);
  EXPECT_EQ(prompt.boxes.back().caption, "Not a program");
  EXPECT_EQ(launcher->defaultBrowser(), old);
  answer = QString::fromStdString(chosen);
  QTest::mouseClick(Find<QPushButton>("Browpath1Elipsis"), Qt::LeftButton);
  EXPECT_EQ(Find<QLineEdit>("Browpath1")->text(), answer);
  DoubleClick(0);
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, chosen);
  answer.clear();  // Cancel in the dialog changes nothing
  QTest::mouseClick(Find<QPushButton>("Browpath1Elipsis"), Qt::LeftButton);
  EXPECT_EQ(launcher->defaultBrowser(), chosen);

  Restart();
  EXPECT_EQ(launcher->defaultBrowser(), chosen);
  Open();
  EXPECT_EQ(Find<QLineEdit>("Browpath1")->text(), QString::fromStdString(chosen));
}

TEST_F(PickerFixture, MainWindowHiddenOnlyWhenOpenedFromTheMenu) {
  struct Case {
    bool afterRun;
    bool visibleWhileOpen;
  };
  for (Case c : {Case{false, false}, Case{true, true}}) {
    mainWindow.show();
    Open(c.afterRun);
    EXPECT_EQ(mainWindow.isVisible(), c.visibleWhileOpen) << c.afterRun;
    QTest::mouseClick(Find<QPushButton>(c.afterRun ? "bOK" : "bCancel"), Qt::LeftButton);
    EXPECT_FALSE(picker->isVisible());
    picker.reset();
    EXPECT_TRUE(mainWindow.isVisible()) << c.afterRun;
  }
  // Opened after a run, closing leaves a hidden main window alone.
  mainWindow.hide();
  Open(true);
  picker.reset();
  EXPECT_FALSE(mainWindow.isVisible());
}

// The main window's menu items open the two windows, modally, hiding it meanwhile.
TEST_F(PickerFixture, MenuItemsOpenTheWindows) {
  std::string home = tmp / "home";
  std::filesystem::create_directories(home);
  IniFile settings(home + "/slimwright.INI");
  WritePreset(settings, Preset::Safe);
  settings.WriteString(kGeneralOptions, "UsedOnce", "1");
  MainModel model(home, prompt, starter);
  TTabform window(model);
  ASSERT_TRUE(window.Init());
  window.show();
  struct Case {
    const char* item;
    const char* dialog;
    const char* caption;  // of the box the window shows at opening, "" for none
  };
  const Case cases[] = {
      {"Customtagsmanager1", "TagManager", ""},
      {"Previewcurrentwebsfiles1", "IndexPicker", "No default browser"},
  };
  for (const Case& c : cases) {
    prompt.boxes.clear();
    bool seen = false, mainVisible = true;
    QTimer::singleShot(0, [&] {
      QWidget* d = QApplication::activeModalWidget();
      ASSERT_NE(d, nullptr) << c.item;
      seen = d->objectName() == c.dialog;
      mainVisible = window.isVisible();
      d->findChild<QPushButton*>("bCancel")->click();
    });
    QAction* a = window.findChild<QAction*>(c.item);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isEnabled());
    a->trigger();
    EXPECT_TRUE(seen) << c.item;
    EXPECT_FALSE(mainVisible) << c.item;
    EXPECT_TRUE(window.isVisible()) << c.item;
    EXPECT_EQ(prompt.Captions(), *c.caption ? std::vector<std::string>{c.caption} : std::vector<std::string>{});
  }
  // After a run the picker comes without hiding the main window.
  QString name;
  bool mainVisible = false;
  QTimer::singleShot(0, [&] {
    QWidget* d = QApplication::activeModalWidget();
    ASSERT_NE(d, nullptr);
    name = d->objectName();
    mainVisible = window.isVisible();
    d->findChild<QPushButton*>("bOK")->click();
  });
  model.showPreviewPicker();
  EXPECT_EQ(name, "IndexPicker");
  EXPECT_TRUE(mainVisible);
  window.hide();
}

TEST_F(PickerFixture, Screenshots) {
  const std::string out = swtest::ScreenshotFolder();
  IniFile& s = *ini;
  const char* entries[] = {"<FONT FACE=\"Arial, Helvetica\">^^<FONT FACE=Arial>^^0",
                           "<!-- #BeginLibraryItem \"/Library/nav.lbi\" -->^^^^1",
                           "http://www.example.com/^^/^^0", "&nbsp;&nbsp;^^ &nbsp;^^1"};
  for (size_t i = 0; i < std::size(entries); ++i)
    s.WriteString(kCustomSection, "CustomReplace" + std::to_string(i + 1), entries[i]);
  {
    TTagManager d(s, prompt, nullptr, nullptr);
    d.show();
    d.findChild<QListWidget*>("ListBox1")->setCurrentRow(0);
    d.findChild<QLineEdit*>("Oldtag")->setText("<TABLE BORDER=\"0\">");
    d.findChild<QLineEdit*>("Newtag")->setText("<TABLE>");
    QApplication::processEvents();
    EXPECT_TRUE(d.grab().save(QString::fromStdString(out + "/term-manager.png")));
  }
  std::string text;
  const std::vector<std::filesystem::path> pages = swtest::CorpusFiles();
  for (size_t i = 0; i < pages.size() && i < 12; ++i)
    text += "/home/author/web/" + pages[i].parent_path().filename().string() + "/" + pages[i].filename().string() +
            "\r\n";
  List(text);
  launcher->SetDefaultBrowser(Program("firefox"));
  Open(true);
  Find<QLineEdit>("Browpath1")->setText("/usr/bin/firefox");
  Find<QListWidget>("LB1")->setCurrentRow(2);
  QApplication::processEvents();
  EXPECT_TRUE(picker->grab().save(QString::fromStdString(out + "/preview-picker.png")));
}

// Both windows' Help buttons lead to a section of the help.
TEST(WindowHelp, ContextsHaveTheirSections) {
  std::string help = swtest::ReadFile(std::string(SW_SOURCE_DIR) + "/docs/help/index.html");
  for (int context : {kTermManagerHelpContext, kPreviewPickerHelpContext}) {
    std::string id = "id=\"" + HelpAnchor(context) + "\"";
    EXPECT_NE(help.find(id), std::string::npos) << id;
  }
}

}  // namespace

#include "app/mainwindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <thread>
#include <filesystem>
#include <cstdlib>
#include <functional>

#include "app/filepick.h"
#include "app/jobwindow.h"
#include "app/single_instance.h"
#include "eraser/backupkill.h"
#include "engine/options.h"
#include "jobs/joblock.h"
#include "preview/indexpicker.h"
#include "verify/chromium.h"
#include "test_support.h"

using namespace sw;
using swtest::ReadFile;
using swtest::WriteFile;

namespace fs = std::filesystem;

namespace {

const char* const kPage =
    "<HTML>\r\n<HEAD>\r\n<TITLE>Test page</TITLE>\r\n<META NAME=\"GENERATOR\" CONTENT=\"Editor 2.0\">\r\n</HEAD>\r\n"
    "<BODY BGCOLOR=\"white\">\r\n<!-- a comment that goes away -->\r\n<P><STRONG>Hello</STRONG>   world.</P>\r\n"
    "<P><FONT COLOR=\"red\">Red</FONT> text &amp; more.</P>\r\n</BODY>\r\n</HTML>\r\n";

struct MainFixture : ::testing::Test {
  swtest::TempDir tmp;
  swtest::ScriptedPrompt prompt;
  swtest::FakeStarter starter;
  std::unique_ptr<MainModel> model;
  std::unique_ptr<TTabform> window;
  std::vector<std::string> docs;
  std::string home;
  int pickerShown = 0;

  void SetUp() override {
    home = tmp / "home";
    fs::create_directories(home);
    fs::create_directories(tmp / "systemp");
    IniFile ini(home + "/slimwright.INI");
    WritePreset(ini, Preset::Safe);
    ini.WriteString(kGeneralOptions, "UsedOnce", "1");
    for (const char* n : {"index.htm", "about.htm", "news.htm"}) {
      docs.push_back(tmp / ("web/" + std::string(n)));
      WriteFile(docs.back(), kPage);
    }
  }
  void Start() {
    model = std::make_unique<MainModel>(home, prompt, starter);
    model->tempDir = tmp / "systemp";
    model->help.browserCommand = [] { return std::string(); };  // no desktop browser: the generic opener
    window = std::make_unique<TTabform>(*model);
    // The real picker is modal; its own tests drive it.
    model->showPreviewPicker = [this] { ++pickerShown; };
    ASSERT_TRUE(window->Init());
  }
  void WriteList() {
    std::string text;
    for (const auto& d : docs) text += d + "\r\n";
    WriteFile(model ? model->FilesListPath() : home + "/slimwright.lst", text);
  }
  // A normal run without backups over the files list.
  JobConfig Config(bool outputReport) const {
    JobConfig c;
    c.programDir = home;
    c.profilePath = model->ProfilePath();
    c.filesListPath = model->FilesListPath();
    c.backupsEnabled = false;
    c.outputReport = outputReport;
    return c;
  }
  template <class T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QAction* Action(const char* name) { return Find<QAction>(name); }
  void Click(const char* name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
  // Drives the modal job window once it is open.
  void WhenJobWindowOpens(std::function<void(THTMLgauge&)> f) {
    QTimer::singleShot(0, [f] {
      auto* g = qobject_cast<THTMLgauge*>(QApplication::activeModalWidget());
      ASSERT_NE(g, nullptr);
      f(*g);
    });
  }
  static void ClickIn(QWidget& w, const char* name) {
    auto* b = w.findChild<QPushButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
  }
};

TEST_F(MainFixture, MissingProfileQuestion) {
  fs::remove(home + "/slimwright.INI");
  struct Case {
    Answer answer;
    bool starts;
    Preset preset;
  };
  for (Case c : {Case{Answer::Yes, true, Preset::Safe}, Case{Answer::No, true, Preset::Maximum},
                 Case{Answer::Cancel, false, Preset::Safe}}) {
    fs::remove(home + "/slimwright.INI");
    prompt.Answer("Missing profile file", c.answer);
    MainModel m(home, prompt, starter);
    TTabform w(m);
    EXPECT_EQ(w.Init(), c.starts);
    EXPECT_EQ(prompt.boxes.back().buttons, Buttons::YesNoCancel);
    if (!c.starts) continue;
    std::map<std::string, std::string> ref;
    struct MapProfile : Profile {
      std::map<std::string, std::string>& m;
      explicit MapProfile(std::map<std::string, std::string>& mm) : m(mm) {}
      int32_t ReadInt(const std::string& s, const std::string& k, int32_t d) const override {
        auto i = m.find(s + "/" + k);
        return i == m.end() ? d : ParseIniInt(i->second);
      }
      std::string ReadString(const std::string& s, const std::string& k, const std::string& d) const override {
        auto i = m.find(s + "/" + k);
        return i == m.end() ? d : i->second;
      }
      bool WriteString(const std::string& s, const std::string& k, const std::string& v) override {
        m[s + "/" + k] = v;
        return true;
      }
    } mp(ref);
    WritePreset(mp, c.preset);
    EXPECT_EQ(LoadOptionSet(m.ini).on, LoadOptionSet(mp).on);
  }
}

TEST_F(MainFixture, FirstStartOpensTheFirstTimeTopicOnce) {
  IniFile(home + "/slimwright.INI").DeleteKey(kGeneralOptions, "UsedOnce");
  Start();
  model->FirstStart();
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, "xdg-open");
  ASSERT_EQ(starter.calls[0].args.size(), 1u);
  EXPECT_NE(starter.calls[0].args[0].find("index.html#firsttime"), std::string::npos);
  EXPECT_EQ(model->ini.ReadInt(kGeneralOptions, "UsedOnce", 0), 1);
  model->FirstStart();
  EXPECT_EQ(starter.calls.size(), 1u);
}

TEST_F(MainFixture, ControlsShowTheSettingsAndLaterWindowsAreDisabled) {
  IniFile ini(home + "/slimwright.INI");
  ini.WriteString(kGeneralOptions, "OutputReport", "1");
  ini.WriteString(kGeneralOptions, "WriteDetailedStats", "1");
  ini.WriteString(kGeneralOptions, "BrowseReportPrompt", "0");
  ini.WriteString(kGeneralOptions, "DefaultBrowser", "/opt/browser");
  Start();
  EXPECT_TRUE(Find<QCheckBox>("MakeReport")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("DetReport")->isChecked());
  EXPECT_FALSE(Action("BPro")->isChecked());
  EXPECT_TRUE(Action("ShowVV")->isChecked());
  EXPECT_TRUE(Action("CBack")->isChecked());
  EXPECT_EQ(window->findChild<QLineEdit*>("Browpath1")->text(), "/opt/browser");
  EXPECT_EQ(window->windowTitle(), "Slimwright Lite ");
  for (const char* n : {"Customtagsmanager1", "Previewcurrentwebsfiles1", "Backuperaserutility1"})
    EXPECT_TRUE(Action(n)->isEnabled()) << n;
  EXPECT_TRUE(Find<QPushButton>("Taglist1")->isEnabled());
  EXPECT_FALSE(Action("Tipoday")->isVisible());
  EXPECT_EQ(Action("Openexistingprofile1")->shortcut(), QKeySequence("Ctrl+O"));

  // Switches are stored at once.
  Find<QCheckBox>("MakeReport")->setChecked(false);
  EXPECT_EQ(ini.ReadInt(kGeneralOptions, "OutputReport", 9), 0);
  EXPECT_FALSE(Find<QRadioButton>("StdReport")->isEnabled());
  Action("Slow")->trigger();
  EXPECT_EQ(ini.ReadInt(kGeneralOptions, "SlowOptimize", 9), 1);

  // Backups off warns; on again says nothing.
  Action("CBack")->trigger();
  EXPECT_FALSE(model->backups);
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Backups disabled"});
  Action("CBack")->trigger();
  EXPECT_TRUE(model->backups);
  EXPECT_EQ(prompt.boxes.size(), 1u);
}

// Every access key of the panel and the menu bar is taken once, so Alt+O and
// Alt+H reach the Options and Help menus; Ctrl+P opens the print submenu.
TEST_F(MainFixture, AccessKeysAreUniqueAndTheKeysOpenTheirMenus) {
  Start();
  std::map<QChar, QString> keys;
  auto take = [&](const QString& text) {
    for (qsizetype at = text.indexOf('&'); at >= 0 && at + 1 < text.size(); at = text.indexOf('&', at + 2)) {
      if (text[at + 1] == '&') continue;
      const QChar k = text[at + 1].toLower();
      EXPECT_EQ(keys.count(k), 0u) << text.toStdString() << " and " << keys[k].toStdString();
      keys[k] = text;
    }
  };
  for (QAction* a : window->menuBar()->actions()) take(a->text());
  for (QAbstractButton* b : window->centralWidget()->findChildren<QAbstractButton*>()) take(b->text());
  for (QLabel* l : window->centralWidget()->findChildren<QLabel*>())
    if (l->buddy()) take(l->text());

  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  struct Case {
    QKeyCombination key;
    const char* menu;
  };
  for (Case c : {Case{Qt::ALT | Qt::Key_O, "Options1"}, Case{Qt::ALT | Qt::Key_H, "Help1"},
                 Case{Qt::CTRL | Qt::Key_P, "Print1"}}) {
    auto* menu = window->findChild<QMenu*>(c.menu);
    ASSERT_NE(menu, nullptr) << c.menu;
    QTest::keyClick(window.get(), c.key.key(), c.key.keyboardModifiers());
    for (int waited = 0; waited < 2000 && !menu->isVisible(); waited += 20) QTest::qWait(20);
    EXPECT_TRUE(menu->isVisible()) << c.menu;
    QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget() : window.get(),
                    Qt::Key_Escape);
    menu->close();
    window->menuBar()->setActiveAction(nullptr);
  }
}

TEST_F(MainFixture, PreChecksInOrderEachEndingTheCommand) {
  Start();
  int windows = 0;
  model->showJobWindow = [&](const JobConfig&) {
    ++windows;
    return JobWindowResult{};
  };
  std::string ini = home + "/slimwright.INI";
  std::string saved = ReadFile(ini);

  fs::remove(ini);
  Click("Optimize");
  EXPECT_EQ(prompt.boxes.back().caption, "Default profile file not found");
  WriteFile(ini, saved);

  Click("Optimize");
  EXPECT_EQ(prompt.boxes.back().caption, "Files list not found...aborting");
  EXPECT_EQ(prompt.boxes.back().text,
            "Batch mode optimization has been specified but no valid slimwright.lst files list was found. Select "
            "files using the Select files for optimization button and/or rebuild the list if needed prior to "
            "retrying optimization.");
  // The button it names is the one on the panel.
  EXPECT_NE(prompt.boxes.back().text.find(" the " + Find<QPushButton>("BuildList")->text().remove('&').toStdString() +
                                          " button "),
            std::string::npos);

  WriteFile(model->FilesListPath(), tmp / "web/gone.htm\r\n");
  Click("Optimize");
  EXPECT_EQ(prompt.boxes.back().caption, "File list invalid...aborting");
  EXPECT_EQ(prompt.boxes.back().text.rfind("The first file in " + (tmp / "web/gone.htm") + " could not be found. ", 0),
            0u);

  // The stale-list question comes once: No ends the command and marks the list.
  WriteList();
  prompt.Answer("'Stale' file list detected", Answer::No);
  Click("Optimize");
  EXPECT_EQ(prompt.boxes.back().caption, "'Stale' file list detected");
  // Preview on and no browser: the browser question; No ends the command.
  prompt.Answer("Default browser not found", Answer::No);
  Click("Optimize");
  EXPECT_EQ(prompt.boxes.back().caption, "Default browser not found");
  EXPECT_EQ(prompt.boxes.back().text.rfind("No browser has been selected for previewing your optimized HTML. Should", 0), 0u);
  // Yes searches the desktop's browser and goes on.
  std::string exe = tmp / "bin/firefox";
  WriteFile(exe, "");
  model->launcher.httpCommand = [&] { return exe + " %u"; };
  prompt.Answer("Default browser not found", Answer::Yes);
  Click("Optimize");
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(pickerShown, 1);  // a completed run with the picker setting on
  EXPECT_EQ(window->findChild<QLineEdit*>("Browpath1")->text().toStdString(), exe);

  std::vector<std::string> want = {"Default profile file not found", "Files list not found...aborting",
                                   "File list invalid...aborting",   "'Stale' file list detected",
                                   "Default browser not found",      "Default browser not found"};
  EXPECT_EQ(prompt.Captions(), want);
  for (const auto& b : prompt.boxes) EXPECT_NE(b.icon, Icon::None);
}

TEST_F(MainFixture, NormalRunWithReportAndBrowseQuestion) {
  Start();
  WriteList();
  Find<QCheckBox>("MakeReport")->setChecked(true);
  Action("ShowVV")->trigger();  // no preview picker, no browser question
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  prompt.Answer("Optimization report created", Answer::Yes);
  bool hiddenDuringRun = false;
  WhenJobWindowOpens([&](THTMLgauge& g) {
    hiddenDuringRun = !window->isVisible();
    EXPECT_EQ(g.windowTitle(), "Slimwright Lite ");
    ClickIn(g, "bOptimize");
    EXPECT_EQ(g.findChild<QLabel*>("Label1")->text(), "HTML optimization complete");
    EXPECT_EQ(g.findChild<QLabel*>("NumFiles")->text(), "3");
    EXPECT_EQ(g.findChild<QLabel*>("NumDone")->text(), "3");
    EXPECT_EQ(g.findChild<QLabel*>("Errcnt")->text(), "0");
    EXPECT_TRUE(g.findChild<QLabel*>("NumPercent")->text().endsWith("%"));
    EXPECT_EQ(g.findChild<QLabel*>("Pg")->text(), "Finished");
    ClickIn(g, "bOK");
  });
  window->show();
  Click("Optimize");
  EXPECT_TRUE(hiddenDuringRun);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"'Stale' file list detected", "Optimization report created"}));
  for (const auto& d : docs) {
    EXPECT_LT(ReadFile(d).size(), std::string(kPage).size()) << d;
    EXPECT_EQ(ReadFile(d + ".srbak"), kPage) << d;
  }
  std::string report = model->ini.ReadString(kGeneralOptions, "LastWrittenReport", "");
  EXPECT_TRUE(fs::is_regular_file(report)) << report;
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].args, std::vector<std::string>{report});
  window->hide();
}

TEST_F(MainFixture, BrowseQuestionOffInNormalRunButAskedInAnalysisRun) {
  IniFile(home + "/slimwright.INI").WriteString(kGeneralOptions, "BrowseReportPrompt", "0");
  IniFile(home + "/slimwright.INI").WriteString(kGeneralOptions, "ShowPreviewDlg", "0");
  IniFile(home + "/slimwright.INI").WriteString(kGeneralOptions, "OutputReport", "1");
  Start();
  WriteList();
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  WhenJobWindowOpens([&](THTMLgauge& g) {
    ClickIn(g, "bOptimize");
    ClickIn(g, "bOK");
  });
  Click("Optimize");
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"'Stale' file list detected"});
  EXPECT_EQ(pickerShown, 0);

  // Analysis mode on the documents as they are now.
  std::vector<std::string> before;
  for (const auto& d : docs) before.push_back(ReadFile(d));
  for (const auto& d : docs) fs::remove(d + ".srbak");
  Find<QCheckBox>("Analyze")->setChecked(true);
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  prompt.Answer("Optimization report created", Answer::No);
  std::string workDir = tmp / "systemp/t$w";
  bool copiesListed = false;
  WhenJobWindowOpens([&](THTMLgauge& g) {
    copiesListed = fs::is_regular_file(home + "/analysis.lst") && fs::is_directory(workDir);
    ClickIn(g, "bOptimize");
    EXPECT_EQ(g.findChild<QLabel*>("NumDone")->text(), "3");
    ClickIn(g, "bOK");
  });
  Click("Optimize");
  EXPECT_TRUE(copiesListed);
  EXPECT_EQ(prompt.boxes.back().caption, "Optimization report created");
  for (size_t i = 0; i < docs.size(); ++i) {
    EXPECT_EQ(ReadFile(docs[i]), before[i]);
    EXPECT_FALSE(fs::exists(docs[i] + ".srbak"));
  }
  EXPECT_FALSE(fs::exists(home + "/analysis.lst"));
  EXPECT_FALSE(fs::exists(workDir));
  EXPECT_FALSE(model->analysisMode);
}

TEST_F(MainFixture, SavingAListInTheBuilderAnswersTheStaleListQuestion) {
  Start();
  WriteList();
  int windows = 0;
  model->showJobWindow = [&](const JobConfig&) {
    ++windows;
    return JobWindowResult{};
  };
  Action("ShowVV")->trigger();
  bool mainHidden = false;
  QTimer::singleShot(0, [&] {
    auto* pick = qobject_cast<TProjFilePick*>(QApplication::activeModalWidget());
    ASSERT_NE(pick, nullptr);
    mainHidden = !window->isVisible();
    EXPECT_EQ(pick->findChild<QListWidget*>("ListBox1")->count(), 3);
    pick->model().Drop({2});
    prompt.Answer("Files list overwrite warning", Answer::Yes);
    ClickIn(*pick, "bOK");
  });
  window->show();
  Click("BuildList");
  EXPECT_TRUE(mainHidden);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(ReadFile(model->FilesListPath()), docs[0] + "\r\n" + docs[1] + "\r\n");
  Click("Optimize");
  EXPECT_EQ(windows, 1);
  EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Files list overwrite warning", "Files list saved"}));
  window->hide();
}

TEST_F(MainFixture, RestoreMessagesSingularAndPlural) {
  Start();
  WriteList();
  prompt.Answer("Confirming restoration", Answer::Yes);
  Action("Restorebackupsfromlastoptimization1")->trigger();
  EXPECT_EQ(prompt.boxes.back().caption, "Restoration aborted");

  WriteFile(docs[0] + ".srbak", "original");
  prompt.Answer("Confirming restoration", Answer::Yes);
  Action("Restorebackupsfromlastoptimization1")->trigger();
  EXPECT_EQ(prompt.boxes.back().caption, "Restoration incomplete");
  EXPECT_EQ(prompt.boxes.back().text,
            "Restoration was not completely successful. The following errors were reported:\n\n2 backup files could "
            "not be found and thus could not be restored.\n");
  EXPECT_EQ(ReadFile(docs[0]), "original");

  WriteFile(docs[0] + ".srbak", "original");
  WriteFile(docs[1] + ".srbak", "original");
  prompt.Answer("Confirming restoration", Answer::Yes);
  Action("Restorebackupsfromlastoptimization1")->trigger();
  EXPECT_EQ(prompt.boxes.back().text,
            "Restoration was not completely successful. The following error was reported:\n\n1 backup file could "
            "not be found and thus could not be restored.\n");

  for (const auto& d : docs) WriteFile(d + ".srbak", "original");
  // The hourglass shows from the confirmation to the last message, not over the question.
  bool arrowAtQuestion = false, hourglassAtEnd = false;
  prompt.onAsk["Confirming restoration"] = [&] { arrowAtQuestion = QApplication::overrideCursor() == nullptr; };
  prompt.onAsk["Restoration complete"] = [&] {
    hourglassAtEnd = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  };
  prompt.Answer("Confirming restoration", Answer::Yes);
  Action("Restorebackupsfromlastoptimization1")->trigger();
  EXPECT_TRUE(arrowAtQuestion);
  EXPECT_TRUE(hourglassAtEnd);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(prompt.boxes.back().caption, "Restoration complete");
  EXPECT_EQ(prompt.boxes.back().text,
            "All files from the previous job have been restored to their pre-optimized state.");
}

TEST_F(MainFixture, OpenExistingProfileReappliesTheSettings) {
  Start();
  WriteList();
  model->listBuilt = true;
  std::string other = tmp / "saved/other.INI";
  WriteFile(other, "");
  IniFile o(other);
  WritePreset(o, Preset::Maximum);
  o.WriteString(kGeneralOptions, "OutputReport", "1");
  o.WriteString(kGeneralOptions, "WriteDetailedStats", "1");
  o.WriteString(kGeneralOptions, "BrowseReportPrompt", "0");
  WriteFile(tmp / "saved/other.lst", docs[2] + "\r\n");
  window->chooseFile = [&](const QString& title, const QString&, const QString&, bool) {
    EXPECT_EQ(title, "Select exsting Slimwright job profile:");
    return QString::fromStdString(other);
  };
  prompt.Answer("Opening existing profile", Answer::No);
  Action("Openexistingprofile1")->trigger();
  EXPECT_FALSE(Find<QCheckBox>("MakeReport")->isChecked());
  prompt.Answer("Opening existing profile", Answer::Yes);
  Action("Openexistingprofile1")->trigger();
  EXPECT_EQ(prompt.boxes.back().icon, Icon::Warning);
  EXPECT_TRUE(Find<QCheckBox>("MakeReport")->isChecked());
  EXPECT_TRUE(Find<QRadioButton>("DetReport")->isChecked());
  EXPECT_FALSE(Action("BPro")->isChecked());
  EXPECT_FALSE(model->listBuilt);
  EXPECT_EQ(ReadFile(model->FilesListPath()), docs[2] + "\r\n");
  EXPECT_EQ(LoadOptionSet(model->ini).on, LoadOptionSet(o).on);

  // Saving it away again, with the files list.
  std::string saved = tmp / "saved/copy.INI";
  window->chooseFile = [&](const QString&, const QString&, const QString&, bool save) {
    EXPECT_TRUE(save);
    return QString::fromStdString(saved);
  };
  prompt.Answer("Copying files list", Answer::Yes);
  Action("Saveprofileas1")->trigger();
  EXPECT_EQ(ReadFile(saved), ReadFile(model->ProfilePath()));
  EXPECT_EQ(ReadFile(tmp / "saved/copy.lst"), docs[2] + "\r\n");
  prompt.Answer("Overwrite warning", Answer::No);
  Action("Saveprofileas1")->trigger();
  EXPECT_EQ(prompt.boxes.back().text, "File " + saved + " already exists. Do you wish to overwrite it?");
}

TEST_F(MainFixture, PrintingChecksAndFont) {
  Start();
  std::vector<std::string> lines;
  EXPECT_FALSE(model->PrintLines(PrintItem::LastReport, lines));
  EXPECT_EQ(prompt.boxes.back().caption, "Report not found");
  EXPECT_FALSE(model->PrintLines(PrintItem::FilesList, lines));
  EXPECT_EQ(prompt.boxes.back().caption, "Slimwright error");
  WriteFile(home + "/one.r01", "single line\r\n");
  model->ini.WriteString(kGeneralOptions, "LastWrittenReport", home + "/one.r01");
  EXPECT_TRUE(model->PrintLines(PrintItem::LastReport, lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(model->PrintLines(PrintItem::Profile, lines));
  EXPECT_GT(lines.size(), 10u);

  EXPECT_EQ(model->PrinterFont().name, "Courier New");
  model->ini.WriteString("Settings", "PrinterFontStyle", "2");
  EXPECT_TRUE(model->PrinterFont().italic);
  EXPECT_FALSE(model->PrinterFont().bold);
  PrinterFontSetting f{"Mono", 12, true, true};
  model->SetPrinterFont(f);
  EXPECT_EQ(model->ini.ReadInt("Settings", "PrinterFontStyle", 0), 3);
  EXPECT_EQ(prompt.boxes.back().caption, "Printer font selected");
}

// The job window on its own.
struct GaugeFixture : MainFixture {
  std::unique_ptr<THTMLgauge> gauge;
  void Open(bool outputReport) {
    Start();
    WriteList();
    gauge = std::make_unique<THTMLgauge>(Config(outputReport), prompt, nullptr, true, true, nullptr);
    gauge->show();
  }
  QLabel* L(const char* n) { return gauge->findChild<QLabel*>(n); }
};

TEST_F(GaugeFixture, OkBeforeAnyRunWarnsAndStaysOpen) {
  Open(false);
  EXPECT_FALSE(gauge->findChild<QPushButton*>("bAbort")->isEnabled());
  ClickIn(*gauge, "bOK");
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"No optimization performed"});
  EXPECT_EQ(prompt.boxes[0].icon, Icon::Warning);
  // The button it names is the window's own.
  const QString begin = gauge->findChild<QPushButton*>("bOptimize")->text().remove('&');
  EXPECT_NE(prompt.boxes[0].text.find("Press " + begin.toStdString() + " to start processing."), std::string::npos);
  EXPECT_TRUE(gauge->isVisible());
  prompt.Answer("Confirming exit...", Answer::No);
  ClickIn(*gauge, "bCancel");
  EXPECT_TRUE(gauge->isVisible());
  prompt.Answer("Confirming exit...", Answer::Yes);
  ClickIn(*gauge, "bCancel");
  EXPECT_FALSE(gauge->isVisible());
  EXPECT_TRUE(gauge->runCancelled());
}

TEST_F(GaugeFixture, AbortAnsweredYesStopsAfterTheCurrentDocument) {
  Open(true);
  QTimer::singleShot(0, [&] { ClickIn(*gauge, "bAbort"); });
  prompt.Answer("Confirming abort", Answer::Yes);
  prompt.Answer("Incomplete report", Answer::No);
  ClickIn(*gauge, "bOptimize");
  EXPECT_EQ(L("NumDone")->text(), "1");
  EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Confirming abort", "Incomplete report"}));
  EXPECT_NE(ReadFile(docs[0]), kPage);
  EXPECT_EQ(ReadFile(docs[1]), kPage);
  EXPECT_TRUE(L("NumPercent")->text().endsWith("%"));
  auto* abort = gauge->findChild<QPushButton*>("bAbort");
  EXPECT_FALSE(abort->isEnabled());
  EXPECT_EQ(abort->text(), "&Abort optimization");
  ClickIn(*gauge, "bOK");
  EXPECT_FALSE(gauge->isVisible());
}

TEST_F(GaugeFixture, AbortAnsweredNoFinishesEveryDocument) {
  Open(true);
  QTimer::singleShot(0, [&] {
    ClickIn(*gauge, "bAbort");
    EXPECT_EQ(gauge->findChild<QPushButton*>("bAbort")->text(), "Abort requested");
  });
  prompt.Answer("Confirming abort", Answer::No);
  ClickIn(*gauge, "bOptimize");
  EXPECT_EQ(L("NumDone")->text(), "3");
  EXPECT_EQ(prompt.Captions(), std::vector<std::string>{"Confirming abort"});
  for (const auto& d : docs) EXPECT_NE(ReadFile(d), kPage);
}

// Which buttons work when: idle, running, finished, and after a missing file.
TEST_F(GaugeFixture, ButtonStatesIdleRunningAndFinished) {
  Open(false);
  auto enabled = [&] {
    std::string on;
    for (const char* n : {"bOptimize", "bAbort", "bHelp", "bCancel", "bOK"})
      if (gauge->findChild<QPushButton*>(n)->isEnabled()) on += std::string(on.empty() ? "" : " ") + n;
    return on;
  };
  EXPECT_EQ(enabled(), "bOptimize bHelp bCancel bOK");
  std::string during;
  QTimer::singleShot(0, [&] {
    during = enabled();
    EXPECT_EQ(L("Pg")->text(), "Working...");
    EXPECT_EQ(L("Label1")->text(), "Optimizing HTML...");
  });
  ClickIn(*gauge, "bOptimize");
  EXPECT_EQ(during, "bAbort bHelp");
  EXPECT_EQ(enabled(), "bOptimize bHelp bCancel bOK");
  EXPECT_EQ(L("Pg")->text(), "Finished");

  fs::remove(docs[2]);
  ClickIn(*gauge, "bOptimize");
  EXPECT_EQ(prompt.boxes.back().caption, "Missing file...optimization aborted");
  EXPECT_EQ(enabled(), "bOptimize bHelp bCancel bOK");
  EXPECT_EQ(L("Label1")->text(), "HTML optimization complete");
  EXPECT_EQ(L("Pg")->text(), "Finished");
}

// The window keeps its size whatever the length of the current file name.
TEST_F(GaugeFixture, LongFileNameDoesNotWidenTheWindow) {
  docs.push_back(tmp / ("web/" + std::string(200, 'n') + ".htm"));
  WriteFile(docs.back(), kPage);
  Open(false);
  QSize before = gauge->size();
  ClickIn(*gauge, "bOptimize");
  QApplication::processEvents();
  EXPECT_EQ(gauge->findChild<QLabel*>("Curfile")->text().size(), 204);
  EXPECT_EQ(gauge->size(), before);
}

// Both windows open in the middle of the screen.
TEST_F(GaugeFixture, WindowsOpenCentred) {
  Open(false);
  auto centred = [](QWidget& w) {
    QPoint d = w.frameGeometry().center() - w.screen()->availableGeometry().center();
    return d.manhattanLength() <= 2;
  };
  EXPECT_TRUE(centred(*gauge));
  window->show();
  EXPECT_TRUE(centred(*window));
  window->hide();
}

TEST(SingleInstanceGuard, SecondInstanceRaisesTheFirst) {
  QString name = QStringLiteral("SlimwrightTest-%1").arg(QCoreApplication::applicationPid());
  SingleInstance first(name);
  ASSERT_TRUE(first.Claim());
  QSignalSpy spy(&first, &SingleInstance::activateRequested);
  SingleInstance second(name);
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(spy.count() > 0 || spy.wait(3000));
}

// A second start between the first one's look and its claim still finds the first.
TEST(SingleInstanceGuard, RivalStartDuringTheClaimDefersToTheFirst) {
  QString name = QStringLiteral("SlimwrightRace-%1").arg(QCoreApplication::applicationPid());
  SingleInstance first(name);
  std::thread rival;
  std::atomic<int> rivalClaimed{-1};
  first.beforeTaking = [&] {
    rival = std::thread([&] {
      SingleInstance second(name);
      rivalClaimed = second.Claim() ? 1 : 0;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  EXPECT_TRUE(first.Claim());
  rival.join();
  EXPECT_EQ(rivalClaimed.load(), 0);
}

TEST_F(MainFixture, BackupEraserIsCreatedHiddenAndSwapsWithTheMainWindow) {
  Start();
  window->show();
  ASSERT_TRUE(window->eraser());
  EXPECT_FALSE(window->eraser()->isVisible());
  EXPECT_EQ(Action("Backuperaserutility1")->shortcut(), QKeySequence("Ctrl+E"));
  Action("Backuperaserutility1")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(window->eraser()->isVisible());
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(window->eraser()->isModal());
  // Its settings go to the program settings file.
  EXPECT_EQ(model->ini.ReadString("Backup Eraser", "SearchMask", ""), "*.srbak");
  window->eraser()->findChild<QPushButton*>("bOK")->click();
  EXPECT_FALSE(window->eraser()->isVisible());
  EXPECT_TRUE(window->isVisible());
  window->hide();
}

TEST_F(MainFixture, BringToFrontRestoresAMinimisedWindow) {
  Start();
  window->showMinimized();
  window->BringToFront();
  EXPECT_FALSE(window->isMinimized());
  window->hide();
}

// Renders the README's pictures.
TEST_F(MainFixture, Screenshots) {
  const std::string out = swtest::ScreenshotFolder();
  // Real legacy pages make a telling picture.
  docs.clear();
  const std::vector<fs::path> pages = swtest::CorpusFiles();
  for (size_t i = 0; i < pages.size() && i < 12; ++i) {
    docs.push_back(tmp / ("site/" + std::to_string(i) + "-" + pages[i].filename().string()));
    WriteFile(docs.back(), ReadFile(pages[i].string()));
  }
  Start();
  WriteList();
  model->SetDefaultBrowser("/usr/bin/firefox");
  window->findChild<QLineEdit*>("Browpath1")->setText("/usr/bin/firefox");
  Find<QCheckBox>("MakeReport")->setChecked(true);
  window->show();
  QApplication::processEvents();
  EXPECT_TRUE(window->grab().save(QString::fromStdString(out + "/main-window.png")));
  THTMLgauge g(Config(true), prompt, nullptr, true, true, nullptr);
  g.show();
  ClickIn(g, "bOptimize");
  QApplication::processEvents();
  EXPECT_TRUE(g.grab().save(QString::fromStdString(out + "/job-window.png")));
  window->hide();
}

}  // namespace

// A job from a second window (or the command line) in the same home is
// refused before anything is touched, restore included.
TEST_F(MainFixture, SecondJobInTheHomeIsRefused) {
  Start();
  WriteList();
  int windows = 0;
  model->showJobWindow = [&](const JobConfig&) {
    ++windows;
    return JobWindowResult{};
  };
  JobLock running;
  ASSERT_TRUE(running.Take(home));
  Click("Optimize");
  EXPECT_EQ(windows, 0);
  ASSERT_FALSE(prompt.boxes.empty());
  EXPECT_EQ(prompt.boxes.back().caption, "Job already running");
  EXPECT_EQ(prompt.boxes.back().text.rfind("Another job is running in the program home " + home + ".", 0), 0u);
  WriteFile(docs[0] + ".srbak", "original");
  const size_t before = prompt.boxes.size();
  Action("Restorebackupsfromlastoptimization1")->trigger();
  ASSERT_EQ(prompt.boxes.size(), before + 1);
  EXPECT_EQ(prompt.boxes.back().caption, "Job already running");
  EXPECT_NE(ReadFile(docs[0]), "original");
}

namespace {

// Looks the same unless the document's name says otherwise.
struct NamedVerdicts : verify::PageVerifier {
  std::string differs;  // a file name that renders differently
  verify::Verdict Compare(const std::string& path, const std::string&, const std::string&) override {
    verify::Verdict v;
    v.kind = fs::path(path).filename() == differs ? verify::Verdict::Kind::Differs : verify::Verdict::Kind::Same;
    v.text = v.kind == verify::Verdict::Kind::Differs;
    return v;
  }
};

struct BrowserEnv {
  explicit BrowserEnv(const char* path) { ::setenv("SLIMWRIGHT_BROWSER", path, 1); }
  ~BrowserEnv() { ::unsetenv("SLIMWRIGHT_BROWSER"); }
};

}  // namespace

TEST_F(MainFixture, VerifyItemNeedsTheBrowserAndIsStoredAtOnce) {
  struct Case {
    const char* browser;
    bool enabled;
  } cases[] = {{"/nonexistent/chromium", false}, {"/bin/true", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.browser);
    BrowserEnv env(c.browser);
    Start();
    QAction* item = Action("VerifyRendering");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&Verify rendering after optimization");
    EXPECT_EQ(item->isEnabled(), c.enabled);
    EXPECT_EQ(item->toolTip().contains("apt-get install chromium"), !c.enabled) << item->toolTip().toStdString();
    if (c.enabled) {
      item->trigger();
      EXPECT_EQ(IniFile(home + "/slimwright.INI").ReadInt(kGeneralOptions, "VerifyRendering", 0), 1);
      window.reset();
      Start();  // read back at the next start
      EXPECT_TRUE(Action("VerifyRendering")->isChecked());
      Action("VerifyRendering")->trigger();
      EXPECT_EQ(IniFile(home + "/slimwright.INI").ReadInt(kGeneralOptions, "VerifyRendering", 1), 0);
    }
    window.reset();
  }
}

TEST_F(MainFixture, VerifiedRunKeepsWhatLooksDifferentAndMarksThePreviewList) {
  BrowserEnv env("/bin/true");
  Start();
  WriteList();
  model->SetDefaultBrowser("/usr/bin/env");  // any program that exists
  model->SetVerifyRendering(true);
  auto* fake = new NamedVerdicts;
  fake->differs = "about.htm";
  model->startVerifier = [fake](std::string*) { return std::unique_ptr<verify::PageVerifier>(fake); };
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  QString kept;
  bool keptShown = false;
  WhenJobWindowOpens([&](THTMLgauge& g) {
    ClickIn(g, "bOptimize");
    kept = g.findChild<QLabel*>("NumKept")->text();
    keptShown = g.findChild<QLabel*>("NumKept")->isVisibleTo(&g);
    ClickIn(g, "bOK");
  });
  window->show();
  Click("Optimize");
  EXPECT_TRUE(keptShown);
  EXPECT_EQ(kept, "1");
  EXPECT_EQ(ReadFile(docs[1]), kPage);
  EXPECT_FALSE(fs::exists(docs[1] + ".srbak"));
  EXPECT_LT(ReadFile(docs[0]).size(), std::string(kPage).size());
  EXPECT_EQ(pickerShown, 1);

  TIndexPicker picker(model->launcher, prompt, nullptr, true, nullptr);
  picker.ShowVerdicts(model->lastVerdicts);
  auto* list = picker.findChild<QListWidget*>("LB1");
  ASSERT_EQ(list->count(), 3);
  EXPECT_EQ(list->item(0)->text().toStdString(), docs[0] + "    [renders the same]");
  EXPECT_EQ(list->item(1)->text().toStdString(), docs[1] + "    [kept unchanged: differs: text]");
  // The mark is only shown: the path is what a preview opens.
  EXPECT_EQ(list->item(1)->data(Qt::UserRole).toString().toStdString(), docs[1]);
  window->hide();
}

TEST_F(MainFixture, VerifiedRunWithoutAWorkingBrowserTouchesNothing) {
  BrowserEnv env("/bin/true");
  Start();
  WriteList();
  model->SetVerifyRendering(true);
  model->SetDefaultBrowser("/usr/bin/env");
  model->startVerifier = [](std::string* error) {
    *error = "the browser did not answer";
    return std::unique_ptr<verify::PageVerifier>();
  };
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  bool opened = false;
  model->showJobWindow = [&](const JobConfig&) {
    opened = true;
    return JobWindowResult{};
  };
  model->Optimize(false);
  EXPECT_FALSE(opened);
  EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"'Stale' file list detected", "Slimwright Lite"}));
  for (const auto& d : docs) EXPECT_EQ(ReadFile(d), kPage);
}

// The job window and the preview list after a run verified in the real
// browser over real legacy pages.
TEST_F(MainFixture, VerifiedRunScreenshots) {
  if (verify::FindBrowser().empty()) GTEST_SKIP() << verify::kInstallHint;
  const std::string out = swtest::ScreenshotFolder();
  docs.clear();
  const std::vector<fs::path> pages = swtest::CorpusFiles();
  // Pages that keep one back at the maximum preset among ones that do not.
  for (const char* name : {"frform.html", "h_nolay.htm", "design-notes.html", "software.html", "node38.html",
                           "oleauto.html", "sane-umax-config-doc.html"})
    for (const auto& p : pages)
      if (p.filename() == name) {
        docs.push_back(tmp / ("site/" + p.filename().string()));
        WriteFile(docs.back(), ReadFile(p.string()));
        break;
      }
  IniFile(home + "/slimwright.INI").WriteString(kGeneralOptions, "VerifyRendering", "1");
  WritePreset(*std::make_unique<IniFile>(home + "/slimwright.INI"), Preset::Maximum);
  Start();
  WriteList();
  model->SetDefaultBrowser("/usr/bin/env");  // any program that exists
  prompt.Answer("'Stale' file list detected", Answer::Yes);
  WhenJobWindowOpens([&](THTMLgauge& g) {
    ClickIn(g, "bOptimize");
    QApplication::processEvents();
    EXPECT_TRUE(g.grab().save(QString::fromStdString(out + "/job-window-verified.png")));
    ClickIn(g, "bOK");
  });
  window->show();
  Click("Optimize");
  TIndexPicker picker(model->launcher, prompt, nullptr, true, nullptr);
  picker.ShowVerdicts(model->lastVerdicts);
  picker.findChild<QLineEdit*>("Browpath1")->setText("/usr/bin/chromium");
  picker.show();
  QApplication::processEvents();
  EXPECT_TRUE(picker.grab().save(QString::fromStdString(out + "/preview-picker-verified.png")));
  EXPECT_EQ(model->lastVerdicts.size() > 0, true);
  window->hide();
}

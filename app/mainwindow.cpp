#include "app/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/analysisdir.h"
#include "app/centre.h"
#include "app/filepick.h"
#include "app/jobwindow.h"
#include "app/widgets.h"
#include "options/tagpicker.h"
#include "eraser/backupkill.h"
#include "preview/indexpicker.h"
#include "replace/gui/tagmanager.h"
#include "verify/chromium.h"

namespace sw {

namespace {
QFont ToQFont(const PrinterFontSetting& pf) {
  QFont f(ToQ(pf.name), pf.size);
  f.setBold(pf.bold);
  f.setItalic(pf.italic);
  return f;
}
}  // namespace

QAction* TTabform::AddItem(QMenu* menu, const char* name, const QString& text, const QKeySequence& key) {
  QAction* a = menu->addAction(text);
  a->setObjectName(name);
  if (!key.isEmpty()) a->setShortcut(key);
  return a;
}

TTabform::TTabform(MainModel& model, QWidget* parent) : QMainWindow(parent), model_(model) {
  setObjectName("TTabform");
  setWindowTitle(kWindowCaption);
  setWindowIcon(QApplication::windowIcon());

  auto* central = new QWidget(this);
  auto* v = new QVBoxLayout(central);
  auto* heading = new QLabel("Main control panel", central);
  heading->setObjectName("Label1");
  QFont f = heading->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.4);
  heading->setFont(f);
  v->addWidget(heading);

  auto* reports = new QGroupBox(central);
  auto* rv = new QVBoxLayout(reports);
  MakeReport = new QCheckBox("&Generate report for this optimization", reports);
  MakeReport->setObjectName("MakeReport");
  StdReport = new QRadioButton("&Brief report", reports);
  StdReport->setObjectName("StdReport");
  DetReport = new QRadioButton("&Detailed report", reports);
  DetReport->setObjectName("DetReport");
  rv->addWidget(MakeReport);
  auto* rh = new QHBoxLayout;
  rh->addSpacing(20);
  rh->addWidget(StdReport);
  rh->addWidget(DetReport);
  rh->addStretch();
  rv->addLayout(rh);
  Analyze = new QCheckBox("&Analysis mode (don't save optimized files)", reports);
  Analyze->setObjectName("Analyze");
  rv->addWidget(Analyze);
  v->addWidget(reports);

  BuildList = NamedButton(central, "BuildList", "&Select files for optimization");
  Taglist1 = NamedButton(central, "Taglist1", "Select optimization op&tions");
  v->addWidget(BuildList);
  v->addWidget(Taglist1);

  auto* bh = new QHBoxLayout;
  auto* l2 = new QLabel("Default bro&wser:", central);
  l2->setObjectName("Label2");
  Browpath1 = new QLineEdit(central);
  Browpath1->setObjectName("Browpath1");
  Browpath1->setReadOnly(true);
  Browpath1->setMinimumWidth(260);
  l2->setBuddy(Browpath1);
  BrowseBrowser = NamedButton(central, "BrowseBrowser", "...");
  BrowseBrowser->setMaximumWidth(32);
  bh->addWidget(l2);
  bh->addWidget(Browpath1, 1);
  bh->addWidget(BrowseBrowser);
  v->addLayout(bh);

  auto* buttons = new QHBoxLayout;
  Optimize = NamedButton(central, "Optimize", "O&ptimize HTML");
  Optimize->setDefault(true);
  bHelp = NamedButton(central, "bHelp", "He&lp");
  Quitbutt = NamedButton(central, "Quitbutt", "&Quit");
  buttons->addWidget(Optimize);
  buttons->addWidget(bHelp);
  buttons->addWidget(Quitbutt);
  v->addLayout(buttons);
  setCentralWidget(central);

  // Menus.
  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("File1");
  connect(AddItem(file, "Openexistingprofile1", "&Open existing profile", QKeySequence("Ctrl+O")),
          &QAction::triggered, this, &TTabform::OpenProfileClick);
  connect(AddItem(file, "Openimage1", "Open &files list", QKeySequence("Ctrl+F")), &QAction::triggered, this,
          [this] { model_.launcher.OpenFilesListInEditor(); });
  connect(AddItem(file, "OpenHTMLfile1", "Open &HTML file", QKeySequence("Ctrl+H")), &QAction::triggered, this,
          &TTabform::OpenHtmlClick);
  connect(AddItem(file, "Saveprofileas1", "&Save profile as...", QKeySequence("Ctrl+S")), &QAction::triggered,
          this, &TTabform::SaveProfileClick);
  QMenu* print = file->addMenu("&Print...");
  print->setObjectName("Print1");
  print->menuAction()->setObjectName("Print1");
  // A submenu's own shortcut never fires, so Ctrl+P opens the submenu.
  auto* printKey = new QAction(this);
  printKey->setObjectName("PrintKey");
  printKey->setShortcut(QKeySequence("Ctrl+P"));
  addAction(printKey);
  connect(printKey, &QAction::triggered, this, [this, file, print] {
    print->popup(menuBar()->mapToGlobal(menuBar()->actionGeometry(file->menuAction()).bottomLeft()));
  });
  connect(AddItem(print, "Lastreport1", "&Last report"), &QAction::triggered, this, [this] { PrintClick(0); });
  connect(AddItem(print, "Currentfileslist1", "&Current files list"), &QAction::triggered, this,
          [this] { PrintClick(1); });
  connect(AddItem(print, "Currentprofile1", "Current &profile"), &QAction::triggered, this, [this] { PrintClick(2); });
  connect(AddItem(print, "Selectfontandsize1", "&Select font"), &QAction::triggered, this,
          &TTabform::SelectFontClick);
  connect(AddItem(file, "PrintSetup1", "P&rinter setup..."), &QAction::triggered, this, &TTabform::PrinterSetupClick);
  file->addSeparator();
  connect(AddItem(file, "Exit1", "E&xit", QKeySequence("Ctrl+X")), &QAction::triggered, this, &QWidget::close);

  QMenu* util = menuBar()->addMenu("&Utilities");
  util->setObjectName("Utilities1");
  connect(AddItem(util, "ManEdit1", "&Manually edit current job's files list", QKeySequence("Ctrl+M")),
          &QAction::triggered, this, [this] { model_.EditFilesList(); });
  connect(AddItem(util, "Customtagsmanager1", "&Custom search and replace manager", QKeySequence("Ctrl+R")),
          &QAction::triggered, this, &TTabform::TermManagerClick);
  connect(AddItem(util, "BrowseLastReport", "&Browse most recent report", QKeySequence("Ctrl+B")),
          &QAction::triggered, this, [this] { model_.launcher.OpenLastReportInEditor(); });
  connect(AddItem(util, "Previewcurrentwebsfiles1", "Pre&view current web's files", QKeySequence("Ctrl+V")),
          &QAction::triggered, this, [this] { PreviewPickerClick(false); });
  connect(AddItem(util, "Specifydifferentexternaltexteditor1", "Specify different external &text editor",
                  QKeySequence("Ctrl+T")),
          &QAction::triggered, this, &TTabform::SelectEditorClick);
  connect(AddItem(util, "Selectdifferentpathforanalysismode1", "Select &different path for analysis mode",
                  QKeySequence("Ctrl+D")),
          &QAction::triggered, this, &TTabform::AnalysisDirClick);
  connect(AddItem(util, "Restorebackupsfromlastoptimization1", "&Restore backups from last optimization",
                  QKeySequence("Ctrl+L")),
          &QAction::triggered, this, &TTabform::RestoreClick);
  connect(AddItem(util, "Backuperaserutility1", "Backup &eraser utility", QKeySequence("Ctrl+E")),
          &QAction::triggered, this, &TTabform::BackupEraserClick);
  eraser_ = std::make_unique<TBackupKill>(model_.ini, model_.prompt, &model_.help, this);

  QMenu* opts = menuBar()->addMenu("&Options");
  opts->setObjectName("Options1");
  CBack = AddItem(opts, "CBack", "&Create backups when processing");
  BPro = AddItem(opts, "BPro", "&Prompt to browse report after optimizing");
  Slow = AddItem(opts, "Slow", "&Reduce processor load when optimizing");
  ShowVV = AddItem(opts, "ShowVV", "&Show visual verification dialog after optimizing");
  VerifyRendering = AddItem(opts, "VerifyRendering", "&Verify rendering after optimization");
  for (QAction* a : {CBack, BPro, Slow, ShowVV, VerifyRendering}) a->setCheckable(true);
  // Without the browser the item cannot work: it says how to get it.
  opts->setToolTipsVisible(true);
  if (!model_.verifierInstalled()) {
    VerifyRendering->setEnabled(false);
    VerifyRendering->setToolTip(verify::kInstallHint);
  } else {
    VerifyRendering->setToolTip("Render each optimized page in Chromium before it is written, and leave a page "
                                "that would look different as it was");
  }
  connect(VerifyRendering, &QAction::toggled, this, [this](bool on) { model_.SetVerifyRendering(on); });
  CBack->setChecked(true);
  connect(CBack, &QAction::toggled, this, [this](bool on) { model_.SetBackups(on); });
  connect(BPro, &QAction::toggled, this, [this](bool on) { model_.SetBrowseReportPrompt(on); });
  connect(Slow, &QAction::toggled, this, [this](bool on) { model_.SetSlowOptimize(on); });
  connect(ShowVV, &QAction::toggled, this, [this](bool on) { model_.SetShowPreviewDlg(on); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("Help1");
  connect(AddItem(help, "Contents1", "&Contents", QKeySequence(Qt::Key_F1)), &QAction::triggered, this,
          [this] { model_.help.ShowContents(); });
  connect(AddItem(help, "SearchforHelpOn1", "&Search for help on...", QKeySequence(Qt::Key_F4)),
          &QAction::triggered, this, [this] { model_.help.ShowTopic("topics"); });
  Tipoday = AddItem(help, "Tipoday", "&Tips", QKeySequence(Qt::Key_F5));
  connect(Tipoday, &QAction::triggered, this, [this] { model_.ShowTips(); });
  connect(AddItem(help, "About1", "&About...", QKeySequence(Qt::Key_F12)), &QAction::triggered, this,
          [this] { model_.ShowAbout(); });

  connect(MakeReport, &QCheckBox::toggled, this, [this](bool on) {
    model_.SetOutputReport(on);
    StdReport->setEnabled(on);
    DetReport->setEnabled(on);
  });
  connect(StdReport, &QRadioButton::toggled, this, [this](bool on) {
    if (on) model_.SetDetailedReport(false);
  });
  connect(DetReport, &QRadioButton::toggled, this, [this](bool on) {
    if (on) model_.SetDetailedReport(true);
  });
  connect(BuildList, &QPushButton::clicked, this, &TTabform::BuildListClick);
  connect(Taglist1, &QPushButton::clicked, this, &TTabform::TagListClick);
  connect(BrowseBrowser, &QPushButton::clicked, this, &TTabform::BrowseBrowserClick);
  connect(Optimize, &QPushButton::clicked, this, &TTabform::OptimizeClick);
  connect(bHelp, &QPushButton::clicked, this, [this] { model_.help.ShowContext(kMainHelpContext); });
  connect(Quitbutt, &QPushButton::clicked, this, &QWidget::close);

  chooseFile = [this](const QString& title, const QString& dir, const QString& filter, bool save) {
    QFileDialog d(this, title, dir, filter);
    if (save) {
      d.setAcceptMode(QFileDialog::AcceptSave);
      d.setDefaultSuffix("INI");
      // An existing profile is asked about by our own question.
      d.setOption(QFileDialog::DontConfirmOverwrite);
      d.selectFile(ToQ(model_.paths.name + ".INI"));
    } else {
      d.setFileMode(QFileDialog::ExistingFile);
    }
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
    return d.selectedFiles().first();
  };
  model_.processEvents = [] { QCoreApplication::processEvents(); };
  model_.showPreviewPicker = [this] { PreviewPickerClick(true); };
  model_.showJobWindow = [this](const JobConfig& c) {
    THTMLgauge gauge(c, model_.prompt, &model_.help, model_.showPreviewDlg, model_.browseReportPrompt, this);
    gauge.exec();
    JobWindowResult r;
    r.runCancelled = gauge.runCancelled();
    r.ran = gauge.ran();
    r.reportPath = gauge.run().ReportPath();
    if (gauge.run().Verification().on) r.verdicts = VerdictMarks(gauge.run().Verification());
    return r;
  };
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  // Made hidden at start and kept; it stays open beside this window.
  picker_ = std::make_unique<TTagPicker>(model_.ini, model_.prompt, &model_.help);
  connect(picker_.get(), &QDialog::finished, this, [this] {
    showNormal();
    raise();
    activateWindow();
  });
}

TTabform::~TTabform() = default;

bool TTabform::Init() {
  if (!model_.ReadSettings()) return false;
  Tipoday->setVisible(model_.TipsAvailable());
  ApplySettings();
  return true;
}

void TTabform::ApplySettings() {
  // Setting the controls runs their handlers, which write the values back.
  if (model_.detailedReport) {
    DetReport->setChecked(true);
    model_.SetDetailedReport(true);
  } else {
    StdReport->setChecked(true);
    model_.SetDetailedReport(false);
  }
  MakeReport->setChecked(model_.outputReport);
  model_.SetOutputReport(model_.outputReport);
  StdReport->setEnabled(model_.outputReport);
  DetReport->setEnabled(model_.outputReport);
  {
    QSignalBlocker a(Slow), b(BPro), c(ShowVV), d(VerifyRendering);
    VerifyRendering->setChecked(model_.verifyRendering);
    Slow->setChecked(model_.slowOptimize);
    BPro->setChecked(model_.browseReportPrompt);
    ShowVV->setChecked(model_.showPreviewDlg);
  }
  Browpath1->setText(ToQ(model_.launcher.defaultBrowser()));
}

void TTabform::showEvent(QShowEvent* e) {
  if (!centred_) CentreOnScreen(this);
  centred_ = true;
  QMainWindow::showEvent(e);
}

void TTabform::closeEvent(QCloseEvent* e) {
  // Closing this window ends the program, also while the options window is open.
  picker_->hide();
  QMainWindow::closeEvent(e);
}

void TTabform::BringToFront() {
  QWidget* w = QApplication::activeModalWidget();
  if (!w) w = this;
  if (w->isMinimized()) w->showNormal();
  w->raise();
  w->activateWindow();
}

void TTabform::OptimizeClick() {
  model_.Optimize(Analyze->isChecked());
  // The pre-checks may have found a new default browser.
  Browpath1->setText(ToQ(model_.launcher.defaultBrowser()));
}

void TTabform::BuildListClick() {
  TProjFilePick pick(model_.ini, model_.FilesListPath(), model_.prompt, &model_.help, this);
  pick.exec();
  if (pick.model().saved()) model_.listBuilt = true;
}

void TTabform::TagListClick() {
  picker_->show();
  picker_->raise();
  picker_->activateWindow();
}

void TTabform::BrowseBrowserClick() {
  QString path = chooseFile("Select new default browser", QString(), "Applications (*)", false);
  if (path.isEmpty()) return;
  model_.SetDefaultBrowser(FromQ(path));
  Browpath1->setText(path);
}

void TTabform::OpenProfileClick() {
  if (!model_.ConfirmOpenProfile()) return;
  QString path = chooseFile("Select exsting Slimwright job profile:", ToQ(model_.paths.home),
                            "ini files (*.ini *.INI);;All files (*)", false);
  if (path.isEmpty()) return;
  if (!model_.OpenProfile(FromQ(path))) {
    close();
    return;
  }
  ApplySettings();
}

void TTabform::SaveProfileClick() {
  QString path =
      chooseFile("Specify name and path for profile file:", ToQ(model_.paths.home), "INI files (*.ini *.INI)", true);
  if (path.isEmpty()) return;
  model_.SaveProfileAs(FromQ(path));
}

void TTabform::OpenHtmlClick() {
  QString path = chooseFile("Select HTML file:", QString(), "HTML files (*.htm* *.?htm*);;All files (*)", false);
  if (path.isEmpty()) return;
  model_.launcher.OpenWithDefaultBrowser(FromQ(path));
}

void TTabform::PrintClick(int item) {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  QPrintDialog dialog(printer_.get(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> lines;
  if (!model_.PrintLines(PrintItem(item), lines) || lines.empty()) return;
  QFont font = ToQFont(model_.PrinterFont());
  QString text;
  for (const auto& l : lines) text += ToQ(l) + "\n";
  QTextDocument doc;
  doc.setDefaultFont(font);
  doc.setPlainText(text);
  doc.print(printer_.get());
}

void TTabform::SelectFontClick() {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, ToQFont(model_.PrinterFont()), this);
  if (!ok) return;
  PrinterFontSetting pf;
  pf.name = FromQ(chosen.family());
  pf.size = chosen.pointSize() > 0 ? chosen.pointSize() : 10;
  pf.bold = chosen.bold();
  pf.italic = chosen.italic();
  model_.SetPrinterFont(pf);
}

void TTabform::PrinterSetupClick() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  QPageSetupDialog d(printer_.get(), this);
  d.exec();
}

void TTabform::SelectEditorClick() {
  QString path = chooseFile("Select new default text editor", QString(), "Applications (*)", false);
  if (path.isEmpty()) return;
  model_.SetExternalEditor(FromQ(path));
}

void TTabform::AnalysisDirClick() {
  TDirForm2 d(model_.ini, model_.prompt, &model_.help, model_.tempDir, this);
  d.exec();
}

void TTabform::TermManagerClick() {
  TTagManager d(model_.ini, model_.prompt, &model_.help, this, this);
  d.exec();
}

void TTabform::PreviewPickerClick(bool afterRun) {
  {
    TIndexPicker d(model_.launcher, model_.prompt, &model_.help, afterRun, this, this);
    d.ShowVerdicts(model_.lastVerdicts);
    d.exec();
  }
  // "..." in the picker may have chosen another browser.
  Browpath1->setText(ToQ(model_.launcher.defaultBrowser()));
}

void TTabform::RestoreClick() {
  // The hourglass comes once the restore is confirmed, not over the question.
  bool busy = false;
  model_.RestoreBackups([&busy] {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    busy = true;
  });
  if (busy) QApplication::restoreOverrideCursor();
}

void TTabform::BackupEraserClick() {
  // Not modal: the main window hides until the eraser is closed.
  hide();
  eraser_->show();
  eraser_->raise();
  eraser_->activateWindow();
}

}  // namespace sw

#include "app/jobwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QShowEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/centre.h"
#include "app/main_model.h"
#include "app/widgets.h"
#include "platform/help.h"

namespace sw {

THTMLgauge::THTMLgauge(const JobConfig& config, Prompt& prompt, HelpSystem* help, bool showPreviewDlg,
                       bool browseReportPrompt, QWidget* mainWindow)
    : QDialog(nullptr), profile_(config.profilePath), prompt_(prompt), help_(help), mainWindow_(mainWindow) {
  setObjectName("THTMLgauge");
  setWindowTitle(kWindowCaption);
  setWindowIcon(QApplication::windowIcon());
  rules_.showPreviewDlg = showPreviewDlg;
  rules_.browseReportPrompt = browseReportPrompt;
  run_ = std::make_unique<JobRun>(profile_, prompt_, this);
  run_->config = config;

  auto* v = new QVBoxLayout(this);
  Label1 = NamedLabel(this, "Label1", "Ready to optimize HTML...");
  QFont big = Label1->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.4);
  Label1->setFont(big);
  v->addWidget(Label1);
  Label2 = NamedLabel(this, "Label2",
                     "Please wait, or work in another program, while Slimwright processes your files. Optimization "
                     "could take several minutes for large webs.");
  Label2->setWordWrap(true);
  v->addWidget(Label2);
  Pg = NamedLabel(this, "Pg", "Optimization progress");
  Pg->setAlignment(Qt::AlignHCenter);
  v->addWidget(Pg);
  Meter = new QProgressBar(this);
  Meter->setObjectName("Meter");
  Meter->setRange(0, 1);
  Meter->setValue(0);
  Meter->setTextVisible(false);
  v->addWidget(Meter);

  auto* g = new QGridLayout;
  auto row = [&](int r, const char* ln, const char* caption, const char* vn) {
    g->addWidget(NamedLabel(this, ln, caption), r, 0);
    auto* value = NamedLabel(this, vn, "");
    value->setMinimumWidth(220);
    g->addWidget(value, r, 1);
    return value;
  };
  Curfile = row(0, "Label3", "Processing file:", "Curfile");
  // A long file name is cut at the edge rather than widening the window.
  Curfile->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  NumFiles = row(1, "Label5", "Files in this job:", "NumFiles");
  NumFiles->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  NumDone = row(2, "Label6", "Files processed:", "NumDone");
  NumSaved = row(3, "Label7", "Byte savings:", "NumSaved");
  NumPercent = row(4, "Label8", "Percentage savings:", "NumPercent");
  Errcnt = row(5, "Label9", "Errors:", "Errcnt");
  // Only a verified run keeps documents back.
  NumKept = row(6, "Label10", "Kept unchanged (render differently):", "NumKept");
  if (!config.verifier) {
    NumKept->hide();
    findChild<QLabel*>("Label10")->hide();
  }
  v->addLayout(g);

  auto* h = new QHBoxLayout;
  bOptimize = NamedButton(this, "bOptimize", "&Begin optimization");
  bAbort = NamedButton(this, "bAbort", "&Abort optimization");
  bHelp = NamedButton(this, "bHelp", "&Help");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  bOK = NamedButton(this, "bOK", "&OK");
  for (auto* b : {bOptimize, bAbort, bHelp, bCancel, bOK}) h->addWidget(b);
  v->addLayout(h);
  bOptimize->setDefault(true);
  bOptimize->setFocus();
  bAbort->setEnabled(false);

  connect(bOptimize, &QPushButton::clicked, this, &THTMLgauge::bOptimizeClick);
  connect(bAbort, &QPushButton::clicked, this, &THTMLgauge::bAbortClick);
  connect(bCancel, &QPushButton::clicked, this, &THTMLgauge::bCancelClick);
  connect(bOK, &QPushButton::clicked, this, &THTMLgauge::bOKClick);
  connect(bHelp, &QPushButton::clicked, this, &THTMLgauge::bHelpClick);

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  if (mainWindow_) mainWindow_->hide();
}

THTMLgauge::~THTMLgauge() {
  if (mainWindow_) mainWindow_->showNormal();
}

void THTMLgauge::showEvent(QShowEvent* e) {
  if (!centred_) CentreOnScreen(this);
  centred_ = true;
  QDialog::showEvent(e);
  raise();
  activateWindow();
}

void THTMLgauge::closeEvent(QCloseEvent* e) {
  // The title bar's close acts as Cancel; during a run only Abort stops it.
  if (closing_) return QDialog::closeEvent(e);
  e->ignore();
  if (!run_->Running()) bCancelClick();
}

void THTMLgauge::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) return;  // Escape is not Cancel here
  QDialog::keyPressEvent(e);
}

void THTMLgauge::SetIdleButtons() {
  bOptimize->setEnabled(true);
  bAbort->setEnabled(false);
  bAbort->setText("&Abort optimization");
  bCancel->setEnabled(true);
  bOK->setEnabled(true);
}

void THTMLgauge::FinalReadouts() {
  Label1->setText("HTML optimization complete");
  SetIdleButtons();
  Pg->setText("Finished");
}

void THTMLgauge::RunStarting(int fileCount) {
  Label1->setText("Optimizing HTML...");
  fileCount_ = fileCount;
  NumFiles->setText(QString::number(fileCount));
  bOK->setEnabled(false);
  Pg->setText("Working...");
  bAbort->setEnabled(true);
  bAbort->setText("&Abort optimization");
  bCancel->setEnabled(false);
  Errcnt->setText("0");
  kept_ = 0;
  NumKept->setText("0");
  bOptimize->setEnabled(false);
  Meter->setRange(0, std::max(1, fileCount));
  Meter->setValue(0);
}

void THTMLgauge::CurrentFile(int, const std::string& fileName) {
  Curfile->setText(ToQ(fileName));
}

void THTMLgauge::DocumentDone(const RunTotals& t, int) {
  // The last document is done: the statistics follow under the hourglass.
  if (t.FilesProcessed == fileCount_ && !hourglass_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    hourglass_ = true;
  }
  Meter->setValue(std::min(Meter->maximum(), int(t.FilesProcessed)));
  NumDone->setText(QString::number(t.FilesProcessed));
  NumSaved->setText(QString::number(t.BytesSaved));
  Errcnt->setText(QString::number(t.ErrorCount));
}

void THTMLgauge::DocumentKept(int, const std::string&, const std::string&) {
  NumKept->setText(QString::number(++kept_));
}

void THTMLgauge::AbortWithdrawn() {
  bAbort->setEnabled(true);
  bAbort->setText("&Abort optimization");
}

void THTMLgauge::ProcessEvents() { QCoreApplication::processEvents(); }

void THTMLgauge::bOptimizeClick() {
  ran_ = true;
  outcome_ = run_->Run();
  if (hourglass_) QApplication::restoreOverrideCursor();
  hourglass_ = false;
  NumPercent->setText(QString::fromStdString(outcome_.percentText));
  FinalReadouts();
}

void THTMLgauge::bAbortClick() {
  run_->RequestAbort();
  bAbort->setText("Abort requested");
  bAbort->setEnabled(false);
}

void THTMLgauge::bCancelClick() {
  if (!rules_.CancelClick(prompt_)) return;
  closing_ = true;
  reject();
}

void THTMLgauge::bOKClick() {
  if (!JobWindowRules::OkClick(prompt_, run_->RunStarted())) return;
  closing_ = true;
  accept();
}

void THTMLgauge::bHelpClick() {
  if (help_) help_->ShowContext(kJobWindowHelpContext);
}

}  // namespace sw

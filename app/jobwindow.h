// THTMLgauge: the job run window, a view over JobRun.
#pragma once
#include <QDialog>
#include <memory>

#include "app/jobwindow_model.h"
#include "jobs/jobrun.h"
#include "platform/inifile.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace sw {

class HelpSystem;

class THTMLgauge : public QDialog, public JobProgress {
  Q_OBJECT
 public:
  THTMLgauge(const JobConfig& config, Prompt& prompt, HelpSystem* help, bool showPreviewDlg,
             bool browseReportPrompt, QWidget* mainWindow);
  ~THTMLgauge() override;

  JobRun& run() { return *run_; }
  const JobOutcome& outcome() const { return outcome_; }
  bool ran() const { return ran_; }
  bool runCancelled() const { return rules_.runCancelled; }

  // JobProgress
  void RunStarting(int fileCount) override;
  void CurrentFile(int index, const std::string& fileName) override;
  void DocumentDone(const RunTotals& totals, int percentDone) override;
  void AbortWithdrawn() override;
  void DocumentKept(int index, const std::string& document, const std::string& why) override;
  void ProcessEvents() override;

 public Q_SLOTS:
  void bOptimizeClick();
  void bAbortClick();
  void bCancelClick();
  void bOKClick();
  void bHelpClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void SetIdleButtons();
  void FinalReadouts();

  IniFile profile_;
  Prompt& prompt_;
  HelpSystem* help_;
  QWidget* mainWindow_;
  JobWindowRules rules_;
  std::unique_ptr<JobRun> run_;
  JobOutcome outcome_;
  bool ran_ = false;
  bool closing_ = false;
  int fileCount_ = 0;
  int kept_ = 0;
  bool hourglass_ = false;
  bool centred_ = false;

  QLabel *Label1, *Label2, *Pg, *Curfile, *NumFiles, *NumDone, *NumSaved, *NumPercent, *Errcnt, *NumKept;
  QProgressBar* Meter;
  QPushButton *bOptimize, *bAbort, *bHelp, *bCancel, *bOK;
};

}  // namespace sw

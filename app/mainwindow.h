// TTabform: the main control panel, a view over MainModel.
#pragma once
#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/main_model.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace sw {

class TTagPicker;
class TBackupKill;

class TTabform : public QMainWindow {
  Q_OBJECT
 public:
  TTabform(MainModel& model, QWidget* parent = nullptr);
  ~TTabform() override;

  // Reads the settings and shows them. False when the user chose to end the
  // program at the missing-profile question.
  bool Init();
  MainModel& model() { return model_; }
  // The backup eraser, created hidden with the main window.
  TBackupKill* eraser() { return eraser_.get(); }
  // A second start asked us to come to the front.
  void BringToFront();
  // The options window, made once here and hidden between uses.
  TTagPicker* tagPicker() { return picker_.get(); }

  // The file dialogs: title, folder, filter, save dialog; "" on Cancel.
  // Tests replace it.
  std::function<QString(const QString&, const QString&, const QString&, bool)> chooseFile;

 public Q_SLOTS:
  void OptimizeClick();
  void BuildListClick();
  void BrowseBrowserClick();
  void OpenProfileClick();
  void SaveProfileClick();
  void OpenHtmlClick();
  void PrintClick(int item);
  void SelectFontClick();
  void PrinterSetupClick();
  void SelectEditorClick();
  void AnalysisDirClick();
  void RestoreClick();
  void TagListClick();
  void BackupEraserClick();
  void TermManagerClick();
  // afterRun: the picker follows an optimization run and leaves this window shown.
  void PreviewPickerClick(bool afterRun);

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void ApplySettings();
  QAction* AddItem(QMenu* menu, const char* name, const QString& text, const QKeySequence& key = {});

  MainModel& model_;
  std::unique_ptr<QPrinter> printer_;
  QCheckBox *MakeReport, *Analyze;
  QRadioButton *StdReport, *DetReport;
  QLineEdit* Browpath1;
  QPushButton *BuildList, *Taglist1, *Optimize, *bHelp, *Quitbutt, *BrowseBrowser;
  QAction *CBack, *BPro, *Slow, *ShowVV, *VerifyRendering, *Tipoday;
  // A window of its own, not a child: its controls share names with ours.
  std::unique_ptr<TTagPicker> picker_;
  std::unique_ptr<TBackupKill> eraser_;
  bool centred_ = false;  // placed in the middle of the screen at the first show only
};

}  // namespace sw

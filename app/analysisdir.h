// TDirForm2: choosing the analysis-mode working directory.
#pragma once
#include <QDialog>

#include "app/analysisdir_model.h"

class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace sw {

class HelpSystem;

class TDirForm2 : public QDialog {
  Q_OBJECT
 public:
  // tempDir: the system temporary directory, home of the default working directory.
  TDirForm2(IniFile& settings, Prompt& prompt, HelpSystem* help, const std::string& tempDir,
            QWidget* parent = nullptr);
  AnalysisDirModel& model() { return model_; }
  // A drive or directory change (the tree and the drive selector call it).
  void SelectDirectory(const QString& dir);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void FillFiles(const QString& dir);
  AnalysisDirModel model_;
  HelpSystem* help_;
  QComboBox* DCB1;
  QTreeView* DLB1;
  QFileSystemModel* dirs_;
  QListWidget* FLB1;
  QLabel* Label1;
  QPushButton *bOK, *bCancel, *bReset;
};

}  // namespace sw

// TBackupKill, the backup eraser window, with its mask editor (TMaskEditor)
// and starting-directory picker (TDirForm): thin views over EraserModel.
#pragma once
#include <QDialog>
#include <cstdint>

#include "eraser/core/eraser_model.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeView;

namespace sw {

class HelpSystem;
class THSListBox;

class TBackupKill : public QDialog {
  Q_OBJECT
 public:
  // Created once at program start and kept hidden between uses. While it is
  // shown the main window hides.
  TBackupKill(Profile& settings, Prompt& prompt, HelpSystem* help, QWidget* mainWindow,
              eraser::EraseOps ops = eraser::SystemEraseOps());
  ~TBackupKill() override;

  eraser::EraserModel& model() { return model_; }
  bool Searching() const { return searching_; }

  // The modal helpers; tests replace them. Each returns "" on Cancel.
  std::function<QString(const QString& start)> chooseDirectory;
  std::function<QString()> editMask;

 public Q_SLOTS:
  void BuildlistClick();
  void DelBtnClick();
  void bEditClick();
  void SrcDirElipsisClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void FormShow();
  void FF1Terminated(uint64_t search);
  void Exempt(const std::vector<int>& rows);
  void ShowList();

  eraser::EraserModel model_;
  Prompt& prompt_;
  HelpSystem* help_;
  QWidget* mainWindow_;
  uint64_t search_ = 0;  // the search whose end counts; older ones are ignored
  bool searching_ = false;

  QLineEdit *SrcDir, *Srchmask;
  QPushButton *SrcDirButton, *bEdit, *Buildlist, *DelBtn, *bOK, *bHelp;
  QCheckBox* SubDirs;
  THSListBox* LB1;
  QLabel* FSReadout;
  QRadioButton *Shred, *Recyc, *Del;
};

class TMaskEditor : public QDialog {
  Q_OBJECT
 public:
  TMaskEditor(const Profile& settings, HelpSystem* help, QWidget* parent = nullptr);
  QString Mask() const;
  void StockMasksDblClick(int row);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  HelpSystem* help_;
  QListWidget* StockMasks;
  QLineEdit* CurrMask;
  QPlainTextEdit* Memo1;
  QPushButton *bHelp, *bOK, *bCancel;
};

class TDirForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDirForm(const QString& start, QWidget* parent = nullptr);
  QString Directory() const { return current_; }
  void SelectDirectory(const QString& dir);

 private:
  QString current_;
  QComboBox* DCB1;
  QTreeView* DLB1;
  QFileSystemModel* dirs_;
  QListWidget* FLB1;
  QLabel* Label1;
  QPushButton *bOK, *bCancel;
  bool following_ = false;
};

}  // namespace sw

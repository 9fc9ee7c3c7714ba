// TProjFilePick: the files list builder, a view over FilesListModel.
#pragma once
#include <QDialog>

#include "app/fileslist_model.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace sw {

class HelpSystem;

class TProjFilePick : public QDialog {
  Q_OBJECT
 public:
  TProjFilePick(IniFile& profile, const std::string& filesListPath, Prompt& prompt, HelpSystem* help,
                QWidget* mainWindow);
  ~TProjFilePick() override;

  FilesListModel& model() { return model_; }
  // Shows a directory in the tree and its files in FLB1.
  void ShowDirectory(const QString& dir);
  QString CurrentDirectory() const { return currentDir_; }

 public Q_SLOTS:
  void bAddClick();
  void bDropClick();
  void ListclearClick();
  void bOKClick();
  void bCancelClick();

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void FillFiles();
  void Refresh();

  FilesListModel model_;
  HelpSystem* help_;
  QWidget* mainWindow_;
  QString currentDir_;
  bool closing_ = false;

  QComboBox* DCB1;
  QTreeView* DLB1;
  QFileSystemModel* dirs_;
  QListWidget* FLB1;
  QCheckBox* Showhtml;
  QListWidget* ListBox1;
  QLabel *Filecount, *Jobsize;
  QPushButton *bAdd, *bDrop, *Listclear, *bOK, *bCancel, *bHelp;
};

}  // namespace sw

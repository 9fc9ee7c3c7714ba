// TTagManager: the editor of the author's search-and-replace term pairs, a
// view over TermListEditor.
#pragma once
#include <QDialog>

#include "platform/inifile.h"
#include "replace/core/term_list.h"

class QAction;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace sw {

class HelpSystem;
class THSListBox;

inline constexpr int kTermManagerHelpContext = 29000;

class TTagManager : public QDialog {
  Q_OBJECT
 public:
  // mainWindow is hidden while the editor is open.
  TTagManager(IniFile& settings, Prompt& prompt, HelpSystem* help, QWidget* mainWindow, QWidget* parent = nullptr);
  ~TTagManager() override;
  TermListEditor& editor() { return editor_; }
  QMenu* menu() { return PM1; }

 public Q_SLOTS:
  void TagUpdateClick();
  void EditClick();
  void RemoveClick();
  void bOKClick();
  void bCancelClick();
  // The right mouse button on the list.
  void ListBox1MouseDown(const QPoint& pos);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* o, QEvent* e) override;

 private:
  void Refill(int select = -1);
  int Selected() const;

  IniFile& settings_;
  TermListEditor editor_;
  HelpSystem* help_;
  QWidget* mainWindow_;
  THSListBox* ListBox1;
  QLineEdit *Oldtag, *Newtag;
  QPushButton *TagUpdate, *bHelp, *bCancel, *bOK;
  QCheckBox* MatchCase;
  QMenu* PM1;
  QAction *Edittagpair1, *Removetagpair1, *NoMenu;
  bool closing_ = false;  // OK or a confirmed Cancel
};

}  // namespace sw

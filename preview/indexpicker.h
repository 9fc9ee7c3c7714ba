// TIndexPicker: the preview file picker, a view over IndexPickerModel.
#pragma once
#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "preview/index_picker_model.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace sw {

class HelpSystem;

inline constexpr int kPreviewPickerHelpContext = 92810;

class TIndexPicker : public QDialog {
  Q_OBJECT
 public:
  // mainWindow is hidden while the picker is open, unless it follows a run.
  TIndexPicker(Launcher& launcher, Prompt& prompt, HelpSystem* help, bool afterRun, QWidget* mainWindow,
               QWidget* parent = nullptr);
  ~TIndexPicker() override;
  IndexPickerModel& model() { return model_; }

  // The program file dialog of "..."; "" on Cancel. Tests replace it.
  std::function<QString()> chooseBrowser;
  // Marks each listed document that has a verdict from the last verified run.
  void ShowVerdicts(const std::map<std::string, std::string>& verdicts);
  // Whether Browpath1 takes a drag that comes from source.
  bool AcceptsDragFrom(const QObject* source) const;

 public Q_SLOTS:
  void Browpath1ElipsisClick();
  // A drop on Browpath1 or a double-click on LB1.
  void PreviewSelected();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  IndexPickerModel model_;
  HelpSystem* help_;
  QWidget* mainWindow_;
  QListWidget* LB1;
  QLineEdit* Browpath1;
  QPushButton *bBrowse, *bOK, *bHelp, *bCancel;
};

}  // namespace sw

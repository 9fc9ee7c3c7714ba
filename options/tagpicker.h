// TTagPicker: the optimization options window, a view over TagPickerModel.
// Made once at program start and hidden between uses; not modal.
#pragma once
#include <QDialog>

#include "options/core/option_model.h"

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace sw {

class HelpSystem;

class TTagPicker : public QDialog {
  Q_OBJECT
 public:
  TTagPicker(Profile& profile, Prompt& prompt, HelpSystem* help, QWidget* parent = nullptr);
  TagPickerModel& model() { return model_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Fill();
  void ItemChanged(QListWidget* list, QListWidgetItem* item);
  void PickPreset(Preset p);

  TagPickerModel model_;
  Profile& profile_;
  HelpSystem* help_;
  QListWidget *HOpt, *Fineopt, *CTags;
  QSpinBox* WrapLimit;
  QPushButton *TuneEntities, *Fontopt, *Picksafe, *Pickmax, *bHelp, *bCancel, *bOK;
  bool filling_ = false;  // the lists are being set from the profile, not by the user
};

}  // namespace sw

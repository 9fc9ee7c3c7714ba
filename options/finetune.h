// The two fine-tuning dialogs the options window opens: character entities
// (TSpecialChars) and font tags (TFontTagOpt). Each click is written at once;
// OK and Cancel only close.
#pragma once
#include <QDialog>

#include "options/core/option_model.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace sw {

class HelpSystem;

class TSpecialChars : public QDialog {
  Q_OBJECT
 public:
  TSpecialChars(Profile& profile, HelpSystem* help, QWidget* parent = nullptr);
  SpecialCharsModel& model() { return model_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Show();
  SpecialCharsModel model_;
  HelpSystem* help_;
  QRadioButton *StdChars, *SingleQ, *NoExcept, *StdSpaces, *NoStd;
  QCheckBox* ISOTag;
  QPushButton *bHelp, *bCancel, *bOK;
};

class TFontTagOpt : public QDialog {
  Q_OBJECT
 public:
  TFontTagOpt(Profile& profile, HelpSystem* help, QWidget* parent = nullptr);
  FontTagOptModel& model() { return model_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  FontTagOptModel model_;
  HelpSystem* help_;
  QCheckBox* NSMS;
  QPushButton *bHelp, *bCancel, *bOK;
};

}  // namespace sw

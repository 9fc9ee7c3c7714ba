#include "options/finetune.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "platform/help.h"

namespace sw {

namespace {
QLabel* Heading(QWidget* parent, const char* text) {
  auto* l = NamedLabel(parent, "Label1", text);
  QFont f = l->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.2);
  l->setFont(f);
  return l;
}

QHBoxLayout* DialogButtons(QDialog* d, QPushButton*& help, QPushButton*& cancel, QPushButton*& ok) {
  auto* h = new QHBoxLayout;
  AddHelpCancelOk(d, h, help, cancel, ok);
  QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
  QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
  return h;
}

// Escape does not act as Cancel here; F1 opens the dialog's help.
bool HandleKey(QKeyEvent* e, HelpSystem* help, int context) {
  if (e->key() == Qt::Key_Escape) return true;
  if (e->key() == Qt::Key_F1) {
    if (help) help->ShowContext(context);
    return true;
  }
  return false;
}
}  // namespace

TSpecialChars::TSpecialChars(Profile& profile, HelpSystem* help, QWidget* parent)
    : QDialog(parent), model_(profile), help_(help) {
  setObjectName("TSpecialChars");
  setWindowTitle("Character entity optimization");
  setMinimumWidth(460);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Heading(this, "Character entity optimization options"));
  auto* note = NamedLabel(this,
                          "Label3",
                          "Character entities in HTML documents can be handled in different ways depending on the type "
                          "of document you wish to generate. Specify the options appropriate for the web you are "
                          "processing.");
  note->setWordWrap(true);
  v->addWidget(note);

  auto radio = [this](const char* name, const char* text) {
    auto* r = new QRadioButton(text, this);
    r->setObjectName(name);
    return r;
  };
  StdChars = radio("StdChars", "Standardize all character entities");
  SingleQ = radio("SingleQ", "...except for single-quote characters");
  NoExcept = radio("NoExcept", "...make no exceptions");
  ISOTag = new QCheckBox("&Insure ISO-8859-1 specification in document", this);
  ISOTag->setObjectName("ISOTag");
  StdSpaces = radio("StdSpaces", "Standardize space characters and optimize quotes only");
  NoStd = radio("NoStd", "Do not standardize character entities");
  auto* main = new QButtonGroup(this);
  for (auto* r : {StdChars, StdSpaces, NoStd}) main->addButton(r);
  auto* sub = new QButtonGroup(this);
  sub->addButton(SingleQ);
  sub->addButton(NoExcept);

  v->addWidget(StdChars);
  auto* under = new QVBoxLayout;
  under->setContentsMargins(24, 0, 0, 0);
  for (QWidget* w : std::initializer_list<QWidget*>{SingleQ, NoExcept, ISOTag}) under->addWidget(w);
  v->addLayout(under);
  v->addWidget(StdSpaces);
  v->addWidget(NoStd);
  v->addLayout(DialogButtons(this, bHelp, bCancel, bOK));

  // Opening shows the stored value and writes nothing.
  model_.Open();
  Show();

  // clicked, not toggled: only the user's clicks write.
  connect(StdChars, &QRadioButton::clicked, this, [this] {
    model_.Select(EntityChoice::StdChars);
    Show();
  });
  connect(StdSpaces, &QRadioButton::clicked, this, [this] {
    model_.Select(EntityChoice::StdSpaces);
    Show();
  });
  connect(NoStd, &QRadioButton::clicked, this, [this] {
    model_.Select(EntityChoice::NoStd);
    Show();
  });
  connect(SingleQ, &QRadioButton::clicked, this, [this] {
    model_.SetSingleQ(true);
    Show();
  });
  connect(NoExcept, &QRadioButton::clicked, this, [this] {
    model_.SetSingleQ(false);
    Show();
  });
  connect(ISOTag, &QCheckBox::clicked, this, [this](bool on) {
    model_.SetIsoTag(on);
    Show();
  });
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kEntitiesHelpContext);
  });
}

void TSpecialChars::Show() {
  switch (model_.choice) {
    case EntityChoice::StdChars: StdChars->setChecked(true); break;
    case EntityChoice::StdSpaces: StdSpaces->setChecked(true); break;
    case EntityChoice::NoStd: NoStd->setChecked(true); break;
  }
  (model_.singleQ ? SingleQ : NoExcept)->setChecked(true);
  ISOTag->setChecked(model_.isoTag);
  for (QWidget* w : std::initializer_list<QWidget*>{SingleQ, NoExcept, ISOTag}) w->setEnabled(model_.SubControlsEnabled());
}

void TSpecialChars::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e, help_, kEntitiesHelpContext)) QDialog::keyPressEvent(e);
}

TFontTagOpt::TFontTagOpt(Profile& profile, HelpSystem* help, QWidget* parent)
    : QDialog(parent), model_(profile), help_(help) {
  setObjectName("TFontTagOpt");
  setWindowTitle("Font tag optimization");
  setMinimumWidth(460);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Heading(this, "Font tag and attribute optimization options"));
  auto* note = NamedLabel(this,
                          "Label3",
                          "Font tags are among the most notorious space-wasters in WYSIWYG HTML output. Judicious use "
                          "of these options can produce significant reductions in filesize. Consult the online help "
                          "for details.");
  note->setWordWrap(true);
  v->addWidget(note);
  v->addWidget(NamedLabel(this, "Label2", "Netscape-/Internet Explorer-specific options:"));
  NSMS = new QCheckBox(kBigSmallCaption, this);
  NSMS->setObjectName("NSMS");
  v->addWidget(NSMS);
  v->addLayout(DialogButtons(this, bHelp, bCancel, bOK));

  model_.Open();
  NSMS->setChecked(model_.nsms);
  connect(NSMS, &QCheckBox::clicked, this, [this](bool on) { model_.SetNSMS(on); });
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kFontHelpContext);
  });
}

void TFontTagOpt::keyPressEvent(QKeyEvent* e) {
  if (!HandleKey(e, help_, kFontHelpContext)) QDialog::keyPressEvent(e);
}

}  // namespace sw

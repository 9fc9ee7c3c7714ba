#include "options/tagpicker.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "options/finetune.h"
#include "platform/help.h"

namespace sw {

namespace {
QListWidget* CheckList(QWidget* parent, const char* name) {
  auto* l = new QListWidget(parent);
  l->setObjectName(name);
  l->setSelectionMode(QAbstractItemView::SingleSelection);
  return l;
}
// Tall enough for its items without a scroll bar.
void FitRows(QListWidget* l, int rows) {
  int h = l->sizeHintForRow(0) > 0 ? l->sizeHintForRow(0) : l->fontMetrics().height() + 4;
  l->setMinimumHeight(h * rows + 2 * l->frameWidth() + 4);
}
}  // namespace

TTagPicker::TTagPicker(Profile& profile, Prompt& prompt, HelpSystem* help, QWidget* parent)
    : QDialog(parent), model_(profile, prompt), profile_(profile), help_(help) {
  setObjectName("TTagPicker");
  setWindowTitle("HTML optimization options");
  setModal(false);

  auto* v = new QVBoxLayout(this);
  auto* heading = NamedLabel(this, "Label3", "HTML optimization options");
  QFont f = heading->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  heading->setFont(f);
  v->addWidget(heading);
  auto* note = NamedLabel(this,
                          "Label5",
                          "Options marked with two asterisks are potentially destructive. Other options may affect "
                          "appearance depending on the browser used. Consult the online help for a full discussion "
                          "of side effects.");
  note->setWordWrap(true);
  v->addWidget(note);

  auto* columns = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* l2 = NamedLabel(this, "Label2", "HTML &tag optimization options:");
  HOpt = CheckList(this, "HOpt");
  l2->setBuddy(HOpt);
  left->addWidget(l2);
  left->addWidget(HOpt, 1);
  columns->addLayout(left, 1);

  auto* right = new QVBoxLayout;
  auto* l1 = NamedLabel(this, "Label1", "Document &fine tuning options:");
  Fineopt = CheckList(this, "Fineopt");
  l1->setBuddy(Fineopt);
  right->addWidget(l1);
  right->addWidget(Fineopt);
  auto* l4 = NamedLabel(this, "Label4", "&Custom search-and-replace options:");
  CTags = CheckList(this, "CTags");
  CTags->setMinimumWidth(380);
  l4->setBuddy(CTags);
  right->addWidget(l4);
  right->addWidget(CTags, 1);

  auto* l7 = NamedLabel(this, "Label7", "Miscellaneous options");
  QFont bf = l7->font();
  bf.setBold(true);
  l7->setFont(bf);
  right->addWidget(l7);
  auto small = [this, right](QPushButton*& b, const char* name, const char* label, const char* text) {
    auto* h = new QHBoxLayout;
    b = NamedButton(this, name, "...");
    b->setFixedWidth(28);
    auto* l = NamedLabel(this, label, text);
    l->setBuddy(b);
    h->addWidget(b);
    h->addWidget(l, 1);
    right->addLayout(h);
  };
  small(TuneEntities, "TuneEntities", "Label8", "Fine tune c&haracter entity replacements");
  small(Fontopt, "Fontopt", "Label9", "Fine tune f&ont tag and attribute optimization ");
  auto* wh = new QHBoxLayout;
  auto* l10 = NamedLabel(this, "Label10", kWrapCaption);
  WrapLimit = new QSpinBox(this);
  WrapLimit->setObjectName("WrapLimit");
  WrapLimit->setRange(kWrapMin, kWrapMax);
  WrapLimit->setSingleStep(kWrapStep);
  l10->setBuddy(WrapLimit);
  wh->addWidget(l10);
  wh->addWidget(WrapLimit);
  wh->addStretch();
  right->addLayout(wh);
  columns->addLayout(right, 1);
  v->addLayout(columns, 1);

  auto* buttons = new QHBoxLayout;
  Picksafe = NamedButton(this, "Picksafe", "Select &safe options");
  Pickmax = NamedButton(this, "Pickmax", "Select &maximum options");
  buttons->addWidget(Picksafe);
  buttons->addWidget(Pickmax);
  AddHelpCancelOk(this, buttons, bHelp, bCancel, bOK);
  v->addLayout(buttons);

  // Creation: the two option lists, from the option table.
  for (int list : {TagPickerModel::kHOpt, TagPickerModel::kFineopt}) {
    QListWidget* w = list == TagPickerModel::kHOpt ? HOpt : Fineopt;
    for (const OptionInfo* r : model_.rows(list)) {
      auto* item = new QListWidgetItem(ToQ(r->caption), w);
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  }
  FitRows(HOpt, HOpt->count());
  FitRows(Fineopt, Fineopt->count());
  Fineopt->setMaximumHeight(Fineopt->minimumHeight());
  for (QListWidget* l : {HOpt, Fineopt}) {
    l->setMinimumWidth(l->sizeHintForColumn(0) + 2 * l->frameWidth() + 8);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  }
  FitRows(CTags, 5);

  for (QListWidget* w : {HOpt, Fineopt, CTags})
    connect(w, &QListWidget::itemChanged, this, [this, w](QListWidgetItem* i) { ItemChanged(w, i); });
  connect(WrapLimit, &QSpinBox::valueChanged, this, [this](int value) {
    if (!filling_) model_.WrapLimitEdited(value);
  });
  connect(Picksafe, &QPushButton::clicked, this, [this] { PickPreset(Preset::Safe); });
  connect(Pickmax, &QPushButton::clicked, this, [this] { PickPreset(Preset::Maximum); });
  connect(TuneEntities, &QPushButton::clicked, this, [this] {
    TSpecialChars d(profile_, help_, this);
    d.exec();
  });
  connect(Fontopt, &QPushButton::clicked, this, [this] {
    TFontTagOpt d(profile_, help_, this);
    d.exec();
  });
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kOptionsHelpContext);
  });
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bOK, &QPushButton::clicked, this, [this] {
    // A value typed but not yet taken by the field counts too.
    WrapLimit->interpretText();
    model_.Ok();
    accept();
  });
}

void TTagPicker::showEvent(QShowEvent* e) {
  // A restore from the task bar is not a new showing: an edited limit stays.
  if (!e->spontaneous()) {
    model_.Show();
    Fill();
  }
  QDialog::showEvent(e);
}

void TTagPicker::keyPressEvent(QKeyEvent* e) {
  // Escape does not act as Cancel in this window.
  if (e->key() == Qt::Key_Escape) return;
  if (e->key() == Qt::Key_F1) {
    if (help_) help_->ShowContext(kOptionsHelpContext);
    return;
  }
  QDialog::keyPressEvent(e);
}

void TTagPicker::Fill() {
  filling_ = true;
  for (int i = 0; i < HOpt->count(); ++i) HOpt->item(i)->setCheckState(model_.hopt[size_t(i)] ? Qt::Checked : Qt::Unchecked);
  for (int i = 0; i < Fineopt->count(); ++i)
    Fineopt->item(i)->setCheckState(model_.fineopt[size_t(i)] ? Qt::Checked : Qt::Unchecked);
  CTags->clear();
  for (const TermLine& t : model_.terms) {
    auto* item = new QListWidgetItem(ToQ(t.text), CTags);
    if (t.Checkable()) {
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
      item->setCheckState(t.checked ? Qt::Checked : Qt::Unchecked);
    } else {
      item->setFlags(Qt::ItemIsSelectable);
      item->setCheckState(Qt::Unchecked);
      item->setToolTip(kTermNotApplicable);
    }
  }
  WrapLimit->setValue(model_.wrapLimit);
  filling_ = false;
}

void TTagPicker::ItemChanged(QListWidget* list, QListWidgetItem* item) {
  if (filling_) return;
  int row = list->row(item);
  bool on = item->checkState() == Qt::Checked;
  if (list == CTags) {
    if (row >= 0 && size_t(row) < model_.terms.size() && model_.terms[size_t(row)].checked == on) return;
    if (!model_.SetTermChecked(row, on)) {
      QSignalBlocker b(CTags);
      item->setCheckState(Qt::Unchecked);
    }
    return;
  }
  int which = list == HOpt ? TagPickerModel::kHOpt : TagPickerModel::kFineopt;
  const auto& marks = which == TagPickerModel::kHOpt ? model_.hopt : model_.fineopt;
  // Only a change of the check mark writes; a text or selection change does not.
  if (row >= 0 && size_t(row) < marks.size() && marks[size_t(row)] != on) model_.SetChecked(which, row, on);
}

void TTagPicker::PickPreset(Preset p) {
  if (!model_.PickPreset(p)) return;
  filling_ = true;
  for (int i = 0; i < HOpt->count(); ++i) HOpt->item(i)->setCheckState(model_.hopt[size_t(i)] ? Qt::Checked : Qt::Unchecked);
  for (int i = 0; i < Fineopt->count(); ++i)
    Fineopt->item(i)->setCheckState(model_.fineopt[size_t(i)] ? Qt::Checked : Qt::Unchecked);
  for (int i = 0; i < CTags->count(); ++i)
    if (CTags->item(i)->flags() & Qt::ItemIsUserCheckable) CTags->item(i)->setCheckState(Qt::Unchecked);
  filling_ = false;
}

}  // namespace sw

#include "replace/gui/tagmanager.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "platform/help.h"
#include "preview/hslistbox.h"

namespace sw {

TTagManager::TTagManager(IniFile& settings, Prompt& prompt, HelpSystem* help, QWidget* mainWindow, QWidget* parent)
    : QDialog(parent), settings_(settings), editor_(prompt), help_(help), mainWindow_(mainWindow) {
  setObjectName("TagManager");
  setWindowTitle("Custom search and replace manager");
  auto* v = new QVBoxLayout(this);
  QLabel* Label7 = NamedLabel(this, "Label7", "Custom search and replace manager");
  QFont f = Label7->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  Label7->setFont(f);
  v->addWidget(Label7);
  QLabel* Label1 = NamedLabel(this, "Label1", "&Available custom search-and-replace term pairs:");
  v->addWidget(Label1);
  ListBox1 = new THSListBox(this);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setMinimumSize(460, 160);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  Label1->setBuddy(ListBox1);
  v->addWidget(ListBox1);
  v->addWidget(NamedLabel(this, "Label6", "Select a term pair and right-click for options or double-click to edit."));

  auto* g = new QGridLayout;
  QLabel* Label4 = NamedLabel(this, "Label4", "&Search for this term:");
  Oldtag = new QLineEdit(this);
  Oldtag->setObjectName("Oldtag");
  Label4->setBuddy(Oldtag);
  QLabel* Label5 = NamedLabel(this, "Label5", "&Replace with this term:");
  Newtag = new QLineEdit(this);
  Newtag->setObjectName("Newtag");
  Label5->setBuddy(Newtag);
  g->addWidget(Label4, 0, 0);
  g->addWidget(Oldtag, 0, 1);
  g->addWidget(Label5, 1, 0);
  g->addWidget(Newtag, 1, 1);
  TagUpdate = NamedButton(this, "TagUpdate", "&Update");
  TagUpdate->setEnabled(false);
  MatchCase = new QCheckBox("&Match case", this);
  MatchCase->setObjectName("MatchCase");
  g->addWidget(TagUpdate, 0, 2);
  g->addWidget(MatchCase, 1, 2);
  v->addLayout(g);

  auto* h = new QHBoxLayout;
  AddHelpCancelOk(this, h, bHelp, bCancel, bOK);
  v->addLayout(h);
  QWidget* order[] = {ListBox1, Oldtag, Newtag, TagUpdate, MatchCase, bHelp, bCancel, bOK};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  PM1 = new QMenu(this);
  PM1->setObjectName("PM1");
  Edittagpair1 = PM1->addAction("&Edit term pair");
  Edittagpair1->setObjectName("Edittagpair1");
  Removetagpair1 = PM1->addAction("&Remove term pair");
  Removetagpair1->setObjectName("Removetagpair1");
  NoMenu = PM1->addAction("Menu is unavailable while an existing term pair is being edited");
  NoMenu->setObjectName("NoMenu");
  NoMenu->setVisible(false);
  connect(PM1, &QMenu::aboutToShow, this, [this] {
    Edittagpair1->setEnabled(editor_.MenuItemsEnabled());
    Removetagpair1->setEnabled(editor_.MenuItemsEnabled());
    NoMenu->setVisible(!editor_.MenuItemsEnabled());
  });

  connect(Oldtag, &QLineEdit::textChanged, this,
          [this](const QString& t) { TagUpdate->setEnabled(TermListEditor::UpdateEnabled(FromQ(t))); });
  connect(TagUpdate, &QPushButton::clicked, this, &TTagManager::TagUpdateClick);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TTagManager::EditClick);
  connect(ListBox1, &QWidget::customContextMenuRequested, this, &TTagManager::ListBox1MouseDown);
  connect(Edittagpair1, &QAction::triggered, this, &TTagManager::EditClick);
  connect(Removetagpair1, &QAction::triggered, this, &TTagManager::RemoveClick);
  connect(bOK, &QPushButton::clicked, this, &TTagManager::bOKClick);
  connect(bCancel, &QPushButton::clicked, this, &TTagManager::bCancelClick);
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kTermManagerHelpContext);
  });
  ListBox1->installEventFilter(this);

  if (mainWindow_) mainWindow_->hide();
  editor_.Open(settings_);
  Refill();
}

TTagManager::~TTagManager() {
  if (mainWindow_) mainWindow_->showNormal();
}

void TTagManager::Refill(int select) {
  ListBox1->clear();
  for (const auto& l : editor_.Lines()) ListBox1->addItem(ToQ(l));
  if (select >= 0 && select < ListBox1->count()) ListBox1->setCurrentRow(select);
}

int TTagManager::Selected() const {
  QList<QListWidgetItem*> s = ListBox1->selectedItems();
  return s.isEmpty() ? -1 : ListBox1->row(s.first());
}

void TTagManager::TagUpdateClick() {
  int row = editor_.editing() ? editor_.editIndex() : int(editor_.pairs().size());
  if (!editor_.Update(FromQ(Oldtag->text()), FromQ(Newtag->text()), MatchCase->isChecked())) return;
  Oldtag->clear();
  Newtag->clear();
  TagUpdate->setEnabled(false);
  Refill(row);
}

void TTagManager::EditClick() {
  TermListEditor::Fields f;
  if (!editor_.Edit(Selected(), f)) return;
  Oldtag->setText(ToQ(f.search));
  Newtag->setText(ToQ(f.replace));
  MatchCase->setChecked(f.matchCase);
}

void TTagManager::RemoveClick() {
  int row = Selected();
  if (editor_.Remove(row)) Refill(std::min(row, ListBox1->count() - 2));
}

void TTagManager::ListBox1MouseDown(const QPoint& pos) {
  if (editor_.MenuAvailable(Selected())) PM1->popup(ListBox1->viewport()->mapToGlobal(pos));
}

void TTagManager::bOKClick() {
  editor_.Ok(settings_, [this](const std::string& s) { return settings_.DeleteSection(s); });
  closing_ = true;
  accept();
}

void TTagManager::bCancelClick() {
  if (!editor_.Cancel()) return;
  closing_ = true;
  reject();
}

void TTagManager::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) return;  // Escape must not throw away the edits
  QDialog::keyPressEvent(e);
}

// Closing the window by its frame is a Cancel, question included.
void TTagManager::closeEvent(QCloseEvent* e) {
  if (closing_ || editor_.Cancel()) {
    closing_ = true;
    e->accept();
    QDialog::closeEvent(e);
  } else {
    e->ignore();
  }
}

bool TTagManager::eventFilter(QObject* o, QEvent* e) {
  if (o == ListBox1 && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
    RemoveClick();
    return true;
  }
  return QDialog::eventFilter(o, e);
}

}  // namespace sw

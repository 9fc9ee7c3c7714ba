#include "eraser/backupkill.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/dirwidgets.h"
#include "app/main_model.h"
#include "app/widgets.h"
#include "platform/help.h"
#include "preview/hslistbox.h"

namespace sw {

using namespace eraser;

namespace {
QLineEdit* ReadOnlyField(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setReadOnly(true);
  return e;
}
}  // namespace

TBackupKill::TBackupKill(Profile& settings, Prompt& prompt, HelpSystem* help, QWidget* mainWindow, EraseOps ops)
    : QDialog(nullptr), model_(&settings, prompt, std::move(ops)), prompt_(prompt), help_(help),
      mainWindow_(mainWindow) {
  setObjectName("TBackupKill");
  setWindowTitle("Backup eraser utility");
  setModal(false);
  auto* v = new QVBoxLayout(this);

  auto* grid = new QGridLayout;
  auto* l1 = NamedLabel(this, "Label1", "&Start search in...");
  SrcDir = ReadOnlyField(this, "SrcDir");
  SrcDirButton = NamedButton(this, "SrcDirButton", "...");
  SrcDirButton->setMaximumWidth(32);
  l1->setBuddy(SrcDir);
  grid->addWidget(l1, 0, 0);
  grid->addWidget(SrcDir, 0, 1);
  grid->addWidget(SrcDirButton, 0, 2);
  auto* l3 = NamedLabel(this, "Label3", "Search &mask:");
  Srchmask = ReadOnlyField(this, "Srchmask");
  bEdit = NamedButton(this, "bEdit", "&Edit");
  l3->setBuddy(Srchmask);
  grid->addWidget(l3, 1, 0);
  grid->addWidget(Srchmask, 1, 1);
  grid->addWidget(bEdit, 1, 2);
  v->addLayout(grid);

  auto* row = new QHBoxLayout;
  SubDirs = new QCheckBox("Search sub&directories", this);
  SubDirs->setObjectName("SubDirs");
  Buildlist = NamedButton(this, "Buildlist", "&Build list of erasable files");
  row->addWidget(SubDirs);
  row->addStretch();
  row->addWidget(Buildlist);
  v->addLayout(row);

  auto* l2 = NamedLabel(this, "Label2", "&Erasable files");
  LB1 = new THSListBox(this);
  LB1->setObjectName("LB1");
  LB1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  LB1->installEventFilter(this);
  l2->setBuddy(LB1);
  v->addWidget(l2);
  v->addWidget(LB1, 1);
  auto* l4 = NamedLabel(this, "Label4",
                        "Exempt files from deletion by double-clicking single files or selecting multiple files and "
                        "pressing Delete.");
  l4->setWordWrap(true);
  v->addWidget(l4);
  FSReadout = NamedLabel(this, "FSReadout", "Total size: (n/a) bytes");
  v->addWidget(FSReadout);

  auto* styles = new QGroupBox(this);
  auto* sv = new QHBoxLayout(styles);
  Shred = new QRadioButton("Se&cure erase", styles);
  Shred->setObjectName("Shred");
  Recyc = new QRadioButton("Send to Recycle &Bin", styles);
  Recyc->setObjectName("Recyc");
  Del = new QRadioButton("&Normal delete", styles);
  Del->setObjectName("Del");
  for (auto* r : {Shred, Recyc, Del}) sv->addWidget(r);
  v->addWidget(styles);

  auto* buttons = new QHBoxLayout;
  DelBtn = NamedButton(this, "DelBtn", "&Remove all listed files");
  DelBtn->setEnabled(false);
  bOK = NamedButton(this, "bOK", "&OK");
  bHelp = NamedButton(this, "bHelp", "&Help");
  buttons->addWidget(DelBtn);
  buttons->addStretch();
  buttons->addWidget(bOK);
  buttons->addWidget(bHelp);
  v->addLayout(buttons);
  resize(560, 480);

  // Every change is stored at once.
  connect(SrcDir, &QLineEdit::textChanged, this, [this](const QString& t) { model_.SetSrcDir(FromQ(t)); });
  connect(Srchmask, &QLineEdit::textChanged, this, [this](const QString& t) { model_.SetMask(FromQ(t)); });
  connect(SubDirs, &QCheckBox::clicked, this, [this](bool on) { model_.SetSubDirs(on); });
  connect(Shred, &QRadioButton::clicked, this, [this] { model_.SetStyle(EraseStyle::Shred); });
  connect(Recyc, &QRadioButton::clicked, this, [this] { model_.SetStyle(EraseStyle::Recycle); });
  connect(Del, &QRadioButton::clicked, this, [this] { model_.SetStyle(EraseStyle::Normal); });

  connect(SrcDirButton, &QPushButton::clicked, this, &TBackupKill::SrcDirElipsisClick);
  connect(bEdit, &QPushButton::clicked, this, &TBackupKill::bEditClick);
  connect(Buildlist, &QPushButton::clicked, this, &TBackupKill::BuildlistClick);
  connect(DelBtn, &QPushButton::clicked, this, &TBackupKill::DelBtnClick);
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kHelpContext);
  });
  connect(LB1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { Exempt({LB1->row(item)}); });

  chooseDirectory = [this](const QString& start) {
    TDirForm f(start, this);
    return f.exec() == QDialog::Accepted ? f.Directory() : QString();
  };
  editMask = [this, &settings] {
    TMaskEditor m(settings, help_, this);
    return m.exec() == QDialog::Accepted ? m.Mask() : QString();
  };
}

TBackupKill::~TBackupKill() {
  model_.FF1.Stop();
  model_.FF1.Wait();
  if (searching_) QApplication::restoreOverrideCursor();
}

void TBackupKill::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!e->spontaneous()) FormShow();
}

void TBackupKill::hideEvent(QHideEvent* e) {
  QDialog::hideEvent(e);
  if (!e->spontaneous() && mainWindow_) mainWindow_->showNormal();
}

void TBackupKill::FormShow() {
  // The model reads the settings and stores them again, as the fields show them.
  model_.Show();
  DelBtn->setEnabled(false);
  FSReadout->setText(ToQ(model_.Readout()));
  const QSignalBlocker b1(SrcDir), b2(Srchmask);
  SubDirs->setChecked(model_.SubDirs());
  Srchmask->setText(ToQ(model_.Mask()));
  SrcDir->setText(ToQ(model_.SrcDir()));
  switch (model_.Style()) {
    case EraseStyle::Shred: Shred->setChecked(true); break;
    case EraseStyle::Recycle: Recyc->setChecked(true); break;
    default: Del->setChecked(true); break;
  }
}

void TBackupKill::BuildlistClick() {
  Buildlist->setText("Working...please wait");
  DelBtn->setEnabled(false);
  LB1->clear();
  // An earlier search still running ends first: its worker reads the
  // settings and the end handler that are about to change.
  model_.FF1.Stop();
  model_.FF1.Wait();
  model_.PrepareSearch();
  if (!searching_) QApplication::setOverrideCursor(Qt::WaitCursor);
  searching_ = true;
  const uint64_t id = ++search_;
  model_.FF1.OnTerminated = [this, id](search::TFileFind&) {
    QMetaObject::invokeMethod(this, [this, id] { FF1Terminated(id); }, Qt::QueuedConnection);
  };
  model_.FF1.Execute();
}

void TBackupKill::FF1Terminated(uint64_t id) {
  if (id != search_ || !searching_) return;  // a search that a newer one replaced
  model_.FF1.Wait();
  searching_ = false;
  QApplication::restoreOverrideCursor();
  model_.SearchEnded();
  ShowList();
  Buildlist->setText("&Rebuild list");
  if (model_.FF1.Error())
    prompt_.Ask(kNotErasedCaption, "The search could not go on: " + model_.FF1.ErrorText(), Icon::Warning,
                Buttons::Ok);
}

void TBackupKill::ShowList() {
  LB1->clear();
  for (const auto& l : model_.Lines()) LB1->addItem(ToQ(l.path));
  FSReadout->setText(ToQ(model_.Readout()));
  DelBtn->setEnabled(model_.CanErase());
}

void TBackupKill::Exempt(const std::vector<int>& rows) {
  if (searching_ || rows.empty()) return;
  model_.Exempt(rows);
  std::vector<int> sorted = rows;
  std::sort(sorted.rbegin(), sorted.rend());
  for (int r : sorted) delete LB1->takeItem(r);
  FSReadout->setText(ToQ(model_.Readout()));
  DelBtn->setEnabled(model_.CanErase());
}

bool TBackupKill::eventFilter(QObject* o, QEvent* e) {
  if (o == LB1 && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
    std::vector<int> rows;
    for (QListWidgetItem* i : LB1->selectedItems()) rows.push_back(LB1->row(i));
    Exempt(rows);
    return true;
  }
  return QDialog::eventFilter(o, e);
}

void TBackupKill::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    if (help_) help_->ShowContext(kHelpContext);
    return;
  }
  if (e->key() == Qt::Key_Escape) {
    accept();  // Escape presses OK
    return;
  }
  QDialog::keyPressEvent(e);
}

void TBackupKill::DelBtnClick() {
  if (searching_ || !model_.CanErase()) return;
  model_.EraseAll();
  ShowList();
}

void TBackupKill::bEditClick() {
  const QString m = editMask();
  if (!m.isNull()) Srchmask->setText(m);
}

void TBackupKill::SrcDirElipsisClick() {
  const QString d = chooseDirectory(SrcDir->text());
  if (!d.isEmpty()) SrcDir->setText(d);
}

// ---- TMaskEditor

TMaskEditor::TMaskEditor(const Profile& settings, HelpSystem* help, QWidget* parent) : QDialog(parent), help_(help) {
  setObjectName("TMaskEditor");
  setWindowTitle(kAppTitle);
  auto* v = new QVBoxLayout(this);
  auto* heading = NamedLabel(this, "Heading", "Backup eraser filemask builder");
  QFont f = heading->font();
  f.setBold(true);
  heading->setFont(f);
  v->addWidget(heading);
  auto* h = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  auto* l1 = NamedLabel(this, "Label1", "&Stock masks");
  StockMasks = new QListWidget(this);
  StockMasks->setObjectName("StockMasks");
  for (const auto& m : eraser::StockMasks()) StockMasks->addItem(ToQ(m));
  l1->setBuddy(StockMasks);
  left->addWidget(l1);
  left->addWidget(StockMasks);
  h->addLayout(left);
  auto* right = new QVBoxLayout;
  auto* l2 = NamedLabel(this, "Label2", "&Current mask list:");
  CurrMask = new QLineEdit(this);
  CurrMask->setObjectName("CurrMask");
  CurrMask->setMaxLength(kMaskLimit);
  l2->setBuddy(CurrMask);
  auto* l3 = NamedLabel(this, "Label3", "&Filemask editor help");
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setReadOnly(true);
  Memo1->setPlainText(
      "Each element of the mask list either begins with \"*.\" (such as *.srbak) or names one file (such as "
      "mscreate.dir). Separate the elements with semicolons and use no spaces. The list holds at most 254 "
      "characters. Letter case does not matter. Double-click a stock mask to add it to the list.\n\n"
      "The settings file stores the list with commas in place of the semicolons, because it is an INI file.");
  l3->setBuddy(Memo1);
  right->addWidget(l2);
  right->addWidget(CurrMask);
  right->addWidget(l3);
  right->addWidget(Memo1);
  h->addLayout(right, 1);
  v->addLayout(h);
  auto* b = new QHBoxLayout;
  bHelp = NamedButton(this, "bHelp", "&Help");
  bOK = NamedButton(this, "bOK", "&OK");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  b->addStretch();
  for (auto* x : {bHelp, bOK, bCancel}) b->addWidget(x);
  v->addLayout(b);
  resize(480, 320);

  const std::string stored = settings.ReadString(kSection, "SearchMask", "");
  CurrMask->setText(ToQ(stored.empty() ? std::string(kDefaultMask) : MaskShown(stored)));

  connect(StockMasks, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* i) { StockMasksDblClick(StockMasks->row(i)); });
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kMaskHelpContext);
  });
}

QString TMaskEditor::Mask() const { return CurrMask->text(); }

void TMaskEditor::StockMasksDblClick(int row) {
  if (row < 0 || size_t(row) >= eraser::StockMasks().size()) return;
  const std::string next = AppendStockMask(FromQ(CurrMask->text()), eraser::StockMasks()[size_t(row)]);
  if (next.size() <= size_t(kMaskLimit)) CurrMask->setText(ToQ(next));
}

void TMaskEditor::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) return;  // Escape does not cancel here
  if (e->key() == Qt::Key_F1) {
    if (help_) help_->ShowContext(kMaskHelpContext);
    return;
  }
  QDialog::keyPressEvent(e);
}

// ---- TDirForm

TDirForm::TDirForm(const QString& start, QWidget* parent) : QDialog(parent) {
  setObjectName("TDirForm");
  setWindowTitle("Select starting directory");
  auto* v = new QVBoxLayout(this);
  DCB1 = MakeDriveSelector(this);
  v->addWidget(DCB1);
  v->addWidget(NamedLabel(this, "Label2", "Current directory:"));
  Label1 = NamedLabel(this, "Label1", "");
  v->addWidget(Label1);
  auto* h = new QHBoxLayout;
  DLB1 = MakeDirectoryTree(this, &dirs_);
  h->addWidget(DLB1);
  FLB1 = new QListWidget(this);
  FLB1->setObjectName("FLB1");
  FLB1->setEnabled(false);
  h->addWidget(FLB1);
  v->addLayout(h, 1);
  auto* l3 = NamedLabel(this, "Label3",
                        "To scan an entire drive for duplicate files, specify the root directory of that drive.");
  l3->setWordWrap(true);
  v->addWidget(l3);
  auto* b = new QHBoxLayout;
  bOK = NamedButton(this, "bOK", "&OK");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  b->addStretch();
  b->addWidget(bOK);
  b->addWidget(bCancel);
  v->addLayout(b);
  resize(520, 420);

  connect(DCB1, &QComboBox::activated, this, [this](int i) { SelectDirectory(DCB1->itemText(i)); });
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);  // so does Escape
  SelectDirectory(QDir(start).exists() ? start : QDir::homePath());
  connect(DLB1->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
    if (!following_) SelectDirectory(dirs_->filePath(i));
  });
}

void TDirForm::SelectDirectory(const QString& dir) {
  current_ = dir;
  QModelIndex i = dirs_->index(dir);
  if (i.isValid()) {
    following_ = true;
    DLB1->setCurrentIndex(i);
    following_ = false;
  }
  SelectVolumeOf(DCB1, dir);
  Label1->setText(dir);
  FLB1->clear();
  FLB1->addItems(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase));
}

}  // namespace sw

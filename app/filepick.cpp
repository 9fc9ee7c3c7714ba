#include "app/filepick.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/main_model.h"
#include "app/dirwidgets.h"
#include "app/widgets.h"
#include "platform/help.h"

namespace sw {

TProjFilePick::TProjFilePick(IniFile& profile, const std::string& filesListPath, Prompt& prompt, HelpSystem* help,
                             QWidget* mainWindow)
    : QDialog(nullptr), model_(profile, filesListPath, prompt), help_(help), mainWindow_(mainWindow) {
  setObjectName("TProjFilePick");
  setWindowTitle(kWindowCaption);
  setAcceptDrops(true);
  model_.processEvents = [] { QCoreApplication::processEvents(); };

  auto* top = new QVBoxLayout(this);
  QLabel* heading = NamedLabel(this, "Label1", "File selector");
  QFont f = heading->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  heading->setFont(f);
  top->addWidget(heading);

  auto* cols = new QHBoxLayout;
  auto* left = new QVBoxLayout;
  DCB1 = MakeDriveSelector(this);
  left->addWidget(DCB1);
  DLB1 = MakeDirectoryTree(this, &dirs_);
  left->addWidget(DLB1, 2);
  QLabel* l3 = NamedLabel(this, "Label3", "&Select files:");
  left->addWidget(l3);
  FLB1 = new QListWidget(this);
  FLB1->setObjectName("FLB1");
  FLB1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  l3->setBuddy(FLB1);
  left->addWidget(FLB1, 2);
  Showhtml = new QCheckBox("Show &HTML files only", this);
  Showhtml->setObjectName("Showhtml");
  left->addWidget(Showhtml);
  cols->addLayout(left, 1);

  auto* mid = new QVBoxLayout;
  mid->addStretch();
  bAdd = NamedButton(this, "bAdd", "&Add");
  bDrop = NamedButton(this, "bDrop", "&Drop");
  mid->addWidget(bAdd);
  mid->addWidget(bDrop);
  mid->addStretch();
  cols->addLayout(mid);

  auto* right = new QVBoxLayout;
  QLabel* l2 = NamedLabel(this, "Label2", "&File(s) to be optimized:");
  right->addWidget(l2);
  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName("ListBox1");
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setMinimumWidth(320);
  ListBox1->installEventFilter(this);
  ListBox1->viewport()->installEventFilter(this);
  l2->setBuddy(ListBox1);
  right->addWidget(ListBox1, 1);
  Listclear = NamedButton(this, "Listclear", "C&lear current list");
  right->addWidget(Listclear);
  auto* g = new QGridLayout;
  g->addWidget(NamedLabel(this, "Label6", "Total files:"), 0, 0);
  Filecount = NamedLabel(this, "Filecount", "(n/a)");
  g->addWidget(Filecount, 0, 1);
  g->addWidget(NamedLabel(this, "Label4", "Job size:"), 1, 0);
  Jobsize = NamedLabel(this, "Jobsize", "(n/a)");
  g->addWidget(Jobsize, 1, 1);
  right->addLayout(g);
  cols->addLayout(right, 1);
  top->addLayout(cols);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  bOK = NamedButton(this, "bOK", "&OK");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  bHelp = NamedButton(this, "bHelp", "&Help");
  buttons->addWidget(bOK);
  buttons->addWidget(bCancel);
  buttons->addWidget(bHelp);
  top->addLayout(buttons);
  resize(760, 520);

  connect(DCB1, &QComboBox::currentTextChanged, this, [this](const QString& root) { ShowDirectory(root); });
  connect(DLB1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) {
            currentDir_ = dirs_->filePath(i);
            SelectVolumeOf(DCB1, currentDir_);
            FillFiles();
          });
  connect(Showhtml, &QCheckBox::toggled, this, [this] { FillFiles(); });
  connect(FLB1, &QListWidget::itemDoubleClicked, this, [this] { bAddClick(); });
  connect(bAdd, &QPushButton::clicked, this, &TProjFilePick::bAddClick);
  connect(bDrop, &QPushButton::clicked, this, &TProjFilePick::bDropClick);
  connect(Listclear, &QPushButton::clicked, this, &TProjFilePick::ListclearClick);
  connect(bOK, &QPushButton::clicked, this, &TProjFilePick::bOKClick);
  connect(bCancel, &QPushButton::clicked, this, &TProjFilePick::bCancelClick);
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kFilePickHelpContext);
  });

  // Opening.
  if (mainWindow_) mainWindow_->hide();
  std::string last = model_.Open();
  ShowDirectory(last.empty() ? QDir::homePath() : ToQ(last));
  Refresh();
}

TProjFilePick::~TProjFilePick() {
  if (mainWindow_) mainWindow_->show();
}

void TProjFilePick::ShowDirectory(const QString& dir) {
  currentDir_ = OpenTreeAt(DLB1, dirs_, dir);
  SelectVolumeOf(DCB1, currentDir_);
  FillFiles();
}

void TProjFilePick::FillFiles() {
  FLB1->clear();
  QDir d(currentDir_);
  QStringList masks;
  if (Showhtml->isChecked()) masks << "*.htm*" << "*.?htm*";
  else masks << "*";
  for (const QString& name : d.entryList(masks, QDir::Files, QDir::Name | QDir::IgnoreCase)) FLB1->addItem(name);
}

void TProjFilePick::Refresh() {
  ListBox1->clear();
  for (const auto& e : model_.entries()) ListBox1->addItem(ToQ(e));
  Filecount->setText(QString::fromStdString(model_.FileCountText()));
  Jobsize->setText(QString::fromStdString(model_.JobSizeText()));
  Listclear->setEnabled(model_.CanDrop());
  bDrop->setEnabled(model_.CanDrop());
}

void TProjFilePick::bAddClick() {
  std::vector<std::string> selected;
  QDir d(currentDir_);
  for (int r = 0; r < FLB1->count(); ++r)
    if (FLB1->item(r)->isSelected()) selected.push_back(FromQ(d.absoluteFilePath(FLB1->item(r)->text())));
  if (selected.empty()) return;
  // The readouts come before the volume warning.
  model_.processEvents = [this] {
    Refresh();
    QCoreApplication::processEvents();
  };
  model_.AddSelected(selected);
  Refresh();
}

void TProjFilePick::bDropClick() {
  std::vector<int> rows;
  for (int r = 0; r < ListBox1->count(); ++r)
    if (ListBox1->item(r)->isSelected()) rows.push_back(r);
  if (rows.empty()) return;
  model_.Drop(rows);
  Refresh();
}

void TProjFilePick::ListclearClick() {
  model_.Clear();
  Refresh();
}

void TProjFilePick::bOKClick() {
  if (!model_.Ok(FromQ(currentDir_))) return;
  closing_ = true;
  accept();
}

void TProjFilePick::bCancelClick() {
  if (!model_.Cancel(FromQ(currentDir_))) return;
  closing_ = true;
  reject();
}

void TProjFilePick::closeEvent(QCloseEvent* e) {
  if (closing_) return QDialog::closeEvent(e);
  e->ignore();
  bCancelClick();
}

void TProjFilePick::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) return;
  if (e->key() == Qt::Key_F1) {
    if (help_) help_->ShowContext(kFilePickHelpContext);
    return;
  }
  QDialog::keyPressEvent(e);
}

bool TProjFilePick::eventFilter(QObject* o, QEvent* e) {
  if (o == ListBox1 && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Delete) {
    bDropClick();
    return true;
  }
  if (o == ListBox1->viewport() && e->type() == QEvent::MouseButtonPress) model_.Touch();
  return QDialog::eventFilter(o, e);
}

void TProjFilePick::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TProjFilePick::dropEvent(QDropEvent* e) {
  std::vector<std::string> paths;
  for (const QUrl& u : e->mimeData()->urls())
    if (u.isLocalFile()) paths.push_back(FromQ(u.toLocalFile()));
  if (paths.empty()) return;
  e->acceptProposedAction();
  model_.processEvents = [this] {
    Refresh();
    QCoreApplication::processEvents();
  };
  model_.AddDropped(paths);
  Refresh();
}

}  // namespace sw

#include "app/analysisdir.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/dirwidgets.h"
#include "app/widgets.h"
#include "platform/help.h"

namespace sw {

TDirForm2::TDirForm2(IniFile& settings, Prompt& prompt, HelpSystem* help, const std::string& tempDir,
                     QWidget* parent)
    : QDialog(parent), model_(settings, prompt), help_(help) {
  setObjectName("TDirForm2");
  setWindowTitle("Select analysis mode directory");
  auto* v = new QVBoxLayout(this);
  auto* l2 = new QLabel("New temporary directory:", this);
  l2->setObjectName("Label2");
  v->addWidget(l2);
  Label1 = new QLabel(this);
  Label1->setObjectName("Label1");
  v->addWidget(Label1);
  auto* l3 = new QLabel(
      "Creates temporary subdirectory /w$t/ in your specified directory for use during analysis mode. For optimum "
      "safety, choose the root directory of a writable drive. (Press F1 for help.)",
      this);
  l3->setObjectName("Label3");
  l3->setWordWrap(true);
  v->addWidget(l3);
  DCB1 = MakeDriveSelector(this);
  v->addWidget(DCB1);
  auto* h = new QHBoxLayout;
  DLB1 = MakeDirectoryTree(this, &dirs_);
  h->addWidget(DLB1);
  FLB1 = new QListWidget(this);
  FLB1->setObjectName("FLB1");
  FLB1->setSelectionMode(QAbstractItemView::NoSelection);
  h->addWidget(FLB1);
  v->addLayout(h);
  auto* b = new QHBoxLayout;
  bOK = NamedButton(this, "bOK", "&OK");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  bReset = NamedButton(this, "bReset", "&Reset to /tmp/ directory");
  for (auto* x : {bOK, bCancel, bReset}) b->addWidget(x);
  v->addLayout(b);
  resize(520, 420);

  connect(DCB1, &QComboBox::activated, this, [this](int i) { SelectDirectory(DCB1->itemText(i)); });
  connect(bOK, &QPushButton::clicked, this, [this] {
    model_.Ok();
    accept();
  });
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bReset, &QPushButton::clicked, this, [this] { model_.Reset(); });

  // Start at the directory in effect without counting it as a change.
  const QString start = OpenTreeAt(DLB1, dirs_, ToQ(model_.Open(tempDir)));
  SelectVolumeOf(DCB1, start);
  FillFiles(start);
  Label1->setText(ToQ(model_.proposed()));
  // Any move in the tree counts, by mouse or by keyboard.
  connect(DLB1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { SelectDirectory(dirs_->filePath(i)); });
}

void TDirForm2::SelectDirectory(const QString& dir) {
  // Opening the tree raises no signal, so this is not re-entered.
  if (dirs_->filePath(DLB1->currentIndex()) != dir) OpenTreeAt(DLB1, dirs_, dir);
  SelectVolumeOf(DCB1, dir);
  FillFiles(dir);
  model_.DirectoryChanged(FromQ(dir));
  Label1->setText(ToQ(model_.proposed()));
}

void TDirForm2::FillFiles(const QString& dir) {
  FLB1->clear();
  FLB1->addItems(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase));
}

void TDirForm2::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    if (help_) help_->ShowContext(kAnalysisDirHelpContext);
    return;
  }
  QDialog::keyPressEvent(e);  // Escape acts as Cancel here
}

}  // namespace sw

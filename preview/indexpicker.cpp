#include "preview/indexpicker.h"

#include <QColor>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "platform/help.h"

namespace sw {

namespace {
// The browser field: shows the path and takes the list's lines as drops.
class DropField : public QLineEdit {
 public:
  DropField(TIndexPicker* picker, QWidget* parent) : QLineEdit(parent), picker_(picker) {
    setReadOnly(true);
    setAcceptDrops(true);  // read-only fields refuse drops by default
  }

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override { Consider(e); }
  void dragMoveEvent(QDragMoveEvent* e) override { Consider(e); }
  void dropEvent(QDropEvent* e) override {
    if (!picker_->AcceptsDragFrom(e->source())) return e->ignore();
    e->acceptProposedAction();
    picker_->PreviewSelected();
  }

 private:
  void Consider(QDragMoveEvent* e) {
    if (picker_->AcceptsDragFrom(e->source()))
      e->acceptProposedAction();
    else
      e->ignore();
  }
  TIndexPicker* picker_;
};
}  // namespace

TIndexPicker::TIndexPicker(Launcher& launcher, Prompt& prompt, HelpSystem* help, bool afterRun, QWidget* mainWindow,
                           QWidget* parent)
    : QDialog(parent), model_(launcher, prompt, afterRun), help_(help), mainWindow_(mainWindow) {
  setObjectName("IndexPicker");
  setWindowTitle("Visual verification");
  auto* v = new QVBoxLayout(this);
  QLabel* Label1 = NamedLabel(this, "Label1", "Visual verification of optimization results");
  QFont f = Label1->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 1.3);
  Label1->setFont(f);
  v->addWidget(Label1);
  QLabel* Label3 = NamedLabel(this, "Label3",
                              "Verify that the appearance and behavior of an optimized file has not been compromised "
                              "by optimization by browsing it. Either double-click a file to display it, or drag the "
                              "file to the default browser shown below.");
  Label3->setWordWrap(true);
  v->addWidget(Label3);
  LB1 = new QListWidget(this);
  LB1->setObjectName("LB1");
  LB1->setMinimumSize(480, 200);
  LB1->setDragEnabled(true);
  LB1->setDragDropMode(QAbstractItemView::DragOnly);
  LB1->setDefaultDropAction(Qt::CopyAction);
  LB1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  v->addWidget(LB1);
  QLabel* Label2 = NamedLabel(this, "Label2", "&Default browser/editor:");
  v->addWidget(Label2);
  auto* hb = new QHBoxLayout;
  Browpath1 = new DropField(this, this);
  Browpath1->setObjectName("Browpath1");
  Label2->setBuddy(Browpath1);
  bBrowse = NamedButton(this, "Browpath1Elipsis", "...");
  bBrowse->setFixedWidth(bBrowse->fontMetrics().horizontalAdvance("...") + 24);
  hb->addWidget(Browpath1);
  hb->addWidget(bBrowse);
  v->addLayout(hb);
  auto* h = new QHBoxLayout;
  bOK = NamedButton(this, "bOK", "&OK");
  bHelp = NamedButton(this, "bHelp", "&Help");
  bCancel = NamedButton(this, "bCancel", "&Cancel");
  bOK->setDefault(true);
  h->addStretch();
  for (auto* b : {bOK, bHelp, bCancel}) h->addWidget(b);
  v->addLayout(h);

  connect(LB1, &QListWidget::itemDoubleClicked, this, &TIndexPicker::PreviewSelected);
  connect(bBrowse, &QPushButton::clicked, this, &TIndexPicker::Browpath1ElipsisClick);
  connect(bOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bHelp, &QPushButton::clicked, this, [this] {
    if (help_) help_->ShowContext(kPreviewPickerHelpContext);
  });
  chooseBrowser = [this] {
    QFileDialog d(this, "Select the default browser...");
    d.setFileMode(QFileDialog::ExistingFile);
    d.setFilter(QDir::Files | QDir::Executable | QDir::AllDirs | QDir::NoDotAndDotDot);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
    return d.selectedFiles().first();
  };

  if (mainWindow_ && model_.HidesMainWindow()) mainWindow_->hide();
  for (const auto& d : model_.Documents()) {
    auto* item = new QListWidgetItem(ToQ(d), LB1);
    item->setData(Qt::UserRole, ToQ(d));
  }
  Browpath1->setText(ToQ(model_.OpenBrowser()));
}

TIndexPicker::~TIndexPicker() {
  if (mainWindow_ && model_.HidesMainWindow()) mainWindow_->showNormal();
}

void TIndexPicker::ShowVerdicts(const std::map<std::string, std::string>& verdicts) {
  for (int i = 0; i < LB1->count(); ++i) {
    QListWidgetItem* item = LB1->item(i);
    const std::string path = FromQ(item->data(Qt::UserRole).toString());
    auto it = verdicts.find(path);
    item->setText(it == verdicts.end() ? ToQ(path) : ToQ(path + "    [" + it->second + "]"));
    if (it != verdicts.end() && it->second.rfind("kept", 0) == 0) item->setForeground(QColor(0xa0, 0x30, 0x00));
  }
}

bool TIndexPicker::AcceptsDragFrom(const QObject* source) const {
  return IndexPickerModel::AcceptsDrop(source == LB1, FromQ(Browpath1->text()));
}

void TIndexPicker::PreviewSelected() {
  QList<QListWidgetItem*> s = LB1->selectedItems();
  model_.Preview(s.isEmpty() ? std::string() : FromQ(s.first()->data(Qt::UserRole).toString()), !s.isEmpty());
}

void TIndexPicker::Browpath1ElipsisClick() {
  QString path = chooseBrowser ? chooseBrowser() : QString();
  if (path.isEmpty()) return;
  if (model_.ChooseBrowser(FromQ(path))) Browpath1->setText(path);
}

void TIndexPicker::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) return;  // Escape does not press Cancel here
  QDialog::keyPressEvent(e);
}

}  // namespace sw

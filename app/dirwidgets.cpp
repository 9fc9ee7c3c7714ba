#include "app/dirwidgets.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStorageInfo>
#include <QTimer>
#include <QTreeView>

namespace sw {

QComboBox* MakeDriveSelector(QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setObjectName("DCB1");
  for (const QStorageInfo& v : QStorageInfo::mountedVolumes())
    if (v.isValid() && v.isReady()) c->addItem(v.rootPath());
  return c;
}

void SelectVolumeOf(QComboBox* drives, const QString& dir) {
  int at = drives->findText(QStorageInfo(dir).rootPath());
  if (at < 0) return;
  QSignalBlocker block(drives);
  drives->setCurrentIndex(at);
}

QTreeView* MakeDirectoryTree(QWidget* parent, QFileSystemModel** model) {
  auto* m = new QFileSystemModel(parent);
  m->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  m->setRootPath("/");
  auto* t = new QTreeView(parent);
  t->setObjectName("DLB1");
  t->setModel(m);
  for (int c = 1; c < m->columnCount(); ++c) t->hideColumn(c);
  t->setHeaderHidden(true);
  *model = m;
  return t;
}

QString OpenTreeAt(QTreeView* tree, QFileSystemModel* model, const QString& dir) {
  QString at = QDir::cleanPath(QDir(dir).absolutePath());
  while (!QFileInfo(at).isDir() && at != "/") at = QFileInfo(at).absolutePath();
  const QModelIndex i = model->index(at);
  if (!i.isValid()) return at;
  {
    QSignalBlocker block(tree->selectionModel());
    tree->setCurrentIndex(i);
  }
  tree->scrollTo(i, QAbstractItemView::PositionAtCenter);  // expands the parents

  // One follower per tree: a later opening replaces the earlier one.
  delete tree->findChild<QObject*>("TreeFollower", Qt::FindDirectChildrenOnly);
  auto* follower = new QObject(tree);
  follower->setObjectName("TreeFollower");
  auto keep = [tree, model, at, follower] {
    const QModelIndex j = model->index(at);
    if (!j.isValid() || tree->currentIndex() != j) {
      follower->deleteLater();  // the user has moved on
      return;
    }
    tree->scrollTo(j, QAbstractItemView::PositionAtCenter);
  };
  // Rows arrive in batches and are sorted afterwards; either moves it.
  QObject::connect(model, &QAbstractItemModel::rowsInserted, follower, [keep] { keep(); });
  QObject::connect(model, &QAbstractItemModel::layoutChanged, follower, [keep] { keep(); });
  QTimer::singleShot(0, follower, keep);  // once the dialog is laid out and shown
  QTimer::singleShot(5000, follower, &QObject::deleteLater);
  return at;
}

}  // namespace sw

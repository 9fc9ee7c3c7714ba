#include "app/dirwidgets.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QStorageInfo>
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

}  // namespace sw

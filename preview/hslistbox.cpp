#include "preview/hslistbox.h"

#include <QEvent>
#include <QFontMetrics>
#include <QScrollBar>

#include "app/widgets.h"

namespace sw {

THSListBox::THSListBox(QWidget* parent)
    : QListWidget(parent), widest_([this](const std::string& s) { return LineWidth(ToQ(s)); }) {
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QAbstractItemModel* m = model();
  connect(m, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
    for (int r = first; r <= last; ++r) widest_.Insert(static_cast<std::size_t>(r), FromQ(item(r)->text()));
    ApplyRange();
  });
  connect(m, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
    for (int r = last; r >= first; --r) widest_.Remove(static_cast<std::size_t>(r));
  });
  connect(m, &QAbstractItemModel::rowsRemoved, this, [this] { ApplyRange(); });
  connect(m, &QAbstractItemModel::modelReset, this, [this] { Remeasure(); });
  connect(m, &QAbstractItemModel::rowsMoved, this, [this] { Remeasure(); });
  connect(m, &QAbstractItemModel::layoutChanged, this, [this] { Remeasure(); });
  connect(m, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& tl, const QModelIndex& br) {
    for (int r = tl.row(); r <= br.row(); ++r)
      if (QListWidgetItem* it = item(r)) widest_.Change(static_cast<std::size_t>(r), FromQ(it->text()));
    ApplyRange();
  });
}

int THSListBox::LineWidth(const QString& line) const {
  QFontMetrics fm(font());
  return fm.horizontalAdvance(line) + fm.averageCharWidth();
}

QStringList THSListBox::Lines() const {
  QStringList l;
  for (int r = 0; r < count(); ++r) l << item(r)->text();
  return l;
}

void THSListBox::Remeasure() {
  std::vector<std::string> lines;
  for (int r = 0; r < count(); ++r) lines.push_back(FromQ(item(r)->text()));
  widest_.Reset(lines);
  ApplyRange();
}

void THSListBox::ApplyRange() {
  int page = viewport()->width();
  horizontalScrollBar()->setPageStep(page);
  horizontalScrollBar()->setRange(0, std::max(0, widest_.widest() - page));
}

// The view recomputes its scroll bars on every layout; ours follow the widest line.
void THSListBox::updateGeometries() {
  QListWidget::updateGeometries();
  ApplyRange();
}

void THSListBox::changeEvent(QEvent* e) {
  QListWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange) Remeasure();
}

}  // namespace sw

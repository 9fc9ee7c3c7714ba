// A list box whose horizontal scroll range follows its widest line: a line is
// as wide as its text in the list's font plus one average character. Every
// ordinary QListWidget operation (addItem, insertItem, takeItem, delete of an
// item, clear, setText) keeps the range up to date on its own.
#pragma once
#include <QListWidget>

#include "preview/widest_line.h"

namespace sw {

class THSListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit THSListBox(QWidget* parent = nullptr);

  // The widest line in pixels (0 when empty); the content width the
  // horizontal scroll bar covers.
  int horizontalExtent() const { return widest_.widest(); }
  // The width one line counts for in the current font.
  int LineWidth(const QString& line) const;

  // Convenience spellings of the ordinary operations.
  void AddLine(const QString& line) { addItem(line); }
  void InsertLine(int row, const QString& line) { insertItem(row, line); }
  void DeleteLine(int row) { delete takeItem(row); }
  void ClearLines() { clear(); }
  QStringList Lines() const;

 protected:
  void updateGeometries() override;
  void changeEvent(QEvent* e) override;

 private:
  void ApplyRange();
  void Remeasure();

  WidestLine widest_;
};

}  // namespace sw

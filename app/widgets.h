// Small helpers the windows share: controls carry their names as objectName,
// and text crosses between std::string and QString in the local 8-bit encoding.
#pragma once
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <string>

namespace sw {

inline QString ToQ(const std::string& s) { return QString::fromLocal8Bit(s.c_str()); }
inline std::string FromQ(const QString& s) { return s.toLocal8Bit().toStdString(); }

// A button never becomes the default by taking the focus; windows choose their default themselves.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// Help, Cancel and OK at the right end of `row` (which may already hold
// buttons on the left), OK the default.
inline void AddHelpCancelOk(QWidget* parent, QHBoxLayout* row, QPushButton*& help, QPushButton*& cancel,
                            QPushButton*& ok) {
  help = NamedButton(parent, "bHelp", "&Help");
  cancel = NamedButton(parent, "bCancel", "&Cancel");
  ok = NamedButton(parent, "bOK", "&OK");
  ok->setDefault(true);
  row->addStretch();
  for (auto* b : {help, cancel, ok}) row->addWidget(b);
}

inline QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

}  // namespace sw

#include "app/centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace sw {

void CentreOnScreen(QWidget* w) {
  QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = w->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  w->move(frame.topLeft());
}

}  // namespace sw

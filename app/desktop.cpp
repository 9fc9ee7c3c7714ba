#include "app/desktop.h"

#include <QApplication>
#include <QMessageBox>

namespace sw {

int RunDesktop(int argc, char** argv, const std::string& home) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Slimwright Lite");
  (void)home;
  QMessageBox::information(nullptr, "Slimwright Lite", "The desktop program is not built yet.");
  return 0;
}

}  // namespace sw

#include "app/desktop.h"

#include <QApplication>
#include <QDir>

#include "app/main_model.h"
#include "app/mainwindow.h"
#include "app/qt_prompt.h"
#include "app/single_instance.h"
#include "platform/home.h"
#include "platform/process.h"

namespace sw {

int RunDesktop(int argc, char** argv, const std::string& home) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppTitle);
  // No display name: the window system would append it to every caption.
  // The desktop entry gives the window its icon.
  QApplication::setDesktopFileName("slimwright");

  // A second start only brings the running program to the front.
  SingleInstance guard;
  if (!guard.Claim()) return 0;

  QtPrompt prompt;
  // Without a home there is no profile to read or write; a home named with
  // --home that cannot be made must not be swapped for another one.
  const std::string& dir = home;
  if (dir.empty()) {
    prompt.Ask(kAppTitle, "The program home could not be found or created. Slimwright Lite cannot start.",
               Icon::Error, Buttons::Ok);
    return 1;
  }
  MainModel model(dir, prompt, SystemProcessStarter());
  model.tempDir = QDir::tempPath().toLocal8Bit().toStdString();
  TTabform window(model);
  QObject::connect(&guard, &SingleInstance::activateRequested, &window, &TTabform::BringToFront);
  if (!window.Init()) return 0;
  model.FirstStart();
  window.show();
  return app.exec();
}

}  // namespace sw

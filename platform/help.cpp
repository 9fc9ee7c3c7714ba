#include "platform/help.h"

#include <QUrl>

#include "platform/files.h"
#include "platform/home.h"
#include "platform/process.h"

namespace sw {

std::string FindHelpFile() {
  std::string exe = ExecutableDir();
  const char* rel[] = {"/docs/help/index.html", "/help/index.html", "/../share/slimwright/help/index.html",
                       "/../docs/help/index.html", "/../../docs/help/index.html"};
  for (const char* r : rel)
    if (FileExists(exe + r)) return exe + r;
#ifdef SW_HELP_DIR
  if (FileExists(std::string(SW_HELP_DIR) + "/index.html")) return std::string(SW_HELP_DIR) + "/index.html";
#endif
  return {};
}

std::string HelpAnchor(int context) { return "ctx-" + std::to_string(context); }

std::string HelpUrl(const std::string& helpFile, const std::string& anchor) {
  QUrl u = QUrl::fromLocalFile(QString::fromLocal8Bit(helpFile.c_str()));
  u.setFragment(QString::fromStdString(anchor));
  return u.toString().toStdString();
}

bool HelpSystem::Exists() const { return FileExists(file_); }

bool HelpSystem::Show(const std::string& anchor) {
  if (!Exists()) return false;
  return starter_.Start(kDesktopOpener, {HelpUrl(file_, anchor)});
}

}  // namespace sw

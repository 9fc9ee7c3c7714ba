#include "platform/help.h"

#include <QUrl>

#include "platform/desktop_browser.h"
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

HelpSystem::HelpSystem(ProcessStarter& starter, std::string helpFile)
    : browserCommand(DefaultBrowserCommand), starter_(starter), file_(std::move(helpFile)) {}

bool HelpSystem::Exists() const { return FileExists(file_); }

bool HelpSystem::Show(const std::string& anchor) {
  if (!Exists()) return false;
  std::string url = HelpUrl(file_, anchor);
  std::vector<std::string> cmd = ExecCommandFor(browserCommand ? browserCommand() : std::string(), url);
  if (!cmd.empty() && starter_.Start(cmd.front(), std::vector<std::string>(cmd.begin() + 1, cmd.end()))) return true;
  return starter_.Start(kDesktopOpener, {url});
}

}  // namespace sw

#include "platform/help.h"

#include <QUrl>
#include <filesystem>

#include "platform/desktop_browser.h"
#include "platform/files.h"
#include "platform/home.h"
#include "platform/process.h"

namespace sw {

namespace {

bool SameDirectory(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec);
}

}  // namespace

std::string FindHelpFileFor(const std::string& exeDir, const std::string& buildDir, const std::string& sourceHelpDir) {
  const char* rel[] = {"/docs/help/index.html", "/help/index.html", "/../share/slimwright/help/index.html",
                       "/../docs/help/index.html", "/../../docs/help/index.html"};
  for (const char* r : rel)
    if (FileExists(exeDir + r)) return std::filesystem::path(exeDir + r).lexically_normal().string();
  // A build folder may lie anywhere; the program run from it reads the help
  // of the source tree it was built from. An installed copy never does.
  if (!buildDir.empty() && !sourceHelpDir.empty() && SameDirectory(exeDir, buildDir) &&
      FileExists(sourceHelpDir + "/index.html"))
    return sourceHelpDir + "/index.html";
  return {};
}

std::string FindHelpFile() {
#if defined(SW_HELP_DIR) && defined(SW_BUILD_DIR)
  return FindHelpFileFor(ExecutableDir(), SW_BUILD_DIR, SW_HELP_DIR);
#else
  return FindHelpFileFor(ExecutableDir(), {}, {});
#endif
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

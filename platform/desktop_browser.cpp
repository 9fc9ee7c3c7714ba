#include "platform/desktop_browser.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

namespace sw {

namespace {
std::string RunAndRead(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted(2000) || !p.waitForFinished(3000)) {
    p.kill();
    p.waitForFinished(500);
    return {};
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return {};
  return p.readAllStandardOutput().trimmed().toStdString();
}
}  // namespace

std::string DesktopFileExec(const std::string& text) {
  bool inEntry = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pos = end + 1;
    if (!line.empty() && line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (inEntry && line.rfind("Exec", 0) == 0) {
      size_t eq = line.find('=');
      if (eq == std::string::npos || line.find_first_not_of(' ', 4) != eq) continue;
      std::string v = line.substr(eq + 1);
      size_t a = v.find_first_not_of(' ');
      return a == std::string::npos ? std::string() : v.substr(a);
    }
  }
  return {};
}

std::vector<std::string> ExecCommandFor(const std::string& exec, const std::string& address) {
  // Split into words; double quotes group, a backslash inside them escapes.
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    char c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size()) word += exec[++i];
      else if (c == '"') quoted = false;
      else word += c;
    } else if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      inWord = true;
      if (c == '"') quoted = true;
      else word += c;
    }
  }
  if (inWord) words.push_back(word);
  std::vector<std::string> out;
  bool placed = false;
  for (const auto& w : words) {
    if (w == "%u" || w == "%U" || w == "%f" || w == "%F") {
      if (!placed) out.push_back(address);
      placed = true;
      continue;
    }
    std::string t;
    for (size_t i = 0; i < w.size(); ++i) {
      if (w[i] != '%' || i + 1 >= w.size()) {
        t += w[i];
      } else if (w[i + 1] == '%') {
        t += '%';
        ++i;
      } else {
        ++i;  // another field code (%i, %c, %k, ...): not needed here
      }
    }
    if (!t.empty() || out.empty()) out.push_back(t);
  }
  if (!out.empty() && !placed) out.push_back(address);
  if (!out.empty() && out.front().empty()) out.clear();
  return out;
}

std::string DefaultBrowserCommand() {
  std::string desktop = RunAndRead("xdg-settings", {"get", "default-web-browser"});
  if (desktop.empty()) desktop = RunAndRead("xdg-mime", {"query", "default", "x-scheme-handler/http"});
  if (desktop.empty()) return {};
  QString file = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QString::fromStdString(desktop));
  if (file.isEmpty()) return {};
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  std::string exec = DesktopFileExec(f.readAll().toStdString());
  if (exec.size() > 255) exec.resize(255);
  return exec;
}

}  // namespace sw

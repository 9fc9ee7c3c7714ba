#include "preview/launch.h"

#include <array>

#include "engine/options.h"
#include "engine/primitives.h"
#include "jobs/fileslist.h"
#include "platform/desktop_browser.h"
#include "platform/files.h"

namespace sw {

namespace {
constexpr int kDdeTimeoutMs = 10000;
const char* const kFileLoadFailed = "File load failed";

const std::array<DdeBrowser, 3> kDdeBrowsers = {{
    {"Netscape", "file:///", "Netscape DDE link failure",
     "Unable to establish DDE conversation with Netscape Navigator or Netscape Communicator. CreateProcess file "
     "load also reported failure. Unable to display file.\n\nRestarting your desktop session or closing Netscape "
     "may resolve this problem."},
    {"Internet Explorer", "file:", "Internet Explorer DDE failure",
     "Unable to establish DDE conversation with Internet Explorer. CreateProcess file load also reported failure. "
     "Unable to display file.\n\nRestarting your desktop session or closing Internet Explorer may resolve this "
     "problem."},
    {"Mosaic", "file://", "Mosaic DDE failure",
     "Unable to establish DDE conversation with Mosaic. CreateProcess file load also reported failure. Unable to "
     "display file.\n\nIf restarting your desktop session or closing Mosaic does not resolve this problem, you may "
     "have a Mosaic which is incompatible with Slimwright."},
}};

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  size_t a = s.find_first_not_of(" \t");
  return a == std::string::npos ? std::string() : s.substr(a);
}
}  // namespace

const DdeBrowser* DdeBrowserFor(const std::string& browserPath) {
  std::string name = AsciiLower(FileNamePart(browserPath));
  auto at = [&](const char* s, size_t last) {
    size_t p = name.find(s);
    return p != std::string::npos && p <= last;
  };
  if (at("netsc", 2)) return &kDdeBrowsers[0];
  if (at("iexpl", 2)) return &kDdeBrowsers[1];
  if (at("mos", 4)) return &kDdeBrowsers[2];
  return nullptr;
}

std::string OpenUrlItem(const std::string& prefix, const std::string& document) {
  std::string path = document;
  for (char& c : path) {
    if (c == ':') c = '|';
    else if (c == '\\') c = '/';
  }
  return prefix + path + ",,-1,1,,,";
}

std::string BrowserFromCommand(const std::string& command) {
  std::string text = command.size() > 255 ? command.substr(0, 255) : command;
  if (text.size() < 8) return {};
  size_t sp = text.rfind(' ');
  // A trailing argument of at most four characters (%1, "%1", %u) is dropped.
  if (sp != std::string::npos && sp + 1 > text.size() - 5) text.resize(sp + 1);
  // The desktop gives a command line, the setting wants a program file.
  text = Trimmed(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  if (!FileExists(text) && text.find('/') == std::string::npos) {
    std::string found = FindOnPath(text);
    if (!found.empty()) text = found;
  }
  return text;
}

Launcher::Launcher(IniFile& settings, Prompt& prompt, ProcessStarter& starter)
    : ini_(settings), prompt_(prompt), starter_(starter) {
  httpCommand = DefaultBrowserCommand;
  ReloadDefaultBrowser();
}

void Launcher::SetDefaultBrowser(const std::string& path) {
  defaultBrowser_ = path.size() > 255 ? path.substr(0, 255) : path;
  ini_.WriteString(kGeneralOptions, "DefaultBrowser", defaultBrowser_);
}

void Launcher::ReloadDefaultBrowser() { defaultBrowser_ = ini_.ReadString(kGeneralOptions, "DefaultBrowser", ""); }

std::string Launcher::FilesListPath() const {
  std::string p = ini_.path();
  size_t slash = p.rfind('/');
  size_t dot = p.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
  return p + ".lst";
}

bool Launcher::RunProgram(const std::string& program, const std::string& argument) {
  return starter_.Start(program, {argument});
}

bool Launcher::OpenLink(DdeClient& c, const std::string& service, const std::string& topic) {
  if (c.Connect(service, topic)) return true;
  if (defaultBrowser_.empty()) return false;
  // The browser may simply not be running yet.
  if (!starter_.Start(defaultBrowser_, {})) return false;
  return c.Connect(service, topic);
}

void Launcher::Converse(const DdeBrowser& b, const std::string& document) {
  std::unique_ptr<DdeClient> c = makeDde();
  std::string reply;
  if (OpenLink(*c, b.service, "WWW_Activate")) {
    c->Request("0xFFFFFFFF", kDdeTimeoutMs, &reply);
    c->Disconnect();
  } else if (!LaunchWithProgram(defaultBrowser_, document, LaunchMode::Quiet)) {
    prompt_.Ask(b.failureTitle, b.failureText, Icon::Error, Buttons::Ok);
    return;
  }
  if (OpenLink(*c, b.service, "WWW_OpenURL")) {
    c->Request(OpenUrlItem(b.prefix, document), kDdeTimeoutMs, &reply);
    c->Disconnect();
  } else if (!LaunchWithProgram(defaultBrowser_, document, LaunchMode::Quiet)) {
    prompt_.Ask(b.failureTitle, b.failureText, Icon::Error, Buttons::Ok);
  }
}

void Launcher::PreviewInBrowser(const std::string& document) {
  if (const DdeBrowser* b = DdeBrowserFor(defaultBrowser_)) Converse(*b, document);
  else LaunchWithProgram(defaultBrowser_, document, LaunchMode::Loud);
}

bool Launcher::LaunchWithProgram(const std::string& program, const std::string& document, LaunchMode mode) {
  if (!FileExists(program)) return OpenWithDefaultBrowser(document);
  if (RunProgram(program, document)) return true;
  if (mode == LaunchMode::Quiet) return false;
  prompt_.Ask(kFileLoadFailed,
              "Attempt to load " + document + " into " + program +
                  " failed.\n\nIf this program is open, you may need to close it to insure that Slimwright's "
                  "auto-load function works correctly. If you would prefer not to close the program, you can "
                  "attempt to load the file manually.",
              Icon::Error, Buttons::Ok);
  return false;
}

bool Launcher::OpenWithDefaultBrowser(const std::string& document) {
  if (!defaultBrowser_.empty() && FileExists(defaultBrowser_)) {
    if (!RunProgram(defaultBrowser_, document))
      prompt_.Ask(kFileLoadFailed,
                  "Slimwright was unable to launch the specified file into your browser. If closing the browser or "
                  "restarting your desktop session does not solve this problem, you should specify either Netscape "
                  "or Internet Explorer as Slimwright's default browser.",
                  Icon::Error, Buttons::Ok);
    return true;
  }
  prompt_.Ask(kFileLoadFailed,
              "Unable to load " + FileNamePart(document) +
                  ". No browser could be found either as a default Slimwright browser or as a system default "
                  "browser.",
              Icon::Error, Buttons::Ok);
  return false;
}

void Launcher::DetectDefaultBrowser() {
  std::string browser = BrowserFromCommand(httpCommand ? httpCommand() : std::string());
  if (!browser.empty()) SetDefaultBrowser(browser);
}

std::string Launcher::ExternalEditorPath() const {
  std::string editor = ini_.ReadString(kGeneralOptions, "ExternalEditor", "");
  return FileExists(editor) ? editor : std::string(kDesktopOpener);
}

void Launcher::EditorFailed() {
  prompt_.Ask("Unable to load file",
              "Unable to load default text editor application. Either reinstall xdg-open with or verify your "
              "current file associations for your default text editor.",
              Icon::Error, Buttons::Ok);
}

void Launcher::OpenFilesListInEditor() {
  std::string list = FilesListPath();
  if (FileExists(list)) {
    if (!RunProgram(ExternalEditorPath(), list)) EditorFailed();
    return;
  }
  prompt_.Ask("Slimwright error",
              "Unable to load " + list + ". Files list has either been erased or has not been built.",
              Icon::Warning, Buttons::Ok);
}

void Launcher::OpenLastReportInEditor() {
  std::string report = ini_.ReadString(kGeneralOptions, "LastWrittenReport", "");
  if (report.empty()) {
    prompt_.Ask("Report not found", "No optimization report has been created for this profile...unable to load.",
                Icon::Error, Buttons::Ok);
    return;
  }
  if (!FileExists(report)) {
    prompt_.Ask("Report not found...aborting",
                report + ", the last report for this profile, could not be found. Unable to load.", Icon::Error,
                Buttons::Ok);
    return;
  }
  if (!RunProgram(ExternalEditorPath(), report)) EditorFailed();
}

}  // namespace sw

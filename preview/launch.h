// Showing documents in the preview browser and text files in the external
// editor. Toolkit-free: programs start through a ProcessStarter, browser
// conversations go through a DdeClient, and every message through Prompt.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "engine/prompt.h"
#include "platform/dde.h"
#include "platform/inifile.h"
#include "platform/process.h"

namespace sw {

enum class LaunchMode { Quiet, Loud };

// The browser that talks DDE, chosen by its program's file name.
struct DdeBrowser {
  const char* service;
  const char* prefix;
  const char* failureTitle;
  const char* failureText;
};
// nullptr for a browser started by command line.
const DdeBrowser* DdeBrowserFor(const std::string& browserPath);
// The WWW_OpenURL item for a document.
std::string OpenUrlItem(const std::string& prefix, const std::string& document);
// The default browser from an http handler command line: a short trailing
// argument (such as %u) is cut off. "" when the command is too short.
std::string BrowserFromCommand(const std::string& command);

class Launcher {
 public:
  Launcher(IniFile& settings, Prompt& prompt, ProcessStarter& starter);

  // Hooks; tests replace them.
  std::function<std::unique_ptr<DdeClient>()> makeDde = MakeSystemDdeClient;
  std::function<std::string()> httpCommand;  // the desktop's browser command

  const std::string& defaultBrowser() const { return defaultBrowser_; }
  // Replaces the browser in memory and in the settings file.
  void SetDefaultBrowser(const std::string& path);
  // Takes the value from the settings file (program start, opened profile).
  void ReloadDefaultBrowser();

  bool RunProgram(const std::string& program, const std::string& argument);
  void PreviewInBrowser(const std::string& document);
  bool LaunchWithProgram(const std::string& program, const std::string& document, LaunchMode mode);
  bool OpenWithDefaultBrowser(const std::string& document);
  void DetectDefaultBrowser();
  std::string ExternalEditorPath() const;
  void OpenFilesListInEditor();
  void OpenLastReportInEditor();

  std::string FilesListPath() const;

 private:
  bool OpenLink(DdeClient& c, const std::string& service, const std::string& topic);
  void Converse(const DdeBrowser& b, const std::string& document);
  void EditorFailed();

  IniFile& ini_;
  Prompt& prompt_;
  ProcessStarter& starter_;
  std::string defaultBrowser_;
};

}  // namespace sw

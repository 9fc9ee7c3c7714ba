// The program's HTML help, opened in the desktop's browser at an anchor per
// help context ("#ctx-45000") or named topic ("#firsttime").
#pragma once
#include <functional>
#include <string>

namespace sw {

class ProcessStarter;

// The help file: index.html of the help folder installed beside the program
// (or in the source tree for a development build); "" when missing.
std::string FindHelpFile();
// The same for a program in exeDir that was built in buildDir from a source
// tree whose help folder is sourceHelpDir ("" when unknown).
std::string FindHelpFileFor(const std::string& exeDir, const std::string& buildDir, const std::string& sourceHelpDir);

std::string HelpAnchor(int context);
// file:// address of the help file at an anchor.
std::string HelpUrl(const std::string& helpFile, const std::string& anchor);

class HelpSystem {
 public:
  HelpSystem(ProcessStarter& starter, std::string helpFile);
  // The desktop browser's command line (an Exec line); tests replace it.
  // The browser gets the address whole, anchor included; the generic
  // opener, used when no browser is known, may drop the anchor.
  std::function<std::string()> browserCommand;
  const std::string& file() const { return file_; }
  bool Exists() const;
  bool ShowContext(int context) { return Show(HelpAnchor(context)); }
  bool ShowTopic(const std::string& topic) { return Show(topic); }
  bool ShowContents() { return Show("contents"); }

 private:
  bool Show(const std::string& anchor);
  ProcessStarter& starter_;
  std::string file_;
};

}  // namespace sw

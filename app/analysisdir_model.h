// The analysis-mode directory dialog's decisions. TDirForm2 shows it.
#pragma once
#include <string>

#include "engine/prompt.h"
#include "platform/inifile.h"

namespace sw {

inline constexpr int kAnalysisDirHelpContext = 42136;

// The working directory proposed for a chosen parent directory.
std::string ProposedAnalysisDir(const std::string& dir);

class AnalysisDirModel {
 public:
  AnalysisDirModel(IniFile& settings, Prompt& prompt) : ini_(settings), prompt_(prompt) {}
  // Opening: proposes the working directory in effect (the stored one, or
  // the default below tempDir) without counting a change; returns the
  // folder that holds it, where the dialog starts.
  std::string Open(const std::string& tempDir);
  // A drive or directory change.
  void DirectoryChanged(const std::string& dir);
  const std::string& proposed() const { return proposed_; }
  bool changed() const { return changed_; }
  // OK: asks and stores when something changed; the dialog then closes.
  void Ok();
  // Reset: back to the system temporary directory; the dialog stays open.
  void Reset();

 private:
  IniFile& ini_;
  Prompt& prompt_;
  std::string proposed_;
  bool changed_ = false;
};

}  // namespace sw

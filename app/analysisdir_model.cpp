#include "app/analysisdir_model.h"

#include "engine/options.h"
#include "jobs/analysis.h"

namespace sw {

std::string ProposedAnalysisDir(const std::string& dir) {
  if (!dir.empty() && dir.back() == '/') return dir + "w$t";
  return dir + "/w$t";
}

std::string AnalysisDirModel::Open(const std::string& tempDir) {
  AnalysisRun run(prompt_);
  run.analysisPath = ini_.ReadString(kGeneralOptions, "AnalysisPath", "");
  run.tempDir = tempDir;
  proposed_ = run.WorkingDirectory();
  changed_ = false;
  const size_t slash = proposed_.find_last_of('/');
  if (slash == std::string::npos) return proposed_;
  return slash == 0 ? std::string("/") : proposed_.substr(0, slash);
}

void AnalysisDirModel::DirectoryChanged(const std::string& dir) {
  proposed_ = ProposedAnalysisDir(dir);
  changed_ = true;
}

void AnalysisDirModel::Ok() {
  if (!changed_) return;
  if (prompt_.Ask("About to record new directory",
                  "The working directory for analysis mode should only be modified if you are getting errors when "
                  "attempting to use the default setting.\n\nAre you sure you want to change the analysis mode "
                  "directory?",
                  Icon::Warning, Buttons::YesNo) != Answer::Yes)
    return;
  ini_.WriteString(kGeneralOptions, "AnalysisPath", proposed_);
  prompt_.Ask("New temporary directory recorded",
              "The " + proposed_ + " directory will now be used for temporary file storage when analysis mode is "
              "specified.",
              Icon::Information, Buttons::Ok);
}

void AnalysisDirModel::Reset() {
  if (prompt_.Ask("About to reset default directory",
                  "About to reset the working directory for analysis mode to your system temporary directory. OK to "
                  "proceed?",
                  Icon::Question, Buttons::OkCancel) == Answer::Ok)
    ini_.WriteString(kGeneralOptions, "AnalysisPath", "");
}

}  // namespace sw

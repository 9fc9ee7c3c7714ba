// The analysis run's working directory: copies of the listed documents that
// the job optimizes instead of the documents themselves.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "engine/prompt.h"

namespace sw {

class AnalysisRun {
 public:
  explicit AnalysisRun(Prompt& prompt) : prompt_(prompt) {}

  // Set by the owner.
  std::string analysisPath;     // AnalysisPath setting; "" means tempDir + "/t$w"
  std::string tempDir;          // the system temporary directory
  std::string filesListPath;    // the job's files list
  std::string analysisListPath; // "analysis.lst" in the program home
  std::string programDir;       // the program home (never removed)
  std::string userHome;         // the user's home folder (never removed)
  bool recycleFiles = false;    // RecycleFiles: removed files go to the trash
  // Moves one file to the trash; the default uses the desktop trash.
  std::function<bool(const std::string&)> moveToTrash;

  // The working directory: always ends in "t$w" or "w$t".
  std::string WorkingDirectory() const;

  // Clears (or creates) the working directory, copies every listed document
  // into it and writes "analysis.lst". False when the run must not start;
  // any message has been shown.
  bool Prepare();
  // Removes the working directory and "analysis.lst". The directory goes
  // only when Prepare made or cleared it, so a refused one stays as it is.
  void Finish();

  // The working directory, absolute and normalised: the job refuses any copy
  // outside it.
  std::string Folder() const;
  // The copy of one list entry inside the working directory.
  std::string CopyPath(const std::string& entry) const;
  // Whether a copy path lies inside the working directory.
  bool CopyInside(const std::string& copy) const;
  const std::vector<std::string>& Copies() const { return copies_; }

 private:
  bool ClearWorkingDirectory(const std::string& dir, bool showErrors);
  Prompt& prompt_;
  std::vector<std::string> copies_;
  bool owned_ = false;  // Prepare made or cleared the working directory
};

}  // namespace sw

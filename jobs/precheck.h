// The checks before a job starts: profile, files list, its first entry, the
// left-over list and the preview browser. The first that fails ends the
// command with nothing started.
#pragma once
#include <functional>
#include <string>

#include "engine/profile.h"
#include "engine/prompt.h"

namespace sw {

// The question for a missing profile file: Yes writes the safe preset, No
// the maximum preset. False on Cancel (the program or command ends).
bool AskMissingProfile(Profile& profile, Prompt& prompt);

struct OptimizePrechecks {
  std::string profilePath;
  std::string filesListPath;
  // In/out: the list was built (or confirmed) in this session. "No" at the
  // left-over list question sets it, so the question comes once.
  bool filesListBuilt = false;
  bool showPreviewDlg = false;     // ShowPreviewDlg
  std::string defaultBrowser;      // DefaultBrowser
  // Runs the default-browser search on "Yes" (the caller stores the result).
  std::function<std::string()> detectDefaultBrowser;  // the browser found, or ""

  // Profile, files list and its first entry: the checks that apply without
  // a window. True when all pass.
  bool CheckFiles(Prompt& prompt) const;
  // Every check in order, the questions included. True when the job may start.
  bool Run(Prompt& prompt);
};

}  // namespace sw

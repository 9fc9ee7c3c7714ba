#include "jobs/precheck.h"

#include <filesystem>
#include <vector>

#include "engine/options.h"
#include "jobs/fileslist.h"

namespace fs = std::filesystem;

namespace sw {

bool AskMissingProfile(Profile& profile, Prompt& prompt) {
  Answer a = prompt.Ask(
      "Missing profile file",
      "The default profile for Slimwright is missing. By default, Slimwright will create a new profile for you based "
      "on \"safe\" optimization parameters.\n\nPress Yes to start with safe optimization parameters, No to start with "
      "maximum optimization parameters. Pressing Cancel will abort the application so that you can copy a backed-up "
      "profile into Slimwright's directory.",
      Icon::Warning, Buttons::YesNoCancel);
  if (a == Answer::Cancel) return false;
  WritePreset(profile, a == Answer::Yes ? Preset::Safe : Preset::Maximum);
  return true;
}

bool OptimizePrechecks::CheckFiles(Prompt& prompt) const {
  std::error_code ec;
  if (!fs::is_regular_file(profilePath, ec)) {
    prompt.Ask("Default profile file not found",
               "The profile file for this job cannot be found in the specified location. Either reselect it from "
               "disk or specify a new profile file prior to continuing.",
               Icon::Error, Buttons::Ok);
    return false;
  }
  std::vector<std::string> lines;
  if (!fs::is_regular_file(filesListPath, ec) || !ReadLines(filesListPath, lines)) {
    prompt.Ask("Files list not found...aborting",
               "Batch mode optimization has been specified but no valid " + FileNamePart(filesListPath) +
                   " files list was found. Select files using the Select files for optimization button and/or "
                   "rebuild the list if needed prior to retrying optimization.",
               Icon::Error, Buttons::Ok);
    return false;
  }
  const std::string first = lines.empty() ? std::string() : lines.front();
  if (first.empty() || !fs::is_regular_file(first, ec)) {
    prompt.Ask("File list invalid...aborting",
               "The first file in " + first + " could not be found. " +
                   "The current files list is possibly invalid and should be modified " +
                   "or rebuilt prior to retrying the optimization.",
               Icon::Error, Buttons::Ok);
    return false;
  }
  return true;
}

bool OptimizePrechecks::Run(Prompt& prompt) {
  if (!CheckFiles(prompt)) return false;
  if (!filesListBuilt) {
    if (prompt.Ask("'Stale' file list detected",
                   "The files list for this job is left over from the last session and has not been rebuilt during "
                   "this session. It will not reflect files and/or directories added to the current web since the "
                   "last optimization. If you want to update the files list, then reopen the files list and rebuild "
                   "the list of files for this job prior to retrying the optimization.\n\nContinue with the current "
                   "files list?",
                   Icon::Question, Buttons::YesNo) != Answer::Yes) {
      filesListBuilt = true;
      return false;
    }
  }
  if (!showPreviewDlg) return true;
  // Either browser question: Yes searches for the desktop's browser and goes
  // on, so a browser that is still missing after the first search is asked about again.
  auto findBrowser = [&](const std::string& text) {
    if (prompt.Ask("Default browser not found", text, Icon::Question, Buttons::YesNo) != Answer::Yes) return false;
    if (detectDefaultBrowser) defaultBrowser = detectDefaultBrowser();
    return true;
  };
  std::error_code ec;
  if (defaultBrowser.empty() &&
      !findBrowser("No browser has been selected for previewing your optimized HTML. Should Slimwright try to find "
                   "your current default browser and use it as the program's preview browser?"))
    return false;
  if (!fs::exists(defaultBrowser, ec) &&
      !findBrowser("Your preview browser no longer exists at the location specified. Should Slimwright try to find "
                   "your current default browser and use it as the program's preview browser?"))
    return false;
  return true;
}

}  // namespace sw

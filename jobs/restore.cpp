#include "jobs/restore.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#include "jobs/fileslist.h"
#include "jobs/jobrun.h"

namespace fs = std::filesystem;

namespace sw {

std::string BackupRestore::IncompleteText(const RestoreCounts& c) {
  auto s = [](int n) { return std::string(n > 1 ? "s" : ""); };
  std::string text = "Restoration was not completely successful. The following " +
                     std::string(c.Failures() == 1 ? "error was" : "errors were") + " reported:" + "\n\n";
  if (c.missing > 0)
    text += std::to_string(c.missing) + " backup file" + s(c.missing) + " could not " +
            "be found and thus could not be restored.\n";
  if (c.notRenamed > 0)
    text += std::to_string(c.notRenamed) + " backed up file" + s(c.notRenamed) + " could not " +
            "be renamed. (You will need to rename " + (c.notRenamed > 1 ? "these files" : "this file") +
            " manually.)\n";
  if (c.notDeleted > 0)
    text += std::to_string(c.notDeleted) + " optimized file" + s(c.notDeleted) + " could not " +
            "be deleted. The .SRBAK file" + s(c.notDeleted) + " will need to be " + "restored manually.\n";
  return text;
}

RestoreResult BackupRestore::Run() {
  counts = RestoreCounts{};
  if (prompt_.Ask("Confirming restoration",
                  "This will restore ALL backed-up files created using the current files list. Are you sure you "
                  "wish to restore these files?",
                  Icon::Question, Buttons::YesNo) != Answer::Yes)
    return RestoreResult::Declined;
  std::vector<std::string> entries;
  std::error_code ec;
  if (!fs::is_regular_file(list_, ec) || !ReadDocumentList(list_, entries)) {
    prompt_.Ask("Restoration error", "No files list found...nothing to restore", Icon::Error, Buttons::Ok);
    return RestoreResult::NoFilesList;
  }
  // A backup is only ever a file of its own: anything else at its name (a
  // link above all) would put some other file in the document's place.
  auto hasBackup = [&](const std::string& e) {
    return fs::is_regular_file(fs::symlink_status(JobRun::BackupPath(e), ec));
  };
  bool any = false;
  for (const auto& e : entries) any = any || hasBackup(e);
  if (!any) {
    prompt_.Ask("Restoration aborted",
                "Unable to find any .SRBAK files corresponding with the files in the current " + FileNamePart(list_) +
                    " list file. Slimwright Lite was unable to restore any of your original files.\n\nIf the "
                    "Create Backup switch was disabled, you will not be able to restore any of your original files. "
                    "If you have changed the files list since the last optimization, then you may have to restore "
                    "your original files manually.",
                Icon::Error, Buttons::Ok);
    return RestoreResult::NoBackups;
  }
  // Entries naming one file (a link and its target, one path written two
  // ways) restore it once, from the first entry's backup; decided before the
  // first rename gives the file a new identity.
  std::vector<bool> repeated(entries.size(), false);
  {
    std::set<std::pair<dev_t, ino_t>> seen;
    std::set<std::string> names;
    for (size_t i = 0; i < entries.size(); ++i) {
      struct stat st;
      const bool again = !names.insert(entries[i]).second;
      repeated[i] = again || (::stat(entries[i].c_str(), &st) == 0 && !seen.insert({st.st_dev, st.st_ino}).second);
    }
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string& e = entries[i];
    if (repeated[i]) continue;
    if (!hasBackup(e)) {
      ++counts.missing;
      continue;
    }
    // One rename puts the backup in place, so the document is never missing.
    // A linked document was optimized through its link: its target goes back.
    std::string target = e;
    if (fs::is_symlink(e, ec)) {
      fs::path resolved = fs::weakly_canonical(e, ec);
      if (!ec) target = resolved.string();
    }
    if (std::rename(JobRun::BackupPath(e).c_str(), target.c_str()) == 0) {
      ++counts.restored;
    } else if (fs::exists(fs::symlink_status(target, ec))) {
      ++counts.notDeleted;
    } else {
      ++counts.notRenamed;
    }
  }
  if (counts.Failures() == 0) {
    prompt_.Ask("Restoration complete",
                "All files from the previous job have been restored to their pre-optimized state.",
                Icon::Information, Buttons::Ok);
    return RestoreResult::Complete;
  }
  prompt_.Ask("Restoration incomplete", IncompleteText(counts), Icon::Warning, Buttons::Ok);
  return RestoreResult::Incomplete;
}

}  // namespace sw

// Restoring every document of the files list from the backup beside it.
#pragma once
#include <string>

#include "engine/prompt.h"

namespace sw {

struct RestoreCounts {
  int missing = 0;     // backups not found
  int notDeleted = 0;  // documents that could not be replaced
  int notRenamed = 0;  // backups that could not be moved into place
  int restored = 0;
  int Failures() const { return missing + notDeleted + notRenamed; }
};

enum class RestoreResult {
  Declined,    // "No" at the confirmation
  NoFilesList,
  NoBackups,   // no entry has a backup; nothing touched
  Complete,
  Incomplete,
};

class BackupRestore {
 public:
  BackupRestore(std::string filesListPath, Prompt& prompt) : list_(std::move(filesListPath)), prompt_(prompt) {}
  // Asks for confirmation, restores, and reports the outcome.
  RestoreResult Run();
  RestoreCounts counts;

  // The "Restoration incomplete" text for the given counts.
  static std::string IncompleteText(const RestoreCounts& c);

 private:
  std::string list_;
  Prompt& prompt_;
};

}  // namespace sw

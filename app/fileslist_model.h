// The files list builder's decisions: the job list, its readouts, the
// volume check and the OK and Cancel flows. TProjFilePick shows it.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/prompt.h"
#include "platform/inifile.h"

namespace sw {

inline constexpr int kFilesListSafeLimit = 999;
inline constexpr int kFilePickHelpContext = 35000;

class FilesListModel {
 public:
  FilesListModel(IniFile& profile, std::string filesListPath, Prompt& prompt);

  // The mounted volume a path lies on; tests replace it.
  std::function<std::string(const std::string&)> volumeOf;

  // Opening: clears the flags and loads the files list when it exists.
  // Returns LastDirectory when it names an existing directory, else "".
  std::string Open();

  const std::vector<std::string>& entries() const { return entries_; }
  bool listTouched() const { return touched_; }
  bool listChanged() const { return changed_; }

  // Appends a path unless it is there already (letter case ignored).
  bool AddOne(const std::string& path);
  // Add: the selected files as the file list shows them, top to bottom;
  // they are taken bottom to top. Runs the volume check.
  void AddSelected(const std::vector<std::string>& selectedTopToBottom);
  // Files dropped from the desktop, in the order delivered.
  void AddDropped(const std::vector<std::string>& paths);
  // Removes the given rows (any order).
  void Drop(const std::vector<int>& rows);
  // Asks, then empties the list.
  void Clear();
  void Touch() { touched_ = true; }

  std::string FileCountText() const;
  std::string JobSizeText() const;
  bool CanDrop() const { return !entries_.empty(); }

  // True when the dialog may close. lastDirectory is stored first.
  bool Ok(const std::string& lastDirectory);
  bool Cancel(const std::string& lastDirectory);
  // Set once a list was written: the main window's stale-list flag.
  bool saved() const { return saved_; }

  std::function<void()> processEvents;

 private:
  void AfterAdd();
  IniFile& ini_;
  std::string listPath_;
  Prompt& prompt_;
  std::vector<std::string> entries_;
  bool touched_ = false;
  bool changed_ = false;
  bool saved_ = false;
};

// The length warning for a list of n entries.
std::string ListLengthWarning(int n);
// The volume a path lies on (its mount point).
std::string VolumeOfPath(const std::string& path);

}  // namespace sw

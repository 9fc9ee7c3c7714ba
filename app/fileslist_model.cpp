#include "app/fileslist_model.h"

#include <QStorageInfo>
#include <QString>
#include <algorithm>
#include <filesystem>

#include "engine/options.h"
#include "engine/primitives.h"
#include "jobs/fileslist.h"
#include "platform/files.h"

namespace sw {

std::string VolumeOfPath(const std::string& path) {
  // A listed file that is gone still lies on the volume of its folder.
  std::string p = path;
  while (!p.empty() && !std::filesystem::exists(p)) {
    size_t slash = p.find_last_of('/');
    if (slash == std::string::npos) return {};
    p.resize(slash == 0 ? 1 : slash);
    if (p == "/") break;
  }
  QStorageInfo info(QString::fromLocal8Bit(p.c_str()));
  return info.isValid() ? info.rootPath().toStdString() : std::string();
}

std::string ListLengthWarning(int n) {
  return "Your current files list exceeds Slimwright's safe limit of 999 files. You should remove at least" +
         std::to_string(n - kFilesListSafeLimit) + " of the " + std::to_string(n) +
         " files in the current list to insure that all files are correctly backed up and queued for "
         "processing.\n\nClose anyway?";
}

FilesListModel::FilesListModel(IniFile& profile, std::string filesListPath, Prompt& prompt)
    : volumeOf(VolumeOfPath), ini_(profile), listPath_(std::move(filesListPath)), prompt_(prompt) {}

std::string FilesListModel::Open() {
  touched_ = changed_ = false;
  entries_.clear();
  if (FileExists(listPath_)) ReadFilesList(listPath_, entries_);
  std::string dir = ini_.ReadString(kGeneralOptions, "LastDirectory", "");
  return DirExists(dir) ? dir : std::string();
}

bool FilesListModel::AddOne(const std::string& path) {
  for (const auto& e : entries_)
    if (EqualsI(e, path)) return false;
  entries_.push_back(path);
  touched_ = true;
  return true;
}

void FilesListModel::AfterAdd() {
  if (processEvents) processEvents();
  if (entries_.size() > 1) {
    std::string first = volumeOf(entries_.front());
    for (size_t i = 1; i < entries_.size(); ++i) {
      if (volumeOf(entries_[i]) != first) {
        prompt_.Ask("Potential 'problem' archive detected",
                    "Slimwright has detected files in this list spread across multiple drives or partitions. This "
                    "could produce some confusion when restoring the backed up web since the archive does not "
                    "store the drive identifier with the filename. If you continue with this job as-is, you can "
                    "expect possible overwrite errors if this job needs to be restored. \n\nIt is strongly "
                    "recommended that all files in a given job be selected from the same drive.",
                    Icon::Warning, Buttons::Ok);
        break;
      }
    }
  }
  changed_ = true;
}

void FilesListModel::AddSelected(const std::vector<std::string>& selected) {
  if (selected.empty()) return;
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) AddOne(*it);
  AfterAdd();
}

void FilesListModel::AddDropped(const std::vector<std::string>& paths) {
  for (const auto& p : paths) AddOne(p);
  AfterAdd();
}

void FilesListModel::Drop(const std::vector<int>& rows) {
  if (rows.empty()) return;
  std::vector<int> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
    if (*it >= 0 && size_t(*it) < entries_.size()) entries_.erase(entries_.begin() + *it);
  touched_ = changed_ = true;
}

void FilesListModel::Clear() {
  if (prompt_.Ask("About to clear current files list",
                  "Clearing the list will reset the job profile for this job to \"no files\". You may wish to back "
                  "up the current profile prior to continuing.\n\nClear the list now?",
                  Icon::Question, Buttons::YesNo) != Answer::Yes)
    return;
  entries_.clear();
  touched_ = changed_ = true;
}

std::string FilesListModel::FileCountText() const {
  return entries_.empty() ? "(n/a)" : std::to_string(entries_.size());
}

std::string FilesListModel::JobSizeText() const {
  if (entries_.empty()) return "(n/a)";
  int64_t total = 0;
  for (const auto& e : entries_) total += FileSizeOrMinus1(e);
  return std::to_string(total / 1024) + "kb";
}

bool FilesListModel::Ok(const std::string& lastDirectory) {
  ini_.WriteString(kGeneralOptions, "LastDirectory", lastDirectory);
  if (!touched_) return true;
  int n = int(entries_.size());
  if (n > kFilesListSafeLimit &&
      prompt_.Ask("Files list length warning", ListLengthWarning(n), Icon::Question, Buttons::YesNo) != Answer::Yes)
    return false;
  if (!changed_) return true;
  if (FileExists(listPath_) &&
      prompt_.Ask("Files list overwrite warning",
                  "A files list exists from a previous job. OK to overwrite it?\n\n(Switch to your file manager and "
                  "make a copy of this list if you wish to preserve it for later use.)",
                  Icon::Warning, Buttons::YesNo) != Answer::Yes)
    return false;
  if (!WriteLines(listPath_, entries_)) {
    prompt_.Ask("Slimwright error", "Unable to write " + listPath_ + ".", Icon::Error, Buttons::Ok);
    return false;
  }
  prompt_.Ask("Files list saved", "Updated files list created as " + listPath_ + ".", Icon::Information,
              Buttons::Ok);
  saved_ = true;
  return true;
}

bool FilesListModel::Cancel(const std::string& lastDirectory) {
  ini_.WriteString(kGeneralOptions, "LastDirectory", lastDirectory);
  if (!changed_) return true;
  return prompt_.Ask("Files list has been modified",
                     "You have modified the current files list. Abandon changes and close the dialog?",
                     Icon::Question, Buttons::YesNo) == Answer::Yes;
}

}  // namespace sw

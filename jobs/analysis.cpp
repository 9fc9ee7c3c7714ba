#include "jobs/analysis.h"

#include <QFile>
#include <QString>
#include <filesystem>

#include "jobs/copyfile.h"
#include "jobs/fileslist.h"

namespace fs = std::filesystem;

namespace sw {

namespace {

// Absolute, lexically clean form of a path, without following its last
// component (which may be a link).
fs::path Clean(const std::string& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  if (ec) a = p;
  a = a.lexically_normal();
  if (a.has_filename() == false && a != a.root_path()) a = a.parent_path();
  fs::path parent = fs::weakly_canonical(a.parent_path(), ec);
  if (!ec && a.has_filename()) a = parent / a.filename();
  return a;
}

bool Same(const fs::path& a, const std::string& b) { return !b.empty() && a == Clean(b); }

// True when inner lies inside (or is) outer.
bool Within(const std::string& inner, const fs::path& outer) {
  if (inner.empty()) return false;
  std::error_code ec;
  fs::path in = fs::weakly_canonical(inner, ec);
  if (ec) in = Clean(inner);
  auto rel = in.lexically_relative(outer);
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

std::string AnalysisRun::WorkingDirectory() const {
  std::string dir = analysisPath;
  if (dir.empty()) {
    dir = tempDir;
    if (!dir.empty() && dir.back() == '/') dir.pop_back();
    return dir + "/t$w";
  }
  if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  // Only a folder named the way the program names it is ever removed.
  const std::string last = FileNamePart(dir);
  if (last != "t$w" && last != "w$t") dir += (dir == "/" ? "w$t" : "/w$t");
  return dir;
}

std::string AnalysisRun::CopyPath(const std::string& entry) const {
  // Paths have no drive part here: the whole entry goes below the folder.
  return WorkingDirectory() + (entry.empty() || entry.front() != '/' ? "/" : "") + entry;
}

std::string AnalysisRun::Folder() const { return NormalEntry(WorkingDirectory()); }

bool AnalysisRun::CopyInside(const std::string& copy) const {
  const fs::path rel = fs::path(NormalEntry(copy)).lexically_relative(Folder());
  return !rel.empty() && *rel.begin() != ".." && *rel.begin() != ".";
}

bool AnalysisRun::ClearWorkingDirectory(const std::string& dir, bool showErrors) {
  const fs::path where = Clean(dir);
  std::error_code ec;
  const fs::path home = userHome.empty() ? fs::path() : Clean(userHome);
  if (where == where.root_path() || Same(where, userHome) || Same(where, programDir) ||
      Within(programDir, where) || (!home.empty() && Within(home.string(), where))) {
    if (showErrors)
      prompt_.Ask("Write access error", "Attempt to remove root directory...aborting.", Icon::Error, Buttons::Ok);
    return false;
  }
  auto st = fs::symlink_status(where, ec);
  if (!fs::exists(st)) return true;
  bool ok;
  if (recycleFiles && !fs::is_symlink(st)) {
    ok = moveToTrash ? moveToTrash(where.string())
                     : QFile::moveToTrash(QString::fromLocal8Bit(where.string().c_str()));
  } else {
    // remove_all removes a link itself, never what it points to.
    fs::remove_all(where, ec);
    ok = !ec;
  }
  if (!ok || fs::exists(fs::symlink_status(where, ec))) {
    if (showErrors)
      prompt_.Ask("Directory deletion failed",
                  "Unable to erase the " + dir + " directory. Please delete this directory and its contents " +
                      "manually and retry this operation.",
                  Icon::Error, Buttons::Ok);
    return false;
  }
  return true;
}

bool AnalysisRun::Prepare() {
  copies_.clear();
  owned_ = false;
  std::vector<std::string> entries;
  if (!ReadDocumentList(filesListPath, entries)) return false;
  const std::string dir = WorkingDirectory();
  // Clearing the folder must never take the job's own documents with it.
  const fs::path where = Clean(dir);
  for (const auto& entry : entries) {
    if (Within(entry, where)) {
      prompt_.Ask("Write access error",
                  "The analysis mode directory " + dir + " holds " + entry + ", a file of this job...aborting.",
                  Icon::Error, Buttons::Ok);
      return false;
    }
  }
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(dir, ec))) {
    if (!fs::create_directory(dir, ec) || ec) return false;
  } else if (!ClearWorkingDirectory(dir, true)) {
    return false;
  }
  owned_ = true;
  for (const auto& entry : entries) {
    std::string copy = CopyPath(entry);
    // A copy that would land outside the folder is never made; the job then
    // refuses that document.
    if (CopyInside(copy)) CopyFileWithOptions(entry, copy, kCopyAnalysis, &prompt_);
    copies_.push_back(copy);
  }
  return WriteLines(analysisListPath, copies_);
}

void AnalysisRun::Finish() {
  if (owned_) ClearWorkingDirectory(WorkingDirectory(), false);
  owned_ = false;
  std::error_code ec;
  fs::remove(analysisListPath, ec);
}

}  // namespace sw

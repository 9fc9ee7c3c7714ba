#include "eraser/core/eraser_model.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"

namespace sw::eraser {

namespace {
std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}
std::string Swap(std::string s, char from, char to) {
  std::replace(s.begin(), s.end(), from, to);
  return s;
}
bool IsDir(const std::string& p) {
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

EraseStyle ParseStyle(const std::string& stored) {
  const std::string u = Upper(stored);
  if (u == "SHRED") return EraseStyle::Shred;
  if (u == "RECYCLE") return EraseStyle::Recycle;
  return EraseStyle::Normal;
}

const char* StyleName(EraseStyle style) {
  switch (style) {
    case EraseStyle::Shred: return "Shred";
    case EraseStyle::Recycle: return "Recycle";
    default: return "Normal";
  }
}

std::string MaskShown(const std::string& stored) { return Swap(stored, ',', ';'); }
std::string MaskStored(const std::string& shown) { return Swap(shown, ';', ','); }

std::string HomeFolder() {
  if (const char* h = std::getenv("HOME"); h && *h) return h;
  if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string StartDirectory(const std::string& stored) { return IsDir(stored) ? stored : HomeFolder(); }

EraserSettings ReadEraserSettings(const Profile& ini) {
  EraserSettings s;
  const std::string mask = ini.ReadString(kSection, "SearchMask", "");
  s.mask = mask.empty() ? kDefaultMask : MaskShown(mask);
  s.subdirs = ini.ReadInt(kSection, "SearchSubdirs", 1) > 0;
  s.directory = StartDirectory(ini.ReadString(kSection, "LastDirectory", ""));
  s.style = ParseStyle(ini.ReadString(kSection, "EraseStyle", ""));
  return s;
}

const std::vector<std::string>& StockMasks() {
  static const std::vector<std::string> masks = {"*.srbak", "*.bak", "*.bkp", "*.old", "*.wrk",
                                                 "*.wbk",   "*.$$$", "*.tmp", "*.err", "*.log",
                                                 "~*.*",    "*.~*",  "mscreate.dir"};
  return masks;
}

std::string AppendStockMask(const std::string& c, const std::string& s) {
  if (c.find(',') == std::string::npos &&
      (c == s || c.find(";" + s) != std::string::npos || c.find(s + ";") != std::string::npos))
    return c;
  if (c.empty() || c.back() == ';') return c + s;
  return c + ";" + s;
}

EraseOps SystemEraseOps() {
  EraseOps ops;
  ops.remove = [](const std::string& path, std::string* error) {
    if (::unlink(path.c_str()) == 0) return true;
    if (error) *error = std::strerror(errno);
    return false;
  };
  ops.trash = [](const std::string& path) { return MoveToTrash(path); };
  return ops;
}

namespace {

// Overwrites a regular file with "X" bytes and flushes them to the disk.
bool Overwrite(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  auto fail = [&](int e) {
    if (error) *error = std::strerror(e);
    if (fd >= 0) ::close(fd);
    return false;
  };
  if (fd < 0) return fail(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(EINVAL);
  // Another name of the same data (a hard link, say in a snapshot folder) was
  // never listed; overwriting would destroy it too.
  if (st.st_nlink > 1) {
    if (error) *error = "the file has other names (hard links); it was left alone";
    ::close(fd);
    return false;
  }
  const std::string block(64 * 1024, 'X');
  for (off_t left = st.st_size, at = 0; left > 0;) {
    const size_t n = size_t(std::min<off_t>(left, off_t(block.size())));
    const ssize_t w = ::pwrite(fd, block.data(), n, at);
    if (w < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    left -= w;
    at += w;
  }
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

EraseOutcome EraseOne(const Listed& file, EraseStyle style, const EraseOps& ops, std::string* error) {
  struct stat st;
  if (::lstat(file.path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return EraseOutcome::Gone;
    if (error) *error = std::strerror(errno);
    return EraseOutcome::Failed;
  }
  if (file.link ? !S_ISLNK(st.st_mode) : !S_ISREG(st.st_mode)) return EraseOutcome::Changed;
  switch (style) {
    case EraseStyle::Recycle:
      if (ops.trash(file.path)) return EraseOutcome::Erased;
      if (error) *error = "the trash did not take it";
      return EraseOutcome::Failed;
    case EraseStyle::Shred:
      if (!file.link) {
        if (!Overwrite(file.path, error)) return EraseOutcome::Failed;
        if (ops.beforeDelete) ops.beforeDelete(file.path);
      }
      [[fallthrough]];
    case EraseStyle::Normal:
      return ops.remove(file.path, error) ? EraseOutcome::Erased : EraseOutcome::Failed;
  }
  return EraseOutcome::Failed;
}

// ---- EraserModel

EraserModel::EraserModel(Profile* ini, Prompt& prompt, EraseOps ops)
    : ini_(ini), prompt_(prompt), ops_(std::move(ops)) {
  FF1.MatchCaseSensitive = false;
  FF1.MatchEnabled = false;
  FF1.ThreadPriority = search::ThreadPriority::Idle;
  srcDir_ = HomeFolder();
}

void EraserModel::Store(const char* key, const std::string& value) {
  if (ini_) ini_->WriteString(kSection, key, value);
}

void EraserModel::Show() {
  fresh_ = false;
  if (!ini_) return;
  const EraserSettings s = ReadEraserSettings(*ini_);
  SetSubDirs(s.subdirs);
  SetMask(s.mask);
  SetSrcDir(s.directory);
  SetStyle(s.style);
}

void EraserModel::SetSrcDir(const std::string& dir) {
  srcDir_ = dir;
  Store("LastDirectory", dir);
}

void EraserModel::SetMask(const std::string& shown) {
  mask_ = shown;
  FF1.FilePattern = shown;
  Store("SearchMask", MaskStored(shown));
}

void EraserModel::SetSubDirs(bool on) {
  subDirs_ = on;
  Store("SearchSubdirs", on ? "1" : "0");
}

void EraserModel::SetStyle(EraseStyle style) {
  style_ = style;
  Store("EraseStyle", StyleName(style));
}

void EraserModel::PrepareSearch() {
  lines_.clear();
  fresh_ = false;
  FF1.StartDir = srcDir_;
  FF1.FilePattern = mask_;
  FF1.Recursive = subDirs_;
}

void EraserModel::SearchEnded() {
  lines_.clear();
  for (const auto& path : FF1.FilesFound) {
    Listed l;
    l.path = path;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
      l.link = S_ISLNK(st.st_mode);
      l.size = int64_t(st.st_size);
    }
    lines_.push_back(std::move(l));
  }
  fresh_ = true;
}

void EraserModel::Exempt(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (auto r = rows.rbegin(); r != rows.rend(); ++r)
    if (*r >= 0 && size_t(*r) < lines_.size()) lines_.erase(lines_.begin() + *r);
}

int64_t EraserModel::Total() const {
  int64_t total = 0;
  for (const auto& l : lines_) total += l.size;
  return total;
}

std::string EraserModel::Readout() const {
  return std::string("Total size: ") + (fresh_ ? std::to_string(Total()) : "(n/a)") + " bytes";
}

std::vector<EraseResult> EraserModel::EraseAll() {
  std::vector<EraseResult> results;
  if (!CanErase()) return results;
  if (prompt_.Ask(kConfirmCaption, kConfirmText, Icon::Question, Buttons::OkCancel) != Answer::Ok) return results;
  int failed = 0;
  for (size_t i = lines_.size(); i-- > 0;) {
    EraseResult r{lines_[i].path, EraseOutcome::Failed, ""};
    r.outcome = EraseOne(lines_[i], style_, ops_, &r.error);
    if (r.outcome == EraseOutcome::Failed) ++failed;
    else lines_.erase(lines_.begin() + long(i));
    results.push_back(std::move(r));
  }
  if (failed > 0)
    prompt_.Ask(kNotErasedCaption,
                failed == 1 ? "1 file could not be erased and stays in the list."
                            : std::to_string(failed) + " files could not be erased and stay in the list.",
                Icon::Warning, Buttons::Ok);
  return results;
}

}  // namespace sw::eraser

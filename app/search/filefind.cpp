#include "app/search/filefind.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <sstream>

namespace sw::search {

// ---- TBrkApart

std::vector<std::string> TBrkApart::SplitText(const std::string& text, const std::string& sep, bool allowEmpty) {
  std::vector<std::string> out;
  if (sep.empty()) {
    if (!text.empty() || allowEmpty) out.push_back(text);
    return out;
  }
  size_t from = 0;
  for (;;) {
    const size_t p = text.find(sep, from);
    std::string piece = text.substr(from, p == std::string::npos ? std::string::npos : p - from);
    if (!piece.empty() || allowEmpty) out.push_back(std::move(piece));
    if (p == std::string::npos) break;
    from = p + sep.size();
  }
  return out;
}

void TBrkApart::Split() { StringList = SplitText(BaseString, BreakString, AllowEmptyString); }

void TBrkApart::Join() {
  BaseString.clear();
  for (size_t i = 0; i < StringList.size(); ++i) {
    if (i == 0) {
      BaseString = StringList[0];
    } else if (!StringList[i].empty() || AllowEmptyString) {
      BaseString += BreakString;
      BaseString += StringList[i];
    }
  }
}

// ---- TMatch

namespace {
inline char Up(char c, bool caseSensitive) { return !caseSensitive && c >= 'a' && c <= 'z' ? char(c - 32) : c; }
}  // namespace

bool TMatch::Wildcard(const std::string& text, const std::string& pattern, bool cs) {
  if (pattern.empty()) return true;
  // Greedy scan that returns to the last "*" on a mismatch: the same answers
  // as trying every position after each "*", without the exponential cost on
  // long lines.
  size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starT = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || Up(pattern[p], cs) == Up(text[t], cs))) {
      ++p;
      ++t;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool TMatch::Execute() const {
  if (!SourceIsFile) return Wildcard(Source, pattern_, CaseSensitive);
  for (const auto& name : TBrkApart::SplitText(Source)) {
    std::ifstream in(name, std::ios::binary);
    if (!in) throw EInOutError(name + ": " + std::strerror(errno));
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (Wildcard(line, pattern_, CaseSensitive)) return true;
    }
    if (in.bad()) throw EInOutError(name + ": read error");
  }
  return false;
}

bool FitsMask(const std::string& name, const std::string& mask) {
  if (TMatch::Wildcard(name, mask, false)) return true;
  // "*.*" and "~*.*" were written for names that always had an extension
  // slot; a name without a dot still fits them.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos)
    return TMatch::Wildcard(name, mask.substr(0, mask.size() - 2), false);
  return false;
}

// ---- TFindThread

namespace {

// File systems that are views of the kernel, not files of the user.
bool IsPseudoType(const std::string& type) {
  static const char* const kTypes[] = {"proc",   "sysfs",    "devtmpfs", "devpts",   "cgroup", "cgroup2",
                                       "debugfs", "tracefs", "securityfs", "pstore", "bpf",    "configfs",
                                       "fusectl", "mqueue",  "binfmt_misc", "efivarfs", "autofs"};
  for (const char* t : kTypes)
    if (type == t) return true;
  return false;
}

// Mount points are written with blanks and the like as \ooo.
std::string UnescapeMount(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && std::isdigit((unsigned char)s[i + 1])) {
      out += char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<uint64_t> PseudoDevices() {
  std::vector<uint64_t> devs;
  std::ifstream in("/proc/self/mounts");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string what, where, type;
    if (!(f >> what >> where >> type) || !IsPseudoType(type)) continue;
    struct stat st;
    if (::stat(UnescapeMount(where).c_str(), &st) == 0) devs.push_back(uint64_t(st.st_dev));
  }
  return devs;
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir.size() && dir.back() == '/' ? dir + name : dir + "/" + name;
}

}  // namespace

bool TFindThread::Pseudo(const std::string& dir, uint64_t dev) const {
  if (std::find(pseudoDevs_.begin(), pseudoDevs_.end(), dev) != pseudoDevs_.end()) return true;
  struct statfs fs;
  if (::statfs(dir.c_str(), &fs) != 0) return false;
  constexpr long kProc = 0x9fa0, kSysfs = 0x62656572;
  return long(fs.f_type) == kProc || long(fs.f_type) == kSysfs;
}

void TFindThread::Search() {
  filesFound->clear();
  if (filesSkipped) filesSkipped->clear();
  match->CaseSensitive = matchCaseSensitive;
  match->SetPattern(matchString);
  match->SourceIsFile = true;
  pseudoDevs_ = PseudoDevices();
  seen_.clear();
  stopped_ = false;
  for (const auto& dir : startDirs) {
    struct stat st;
    if (::stat(dir.c_str(), &st) != 0) throw EFileFindChDir(std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) throw EFileFindChDir(std::strerror(ENOTDIR));
    DIR* d = ::opendir(dir.c_str());
    if (!d) throw EFileFindChDir(std::strerror(errno));
    ::closedir(d);
    if (Pseudo(dir, uint64_t(st.st_dev))) continue;
    for (const auto& mask : masks) {
      SearchDir(dir, mask);
      if (stopped_) return;
    }
  }
}

void TFindThread::SearchDir(const std::string& dir, const std::string& mask) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;  // a folder we may not read holds nothing we could list
  struct Entry {
    std::string name;
    bool file;
  };
  std::vector<Entry> files;
  std::vector<std::string> dirs;
  const int fd = ::dirfd(d);
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;  // hidden, "." and ".."
    struct stat st;
    if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (recursive && !Pseudo(Join(dir, name), uint64_t(st.st_dev))) dirs.push_back(name);
      continue;
    }
    if (!FitsMask(name, mask)) continue;
    if (S_ISREG(st.st_mode)) {
      files.push_back({name, true});
    } else if (S_ISLNK(st.st_mode)) {
      struct stat target;
      if (::fstatat(fd, name.c_str(), &target, 0) == 0 && S_ISREG(target.st_mode)) files.push_back({name, true});
    }
  }
  ::closedir(d);
  // The system's own order changes from one file system to the next; sorted
  // names give the same list every time.
  std::sort(files.begin(), files.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  std::sort(dirs.begin(), dirs.end());

  for (const auto& f : files) {
    const std::string path = Join(dir, f.name);
    if (seen_.insert(path).second) {
      if (nameFilter && !nameFilter(f.name)) {
        // not one of the names the caller wants
      } else if (f.name.find_first_of("\r\n") != std::string::npos) {
        if (filesSkipped) filesSkipped->push_back(path);
      } else {
        bool keep = true;
        if (matchEnabled && !matchString.empty()) {
          match->Source = path;
          try {
            keep = match->Execute();
          } catch (const EInOutError&) {
            keep = false;  // what cannot be read cannot be said to hold the text
          }
        }
        if (keep) {
          try {
            filesFound->push_back(path);
          } catch (const std::bad_alloc&) {
            throw EFileFindOutOfResources();
          }
        }
      }
    }
    if (stop && stop->load()) {
      stopped_ = true;
      return;
    }
  }
  for (const auto& sub : dirs) {
    // Every path below a folder named with a line end would hold one too.
    if (sub.find_first_of("\r\n") != std::string::npos) {
      if (filesSkipped) filesSkipped->push_back(Join(dir, sub));
      continue;
    }
    SearchDir(Join(dir, sub), mask);
    if (stopped_) return;
  }
}

// ---- TFileFind

TFileFind::~TFileFind() {
  Stop();
  Wait();
}

void TFileFind::Wait() {
  if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

std::string TFileFind::ErrorText() const {
  if (!error_) return "";
  try {
    std::rethrow_exception(error_);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown error";
  }
}

std::vector<std::string> TFileFind::StartDirs(const std::string& list) {
  std::string cwd;
  if (char* c = ::getcwd(nullptr, 0)) {
    cwd = c;
    ::free(c);
  }
  std::vector<std::string> dirs;
  for (std::string dir : TBrkApart::SplitText(list)) {
    if (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir[0] != '/' && !cwd.empty()) dir = Join(cwd, dir);
    dirs.push_back(dir);
  }
  return dirs;
}

void TFileFind::Prepare(TFindThread& t) {
  t.startDirs = StartDirs(StartDir);
  t.masks = TBrkApart::SplitText(FilePattern);
  t.matchString = MatchString;
  t.matchEnabled = MatchEnabled;
  t.matchCaseSensitive = MatchCaseSensitive;
  t.recursive = Recursive;
  t.match = &match_;
  t.filesFound = &FilesFound;
  t.filesSkipped = &FilesSkipped;
  t.nameFilter = NameFilter;
  t.stop = &stop_;
}

void TFileFind::Run() {
  Wait();
  stop_ = false;
  error_ = nullptr;
  TFindThread t;
  Prepare(t);
  running_ = true;
  try {
    t.Search();
  } catch (...) {
    error_ = std::current_exception();
  }
  running_ = false;
  if (OnTerminated) OnTerminated(*this);
  if (error_) std::rethrow_exception(error_);
}

namespace {
void ApplyPriority(ThreadPriority p) {
  if (p == ThreadPriority::Idle) {
    sched_param sp{};
    sp.sched_priority = 0;
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &sp);
    return;
  }
  // A thread's nice value is its own on Linux; raising it needs no privilege,
  // lowering it does, so the upper classes keep the normal priority.
  const int nice = p == ThreadPriority::Lowest ? 19 : p == ThreadPriority::Lower ? 10 : 0;
  if (nice > 0) ::setpriority(PRIO_PROCESS, pid_t(::syscall(SYS_gettid)), nice);
}
}  // namespace

void TFileFind::Execute() {
  Stop();
  Wait();
  stop_ = false;
  error_ = nullptr;
  auto t = std::make_shared<TFindThread>();
  Prepare(*t);
  running_ = true;
  const auto priority = ThreadPriority;
  worker_ = std::thread([this, t, priority] {
    ApplyPriority(priority);
    try {
      t->Search();
    } catch (...) {
      error_ = std::current_exception();
    }
    running_ = false;
    if (OnTerminated) OnTerminated(*this);
  });
}

}  // namespace sw::search

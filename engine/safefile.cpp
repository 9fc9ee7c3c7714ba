#include "engine/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace sw {

namespace {
WriteFunction gWrite = nullptr;
const std::string kTempMark = ".swtmp";
}  // namespace

void SetWriteFunctionForTesting(WriteFunction f) { gWrite = f; }

bool IsTemporaryFor(const std::string& name, const std::string& fileName) {
  return name.size() == 1 + fileName.size() + kTempMark.size() + 6 && name[0] == '.' &&
         name.compare(1, fileName.size(), fileName) == 0 &&
         name.compare(1 + fileName.size(), kTempMark.size(), kTempMark) == 0;
}

SafeFileWriter::SafeFileWriter(const std::string& path, bool followLink) : target_(path) {
  std::error_code ec;
  if (followLink && fs::is_symlink(target_, ec)) {
    fs::path resolved = fs::weakly_canonical(target_, ec);
    if (!ec) target_ = resolved.string();
  }
  fs::path t = target_;
  fs::path dir = t.parent_path();
  if (dir.empty()) dir = ".";
  std::string tmpl = (dir / ("." + t.filename().string() + kTempMark + "XXXXXX")).string();
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ >= 0) temp_ = name.data();
}

SafeFileWriter::~SafeFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

bool SafeFileWriter::Write(std::string_view bytes) {
  size_t done = 0;
  while (ok() && done < bytes.size()) {
    const char* p = bytes.data() + done;
    const size_t n = bytes.size() - done;
    ssize_t w = gWrite ? gWrite(target_, fd_, p, n) : ::write(fd_, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) ok_ = false;
    else done += size_t(w);
  }
  return ok();
}

bool SafeFileWriter::Commit(int mode) { return Prepare(mode, true) && Publish(); }

bool SafeFileWriter::Prepare(int mode, bool sync) {
  if (!ok() || prepared_) return false;
  struct stat st;
  const bool exists = ::lstat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  mode_t m;
  if (mode >= 0) {
    m = mode_t(mode);
  } else if (exists) {
    m = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    m = 0666 & ~mask;
  }
  bool good = true;
  // Only a privileged job can give a file away; it must, or every page it
  // rewrote would end up belonging to it.
  struct stat mine;
  if (::geteuid() == 0 && (ownerSet_ || exists) && ::fstat(fd_, &mine) == 0) {
    const uid_t u = ownerSet_ ? uid_ : st.st_uid;
    const gid_t g = ownerSet_ ? gid_ : st.st_gid;
    if (u != mine.st_uid || g != mine.st_gid) good = ::fchown(fd_, u, g) == 0;
  }
  good = good && ::fchmod(fd_, m) == 0 && (!sync || ::fsync(fd_) == 0);
  if (::close(fd_) != 0) good = false;
  fd_ = -1;
  prepared_ = good;
  ok_ = good;
  return good;
}

bool SafeFileWriter::Publish() {
  if (!prepared_ || committed_) return false;
  committed_ = ::rename(temp_.c_str(), target_.c_str()) == 0;
  ok_ = committed_;
  return committed_;
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
  SafeFileWriter w(path);
  return w.Write(content) && w.Commit();
}

}  // namespace sw

#include "engine/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace sw {

SafeFileWriter::SafeFileWriter(const std::string& path) : target_(path) {
  std::error_code ec;
  if (fs::is_symlink(target_, ec)) {
    fs::path resolved = fs::weakly_canonical(target_, ec);
    if (!ec) target_ = resolved.string();
  }
  fs::path t = target_;
  fs::path dir = t.parent_path();
  if (dir.empty()) dir = ".";
  std::string tmpl = (dir / ("." + t.filename().string() + ".swtmpXXXXXX")).string();
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
    ssize_t w = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) ok_ = false;
    else done += size_t(w);
  }
  return ok();
}

bool SafeFileWriter::Commit(int mode) {
  if (!ok()) return false;
  struct stat st;
  mode_t m;
  if (mode >= 0) {
    m = mode_t(mode);
  } else if (::stat(target_.c_str(), &st) == 0) {
    m = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    m = 0666 & ~mask;
  }
  bool good = ::fchmod(fd_, m) == 0 && ::fsync(fd_) == 0;
  if (::close(fd_) != 0) good = false;
  fd_ = -1;
  if (good && ::rename(temp_.c_str(), target_.c_str()) != 0) good = false;
  committed_ = good;
  ok_ = good;
  return good;
}

bool ReplaceFileContent(const std::string& path, std::string_view content) {
  SafeFileWriter w(path);
  return w.Write(content) && w.Commit();
}

}  // namespace sw

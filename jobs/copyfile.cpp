#include "jobs/copyfile.h"

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

// A doubled separator left by joining a folder that ends in one.
std::string ReduceDoubleSeparator(std::string p) {
  size_t d = p.find("//");
  if (d != std::string::npos) p.erase(d, 1);
  return p;
}

}  // namespace

namespace {

// The copy up to its last step: staged holds it closed but not yet renamed
// over the destination (and flushed to the disk only with sync).
bool CopyToStaged(const std::string& source, const std::string& destination, int options, Prompt* prompt,
                  bool sync, std::unique_ptr<SafeFileWriter>& staged) {
  staged.reset();
  const std::string src = ReduceDoubleSeparator(source);
  const std::string dst = ReduceDoubleSeparator(destination);
  std::error_code ec;
  fs::path dir = fs::path(dst).parent_path();
  if (!dir.empty() && !fs::is_directory(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) return true;
  }
  // A copy onto its own source would destroy the only original.
  if (fs::equivalent(src, dst, ec)) return true;
  const auto dstStatus = fs::symlink_status(dst, ec);
  if (options > 16) options -= 16;
  if (options >= 8) {
    if (fs::exists(dstStatus)) {
      if (!prompt || prompt->Ask(dst + " already exists", "A file by this name already exists. Overwrite it?",
                                 Icon::Question, Buttons::YesNo) != Answer::Yes)
        return true;
      if (!fs::remove(dst, ec) || ec) {
        prompt->Ask("Unable to copy file", "Overwrite of " + dst + " failed...file " + "copy aborted.", Icon::Error,
                    Buttons::Ok);
        return true;
      }
    }
    options -= 8;
  } else if (fs::exists(dstStatus) && !fs::is_regular_file(dstStatus)) {
    // Never written through a link, nor over a folder or a device.
    return true;
  }
  const bool keepDate = options >= 4;
  if (keepDate) options -= 4;
  const bool keepMode = options >= 2;

  int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return true;
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return true;
  }
  // A failed copy never leaves half a file, nor destroys the file it was to replace.
  staged = std::make_unique<SafeFileWriter>(dst, false);
  SafeFileWriter& out = *staged;
  out.SetOwner(st.st_uid, st.st_gid);
  std::vector<char> block(65536);
  bool readOk = true;
  while (out.ok()) {
    ssize_t r = ::read(in, block.data(), block.size());
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      readOk = r == 0;
      break;
    }
    out.Write(std::string_view(block.data(), size_t(r)));
  }
  ::close(in);
  if (!readOk) return true;
  if (keepDate && out.ok()) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.fd(), times) != 0) return true;
  }
  mode_t mask = ::umask(0);
  ::umask(mask);
  // A fresh copy takes the mode of a new file, but never lets anyone read or
  // write what the source kept from them: a backup of a private document
  // stays private, and restoring it gives the document its own access back.
  const mode_t fresh = 0666 & ~mask & st.st_mode;
  if (!out.Prepare(int(keepMode ? (st.st_mode & 07777) : fresh), sync)) return true;
  return false;
}

}  // namespace

bool CopyFileWithOptions(const std::string& source, const std::string& destination, int options,
                         Prompt* prompt) {
  std::unique_ptr<SafeFileWriter> staged;
  if (CopyToStaged(source, destination, options, prompt, true, staged)) return true;
  return !staged->Publish();
}

bool StageBackupCopy(const std::string& source, const std::string& destination,
                     std::unique_ptr<SafeFileWriter>& staged) {
  if (CopyToStaged(source, destination, kCopyPlain, nullptr, false, staged)) {
    staged.reset();
    return true;
  }
  return false;
}

}  // namespace sw

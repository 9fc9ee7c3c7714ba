#include "jobs/joblock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace sw {

const char* const kJobRunningCaption = "Job already running";

std::string JobRunningText(const std::string& home) {
  return "Another job is running in the program home " + home +
         ". Only one job at a time may use a program home: two would overwrite each other's backups, work files "
         "and report.\n\nWait until that job has finished, then start this one again.";
}

bool JobLock::Take(const std::string& home) {
  Release();
  const std::string path = (std::filesystem::path(home) / kFileName).string();
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    // Without a lock file (a read-only home) there is nothing to lock with:
    // the job goes on as it would have without the lock.
    held_ = true;
    return true;
  }
  int r;
  do r = ::flock(fd_, LOCK_EX | LOCK_NB);
  while (r != 0 && errno == EINTR);
  if (r != 0) {
    ::close(fd_);
    fd_ = -1;
    return false;
  }
  held_ = true;
  return true;
}

void JobLock::Release() {
  if (fd_ >= 0) ::close(fd_);  // closing the only descriptor drops the lock
  fd_ = -1;
  held_ = false;
}

bool TakeJobLock(JobLock& lock, const std::string& home, Prompt& prompt) {
  if (lock.Take(home)) return true;
  prompt.Ask(kJobRunningCaption, JobRunningText(home), Icon::Error, Buttons::Ok);
  return false;
}

}  // namespace sw

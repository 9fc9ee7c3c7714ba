// One job at a time per program home: two jobs at once would overwrite each
// other's backups, work files and report. The lock is an advisory lock on a
// file in the home, held while the owner lives and released by the system
// when the process ends, however it ends.
#pragma once
#include <string>

#include "engine/prompt.h"

namespace sw {

class JobLock {
 public:
  JobLock() = default;
  ~JobLock() { Release(); }
  JobLock(const JobLock&) = delete;
  JobLock& operator=(const JobLock&) = delete;

  // Takes the lock of the home without waiting. False when another job holds it.
  bool Take(const std::string& home);
  void Release();
  bool Held() const { return held_; }

  static constexpr const char* kFileName = "~job.lock";

 private:
  int fd_ = -1;
  bool held_ = false;
};

// The refusal of a second job, through the prompt.
extern const char* const kJobRunningCaption;
std::string JobRunningText(const std::string& home);

// Takes the lock, or tells the user why the job cannot start. True when the job may run.
bool TakeJobLock(JobLock& lock, const std::string& home, Prompt& prompt);

}  // namespace sw

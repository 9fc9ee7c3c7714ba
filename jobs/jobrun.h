// The optimization job run: takes one job through the driver document by
// document, with backups, progress, the abort request and the job
// statistics. Windows and the command line are thin views over it: progress
// goes out through JobProgress, every question through sw::Prompt.
#pragma once
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/driver.h"
#include "engine/profile.h"
#include "engine/prompt.h"
#include "replace/core/terms.h"

namespace sw {

namespace verify {
class PageVerifier;
}

class StatisticsWriter;

// Progress readouts of a run. Every call comes from the thread that runs
// JobRun::Run; all have empty defaults so a view overrides what it shows.
class JobProgress {
 public:
  virtual ~JobProgress() = default;
  // The documents are about to be processed (after the existence check).
  virtual void RunStarting(int fileCount) { (void)fileCount; }
  // Entry index (0-based) is next; fileName is the part after the last '/'.
  virtual void CurrentFile(int index, const std::string& fileName) {
    (void)index;
    (void)fileName;
  }
  // After each document: totals.FilesProcessed, BytesSaved, ErrorCount, and
  // the share of the documents done, 0..100.
  virtual void DocumentDone(const RunTotals& totals, int percentDone) {
    (void)totals;
    (void)percentDone;
  }
  // Entry index (0-based) failed with a result code of the driver (its
  // error record, when the report is on, is already written).
  virtual void DocumentFailed(int index, const std::string& document, int32_t code) {
    (void)index;
    (void)document;
    (void)code;
  }
  // With verification on: entry index (0-based) rendered differently after
  // optimization and was left exactly as it was; `why` says what differed.
  virtual void DocumentKept(int index, const std::string& document, const std::string& why) {
    (void)index;
    (void)document;
    (void)why;
  }
  // "No" at the abort question: the abort control is usable again.
  virtual void AbortWithdrawn() {}
  // Lets the user interface handle pending events (repaint, the abort
  // control). Called after each document and, with SlowOptimize, inside the
  // engine.
  virtual void ProcessEvents() {}
};

// How a run ended.
enum class RunEnd {
  Completed,        // every entry was processed
  MissingFile,      // the existence check failed; nothing was touched
  Aborted,          // the user confirmed the abort question
  BackupsDeclined,  // "No" at the existing-backups question
  NoList,           // the working list could not be read
  StatisticsError,  // a work file could not be written; the run stopped
};

// What verification did in a run.
struct VerificationLog {
  bool on = false;
  int verified = 0;  // documents rendered before and after
  struct Kept {
    std::string document;  // its name in the report
    std::string why;
  };
  std::vector<Kept> kept;  // left unchanged because they rendered differently
  std::vector<std::string> passed;  // rendered the same and written
};

struct JobOutcome {
  RunEnd end = RunEnd::Completed;
  RunTotals totals;
  std::string percentText;       // NumPercent: "66%", or "" when nothing was saved
  bool statisticsWritten = false;  // WriteJobStatistics ran and succeeded
  std::string missingPath;       // RunEnd::MissingFile: the entry not found
  std::string errorText;         // RunEnd::StatisticsError: the platform's text
  int entries = 0;               // number of entries of the working list
};

// What the owner (main window or command line) hands to a run.
struct JobConfig {
  std::string programDir;         // program home: work files, reports, analysis.lst
  std::string profilePath;        // the job profile (INI)
  std::string filesListPath;      // the job's files list
  std::string analysisListPath;   // "analysis.lst" in programDir; empty means that
  std::string analysisDirectory;  // analysis mode: the copies' folder; a copy outside it is refused
  bool backupsEnabled = true;     // forced off in analysis mode
  bool analysisMode = false;
  bool outputReport = false;      // OutputReport
  bool slowOptimize = false;      // SlowOptimize: events are processed inside the engine
  std::function<std::tm()> clock; // the report's date line; empty means the local time now
  // Threads that optimize documents ahead of the one that writes them: 0 one
  // per core, 1 none. What a run writes never depends on it.
  int jobs = 0;
  // Set: each rewritten document is rendered before it is written, and one
  // that looks different is left as it was. Owned by the caller.
  verify::PageVerifier* verifier = nullptr;
  int verifyThreads = 3;  // pages rendered at once
};

class JobRun {
 public:
  JobRun(Profile& profile, Prompt& prompt, JobProgress* progress = nullptr);
  ~JobRun();
  JobRun(const JobRun&) = delete;
  JobRun& operator=(const JobRun&) = delete;

  JobConfig config;

  // The run (bOptimizeClick). May be called again for a fresh run.
  JobOutcome Run();

  // bAbortClick: noticed before the next document. Safe from any thread.
  void RequestAbort() { abortRequested_ = true; }
  bool AbortRequested() const { return abortRequested_; }
  bool RunStarted() const { return runStarted_; }
  bool Running() const { return running_; }

  // The state of the last run, for views and the report.
  const RunTotals& Totals() const;
  const std::string& ReportPath() const;  // chosen by PrepareJob; "" with the report off
  const VerificationLog& Verification() const { return verification_; }
  Engine& engine() { return *engine_; }
  const CustomTermTable& terms() const { return *terms_; }

  // The backup of a document: its full path with ".srbak" appended.
  static std::string BackupPath(const std::string& document) { return document + ".srbak"; }
  // NumPercent's text: (before - after) * 100 / before followed by "%", or
  // "" when nothing was saved.
  static std::string PercentText(const RunTotals& totals);

 private:
  Profile& profile_;
  Prompt& prompt_;
  JobProgress* progress_;
  std::unique_ptr<Engine> engine_;
  std::unique_ptr<CustomTermTable> terms_;
  std::unique_ptr<StatisticsWriter> stats_;
  VerificationLog verification_;
  std::atomic<bool> abortRequested_{false};
  bool runStarted_ = false;
  bool running_ = false;
};

// The caption of the question before existing backups are replaced.
inline constexpr const char* kExistingBackupsCaption = "Existing backups detected";

// The message of the existence check, for tests and views.
std::string MissingFileText(const std::string& path);

}  // namespace sw

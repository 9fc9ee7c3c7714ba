#include "jobs/jobrun.h"

#include <filesystem>
#include <fstream>

#include "jobs/copyfile.h"
#include "jobs/fileslist.h"
#include "jobs/statistics.h"

namespace fs = std::filesystem;

namespace sw {

namespace {

bool IsDocument(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool WriteCompletionLine(const std::string& path, int index) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "Optimization complete for file " << index << "\r\n";
  out.close();
  return bool(out);
}

}  // namespace

std::string MissingFileText(const std::string& path) {
  return "Slimwright was unable to find " + path + "." +
         " Continuing with the optimization could result in damaged files and erroneous optimization "
         "statistics.\n\nRebuild the files list selecting only files which currently exist on your system prior "
         "to retrying optimization.";
}

JobRun::JobRun(Profile& profile, Prompt& prompt, JobProgress* progress)
    : profile_(profile),
      prompt_(prompt),
      progress_(progress),
      engine_(std::make_unique<Engine>()),
      terms_(std::make_unique<CustomTermTable>()),
      stats_(std::make_unique<StatisticsWriter>(*engine_, terms_.get())) {}

JobRun::~JobRun() = default;

const RunTotals& JobRun::Totals() const { return engine_->totals; }
const std::string& JobRun::ReportPath() const { return engine_->reportPath; }

std::string JobRun::PercentText(const RunTotals& t) {
  if (t.BytesAfter >= t.BytesBefore) return "";
  return std::to_string((int64_t(t.BytesBefore) - t.BytesAfter) * 100 / t.BytesBefore) + "%";
}

JobOutcome JobRun::Run() {
  JobOutcome outcome;
  abortRequested_ = false;
  runStarted_ = true;
  running_ = true;
  // A prompt may end the run by throwing (the command line does).
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clearRunning{running_};
  bool confirmedBackups = false;
  const bool analysis = config.analysisMode;
  const bool backups = config.backupsEnabled && !analysis;

  Engine& e = *engine_;
  e.programDir = config.programDir;
  e.profilePath = config.profilePath;
  e.profile = &profile_;
  e.prompt = &prompt_;
  e.terms = terms_.get();
  e.stats = stats_.get();
  e.outputReport = config.outputReport;
  JobProgress* progress = progress_;
  e.SetSlowOptimize(config.slowOptimize, [progress] {
    if (progress) progress->ProcessEvents();
  });
  stats_->ClearError();
  stats_->now = config.clock;
  e.PrepareJob();
  e.totals.BytesSaved = 0;
  e.cx.savings.recording = true;

  auto finish = [&](RunEnd end) {
    outcome.end = end;
    outcome.totals = e.totals;
    return outcome;
  };

  // The lists, whole, before the first document.
  std::vector<std::string> work, documents;
  const std::string analysisList =
      config.analysisListPath.empty() ? (fs::path(config.programDir) / "analysis.lst").string() : config.analysisListPath;
  const std::string& workPath = analysis ? analysisList : config.filesListPath;
  bool listed = ReadFilesList(workPath, work);
  if (listed && analysis) listed = ReadFilesList(config.filesListPath, documents) && documents.size() == work.size();
  if (!listed) {
    prompt_.Ask("Missing file...optimization aborted", MissingFileText(workPath), Icon::Error, Buttons::Ok);
    outcome.missingPath = workPath;
    return finish(RunEnd::NoList);
  }
  outcome.entries = int(work.size());

  // Every document must exist before any is touched.
  for (const auto& entry : work) {
    if (!IsDocument(entry)) {
      prompt_.Ask("Missing file...optimization aborted", MissingFileText(entry), Icon::Error, Buttons::Ok);
      outcome.missingPath = entry;
      return finish(RunEnd::MissingFile);
    }
  }

  if (progress_) progress_->RunStarting(int(work.size()));
  RunEnd end = RunEnd::Completed;
  bool aborted = false;
  for (size_t i = 0; i < work.size(); ++i) {
    if (abortRequested_) {
      if (prompt_.Ask("Confirming abort", "Abort the optimization process?", Icon::Question, Buttons::YesNo) ==
          Answer::Yes) {
        aborted = true;
        end = RunEnd::Aborted;
        break;
      }
      abortRequested_ = false;
      if (progress_) progress_->AbortWithdrawn();
    }
    const std::string& entry = work[i];
    if (progress_) progress_->CurrentFile(int(i), FileNamePart(entry));
    if (analysis) {
      e.OptimizeDocument(entry, documents[i], entry);
      WriteCompletionLine(entry, int(i));
    } else if (backups) {
      const std::string backup = BackupPath(entry);
      std::error_code ec;
      if (!confirmedBackups && fs::exists(fs::symlink_status(backup, ec))) {
        confirmedBackups = true;
        if (prompt_.Ask("Existing backups detected",
                        "Slimwright has detected backed-up HTML documents from a previous application of the "
                        "optimizer. If you continue, all existing backups will be overwritten by fresh backups. When "
                        "backups are overwritten, you could lose the only existing unoptimized copy of this "
                        "document.\n\nContinue with the current job and overwrite existing backups?",
                        Icon::Warning, Buttons::YesNo) != Answer::Yes) {
          end = RunEnd::BackupsDeclined;
          break;
        }
      }
      if (CopyFileWithOptions(entry, backup, kCopyPlain, &prompt_)) {
        // Without the copy the author asked for, the document stays as it is.
        e.totals.ErrorCount += 1;
        if (config.outputReport) e.RecordError(entry, kBackupFailed);
      } else {
        e.OptimizeDocument(entry, entry, entry);
      }
    } else {
      e.OptimizeDocument(entry, entry, entry);
    }
    e.totals.FilesProcessed += 1;
    if (progress_) {
      progress_->DocumentDone(e.totals, int(int64_t(e.totals.FilesProcessed) * 100 / int64_t(work.size())));
      progress_->ProcessEvents();
    }
    if (stats_->Failed()) {
      end = RunEnd::StatisticsError;
      break;
    }
  }
  outcome.percentText = PercentText(e.totals);

  if (end == RunEnd::StatisticsError) {
    outcome.errorText = stats_->ErrorText();
    prompt_.Ask("Slimwright Lite", outcome.errorText, Icon::Error, Buttons::Ok);
  } else if (config.outputReport) {
    bool write = true;
    if (aborted)
      write = prompt_.Ask("Incomplete report",
                          "Optimization aborted...write a report even though it will be incomplete?", Icon::Question,
                          Buttons::YesNo) == Answer::Yes;
    if (write) {
      outcome.statisticsWritten = stats_->WriteJobStatistics();
      if (!outcome.statisticsWritten) {
        outcome.errorText = stats_->ErrorText();
        prompt_.Ask("Slimwright Lite", outcome.errorText, Icon::Error, Buttons::Ok);
        end = RunEnd::StatisticsError;
      }
    }
  }
  return finish(end);
}

}  // namespace sw

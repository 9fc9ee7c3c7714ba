#include "jobs/jobrun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/safefile.h"
#include "jobs/copyfile.h"
#include "jobs/fileslist.h"
#include "jobs/statistics.h"
#include "verify/core/verifier.h"

namespace fs = std::filesystem;

namespace sw {

namespace {

bool IsDocument(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Whether a document can still be read, as its own result code: a document
// that went away (or became a folder) since the list was checked is not
// found, one that cannot be opened is a read error.
int32_t ProbeDocument(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? kNotFound : kReadError;
  if (S_ISDIR(st.st_mode)) return kNotFound;
  if (!S_ISREG(st.st_mode)) return kReadError;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kReadError;
  ::close(fd);
  return 0;
}

// The file an entry names, so that a link and its target, or one path
// written two ways, count as one document.
struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator<(const Identity& o) const { return dev != o.dev ? dev < o.dev : ino < o.ino; }
};
bool IdentityOf(const std::string& path, Identity& id) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  id = {st.st_dev, st.st_ino};
  return true;
}

bool Within(const std::string& inner, const std::string& outer) {
  const fs::path in = fs::path(inner).lexically_normal(), out = fs::path(outer).lexically_normal();
  auto rel = in.lexically_relative(out);
  return !rel.empty() && *rel.begin() != ".." && *rel.begin() != ".";
}

// Temporary files of writes that were interrupted (the process killed, the
// machine off), found once per folder and removed when the file they belong
// to comes up in a job.
class Leftovers {
 public:
  void Remove(const fs::path& dir, const std::string& fileName) {
    auto it = byDir_.find(dir.string());
    if (it == byDir_.end()) it = byDir_.emplace(dir.string(), Scan(dir)).first;
    for (const auto& n : it->second) {
      if (!IsTemporaryFor(n, fileName)) continue;
      const fs::path p = dir / n;
      struct stat st;
      if (::lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(p.c_str());
    }
  }

 private:
  static std::vector<std::string> Scan(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
      std::string n = it->path().filename().string();
      if (!n.empty() && n[0] == '.' && n.find(".swtmp") != std::string::npos) names.push_back(std::move(n));
    }
    return names;
  }
  std::map<std::string, std::vector<std::string>> byDir_;
};

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
  verification_ = {};
  verification_.on = config.verifier != nullptr;
  stats_->verification = verification_.on ? &verification_ : nullptr;
  if (config.verifier) {
    e.approveWrite = [this](const std::string& name, const Buffer& original, const Buffer& optimized) {
      if (original == optimized || !config.verifier) return true;
      ++verification_.verified;
      const verify::Verdict v = config.verifier->Compare(name, original, optimized);
      if (v.Same()) return true;
      verification_.kept.push_back({name, v.Describe()});
      if (progress_) progress_->DocumentKept(currentEntry_, name, v.Describe());
      return false;
    };
  } else {
    e.approveWrite = nullptr;
  }
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
  bool listed = ReadDocumentList(workPath, work);
  if (listed && analysis)
    listed = ReadDocumentList(config.filesListPath, documents) && documents.size() == work.size();
  if (!listed) {
    prompt_.Ask("Missing file...optimization aborted", MissingFileText(workPath), Icon::Error, Buttons::Ok);
    outcome.missingPath = workPath;
    return finish(RunEnd::NoList);
  }
  outcome.entries = int(work.size());

  // A copy outside the analysis folder would be the real document, or some
  // other file of the user's: it is never written.
  std::vector<bool> outside(work.size(), false);
  if (analysis && !config.analysisDirectory.empty())
    for (size_t i = 0; i < work.size(); ++i) outside[i] = !Within(work[i], config.analysisDirectory);

  // Every document must exist before any is touched.
  for (size_t i = 0; i < work.size(); ++i) {
    const std::string& entry = work[i];
    if (!outside[i] && !IsDocument(entry)) {
      prompt_.Ask("Missing file...optimization aborted", MissingFileText(entry), Icon::Error, Buttons::Ok);
      outcome.missingPath = entry;
      return finish(RunEnd::MissingFile);
    }
  }

  // Which entries name a file an earlier entry already named, decided before
  // the first rewrite gives a document a new identity.
  // A listed backup of another entry is that page's only original: never
  // rewritten, nor backed up over.
  std::vector<int> sameAs(work.size(), -1);
  std::vector<bool> isBackup(work.size(), false);
  {
    const std::vector<std::string>& docs = analysis ? documents : work;
    std::map<Identity, int> first;
    std::set<Identity> backupIds;
    std::set<std::string> backupNames;
    for (const auto& d : docs) {
      backupNames.insert(BackupPath(d));
      struct stat st;  // a link at a backup's name is no backup
      if (::lstat(BackupPath(d).c_str(), &st) == 0 && S_ISREG(st.st_mode)) backupIds.insert({st.st_dev, st.st_ino});
    }
    for (size_t i = 0; i < work.size(); ++i) {
      Identity id;
      const bool known = IdentityOf(docs[i], id);
      isBackup[i] = backupNames.count(docs[i]) > 0 || (known && backupIds.count(id) > 0);
      if (!known) continue;
      auto [it, fresh] = first.emplace(id, int(i));
      if (!fresh) sameAs[i] = it->second;
    }
  }
  Leftovers leftovers;

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
    const std::string& reportName = analysis ? documents[i] : entry;
    currentEntry_ = int(i);
    if (progress_) progress_->CurrentFile(int(i), FileNamePart(entry));
    // A document the job leaves as it is: counted, recorded and reported.
    auto refuse = [&](int32_t code) {
      e.totals.ErrorCount += 1;
      if (config.outputReport) e.RecordError(reportName, code);
      if (progress_) progress_->DocumentFailed(int(i), reportName, code);
    };
    e.resultCode = 0;
    bool optimized = false;
    if (outside[i]) {
      refuse(kCopyOutside);
    } else if (isBackup[i]) {
      refuse(kIsBackup);
    } else if (sameAs[i] >= 0) {
      refuse(kSameDocument);
    } else if (analysis) {
      e.OptimizeDocument(entry, documents[i], entry);
      optimized = true;
      WriteCompletionLine(entry, int(i));
    } else {
      std::error_code ec;
      fs::path target = entry;
      if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
      }
      leftovers.Remove(target.parent_path(), target.filename().string());
      leftovers.Remove(fs::path(entry).parent_path(), FileNamePart(BackupPath(entry)));
      const int32_t state = ProbeDocument(entry);
      if (state < 0) {
        refuse(state);
      } else if (IsReadOnlyDocument(entry)) {
        refuse(kWriteError);
      } else if (!backups) {
        e.OptimizeDocument(entry, entry, entry);
        optimized = true;
      } else {
        const std::string backup = BackupPath(entry);
        const auto backupStatus = fs::symlink_status(backup, ec);
        if (fs::exists(backupStatus) && !fs::is_regular_file(backupStatus)) {
          // A link there would have the copy written to wherever it points.
          refuse(kBackupFailed);
        } else {
          if (!confirmedBackups && fs::exists(backupStatus)) {
            confirmedBackups = true;
            if (prompt_.Ask(kExistingBackupsCaption,
                            "Slimwright has detected backed-up HTML documents from a previous application of the "
                            "optimizer. If you continue, all existing backups will be overwritten by fresh backups. "
                            "When backups are overwritten, you could lose the only existing unoptimized copy of this "
                            "document.\n\nContinue with the current job and overwrite existing backups?",
                            Icon::Warning, Buttons::YesNo) != Answer::Yes) {
              end = RunEnd::BackupsDeclined;
              break;
            }
          }
          if (CopyFileWithOptions(entry, backup, kCopyPlain, &prompt_)) {
            // Without the copy the author asked for, the document stays as it
            // is; one that went away meanwhile says so.
            const int32_t again = ProbeDocument(entry);
            refuse(again < 0 ? again : kBackupFailed);
          } else {
            e.OptimizeDocument(entry, entry, entry);
            optimized = true;
          }
        }
      }
    }
    if (optimized && e.resultCode < 0 && progress_) progress_->DocumentFailed(int(i), reportName, e.resultCode);
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

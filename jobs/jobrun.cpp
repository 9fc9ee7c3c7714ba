#include "jobs/jobrun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "engine/safefile.h"
#include "jobs/copyfile.h"
#include "jobs/docpool.h"
#include "jobs/fileslist.h"
#include "jobs/statistics.h"
#include "jobs/verifyrun.h"

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

// One entry of a batch, staged but not yet in place.
struct Staged {
  size_t index = 0;
  int32_t refusal = 0;      // left as it is, with this code
  bool optimized = false;   // doc holds what the engine made of it
  bool askBackups = false;  // a backup existed: the question may come first
  bool checked = false;     // stamp holds the document as it was staged
  FileStamp stamp;
  OptimizedDocument doc;
  std::unique_ptr<SafeFileWriter> backup;  // staged backup copy
  std::unique_ptr<SafeFileWriter> output;  // staged new content
  int32_t writeCode = 0;                   // kWriteError: the new content could not be staged
  bool kept = false;                       // rendered differently: left as it was, nothing staged
  std::string why;                         // kept: what differed
};

const char* const kExistingBackupsText =
    "Slimwright has detected backed-up HTML documents from a previous application of the "
    "optimizer. If you continue, all existing backups will be overwritten by fresh backups. "
    "When backups are overwritten, you could lose the only existing unoptimized copy of this "
    "document.\n\nContinue with the current job and overwrite existing backups?";

constexpr size_t kBatchEntries = 128;
constexpr size_t kBatchBytes = size_t(16) << 20;
constexpr size_t kVerifiedBatchEntries = 12;

// The one place where an optimized document is decided to be written: doc
// still holds the text as read and the new text. A check comparing the two
// belongs here, before anything is staged; a refusal code returned leaves the
// document as it is (FinishDocument records it). On success the new content
// waits in staged for its sync and rename.
int32_t CommitDocument(const OptimizedDocument& doc, const std::string& target,
                       std::unique_ptr<SafeFileWriter>& staged) {
  staged.reset();
  if (!doc.Writable()) return 0;
  // A rename would replace a read-only document as easily as any other.
  if (IsReadOnlyDocument(target)) return kWriteError;
  staged = std::make_unique<SafeFileWriter>(target);
  if (staged->Write(doc.output) && staged->Prepare(-1, false)) return 0;
  staged.reset();
  return kWriteError;
}

// One sync per file system puts every staged file of the batch on the disk.
// Where it fails, nothing staged there is trusted: the backup counts as
// failed, the new content as not written.
void SyncStaged(std::vector<Staged>& batch) {
  std::map<dev_t, bool> synced;
  auto check = [&](std::unique_ptr<SafeFileWriter>& w) -> bool {
    if (!w) return true;
    const std::string dir = fs::path(w->temporary()).parent_path().string();
    struct stat st;
    if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0) return false;
    auto it = synced.find(st.st_dev);
    if (it == synced.end()) {
      bool ok = false;
      int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) {
        ok = ::syncfs(fd) == 0;
        ::close(fd);
      }
      it = synced.emplace(st.st_dev, ok).first;
    }
    return it->second;
  };
  for (Staged& s : batch) {
    if (!check(s.backup)) {
      s.backup.reset();
      s.output.reset();
      s.refusal = kBackupFailed;
    }
    if (!check(s.output)) {
      s.output.reset();
      s.writeCode = kWriteError;
    }
  }
}

void SyncFolder(const std::string& dir) {
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
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

  // The entries that reach the engine unless refused on the way, optimized
  // ahead on worker threads when there are any.
  std::vector<size_t> tasks;
  std::vector<std::string> taskPaths;
  for (size_t i = 0; i < work.size(); ++i)
    if (!outside[i] && !isBackup[i] && sameAs[i] < 0) {
      tasks.push_back(i);
      taskPaths.push_back(work[i]);
    }
  std::unique_ptr<DocumentPool> pool;
  const int workers = WorkerCount(config.jobs, tasks.size());
  if (config.jobs != 1 && workers > 0 && tasks.size() > 1)
    pool = DocumentPool::Start(e, std::move(taskPaths), workers, size_t(workers) * 2 + 2);
  size_t nextTask = 0;
  // While a batch is staged no document is done, but the window still
  // repaints and the abort control still answers (a request is acted on at
  // the next entry's turn, as always).
  auto lastPump = std::chrono::steady_clock::now();
  auto keepAlive = [&] {
    const auto now = std::chrono::steady_clock::now();
    if (!progress || now - lastPump < std::chrono::milliseconds(50)) return;
    lastPump = now;
    progress->ProcessEvents();
  };
  const std::function<void()> whileWaiting = keepAlive;
  auto optimized = [&](size_t i, OptimizedDocument& doc) {
    while (nextTask < tasks.size() && tasks[nextTask] < i) {  // refused before they reached the engine
      if (pool) pool->Take(nextTask);
      ++nextTask;
    }
    bool fresh = false;
    if (pool && nextTask < tasks.size() && tasks[nextTask] == i) {
      doc = pool->Take(nextTask, whileWaiting);
      // Read ahead of its turn: a document changed since is read again.
      fresh = doc.wasRead && doc.stamp == StampOf(work[i]);
    }
    if (nextTask < tasks.size() && tasks[nextTask] == i) ++nextTask;
    if (!fresh) e.OptimizeSource(work[i], doc);
  };

  if (progress_) progress_->RunStarting(int(work.size()));
  RunEnd end = RunEnd::Completed;
  bool aborted = false;
  bool confirmedBackups = false;
  // Verification: the user interface stays alive while pages render.
  const std::function<void()> pump = progress_ ? std::function<void()>([progress] { progress->ProcessEvents(); })
                                               : std::function<void()>();
  auto Keep = [&](size_t k, const std::string& name, const std::string& why) {
    verification_.kept.push_back({name, why});
    if (progress_) progress_->DocumentKept(int(k), name, why);
  };
  // An entry taken on its own, at its turn, with every write flushed at once:
  // for a document that changed after its batch was staged. Returns the code
  // it is refused with, or 0; declined: "No" at the existing-backups question.
  auto ProcessNow = [&](size_t k, bool& declined, bool& optimizedNow) -> int32_t {
    const std::string& entry = work[k];
    const int32_t state = ProbeDocument(entry);
    if (state < 0) return state;
    if (IsReadOnlyDocument(entry)) return kWriteError;
    // Verified before any backup: a document that looks different stays as
    // it is and needs none.
    OptimizedDocument doc;
    if (config.verifier) {
      e.OptimizeSource(entry, doc);
      if (NeedsVerifying(doc)) {
        ++verification_.verified;
        const verify::Verdict v = VerifyDocuments(*config.verifier, {{entry, &doc}}, 1, pump)[0];
        if (v.Same()) verification_.passed.push_back(entry);
        if (!v.Same()) {
          Keep(k, entry, v.Describe());
          KeepAsRead(doc);
          e.FinishDocument(doc, 0, entry);
          optimizedNow = true;
          return 0;
        }
      }
    }
    if (backups) {
      std::error_code ec;
      const std::string backup = BackupPath(entry);
      const auto backupStatus = fs::symlink_status(backup, ec);
      if (fs::exists(backupStatus) && !fs::is_regular_file(backupStatus)) return kBackupFailed;
      if (!confirmedBackups && fs::exists(backupStatus)) {
        confirmedBackups = true;
        if (prompt_.Ask(kExistingBackupsCaption, kExistingBackupsText, Icon::Warning, Buttons::YesNo) != Answer::Yes) {
          declined = true;
          return 0;
        }
      }
      if (CopyFileWithOptions(entry, backup, kCopyPlain, &prompt_)) {
        const int32_t again = ProbeDocument(entry);
        return again < 0 ? again : kBackupFailed;
      }
    }
    if (config.verifier) {
      int32_t writeCode = 0;
      if (doc.Writable()) {
        if (e.cx.pumpFn) e.cx.pumpFn();
        writeCode = WriteDocument(entry, doc.output);
        if (e.cx.pumpFn) e.cx.pumpFn();
      }
      e.FinishDocument(doc, writeCode, entry);
    } else {
      e.OptimizeDocument(entry, entry, entry);
    }
    optimizedNow = true;
    return 0;
  };
  auto Commit = [&](Staged& st) {
    st.writeCode = CommitDocument(st.doc, work[st.index], st.output);
    // The bytes are in the temporary file; the bookkeeping needs only their lengths.
    st.doc.original = Buffer();
    st.doc.output = Buffer();
  };
  // Every rewritten document of the batch renders before and after, several
  // at once; one that looks different is left as it was, its backup unmade.
  auto VerifyBatch = [&](std::vector<Staged>& batch) {
    std::vector<VerifyItem> items;
    std::vector<Staged*> owners;
    for (Staged& st : batch)
      if (st.optimized && st.refusal == 0 && NeedsVerifying(st.doc)) {
        items.push_back({analysis ? documents[st.index] : work[st.index], &st.doc});
        owners.push_back(&st);
      }
    const auto verdicts = VerifyDocuments(*config.verifier, items, config.verifyThreads, pump);
    verification_.verified += int(items.size());
    for (size_t n = 0; n < owners.size(); ++n) {
      Staged& st = *owners[n];
      if (verdicts[n].Same()) {
        verification_.passed.push_back(items[n].address);
        continue;
      }
      st.kept = true;
      st.why = verdicts[n].Describe();
      KeepAsRead(st.doc);
      st.backup.reset();
      st.askBackups = false;
    }
    for (Staged& st : batch)
      if (st.optimized && st.refusal == 0 && !analysis && !st.kept) Commit(st);
  };
  size_t i = 0;
  while (i < work.size() && end == RunEnd::Completed) {
    // A batch is staged first: backups and new contents go to temporary
    // files, which one sync of each file system puts on the disk. Only then
    // is each entry taken in list order, exactly as a run without batches
    // would: the abort question, its backup and its document renamed into
    // place, its statistics and its progress. Whatever an abort or a "No"
    // leaves staged is removed, the entry untouched.
    std::vector<Staged> batch;
    size_t stagedBytes = 0;
    // Rendering takes a while: smaller batches keep the abort and the
    // progress close.
    const size_t batchEntries = config.verifier ? kVerifiedBatchEntries : kBatchEntries;
    for (; i < work.size() && batch.size() < batchEntries && stagedBytes < kBatchBytes; ++i) {
      keepAlive();
      Staged st;
      st.index = i;
      const std::string& entry = work[i];
      if (outside[i]) {
        st.refusal = kCopyOutside;
      } else if (isBackup[i]) {
        st.refusal = kIsBackup;
      } else if (sameAs[i] >= 0) {
        st.refusal = kSameDocument;
      } else if (analysis) {
        st.optimized = true;
        optimized(i, st.doc);
        stagedBytes += st.doc.original.size() + st.doc.output.size();  // held until its turn
      } else {
        std::error_code ec;
        fs::path target = entry;
        if (fs::is_symlink(target, ec)) {
          fs::path resolved = fs::weakly_canonical(target, ec);
          if (!ec) target = resolved;
        }
        leftovers.Remove(target.parent_path(), target.filename().string());
        leftovers.Remove(fs::path(entry).parent_path(), FileNamePart(BackupPath(entry)));
        st.checked = true;
        st.stamp = StampOf(entry);
        const int32_t state = ProbeDocument(entry);
        if (state < 0) {
          st.refusal = state;
        } else if (IsReadOnlyDocument(entry)) {
          st.refusal = kWriteError;
        } else {
          if (backups) {
            const std::string backup = BackupPath(entry);
            const auto backupStatus = fs::symlink_status(backup, ec);
            if (fs::exists(backupStatus) && !fs::is_regular_file(backupStatus)) {
              // A link there would have the copy written to wherever it points.
              st.refusal = kBackupFailed;
            } else {
              st.askBackups = fs::exists(backupStatus);
              if (StageBackupCopy(entry, backup, st.backup)) {
                // Without the copy the author asked for, the document stays
                // as it is; one that went away meanwhile says so.
                const int32_t again = ProbeDocument(entry);
                st.refusal = again < 0 ? again : kBackupFailed;
              }
            }
          }
          if (st.refusal == 0) {
            st.optimized = true;
            optimized(i, st.doc);
            stagedBytes += st.doc.output.size();
            if (!config.verifier) Commit(st);  // else once the batch has rendered
          }
        }
      }
      batch.push_back(std::move(st));
    }
    if (config.verifier) VerifyBatch(batch);
    SyncStaged(batch);

    std::set<std::string> folders;
    for (Staged& st : batch) {
      const size_t k = st.index;
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
      const std::string& entry = work[k];
      const std::string& reportName = analysis ? documents[k] : entry;
      if (progress_) progress_->CurrentFile(int(k), FileNamePart(entry));
      // A document the job leaves as it is: counted, recorded and reported.
      auto refuse = [&](int32_t code) {
        e.totals.ErrorCount += 1;
        if (config.outputReport) e.RecordError(reportName, code);
        if (progress_) progress_->DocumentFailed(int(k), reportName, code);
      };
      e.resultCode = 0;
      if (st.checked && StampOf(entry) != st.stamp) {
        // Changed since it was staged: what was staged is dropped, and the
        // entry is taken as it is now.
        st.backup.reset();
        st.output.reset();
        bool declined = false;
        st.optimized = false;
        st.refusal = ProcessNow(k, declined, st.optimized);
        if (declined) {
          end = RunEnd::BackupsDeclined;
          break;
        }
        if (st.refusal != 0) refuse(st.refusal);
      } else {
        if (st.askBackups && !confirmedBackups) {
          confirmedBackups = true;
          if (prompt_.Ask(kExistingBackupsCaption, kExistingBackupsText, Icon::Warning, Buttons::YesNo) !=
              Answer::Yes) {
            end = RunEnd::BackupsDeclined;
            break;
          }
        }
        if (st.refusal == 0 && st.backup) {
          if (st.backup->Publish()) {
            folders.insert(fs::path(st.backup->target()).parent_path().string());
          } else {
            const int32_t again = ProbeDocument(entry);
            st.refusal = again < 0 ? again : kBackupFailed;
          }
        }
        if (st.refusal != 0) {
          refuse(st.refusal);
        } else if (analysis) {
          OptimizedDocument& doc = st.doc;
          int32_t writeCode = 0;
          if (st.kept) Keep(k, reportName, st.why);
          if (doc.Writable() && !st.kept) {
            if (e.cx.pumpFn) e.cx.pumpFn();
            writeCode = WriteDocument(entry, doc.output);
            if (e.cx.pumpFn) e.cx.pumpFn();
          }
          e.FinishDocument(doc, writeCode, reportName);
          WriteCompletionLine(entry, int(k));
        } else {
          OptimizedDocument& doc = st.doc;
          if (st.kept) Keep(k, reportName, st.why);
          if (doc.Writable() && !st.kept) {
            if (e.cx.pumpFn) e.cx.pumpFn();
            if (st.writeCode == 0) {
              if (st.output && st.output->Publish())
                folders.insert(fs::path(st.output->target()).parent_path().string());
              else
                st.writeCode = kWriteError;
            }
            if (e.cx.pumpFn) e.cx.pumpFn();
          }
          e.FinishDocument(doc, doc.Writable() ? st.writeCode : 0, reportName);
        }
      }
      if (st.optimized && st.refusal == 0 && e.resultCode < 0 && progress_)
        progress_->DocumentFailed(int(k), reportName, e.resultCode);
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
    // The renames themselves on the disk before the run goes on or ends.
    for (const auto& f : folders) SyncFolder(f);
  }
  pool.reset();
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

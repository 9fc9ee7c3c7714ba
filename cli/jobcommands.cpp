// optimize, preset and restore: the job commands.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>

#include "cli/cli.h"
#include "app/search/filefind.h"
#include "cli/prompt.h"
#include "engine/driver.h"
#include "engine/options.h"
#include "engine/primitives.h"
#include "jobs/analysis.h"
#include "jobs/fileslist.h"
#include "jobs/joblock.h"
#include "jobs/jobrun.h"
#include "jobs/precheck.h"
#include "jobs/report.h"
#include "jobs/restore.h"
#include "platform/home.h"
#include "platform/inifile.h"
#include "verify/chromium.h"

namespace fs = std::filesystem;

namespace sw::cli {

namespace {

// "*.htm*" and "*.?htm*", letters in any case, never a backup.
bool LooksLikeDocument(const std::string& name) {
  const std::string n = AsciiLower(name);
  if (n.empty() || n.front() == '.') return false;
  if (n.size() >= 6 && n.ends_with(".srbak")) return false;
  for (size_t dot = n.find('.'); dot != std::string::npos; dot = n.find('.', dot + 1)) {
    if (dot + 4 <= n.size() && n.compare(dot + 1, 3, "htm") == 0) return true;
    if (dot + 5 <= n.size() && n.compare(dot + 2, 3, "htm") == 0) return true;
  }
  return false;
}

// A files list holds one path per line: a name with a line end in it would
// become two entries naming files that do not exist.
bool ListableName(const std::string& path, std::ostream& err) {
  if (path.find_first_of("\r\n") == std::string::npos) return true;
  std::string shown;
  for (char c : path) shown += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
  err << "slimwright optimize: warning: skipped " << shown << ": a files list cannot hold a name with a line end\n";
  return false;
}

// Documents below a folder: no hidden names, no links to folders; the files
// of each folder, sorted, before its subfolders.
void Search(const fs::path& dir, std::vector<std::string>& found, std::ostream& err) {
  search::TFileFind ff;
  ff.StartDir = dir.string();
  ff.FilePattern = "*";
  ff.NameFilter = LooksLikeDocument;
  try {
    ff.Run();
  } catch (const search::EFileFind&) {
    // An unreadable folder holds no documents we could list.
  }
  for (const auto& p : ff.FilesSkipped) ListableName(p, err);
  found.insert(found.end(), ff.FilesFound.begin(), ff.FilesFound.end());
}

std::string FullPath(const std::string& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return (ec ? fs::path(p) : a).lexically_normal().string();
}

// Ctrl-C asks the run to stop before the next document; a second one ends
// the program.
std::atomic<bool> gInterrupted{false};
extern "C" void OnInterrupt(int) {
  gInterrupted = true;
  std::signal(SIGINT, SIG_DFL);
}

class TerminalProgress : public JobProgress {
 public:
  TerminalProgress(std::ostream& err, bool show, JobRun*& run) : err_(err), show_(show), run_(run) {}
  void RunStarting(int count) override { count_ = count; }
  void CurrentFile(int index, const std::string& name) override {
    if (!show_) return;
    std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(count_) + "] " + name;
    if (line.size() > 70) line = line.substr(0, 67) + "...";
    err_ << "\r" << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ');
    width_ = line.size();
    err_.flush();
  }
  // Every document the job left as it was, with the reason, whether or not
  // a report is written.
  void DocumentFailed(int, const std::string& document, int32_t code) override {
    End();
    width_ = 0;
    auto [m1, m2] = ResultMessages(code);
    std::string reason = m1 + m2;
    if (!reason.empty() && reason.front() == '(') reason.erase(0, 1);
    if (!reason.empty() && reason.back() == ')') reason.pop_back();
    err_ << "slimwright optimize: " << document << ": " << reason << "\n";
    err_.flush();
  }
  void DocumentKept(int, const std::string& document, const std::string& why) override {
    End();
    width_ = 0;
    err_ << "slimwright optimize: " << document << ": kept unchanged, it renders differently (" << why << ")\n";
    err_.flush();
  }
  void ProcessEvents() override {
    if (gInterrupted.exchange(false) && run_) {
      run_->RequestAbort();
      std::signal(SIGINT, OnInterrupt);
    }
  }
  void End() {
    if (show_ && width_ > 0) err_ << "\r" << std::string(width_, ' ') << "\r";
    err_.flush();
  }

 private:
  std::ostream& err_;
  bool show_;
  JobRun*& run_;
  int count_ = 0;
  size_t width_ = 0;
};

int Usage(Context& cx, const std::string& cmd, const std::string& what) {
  *cx.err << "slimwright " << cmd << ": " << what << "\n";
  return kExitUsage;
}

struct OptimizeArgs {
  bool analysis = false, noBackups = false, yes = false, overwriteBackups = false, verify = false;
  std::string report;  // "", none, brief, detailed
  int jobs = 0;        // 0: one per core
  std::vector<std::string> paths;
};

int Optimize(const OptimizeArgs& a, Context& cx) {
  // The browser is needed before anything is touched.
  std::unique_ptr<verify::ChromiumVerifier> verifier;
  if (a.verify) {
    verifier = std::make_unique<verify::ChromiumVerifier>();
    std::string error;
    if (!verifier->Start(&error)) return Usage(cx, "optimize", error);
  }
  HomePaths paths{cx.home, cx.name};
  TerminalPrompt prompt(*cx.in, *cx.err, a.yes, cx.terminal);
  // An existing backup may be the only unoptimized copy of its page.
  prompt.Guard(kExistingBackupsCaption, "--overwrite-backups", a.overwriteBackups);
  JobLock lock;
  if (!TakeJobLock(lock, cx.home, prompt)) return kExitUsage;
  IniFile profile(paths.Profile());
  // The profile must exist before anything is stored in it.
  if (!profile.Exists() && (!AskMissingProfile(profile, prompt) || !profile.Exists())) return kExitUsage;
  if (!a.report.empty()) {
    bool ok = profile.WriteString(kGeneralOptions, "OutputReport", a.report == "none" ? "0" : "1");
    if (a.report != "none") ok = ok && profile.WriteString(kGeneralOptions, "WriteDetailedStats", a.report == "detailed" ? "1" : "0");
    if (!ok) return Usage(cx, "optimize", "the profile " + paths.Profile() + " could not be written");
  }
  if (!a.paths.empty()) {
    std::vector<std::string> docs;
    for (const auto& p : a.paths) {
      std::error_code ec;
      if (fs::is_directory(p, ec)) Search(FullPath(p), docs, *cx.err);
      else if (fs::is_regular_file(p, ec)) {
        if (ListableName(p, *cx.err)) docs.push_back(FullPath(p));
      }
      else return Usage(cx, "optimize", "no such document or folder: " + p);
    }
    std::set<std::string> seen;
    std::erase_if(docs, [&](const std::string& d) { return !seen.insert(d).second; });
    if (docs.empty()) return Usage(cx, "optimize", "no HTML documents found");
    if (!WriteLines(paths.FilesList(), docs))
      return Usage(cx, "optimize", "the files list " + paths.FilesList() + " could not be written");
  }
  OptimizePrechecks checks;
  checks.profilePath = paths.Profile();
  checks.filesListPath = paths.FilesList();
  if (!checks.CheckFiles(prompt)) return kExitUsage;

  // Without a terminal to ask, existing backups stop the job before it
  // touches anything; --yes alone never replaces them.
  if (!a.analysis && !a.noBackups && !a.overwriteBackups && !cx.terminal) {
    std::vector<std::string> entries;
    ReadDocumentList(paths.FilesList(), entries);
    for (const auto& e : entries) {
      std::error_code ec;
      if (!fs::is_regular_file(fs::symlink_status(JobRun::BackupPath(e), ec))) continue;
      *cx.err << "slimwright optimize: the backup " << JobRun::BackupPath(e)
              << " already exists and may be the only unoptimized copy of its document. Nothing was changed.\n"
                 "Run again with --overwrite-backups to replace existing backups with fresh ones, or put the "
                 "documents back first with 'slimwright restore'.\n";
      return kExitUsage;
    }
  }

  const bool outputReport = profile.ReadInt(kGeneralOptions, "OutputReport", 0) > 0;
  AnalysisRun analysis(prompt);
  analysis.analysisPath = profile.ReadString(kGeneralOptions, "AnalysisPath", "");
  {
    std::error_code ec;
    analysis.tempDir = fs::temp_directory_path(ec).string();
    if (ec || analysis.tempDir.empty()) analysis.tempDir = "/tmp";
  }
  analysis.filesListPath = paths.FilesList();
  analysis.analysisListPath = paths.Work("analysis.lst");
  analysis.programDir = cx.home;
  if (const char* h = std::getenv("HOME")) analysis.userHome = h;
  analysis.recycleFiles = profile.ReadInt("Settings", "RecycleFiles", 0) == 1;

  JobRun* current = nullptr;
  TerminalProgress progress(*cx.err, cx.errTerminal, current);
  JobRun run(profile, prompt, &progress);
  current = &run;
  run.config.programDir = cx.home;
  run.config.profilePath = paths.Profile();
  run.config.filesListPath = paths.FilesList();
  run.config.analysisListPath = paths.Work("analysis.lst");
  run.config.analysisDirectory = analysis.Folder();
  run.config.backupsEnabled = !a.noBackups;
  run.config.analysisMode = a.analysis;
  run.config.outputReport = outputReport;
  run.config.verifier = verifier.get();
  run.config.verifyThreads = VerifyThreads();
  run.config.jobs = a.jobs;

  bool prepared = false;
  JobOutcome outcome;
  auto previous = std::signal(SIGINT, OnInterrupt);
  try {
    if (a.analysis) {
      prepared = true;
      if (!analysis.Prepare()) {
        *cx.err << "slimwright optimize: the analysis folder " << analysis.WorkingDirectory()
                << " could not be prepared\n";
        analysis.Finish();
        std::signal(SIGINT, previous);
        return kExitUsage;
      }
    }
    outcome = run.Run();
  } catch (const QuestionUnanswered&) {
    progress.End();
    std::signal(SIGINT, previous);
    if (prepared) analysis.Finish();
    return kExitUsage;
  }
  std::signal(SIGINT, previous);
  progress.End();

  std::string reportPath;
  if (outcome.statisticsWritten) {
    std::string error;
    ReportResult r = WriteJobReport(cx.home, run.ReportPath(), paths.FilesList(), prompt, &error);
    if (r == ReportResult::IoError) *cx.err << "slimwright optimize: " << error << "\n";
    if (r == ReportResult::Written) reportPath = run.ReportPath();
  }
  if (prepared) analysis.Finish();

  if (outcome.end == RunEnd::MissingFile || outcome.end == RunEnd::NoList) return kExitUsage;
  const bool reportFailed = outcome.statisticsWritten && reportPath.empty();
  const RunTotals& t = outcome.totals;
  std::ostream& out = *cx.out;
  out << (a.analysis ? "Analysis" : "Optimization") << " of " << t.FilesProcessed << " of " << outcome.entries
      << " document" << (outcome.entries == 1 ? "" : "s") << (a.analysis ? " (documents left untouched)" : "") << "\n";
  out << "Bytes before: " << t.BytesBefore << "\n";
  out << "Bytes after:  " << t.BytesAfter << "\n";
  out << "Bytes saved:  " << (int64_t(t.BytesBefore) - t.BytesAfter);
  if (!outcome.percentText.empty()) out << " (" << outcome.percentText << ")";
  out << "\n";
  out << "Errors:       " << t.ErrorCount << "\n";
  if (a.verify)
    out << "Verified:     " << run.Verification().verified << " rendered, " << run.Verification().kept.size()
        << " kept unchanged\n";
  if (!reportPath.empty()) out << "Report: " << reportPath << "\n";
  out.flush();

  switch (outcome.end) {
    case RunEnd::Aborted:
    case RunEnd::BackupsDeclined: return kExitUsage;
    case RunEnd::StatisticsError: return kExitDocumentErrors;
    default: break;
  }
  return t.ErrorCount > 0 || reportFailed ? kExitDocumentErrors : kExitOk;
}

}  // namespace

bool IsDocumentName(const std::string& name) { return LooksLikeDocument(name); }

int RunOptimize(const Args& args, Context& cx) {
  OptimizeArgs a;
  bool options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& s = args[i];
    if (options && s == "--") options = false;
    else if (options && s == "--analysis") a.analysis = true;
    else if (options && s == "--no-backups") a.noBackups = true;
    else if (options && (s == "--yes" || s == "-y")) a.yes = true;
    else if (options && s == "--overwrite-backups") a.overwriteBackups = true;
    else if (options && s == "--verify") a.verify = true;
    else if (options && (s == "--report" || s.rfind("--report=", 0) == 0)) {
      std::string v;
      if (s == "--report") {
        if (i + 1 >= args.size()) return Usage(cx, "optimize", "--report needs none, brief or detailed");
        v = args[++i];
      } else {
        v = s.substr(9);
      }
      if (v != "none" && v != "brief" && v != "detailed")
        return Usage(cx, "optimize", "--report takes none, brief or detailed, not '" + v + "'");
      a.report = v;
    } else if (options && (s == "--jobs" || s.rfind("--jobs=", 0) == 0)) {
      std::string v;
      if (s == "--jobs") {
        if (i + 1 >= args.size()) return Usage(cx, "optimize", "--jobs needs a number of threads");
        v = args[++i];
      } else {
        v = s.substr(7);
      }
      const bool digits = !v.empty() && v.size() <= 4 && v.find_first_not_of("0123456789") == std::string::npos;
      const int n = digits ? std::stoi(v) : 0;
      if (n < 1 || n > 1024) return Usage(cx, "optimize", "--jobs takes a number from 1 to 1024, not '" + v + "'");
      a.jobs = n;
    } else if (options && s.size() > 1 && s.front() == '-') {
      return Usage(cx, "optimize", "unknown option '" + s + "'");
    } else {
      a.paths.push_back(s);
    }
  }
  try {
    return Optimize(a, cx);
  } catch (const QuestionUnanswered&) {
    return kExitUsage;
  }
}

int RunPreset(const Args& args, Context& cx) {
  if (args.size() != 1 || (args[0] != "safe" && args[0] != "maximum"))
    return Usage(cx, "preset", "give safe or maximum");
  HomePaths paths{cx.home, cx.name};
  IniFile profile(paths.Profile());
  WritePreset(profile, args[0] == "safe" ? Preset::Safe : Preset::Maximum);
  if (!profile.Exists()) return Usage(cx, "preset", "the profile " + paths.Profile() + " could not be written");
  *cx.out << "The " << args[0] << " preset was written to " << paths.Profile() << "\n";
  return kExitOk;
}

int RunRestore(const Args& args, Context& cx) {
  bool yes = false;
  for (const auto& s : args) {
    if (s == "--yes" || s == "-y") yes = true;
    else return Usage(cx, "restore", "unknown argument '" + s + "'");
  }
  HomePaths paths{cx.home, cx.name};
  TerminalPrompt prompt(*cx.in, *cx.err, yes, cx.terminal);
  JobLock lock;
  if (!TakeJobLock(lock, cx.home, prompt)) return kExitUsage;
  BackupRestore restore(paths.FilesList(), prompt);
  RestoreResult r;
  try {
    r = restore.Run();
  } catch (const QuestionUnanswered&) {
    return kExitUsage;
  }
  switch (r) {
    case RestoreResult::Complete:
      *cx.out << "Restored " << restore.counts.restored << " document" << (restore.counts.restored == 1 ? "" : "s")
              << "\n";
      return kExitOk;
    case RestoreResult::Incomplete:
      *cx.out << "Restored " << restore.counts.restored << ", failed " << restore.counts.Failures() << "\n";
      return kExitDocumentErrors;
    default: return kExitUsage;
  }
}

}  // namespace sw::cli

#include "app/main_model.h"

#include <cstdlib>
#include <filesystem>

#include "engine/options.h"
#include "jobs/analysis.h"
#include "jobs/fileslist.h"
#include "jobs/joblock.h"
#include "jobs/precheck.h"
#include "jobs/report.h"
#include "jobs/restore.h"
#include "platform/files.h"
#include "verify/chromium.h"

namespace sw {

namespace {
const char* const kGen = kGeneralOptions;
std::string Bit(bool on) { return on ? "1" : "0"; }
std::string WithExtension(const std::string& path, const std::string& ext) {
  std::filesystem::path p(path);
  p.replace_extension(ext);
  return p.string();
}
}  // namespace

MainModel::MainModel(const std::string& home, Prompt& prompt_, ProcessStarter& starter_)
    : paths{home, ExecutableBaseName()},
      ini(paths.Profile()),
      prompt(prompt_),
      starter(starter_),
      launcher(ini, prompt_, starter_),
      help(starter_, FindHelpFile()) {
  std::error_code ec;
  tempDir = std::filesystem::temp_directory_path(ec).string();
  verifierInstalled = [] { return !verify::FindBrowser().empty(); };
  startVerifier = [](std::string* error) -> std::unique_ptr<verify::PageVerifier> {
    auto v = std::make_unique<verify::ChromiumVerifier>();
    if (!v->Start(error)) return nullptr;
    return v;
  };
}

std::map<std::string, std::string> VerdictMarks(const VerificationLog& log) {
  std::map<std::string, std::string> marks;
  for (const auto& p : log.passed) marks[p] = "renders the same";
  for (const auto& k : log.kept) marks[k.document] = "kept unchanged: " + k.why;
  return marks;
}

bool MainModel::StartVerifier() {
  verifier_.reset();
  if (!verifyRendering) return true;
  std::string error = verify::kInstallHint;
  if (verifierInstalled && verifierInstalled() && startVerifier) verifier_ = startVerifier(&error);
  if (verifier_) return true;
  prompt.Ask(kAppTitle, error + "\n\nSwitch off Options, Verify rendering after optimization to optimize without it.",
             Icon::Error, Buttons::Ok);
  return false;
}

void MainModel::SetVerifyRendering(bool on) {
  verifyRendering = on;
  ini.WriteString(kGen, "VerifyRendering", Bit(on));
}

bool MainModel::ReadSettings() {
  slowOptimize = ini.ReadInt(kGen, "SlowOptimize", 0) > 0;
  launcher.ReloadDefaultBrowser();
  showPreviewDlg = ini.ReadInt(kGen, "ShowPreviewDlg", 1) > 0;
  verifyRendering = ini.ReadInt(kGen, "VerifyRendering", 0) > 0;
  browseReportPrompt = ini.ReadInt(kGen, "BrowseReportPrompt", 1) > 0;
  recycleFiles = ini.ReadInt(kSettingsSection, "RecycleFiles", 0) == 1;
  if (!ini.Exists() && !AskMissingProfile(ini, prompt)) return false;
  outputReport = ini.ReadInt(kGen, "OutputReport", 0) > 0;
  detailedReport = ini.ReadInt(kGen, "WriteDetailedStats", 0) > 0;
  listBuilt = false;
  return true;
}

void MainModel::FirstStart() {
  if (ini.ReadInt(kGen, "UsedOnce", 0) == 1) return;
  if (help.Exists()) {
    help.ShowTopic("firsttime");
  } else {
    prompt.Ask("Online help not available",
               "Unable to locate " + (help.file().empty() ? std::string("docs/help/index.html") : help.file()) +
                   " in Slimwright's installed directory. If it has been erased or moved, this software may need "
                   "to be reinstalled.",
               Icon::Error, Buttons::Ok);
  }
  ini.WriteString(kGen, "UsedOnce", "1");
}

void MainModel::SetOutputReport(bool on) {
  outputReport = on;
  ini.WriteString(kGen, "OutputReport", Bit(on));
}

void MainModel::SetDetailedReport(bool on) {
  detailedReport = on;
  ini.WriteString(kGen, "WriteDetailedStats", Bit(on));
}

void MainModel::SetBackups(bool on) {
  backups = on;
  if (on) return;
  prompt.Ask("Backups disabled",
             "WARNING: Backup mode is now disabled and will remain disabled for the remainder of this session or "
             "until backup is re-enabled. If you are optimizing the only copy of your current web, you may be "
             "compromising the ability of your HTML authoring tool to load your working documents.\n\nIt is "
             "strongly recommended that you re-enable the backup switch immediately if you do not have safe copies "
             "of the files you wish to optimize.",
             Icon::Warning, Buttons::Ok);
}

void MainModel::SetBrowseReportPrompt(bool on) {
  browseReportPrompt = on;
  ini.WriteString(kGen, "BrowseReportPrompt", Bit(on));
}

void MainModel::SetSlowOptimize(bool on) {
  slowOptimize = on;
  ini.WriteString(kGen, "SlowOptimize", Bit(on));
}

void MainModel::SetShowPreviewDlg(bool on) {
  showPreviewDlg = on;
  ini.WriteString(kGen, "ShowPreviewDlg", Bit(on));
}

void MainModel::SetExternalEditor(const std::string& path) {
  ini.WriteString(kGen, "ExternalEditor", path);
  prompt.Ask("Change recorded", "New default text editor is " + path + ".", Icon::Information, Buttons::Ok);
}

bool MainModel::PreChecks() {
  OptimizePrechecks pc;
  pc.profilePath = ProfilePath();
  pc.filesListPath = FilesListPath();
  pc.filesListBuilt = listBuilt;
  pc.showPreviewDlg = showPreviewDlg;
  pc.defaultBrowser = launcher.defaultBrowser();
  pc.detectDefaultBrowser = [this] {
    launcher.DetectDefaultBrowser();
    return launcher.defaultBrowser();
  };
  bool ok = pc.Run(prompt);
  listBuilt = pc.filesListBuilt;
  return ok;
}

JobConfig MainModel::MakeJobConfig(bool analysis) const {
  JobConfig c;
  c.programDir = paths.home;
  c.profilePath = ProfilePath();
  c.filesListPath = FilesListPath();
  c.analysisListPath = AnalysisListPath();
  c.backupsEnabled = analysis ? false : backups;
  c.analysisMode = analysis;
  c.outputReport = outputReport;
  c.slowOptimize = slowOptimize;
  c.verifier = verifier_.get();
  return c;
}

void MainModel::Optimize(bool analysis) {
  runCancelled = false;
  // Held until the report is written: a job started from a second window or
  // the command line meanwhile is refused.
  JobLock lock;
  if (!TakeJobLock(lock, paths.home, prompt)) return;
  if (!PreChecks()) return;
  if (!StartVerifier()) return;
  struct Release {
    std::unique_ptr<verify::PageVerifier>& v;
    ~Release() { v.reset(); }  // the browser closes with the job
  } release{verifier_};
  if (analysis) {
    AnalysisRunCommand();
    return;
  }
  JobWindowResult r = showJobWindow ? showJobWindow(MakeJobConfig(false)) : JobWindowResult{};
  if (r.ran) lastVerdicts = r.verdicts;
  runCancelled = r.runCancelled;
  if (processEvents) processEvents();
  if (runCancelled) return;
  if (showPreviewDlg && showPreviewPicker) {
    showPreviewPicker();
    if (processEvents) processEvents();
  }
  AfterRun(r, false);
}

void MainModel::AfterRun(const JobWindowResult& r, bool askAlways) {
  // Without a run in the window there are no fresh statistics to report.
  if (!outputReport || !r.ran || r.reportPath.empty()) return;
  std::string error;
  WriteJobReport(paths.home, r.reportPath, FilesListPath(), prompt, &error);
  if (!askAlways && !browseReportPrompt) return;
  if (prompt.Ask("Optimization report created", "Browse optimization report for this job?", Icon::Question,
                 Buttons::YesNo) == Answer::Yes)
    launcher.OpenLastReportInEditor();
}

void MainModel::AnalysisRunCommand() {
  analysisMode = true;
  AnalysisRun run(prompt);
  run.analysisPath = ini.ReadString(kGen, "AnalysisPath", "");
  run.tempDir = tempDir;
  run.filesListPath = FilesListPath();
  run.analysisListPath = AnalysisListPath();
  run.programDir = paths.home;
  if (const char* h = std::getenv("HOME")) run.userHome = h;
  run.recycleFiles = recycleFiles;
  if (run.Prepare()) {
    JobConfig config = MakeJobConfig(true);
    config.analysisDirectory = run.Folder();
    JobWindowResult r = showJobWindow ? showJobWindow(config) : JobWindowResult{};
    if (processEvents) processEvents();
    AfterRun(r, true);
  }
  run.Finish();
  analysisMode = false;
}

void MainModel::SaveProfileAs(const std::string& path) {
  if (path.empty()) return;
  if (FileExists(path) &&
      prompt.Ask("Overwrite warning", "File " + path + " already exists. Do you wish to overwrite it?",
                 Icon::Question, Buttons::YesNo) != Answer::Yes)
    return;
  CopyWholeFile(ProfilePath(), path);
  if (!FileExists(FilesListPath())) return;
  std::string list = WithExtension(path, ".lst");
  if (prompt.Ask("Copying files list",
                 "A files list also exists. Should this be saved with the profile file as " + list + "?",
                 Icon::Question, Buttons::YesNo) == Answer::Yes)
    CopyWholeFile(FilesListPath(), list);
}

bool MainModel::ConfirmOpenProfile() {
  return prompt.Ask("Opening existing profile",
                    "Opening an existing profile will overwrite the current profile and files list. Insure that "
                    "the current files list is backed up before proceeding.\n\nAre you sure you want to open a "
                    "different profile?",
                    Icon::Warning, Buttons::YesNo) == Answer::Yes;
}

bool MainModel::OpenProfile(const std::string& path) {
  if (path.empty()) return true;
  std::error_code ec;
  // Opening the current profile itself leaves it as it is.
  if (!std::filesystem::equivalent(path, ProfilePath(), ec)) CopyWholeFile(path, ProfilePath());
  if (!ReadSettings()) return false;
  std::string list = WithExtension(path, ".lst");
  if (FileExists(list) && !std::filesystem::equivalent(list, FilesListPath(), ec)) CopyWholeFile(list, FilesListPath());
  return true;
}

bool MainModel::PrintLines(PrintItem item, std::vector<std::string>& lines) {
  lines.clear();
  std::string path;
  switch (item) {
    case PrintItem::LastReport:
      path = ini.ReadString(kGen, "LastWrittenReport", "");
      if (path.empty()) {
        prompt.Ask("Report not found", "No optimization report has been created for this profile...unable to load.",
                   Icon::Error, Buttons::Ok);
        return false;
      }
      if (!FileExists(path)) {
        prompt.Ask("Report not found...aborting",
                   path + ", the last report for this profile, could not be found. Unable to load.", Icon::Error,
                   Buttons::Ok);
        return false;
      }
      break;
    case PrintItem::FilesList:
      path = FilesListPath();
      if (!FileExists(path)) {
        prompt.Ask("Slimwright error",
                   "Unable to load " + path + ". Files list has either been erased or has not been built.",
                   Icon::Warning, Buttons::Ok);
        return false;
      }
      break;
    case PrintItem::Profile:
      path = ProfilePath();
      break;
  }
  ReadLines(path, lines);
  if (lines.size() < 2) lines.clear();
  return true;
}

PrinterFontSetting MainModel::PrinterFont() const {
  PrinterFontSetting f;
  std::string name = ini.ReadString(kSettingsSection, "PrinterFontName", "");
  if (!name.empty()) f.name = name;
  f.size = ini.ReadInt(kSettingsSection, "PrinterFontSize", 10);
  if (f.size <= 0) f.size = 10;
  int style = ini.ReadInt(kSettingsSection, "PrinterFontStyle", 0);
  f.bold = style == 1 || style == 3;
  f.italic = style == 2 || style == 3;
  return f;
}

void MainModel::SetPrinterFont(const PrinterFontSetting& f) {
  ini.WriteString(kSettingsSection, "PrinterFontName", f.name);
  ini.WriteString(kSettingsSection, "PrinterFontSize", std::to_string(f.size));
  ini.WriteString(kSettingsSection, "PrinterFontStyle", std::to_string((f.bold ? 1 : 0) + (f.italic ? 2 : 0)));
  prompt.Ask("Printer font selected", "Font name and style recorded", Icon::Information, Buttons::Ok);
}

namespace {
// Passes every question on and reports a Yes to one of them.
class OnYes : public Prompt {
 public:
  OnYes(Prompt& inner, std::string caption, std::function<void()> f)
      : inner_(inner), caption_(std::move(caption)), f_(std::move(f)) {}
  Answer Ask(const std::string& caption, const std::string& text, Icon icon, Buttons buttons) override {
    Answer a = inner_.Ask(caption, text, icon, buttons);
    if (a == Answer::Yes && caption == caption_ && f_) f_();
    return a;
  }

 private:
  Prompt& inner_;
  std::string caption_;
  std::function<void()> f_;
};
}  // namespace

void MainModel::RestoreBackups(const std::function<void()>& busy) {
  JobLock lock;
  if (!TakeJobLock(lock, paths.home, prompt)) return;
  OnYes confirmed(prompt, "Confirming restoration", busy);
  BackupRestore r(FilesListPath(), confirmed);
  r.Run();
}

void MainModel::EditFilesList() {
  if (!FileExists(FilesListPath())) {
    prompt.Ask("Unable to load files list",
               "No files list has been built yet for this job...unable to load into editor.", Icon::Error,
               Buttons::Ok);
    return;
  }
  launcher.OpenFilesListInEditor();
}

bool MainModel::TipsAvailable() const { return FileExists(ExecutableDir() + "/srtips"); }

void MainModel::ShowTips() {
  if (starter.Start(ExecutableDir() + "/srtips", {"/d=1"})) return;
  prompt.Ask("Tips module not found",
             "srtips (tips module) not found. Either reinstall Slimwright or replace srtips and SRTIPS.INI to "
             "restore tips functionality.",
             Icon::Warning, Buttons::Ok);
}

void MainModel::ShowAbout() {
  if (TipsAvailable() && starter.Start(ExecutableDir() + "/srtips", {"/d=4"})) return;
  prompt.Ask("About Slimwright...",
             std::string(kAppTitle) + ", version 1.0" +
                 "\n\nMakes the HTML documents of a web site smaller without changing how a browser shows them.",
             Icon::Information, Buttons::Ok);
}

}  // namespace sw

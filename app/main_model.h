// Everything the main window decides, without widgets: the program settings,
// the switches, the Optimize command with its normal and analysis runs,
// profiles, printing and restore. TTabform shows it and opens the dialogs.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/prompt.h"
#include "jobs/jobrun.h"
#include "platform/help.h"
#include "platform/home.h"
#include "platform/inifile.h"
#include "platform/process.h"
#include "preview/launch.h"
#include "verify/core/verifier.h"

namespace sw {

inline constexpr const char* kAppTitle = "Slimwright Lite";
inline constexpr const char* kWindowCaption = "Slimwright Lite ";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr int kMainHelpContext = 100000;

struct PrinterFontSetting {
  std::string name = "Courier New";
  int size = 10;
  bool bold = false;
  bool italic = false;
};

// What the job window hands back when it closes.
struct JobWindowResult {
  bool runCancelled = false;  // Cancel confirmed
  bool ran = false;           // at least one run was started in the window
  std::string reportPath;     // the report chosen by the last run ("" with the report off)
  // With verification on: each rendered document's verdict, by path.
  std::map<std::string, std::string> verdicts;
};

// The marks the preview list shows beside each rendered document.
std::map<std::string, std::string> VerdictMarks(const VerificationLog& log);

enum class PrintItem { LastReport, FilesList, Profile };

class MainModel {
 public:
  MainModel(const std::string& home, Prompt& prompt, ProcessStarter& starter);

  HomePaths paths;
  IniFile ini;
  Prompt& prompt;
  ProcessStarter& starter;
  Launcher launcher;
  HelpSystem help;
  std::string tempDir;  // the system temporary directory

  // Settings as read at start and after opening a profile.
  bool slowOptimize = false;
  bool showPreviewDlg = true;
  bool browseReportPrompt = true;
  bool recycleFiles = false;
  bool outputReport = false;
  bool detailedReport = false;
  bool verifyRendering = false;  // VerifyRendering: documents render before they are written

  // Session state.
  bool backups = true;       // on at every start, never stored
  bool listBuilt = false;    // the files list was built (or confirmed) in this session
  bool analysisMode = false;
  bool runCancelled = false;

  // Opens the job window modally; the view supplies it, tests fake it.
  std::function<JobWindowResult(const JobConfig&)> showJobWindow;
  // The preview file picker after a normal run (comes with its own window).
  std::function<void()> showPreviewPicker;
  // Lets pending events run (after modal windows).
  std::function<void()> processEvents;
  // Whether the browser verification needs is installed, and a started
  // verifier (nullptr with the reason). Chromium unless tests replace them.
  std::function<bool()> verifierInstalled;
  std::function<std::unique_ptr<verify::PageVerifier>(std::string* error)> startVerifier;
  // The verdicts of the last verified run, for the preview list.
  std::map<std::string, std::string> lastVerdicts;

  // Program start, step 3. False when the user chose to end the program.
  bool ReadSettings();
  // Program start, step 5: the first-start help topic.
  void FirstStart();

  // Switches: each is stored at once.
  void SetOutputReport(bool on);
  void SetDetailedReport(bool on);
  void SetBackups(bool on);
  void SetBrowseReportPrompt(bool on);
  void SetSlowOptimize(bool on);
  void SetShowPreviewDlg(bool on);
  void SetVerifyRendering(bool on);
  void SetDefaultBrowser(const std::string& path) { launcher.SetDefaultBrowser(path); }
  void SetExternalEditor(const std::string& path);

  // The Optimize command.
  void Optimize(bool analysis);
  // Pre-checks only (the Optimize command runs them first).
  bool PreChecks();

  // Profiles. SaveProfileAs takes the path chosen in the save dialog.
  void SaveProfileAs(const std::string& path);
  bool ConfirmOpenProfile();
  // Copies the chosen profile in place and reads the settings again.
  bool OpenProfile(const std::string& path);

  // Printing: the lines to print, or false after showing why not. A file of
  // one line or none gives no lines (and true).
  bool PrintLines(PrintItem item, std::vector<std::string>& lines);
  PrinterFontSetting PrinterFont() const;
  void SetPrinterFont(const PrinterFontSetting& f);

  // busy runs once the user has confirmed, before any document is touched.
  void RestoreBackups(const std::function<void()>& busy = {});
  void EditFilesList();
  bool TipsAvailable() const;
  void ShowTips();
  void ShowAbout();

  std::string FilesListPath() const { return paths.FilesList(); }
  std::string ProfilePath() const { return paths.Profile(); }
  std::string AnalysisListPath() const { return paths.Work("analysis.lst"); }

 private:
  JobConfig MakeJobConfig(bool analysis) const;
  // With verification on: starts the browser, or says why it cannot and
  // returns false (the job does not start).
  bool StartVerifier();
  std::unique_ptr<verify::PageVerifier> verifier_;
  void AfterRun(const JobWindowResult& r, bool askAlways);
  void AnalysisRunCommand();
};

}  // namespace sw

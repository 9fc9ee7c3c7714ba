// The copy routine, the backup restore, the analysis folder and the
// pre-checks: the file work around a job.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "jobs/analysis.h"
#include "jobs/copyfile.h"
#include "jobs/fileslist.h"
#include "jobs/precheck.h"
#include "jobs/restore.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"

using namespace swtest;
using sw::Answer;

namespace {
std::string Bytes(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = char((i * 131 + 7) % 256);
  return s;
}
}  // namespace

TEST(CopyFileWithOptions, CopiesEveryByteAndCreatesFolders) {
  TempDir dir;
  const std::string data = Bytes(100000);
  WriteFile(dir / "a.htm", data);
  ScriptedPrompt prompt;
  EXPECT_FALSE(sw::CopyFileWithOptions(dir / "a.htm", dir / "x/y/z/a.htm", sw::kCopyPlain, &prompt));
  EXPECT_EQ(ReadFile(dir / "x/y/z/a.htm"), data);
  // A doubled separator is tolerated.
  EXPECT_FALSE(sw::CopyFileWithOptions(dir / "a.htm", dir.path().string() + "//b.htm", sw::kCopyPlain, &prompt));
  EXPECT_EQ(ReadFile(dir / "b.htm"), data);
  EXPECT_TRUE(prompt.asked.empty());
}

TEST(CopyFileWithOptions, FailureLeavesNoPartialCopy) {
  TempDir dir;
  ScriptedPrompt prompt;
  EXPECT_TRUE(sw::CopyFileWithOptions(dir / "missing.htm", dir / "out.htm", sw::kCopyPlain, &prompt));
  EXPECT_FALSE(fs::exists(dir / "out.htm"));
  WriteFile(dir / "a.htm", "abc");
  fs::create_directories(dir / "taken.htm");
  EXPECT_TRUE(sw::CopyFileWithOptions(dir / "a.htm", dir / "taken.htm", sw::kCopyPlain, &prompt));
  EXPECT_TRUE(fs::is_directory(dir / "taken.htm"));
  for (const auto& f : fs::directory_iterator(dir.path()))
    EXPECT_EQ(f.path().filename().string().find(".swcp"), std::string::npos) << f.path();
}

TEST(CopyFileWithOptions, OptionChain) {
  TempDir dir;
  WriteFile(dir / "a.htm", "new");
  fs::permissions(dir / "a.htm", fs::perms(0750));
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(240);
  fs::last_write_time(dir / "a.htm", old);
  struct Case {
    int options;
    bool exists;
    Answer answer;  // Ok: no question expected
    bool failed;
    bool keepsDate, keepsMode;
  } cases[] = {
      {0, true, Answer::Ok, false, false, false},      {2, false, Answer::Ok, false, false, true},
      {4, false, Answer::Ok, false, true, false},      {6, false, Answer::Ok, false, true, true},
      {8, true, Answer::No, true, false, false},       {8, true, Answer::Yes, false, false, false},
      {16, true, Answer::Yes, false, true, true},      {16, false, Answer::Ok, false, true, true},
      // Read as a chain, not as bits: 17 is 1, 36 is 20 (8, then 4, then 8 >= 2).
      {17, true, Answer::Ok, false, false, false},     {36, true, Answer::Yes, false, true, true},
  };
  for (const auto& c : cases) {
    const std::string dst = dir / "copy.htm";
    fs::remove(dst);
    if (c.exists) WriteFile(dst, "old copy");
    ScriptedPrompt prompt;
    if (c.answer != Answer::Ok) prompt.answers[dst + " already exists"] = {c.answer};
    EXPECT_EQ(sw::CopyFileWithOptions(dir / "a.htm", dst, c.options, &prompt), c.failed) << c.options;
    EXPECT_EQ(prompt.asked.size(), c.answer == Answer::Ok ? 0u : 1u) << c.options;
    if (!prompt.asked.empty()) {
      EXPECT_EQ(prompt.asked[0].text, "A file by this name already exists. Overwrite it?");
    }
    EXPECT_EQ(ReadFile(dst), c.failed ? "old copy" : "new") << c.options;
    if (c.failed) continue;
    EXPECT_EQ(fs::last_write_time(dst) == old, c.keepsDate) << c.options;
    EXPECT_EQ((fs::status(dst).permissions() & fs::perms::all) == fs::perms(0750), c.keepsMode) << c.options;
  }
}

TEST(BackupRestore, IncompleteTexts) {
  struct {
    sw::RestoreCounts c;
    std::string want;
  } cases[] = {
      {{1, 0, 0, 2},
       "Restoration was not completely successful. The following error was reported:\n\n"
       "1 backup file could not be found and thus could not be restored.\n"},
      {{2, 1, 3, 0},
       "Restoration was not completely successful. The following errors were reported:\n\n"
       "2 backup files could not be found and thus could not be restored.\n"
       "3 backed up files could not be renamed. (You will need to rename these files manually.)\n"
       "1 optimized file could not be deleted. The .SRBAK file will need to be restored manually.\n"},
      {{0, 2, 1, 0},
       "Restoration was not completely successful. The following errors were reported:\n\n"
       "1 backed up file could not be renamed. (You will need to rename this file manually.)\n"
       "2 optimized files could not be deleted. The .SRBAK files will need to be restored manually.\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(sw::BackupRestore::IncompleteText(c.c), c.want);
}

TEST(BackupRestore, RestoresEveryBackupWithOneRename) {
  TempDir dir;
  std::vector<std::string> docs = {dir / "a.htm", dir / "sub/b.htm", dir / "c.htm"};
  for (const auto& d : docs) {
    WriteFile(d, "optimized");
    WriteFile(d + ".srbak", "original " + d);
  }
  sw::WriteLines(dir / "x.lst", docs);
  ScriptedPrompt prompt;
  prompt.answers["Confirming restoration"] = {Answer::Yes};
  sw::BackupRestore restore(dir / "x.lst", prompt);
  EXPECT_EQ(restore.Run(), sw::RestoreResult::Complete);
  for (const auto& d : docs) {
    EXPECT_EQ(ReadFile(d), "original " + d);
    EXPECT_FALSE(fs::exists(d + ".srbak"));
  }
  EXPECT_EQ(prompt.Captions(), (std::vector<std::string>{"Confirming restoration", "Restoration complete"}));
  EXPECT_EQ(prompt.asked[1].text, "All files from the previous job have been restored to their pre-optimized state.");
}

TEST(BackupRestore, OneMissingBackup) {
  TempDir dir;
  std::vector<std::string> docs = {dir / "a.htm", dir / "b.htm", dir / "c.htm"};
  for (const auto& d : docs) WriteFile(d, "optimized");
  WriteFile(docs[0] + ".srbak", "a0");
  WriteFile(docs[2] + ".srbak", "c0");
  sw::WriteLines(dir / "x.lst", docs);
  ScriptedPrompt prompt;
  prompt.answers["Confirming restoration"] = {Answer::Yes};
  sw::BackupRestore restore(dir / "x.lst", prompt);
  EXPECT_EQ(restore.Run(), sw::RestoreResult::Incomplete);
  EXPECT_EQ(ReadFile(docs[0]), "a0");
  EXPECT_EQ(ReadFile(docs[1]), "optimized");
  EXPECT_EQ(ReadFile(docs[2]), "c0");
  ASSERT_EQ(prompt.asked.size(), 2u);
  EXPECT_EQ(prompt.asked[1].caption, "Restoration incomplete");
  EXPECT_EQ(prompt.asked[1].icon, sw::Icon::Warning);
  EXPECT_EQ(prompt.asked[1].text, sw::BackupRestore::IncompleteText({1, 0, 0, 2}));
}

TEST(BackupRestore, NothingToRestore) {
  TempDir dir;
  ScriptedPrompt prompt;
  prompt.answers["Confirming restoration"] = {Answer::Yes, Answer::Yes, Answer::No};
  sw::BackupRestore none(dir / "x.lst", prompt);
  EXPECT_EQ(none.Run(), sw::RestoreResult::NoFilesList);
  EXPECT_EQ(prompt.asked.back().caption, "Restoration error");
  EXPECT_EQ(prompt.asked.back().text, "No files list found...nothing to restore");

  WriteFile(dir / "a.htm", "optimized");
  sw::WriteLines(dir / "x.lst", {dir / "a.htm"});
  EXPECT_EQ(none.Run(), sw::RestoreResult::NoBackups);
  EXPECT_EQ(prompt.asked.back().caption, "Restoration aborted");
  EXPECT_EQ(prompt.asked.back().text.substr(0, 92),
            "Unable to find any .SRBAK files corresponding with the files in the current x.lst list file.");
  EXPECT_EQ(ReadFile(dir / "a.htm"), "optimized");

  WriteFile(dir / "a.htm.srbak", "a0");
  EXPECT_EQ(none.Run(), sw::RestoreResult::Declined);
  EXPECT_EQ(ReadFile(dir / "a.htm"), "optimized");
}

TEST(BackupRestore, LinkedDocumentGetsItsTargetBack) {
  TempDir dir;
  WriteFile(dir / "real/a.htm", "optimized");
  fs::create_directories(dir / "web");
  fs::create_symlink(dir / "real/a.htm", dir / "web/a.htm");
  WriteFile(dir / "web/a.htm.srbak", "a0");
  sw::WriteLines(dir / "x.lst", {dir / "web/a.htm"});
  ScriptedPrompt prompt;
  prompt.answers["Confirming restoration"] = {Answer::Yes};
  sw::BackupRestore restore(dir / "x.lst", prompt);
  EXPECT_EQ(restore.Run(), sw::RestoreResult::Complete);
  EXPECT_TRUE(fs::is_symlink(dir / "web/a.htm"));
  EXPECT_EQ(ReadFile(dir / "real/a.htm"), "a0");
}

TEST(BackupRestore, DocumentThatCannotBeReplaced) {
  TempDir dir;
  fs::create_directories(dir / "a.htm/inside");  // a folder stands in the way
  WriteFile(dir / "a.htm.srbak", "a0");
  sw::WriteLines(dir / "x.lst", {dir / "a.htm"});
  ScriptedPrompt prompt;
  prompt.answers["Confirming restoration"] = {Answer::Yes};
  sw::BackupRestore restore(dir / "x.lst", prompt);
  EXPECT_EQ(restore.Run(), sw::RestoreResult::Incomplete);
  EXPECT_EQ(restore.counts.notDeleted, 1);
  EXPECT_EQ(ReadFile(dir / "a.htm.srbak"), "a0");
}

TEST(AnalysisRun, WorkingDirectoryAlwaysHasTheProgramsName) {
  ScriptedPrompt prompt;
  sw::AnalysisRun a(prompt);
  a.tempDir = "/tmp/";
  struct {
    const char* stored;
    const char* want;
  } cases[] = {{"", "/tmp/t$w"},          {"/data/w$t", "/data/w$t"}, {"/data/w$t/", "/data/w$t"},
               {"/data/t$w", "/data/t$w"}, {"/data/web", "/data/web/w$t"}, {"/", "/w$t"},
               {"/home/me/", "/home/me/w$t"}};
  for (const auto& c : cases) {
    a.analysisPath = c.stored;
    EXPECT_EQ(a.WorkingDirectory(), c.want) << c.stored;
  }
  a.analysisPath = "/data/w$t";
  EXPECT_EQ(a.CopyPath("/web/a.htm"), "/data/w$t/web/a.htm");
}

TEST(AnalysisRun, RefusesTheProgramHomeAndTheUsersHome) {
  TempDir dir;
  struct {
    std::string analysisPath, programDir, userHome;
  } cases[] = {
      {dir / "w$t", dir / "w$t", ""},          // the program home itself
      {dir / "t$w", dir / "t$w/home", ""},     // the program home inside
      {dir / "w$t", "", dir / "w$t"},          // the user's home
      {dir / "t$w", "", dir / "t$w/me"},       // the user's home inside
  };
  for (const auto& c : cases) {
    fs::create_directories(c.analysisPath + "/keep");
    WriteFile(c.analysisPath + "/keep/file", "mine");
    WriteFile(dir / "a.htm", "<html></html>");
    sw::WriteLines(dir / "x.lst", {dir / "a.htm"});
    ScriptedPrompt prompt;
    sw::AnalysisRun a(prompt);
    a.analysisPath = c.analysisPath;
    a.programDir = c.programDir;
    a.userHome = c.userHome;
    a.filesListPath = dir / "x.lst";
    a.analysisListPath = dir / "analysis.lst";
    EXPECT_FALSE(a.Prepare());
    a.Finish();
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Write access error");
    EXPECT_EQ(prompt.asked[0].text, "Attempt to remove root directory...aborting.");
    EXPECT_EQ(ReadFile(c.analysisPath + "/keep/file"), "mine");
    fs::remove_all(c.analysisPath);
  }
}

TEST(AnalysisRun, NeverFollowsALinkOutOfTheWorkingDirectory) {
  TempDir dir;
  WriteFile(dir / "outside/precious.htm", "keep me");
  fs::create_directories(dir / "w$t");
  fs::create_directory_symlink(dir / "outside", dir / "w$t/link");
  WriteFile(dir / "web/a.htm", "<html>a</html>");
  sw::WriteLines(dir / "x.lst", {dir / "web/a.htm"});
  ScriptedPrompt prompt;
  sw::AnalysisRun a(prompt);
  a.analysisPath = dir / "w$t";
  a.filesListPath = dir / "x.lst";
  a.analysisListPath = dir / "analysis.lst";
  ASSERT_TRUE(a.Prepare());
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "w$t/link")));
  EXPECT_EQ(ReadFile(dir / "outside/precious.htm"), "keep me");
  EXPECT_EQ(ReadFile(a.CopyPath(dir / "web/a.htm")), "<html>a</html>");
  EXPECT_EQ(ReadFile(dir / "analysis.lst"), a.CopyPath(dir / "web/a.htm") + "\r\n");
  a.Finish();
  EXPECT_FALSE(fs::exists(dir / "w$t"));
  EXPECT_EQ(ReadFile(dir / "outside/precious.htm"), "keep me");
}

TEST(AnalysisRun, NeverClearsAFolderHoldingTheJobsDocuments) {
  TempDir dir;
  WriteFile(dir / "w$t/web/a.htm", "<html>a</html>");
  sw::WriteLines(dir / "x.lst", {dir / "w$t/web/a.htm"});
  ScriptedPrompt prompt;
  sw::AnalysisRun a(prompt);
  a.analysisPath = dir / "w$t";
  a.filesListPath = dir / "x.lst";
  a.analysisListPath = dir / "analysis.lst";
  EXPECT_FALSE(a.Prepare());
  a.Finish();
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].caption, "Write access error");
  EXPECT_EQ(ReadFile(dir / "w$t/web/a.htm"), "<html>a</html>");
  EXPECT_FALSE(fs::exists(dir / "analysis.lst"));
}

TEST(AnalysisRun, SameCopyPathAsksBeforeReplacing) {
  TempDir dir;
  WriteFile(dir / "web/a.htm", "<html>a</html>");
  sw::WriteLines(dir / "x.lst", {dir / "web/a.htm", dir / "web/a.htm"});
  ScriptedPrompt prompt;
  sw::AnalysisRun a(prompt);
  a.analysisPath = dir / "w$t";
  a.filesListPath = dir / "x.lst";
  a.analysisListPath = dir / "analysis.lst";
  prompt.answers[a.CopyPath(dir / "web/a.htm") + " already exists"] = {Answer::No};
  ASSERT_TRUE(a.Prepare());
  EXPECT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(a.Copies().size(), 2u);
  a.Finish();
}

TEST(OptimizePrechecks, FilesInOrder) {
  TempDir dir;
  ScriptedPrompt prompt;
  sw::OptimizePrechecks p;
  p.profilePath = dir / "s.INI";
  p.filesListPath = dir / "s.lst";
  EXPECT_FALSE(p.CheckFiles(prompt));
  EXPECT_EQ(prompt.asked.back().caption, "Default profile file not found");
  WriteFile(p.profilePath, "");
  EXPECT_FALSE(p.CheckFiles(prompt));
  EXPECT_EQ(prompt.asked.back().caption, "Files list not found...aborting");
  EXPECT_EQ(prompt.asked.back().text,
            "Batch mode optimization has been specified but no valid s.lst files list was found. Select files "
            "using the Select files for optimization button and/or rebuild the list if needed prior to retrying "
            "optimization.");
  sw::WriteLines(p.filesListPath, {dir / "gone.htm", dir / "a.htm"});
  WriteFile(dir / "a.htm", "x");
  EXPECT_FALSE(p.CheckFiles(prompt));
  EXPECT_EQ(prompt.asked.back().caption, "File list invalid...aborting");
  EXPECT_EQ(prompt.asked.back().text,
            "The first file in " + (dir / "gone.htm") +
                " could not be found. The current files list is possibly invalid and should be modified or "
                "rebuilt prior to retrying the optimization.");
  sw::WriteLines(p.filesListPath, {dir / "a.htm", dir / "gone.htm"});
  EXPECT_TRUE(p.CheckFiles(prompt));
}

TEST(OptimizePrechecks, StaleListAndBrowserQuestions) {
  TempDir dir;
  WriteFile(dir / "s.INI", "");
  WriteFile(dir / "a.htm", "x");
  sw::WriteLines(dir / "s.lst", {dir / "a.htm"});
  ScriptedPrompt prompt;
  int detected = 0;
  sw::OptimizePrechecks p;
  p.profilePath = dir / "s.INI";
  p.filesListPath = dir / "s.lst";
  std::string found;  // what the search finds
  p.detectDefaultBrowser = [&] {
    ++detected;
    return found;
  };
  // No at the stale question ends, and it is not asked again.
  prompt.answers["'Stale' file list detected"] = {Answer::No};
  EXPECT_FALSE(p.Run(prompt));
  EXPECT_TRUE(p.filesListBuilt);
  EXPECT_TRUE(p.Run(prompt));
  EXPECT_EQ(prompt.Count("'Stale' file list detected"), 1);
  // Browser: only with the preview on. No ends the command.
  p.showPreviewDlg = true;
  prompt.answers["Default browser not found"] = {Answer::No};
  EXPECT_FALSE(p.Run(prompt));
  // Yes searches; a browser found there ends the questions.
  found = dir / "a.htm";
  prompt.answers["Default browser not found"] = {Answer::Yes};
  EXPECT_TRUE(p.Run(prompt));
  EXPECT_EQ(detected, 1);
  EXPECT_EQ(p.defaultBrowser, found);
  // A search that finds nothing leads to the missing-browser question next.
  p.defaultBrowser.clear();
  found.clear();
  prompt.answers["Default browser not found"] = {Answer::Yes, Answer::Yes};
  const size_t asked = prompt.asked.size();
  EXPECT_TRUE(p.Run(prompt));
  EXPECT_EQ(detected, 3);
  ASSERT_EQ(prompt.asked.size(), asked + 2);
  EXPECT_EQ(prompt.asked.back().text,
            "Your preview browser no longer exists at the location specified. Should Slimwright try to find your "
            "current default browser and use it as the program's preview browser?");
  p.defaultBrowser = dir / "a.htm";
  const size_t before = prompt.asked.size();
  EXPECT_TRUE(p.Run(prompt));
  EXPECT_EQ(prompt.asked.size(), before);
}

TEST(OptimizePrechecks, MissingProfileQuestion) {
  struct {
    Answer answer;
    bool goesOn;
    const char* strongToB;  // "" when nothing was written
  } cases[] = {{Answer::Yes, true, "0"}, {Answer::No, true, "1"}, {Answer::Cancel, false, ""}};
  for (const auto& c : cases) {
    TempDir dir;
    sw::IniFile ini(dir / "s.INI");
    ScriptedPrompt prompt;
    prompt.answers["Missing profile file"] = {c.answer};
    EXPECT_EQ(sw::AskMissingProfile(ini, prompt), c.goesOn);
    EXPECT_EQ(prompt.asked.at(0).icon, sw::Icon::Warning);
    EXPECT_EQ(prompt.asked.at(0).buttons, sw::Buttons::YesNoCancel);
    EXPECT_EQ(ini.ReadString("Tag Options", "STRONGtoB", ""), c.strongToB);
    EXPECT_EQ(ini.Exists(), c.goesOn);
  }
}

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli.h"
#include "tests/cli/helpers.h"
#include "cli/prompt.h"
#include "jobs/joblock.h"
#include "platform/home.h"
#include "platform/inifile.h"

namespace fs = std::filesystem;

using namespace sw::test;

namespace {

std::string Profile(const Dir& d) { return HomeFile(d, ".INI"); }
std::string FilesList(const Dir& d) { return HomeFile(d, ".lst"); }

}  // namespace

TEST(DocumentSearch, Names) {
  struct {
    const char* name;
    bool taken;
  } cases[] = {{"index.htm", true},      {"INDEX.HTML", true},   {"page.shtml", true},  {"a.b.htm", true},
               {"x.phtm", true},         {"a.htmx", true},       {"index.htm.srbak", false},
               {".hidden.htm", false},   {"readme.txt", false},  {"htm", false},        {"a.", false},
               {"a.h", false},           {"a.xhtm", true},       {"a.xyhtm", false}};
  for (const auto& c : cases) EXPECT_EQ(sw::cli::IsDocumentName(c.name), c.taken) << c.name;
}

TEST(TerminalPrompt, Answers) {
  using sw::Answer;
  using sw::Buttons;
  struct {
    bool yes, terminal;
    Buttons buttons;
    std::string input;
    Answer want;
  } cases[] = {
      {true, false, Buttons::YesNo, "", Answer::Yes},
      {true, false, Buttons::OkCancel, "", Answer::Ok},
      {true, false, Buttons::YesNoCancel, "", Answer::Yes},
      {false, true, Buttons::YesNo, "n\n", Answer::No},
      {false, true, Buttons::YesNo, "what\nYES\n", Answer::Yes},
      {false, true, Buttons::YesNoCancel, " c \n", Answer::Cancel},
      {false, true, Buttons::YesNo, "", Answer::No},
      {false, true, Buttons::YesNoCancel, "", Answer::Cancel},
      {false, true, Buttons::OkCancel, "ok\r\n", Answer::Ok},
      // A message only to read never stops the command.
      {false, false, Buttons::Ok, "", Answer::Ok},
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream err;
    sw::cli::TerminalPrompt p(in, err, c.yes, c.terminal);
    EXPECT_EQ(p.Ask("Caption", "Line one\n\nLine two", sw::Icon::Question, c.buttons), c.want) << c.input;
    EXPECT_EQ(err.str().rfind("Caption\nLine one\n\nLine two\n", 0), 0u) << err.str();
  }
  std::istringstream in;
  std::ostringstream err;
  sw::cli::TerminalPrompt p(in, err, false, false);
  EXPECT_THROW(p.Ask("Caption", "Text", sw::Icon::Question, sw::Buttons::YesNo), sw::cli::QuestionUnanswered);
  EXPECT_NE(err.str().find("Caption\nText\n"), std::string::npos);
}

TEST(OptimizeCommand, UsageErrors) {
  Dir d;
  for (std::vector<std::string> args : {std::vector<std::string>{"optimize", "--report"},
                                        {"optimize", "--report", "full"},
                                        {"optimize", "--bogus"},
                                        {"optimize", "--jobs"},
                                        {"optimize", "--jobs", "0"},
                                        {"optimize", "--jobs=two"},
                                        {"optimize", "--jobs", "-3"},
                                        {"optimize", "--jobs", "99999"},
                                        {"optimize", "--yes", (d.path / "nothing-here").string()},
                                        {"preset"},
                                        {"preset", "medium"},
                                        {"restore", "now"}}) {
    Result r = Slim(d, args);
    EXPECT_EQ(r.rc, 2) << args.back();
    EXPECT_FALSE(r.err.empty());
  }
}

TEST(OptimizeCommand, MissingProfileQuestion) {
  Dir d;
  Write(d.path / "web/a.htm", "<html>a</html>");
  // No terminal, no --yes: the question goes to standard error and nothing is written.
  Result r = Slim(d, {"optimize", (d.path / "web").string()});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("Missing profile file\nThe default profile for Slimwright is missing."), std::string::npos);
  EXPECT_EQ(Profile(d), "");
  EXPECT_EQ(FilesList(d), "");
  EXPECT_EQ(Read(d.path / "web/a.htm"), "<html>a</html>");
  // --yes takes the safe preset.
  r = Slim(d, {"optimize", "--yes", "--report", "none", (d.path / "web").string()});
  EXPECT_EQ(r.rc, 0) << r.err;
  sw::IniFile ini(Profile(d));
  EXPECT_EQ(ini.ReadString("Fine Tuning", "StripQuotes", ""), "1");
  EXPECT_EQ(ini.ReadString("Tag Options", "NoDTD", ""), "0");
  EXPECT_EQ(ini.ReadString("General Options", "OutputReport", ""), "0");
  EXPECT_NE(r.out.find("Errors:       0\n"), std::string::npos);
  EXPECT_EQ(r.out.find("Report:"), std::string::npos);
}

TEST(OptimizeCommand, FolderSearchBuildsTheFilesList) {
  Dir d;
  const fs::path web = d.path / "web";
  for (const char* f : {"b.htm", "A.HTML", "c.shtml", "c.htm.srbak", ".h.htm", "notes.txt", "sub/d.htm",
                        ".git/e.htm", "other/f.htm"})
    Write(web / f, "<html>x</html>");
  fs::create_directory_symlink(web / "other", web / "linked");
  fs::create_symlink(web / "other/f.htm", web / "g.htm");
  ASSERT_EQ(Slim(d, {"preset", "safe"}).rc, 0);
  Result r = Slim(d, {"optimize", "--no-backups", "--report", "none", web.string()});
  // The link and its target are one document: optimized once, at the link.
  EXPECT_EQ(r.rc, 1) << r.err;
  EXPECT_NE(r.err.find("other/f.htm: same file as an earlier entry"), std::string::npos) << r.err;
  const std::string w = web.string() + "/";
  EXPECT_EQ(Read(FilesList(d)), w + "A.HTML\r\n" + w + "b.htm\r\n" + w + "c.shtml\r\n" + w + "g.htm\r\n" + w +
                                    "other/f.htm\r\n" + w + "sub/d.htm\r\n");
  EXPECT_FALSE(fs::exists(web / "b.htm.srbak"));
  // Without paths the stored list is used.
  r = Slim(d, {"optimize", "--no-backups"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.out.find(" of 6 of 6 documents"), std::string::npos) << r.out;
}

TEST(OptimizeCommand, UnansweredBackupQuestionTouchesNothingMore) {
  Dir d;
  const fs::path web = d.path / "web";
  Write(web / "a.htm", "<html>a</html>");
  Write(web / "a.htm.srbak", "old");
  Write(web / "b.htm", "<html>b</html>");
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  // Neither a terminal nor --yes may replace an existing backup; the job
  // stops before touching anything and says how to go on.
  for (const char* yes : {"", "--yes"}) {
    std::vector<std::string> args = {"optimize", web.string()};
    if (*yes) args.insert(args.begin() + 1, yes);
    Result r = Slim(d, args);
    EXPECT_EQ(r.rc, 2) << yes;
    EXPECT_NE(r.err.find("the backup " + (web / "a.htm.srbak").string() + " already exists"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--overwrite-backups"), std::string::npos);
    EXPECT_EQ(Read(web / "a.htm.srbak"), "old");
    EXPECT_EQ(Read(web / "a.htm"), "<html>a</html>");
    EXPECT_FALSE(fs::exists(web / "b.htm.srbak"));
  }
  // The flag replaces them, and says so.
  Result r = Slim(d, {"optimize", "--overwrite-backups", "--report", "none", web.string()});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.err.find("(answered Yes by --overwrite-backups)"), std::string::npos);
  EXPECT_EQ(Read(web / "a.htm.srbak"), "<html>a</html>");
  EXPECT_EQ(Read(web / "b.htm.srbak"), "<html>b</html>");
  // Run twice with --yes, the first backups stay the originals.
  Write(web / "a.htm", "<html>a</html>");
  fs::remove(web / "a.htm.srbak");
  fs::remove(web / "b.htm.srbak");
  Write(web / "b.htm", "<html>b</html>");
  EXPECT_EQ(Slim(d, {"optimize", "--yes", "--report", "none"}).rc, 0);
  EXPECT_EQ(Slim(d, {"optimize", "--yes", "--report", "none"}).rc, 2);
  EXPECT_EQ(Read(web / "a.htm.srbak"), "<html>a</html>");
  EXPECT_EQ(Read(web / "b.htm.srbak"), "<html>b</html>");
}

TEST(OptimizeCommand, TerminalAnswersTheBackupQuestionNotTheYesFlag) {
  Dir d;
  const fs::path web = d.path / "web";
  Write(web / "a.htm", "<html>a</html>");
  Write(web / "a.htm.srbak", "old");
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  struct {
    std::string typed;
    int rc;
    std::string backup;
  } cases[] = {{"n\n", 2, "old"}, {"y\n", 0, "<html>a</html>"}};
  for (const auto& c : cases) {
    std::istringstream in(c.typed);
    std::ostringstream out, err;
    sw::cli::Context cx{d.home(), sw::ExecutableBaseName(), &in, &out, &err};
    cx.terminal = true;
    int rc = -1;
    for (const auto& s : sw::cli::Subcommands())
      if (std::string(s.name) == "optimize") rc = s.run({"--yes", "--report", "none", web.string()}, cx);
    EXPECT_EQ(rc, c.rc) << c.typed << err.str();
    EXPECT_NE(err.str().find("Existing backups detected"), std::string::npos);
    EXPECT_EQ(err.str().find("answered Yes by --yes"), std::string::npos);
    EXPECT_EQ(Read(web / "a.htm.srbak"), c.backup);
  }
}

TEST(RestoreCommand, NoFilesList) {
  Dir d;
  Result r = Slim(d, {"restore", "--yes"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("No files list found...nothing to restore"), std::string::npos);
}

TEST(OptimizeCommand, MissingDocumentStopsTheJob) {
  Dir d;
  const fs::path web = d.path / "web";
  Write(web / "a.htm", "<html>a</html>");
  Write(web / "b.htm", "<html>b</html>");
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  ASSERT_EQ(Slim(d, {"optimize", "--yes", "--no-backups", "--report", "none", web.string()}).rc, 0);
  Write(web / "a.htm", "<html>a</html>");
  fs::remove(web / "b.htm");
  Result r = Slim(d, {"optimize", "--yes"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("Missing file...optimization aborted"), std::string::npos);
  EXPECT_EQ(Read(web / "a.htm"), "<html>a</html>");
  EXPECT_FALSE(fs::exists(web / "a.htm.srbak"));
  // With the first entry gone, the pre-check stops it.
  fs::remove(web / "a.htm");
  r = Slim(d, {"optimize", "--yes"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("File list invalid...aborting"), std::string::npos);
}

// The corpus: optimized with the safe preset and backups, then restored.
TEST(OptimizeCommand, CorpusRoundTrip) {
  Dir d;
  const fs::path web = d.path / "web";
  CopyCorpus(web);
  std::vector<fs::path> docs;
  for (const auto& f : fs::recursive_directory_iterator(web))
    if (f.is_regular_file()) docs.push_back(f.path());
  ASSERT_EQ(docs.size(), 45u);
  ASSERT_EQ(Slim(d, {"preset", "safe"}).rc, 0);

  Result r = Slim(d, {"optimize", "--report", "detailed", "--yes", web.string()});
  ASSERT_TRUE(r.rc == 0 || r.rc == 1) << r.err;
  const std::string reportPath = d.home() + "/" + fs::path(Profile(d)).stem().string() + ".r01";
  EXPECT_NE(r.out.find("Report: " + reportPath + "\n"), std::string::npos) << r.out;
  const std::string report = Read(reportPath);
  int refused = 0;
  for (const auto& doc : docs) {
    const fs::path rel = fs::relative(doc, web);
    const std::string original = Read(fs::path(SW_CORPUS_DIR) / rel);
    EXPECT_EQ(Read(doc.string() + ".srbak"), original) << rel;
    EXPECT_NE(report.find("Optimization statistics for: \r\n" + doc.string() + "\r\n"), std::string::npos) << rel;
    EXPECT_NE(report.find("\r\n" + doc.string() + "\r\n"), std::string::npos) << rel;
    if (Read(doc) == original) ++refused;
  }
  // Every document was rewritten, or refused and counted.
  const size_t at = report.find("Errors recorded in this job: ");
  const int errors = at == std::string::npos ? 0 : std::stoi(report.substr(at + 29));
  EXPECT_LE(refused, errors + 1);
  EXPECT_EQ(r.rc, errors > 0 ? 1 : 0);

  r = Slim(d, {"restore", "--yes"});
  EXPECT_EQ(r.rc, 0) << r.err;
  for (const auto& doc : docs) {
    EXPECT_EQ(Read(doc), Read(fs::path(SW_CORPUS_DIR) / fs::relative(doc, web))) << doc;
    EXPECT_FALSE(fs::exists(doc.string() + ".srbak"));
  }
}

TEST(OptimizeCommand, AnalysisLeavesTheWebUntouched) {
  Dir d;
  const fs::path web = d.path / "web";
  CopyCorpus(web);
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  sw::IniFile(Profile(d)).WriteString("General Options", "AnalysisPath", (d.path / "work").string());
  fs::create_directories(d.path / "work");
  Result r = Slim(d, {"optimize", "--analysis", "--report", "brief", "--yes", web.string()});
  ASSERT_TRUE(r.rc == 0 || r.rc == 1) << r.err;
  EXPECT_NE(r.out.find("(documents left untouched)"), std::string::npos);
  for (const auto& f : fs::recursive_directory_iterator(web)) {
    if (!f.is_regular_file()) continue;
    EXPECT_EQ(f.path().extension() == ".srbak", false) << f.path();
    EXPECT_EQ(Read(f.path()), Read(fs::path(SW_CORPUS_DIR) / fs::relative(f.path(), web)));
  }
  EXPECT_FALSE(fs::exists(d.path / "work/w$t"));
  EXPECT_FALSE(fs::exists(d.home() + "/analysis.lst"));
  const std::string report = Read(d.home() + "/" + fs::path(Profile(d)).stem().string() + ".r01");
  EXPECT_NE(report.find("Total HTML files processed:                  45\r\n"), std::string::npos);
  EXPECT_EQ(report.find("w$t"), std::string::npos);
}

// A second job in the same home is refused before it touches anything.
TEST(OptimizeCommand, SecondJobInTheHomeIsRefused) {
  Dir d;
  const fs::path web = d.path / "web";
  Write(web / "a.htm", "<html>a</html>");
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  sw::JobLock running;
  ASSERT_TRUE(running.Take(d.home()));
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"optimize", "--yes", web.string()}, std::vector<std::string>{"restore", "--yes"}}) {
    Result r = Slim(d, args);
    EXPECT_EQ(r.rc, 2) << args[0];
    EXPECT_NE(r.err.find("Job already running"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Another job is running in the program home " + d.home() + "."), std::string::npos);
  }
  EXPECT_EQ(Read(web / "a.htm"), "<html>a</html>");
  EXPECT_FALSE(fs::exists(web / "a.htm.srbak"));
  EXPECT_EQ(FilesList(d), "");
  running.Release();
  EXPECT_EQ(Slim(d, {"optimize", "--yes", "--report", "none", web.string()}).rc, 0);
}

// Every document the job leaves as it was is named on standard error with
// its reason, also without a report; names a files list cannot hold are
// skipped by the search with a warning.
TEST(OptimizeCommand, FailuresAndUnlistableNamesAreNamed) {
  Dir d;
  const fs::path web = d.path / "web";
  Write(web / "a.htm", "<html>a</html>");
  Write(web / "ro.htm", "<html>ro</html>");
  Write(web / "two\nlines.htm", "<html>x</html>");
  Write(web / "sub\r/c.htm", "<html>c</html>");
  fs::permissions(web / "ro.htm", fs::perms(0444));
  ASSERT_EQ(Slim(d, {"preset", "maximum"}).rc, 0);
  Result r = Slim(d, {"optimize", "--yes", "--report", "none", web.string()});
  EXPECT_EQ(r.rc, 1) << r.err;
  EXPECT_NE(r.err.find("slimwright optimize: " + (web / "ro.htm").string() +
                       ": write error...disk full or unable to overwrite existing file\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("warning: skipped " + web.string() + "/two\\nlines.htm: a files list cannot hold a name"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("warning: skipped " + web.string() + "/sub\\r:"), std::string::npos) << r.err;
  EXPECT_EQ(Read(FilesList(d)), (web / "a.htm").string() + "\r\n" + (web / "ro.htm").string() + "\r\n");
  EXPECT_EQ(Read(web / "ro.htm"), "<html>ro</html>");
  EXPECT_EQ(Read(web / "two\nlines.htm"), "<html>x</html>");
}

TEST(OptimizeCommand, HelpNamesTheBackupFlagAndTheListItReplaces) {
  Dir d;
  Result r = Slim(d, {"--help"});
  EXPECT_NE(r.out.find("[--overwrite-backups]"), std::string::npos);
  EXPECT_NE(r.out.find("PATH... first replaces the files list"), std::string::npos);
  EXPECT_NE(r.out.find("restore then covers those documents"), std::string::npos);
  EXPECT_NE(r.out.find("--yes never replaces existing backups"), std::string::npos);
}

// "slimwright COMMAND --help" shows that command's usage and does nothing else:
// without it, filter would wait on standard input and optimize would run.
TEST(Subcommands, HelpShowsTheUsageAndTouchesNothing) {
  for (const char* cmd : {"optimize", "filter", "restore", "erase", "terms", "preset"}) {
    Dir d;
    Result r = Slim(d, {cmd, "--help"});
    EXPECT_EQ(r.rc, 0) << cmd << r.err;
    EXPECT_EQ(r.out.rfind(std::string("Usage: slimwright [--home DIR] ") + cmd, 0), 0u) << cmd << r.out;
    EXPECT_EQ(Profile(d), "") << cmd;
  }
}

// Ways a job could lose a page's only original: each must leave the page or
// its backup exactly as it was, and say what happened.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "engine/driver.h"
#include "engine/safefile.h"
#include "jobs/analysis.h"
#include "jobs/copyfile.h"
#include "jobs/fileslist.h"
#include "jobs/joblock.h"
#include "jobs/jobrun.h"
#include "jobs/restore.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"

using namespace swtest;
using sw::Answer;

namespace {

const char* kDoc = "<html>colour</html>\n";
const char* kDone = "<html>color</html>\n";

// A home whose profile changes one word, and a web of documents.
struct Home {
  TempDir dir;
  sw::IniFile profile{dir / "slimwright.INI"};
  ScriptedPrompt prompt;

  Home() {
    profile.WriteString("General Options", "OutputReport", "1");
    profile.WriteString("Custom Search and Replace", "CustomReplace1", "colour^^color^^0");
    profile.WriteString("Custom Search and Replace", "ExecCustomReplace1", "1");
  }
  std::string Doc(const std::string& name, const std::string& text = kDoc) {
    WriteFile(dir / ("web/" + name), text);
    return dir / ("web/" + name);
  }
  void List(const std::vector<std::string>& entries) { sw::WriteLines(dir / "slimwright.lst", entries); }
  void Configure(sw::JobRun& run, bool backups = true) {
    run.config.programDir = dir.path().string();
    run.config.profilePath = dir / "slimwright.INI";
    run.config.filesListPath = dir / "slimwright.lst";
    run.config.backupsEnabled = backups;
    run.config.outputReport = true;
  }
  sw::JobOutcome Run(sw::JobProgress* progress = nullptr, bool backups = true) {
    sw::JobRun run(profile, prompt, progress);
    Configure(run, backups);
    return run.Run();
  }
  // The error records, as the job statistics hold them.
  std::string Errors() const { return ReadFile(dir / "~htmlwrk.tmp"); }
};

// Records the failures the job reports, and can act just before an entry.
struct Watch : sw::JobProgress {
  std::vector<std::pair<int, int32_t>> failed;
  std::function<void(int)> before;
  void CurrentFile(int index, const std::string&) override {
    if (before) before(index);
  }
  void DocumentFailed(int index, const std::string&, int32_t code) override { failed.push_back({index, code}); }
};

using Failed = std::vector<std::pair<int, int32_t>>;

}  // namespace

// Entries that name one file: one backup, one optimization, one restore.
TEST(JobSafety, EntriesNamingOneFileAreOneDocument) {
  struct Case {
    const char* what;
    std::function<std::vector<std::string>(Home&, const std::string&)> entries;
  } cases[] = {
      {"same path twice", [](Home&, const std::string& a) { return std::vector<std::string>{a, a}; }},
      {"dot in the path",
       [](Home& h, const std::string& a) { return std::vector<std::string>{a, h.dir / "web/./a.htm"}; }},
      {"link, then target",
       [](Home& h, const std::string& a) {
         fs::create_symlink(a, h.dir / "web/l.htm");
         return std::vector<std::string>{h.dir / "web/l.htm", a};
       }},
      {"target, then link",
       [](Home& h, const std::string& a) {
         fs::create_symlink(a, h.dir / "web/l.htm");
         return std::vector<std::string>{a, h.dir / "web/l.htm"};
       }},
  };
  for (const auto& c : cases) {
    Home h;
    const std::string a = h.Doc("a.htm");
    const std::string b = h.Doc("b.htm");
    std::vector<std::string> entries = c.entries(h, a);
    entries.push_back(b);
    h.List(entries);
    Watch watch;
    sw::JobOutcome out = h.Run(&watch);
    EXPECT_EQ(out.end, sw::RunEnd::Completed) << c.what;
    EXPECT_EQ(ReadFile(a), kDone) << c.what;
    EXPECT_EQ(ReadFile(b), kDone) << c.what;
    EXPECT_EQ(ReadFile(entries[0] + ".srbak"), kDoc) << c.what;
    int backups = 0;
    for (const auto& f : fs::directory_iterator(h.dir / "web")) backups += f.path().extension() == ".srbak";
    EXPECT_EQ(backups, 2) << c.what;
    EXPECT_EQ(watch.failed, (Failed{{1, sw::kSameDocument}})) << c.what;
    EXPECT_EQ(out.totals.ErrorCount, 1) << c.what;
    EXPECT_NE(h.Errors().find("(same file as an earlier entry of the list...backed up\r\n"
                              " and optimized once, at that entry)"),
              std::string::npos)
        << c.what;
    // Restore gives the original back, once, and says so truthfully.
    h.prompt.answers["Confirming restoration"] = {Answer::Yes};
    sw::BackupRestore restore(h.dir / "slimwright.lst", h.prompt);
    EXPECT_EQ(restore.Run(), sw::RestoreResult::Complete) << c.what;
    EXPECT_EQ(restore.counts.restored, 2) << c.what;
    EXPECT_EQ(ReadFile(a), kDoc) << c.what;
    EXPECT_EQ(ReadFile(b), kDoc) << c.what;
    EXPECT_FALSE(fs::is_symlink(a)) << c.what;
  }
}

// A listed backup of another entry (by name, or through a link to it) is
// that page's only original: neither rewritten nor backed up over.
TEST(JobSafety, ListedBackupIsNeverRewritten) {
  for (bool throughLink : {false, true}) {
    Home h;
    const std::string a = h.Doc("a.htm");
    WriteFile(a + ".srbak", "original");
    std::string listed = a + ".srbak";
    if (throughLink) {
      listed = h.dir / "web/b.htm";
      fs::create_symlink(a + ".srbak", listed);
    }
    h.List({listed, a});
    h.prompt.answers["Existing backups detected"] = {Answer::Yes};
    Watch watch;
    h.Run(&watch);
    EXPECT_EQ(ReadFile(a + ".srbak"), kDoc) << throughLink;  // a fresh backup of a, as asked
    EXPECT_FALSE(fs::exists(a + ".srbak.srbak")) << throughLink;
    EXPECT_EQ(watch.failed, (Failed{{0, sw::kIsBackup}})) << throughLink;
    EXPECT_EQ(ReadFile(a), kDone) << throughLink;
  }
}

// Anything but a regular file at the backup's name: never written through,
// never restored from.
TEST(JobSafety, BackupNameThatIsNoFile) {
  struct Case {
    const char* what;
    std::function<void(const std::string& doc, const std::string& backup)> make;
  } cases[] = {
      {"link to the document", [](const std::string& d, const std::string& b) { fs::create_symlink(d, b); }},
      {"link to another file",
       [](const std::string& d, const std::string& b) {
         WriteFile(fs::path(d).parent_path() / "other.txt", "other");
         fs::create_symlink(fs::path(d).parent_path() / "other.txt", b);
       }},
      {"dangling link", [](const std::string&, const std::string& b) { fs::create_symlink("/nowhere/x", b); }},
      {"folder", [](const std::string&, const std::string& b) { fs::create_directories(b); }},
  };
  for (const auto& c : cases) {
    Home h;
    const std::string a = h.Doc("a.htm");
    const std::string backup = a + ".srbak";
    c.make(a, backup);
    h.List({a});
    Watch watch;
    sw::JobOutcome out = h.Run(&watch);
    EXPECT_TRUE(h.prompt.asked.empty()) << c.what;
    EXPECT_EQ(ReadFile(a), kDoc) << c.what;
    EXPECT_FALSE(fs::is_symlink(a)) << c.what;
    EXPECT_EQ(watch.failed, (Failed{{0, sw::kBackupFailed}})) << c.what;
    if (fs::exists(fs::path(a).parent_path() / "other.txt"))
      EXPECT_EQ(ReadFile(fs::path(a).parent_path() / "other.txt"), "other") << c.what;
    EXPECT_FALSE(fs::is_regular_file(fs::symlink_status(backup))) << c.what;
    // Restore finds no backup and changes nothing.
    h.prompt.answers["Confirming restoration"] = {Answer::Yes};
    sw::BackupRestore restore(h.dir / "slimwright.lst", h.prompt);
    EXPECT_EQ(restore.Run(), sw::RestoreResult::NoBackups) << c.what;
    EXPECT_EQ(ReadFile(a), kDoc) << c.what;
    EXPECT_FALSE(fs::is_symlink(a)) << c.what;
  }
}

// An entry that climbs out of the analysis folder is the real document: it
// stays, and so does every other file outside the folder.
TEST(JobSafety, AnalysisCopiesStayInTheirFolder) {
  Home h;
  const std::string a = h.Doc("a.htm");
  h.List({"/../.." + a, a + "/../a.htm"});
  sw::AnalysisRun analysis(h.prompt);
  fs::create_directories(h.dir / "work");
  analysis.analysisPath = h.dir / "work";
  analysis.filesListPath = h.dir / "slimwright.lst";
  analysis.analysisListPath = h.dir / "analysis.lst";
  analysis.programDir = h.dir.path().string();
  // Answered Yes, the copy question must still never remove the document.
  h.prompt.answers[h.dir / "work/w$t" + a + " already exists"] = {Answer::Yes};
  ASSERT_TRUE(analysis.Prepare());
  std::vector<std::string> copies;
  ASSERT_TRUE(sw::ReadFilesList(h.dir / "analysis.lst", copies));
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0], h.dir / "work/w$t" + a);
  sw::JobRun run(h.profile, h.prompt);
  h.Configure(run);
  run.config.analysisMode = true;
  run.config.analysisDirectory = analysis.Folder();
  run.Run();
  analysis.Finish();
  EXPECT_EQ(ReadFile(a), kDoc);
  EXPECT_FALSE(fs::exists(a + ".srbak"));
}

TEST(JobSafety, AnalysisCopyOutsideItsFolderIsRefused) {
  Home h;
  const std::string a = h.Doc("a.htm");
  fs::create_directories(h.dir / "work/w$t");
  h.List({a});
  sw::WriteLines(h.dir / "analysis.lst", {h.dir / "work/w$t/../../web/a.htm"});
  Watch watch;
  sw::JobRun run(h.profile, h.prompt, &watch);
  h.Configure(run);
  run.config.analysisMode = true;
  run.config.analysisDirectory = h.dir / "work/w$t";
  run.Run();
  EXPECT_EQ(ReadFile(a), kDoc);
  EXPECT_EQ(watch.failed, (Failed{{0, sw::kCopyOutside}}));
}

TEST(JobSafety, CopyNeverReplacesItsOwnSource) {
  TempDir dir;
  WriteFile(dir / "a.htm", kDoc);
  fs::create_symlink(dir / "a.htm", dir / "l.htm");
  ScriptedPrompt prompt;
  for (int options : {sw::kCopyPlain, sw::kCopyAnalysis}) {
    for (const std::string& dst : {dir / "a.htm", dir / "./a.htm", dir / "l.htm"}) {
      prompt.answers[dst + " already exists"] = {Answer::Yes};
      EXPECT_TRUE(sw::CopyFileWithOptions(dir / "a.htm", dst, options, &prompt)) << options << dst;
      EXPECT_EQ(ReadFile(dir / "a.htm"), kDoc) << options << dst;
      EXPECT_TRUE(fs::is_symlink(dir / "l.htm"));
    }
  }
}

TEST(JobSafety, FilesListEntriesAreMadeAbsoluteAndNormal) {
  TempDir dir;
  WriteFile(dir / "list.lst", Crlf({"/../../w/a.htm", "/w/./b.htm", "/w/x/../c.htm", "", "/w//d.htm"}));
  std::vector<std::string> entries;
  ASSERT_TRUE(sw::ReadDocumentList(dir / "list.lst", entries));
  EXPECT_EQ(entries, (std::vector<std::string>{"/w/a.htm", "/w/b.htm", "/w/c.htm", "/w/d.htm"}));
}

// One job per home, released however its holder ends.
TEST(JobSafety, OneJobPerHome) {
  TempDir dir;
  const std::string home = dir.path().string();
  sw::JobLock first, second;
  ASSERT_TRUE(first.Take(home));
  ScriptedPrompt prompt;
  EXPECT_FALSE(sw::TakeJobLock(second, home, prompt));
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].caption, "Job already running");
  EXPECT_NE(prompt.asked[0].text.find(home), std::string::npos);
  first.Release();
  EXPECT_TRUE(second.Take(home));
  second.Release();

  // A holder killed outright leaves the home free.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    sw::JobLock held;
    char c = held.Take(home) ? 'y' : 'n';
    if (::write(ready[1], &c, 1) != 1) _exit(1);
    ::pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_EQ(c, 'y');
  EXPECT_FALSE(first.Take(home));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(first.Take(home));
  ::close(ready[0]);
  ::close(ready[1]);
}

// Read-only documents (the owner's write bit off) are left alone, even by a
// job that could write them anyway; no backup is made of them.
TEST(JobSafety, ReadOnlyDocumentsAreNotRewritten) {
  struct {
    unsigned mode;
    bool rewritten;
  } cases[] = {{0444, false}, {0464, false}, {0555, false}, {0644, true}, {0600, true}};
  for (const auto& c : cases) {
    Home h;
    const std::string a = h.Doc("a.htm");
    fs::permissions(a, fs::perms(c.mode));
    h.List({a});
    Watch watch;
    h.Run(&watch);
    EXPECT_EQ(ReadFile(a), c.rewritten ? kDone : kDoc) << std::oct << c.mode;
    EXPECT_EQ(unsigned(fs::status(a).permissions() & fs::perms::all), c.mode) << std::oct << c.mode;
    EXPECT_EQ(fs::exists(a + ".srbak"), c.rewritten) << std::oct << c.mode;
    EXPECT_EQ(watch.failed, (c.rewritten ? Failed{} : Failed{{0, sw::kWriteError}})) << std::oct << c.mode;
    fs::permissions(a, fs::perms(0644));
  }
}

TEST(JobSafety, RewriteAndBackupKeepTheOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give files away";
  Home h;
  const std::string a = h.Doc("a.htm");
  ASSERT_EQ(::chown(a.c_str(), 12345, 23456), 0);
  h.List({a});
  h.Run();
  ASSERT_EQ(ReadFile(a), kDone);
  for (const std::string& f : {a, a + ".srbak"}) {
    struct stat st;
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 12345u) << f;
    EXPECT_EQ(st.st_gid, 23456u) << f;
  }
}

// A document that goes away, turns into a folder or cannot be read between
// the list check and its turn gets its own record, with or without backups.
TEST(JobSafety, EveryFailureHasItsOwnRecord) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> change;
    int32_t code;
    const char* record;
  } cases[] = {
      {"gone", [](const std::string& d) { fs::remove(d); }, sw::kNotFound, "(file not found...unable to process)"},
      {"folder",
       [](const std::string& d) {
         fs::remove(d);
         fs::create_directories(d);
       },
       sw::kNotFound, "(file not found...unable to process)"},
      {"no regular file",
       [](const std::string& d) {
         fs::remove(d);
         ::mkfifo(d.c_str(), 0644);
       },
       sw::kReadError, "(read error...unable to open or read the file;"},
  };
  for (bool backups : {true, false}) {
    for (const auto& c : cases) {
      Home h;
      const std::string a = h.Doc("a.htm");
      const std::string b = h.Doc("b.htm");
      h.List({a, b});
      Watch watch;
      watch.before = [&](int i) {
        if (i == 1) c.change(b);
      };
      sw::JobOutcome out = h.Run(&watch, backups);
      EXPECT_EQ(watch.failed, (Failed{{1, c.code}})) << c.what << backups;
      EXPECT_EQ(out.totals.ErrorCount, 1) << c.what;
      EXPECT_NE(h.Errors().find(b + "\r\n" + c.record), std::string::npos) << c.what << h.Errors();
      EXPECT_EQ(h.Errors().find("backup failed"), std::string::npos) << c.what;
      EXPECT_FALSE(fs::exists(b + ".srbak")) << c.what;
      EXPECT_EQ(ReadFile(a), kDone);
    }
  }
}

// The hidden temporary of an interrupted write goes when its document next
// comes up; temporaries of other files stay.
TEST(JobSafety, LeftoverTemporariesAreRemoved) {
  Home h;
  const std::string a = h.Doc("a.htm");
  const std::string b = h.Doc("b.htm");
  fs::create_directories(h.dir / "site");
  fs::create_symlink(h.dir / "site/t.htm", h.dir / "web/t.htm");
  WriteFile(h.dir / "site/t.htm", kDoc);
  struct {
    std::string path;
    bool removed;
  } temps[] = {{h.dir / "web/.a.htm.swtmpAb12Cd", true},
               {h.dir / "web/.a.htm.srbak.swtmpXy34Zw", true},
               {h.dir / "site/.t.htm.swtmpQq56Rr", true},
               {h.dir / "web/.b.htm.swtmpKeep01", false},   // b is not in this job
               {h.dir / "web/.a.htm.swtmpTooLong1", false},  // not a name the writer makes
               {h.dir / "web/a.htm.swtmpAb12Cd", false}};
  for (const auto& t : temps) WriteFile(t.path, "half a page");
  h.List({a, h.dir / "web/t.htm"});
  h.Run();
  for (const auto& t : temps) EXPECT_EQ(fs::exists(t.path), !t.removed) << t.path;
  EXPECT_EQ(ReadFile(b), kDoc);
  EXPECT_EQ(ReadFile(h.dir / "site/t.htm"), kDone);
}

namespace {
// Writes half of what it is given to files whose name ends in the suffix,
// then fails as a full disk does.
std::string gFailSuffix;
ssize_t HalfThenFull(const std::string& target, int fd, const char* data, size_t size) {
  if (target.size() >= gFailSuffix.size() && target.ends_with(gFailSuffix)) {
    if (size > 1) return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
  }
  return ::write(fd, data, size);
}
struct FailingWrites {
  explicit FailingWrites(std::string suffix) {
    gFailSuffix = std::move(suffix);
    sw::SetWriteFunctionForTesting(HalfThenFull);
  }
  ~FailingWrites() { sw::SetWriteFunctionForTesting(nullptr); }
};
}  // namespace

// A disk that fills up half-way through a write: the file it was to replace
// is unchanged, no temporary is left, and the failure is recorded.
TEST(JobSafety, WriteFailingHalfWay) {
  struct {
    const char* suffix;
    int32_t code;
    bool backup;
  } cases[] = {{".srbak", sw::kBackupFailed, false}, {"a.htm", sw::kWriteError, true}};
  for (const auto& c : cases) {
    Home h;
    const std::string a = h.Doc("a.htm", std::string(kDoc) + std::string(100000, ' ') + "<p>colour</p>");
    const std::string original = ReadFile(a);
    h.List({a});
    Watch watch;
    {
      FailingWrites failing(c.suffix);
      h.Run(&watch);
    }
    EXPECT_EQ(ReadFile(a), original) << c.suffix;
    EXPECT_EQ(watch.failed, (Failed{{0, c.code}})) << c.suffix;
    EXPECT_EQ(fs::exists(a + ".srbak"), c.backup) << c.suffix;
    if (c.backup) EXPECT_EQ(ReadFile(a + ".srbak"), original);
    for (const auto& f : fs::directory_iterator(h.dir / "web"))
      EXPECT_EQ(f.path().filename().string().find(".swtmp"), std::string::npos) << f.path();
  }
}

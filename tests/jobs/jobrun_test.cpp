#include "jobs/jobrun.h"

#include <gtest/gtest.h>

#include "jobs/analysis.h"
#include "jobs/fileslist.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"

using namespace swtest;
using sw::Answer;

namespace {

const char* kDoc = "<html>colour</html>\n";
const char* kDone = "<html>color</html>\n";

// A home with a profile whose only change is one custom term, and n
// documents listed in the files list.
struct Job {
  TempDir dir;
  sw::IniFile profile{dir / "slimwright.INI"};
  ScriptedPrompt prompt;
  std::vector<std::string> docs;

  explicit Job(int n, bool report = true) {
    profile.WriteString("General Options", "OutputReport", report ? "1" : "0");
    profile.WriteString("Custom Search and Replace", "CustomReplace1", "colour^^color^^0");
    profile.WriteString("Custom Search and Replace", "ExecCustomReplace1", "1");
    for (int i = 1; i <= n; ++i) {
      docs.push_back(dir / ("web/doc" + std::to_string(i) + ".htm"));
      WriteFile(docs.back(), kDoc);
    }
    sw::WriteLines(dir / "slimwright.lst", docs);
  }
  void Configure(sw::JobRun& run, bool backups = true) {
    run.config.programDir = dir.path().string();
    run.config.profilePath = dir / "slimwright.INI";
    run.config.filesListPath = dir / "slimwright.lst";
    run.config.backupsEnabled = backups;
    run.config.outputReport = profile.ReadInt("General Options", "OutputReport", 0) > 0;
  }
};

// Requests the abort after a given document, like the Abort button.
struct AbortAfter : sw::JobProgress {
  sw::JobRun* run = nullptr;
  int after;
  int withdrawn = 0;
  std::vector<std::string> files;
  explicit AbortAfter(int n) : after(n) {}
  void CurrentFile(int, const std::string& name) override { files.push_back(name); }
  void DocumentDone(const sw::RunTotals& t, int) override {
    if (t.FilesProcessed == after) run->RequestAbort();
  }
  void AbortWithdrawn() override { ++withdrawn; }
};

}  // namespace

TEST(JobRun, MissingThirdDocumentStopsBeforeAnythingIsTouched) {
  Job job(5);
  fs::remove(job.docs[2]);
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(out.end, sw::RunEnd::MissingFile);
  EXPECT_EQ(out.missingPath, job.docs[2]);
  ASSERT_EQ(job.prompt.asked.size(), 1u);
  EXPECT_EQ(job.prompt.asked[0].caption, "Missing file...optimization aborted");
  EXPECT_EQ(job.prompt.asked[0].text,
            "Slimwright was unable to find " + job.docs[2] +
                ". Continuing with the optimization could result in damaged files and erroneous optimization "
                "statistics.\n\nRebuild the files list selecting only files which currently exist on your system "
                "prior to retrying optimization.");
  for (size_t i = 0; i < job.docs.size(); ++i) {
    if (i == 2) continue;
    EXPECT_EQ(ReadFile(job.docs[i]), kDoc);
    EXPECT_FALSE(fs::exists(job.docs[i] + ".srbak"));
  }
  EXPECT_EQ(out.totals.FilesProcessed, 0);
  EXPECT_FALSE(out.statisticsWritten);
  EXPECT_FALSE(fs::exists(job.dir / "~htmlwrk.tmp"));
  EXPECT_FALSE(run.Running());
}

TEST(JobRun, BackupsBesideEachDocumentAndOneQuestionPerRun) {
  Job job(6);
  WriteFile(job.docs[4] + ".srbak", "old five");
  WriteFile(job.docs[5] + ".srbak", "old six");
  job.prompt.answers["Existing backups detected"] = {Answer::Yes};
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(out.end, sw::RunEnd::Completed);
  EXPECT_EQ(job.prompt.Captions(), std::vector<std::string>{"Existing backups detected"});
  EXPECT_EQ(job.prompt.asked[0].icon, sw::Icon::Warning);
  for (const auto& d : job.docs) {
    EXPECT_EQ(ReadFile(d), kDone) << d;
    EXPECT_EQ(ReadFile(d + ".srbak"), kDoc) << d;
  }
  EXPECT_EQ(out.totals.FilesProcessed, 6);
  EXPECT_EQ(out.totals.ErrorCount, 0);

  // A second run asks again and backs up the optimized documents.
  job.prompt.answers["Existing backups detected"] = {Answer::Yes};
  run.Run();
  EXPECT_EQ(job.prompt.Count("Existing backups detected"), 2);
  EXPECT_EQ(ReadFile(job.docs[0] + ".srbak"), kDone);
}

TEST(JobRun, DecliningExistingBackupsLeavesTheRestUntouched) {
  Job job(6);
  WriteFile(job.docs[4] + ".srbak", "old five");
  job.prompt.answers["Existing backups detected"] = {Answer::No};
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(out.end, sw::RunEnd::BackupsDeclined);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ReadFile(job.docs[size_t(i)]), kDone);
    EXPECT_EQ(ReadFile(job.docs[size_t(i)] + ".srbak"), kDoc);
  }
  EXPECT_EQ(ReadFile(job.docs[4]), kDoc);
  EXPECT_EQ(ReadFile(job.docs[4] + ".srbak"), "old five");
  EXPECT_EQ(ReadFile(job.docs[5]), kDoc);
  EXPECT_FALSE(fs::exists(job.docs[5] + ".srbak"));
  // The documents done so far still get their statistics.
  EXPECT_TRUE(out.statisticsWritten);
  EXPECT_EQ(out.totals.FilesProcessed, 4);
}

TEST(JobRun, FailedBackupLeavesTheDocumentAndCountsAnError) {
  Job job(3);
  fs::create_directories(job.docs[1] + ".srbak");  // nothing can be copied there
  job.prompt.answers["Existing backups detected"] = {Answer::Yes};
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(out.end, sw::RunEnd::Completed);
  EXPECT_EQ(ReadFile(job.docs[0]), kDone);
  EXPECT_EQ(ReadFile(job.docs[1]), kDoc);
  EXPECT_EQ(ReadFile(job.docs[2]), kDone);
  EXPECT_EQ(out.totals.ErrorCount, 1);
  EXPECT_EQ(out.totals.FilesProcessed, 3);
  const std::string stats = ReadFile(job.dir / "~htmlwrk.tmp");
  EXPECT_NE(stats.find("Errors recorded in this job: 1\r\nSpecific errors:\r\n" + job.docs[1] +
                       "\r\n(backup failed...the backup copy could not be written;\r\n"
                       " the document was left unchanged)\r\n\r\n"),
            std::string::npos)
      << stats;
}

TEST(JobRun, BackupOfAPrivateDocumentStaysPrivate) {
  Job job(1);
  fs::permissions(job.docs[0], fs::perms(0600));
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  run.Run();
  EXPECT_EQ(ReadFile(job.docs[0] + ".srbak"), kDoc);
  EXPECT_EQ(fs::status(job.docs[0] + ".srbak").permissions() & (fs::perms::group_all | fs::perms::others_all),
            fs::perms::none);
  EXPECT_EQ(fs::status(job.docs[0]).permissions() & fs::perms::all, fs::perms(0600));
}

TEST(JobRun, NoBackupsWhenSwitchedOff) {
  Job job(2);
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run, false);
  run.Run();
  for (const auto& d : job.docs) {
    EXPECT_EQ(ReadFile(d), kDone);
    EXPECT_FALSE(fs::exists(d + ".srbak"));
  }
}

struct AbortCase {
  Answer abort;
  Answer incomplete;  // Ok: the question must not come
  int optimized;
  bool statistics;
};

class JobRunAbort : public ::testing::TestWithParam<AbortCase> {};

TEST_P(JobRunAbort, StopsBeforeTheNextDocumentOrGoesOn) {
  const AbortCase c = GetParam();
  Job job(5);
  job.prompt.answers["Confirming abort"] = {c.abort};
  if (c.incomplete != Answer::Ok) job.prompt.answers["Incomplete report"] = {c.incomplete};
  AbortAfter progress(2);
  sw::JobRun run(job.profile, job.prompt, &progress);
  progress.run = &run;
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(job.prompt.Count("Confirming abort"), 1);
  EXPECT_EQ(job.prompt.Count("Incomplete report"), c.incomplete == Answer::Ok ? 0 : 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ReadFile(job.docs[size_t(i)]), i < c.optimized ? kDone : kDoc) << i;
  EXPECT_EQ(out.totals.FilesProcessed, c.optimized);
  EXPECT_EQ(out.statisticsWritten, c.statistics);
  EXPECT_EQ(out.end, c.abort == Answer::Yes ? sw::RunEnd::Aborted : sw::RunEnd::Completed);
  EXPECT_EQ(progress.withdrawn, c.abort == Answer::No ? 1 : 0);
  EXPECT_EQ(progress.files.size(), size_t(c.optimized));
  // The percentage covers the documents done: 5 of 20 bytes saved each.
  EXPECT_EQ(out.percentText, "5%");
}

INSTANTIATE_TEST_SUITE_P(Answers, JobRunAbort,
                         ::testing::Values(AbortCase{Answer::Yes, Answer::Yes, 2, true},
                                           AbortCase{Answer::Yes, Answer::No, 2, false},
                                           AbortCase{Answer::No, Answer::Ok, 5, true}));

TEST(JobRun, PercentText) {
  struct {
    int before, after;
    const char* want;
  } cases[] = {{1000, 333, "66%"}, {1000, 1000, ""}, {1000, 1200, ""}, {0, 0, ""}, {2000000000, 1, "99%"}};
  for (const auto& c : cases) {
    sw::RunTotals t;
    t.BytesBefore = c.before;
    t.BytesAfter = c.after;
    EXPECT_EQ(sw::JobRun::PercentText(t), c.want) << c.before << " " << c.after;
  }
}

TEST(JobRun, ReportOffWritesNoStatistics) {
  Job job(2, false);
  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  sw::JobOutcome out = run.Run();
  EXPECT_FALSE(out.statisticsWritten);
  EXPECT_TRUE(run.ReportPath().empty());
  EXPECT_FALSE(fs::exists(job.dir / "~htmlwrk.tmp"));
}

TEST(JobRun, AnalysisRunTouchesOnlyTheCopies) {
  Job job(3);
  job.profile.WriteString("General Options", "WriteDetailedStats", "1");
  sw::AnalysisRun analysis(job.prompt);
  fs::create_directories(job.dir / "work");
  analysis.analysisPath = job.dir / "work";
  analysis.filesListPath = job.dir / "slimwright.lst";
  analysis.analysisListPath = job.dir / "analysis.lst";
  analysis.programDir = job.dir.path().string();
  ASSERT_TRUE(analysis.Prepare());
  const std::string workDir = job.dir / "work/w$t";
  EXPECT_EQ(analysis.WorkingDirectory(), workDir);
  std::vector<std::string> copies;
  ASSERT_TRUE(sw::ReadFilesList(job.dir / "analysis.lst", copies));
  ASSERT_EQ(copies.size(), 3u);
  EXPECT_EQ(copies[0], workDir + job.docs[0]);

  sw::JobRun run(job.profile, job.prompt);
  job.Configure(run);
  run.config.analysisMode = true;
  sw::JobOutcome out = run.Run();
  EXPECT_EQ(out.end, sw::RunEnd::Completed);
  EXPECT_TRUE(job.prompt.asked.empty());
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(ReadFile(copies[i]), "Optimization complete for file " + std::to_string(i) + "\r\n");
    EXPECT_EQ(ReadFile(job.docs[i]), kDoc);
    EXPECT_FALSE(fs::exists(job.docs[i] + ".srbak"));
    EXPECT_FALSE(fs::exists(copies[i] + ".srbak"));
  }
  EXPECT_EQ(out.totals.BytesBefore - out.totals.BytesAfter, 3);
  // Statistics name the documents, not the copies.
  const std::string stats = ReadFile(job.dir / "~htmlwrk.tmp");
  EXPECT_NE(stats.find("Optimization statistics for: \r\n" + job.docs[2] + "\r\n"), std::string::npos);
  EXPECT_EQ(stats.find(workDir), std::string::npos);

  analysis.Finish();
  EXPECT_FALSE(fs::exists(workDir));
  EXPECT_TRUE(fs::exists(job.dir / "work"));
  EXPECT_FALSE(fs::exists(job.dir / "analysis.lst"));
}

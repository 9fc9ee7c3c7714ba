#include "jobs/report.h"

#include <gtest/gtest.h>

#include "jobs/fileslist.h"
#include "jobs/jobrun.h"
#include "jobs/statistics.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"

using namespace swtest;

namespace {

std::tm FixedTime() {
  std::tm t{};
  t.tm_year = 97;
  t.tm_mon = 11;
  t.tm_mday = 6;
  t.tm_hour = 10;
  t.tm_min = 15;
  t.tm_sec = 30;
  return t;
}

std::string Expected(const std::string& name, const std::string& dir) {
  std::string s = ReadFile(fs::path(SW_SOURCE_DIR) / "tests/jobs/data" / name);
  EXPECT_FALSE(s.empty()) << name;
  for (size_t p; (p = s.find("@DIR@")) != std::string::npos;) s.replace(p, 5, dir);
  return s;
}

struct Doc {
  const char* name;
  std::string text;
};

struct Scenario {
  bool detailed = true;
  bool switches = true;  // STRONGtoB, CODEToTT and CRLFToLF on
  std::vector<std::pair<std::string, int>> terms;  // entry, ExecCustomReplace value
  std::vector<Doc> docs;
  bool dropErrorFile = false;
};

// Runs the job through the job run and the report writer; returns the report.
std::string RunReport(const Scenario& sc, TempDir& dir) {
  sw::IniFile profile(dir / "slimwright.INI");
  profile.WriteString("General Options", "OutputReport", "1");
  profile.WriteString("General Options", "WriteDetailedStats", sc.detailed ? "1" : "0");
  if (sc.switches) {
    profile.WriteString("Tag Options", "STRONGtoB", "1");
    profile.WriteString("Tag Options", "CODEToTT", "1");
    profile.WriteString("Fine Tuning", "CRLFToLF", "1");
  }
  for (size_t i = 0; i < sc.terms.size(); ++i) {
    profile.WriteString("Custom Search and Replace", "CustomReplace" + std::to_string(i + 1), sc.terms[i].first);
    profile.WriteString("Custom Search and Replace", "ExecCustomReplace" + std::to_string(i + 1),
                        std::to_string(sc.terms[i].second));
  }
  std::vector<std::string> list;
  for (const auto& d : sc.docs) {
    list.push_back(dir / d.name);
    WriteFile(list.back(), d.text);
  }
  sw::WriteLines(dir / "slimwright.lst", list);

  struct DropErrors : sw::JobProgress {
    std::string path;
    void DocumentDone(const sw::RunTotals&, int) override {
      if (!path.empty()) fs::remove(path);
    }
  } drop;
  if (sc.dropErrorFile) drop.path = dir / "~errors.tmp";
  ScriptedPrompt prompt;
  sw::JobRun run(profile, prompt, &drop);
  run.config.programDir = dir.path().string();
  run.config.profilePath = dir / "slimwright.INI";
  run.config.filesListPath = dir / "slimwright.lst";
  run.config.backupsEnabled = false;
  run.config.outputReport = true;
  run.config.clock = FixedTime;
  sw::JobOutcome out = run.Run();
  EXPECT_TRUE(out.statisticsWritten);
  EXPECT_EQ(run.ReportPath(), dir / "slimwright.r01");
  EXPECT_EQ(sw::WriteJobReport(dir.path().string(), run.ReportPath(), dir / "slimwright.lst", prompt),
            sw::ReportResult::Written);
  EXPECT_TRUE(prompt.asked.empty());
  for (const char* work : {"~htmlwrk.tmp", "~fileinf.tmp", "~errors.tmp"})
    EXPECT_FALSE(fs::exists(dir / work)) << work;
  EXPECT_EQ(profile.ReadString("General Options", "LastWrittenReport", ""), run.ReportPath());
  return ReadFile(run.ReportPath());
}

const std::vector<std::pair<std::string, int>> kTerms = {
    {"colour^^color^^0", 1}, {"<br>^^^^1", 1}, {"x^^y^^1", 0}};
const Doc kD1{"d1.htm", "<html><body>colour COLOUR<br>x</body></html>\n"};
const Doc kD2{"d2.htm", "<html>plain</html>\n"};
const Doc kD3{"d3.htm", "<html><br><br>Colour</html>\n"};
const Doc kBad{"bad.htm", "plain text\n"};

}  // namespace

struct ReportCase {
  const char* expected;
  Scenario scenario;
};

class JobReportFile : public ::testing::TestWithParam<ReportCase> {};

TEST_P(JobReportFile, ByteForByte) {
  TempDir dir;
  EXPECT_EQ(RunReport(GetParam().scenario, dir), Expected(GetParam().expected, dir.path().string()));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, JobReportFile,
    ::testing::Values(
        ReportCase{"detailed.r01", {true, true, kTerms, {kD1, kD2, kD3}, false}},
        ReportCase{"brief.r01", {false, true, kTerms, {kD1, kD2, kD3}, false}},
        ReportCase{"errors.r01", {false, true, kTerms, {kD1, kBad, kD3}, false}},
        ReportCase{"errors_missing.r01", {false, true, kTerms, {kD1, kBad, kD3}, true}},
        ReportCase{"nosaving.r01", {false, false, {}, {kD2, {"e2.htm", "<html>plain</html>\n"}}, false}},
        // Loaded but none enabled: 0 and 2 leave a term out.
        ReportCase{"terms_disabled.r01", {true, true, {{"colour^^color^^0", 0}, {"<br>^^^^1", 2}}, {kD1}, false}},
        ReportCase{"long_terms.r01",
                   {true,
                    true,
                    {{"zz^^<span class=\"a-very-long-class-name\">zz</span>^^1", 1},
                     {"<!-- a comment that is longer than the column -->^^^^1", 1}},
                    {{"l.htm", "<html>zz<!-- a comment that is longer than the column --></html>\n"}},
                    false}}),
    [](const ::testing::TestParamInfo<ReportCase>& info) {
      std::string n = info.param.expected;
      n = n.substr(0, n.find('.'));
      std::erase(n, '_');
      return n;
    });

TEST(JobReport, CommentAndImageBlocksComeBeforeTheFilesList) {
  TempDir dir;
  WriteFile(dir / "~htmlwrk.tmp", "stats\r\n");
  WriteFile(dir / "~comment.tmp", "a remark\r\n");
  WriteFile(dir / "~imgwrk.tmp", "an image note\n");
  WriteFile(dir / "Tool.lst", "/w/a.htm\r\n/w/b.htm\r\n/w/c.htm\r\n");
  ScriptedPrompt prompt;
  ASSERT_EQ(sw::WriteJobReport(dir.path().string(), dir / "Tool.r01", dir / "Tool.lst", prompt),
            sw::ReportResult::Written);
  const std::string stars(66, '*');
  EXPECT_EQ(ReadFile(dir / "Tool.r01"),
            Crlf({"stats", stars, "", "Comments regarding this job:", std::string(28, '='), "a remark", "", stars, "",
                  "an image note", stars, "", "List of all files specified for this job:", std::string(41, '='),
                  "/w/a.htm", "/w/b.htm", "/w/c.htm"}));
  EXPECT_FALSE(fs::exists(dir / "~comment.tmp"));
  EXPECT_FALSE(fs::exists(dir / "~imgwrk.tmp"));
  EXPECT_FALSE(fs::exists(dir / "~htmlwrk.tmp"));
  EXPECT_TRUE(fs::exists(dir / "Tool.lst"));
}

TEST(JobReport, MissingStatisticsLeaveAnEmptyReport) {
  TempDir dir;
  ScriptedPrompt prompt;
  EXPECT_EQ(sw::WriteJobReport(dir.path().string(), dir / "Tool.r01", dir / "Tool.lst", prompt),
            sw::ReportResult::NoStatistics);
  ASSERT_EQ(prompt.asked.size(), 1u);
  EXPECT_EQ(prompt.asked[0].caption, "Report data not found...aborting");
  EXPECT_EQ(prompt.asked[0].text, "Summary statistics for this job cannot be found. Unable to write report.");
  EXPECT_TRUE(fs::exists(dir / "Tool.r01"));
  EXPECT_EQ(fs::file_size(dir / "Tool.r01"), 0u);
}

// Report names: the first free of .r01 to .r09, else .r09 with a warning.
TEST(JobReport, NumberedNamesAndTheLimitWarning) {
  struct Case {
    std::vector<int> present;
    int chosen;
    bool warning;
  } cases[] = {
      {{}, 1, false},
      {{1, 2}, 3, false},
      {{1, 2, 3, 4, 5, 6, 7, 9}, 8, false},
      {{1, 2, 3, 4, 5, 6, 7, 8}, 9, true},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 9, true},
      {{2, 3}, 1, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    sw::IniFile profile(dir / "Tool.INI");
    profile.WriteString("General Options", "LastWrittenReport", "before");
    WriteFile(dir / "web/a.htm", "<html>a</html>");
    sw::WriteLines(dir / "Tool.lst", {dir / "web/a.htm"});
    for (int n : c.present) WriteFile(dir / ("Tool.r0" + std::to_string(n)), "old");
    ScriptedPrompt prompt;
    sw::JobRun run(profile, prompt);
    run.config.programDir = dir.path().string();
    run.config.profilePath = dir / "Tool.INI";
    run.config.filesListPath = dir / "Tool.lst";
    run.config.outputReport = true;
    run.Run();
    const std::string want = dir / ("Tool.r0" + std::to_string(c.chosen));
    EXPECT_EQ(run.ReportPath(), want);
    EXPECT_EQ(profile.ReadString("General Options", "LastWrittenReport", ""), want);
    EXPECT_EQ(prompt.Count("Report limit reached"), c.warning ? 1 : 0) << c.chosen;
    if (c.warning) {
      EXPECT_EQ(prompt.asked[0].text,
                "You have reached the limit of nine reports. The next report generated will overwrite the report "
                "ending in '.r09' in Slimwright's directory if existing reports are not moved, erased or renamed.");
    }
    ASSERT_EQ(sw::WriteJobReport(dir.path().string(), run.ReportPath(), dir / "Tool.lst", prompt),
              sw::ReportResult::Written);
    EXPECT_NE(ReadFile(want), "old");
  }
}

TEST(JobReport, ReportOffKeepsLastWrittenReport) {
  TempDir dir;
  sw::IniFile profile(dir / "Tool.INI");
  profile.WriteString("General Options", "LastWrittenReport", "/x/Tool.r04");
  WriteFile(dir / "web/a.htm", "<html>a</html>");
  sw::WriteLines(dir / "Tool.lst", {dir / "web/a.htm"});
  ScriptedPrompt prompt;
  sw::JobRun run(profile, prompt);
  run.config.programDir = dir.path().string();
  run.config.profilePath = dir / "Tool.INI";
  run.config.filesListPath = dir / "Tool.lst";
  run.config.outputReport = false;
  run.Run();
  EXPECT_EQ(profile.ReadString("General Options", "LastWrittenReport", ""), "/x/Tool.r04");
  for (int n = 1; n <= 9; ++n) EXPECT_FALSE(fs::exists(dir / ("Tool.r0" + std::to_string(n))));
}

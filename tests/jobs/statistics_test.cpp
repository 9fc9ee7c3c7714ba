#include "jobs/statistics.h"

#include <gtest/gtest.h>

#include "tests/jobs/helpers.h"

using namespace swtest;

namespace {
sw::RunTotals Totals(int before, int after) {
  sw::RunTotals t;
  t.BytesBefore = before;
  t.BytesAfter = after;
  return t;
}
std::tm At(int year, int mon, int day, int h, int m, int s) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = mon - 1;
  t.tm_mday = day;
  t.tm_hour = h;
  t.tm_min = m;
  t.tm_sec = s;
  return t;
}
}  // namespace

TEST(FormatSavingsRow, Columns) {
  struct {
    std::string label;
    int value, before, after;
    std::string want;
  } cases[] = {
      {"<EM> to <I>", 250, 10000, 9000, "<EM> to <I>                    250               25%"},
      {"<EM> to <I>", 0, 10000, 9000, "<EM> to <I>                    (n/a)             (n/a) "},
      {"Unneeded space removal", -7, 10000, 9000, "Unneeded space removal         -7                (n/a) "},
      // No running saving: no share.
      {"x", 5, 100, 100, "x                              5                 (n/a) "},
      // A grown web gives a negative share, as the rule says.
      {"x", 5, 100, 110, "x                              5                 -50%"},
      // Exactly 31 characters fill the column: the value starts at 32.
      {"Font tag/attribute optimization", 4, 10, 6, "Font tag/attribute optimization4                 100%"},
      // Longer author text keeps one blank before the value.
      {std::string(32, 'L'), 1, 10, 9, std::string(32, 'L') + " 1                 100%"},
      {std::string(30, 'L'), 1, 10, 9, std::string(30, 'L') + " 1                 100%"},
      // Large values do not overflow the share.
      {"x", 30000000, 2000000000, 1900000000, "x                              30000000          30%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sw::FormatSavingsRow(c.label, c.value, Totals(c.before, c.after)), c.want) << c.label;
}

TEST(ReportTimestamp, EnglishDateAndTwelveHourTime) {
  EXPECT_EQ(sw::ReportTimestamp(At(1997, 12, 6, 10, 15, 30)), "Dec. 6, 1997 at 10:15:30 am");
  EXPECT_EQ(sw::ReportTimestamp(At(2026, 1, 31, 0, 5, 9)), "Jan. 31, 2026 at 12:05:09 am");
  EXPECT_EQ(sw::ReportTimestamp(At(2026, 5, 1, 12, 0, 0)), "May. 1, 2026 at 12:00:00 pm");
  EXPECT_EQ(sw::ReportTimestamp(At(2026, 9, 9, 23, 59, 59)), "Sep. 9, 2026 at 11:59:59 pm");
}

// The job and the document tables differ only in the order of two rows.
TEST(StatisticsWriter, JobAndDocumentTableOrders) {
  TempDir dir;
  sw::Engine e;
  e.programDir = dir.path().string();
  e.writeDocumentStats = e.writeOptionTables = true;
  e.cx.opts.Set(sw::Opt::ShortSpecials, true);
  e.cx.opts.Set(sw::Opt::StripEmpties, true);
  e.cx.opts.Set(sw::Opt::StripQuotes, true);
  const int specials = sw::Info(sw::Opt::ShortSpecials).counter;
  const int empties = sw::Info(sw::Opt::StripEmpties).counter;
  e.cx.savings.doc[size_t(specials)] = 30;
  e.cx.savings.doc[size_t(empties)] = 10;
  e.cx.savings.job = e.cx.savings.doc;
  e.totals = Totals(200, 160);
  e.totals.FilesProcessed = 1;
  e.figures = {200, 160, 40};
  sw::StatisticsWriter w(e, nullptr);
  w.now = [] { return At(1997, 12, 6, 10, 15, 30); };
  w.WriteDocumentStatistics("/web/a.htm");
  ASSERT_FALSE(w.Failed());
  ASSERT_TRUE(w.WriteJobStatistics());
  const std::string s = ReadFile(dir / "~htmlwrk.tmp");
  const std::string special = "Special character optimization 30                75%\r\n";
  const std::string empty = "Empty/redundant tag removal    10                25%\r\n";
  const std::string quotes = "Redundant quote removal        (n/a)             (n/a) \r\n";
  const std::string dash = std::string(66, '-') + "\r\n";
  const std::string general = dash + "General file optimizations\r\n" + dash + quotes;
  EXPECT_NE(s.find(special + empty + general + std::string(69, '-')), std::string::npos) << s;
  EXPECT_NE(s.find(empty + special + general + "\r\n"), std::string::npos) << s;
  EXPECT_FALSE(fs::exists(dir / "~fileinf.tmp"));
}

TEST(StatisticsWriter, EveryDocumentRefused) {
  TempDir dir;
  sw::Engine e;
  e.programDir = dir.path().string();
  e.totals.FilesProcessed = 2;
  e.totals.ErrorCount = 2;
  sw::StatisticsWriter w(e, nullptr);
  w.now = [] { return At(1997, 12, 6, 10, 15, 30); };
  WriteFile(dir / "~errors.tmp", "/a\r\n(file not found...unable to process)\r\n\r\n\r\n");
  ASSERT_TRUE(w.WriteJobStatistics());
  EXPECT_EQ(ReadFile(dir / "~htmlwrk.tmp"),
            Crlf({std::string(69, '*'), "", "Slimwright report generated Dec. 6, 1997 at 10:15:30 am", "",
                  "HTML processing totals", std::string(22, '='), "",
                  "Total HTML files processed:                  2",
                  "Combined web size prior to optimization:     0 bytes",
                  "Combined web size after optimization:        0 bytes", "No savings achieved in this pass.",
                  "Slimwright could not not optimize this web.", "", "", "Errors recorded in this job: 2",
                  "Specific errors:", "/a", "(file not found...unable to process)", "", ""}));
  EXPECT_FALSE(fs::exists(dir / "~errors.tmp"));
}

TEST(StatisticsWriter, UnwritableWorkFileIsReported) {
  sw::Engine e;
  e.programDir = "/nonexistent/folder";
  sw::StatisticsWriter w(e, nullptr);
  w.WriteDocumentStatistics("/web/a.htm");
  EXPECT_TRUE(w.Failed());
  EXPECT_NE(w.ErrorText().find("~fileinf.tmp"), std::string::npos);
  EXPECT_FALSE(w.WriteJobStatistics());
}

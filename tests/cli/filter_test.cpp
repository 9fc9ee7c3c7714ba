#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "engine/primitives.h"

namespace fs = std::filesystem;

namespace {
struct FilterRun {
  int rc;
  std::string out, err;
};
FilterRun Filter(const std::string& home, const std::string& input, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--home", home, "filter"};
  args.insert(args.end(), extra.begin(), extra.end());
  std::istringstream in(input);
  std::ostringstream out, err;
  int rc = sw::cli::Main(args, in, out, err);
  return {rc, out.str(), err.str()};
}
std::string Home() {
  fs::path d = fs::temp_directory_path() / ("sw_filter_" + std::to_string(::getpid()));
  fs::create_directories(d);
  return d.string();
}
std::string ZeroCounters() {
  std::string want;
  for (int n = 1; n <= 24; ++n) want += "counter " + std::to_string(n) + " 0\n";
  return want + "total 0\n";
}
}  // namespace

TEST(FilterCommand, PassesAndRefuses) {
  const std::string home = Home();
  FilterRun ok = Filter(home, "<html>x</html>", {"--counters"});
  EXPECT_EQ(ok.rc, 0);
  EXPECT_EQ(ok.out, "<html>x</html>");
  EXPECT_EQ(ok.err, ZeroCounters());

  FilterRun bad = Filter(home, "no markup");
  EXPECT_EQ(bad.rc, 3);
  EXPECT_EQ(bad.out, "no markup");
  EXPECT_EQ(bad.err, "(invalid HTML document...bad syntax or missing <HTML> tag)\n");

  FilterRun big = Filter(home, "<html>" + std::string(1000000, 'x'));
  EXPECT_EQ(big.rc, 3);
  EXPECT_EQ(big.out.size(), 1000006u);
  EXPECT_EQ(big.err, "(file larger than 1Mb...exceeds allowable file length)\n");

  FilterRun usage = Filter(home, "", {"--bogus"});
  EXPECT_EQ(usage.rc, 2);
  EXPECT_FALSE(usage.err.empty());
  // No work files and no report.
  for (auto& f : fs::directory_iterator(home)) ADD_FAILURE() << "left behind: " << f.path();
}

TEST(FilterCommand, EmptyProfileLeavesCorpusUnchanged) {
  const std::string home = Home();
  int pages = 0;
  for (auto& e : fs::recursive_directory_iterator(SW_CORPUS_DIR)) {
    if (!e.is_regular_file()) continue;
    std::ifstream f(e.path(), std::ios::binary);
    std::string doc((std::istreambuf_iterator<char>(f)), {});
    FilterRun r = Filter(home, doc);
    ++pages;
    if (r.rc == 3) {
      EXPECT_EQ(r.out, doc) << e.path();
      continue;
    }
    ASSERT_EQ(r.rc, 0) << e.path();
    // Only the driver's own renaming may differ: XMP and LISTING tags come back in upper case.
    std::string expect = doc;
    if (sw::FindText(doc, "<style", -1) == 0 && sw::FindText(doc, "<script", -1) == 0) {
      if (sw::FindText(doc, "<listing>", -1)) sw::ReplaceAll(expect, "listing>", "LISTING>", true);
      else if (sw::FindText(doc, "xmp>", -1)) sw::ReplaceAll(expect, "xmp>", "XMP>", true);
    }
    EXPECT_EQ(r.out, expect) << e.path();
    FilterRun counted = Filter(home, doc, {"--counters"});
    EXPECT_EQ(counted.err, ZeroCounters()) << e.path();
  }
  EXPECT_GE(pages, 45);
}

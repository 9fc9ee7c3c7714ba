#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"

namespace fs = std::filesystem;

namespace {

struct CmdResult {
  int rc;
  std::string out, err;
};

struct TermsCommand : ::testing::Test {
  std::string home;
  void SetUp() override {
    home = (fs::temp_directory_path() / ("sw_terms_" + std::to_string(::getpid()))).string();
    fs::remove_all(home);
    fs::create_directories(home);
  }
  void TearDown() override { fs::remove_all(home); }
  CmdResult Cmd(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), {"--home", home});
    std::istringstream in(input);
    std::ostringstream out, err;
    int rc = sw::cli::Main(args, in, out, err);
    return {rc, out.str(), err.str()};
  }
  std::string Listing() { return Cmd({"terms"}).out; }
};

TEST_F(TermsCommand, EditsTheListWithTheEditorsRules) {
  ASSERT_EQ(Cmd({"preset", "safe"}).rc, 0);
  struct Step {
    std::vector<std::string> args;
    int rc;
    std::string listing;  // after the step
  };
  const std::string none = "(no user-defined search-and-replace terms)\n";
  const Step steps[] = {
      {{"terms", "list"}, 0, none},
      {{"terms", "add", "Hello world", "Hi"}, 0, "  1  off Replace Hello world with Hi (case insensitive)\n"},
      // A replacement as long as the search text needs --yes (no terminal here).
      {{"terms", "add", "<b>", "<i>"}, 2, "  1  off Replace Hello world with Hi (case insensitive)\n"},
      {{"terms", "add", "<b>", "<i>", "--yes", "--match-case"},
       0,
       "  1  off Replace Hello world with Hi (case insensitive)\n  2  off Replace <b> with <i> (case sensitive)\n"},
      {{"terms", "enable", "2"},
       0,
       "  1  off Replace Hello world with Hi (case insensitive)\n  2  on  Replace <b> with <i> (case sensitive)\n"},
      {{"terms", "add", "a^^b"}, 3, ""},  // unchanged, checked below
      {{"terms", "enable", "3"}, 2, ""},
      {{"terms", "enable", "x"}, 2, ""},
      {{"terms", "frobnicate"}, 2, ""},
      // The flag follows its pair when an earlier one goes.
      {{"terms", "remove", "1", "--yes"}, 0, "  1  on  Replace <b> with <i> (case sensitive)\n"},
      {{"terms", "add", "<!-- x -->", "--yes"},
       0,
       "  1  on  Replace <b> with <i> (case sensitive)\n  2  off Delete <!-- x --> (case insensitive)\n"},
      {{"terms", "disable", "1"},
       0,
       "  1  off Replace <b> with <i> (case sensitive)\n  2  off Delete <!-- x --> (case insensitive)\n"},
  };
  std::string last = none;
  for (const Step& s : steps) {
    CmdResult r = Cmd(s.args);
    std::string what = s.args.size() > 1 ? s.args[1] : s.args[0];
    EXPECT_EQ(r.rc, s.rc) << what << ": " << r.err;
    if (!s.listing.empty()) last = s.listing;
    EXPECT_EQ(Listing(), last) << what;
  }
}

TEST_F(TermsCommand, ChangesNeedAProfile) {
  CmdResult r = Cmd({"terms", "add", "abc", "x"});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.err.find("slimwright preset safe"), std::string::npos);
  EXPECT_FALSE(fs::exists(home + "/slimwright.INI"));
  EXPECT_EQ(Cmd({"terms"}).rc, 0);
}

// A term added and enabled on the command line is applied by the next run.
TEST_F(TermsCommand, FilterAppliesAnEnabledTerm) {
  ASSERT_EQ(Cmd({"preset", "safe"}).rc, 0);
  const std::string page = "<html><p>Hello world, hello WORLD.</p></html>";
  EXPECT_EQ(Cmd({"filter"}, page).out, page);
  ASSERT_EQ(Cmd({"terms", "add", "hello world", "Hi"}).rc, 0);
  EXPECT_EQ(Cmd({"filter"}, page).out, page);  // not enabled yet
  ASSERT_EQ(Cmd({"terms", "enable", "1"}).rc, 0);
  EXPECT_EQ(Cmd({"filter"}, page).out, "<html><p>Hi, Hi.</p></html>");
  ASSERT_EQ(Cmd({"terms", "add", "Hi,", "", "--match-case"}).rc, 0);
  ASSERT_EQ(Cmd({"terms", "enable", "2"}).rc, 0);
  EXPECT_EQ(Cmd({"filter"}, page).out, "<html><p> Hi.</p></html>");
}

}  // namespace

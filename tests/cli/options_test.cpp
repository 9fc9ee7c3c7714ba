#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli.h"
#include "engine/options.h"
#include "platform/inifile.h"

namespace fs = std::filesystem;

namespace {

struct Home {
  fs::path path;
  Home() {
    path = fs::temp_directory_path() / ("swopt" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Home() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string profile() const { return (path / "slimwright.INI").string(); }
  std::string ProfileText() const {
    std::ifstream in(profile(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
};

struct Result {
  int rc;
  std::string out, err;
};

Result Slim(const Home& h, std::vector<std::string> args, const std::string& input = "") {
  args.insert(args.begin(), {"--home", h.path.string()});
  std::istringstream in(input);
  std::ostringstream out, err;
  int rc = sw::cli::Main(args, in, out, err);
  return {rc, out.str(), err.str()};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(OptionsCommand, AFreshHomeListsEveryOptionOffAndWritesNothing) {
  Home h;
  Result r = Slim(h, {"options"});
  EXPECT_EQ(r.rc, 0) << r.err;
  for (const auto& row : sw::OptionTable()) EXPECT_TRUE(Has(r.out, std::string(row.key) + "=0")) << row.key;
  EXPECT_TRUE(Has(r.out, "Strip DTD tags **"));
  EXPECT_TRUE(Has(r.out, "WordWrap=254"));
  EXPECT_TRUE(Has(r.out, "not set"));
  EXPECT_TRUE(Has(r.out, "StandardizeChars=0"));
  EXPECT_TRUE(Has(r.out, "Use <BIG>/<SMALL> tags where applicable"));
  EXPECT_FALSE(fs::exists(h.profile()));
  Result help = Slim(h, {"options", "--help"});
  EXPECT_EQ(help.rc, 0);
  EXPECT_TRUE(Has(help.out, "StandardizeChars 0, 1, 2, 6, 10 or 14"));
  EXPECT_FALSE(fs::exists(h.profile()));
}

TEST(OptionsCommand, SetsValuesByTheWindowsRules) {
  Home h;
  Result r = Slim(h, {"options", "StripComments=1", "stripquotes=on", "WordWrap=80", "StandardizeChars=14",
                      "MSNSOnly=1", "NoDTD=off"});
  ASSERT_EQ(r.rc, 0) << r.err;
  sw::IniFile ini(h.profile());
  EXPECT_EQ(ini.ReadString("Tag Options", "StripComments", ""), "1");
  EXPECT_EQ(ini.ReadString("Fine Tuning", "StripQuotes", ""), "1");
  EXPECT_EQ(ini.ReadString("Fine Tuning", "WordWrap", ""), "80");
  EXPECT_EQ(ini.ReadString("Tag Options", "StandardizeChars", ""), "14");
  EXPECT_EQ(ini.ReadString("Tag Options", "MSNSOnly", ""), "1");
  EXPECT_EQ(ini.ReadString("Tag Options", "NoDTD", ""), "0");
  EXPECT_TRUE(Has(r.err, "every other option is off"));
  Result shown = Slim(h, {"options"});
  for (const char* kv : {"StripComments=1", "StripQuotes=1", "WordWrap=80", "StandardizeChars=14", "MSNSOnly=1",
                         "EMToI=0"})
    EXPECT_TRUE(Has(shown.out, kv)) << kv;
  EXPECT_FALSE(Has(shown.out, "not set"));
}

TEST(OptionsCommand, BadInputNamesItAndWritesNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const std::vector<Case> cases = {
      {{"Nope=1"}, "'Nope'"},
      {{"EMToI=1", "StripComment=1"}, "'StripComment'"},
      {{"StripComments=2"}, "StripComments"},
      {{"StripComments=yes please"}, "StripComments"},
      {{"WordWrap=29"}, "WordWrap"},
      {{"WordWrap=10000"}, "WordWrap"},
      {{"WordWrap=8O"}, "WordWrap"},
      {{"WordWrap=-50"}, "WordWrap"},
      {{"StandardizeChars=3"}, "StandardizeChars"},
      {{"StandardizeChars="}, "StandardizeChars"},
      {{"StripComments"}, "'StripComments'"},
      {{"=1"}, "'=1'"},
  };
  Home h;
  sw::IniFile(h.profile()).WriteString("Tag Options", "EMToI", "0");
  const std::string before = h.ProfileText();
  for (const auto& c : cases) {
    std::vector<std::string> args = {"options"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = Slim(h, args);
    EXPECT_EQ(r.rc, 2) << c.args.back();
    EXPECT_TRUE(Has(r.err, c.named)) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(h.ProfileText(), before) << c.args.back();
  }
}

// What the command sets is what the next run applies.
TEST(OptionsCommand, FilterAppliesWhatWasSet) {
  struct Case {
    const char* setting;
    std::string input, before, after;
  };
  const std::string head = "<HTML><BODY>", tail = "</BODY></HTML>";
  const std::vector<Case> cases = {
      {"StripComments=1", "<P>a<!-- note -->b</P>", "<!-- note -->", "<P>ab</P>"},
      {"EMToI=1", "<P><EM>x</EM></P>", "<EM>x</EM>", "<I>x</I>"},
      {"StandardColors=1", "<FONT COLOR=\"white\">x</FONT>", "\"white\"", "#FFFFFF"},
  };
  for (const auto& c : cases) {
    Home h;
    const std::string page = head + c.input + tail;
    Result plain = Slim(h, {"filter"}, page);
    ASSERT_EQ(plain.rc, 0) << plain.err;
    EXPECT_TRUE(Has(plain.out, c.before)) << plain.out;
    ASSERT_EQ(Slim(h, {"options", c.setting}).rc, 0);
    Result done = Slim(h, {"filter"}, page);
    ASSERT_EQ(done.rc, 0) << done.err;
    EXPECT_TRUE(Has(done.out, c.after)) << c.setting << ": " << done.out;
    EXPECT_FALSE(Has(done.out, c.before)) << c.setting << ": " << done.out;
  }
}

}  // namespace

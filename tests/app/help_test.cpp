#include "platform/help.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/desktop_browser.h"
#include "test_support.h"

using namespace sw;

namespace {

using Words = std::vector<std::string>;

TEST(ExecCommandFor, FieldCodesAndQuoting) {
  const std::string u = "file:///h/index.html#ctx-45000";
  struct Case {
    const char* exec;
    Words want;
  };
  const Case cases[] = {
      {"firefox %u", {"firefox", u}},
      {"/usr/bin/chromium --new-window %U", {"/usr/bin/chromium", "--new-window", u}},
      {"epiphany", {"epiphany", u}},
      {"\"/opt/My Browser/b\" %f", {"/opt/My Browser/b", u}},
      {"browser --class=Web %i %c %u", {"browser", "--class=Web", u}},
      {"b --pct=100%% %u", {"b", "--pct=100%", u}},
      {"", {}},
      {"   ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ExecCommandFor(c.exec, u), c.want) << c.exec;
}

struct HelpFixture : ::testing::Test {
  swtest::TempDir tmp;
  swtest::FakeStarter starter;
  std::string file = tmp / "help/index.html";
  void SetUp() override { swtest::WriteFile(file, "<html></html>"); }
};

// The anchor reaches the browser: the generic opener would drop it.
TEST_F(HelpFixture, ContextOpensInTheDesktopBrowserWithItsAnchor) {
  HelpSystem help(starter, file);
  help.browserCommand = [] { return std::string("firefox %u"); };
  EXPECT_TRUE(help.ShowContext(45000));
  ASSERT_EQ(starter.calls.size(), 1u);
  EXPECT_EQ(starter.calls[0].program, "firefox");
  EXPECT_EQ(starter.calls[0].args, Words{HelpUrl(file, "ctx-45000")});
  EXPECT_NE(starter.calls[0].args[0].find("#ctx-45000"), std::string::npos);
}

TEST_F(HelpFixture, WithoutABrowserOrWhenItFailsTheGenericOpenerServes) {
  HelpSystem help(starter, file);
  help.browserCommand = [] { return std::string(); };
  EXPECT_TRUE(help.ShowTopic("firsttime"));
  help.browserCommand = [] { return std::string("broken %u"); };
  starter.resultFor["broken"] = false;
  EXPECT_TRUE(help.ShowTopic("firsttime"));
  ASSERT_EQ(starter.calls.size(), 3u);
  EXPECT_EQ(starter.calls[0].program, kDesktopOpener);
  EXPECT_EQ(starter.calls[1].program, "broken");
  EXPECT_EQ(starter.calls[2].program, kDesktopOpener);
  EXPECT_EQ(starter.calls[2].args, Words{HelpUrl(file, "firsttime")});
}

TEST_F(HelpFixture, MissingHelpFileStartsNothing) {
  HelpSystem help(starter, tmp / "none/index.html");
  help.browserCommand = [] { return std::string("firefox %u"); };
  EXPECT_FALSE(help.ShowContext(100000));
  EXPECT_TRUE(starter.calls.empty());
}

// Where the help is found: beside an installed program first, the source
// tree only for a program run from the folder it was built in.
TEST(FindHelpFile, InstalledBuildFolderAndStrangerLayouts) {
  swtest::TempDir tmp;
  const std::string installed = tmp / "usr/share/slimwright/help/index.html";
  const std::string source = tmp / "src/docs/help/index.html";
  swtest::WriteFile(installed, "<html></html>");
  swtest::WriteFile(source, "<html></html>");
  std::filesystem::create_directories(tmp / "usr/bin");
  std::filesystem::create_directories(tmp / "build");
  std::filesystem::create_directories(tmp / "elsewhere");
  struct Case {
    std::string exeDir, buildDir, sourceHelp, want;
  };
  const Case cases[] = {
      {tmp / "build", tmp / "build", tmp / "src/docs/help", source},
      {tmp / "build/.", tmp / "build", tmp / "src/docs/help", source},  // the same folder spelt otherwise
      {tmp / "usr/bin", tmp / "build", tmp / "src/docs/help", installed},
      {tmp / "usr/bin", tmp / "usr/bin", tmp / "src/docs/help", installed},
      {tmp / "elsewhere", tmp / "build", tmp / "src/docs/help", ""},  // a copied program
      {tmp / "build", tmp / "build", tmp / "gone/docs/help", ""},
      {tmp / "build", "", "", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindHelpFileFor(c.exeDir, c.buildDir, c.sourceHelp), c.want) << c.exeDir << " " << c.sourceHelp;
}

// These tests run from a build folder outside the source tree, as a new
// user's build does.
TEST(FindHelpFile, TheBuildFolderFindsTheSourceTreesHelp) {
  const std::string found = FindHelpFile();
  ASSERT_FALSE(found.empty());
  EXPECT_TRUE(std::filesystem::equivalent(found, std::string(SW_SOURCE_DIR) + "/docs/help/index.html"));
}

}  // namespace

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "verify/chromium.h"

namespace fs = std::filesystem;

namespace {

struct VerifyCommand : ::testing::Test {
  fs::path dir;
  void SetUp() override {
    dir = fs::temp_directory_path() / ("sw_verifycmd_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "home");
  }
  void TearDown() override {
    ::unsetenv("SLIMWRIGHT_BROWSER");
    fs::remove_all(dir);
  }
  void Write(const std::string& rel, const std::string& text) {
    fs::create_directories((dir / rel).parent_path());
    std::ofstream(dir / rel) << text;
  }
  int Cmd(std::vector<std::string> args, std::string* out, std::string* err) {
    args.insert(args.begin(), {"--home", (dir / "home").string()});
    std::istringstream in;
    std::ostringstream o, e;
    int rc = sw::cli::Main(args, in, o, e);
    *out = o.str();
    *err = e.str();
    return rc;
  }
};

}  // namespace

TEST_F(VerifyCommand, WithoutTheBrowserSaysWhatToInstallAndExits2) {
  ::setenv("SLIMWRIGHT_BROWSER", (dir / "no-such-browser").c_str(), 1);
  Write("a.html", "<p>x</p>");
  std::string out, err;
  EXPECT_EQ(Cmd({"verify", (dir / "a.html").string(), (dir / "a.html").string()}, &out, &err), 2);
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("install the package chromium"), std::string::npos) << err;
}

TEST_F(VerifyCommand, RejectsWhatItCannotPair) {
  Write("a.html", "<p>x</p>");
  fs::create_directories(dir / "site");
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"verify"}, "give two documents"},
      {{"verify", (dir / "a.html").string()}, "give two documents"},
      {{"verify", (dir / "a.html").string(), (dir / "site").string()}, "not one of each"},
      {{"verify", (dir / "a.html").string(), (dir / "none.html").string()}, "no such document"},
  };
  for (const auto& c : cases) {
    std::string out, err;
    EXPECT_EQ(Cmd(c.args, &out, &err), 2) << c.says;
    if (!sw::verify::FindBrowser().empty()) {
      EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
  }
}

TEST_F(VerifyCommand, ComparesTwoFoldersByRelativePath) {
  if (sw::verify::FindBrowser().empty()) GTEST_SKIP() << sw::verify::kInstallHint;
  const std::string page = "<html><body><p>Alpha   beta</p></body></html>";
  Write("orig/a.html", page);
  Write("orig/sub/b.htm", "<p>Gamma</p>");
  Write("orig/sub/c.html", "<p>Only here</p>");
  Write("orig/notes.txt", "not a document");
  Write("opt/a.html", "<html><body><p>Alpha beta</p></body></html>");
  Write("opt/sub/b.htm", "<p>Delta</p>");
  std::string out, err;
  EXPECT_EQ(Cmd({"verify", (dir / "orig").string(), (dir / "opt").string()}, &out, &err), 1) << err;
  EXPECT_EQ(out,
            "a.html: same\n"
            "sub/b.htm: differs: text, pixels " +
                out.substr(out.find("pixels ") + 7, out.find('\n', out.find("pixels ")) - out.find("pixels ") - 7) +
                "\nsub/c.html: failed: no counterpart in " + (dir / "opt").string() +
                "\n3 compared: 1 same, 2 differ\n");
  EXPECT_EQ(Cmd({"verify", (dir / "orig/a.html").string(), (dir / "opt/a.html").string()}, &out, &err), 0);
  EXPECT_EQ(out, (dir / "orig/a.html").string() + ": same\n");
}

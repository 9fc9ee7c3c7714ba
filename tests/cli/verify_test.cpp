#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli.h"
#include "verify/chromium.h"
#include "verify/core/batch.h"

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

  // The job with --verify stops before it touches the files list or a page.
  const std::string page = "<html><body><!-- note --><p>x</p></body></html>";
  Write("site/b.html", page);
  err.clear();
  EXPECT_EQ(Cmd({"optimize", "--verify", "--yes", (dir / "site").string()}, &out, &err), 2);
  EXPECT_NE(err.find("install the package chromium"), std::string::npos) << err;
  std::ifstream in(dir / "site/b.html");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), page);
  EXPECT_FALSE(fs::exists(dir / "site/b.html.srbak"));
  for (const auto& e : fs::directory_iterator(dir / "home")) EXPECT_NE(e.path().extension(), ".lst") << e.path();
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

// The whole corpus at the maximum preset: whatever the job rewrote must look
// like its backup, and what it kept is listed and untouched.
TEST_F(VerifyCommand, JobOverTheCorpusWritesOnlyWhatRendersTheSame) {
  if (sw::verify::FindBrowser().empty()) GTEST_SKIP() << sw::verify::kInstallHint;
  const fs::path corpus = SW_CORPUS_DIR, site = dir / "site";
  fs::copy(corpus, site, fs::copy_options::recursive);
  for (auto& e : fs::recursive_directory_iterator(site))
    fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add);
  std::string out, err;
  ASSERT_EQ(Cmd({"preset", "maximum"}, &out, &err), 0) << err;
  Cmd({"optimize", "--verify", "--yes", "--report", "brief", site.string()}, &out, &err);
  ASSERT_NE(out.find("Verified:"), std::string::npos) << out << err;

  std::string report;
  {
    std::ifstream in(dir / "home" / "slimwright.r01", std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    report = ss.str();
  }
  const size_t section = report.find("Visual verification\r\n");
  ASSERT_NE(section, std::string::npos) << report;

  std::vector<fs::path> rewritten;
  size_t kept = 0;
  for (auto& e : fs::recursive_directory_iterator(site)) {
    if (!e.is_regular_file() || !sw::cli::IsDocumentName(e.path().filename().string())) continue;
    const std::string rel = fs::relative(e.path(), site).string();
    auto read = [](const fs::path& p) {
      std::ifstream in(p, std::ios::binary);
      std::ostringstream ss;
      ss << in.rdbuf();
      return ss.str();
    };
    const bool listed = report.find(e.path().string() + "\r\n    ", section) != std::string::npos;
    if (listed) {
      ++kept;
      EXPECT_EQ(read(e.path()), read(corpus / rel)) << rel;
      EXPECT_FALSE(fs::exists(e.path().string() + ".srbak")) << rel;
    } else if (read(e.path()) != read(corpus / rel)) {
      rewritten.push_back(e.path());
    }
  }
  EXPECT_GT(rewritten.size(), 20u);
  EXPECT_NE(report.find("Documents kept unchanged:                    " + std::to_string(kept) + "\r\n"),
            std::string::npos);

  // A second look, each rewritten page against its backup, pixel by pixel:
  // a page the job let through because it parsed into the same document
  // must look the same too.
  sw::verify::ChromiumVerifier verifier;
  verifier.SetFullDetail(true);
  std::string error;
  ASSERT_TRUE(verifier.Start(&error)) << error;
  std::vector<std::string> verdicts(rewritten.size());
  sw::verify::CompareAll(
      verifier, rewritten.size(), sw::cli::VerifyThreads(),
      [&](size_t i, sw::verify::PagePair& p, std::string&) {
        p.path = rewritten[i].string();
        std::ifstream a(p.path + ".srbak", std::ios::binary), b(p.path, std::ios::binary);
        std::ostringstream sa, sb;
        sa << a.rdbuf();
        sb << b.rdbuf();
        p.original = sa.str();
        p.optimized = sb.str();
        return true;
      },
      [&](size_t i, const sw::verify::PagePair&, const sw::verify::Verdict& v) { verdicts[i] = v.Describe(); });
  // A page can render differently from one load to the next (late fonts,
  // timers a page starts), so a disagreement is looked at once more before
  // it counts; a page the job wrongly let through differs both times.
  for (size_t i = 0; i < rewritten.size(); ++i) {
    std::string verdict = verdicts[i];
    if (verdict.substr(0, 4) != "same") {
      std::ifstream a(rewritten[i].string() + ".srbak", std::ios::binary), b(rewritten[i], std::ios::binary);
      std::ostringstream sa, sb;
      sa << a.rdbuf();
      sb << b.rdbuf();
      verdict = verifier.Compare(rewritten[i].string(), sa.str(), sb.str()).Describe();
    }
    EXPECT_EQ(verdict.substr(0, 4), "same") << rewritten[i] << ": " << verdicts[i] << " / " << verdict;
  }
}

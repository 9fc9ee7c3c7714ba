// A job optimized on worker threads must leave every byte exactly where a
// job on one thread leaves it, and say the same things in the same order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "engine/options.h"
#include "jobs/docpool.h"
#include "jobs/fileslist.h"
#include "jobs/jobrun.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"

using namespace swtest;
using sw::Answer;

namespace {

// Everything a run can be told apart by: its files, its questions and its
// progress, in order.
struct Trace : sw::JobProgress {
  std::ostringstream log;
  sw::JobRun* run = nullptr;
  int abortAfter = -1;
  std::function<void(int, const std::string&)> before;
  void RunStarting(int n) override { log << "start " << n << "\n"; }
  void CurrentFile(int i, const std::string& name) override {
    log << "file " << i << " " << name << "\n";
    if (before) before(i, name);
  }
  void DocumentDone(const sw::RunTotals& t, int percent) override {
    log << "done " << t.FilesProcessed << " " << t.BytesBefore << " " << t.BytesAfter << " " << t.BytesSaved << " "
        << t.ErrorCount << " " << percent << "\n";
    if (t.FilesProcessed == abortAfter) run->RequestAbort();
  }
  void DocumentFailed(int i, const std::string& doc, int32_t code) override {
    log << "failed " << i << " " << doc << " " << code << "\n";
  }
  void AbortWithdrawn() override { log << "withdrawn\n"; }
};

struct Scenario {
  const char* what;
  bool backups;
  int abortAfter;      // -1: no abort
  Answer abort;        // the answer to the abort question
  Answer oldBackups;   // the answer to the existing-backups question
  bool detailed;       // per-document statistics
};

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_symlink()) {
      files[rel] = "link " + fs::read_symlink(e.path()).string();
    } else if (e.is_regular_file()) {
      struct stat st;
      ::stat(e.path().c_str(), &st);
      files[rel] = std::to_string(st.st_mode & 07777) + " " + ReadFile(e.path());
    }
  }
  return files;
}

struct Result {
  std::map<std::string, std::string> files;
  std::string log;
  std::vector<std::string> asked;
  sw::RunEnd end;
};

// Builds the same web at the same place, and runs one job over it.
Result RunJob(const TempDir& dir, const Scenario& c, int jobs) {
  for (const auto& e : fs::directory_iterator(dir.path())) {
    fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(e.path());
  }
  sw::IniFile profile(dir / "slimwright.INI");
  sw::WritePreset(profile, sw::Preset::Maximum);
  profile.WriteString("General Options", "OutputReport", "1");
  profile.WriteString("General Options", "WriteDetailedStats", c.detailed ? "1" : "0");
  profile.WriteString("Custom Search and Replace", "CustomReplace1", "colour^^color^^0");
  profile.WriteString("Custom Search and Replace", "ExecCustomReplace1", "1");

  std::vector<std::string> pages;
  for (const auto& e : fs::recursive_directory_iterator(SW_CORPUS_DIR))
    if (e.is_regular_file()) pages.push_back(e.path().string());
  std::sort(pages.begin(), pages.end());
  if (pages.size() > 24) pages.resize(24);
  std::vector<std::string> list;
  int n = 0;
  auto add = [&](const std::string& name, const std::string& text) {
    WriteFile(dir / ("web/" + name), text);
    list.push_back(dir / ("web/" + name));
    return list.back();
  };
  for (const auto& p : pages) {
    add("p" + std::to_string(n++) + ".html", ReadFile(p) + "<p>colour</p>");
    // Refusals and failures spread through the list.
    if (n == 3) add("plain.htm", "<html><plaintext>a  b</html>");
    if (n == 5) add("nothtml.htm", "no markup at all");
    if (n == 7) fs::permissions(add("readonly.htm", "<html>colour</html>"), fs::perms(0444));
    if (n == 9) list.push_back(list[2]);  // the same document again
    if (n == 11) list.push_back(list[0] + ".srbak");
    if (n == 13) add("goes.htm", "<html>gone at its turn</html>");
    if (n == 15) add("changes.htm", "<html>changed at its turn</html>");
  }
  WriteFile(list[0] + ".srbak", "an earlier backup");
  sw::WriteLines(dir / "slimwright.lst", list);

  ScriptedPrompt prompt;
  prompt.answers["Confirming abort"] = {c.abort};
  prompt.answers["Incomplete report"] = {Answer::Yes};
  prompt.answers[sw::kExistingBackupsCaption] = {c.oldBackups};
  Trace trace;
  trace.abortAfter = c.abortAfter;
  trace.before = [&](int, const std::string& name) {
    if (name == "goes.htm") fs::remove(dir / "web/goes.htm");
    if (name == "changes.htm") WriteFile(dir / "web/changes.htm", "<html>   <b>now</b>   colour</html>");
  };
  sw::JobRun run(profile, prompt, &trace);
  trace.run = &run;
  run.config.programDir = dir.path().string();
  run.config.profilePath = dir / "slimwright.INI";
  run.config.filesListPath = dir / "slimwright.lst";
  run.config.backupsEnabled = c.backups;
  run.config.outputReport = true;
  run.config.jobs = jobs;
  run.config.clock = [] {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mday = 8;
    return t;
  };
  Result r;
  r.end = run.Run().end;
  r.files = Snapshot(dir.path());
  r.log = trace.log.str();
  for (const auto& a : prompt.asked) r.asked.push_back(a.caption);
  return r;
}

}  // namespace

TEST(ParallelJob, SameFilesQuestionsAndProgressAsOneThread) {
  const Scenario cases[] = {
      {"backups", true, -1, Answer::No, Answer::Yes, true},
      {"no backups", false, -1, Answer::No, Answer::Yes, false},
      {"aborted", true, 9, Answer::Yes, Answer::Yes, true},
      {"abort withdrawn", true, 6, Answer::No, Answer::Yes, false},
      {"old backups kept", true, -1, Answer::No, Answer::No, true},
  };
  TempDir dir;
  for (const auto& c : cases) {
    const Result one = RunJob(dir, c, 1);
    const Result four = RunJob(dir, c, 4);
    EXPECT_EQ(one.end, four.end) << c.what;
    EXPECT_EQ(one.log, four.log) << c.what;
    EXPECT_EQ(one.asked, four.asked) << c.what;
    EXPECT_EQ(one.files.size(), four.files.size()) << c.what;
    for (const auto& [name, content] : one.files) {
      auto it = four.files.find(name);
      ASSERT_NE(it, four.files.end()) << c.what << ": " << name;
      EXPECT_TRUE(it->second == content) << c.what << ": " << name << " differs";
    }
    // The run did what the scenario is about.
    if (one.end != sw::RunEnd::BackupsDeclined) EXPECT_NE(one.log.find("failed"), std::string::npos) << c.what;
    EXPECT_EQ(one.files.count("web/p1.html.srbak"), c.backups && c.oldBackups == Answer::Yes ? 1u : 0u) << c.what;
    EXPECT_NE(one.files.count("~htmlwrk.tmp"), 0u) << c.what;
    for (const auto& [name, content] : one.files) EXPECT_EQ(name.find(".swtmp"), std::string::npos) << name;
  }
}

// Results come out in list order however the workers finish, and no more
// than the window wait for the thread that takes them.
TEST(DocumentPool, InListOrderWithinTheWindow) {
  TempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 40; ++i) {
    // Sizes that vary a lot, so workers finish out of order.
    const std::string text = "<html>" + std::string(size_t((i * 7919) % 13) * 4000, 'x') + std::to_string(i) +
                             "</html>";
    WriteFile(dir / ("d" + std::to_string(i) + ".htm"), text);
    paths.push_back(dir / ("d" + std::to_string(i) + ".htm"));
  }
  paths.push_back(dir / "missing.htm");
  sw::Engine prototype;
  for (int workers : {1, 3}) {
    auto pool = sw::DocumentPool::Start(prototype, paths, workers, 4);
    ASSERT_TRUE(pool);
    for (size_t k = 0; k < paths.size(); ++k) {
      sw::OptimizedDocument d = pool->Take(k);
      if (k + 1 == paths.size()) {
        EXPECT_FALSE(d.wasRead);
        EXPECT_EQ(d.code, sw::kNotFound);
      } else {
        EXPECT_EQ(d.output, ReadFile(paths[k])) << k;
      }
    }
    EXPECT_LE(pool->MostWaiting(), pool->window());
  }
  // An abandoned pool stops without waiting for the rest of its list.
  auto pool = sw::DocumentPool::Start(prototype, paths, 2, 2);
  pool->Take(0);
  pool.reset();
}

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "jobs/fileslist.h"
#include "jobs/jobrun.h"
#include "platform/inifile.h"
#include "tests/jobs/helpers.h"
#include "verify/core/verifier.h"

using namespace swtest;
using sw::verify::Verdict;

namespace {

// Answers by the document's name: "keep" in it renders differently, "broken"
// cannot be rendered, anything else looks the same.
struct FakeVerifier : sw::verify::PageVerifier {
  struct Call {
    std::string path, original, optimized;
  };
  std::mutex mutex;  // pages render on several threads
  std::vector<Call> calls;
  Verdict Compare(const std::string& path, const std::string& original, const std::string& optimized) override {
    {
      std::lock_guard<std::mutex> lock(mutex);
      calls.push_back({path, original, optimized});
    }
    Verdict v;
    if (path.find("broken") != std::string::npos) {
      v.error = "the page did not finish loading in time";
    } else if (path.find("keep") != std::string::npos) {
      v.kind = Verdict::Kind::Differs;
      v.text = true;
    } else {
      v.kind = Verdict::Kind::Same;
    }
    return v;
  }
};

struct Kept : sw::JobProgress {
  std::vector<std::string> seen;
  void DocumentKept(int index, const std::string& document, const std::string& why) override {
    seen.push_back(std::to_string(index) + " " + fs::path(document).filename().string() + " " + why);
  }
  void DocumentFailed(int, const std::string& document, int32_t) override { ADD_FAILURE() << document; }
};

}  // namespace

// Run with no worker threads and with several: the result must not differ.
class JobVerification : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Workers, JobVerification, ::testing::Values(1, 4));

TEST_P(JobVerification, DocumentsThatLookDifferentStayExactlyAsTheyWere) {
  TempDir dir;
  sw::IniFile profile(dir / "slimwright.INI");
  profile.WriteString("General Options", "OutputReport", "1");
  profile.WriteString("Custom Search and Replace", "CustomReplace1", "colour^^color^^0");
  profile.WriteString("Custom Search and Replace", "ExecCustomReplace1", "1");
  struct Doc {
    const char* name;
    std::string text;
    bool rewritten;
  } docs[] = {
      {"same.htm", "<html>colour</html>\n", true},
      {"keep.htm", "<html>colour colour</html>\n", false},
      {"broken.htm", "<html>colours</html>\n", false},
      {"nothing.htm", "<html>plain</html>\n", false},  // nothing to rewrite: never rendered
  };
  std::vector<std::string> paths;
  for (const auto& d : docs) {
    paths.push_back(dir / ("web/" + std::string(d.name)));
    WriteFile(paths.back(), d.text);
  }
  sw::WriteLines(dir / "slimwright.lst", paths);

  ScriptedPrompt prompt;
  FakeVerifier fake;
  Kept progress;
  sw::JobRun run(profile, prompt, &progress);
  run.config.programDir = dir.path().string();
  run.config.profilePath = dir / "slimwright.INI";
  run.config.filesListPath = dir / "slimwright.lst";
  run.config.outputReport = true;
  run.config.verifier = &fake;
  run.config.jobs = GetParam();
  sw::JobOutcome out = run.Run();

  ASSERT_EQ(out.end, sw::RunEnd::Completed);
  int32_t before = 0, after = 0;
  for (size_t i = 0; i < std::size(docs); ++i) {
    const std::string now = ReadFile(paths[i]);
    before += int32_t(docs[i].text.size());
    after += int32_t(now.size());
    if (docs[i].rewritten)
      EXPECT_NE(now, docs[i].text) << docs[i].name;
    else
      EXPECT_EQ(now, docs[i].text) << docs[i].name;
  }
  EXPECT_EQ(out.totals.BytesBefore, before);
  EXPECT_EQ(out.totals.BytesAfter, after);
  EXPECT_EQ(out.totals.BytesAfter, before - 1);  // only "same.htm" saved its one byte
  EXPECT_EQ(out.totals.ErrorCount, 0);
  EXPECT_EQ(out.totals.FilesProcessed, 4);

  // Rendered at the document's own address, with the bytes as read and as optimized.
  ASSERT_EQ(fake.calls.size(), 3u);
  std::sort(fake.calls.begin(), fake.calls.end(), [](const auto& a, const auto& b) { return a.path > b.path; });
  EXPECT_EQ(fake.calls[0].path, paths[0]);
  EXPECT_EQ(fake.calls[0].original, docs[0].text);
  EXPECT_EQ(fake.calls[0].optimized, "<html>color</html>\n");
  // A document left as it was needs no backup; a rewritten one has its own.
  EXPECT_TRUE(fs::exists(paths[0] + ".srbak"));
  EXPECT_FALSE(fs::exists(paths[1] + ".srbak"));
  EXPECT_FALSE(fs::exists(paths[2] + ".srbak"));
  EXPECT_EQ(progress.seen, (std::vector<std::string>{"1 keep.htm differs: text",
                                                     "2 broken.htm failed: the page did not finish loading in time"}));
  EXPECT_EQ(run.Verification().verified, 3);

  const std::string stats = ReadFile(dir / "~htmlwrk.tmp");
  std::string section = "Visual verification\n===================\n"
                              "Documents rendered before and after:         3\n"
                              "Documents kept unchanged:                    2\n" +
                              paths[1] + "\n    differs: text\n" + paths[2] +
                              "\n    failed: the page did not finish loading in time\n";
  // The report's lines end the way its readers expect.
  for (size_t at = 0; (at = section.find('\n', at)) != std::string::npos; at += 2) section.insert(at, "\r");
  EXPECT_NE(stats.find(section), std::string::npos) << stats;

  // The same run without a verifier writes everything and no such section.
  for (size_t i = 0; i < std::size(docs); ++i) WriteFile(paths[i], docs[i].text);
  fs::remove(paths[0] + ".srbak");
  prompt.answers[sw::kExistingBackupsCaption] = {sw::Answer::Yes};
  run.config.verifier = nullptr;
  out = run.Run();
  EXPECT_EQ(out.totals.BytesAfter, before - 4);
  EXPECT_EQ(ReadFile(dir / "~htmlwrk.tmp").find("Visual verification"), std::string::npos);
}

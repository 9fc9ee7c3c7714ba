// The real program killed outright at random moments of a job: every page
// must be its original or its optimized form, every backup its original.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs the program with its output discarded; returns the child's id.
pid_t Start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A dozen legacy pages, writable as an author's own.
void CopyPages(const std::vector<fs::path>& pages, const fs::path& web) {
  fs::remove_all(web);
  fs::create_directories(web);
  for (const auto& p : pages) {
    fs::copy_file(p, web / p.filename());
    fs::permissions(web / p.filename(), fs::perms(0644));
  }
}

}  // namespace

TEST(KilledJob, EveryPageWholeEveryBackupExact) {
  const std::string program = std::string(SW_BINARY_DIR) + "/slimwright";
  if (!fs::exists(program)) GTEST_SKIP() << "the program is not built";
  const fs::path root = fs::temp_directory_path() / ("swkill" + std::to_string(::getpid()));
  fs::remove_all(root);
  const std::string home = (root / "home").string();
  fs::create_directories(home);

  std::vector<fs::path> pages;
  for (const auto& e : fs::recursive_directory_iterator(SW_CORPUS_DIR))
    if (e.is_regular_file() && e.path().extension() == ".html") pages.push_back(e.path());
  std::sort(pages.begin(), pages.end(), [](const fs::path& a, const fs::path& b) {
    return a.filename() < b.filename();
  });
  pages.erase(std::unique(pages.begin(), pages.end(),
                          [](const fs::path& a, const fs::path& b) { return a.filename() == b.filename(); }),
              pages.end());
  if (pages.size() > 12) pages.resize(12);
  ASSERT_GE(pages.size(), 4u);

  ASSERT_EQ(Wait(Start({program, "--home", home, "preset", "safe"})), 0);
  // The optimized form of each page, and how long a whole job takes.
  const fs::path web = root / "web";
  CopyPages(pages, web);
  const auto t0 = std::chrono::steady_clock::now();
  const int rc = Wait(Start({program, "--home", home, "optimize", "--no-backups", "--jobs", "1", "--report", "none",
                             web.string()}));
  const auto whole = std::chrono::steady_clock::now() - t0;
  ASSERT_TRUE(rc == 0 || rc == 1) << rc;
  std::map<std::string, std::string> optimized;
  for (const auto& p : pages) optimized[p.filename().string()] = Read(web / p.filename());
  CopyPages(pages, web);
  ASSERT_EQ(Wait(Start({program, "--home", home, "optimize", "--no-backups", "--jobs", "3", "--report", "none",
                        web.string()})),
            rc);
  for (const auto& p : pages) EXPECT_EQ(Read(web / p.filename()), optimized[p.filename().string()]) << p;

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  const auto span = std::chrono::duration_cast<std::chrono::microseconds>(whole).count();
  std::uniform_int_distribution<long> delay(0, std::max<long>(span, 1000));
  // One thread, and workers optimizing ahead of the batched writes.
  for (const std::string jobs : {"1", "2"}) {
    for (int round = 0; round < 8; ++round) {
      CopyPages(pages, web);
      const long after = delay(random);
      pid_t job = Start({program, "--home", home, "optimize", "--yes", "--jobs", jobs, "--report", "brief",
                         web.string()});
      std::this_thread::sleep_for(std::chrono::microseconds(after));
      ::kill(job, SIGKILL);
      Wait(job);
      for (const auto& p : pages) {
        const std::string name = p.filename().string();
        const std::string original = Read(p), now = Read(web / name);
        EXPECT_TRUE(now == original || now == optimized[name]) << name << " after " << after << " us, jobs " << jobs;
        if (fs::exists(web / (name + ".srbak")))
          EXPECT_EQ(Read(web / (name + ".srbak")), original) << name << " after " << after << " us, jobs " << jobs;
      }
      // The next job runs (the lock went with the killed one) and clears what
      // an interrupted write left behind.
      EXPECT_EQ(Wait(Start({program, "--home", home, "optimize", "--no-backups", "--report", "none"})) & ~1, 0);
      for (const auto& f : fs::directory_iterator(web))
        EXPECT_EQ(f.path().filename().string().find(".swtmp"), std::string::npos) << f.path();
    }
  }
  std::error_code ec;
  fs::remove_all(root, ec);
}

// What the command-line tests share: a scratch folder with a program home,
// running the command line in-process, and file helpers.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace sw::test {

namespace fs = std::filesystem;

inline std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
inline void Write(const fs::path& p, const std::string& s) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << s;
}

// The legacy pages as an author's own, writable copy (the stored corpus is
// read-only, and read-only pages are never rewritten).
inline void CopyCorpus(const fs::path& web) {
  fs::copy(SW_CORPUS_DIR, web, fs::copy_options::recursive);
  for (const auto& f : fs::recursive_directory_iterator(web))
    fs::permissions(f.path(), fs::perms::owner_write, fs::perm_options::add);
}

// A scratch folder per test, with the program home in "home".
struct Dir {
  fs::path path;
  Dir() {
    const auto* t = ::testing::UnitTest::GetInstance()->current_test_info();
    path = fs::temp_directory_path() /
           ("swcli" + std::to_string(::getpid()) + "_" + t->test_suite_name() + "_" + t->name());
    fs::remove_all(path);
    fs::create_directories(path / "home");
  }
  ~Dir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string home() const { return (path / "home").string(); }
};

struct Result {
  int rc;
  std::string out, err;
};

inline Result Slim(const Dir& d, std::vector<std::string> args, const std::string& input = "") {
  args.insert(args.begin(), {"--home", d.home()});
  std::istringstream in(input);
  std::ostringstream out, err;
  int rc = sw::cli::Main(args, in, out, err);
  return {rc, out.str(), err.str()};
}

// A file of the home by its extension (".INI", ".lst"), "" when none.
inline std::string HomeFile(const Dir& d, const std::string& ext) {
  for (const auto& f : fs::directory_iterator(d.home()))
    if (f.path().extension() == ext) return f.path().string();
  return "";
}

}  // namespace sw::test

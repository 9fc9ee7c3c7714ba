#include "app/search/filefind.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

using namespace sw::search;
namespace fs = std::filesystem;

namespace {

struct Tmp {
  fs::path root;
  Tmp() {
    char t[] = "/tmp/swsearchXXXXXX";
    root = ::mkdtemp(t);
  }
  ~Tmp() { fs::remove_all(root); }
  std::string operator/(const std::string& rel) const { return (root / rel).string(); }
  void File(const std::string& rel, const std::string& text = "x") const {
    fs::create_directories((root / rel).parent_path());
    std::ofstream(root / rel, std::ios::binary) << text;
  }
};

std::vector<std::string> Find(const std::string& start, const std::string& masks, bool recursive = true) {
  TFileFind ff;
  ff.StartDir = start;
  ff.FilePattern = masks;
  ff.Recursive = recursive;
  ff.Run();
  return ff.FilesFound;
}

TEST(BrkApart, SplitAndJoin) {
  struct Case {
    std::string base;
    bool allowEmpty;
    std::vector<std::string> list;
    std::string joined;  // joining the list back
  } cases[] = {
      {"a;;b", false, {"a", "b"}, "a;b"},
      {"a;;b", true, {"a", "", "b"}, "a;;b"},
      {"", false, {}, ""},
      {"", true, {""}, ""},
      {";a;", false, {"a"}, "a"},
      {";a;", true, {"", "a", ""}, ";a;"},
      {"*.bak", false, {"*.bak"}, "*.bak"},
  };
  for (const auto& c : cases) {
    TBrkApart b;
    b.AllowEmptyString = c.allowEmpty;
    b.BaseString = c.base;
    b.Split();
    EXPECT_EQ(b.StringList, c.list) << c.base << " " << c.allowEmpty;
    b.BaseString = "stale";
    b.Join();
    EXPECT_EQ(b.BaseString, c.joined) << c.base << " " << c.allowEmpty;
  }
  // An empty first entry stays; empty later ones go unless allowed.
  TBrkApart j;
  j.StringList = {"", "a", "", "b"};
  j.Join();
  EXPECT_EQ(j.BaseString, ";a;b");
}

TEST(Match, WildcardRules) {
  struct Case {
    const char* text;
    const char* pattern;
    bool cs;
    bool match;
  } cases[] = {
      {"abc", "a?c", false, true},   {"ac", "a?c", false, false},      {"abcd", "a?c", false, false},
      {"", "", false, true},          {"abc", "", false, true},         {"", "*", false, true},
      {"anything", "*", false, true}, {"ABC", "abc", false, true},      {"ABC", "abc", true, false},
      {"a", "?", false, true},        {"", "?", false, false},          {"x.SRBAK", "*.srbak", false, true},
      {"x.srbak.htm", "*.srbak", false, false}, {"aXbXc", "a*b*c", false, true}, {"abab", "*ab", false, true},
      {"\xe9t\xe9", "\xc9T\xc9", false, false},  // only ASCII letters fold
      {"mississippi", "m*iss*ppi", false, true}, {"mississippi", "m*iss*x", false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TMatch::Wildcard(c.text, c.pattern, c.cs), c.match) << c.text << " ~ " << c.pattern;
}

TEST(Match, ContainsThePattern) {
  struct Case {
    const char* source;
    const char* pattern;
    bool cs;
    bool match;
  } cases[] = {
      {"xabcx", "a?c", false, true}, {"xacx", "a?c", false, false}, {"xxABCxx", "abc", false, true},
      {"xxABCxx", "abc", true, false}, {"", "", false, true},
  };
  for (const auto& c : cases) {
    TMatch m;
    m.CaseSensitive = c.cs;
    m.SetPattern(c.pattern);
    EXPECT_EQ(m.Pattern(), c.pattern);
    m.Source = c.source;
    EXPECT_EQ(m.Execute(), c.match) << c.source << " ~ " << c.pattern;
  }
}

TEST(Match, LinesOfFiles) {
  Tmp t;
  t.File("a.txt", "first\r\nnothing here\r\n");
  t.File("b.txt", "one\nxxABCxx\n");
  std::string longLine(400, '-');
  t.File("c.txt", longLine + "needle\n");
  struct Case {
    std::string files, pattern;
    bool match;
  } cases[] = {
      {t / "a.txt", "abc", false},
      {t / "a.txt;" + t / "b.txt", "abc", true},
      {t / "a.txt", "here", true},
      {t / "a.txt", "here*first", false},  // a match stays inside one line
      {t / "c.txt", "needle", true},        // long lines are tested whole
  };
  for (const auto& c : cases) {
    TMatch m;
    m.SourceIsFile = true;
    m.SetPattern(c.pattern);
    m.Source = c.files;
    EXPECT_EQ(m.Execute(), c.match) << c.files << " ~ " << c.pattern;
  }
  TMatch m;
  m.SourceIsFile = true;
  m.Source = t / "missing.txt";
  EXPECT_THROW(m.Execute(), EInOutError);
}

TEST(FileMask, Fits) {
  struct Case {
    const char* name;
    const char* mask;
    bool fits;
  } cases[] = {
      {"a.htm.srbak", "*.srbak", true}, {"A.HTM.SRBAK", "*.srbak", true}, {"a.srbak.htm", "*.srbak", false},
      {"README", "*.*", true},          {"~notes", "~*.*", true},         {"notes", "~*.*", false},
      {"x.~1", "*.~*", true},           {"MSCREATE.DIR", "mscreate.dir", true}, {"a.tmp", "*.bak", false},
  };
  for (const auto& c : cases) EXPECT_EQ(FitsMask(c.name, c.mask), c.fits) << c.name << " / " << c.mask;
}

TEST(FileFind, MasksInOrderThenFoldersDepthFirst) {
  Tmp t;
  for (const char* f : {"web/b.tmp", "web/a.bak", "web/sub/c.bak", "web/sub/d.tmp", "web/z.BAK", "web/keep.htm",
                        "web/.hidden.bak", "web/.git/e.bak"})
    t.File(f);
  const std::vector<std::string> want = {t / "web/a.bak", t / "web/z.BAK", t / "web/sub/c.bak", t / "web/b.tmp",
                                         t / "web/sub/d.tmp"};
  EXPECT_EQ(Find(t / "web/", "*.bak;*.tmp"), want);  // the trailing "/" goes
  EXPECT_EQ(Find(t / "web", "*.bak;*.tmp", false), (std::vector<std::string>{t / "web/a.bak", t / "web/z.BAK", t / "web/b.tmp"}));
  // A file that fits two masks, or lies under two start directories, is listed once.
  EXPECT_EQ(Find(t / "web/sub;" + t / "web/sub", "*.bak;*.BAK;c.*"), (std::vector<std::string>{t / "web/sub/c.bak"}));
}

TEST(FileFind, StartDirectoryForms) {
  const std::string cwd = fs::current_path().string();
  struct Case {
    std::string list;
    std::vector<std::string> dirs;
  } cases[] = {
      {"/", {"/"}},
      {"/web/", {"/web"}},
      {"/web//", {"/web/"}},  // one trailing separator only
      {"/a;;/b/", {"/a", "/b"}},
      {"rel/", {cwd + "/rel"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TFileFind::StartDirs(c.list), c.dirs) << c.list;
}

TEST(FileFind, MissingStartDirectoryEndsTheSearchKeepingEarlierResults) {
  Tmp t;
  t.File("one/a.bak");
  t.File("three/b.bak");
  t.File("plain", "not a folder");
  for (const std::string& second : {t / "two", t / "plain"}) {
    TFileFind ff;
    ff.StartDir = t / "one;" + second + ";" + t / "three";
    ff.FilePattern = "*.bak";
    EXPECT_THROW(ff.Run(), EFileFindChDir);
    EXPECT_EQ(ff.FilesFound, std::vector<std::string>{t / "one/a.bak"});
    EXPECT_FALSE(ff.ErrorText().empty());
    try {
      std::rethrow_exception(ff.Error());
    } catch (const EFileFind& e) {
      EXPECT_NE(std::string(e.what()), "");
    }
  }
  EXPECT_STREQ(EFileFindOutOfResources().what(), "Trop de fichiers.");
}

TEST(FileFind, ContentMatching) {
  Tmp t;
  t.File("w/a.txt", "xxABCxx\n");
  t.File("w/b.txt", "nothing\n");
  struct Case {
    bool enabled, cs;
    std::string text;
    std::vector<std::string> want;
  } cases[] = {
      {true, false, "abc", {t / "w/a.txt"}},
      {true, true, "abc", {}},
      {true, true, "ABC", {t / "w/a.txt"}},
      {false, false, "abc", {t / "w/a.txt", t / "w/b.txt"}},
      {true, false, "", {t / "w/a.txt", t / "w/b.txt"}},  // no text, no filter
  };
  for (const auto& c : cases) {
    TFileFind ff;
    ff.StartDir = t / "w";
    ff.FilePattern = "*.txt";
    ff.MatchEnabled = c.enabled;
    ff.MatchCaseSensitive = c.cs;
    ff.MatchString = c.text;
    ff.Run();
    EXPECT_EQ(ff.FilesFound, c.want) << c.text << " " << c.cs;
  }
}

TEST(FileFind, LinksAndOddNames) {
  Tmp t;
  t.File("outside/x.bak", "target");
  t.File("web/a.bak");
  fs::create_directory_symlink(t.root / "outside", t.root / "web/linkdir");
  fs::create_directory_symlink(t.root / "web", t.root / "web/loop");  // would never end if followed
  fs::create_symlink(t.root / "outside/x.bak", t.root / "web/link.bak");
  fs::create_symlink(t.root / "outside/gone", t.root / "web/dangling.bak");
  t.File("web/bad\nname.bak");
  TFileFind ff;
  ff.StartDir = t / "web";
  ff.FilePattern = "*.bak";
  ff.Run();
  EXPECT_EQ(ff.FilesFound, (std::vector<std::string>{t / "web/a.bak", t / "web/link.bak"}));
  EXPECT_EQ(ff.FilesSkipped, std::vector<std::string>{t / "web/bad\nname.bak"});
  // A name filter sits on top of the masks.
  ff.NameFilter = [](const std::string& n) { return n != "a.bak"; };
  ff.Run();
  EXPECT_EQ(ff.FilesFound, std::vector<std::string>{t / "web/link.bak"});
}

TEST(FileFind, PseudoFileSystemsAreNotEntered) {
  if (!fs::exists("/proc/self/status")) GTEST_SKIP() << "no /proc here";
  TFileFind ff;
  ff.StartDir = "/proc/self";
  ff.FilePattern = "status";
  ff.Run();
  EXPECT_TRUE(ff.FilesFound.empty());
}

TEST(FileFind, CurrentDirectoryUnchangedAndRelativeStart) {
  Tmp t;
  t.File("w/sub/a.bak");
  const fs::path before = fs::current_path();
  fs::current_path(t.root);
  TFileFind ff;
  ff.StartDir = "w";
  ff.FilePattern = "*.bak";
  ff.Run();
  EXPECT_EQ(ff.FilesFound, std::vector<std::string>{t / "w/sub/a.bak"});
  EXPECT_EQ(fs::current_path(), t.root);
  fs::current_path(before);
}

TEST(FileFind, WorkerThreadEndsWithOnTerminated) {
  Tmp t;
  for (int i = 0; i < 50; ++i) t.File("w/f" + std::to_string(100 + i) + ".bak");
  struct Case {
    bool stop;
    size_t want;
  } cases[] = {{false, 50}, {true, 1}};
  for (const auto& c : cases) {
    TFileFind ff;
    ff.StartDir = t / "w";
    ff.FilePattern = "*.bak";
    std::mutex m;
    std::condition_variable cv;
    bool ended = false;
    // Asked to stop while it handles the first file: nothing more is read.
    if (c.stop) ff.NameFilter = [&](const std::string&) { ff.Stop(); return true; };
    ff.OnTerminated = [&](TFileFind& sender) {
      EXPECT_EQ(&sender, &ff);
      std::lock_guard<std::mutex> l(m);
      ended = true;
      cv.notify_all();
    };
    ff.Execute();
    std::unique_lock<std::mutex> l(m);
    ASSERT_TRUE(cv.wait_for(l, std::chrono::seconds(60), [&] { return ended; }));
    l.unlock();
    ff.Wait();
    EXPECT_EQ(ff.FilesFound.size(), c.want);
    EXPECT_FALSE(ff.Running());
    EXPECT_FALSE(ff.Error());
  }
}

}  // namespace

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <algorithm>
#include <iterator>
#include <map>
#include <sstream>

#include "cli/cli.h"
#include "tests/cli/helpers.h"
#include "platform/inifile.h"

namespace fs = std::filesystem;

using namespace sw::test;

namespace {

std::string ProfilePath(const Dir& d) { return HomeFile(d, ".INI"); }

// Every file below a folder with its content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> m;
  for (const auto& f : fs::recursive_directory_iterator(root))
    if (f.is_regular_file()) m[fs::relative(f.path(), root).string()] = Read(f.path());
  return m;
}

// Backups that an optimize run left in a copy of the corpus go; nothing else does.
TEST(EraseCommand, ClearsTheBackupsOfARunAndNothingElse) {
  Dir d;
  const fs::path web = d.path / "web";
  CopyCorpus(web);
  Write(web / "notes.bak", "not a backup of ours");
  Write(web / ".hidden.srbak", "hidden");
  ASSERT_EQ(Slim(d, {"preset", "safe"}).rc, 0);
  Result r = Slim(d, {"optimize", "--yes", "--report", "none", web.string()});
  ASSERT_TRUE(r.rc == 0 || r.rc == 1) << r.err;

  std::map<std::string, std::string> kept;
  uintmax_t backupBytes = 0;
  size_t backups = 0;
  for (const auto& [rel, text] : Snapshot(web)) {
    if (rel.ends_with(".srbak") && rel[0] != '.') {
      ++backups;
      backupBytes += text.size();
    } else {
      kept[rel] = text;
    }
  }
  ASSERT_EQ(backups, 45u);
  const std::string profileBefore = Read(ProfilePath(d));

  // Without a terminal and without --yes the list is shown and nothing goes.
  r = Slim(d, {"erase", web.string()});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.out.find("Total size: " + std::to_string(backupBytes) + " bytes\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("Confirming delete\nReady to delete all files in the list?"), std::string::npos) << r.err;
  EXPECT_EQ(Snapshot(web).size(), kept.size() + backups);

  r = Slim(d, {"erase", "--yes", web.string()});
  EXPECT_EQ(r.rc, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Erased 45 of 45 files\n"), std::string::npos) << r.out;
  EXPECT_EQ(Snapshot(web), kept);
  // The eraser's settings were read, not written.
  EXPECT_EQ(Read(ProfilePath(d)), profileBefore);
}

TEST(EraseCommand, OptionsAndStoredSettings) {
  Dir d;
  const fs::path web = d.path / "web";
  struct Case {
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<std::string> erased;  // relative to web
    int rc;
  } cases[] = {
      {{"--yes", web.string()}, {}, {"a.srbak", "sub/c.SRBAK"}, 0},
      {{"--yes", "--no-subdirs", web.string()}, {}, {"a.srbak"}, 0},
      {{"--yes", "--mask", "*.old,*.tmp", web.string()}, {}, {"b.old", "x.tmp", "sub/d.tmp"}, 0},
      {{"--yes"},
       {{"SearchMask", "*.old,*.tmp"}, {"SearchSubdirs", "0"}, {"LastDirectory", web.string()}},
       {"b.old", "x.tmp"},
       0},
      {{"--yes", "--mask=*.srbak", "--style=shred"},
       {{"LastDirectory", web.string()}, {"EraseStyle", "recycle"}},
       {"a.srbak", "sub/c.SRBAK"},
       0},
      {{"--yes", "--mask", "*.none", web.string()}, {}, {}, 0},
      {{"--yes", "--style", "wipe", web.string()}, {}, {}, 2},
      {{"--yes", (web / "missing").string()}, {}, {}, 2},
      {{"--yes", web.string(), web.string()}, {}, {}, 2},
      {{"--yes", "--mask"}, {}, {}, 2},
      {{"--bogus"}, {}, {}, 2},
  };
  for (const auto& c : cases) {
    fs::remove_all(web);
    for (const char* f : {"a.srbak", "b.old", "x.tmp", "page.htm", "sub/c.SRBAK", "sub/d.tmp"}) Write(web / f, f);
    fs::remove_all(d.home());
    fs::create_directories(d.home());
    ASSERT_EQ(Slim(d, {"preset", "safe"}).rc, 0);
    sw::IniFile ini(ProfilePath(d));
    for (const auto& [k, v] : c.settings) ini.WriteString("Backup Eraser", k, v);
    const std::string before = Read(ini.path());
    std::vector<std::string> args = {"erase"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Result r = Slim(d, args);
    EXPECT_EQ(r.rc, c.rc) << args.back() << "\n" << r.out << r.err;
    for (const char* f : {"a.srbak", "b.old", "x.tmp", "page.htm", "sub/c.SRBAK", "sub/d.tmp"}) {
      const bool gone = std::find(c.erased.begin(), c.erased.end(), f) != c.erased.end();
      EXPECT_EQ(fs::exists(web / f), !gone) << f << " with " << args.back();
      if (gone) {
        EXPECT_NE(r.out.find("Erased: " + (web / f).string() + "\n"), std::string::npos) << r.out;
      }
    }
    EXPECT_EQ(Read(ini.path()), before);
  }
}

}  // namespace

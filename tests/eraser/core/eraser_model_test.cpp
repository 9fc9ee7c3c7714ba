#include "eraser/core/eraser_model.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>

#include "../../app/test_support.h"
#include "platform/inifile.h"

using namespace sw;
using namespace sw::eraser;
using swtest::ReadFile;
using swtest::WriteFile;
namespace fs = std::filesystem;

namespace {

struct EraserFixture : ::testing::Test {
  swtest::TempDir tmp;
  IniFile ini{tmp / "slimwright.INI"};
  swtest::ScriptedPrompt prompt;
  EraseOps ops = SystemEraseOps();

  std::string Web(const std::string& rel) const { return tmp / ("web/" + rel); }
  // Lists what a search of the web folder finds.
  void Search(EraserModel& m, const std::string& mask = "*.srbak") {
    m.SetSrcDir(tmp / "web");
    m.SetMask(mask);
    m.PrepareSearch();
    m.FF1.Run();
    m.SearchEnded();
  }
  std::vector<std::string> Paths(const EraserModel& m) {
    std::vector<std::string> p;
    for (const auto& l : m.Lines()) p.push_back(l.path);
    return p;
  }
};

TEST_F(EraserFixture, SettingsAreReadWithTheirDefaultsAndStoredAgain) {
  fs::create_directories(tmp / "there");
  struct Case {
    std::vector<std::pair<std::string, std::string>> stored;
    std::string mask;
    bool subdirs;
    std::string dir;
    EraseStyle style;
  } cases[] = {
      {{}, "*.srbak", true, HomeFolder(), EraseStyle::Normal},
      {{{"SearchMask", "*.srbak,*.bak"}, {"EraseStyle", "recycle"}, {"LastDirectory", tmp / "there"}},
       "*.srbak;*.bak", true, tmp / "there", EraseStyle::Recycle},
      {{{"SearchMask", ""}, {"SearchSubdirs", "0"}, {"EraseStyle", "SHRED"}, {"LastDirectory", tmp / "gone"}},
       "*.srbak", false, HomeFolder(), EraseStyle::Shred},
      {{{"SearchSubdirs", "2"}, {"EraseStyle", "Delete everything"}}, "*.srbak", true, HomeFolder(),
       EraseStyle::Normal},
  };
  for (const auto& c : cases) {
    fs::remove(ini.path());
    for (const auto& [k, v] : c.stored) ini.WriteString(kSection, k, v);
    const EraserSettings s = ReadEraserSettings(ini);
    EXPECT_EQ(s.mask, c.mask);
    EXPECT_EQ(s.subdirs, c.subdirs);
    EXPECT_EQ(s.directory, c.dir);
    EXPECT_EQ(s.style, c.style);
    // Showing the window stores what it shows, commas in the mask.
    EraserModel m(&ini, prompt);
    m.Show();
    EXPECT_EQ(m.Mask(), c.mask);
    EXPECT_EQ(ini.ReadString(kSection, "SearchMask", "?"), MaskStored(c.mask));
    EXPECT_EQ(ini.ReadString(kSection, "SearchSubdirs", "?"), c.subdirs ? "1" : "0");
    EXPECT_EQ(ini.ReadString(kSection, "LastDirectory", "?"), c.dir);
    EXPECT_EQ(ini.ReadString(kSection, "EraseStyle", "?"), StyleName(c.style));
    EXPECT_EQ(m.Readout(), "Total size: (n/a) bytes");
  }
  EraserModel m(&ini, prompt);
  m.SetMask("*.a;*.b");
  m.SetStyle(EraseStyle::Recycle);
  EXPECT_EQ(ini.ReadString(kSection, "SearchMask", ""), "*.a,*.b");
  EXPECT_EQ(ini.ReadString(kSection, "EraseStyle", ""), "Recycle");
  // Without a settings file nothing is written.
  IniFile other(tmp / "other.INI");
  EraserModel quiet(nullptr, prompt);
  quiet.SetMask("*.x");
  EXPECT_FALSE(other.Exists());
}

TEST(MaskEditor, AppendRules) {
  struct Case {
    std::string current, stock, result;
  } cases[] = {
      {"*.bak;*.tmp", "*.tmp", "*.bak;*.tmp"},
      {"*.bak;", "*.tmp", "*.bak;*.tmp"},
      {"", "*.tmp", "*.tmp"},
      {"*.tmp", "*.tmp", "*.tmp"},
      {"*.tmp;*.bak", "*.tmp", "*.tmp;*.bak"},
      {"*.bak", "*.tmp", "*.bak;*.tmp"},
      {"*.bak,*.tmp", "*.tmp", "*.bak,*.tmp;*.tmp"},  // typed commas: appended at once
  };
  for (const auto& c : cases) EXPECT_EQ(AppendStockMask(c.current, c.stock), c.result) << c.current;
  EXPECT_EQ(StockMasks().size(), 13u);
  EXPECT_EQ(StockMasks().front(), "*.srbak");
  EXPECT_EQ(StockMasks().back(), "mscreate.dir");
}

TEST_F(EraserFixture, ExemptingFollowsTheTotal) {
  const int sizes[] = {10, 20, 30, 40, 50};
  for (int i = 0; i < 5; ++i) WriteFile(Web("p" + std::to_string(i) + ".htm.srbak"), std::string(sizes[i], 'a'));
  WriteFile(Web("p.htm"), "page");
  EraserModel m(&ini, prompt);
  m.Show();
  Search(m);
  ASSERT_EQ(m.Lines().size(), 5u);
  EXPECT_EQ(m.Readout(), "Total size: 150 bytes");
  EXPECT_TRUE(m.CanErase());
  m.Exempt({3, 1});
  EXPECT_EQ(m.Total(), 90);
  EXPECT_EQ(Paths(m), (std::vector<std::string>{Web("p0.htm.srbak"), Web("p2.htm.srbak"), Web("p4.htm.srbak")}));
  m.Exempt({0, 0, 1, 2});
  EXPECT_EQ(m.Readout(), "Total size: 0 bytes");
  EXPECT_FALSE(m.CanErase());
}

TEST_F(EraserFixture, TotalBeyondThirtyTwoBits) {
  WriteFile(Web("big.srbak"), "");
  fs::resize_file(Web("big.srbak"), 3'000'000'000ull);  // sparse: no disk used
  EraserModel m(&ini, prompt);
  Search(m);
  EXPECT_EQ(m.Readout(), "Total size: 3000000000 bytes");
}

TEST_F(EraserFixture, ThreeStylesEraseFromTheLastLine) {
  struct Case {
    EraseStyle style;
    std::string content;
  } cases[] = {
      {EraseStyle::Shred, "0123456789"},
      {EraseStyle::Shred, ""},
      {EraseStyle::Normal, "0123456789"},
      {EraseStyle::Recycle, "0123456789"},
  };
  for (const auto& c : cases) {
    WriteFile(Web("a.srbak"), c.content);
    WriteFile(Web("b.srbak"), c.content);
    std::vector<std::string> order, onDisk, trashed;
    EraseOps o = ops;
    auto remove = o.remove;
    o.remove = [&](const std::string& p, std::string* e) {
      order.push_back(p);
      return remove(p, e);
    };
    o.beforeDelete = [&](const std::string& p) { onDisk.push_back(ReadFile(p)); };
    o.trash = [&](const std::string& p) {
      trashed.push_back(p);
      return fs::remove(p);
    };
    EraserModel m(&ini, prompt, o);
    m.SetStyle(c.style);
    Search(m);
    prompt.Answer(kConfirmCaption, Answer::Ok);
    const auto results = m.EraseAll();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].path, Web("b.srbak"));
    EXPECT_EQ(results[0].outcome, EraseOutcome::Erased);
    EXPECT_FALSE(fs::exists(Web("a.srbak")));
    EXPECT_TRUE(m.Lines().empty());
    EXPECT_EQ(m.Readout(), "Total size: 0 bytes");
    const std::vector<std::string> both = {Web("b.srbak"), Web("a.srbak")};
    EXPECT_EQ(c.style == EraseStyle::Recycle ? trashed : order, both);
    if (c.style == EraseStyle::Shred)
      EXPECT_EQ(onDisk, std::vector<std::string>(2, std::string(c.content.size(), 'X')));
    else
      EXPECT_TRUE(onDisk.empty());
  }
  const auto* box = prompt.Find(kConfirmCaption);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "Ready to delete all files in the list?");
  EXPECT_EQ(box->buttons, Buttons::OkCancel);
  EXPECT_EQ(box->icon, Icon::Question);
}

TEST_F(EraserFixture, CancelErasesNothing) {
  WriteFile(Web("a.srbak"), "keep");
  EraserModel m(&ini, prompt);
  Search(m);
  prompt.Answer(kConfirmCaption, Answer::Cancel);
  EXPECT_TRUE(m.EraseAll().empty());
  EXPECT_EQ(ReadFile(Web("a.srbak")), "keep");
  EXPECT_EQ(m.Lines().size(), 1u);
}

TEST_F(EraserFixture, VanishedOrChangedFilesAreDroppedUntouched) {
  for (const char* n : {"gone.srbak", "dir.srbak", "link.srbak", "ok.srbak"}) WriteFile(Web(n), "12345");
  EraserModel m(&ini, prompt);
  for (EraseStyle style : {EraseStyle::Normal, EraseStyle::Shred}) {
    m.SetStyle(style);
    Search(m);
    ASSERT_EQ(m.Lines().size(), 4u);
    fs::remove(Web("gone.srbak"));
    fs::remove(Web("dir.srbak"));
    fs::create_directory(Web("dir.srbak"));
    WriteFile(Web("dir.srbak/inside"), "mine");
    fs::remove(Web("link.srbak"));
    WriteFile(tmp / "target", "target");
    fs::create_symlink(tmp / "target", Web("link.srbak"));  // a file became a link
    prompt.Answer(kConfirmCaption, Answer::Ok);
    std::map<std::string, EraseOutcome> got;
    for (const auto& r : m.EraseAll()) got[fs::path(r.path).filename().string()] = r.outcome;
    EXPECT_EQ(got["gone.srbak"], EraseOutcome::Gone);
    EXPECT_EQ(got["dir.srbak"], EraseOutcome::Changed);
    EXPECT_EQ(got["link.srbak"], EraseOutcome::Changed);
    EXPECT_EQ(got["ok.srbak"], EraseOutcome::Erased);
    EXPECT_TRUE(m.Lines().empty());
    EXPECT_EQ(ReadFile(Web("dir.srbak/inside")), "mine");
    EXPECT_EQ(ReadFile(tmp / "target"), "target");
    EXPECT_TRUE(fs::is_symlink(Web("link.srbak")));
    EXPECT_EQ(prompt.Find(kNotErasedCaption), nullptr);
    // Back to plain files for the next style.
    fs::remove_all(Web("dir.srbak"));
    fs::remove(Web("link.srbak"));
    for (const char* n : {"gone.srbak", "dir.srbak", "link.srbak", "ok.srbak"}) WriteFile(Web(n), "12345");
  }
}

TEST_F(EraserFixture, FilesThatCannotBeErasedStayListedWithAWarning) {
  WriteFile(Web("a.srbak"), "1");
  WriteFile(Web("b.srbak"), "22");
  WriteFile(Web("c.srbak"), "333");
  struct Case {
    EraseStyle style;
    int refuse;  // how many files the system refuses
    std::string warning;
  } cases[] = {
      {EraseStyle::Normal, 1, "1 file could not be erased and stays in the list."},
      {EraseStyle::Recycle, 2, "2 files could not be erased and stay in the list."},
      {EraseStyle::Shred, 2, "2 files could not be erased and stay in the list."},
  };
  for (const auto& c : cases) {
    EraseOps o = ops;
    auto refused = [&](const std::string& p) { return p != Web("b.srbak") && (c.refuse == 2 || p == Web("a.srbak")); };
    o.remove = [&](const std::string& p, std::string* e) {
      if (refused(p)) {
        *e = "Permission denied";
        return false;
      }
      return true;  // pretend: the file stays for the next case
    };
    o.trash = [&](const std::string& p) { return !refused(p); };  // a file system without a trash
    EraserModel m(&ini, prompt, o);
    m.SetStyle(c.style);
    Search(m);
    prompt.boxes.clear();
    prompt.Answer(kConfirmCaption, Answer::Ok);
    m.EraseAll();
    const auto* box = prompt.Find(kNotErasedCaption);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, c.warning);
    EXPECT_EQ(box->icon, Icon::Warning);
    EXPECT_EQ(m.Lines().size(), size_t(c.refuse));
    EXPECT_EQ(m.Total(), c.refuse == 1 ? 1 : 4);
    EXPECT_TRUE(m.CanErase());
  }
}

TEST_F(EraserFixture, ShredFailsWhenTheFileCannotBeOpened) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  WriteFile(Web("ro.srbak"), "secret");
  fs::permissions(Web("ro.srbak"), fs::perms::owner_read);
  EraserModel m(&ini, prompt);
  m.SetStyle(EraseStyle::Shred);
  Search(m);
  prompt.Answer(kConfirmCaption, Answer::Ok);
  auto r = m.EraseAll();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].outcome, EraseOutcome::Failed);
  EXPECT_EQ(ReadFile(Web("ro.srbak")), "secret");
  EXPECT_EQ(m.Lines().size(), 1u);
}

TEST_F(EraserFixture, ShredLeavesAFileWithOtherNamesAlone) {
  WriteFile(Web("a.srbak"), "shared data");
  fs::create_directories(tmp / "snapshot");
  fs::create_hard_link(Web("a.srbak"), tmp / "snapshot/a.srbak");
  EraserModel m(&ini, prompt);
  m.SetStyle(EraseStyle::Shred);
  Search(m);
  prompt.Answer(kConfirmCaption, Answer::Ok);
  auto r = m.EraseAll();
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].outcome, EraseOutcome::Failed);
  EXPECT_EQ(ReadFile(tmp / "snapshot/a.srbak"), "shared data");
  EXPECT_EQ(m.Lines().size(), 1u);
}

TEST_F(EraserFixture, ListedLinkIsRemovedAndItsTargetKept) {
  // The trash lives inside the test's folder.
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(tmp / "data"));
  fs::create_directories(tmp / "data");
  const std::string target = tmp / "outside/page.htm.srbak";
  WriteFile(target, "<p>the only copy</p>");
  for (EraseStyle style : {EraseStyle::Normal, EraseStyle::Shred, EraseStyle::Recycle}) {
    fs::create_directories(tmp / "web");
    fs::create_symlink(target, Web("link.srbak"));
    EraserModel m(&ini, prompt);
    m.SetStyle(style);
    Search(m);
    ASSERT_EQ(m.Lines().size(), 1u);
    EXPECT_TRUE(m.Lines()[0].link);
    prompt.Answer(kConfirmCaption, Answer::Ok);
    auto r = m.EraseAll();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].outcome, EraseOutcome::Erased) << StyleName(style) << " " << r[0].error;
    EXPECT_FALSE(fs::exists(fs::symlink_status(Web("link.srbak"))));
    EXPECT_EQ(ReadFile(target), "<p>the only copy</p>") << StyleName(style);
  }
  // The trash holds the link, not a copy of the page.
  EXPECT_TRUE(fs::is_symlink(tmp / "data/Trash/files/link.srbak"));
  qunsetenv("XDG_DATA_HOME");
}

}  // namespace

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "engine/options.h"
#include "platform/home.h"
#include "platform/inifile.h"

using namespace sw;
namespace fs = std::filesystem;

namespace {
std::string TempIni(const std::string& content) {
  static int n = 0;
  fs::path d = fs::temp_directory_path() / ("sw_ini_" + std::to_string(::getpid()));
  fs::create_directories(d);
  std::string p = (d / ("p" + std::to_string(++n) + ".INI")).string();
  std::ofstream(p, std::ios::binary) << content;
  return p;
}
std::string Slurp(const std::string& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}
}  // namespace

TEST(IniRead, IntegerRules) {
  IniFile ini(TempIni(
      "[Tag Options]\r\nEmpty=\r\nText=abc\r\nNeg=-1\r\nPlus=+7\r\nTrail=12abc\r\nBig=4294967297\r\n"
      "Sign=-\r\n[fine tuning]\nWordWrap = 70000\n"));
  struct Case {
    const char* section;
    const char* key;
    int32_t def;
    int32_t want;
  } cases[] = {
      {"Tag Options", "Empty", 9, 0},       // present but empty reads 0
      {"Tag Options", "Text", 9, 0},
      {"Tag Options", "Missing", 9, 9},     // missing reads the default
      {"Tag Options", "Neg", 0, -1},
      {"Tag Options", "Plus", 0, 7},
      {"Tag Options", "Trail", 0, 12},
      {"Tag Options", "Big", 0, 1},         // wraps to 32 bits
      {"Tag Options", "Sign", 5, 0},
      {"TAG OPTIONS", "neg", 0, -1},        // sections and keys ignore case
      {"Fine Tuning", "WordWrap", 0, 70000},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.ReadInt(c.section, c.key, c.def), c.want) << c.key;
  EXPECT_EQ(ini.ReadString("Tag Options", "Text", "d"), "abc");
  EXPECT_EQ(ini.ReadString("Nope", "Text", "d"), "d");
}

TEST(IniRead, OptionSetFromProfile) {
  IniFile ini(TempIni("[Tag Options]\r\nEMToI=2\r\nSTRONGtoB=-1\r\nShortSpecials=0\r\nStandardizeChars=10\r\n"
                      "[Fine Tuning]\r\nWordWrap=65566\r\n"));
  OptionSet s = LoadOptionSet(ini);
  EXPECT_TRUE(s[Opt::EMToI]);
  EXPECT_FALSE(s[Opt::STRONGtoB]);
  EXPECT_EQ(s.entityMode, 0);  // not read with ShortSpecials off
  EXPECT_EQ(s.wordWrap, 30);   // low 16 bits
  IniFile empty(TempIni(""));
  EXPECT_EQ(LoadOptionSet(empty).wordWrap, 254);
}

TEST(IniWrite, ReplacesInPlaceAndKeepsOtherLines) {
  std::string p = TempIni("; comment\r\n[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
  IniFile ini(p);
  ASSERT_TRUE(ini.WriteString("a", "Y", "20"));
  ASSERT_TRUE(ini.WriteString("A", "new", "n"));
  ASSERT_TRUE(ini.WriteString("C", "k", "v"));
  EXPECT_EQ(Slurp(p), "; comment\r\n[A]\r\nx=1\r\ny=20\r\nnew=n\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nk=v\r\n");
  ASSERT_TRUE(ini.DeleteSection("b"));
  EXPECT_EQ(ini.ReadInt("B", "z", -5), -5);
  EXPECT_EQ(ini.ReadString("C", "k", ""), "v");
}

TEST(IniWrite, AtomicAndCreatesFile) {
  fs::path d = fs::temp_directory_path() / ("sw_ini_atomic_" + std::to_string(::getpid()));
  fs::remove_all(d);
  IniFile ini((d / "slimwright.INI").string());
  EXPECT_FALSE(ini.Exists());
  ASSERT_TRUE(ini.WriteString("Tag Options", "EMToI", "1"));
  EXPECT_EQ(Slurp(ini.path()), "[Tag Options]\r\nEMToI=1\r\n");
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(d), fs::directory_iterator()), 1);
  WritePreset(ini, Preset::Maximum);
  EXPECT_EQ(ini.ReadInt("Tag Options", "StripClosingP", 9), 0);
  EXPECT_EQ(ini.ReadInt("Tag Options", "NoDTD", 9), 0);
  EXPECT_EQ(ini.ReadInt("Fine Tuning", "OptimizeScripts", 9), 1);
  WritePreset(ini, Preset::Safe);
  EXPECT_EQ(ini.ReadInt("Tag Options", "StripComments", 9), 0);
  EXPECT_EQ(ini.ReadInt("Tag Options", "StripEmpties", 9), 1);
  EXPECT_EQ(ini.ReadInt("Tag Options", "MSNSOnly", 9), 9);  // presets leave other keys alone
}

TEST(Home, ResolutionOrder) {
  fs::path d = fs::temp_directory_path() / ("sw_home_" + std::to_string(::getpid()));
  fs::remove_all(d);
  EXPECT_EQ(ResolveProgramHome((d / "arg").string()), (d / "arg").string());
  EXPECT_TRUE(fs::is_directory(d / "arg"));
  ::setenv("SLIMWRIGHT_HOME", (d / "env").c_str(), 1);
  EXPECT_EQ(ResolveProgramHome(""), (d / "env").string());
  EXPECT_EQ(ResolveProgramHome((d / "arg").string()), (d / "arg").string());  // the flag wins
  ::unsetenv("SLIMWRIGHT_HOME");
}

TEST(Home, InstalledBinFolderIsNoPortableHome) {
  fs::path d = fs::temp_directory_path() / ("sw_inst_" + std::to_string(::getpid()));
  fs::remove_all(d);
  fs::create_directories(d / "portable");
  fs::create_directories(d / "prefix" / "bin");
  EXPECT_TRUE(IsPortableDir((d / "portable").string()));
  EXPECT_TRUE(IsPortableDir((d / "prefix" / "bin").string()));
  fs::create_directories(d / "prefix" / "share" / "slimwright" / "help");
  EXPECT_FALSE(IsPortableDir((d / "prefix" / "bin").string()));
  EXPECT_FALSE(IsPortableDir((d / "missing").string()));
  fs::remove_all(d);
}

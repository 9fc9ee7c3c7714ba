#include "platform/home.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace sw {

namespace {
fs::path ExePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : p;
}
}  // namespace

std::string ExecutableDir() { return ExePath().parent_path().string(); }

std::string ExecutableBaseName() {
  std::string n = ExePath().stem().string();
  // Test programs and benchmarks share the installed program's files.
  if (n.empty() || n.find("test") != std::string::npos || n.find("bench") != std::string::npos) return "slimwright";
  return n;
}

bool IsPortableDir(const std::string& exeDir) {
  if (exeDir.empty() || ::access(exeDir.c_str(), W_OK) != 0) return false;
  std::error_code ec;
  return !fs::is_directory(fs::path(exeDir).parent_path() / "share" / "slimwright", ec);
}

std::string ResolveProgramHome(const std::string& homeArg) {
  std::error_code ec;
  fs::path home;
  if (!homeArg.empty()) {
    home = homeArg;
  } else if (const char* env = std::getenv("SLIMWRIGHT_HOME"); env && *env) {
    home = env;
  } else {
    std::string exeDir = ExecutableDir();
    if (IsPortableDir(exeDir)) {
      home = exeDir;
    } else {
      const char* xdg = std::getenv("XDG_CONFIG_HOME");
      const char* user = std::getenv("HOME");
      if (xdg && *xdg) home = fs::path(xdg) / "slimwright";
      else if (user && *user) home = fs::path(user) / ".config" / "slimwright";
      else return {};
    }
  }
  fs::create_directories(home, ec);
  if (!fs::is_directory(home, ec)) return {};
  fs::path abs = fs::absolute(home, ec);
  std::string r = (ec ? home : abs.lexically_normal()).string();
  while (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}

}  // namespace sw

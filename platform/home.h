// The program home: where the profile, files list, reports and work files live.
#pragma once
#include <string>

namespace sw {

// The folder and base name of the running executable.
std::string ExecutableDir();
std::string ExecutableBaseName();

// --home DIR, then SLIMWRIGHT_HOME, then the executable's folder when it is
// a portable one, else $XDG_CONFIG_HOME/slimwright (~/.config/slimwright). The
// folder is created when missing. Empty on failure.
std::string ResolveProgramHome(const std::string& homeArg);

// A writable folder holding the program, and not the bin folder of an
// installation (one with share/slimwright beside it): an installed program
// in ~/.local/bin, or in /usr/bin run by root, keeps its profile with the
// user's settings rather than among other programs.
bool IsPortableDir(const std::string& exeDir);

// Paths of the job's files inside a home.
struct HomePaths {
  std::string home;
  std::string name;  // base name of the executable, "slimwright" as installed
  std::string Profile() const { return home + "/" + name + ".INI"; }
  std::string FilesList() const { return home + "/" + name + ".lst"; }
  std::string Work(const std::string& file) const { return home + "/" + file; }
};

}  // namespace sw

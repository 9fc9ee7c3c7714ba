// The desktop's default web browser, as the command line it would run.
#pragma once
#include <string>
#include <vector>

namespace sw {

// The Exec line of the default browser's .desktop file (for example
// "firefox %u"); "" when none can be found. At most 255 characters.
std::string DefaultBrowserCommand();

// The Exec line of a .desktop file's [Desktop Entry] group; "" when none.
std::string DesktopFileExec(const std::string& desktopFileText);

// An Exec line made ready to open one address: the program first, then its
// arguments, with %u, %U, %f or %F replaced by the address (appended when the
// line has none) and other field codes dropped. Empty for an empty line.
std::vector<std::string> ExecCommandFor(const std::string& exec, const std::string& address);

}  // namespace sw

// The desktop's default web browser, as the command line it would run.
#pragma once
#include <string>

namespace sw {

// The Exec line of the default browser's .desktop file (for example
// "firefox %u"); "" when none can be found. At most 255 characters.
std::string DefaultBrowserCommand();

// The Exec line of a .desktop file's [Desktop Entry] group; "" when none.
std::string DesktopFileExec(const std::string& desktopFileText);

}  // namespace sw

// Starts the desktop program (the only place that creates a QApplication).
#pragma once
#include <string>

namespace sw {
int RunDesktop(int argc, char** argv, const std::string& home);
}

// Starting other programs (browser, text editor, help viewer) without
// waiting for them. Tests replace the starter to see what would run.
#pragma once
#include <string>
#include <vector>

namespace sw {

class ProcessStarter {
 public:
  virtual ~ProcessStarter() = default;
  // Program and arguments stay separate: no shell, so blanks in paths work.
  // True when the process could be started.
  virtual bool Start(const std::string& program, const std::vector<std::string>& args) = 0;
};

// The real starter (detached processes).
ProcessStarter& SystemProcessStarter();

// The desktop's "open this file" program, which picks the text editor.
inline constexpr const char* kDesktopOpener = "xdg-open";

// A program name without a folder is looked up on PATH; "" when not found.
std::string FindOnPath(const std::string& name);

}  // namespace sw

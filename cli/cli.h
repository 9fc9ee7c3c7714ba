// The command line: subcommands run without a display.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace sw::cli {

struct Context {
  std::string home;  // resolved program home
  std::string name;  // base name for the profile, files list and reports
  std::istream* in;
  std::ostream* out;
  std::ostream* err;
  bool terminal = false;     // questions can be read from `in`
  bool errTerminal = false;  // `err` is a terminal: progress lines go there
};

using Args = std::vector<std::string>;

struct Subcommand {
  const char* name;
  const char* usage;  // one line for --help
  int (*run)(const Args& args, Context& cx);
};

const std::vector<Subcommand>& Subcommands();

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitDocumentErrors = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;

int RunFilter(const Args& args, Context& cx);
int RunOptimize(const Args& args, Context& cx);
int RunPreset(const Args& args, Context& cx);
int RunRestore(const Args& args, Context& cx);
int RunOptions(const Args& args, Context& cx);
int RunErase(const Args& args, Context& cx);
int RunTerms(const Args& args, Context& cx);
int RunVerify(const Args& args, Context& cx);
// Pages rendered at once by verify and optimize --verify.
int VerifyThreads();

// A name the document search takes: "*.htm*" or "*.?htm*", any letter case,
// never hidden, never a ".srbak" backup.
bool IsDocumentName(const std::string& name);

// Whole command line without the program name. Returns the exit status, or
// -1 when no subcommand was given (the desktop program should start).
int Main(const Args& args, std::istream& in, std::ostream& out, std::ostream& err, std::string* homeOut = nullptr);

}  // namespace sw::cli

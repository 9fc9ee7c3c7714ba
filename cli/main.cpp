#include <unistd.h>

#include <cstring>
#include <iostream>

#include "cli/cli.h"
#include "platform/home.h"

namespace sw::cli {

const std::vector<Subcommand>& Subcommands() {
  static const std::vector<Subcommand> list = {
      {"filter", "filter [--counters]   optimize one document from standard input to standard output", RunFilter},
      {"optimize",
       "optimize [--analysis] [--no-backups] [--overwrite-backups] [--report none|brief|detailed] [--jobs N]\n"
       "         [--verify] [--yes] [PATH...]\n"
       "                       run the job over the files list; PATH... first replaces the files list with\n"
       "                       the documents and folders given (restore then covers those documents).\n"
       "                       --yes never replaces existing backups: that takes --overwrite-backups;\n"
       "                       --jobs N optimizes on N threads (default one per core; 1: none ahead);\n"
       "                       --verify renders each rewritten document in Chromium first and leaves one that\n"
       "                       looks different exactly as it was",
       RunOptimize},
      {"preset", "preset safe|maximum   write the safe or the maximum options into the profile", RunPreset},
      {"restore", "restore [--yes]       put every document of the files list back from its backup", RunRestore},
      {"options",
       "options [KEY=VALUE...] show every option of the profile, or set some (switches 1 or 0, WordWrap 30..9999,\n"
       "                       StandardizeChars 0, 1, 2, 6, 10 or 14)",
       RunOptions},
      {"erase",
       "erase [--mask MASKS] [--no-subdirs] [--style normal|recycle|shred] [--yes] [DIR]\n"
       "                       list the backups under a folder with their total size, then erase them",
       RunErase},
      {"terms",
       "terms [list]          show the search-and-replace terms with their numbers and whether the job applies them\n"
       "  terms add SEARCH [REPLACEMENT] [--match-case] [--yes]\n"
       "                       add a term (no replacement: the search text is deleted)\n"
       "  terms remove N [--yes] | terms enable N | terms disable N",
       RunTerms},
      {"verify",
       "verify ORIGINAL OPTIMIZED\n"
       "                       render both in Chromium and say whether they look the same (two documents, or two\n"
       "                       folders compared by relative path); exit 0 when all are the same, 1 when any differ,\n"
       "                       2 when the browser cannot be used",
       RunVerify},
  };
  return list;
}

namespace {
void Usage(std::ostream& o) {
  o << "Usage: slimwright [--home DIR] [COMMAND [ARGS...]]\n"
       "Makes the HTML documents of a web site smaller without changing how a browser shows them.\n"
       "Without a command the desktop program starts.\n\n"
       "Options:\n"
       "  --home DIR   program home (profile, files list, reports); also SLIMWRIGHT_HOME\n"
       "  --help       show this help\n"
       "  --version    show the version\n\n"
       "Commands:\n";
  for (const auto& s : Subcommands()) o << "  " << s.usage << "\n";
}
}  // namespace

int Main(const Args& args, std::istream& in, std::ostream& out, std::ostream& err, std::string* homeOut) {
  std::string homeArg;
  size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--home") {
      if (i + 1 >= args.size()) {
        err << "slimwright: --home needs a folder\n";
        return kExitUsage;
      }
      homeArg = args[++i];
    } else if (a.rfind("--home=", 0) == 0) {
      homeArg = a.substr(7);
    } else if (a == "--help" || a == "-h") {
      Usage(out);
      return kExitOk;
    } else if (a == "--version") {
      out << "slimwright 1.0.0\n";
      return kExitOk;
    } else {
      break;
    }
  }
  std::string home = ResolveProgramHome(homeArg);
  if (homeOut) *homeOut = home;
  if (i >= args.size()) return -1;
  if (home.empty()) {
    err << "slimwright: the program home could not be found or created\n";
    return kExitUsage;
  }
  const std::string& name = args[i];
  for (const auto& s : Subcommands()) {
    if (name == s.name) {
      // Only the first argument asks for help: later ones may be a term's text.
      const bool help = i + 1 < args.size() && (args[i + 1] == "--help" || args[i + 1] == "-h");
      if (help && name != "options") {
        out << "Usage: slimwright [--home DIR] " << s.usage << "\n";
        return kExitOk;
      }
      Context cx{home, ExecutableBaseName(), &in, &out, &err};
      cx.terminal = &in == &std::cin && ::isatty(0) == 1;
      cx.errTerminal = &err == &std::cerr && ::isatty(2) == 1;
      return s.run(Args(args.begin() + long(i) + 1, args.end()), cx);
    }
  }
  err << "slimwright: unknown command '" << name << "' (see slimwright --help)\n";
  return kExitUsage;
}

}  // namespace sw::cli

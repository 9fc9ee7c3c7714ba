#include <iostream>

#include "cli/cli.h"

#ifdef SW_WITH_GUI
#include "app/desktop.h"
#endif

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  sw::cli::Args args(argv + 1, argv + argc);
  std::string home;
  int rc = sw::cli::Main(args, std::cin, std::cout, std::cerr, &home);
  if (rc >= 0) return rc;
#ifdef SW_WITH_GUI
  return sw::RunDesktop(argc, argv, home);
#else
  std::cerr << "slimwright: this build has no desktop program; see slimwright --help\n";
  return sw::cli::kExitUsage;
#endif
}

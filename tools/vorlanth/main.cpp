// vorlanth: builds, lists and extracts ZIP archives from the shell.
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/vorlanth/commands.h"

int main(int argc, char** argv) {
  using namespace vorlanth::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(stdout);
    return args.empty() ? 1 : 0;
  }
  const Command* command = FindCommand(args[0]);
  if (command == nullptr) {
    std::fprintf(stderr, "vorlanth: unknown command '%s'\n", args[0].c_str());
    PrintUsage(stderr);
    return 1;
  }
  args.erase(args.begin());
  return RunCommand(*command, args);
}

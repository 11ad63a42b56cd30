// The command table of the vorlanth tool and the argument reader its commands share.
#pragma once

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorlanth::cli {

// Arguments of one command. Options are taken out as the command asks for them; what is left
// are the positional arguments ("--" ends the options).
class Arguments {
 public:
  explicit Arguments(std::vector<std::string> args) : FArgs(std::move(args)) {}

  bool Flag(std::string_view name);
  // The value after the last --name; fails when --name is the last argument.
  std::optional<std::string> Value(std::string_view name);
  // Values of every --name, in order.
  std::vector<std::string> Values(std::string_view name);
  // What is left; fails with a usage error on an option nobody asked for.
  std::vector<std::string> Positionals();

 private:
  std::vector<std::string> FArgs;
};

// A mistake in the command line: reported with the command's usage, exit status 1.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Command {
  const char* Name;
  const char* Usage;  // the synopsis line after "vorlanth "
  const char* Help;   // what the command does and its options
  int (*Run)(Arguments& args);
};

const Command* FindCommand(std::string_view name);
void PrintUsage(std::FILE* out);
// Runs a command: --help prints its help; a failure prints the system's message on stderr
// and gives exit status 1.
int RunCommand(const Command& command, const std::vector<std::string>& args);

// A one-line progress report on stderr, shown only when stderr is a terminal.
class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  void Show(size_t done, size_t total, std::string_view what);

 private:
  bool FEnabled;
  bool FShown = false;
};

int RunZip(Arguments& args);
int RunList(Arguments& args);
int RunExtract(Arguments& args);

}  // namespace vorlanth::cli

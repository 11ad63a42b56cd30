// Command table, argument reading, failure reporting and the progress line.
#include "tools/vorlanth/commands.h"

#include <unistd.h>

#include <algorithm>
#include <exception>

namespace vorlanth::cli {

namespace {

const Command kCommands[] = {
    {"zip",
     "zip [--keep-paths] [--root PATH] [--name ALT]... [--temp FILE] [--span KB [--split]] "
     "[--volume N] ARCHIVE SOURCE...",
     "Builds ARCHIVE from the sources in order. A SOURCE is a file, a directory (its whole\n"
     "tree) or an http:// or https:// URL.\n"
     "  --keep-paths   keep the directory part of stored names\n"
     "  --root PATH    leading path removed from stored names (with --keep-paths)\n"
     "  --name ALT     alternative stored name for the next source, in order\n"
     "  --temp FILE    scratch file for compressed data instead of memory\n"
     "  --span KB      cut the archive into volumes of KB kibibytes (ARCHIVE001.zip, ...)\n"
     "  --split        name the volumes as a split set (ARCHIVE.z01, ..., ARCHIVE.zip)\n"
     "  --volume N     write only volume N of the set into ARCHIVE\n",
     RunZip},
    {"list", "list ARCHIVE",
     "Lists the entries of ARCHIVE, one line each, separated by tabs: index, stored name,\n"
     "compressed size, uncompressed size, modification time (YYYY-MM-DD HH:MM:SS, as stored).\n",
     RunList},
    {"extract", "extract [--to DIR] ARCHIVE [INDEX...]",
     "Extracts every entry of ARCHIVE, or the entries with the given indexes (from 0, as\n"
     "'list' shows them), under DIR. Each entry's content is checked against its CRC-32.\n"
     "  --to DIR   the folder to extract into (default: the current directory)\n",
     RunExtract},
};

std::string OptionName(std::string_view name) {
  return "--" + std::string(name);
}

}  // namespace

bool Arguments::Flag(std::string_view name) {
  auto it = std::find(FArgs.begin(), FArgs.end(), OptionName(name));
  auto end = std::find(FArgs.begin(), FArgs.end(), "--");
  if (it == FArgs.end() || it > end) return false;
  FArgs.erase(std::remove(FArgs.begin(), end, OptionName(name)), end);
  return true;
}

std::optional<std::string> Arguments::Value(std::string_view name) {
  std::vector<std::string> values = Values(name);
  if (values.empty()) return std::nullopt;
  return values.back();
}

std::vector<std::string> Arguments::Values(std::string_view name) {
  std::vector<std::string> values;
  const std::string option = OptionName(name);
  for (size_t i = 0; i < FArgs.size() && FArgs[i] != "--";) {
    if (FArgs[i] != option) {
      ++i;
      continue;
    }
    if (i + 1 >= FArgs.size()) throw UsageError(option + " needs a value");
    values.push_back(FArgs[i + 1]);
    FArgs.erase(FArgs.begin() + long(i), FArgs.begin() + long(i) + 2);
  }
  return values;
}

std::vector<std::string> Arguments::Positionals() {
  std::vector<std::string> positionals;
  bool optionsEnded = false;
  for (const std::string& arg : FArgs) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else {
      positionals.push_back(arg);
    }
  }
  return positionals;
}

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands)
    if (name == command.Name) return &command;
  return nullptr;
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage:\n");
  for (const Command& command : kCommands)
    std::fprintf(out, "  vorlanth %s\n", command.Usage);
  std::fprintf(out, "Run 'vorlanth COMMAND --help' for what a command does.\n");
}

int RunCommand(const Command& command, const std::vector<std::string>& args) {
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::printf("usage: vorlanth %s\n\n%s", command.Usage, command.Help);
    return 0;
  }
  try {
    Arguments arguments(args);
    return command.Run(arguments);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "vorlanth %s: %s\nusage: vorlanth %s\n", command.Name, error.what(),
                 command.Usage);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "Out of memory\n");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  return 1;
}

ProgressLine::ProgressLine() : FEnabled(isatty(STDERR_FILENO) == 1) {}

ProgressLine::~ProgressLine() {
  if (FShown) std::fprintf(stderr, "\r\033[K");
}

void ProgressLine::Show(size_t done, size_t total, std::string_view what) {
  if (!FEnabled) return;
  std::fprintf(stderr, "\r\033[K[%zu/%zu] %.*s", done, total,
               int(std::min<size_t>(what.size(), 60)), what.data());
  std::fflush(stderr);
  FShown = true;
}

}  // namespace vorlanth::cli

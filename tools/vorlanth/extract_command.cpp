// vorlanth extract: writes all entries of an archive, or the ones named by index, under a folder.
#include <charconv>

#include "engine/zipwriter.h"
#include "tools/vorlanth/commands.h"

namespace vorlanth::cli {

namespace {

int32_t ParseIndex(const std::string& text) {
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size())
    throw UsageError("INDEX must be a whole number: " + text);
  return value;
}

}  // namespace

int RunExtract(Arguments& args) {
  // The reader joins root and name with "\" as it must; "." keeps top-level names in place.
  const std::string folder = args.Value("to").value_or(".");
  std::vector<std::string> positionals = args.Positionals();
  if (positionals.empty()) throw UsageError("needs an archive");
  std::vector<int32_t> indexes;
  for (size_t i = 1; i < positionals.size(); ++i)
    indexes.push_back(ParseIndex(positionals[i]));

  TZipReader reader;
  reader.ReadFromFile(FromUtf8(positionals[0]));
  reader.SetPathRoot(FromUtf8(folder));
  if (indexes.empty()) {
    for (int32_t i = 0; i < reader.Count(); ++i)
      indexes.push_back(i);
  }
  ProgressLine progress;
  for (size_t i = 0; i < indexes.size(); ++i) {
    if (indexes[i] >= 0 && indexes[i] < reader.Count())
      progress.Show(i + 1, indexes.size(), ToUtf8(reader.FileProperties(indexes[i]).FileName));
    reader.ExtractFileToDisk(ZipString(), indexes[i]);
  }
  return 0;
}

}  // namespace vorlanth::cli
